#include "core/shell/ProgramFolders.h"
#include "core/shell/AppState.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

QString Slashed(const QString& path) {
    return QDir::cleanPath(path) + QLatin1Char('/');
}

void MakeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteBytes(path, "help");
}

} // namespace

// Help beside the executable (an installed layout around it does not matter)
// or a writable folder without help anywhere: both stay beside it.
TEST(ProgramFoldersChoice, BuildTreeAndLoneToolStayBesideTheExecutable) {
    TempFolder dir;
    const QString app = dir.Path(QStringLiteral("build/app"));
    MakeFile(app + QStringLiteral("/Zentik.hlp"));
    MakeFile(dir.Path(QStringLiteral("build/share/ekaldo/Zentik.hlp")));
    const QString lone = dir.Path(QStringLiteral("lone"));
    QDir().mkpath(lone);
    for (const QString& given : {app, app + QLatin1Char('/'), lone}) {
        const ProgramFolders folders = ProgramFolders::Choose(given, dir.Path(QStringLiteral("home/data")));
        EXPECT_FALSE(folders.Installed) << given.toStdString();
        EXPECT_EQ(folders.ResourceFolder, Slashed(given));
        EXPECT_EQ(folders.DataFolder, Slashed(given));
    }
}

// An installed program reads the shared folder and keeps the work in the
// user's folder, which only the first start makes: a failure is reported and
// tried again next time, success is said once, the next start finds the work.
TEST(FirstStart, MakesTheFoldersAndTheDemoSchoolAndSaysWhereOnce) {
    TempFolder dir;
    const QString prefix = dir.Path(QStringLiteral("usr"));
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    MakeFile(prefix + QStringLiteral("/share/ekaldo/Zentik.hlp"));
    // The parents of the user's folder do not exist yet, as in a new account.
    const QString user = dir.Path(QStringLiteral("home/.local/share/ekaldo"));
    const ProgramFolders folders = ProgramFolders::Choose(prefix + QStringLiteral("/bin"), user);
    ASSERT_TRUE(folders.Installed);
    EXPECT_EQ(folders.DataFolder, Slashed(user));
    AppState state;
    state.ProgramFolder = folders.DataFolder;
    state.ResourceFolder = folders.ResourceFolder;
    EXPECT_TRUE(QFileInfo(state.HelpFilePath()).isFile()) << state.HelpFilePath().toStdString();
    // A file where a parent folder of the user's folder belongs.
    const QString blocker = dir.Path(QStringLiteral("home/.local"));
    MakeFile(blocker);
    {
        ScriptedUiServices ui;
        ui.ExpectMessage(MessageIcon::Error, QStringLiteral("Ο Φάκελος \"") + user +
                                                 QStringLiteral("\" δεν μπορεί να δημιουργηθεί!"));
        EXPECT_FALSE(PrepareDataFolder(folders, ui));
    }
    EXPECT_FALSE(QFileInfo::exists(user));

    QFile::remove(blocker);
    {
        ScriptedUiServices ui;
        ui.ExpectMessage(MessageIcon::Information,
                         QStringLiteral("Καλώς ήρθατε στο e-Κάλντο!\n\nΟι φάκελοι Imports, Exports και "
                                        "Templates και το σχολικό έτος επίδειξης 2025-2026 δημιουργήθηκαν "
                                        "στον φάκελο\n\"") +
                             user + QStringLiteral("\".\n\nΕκεί θα βρίσκετε τα αρχεία σας."));
        EXPECT_TRUE(PrepareDataFolder(folders, ui));
    }
    // What the new folder holds, the installed program's first run checks.
    EXPECT_EQ(QDir(QFileInfo(user).absolutePath())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ekaldo")})
        << "nothing else left beside it";

    WriteBytes(user + QStringLiteral("/Imports/received.agd"), "sheet");
    QFile::remove(user + QStringLiteral("/MV202526.SYR/STUDENT.DB"));
    ScriptedUiServices ui; // says nothing
    EXPECT_TRUE(PrepareDataFolder(folders, ui));
    EXPECT_EQ(ReadBytes(user + QStringLiteral("/Imports/received.agd")), QByteArray("sheet"));
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/MV202526.SYR/STUDENT.DB")));
}
