#include "schooldb/SchoolYears.h"

#include "base/FileErrors.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYearSession.h"
#include "schooldb/SignIn.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace ekaldo {

QStringList ListSchoolYearLabels(const QString& dbPath) {
    QStringList labels;
    if (dbPath.isEmpty())
        return labels;
    QDirIterator it(dbPath, {QStringLiteral("*.SYR")},
                    QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        // The folder pattern is matched without regard to case, as the file system of the office does.
        if (!name.endsWith(QStringLiteral(".SYR"), Qt::CaseInsensitive))
            continue;
        if (name.left(2).toUpper() != QStringLiteral("MV"))
            continue;
        labels.append(SchoolYearLabelFromFolder(name).left(17));
    }
    std::sort(labels.begin(), labels.end());
    return labels;
}

QString SchoolYearFolderOf(const QString& dbPath, const QString& label) {
    const QString name = QStringLiteral("MV") + label.mid(8, 4) + label.mid(15, 2) + QStringLiteral(".SYR");
    QString canonical = AddTrailingBackslash(dbPath) + name;
    if (QFileInfo::exists(canonical))
        return canonical;
    // Folder names are compared without regard to case, as the school's own
    // software does: "mv200405.syr" is the folder of 2004-2005 here too.
    const QStringList entries = QDir(dbPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return AddTrailingBackslash(dbPath) + entry;
    }
    return canonical;
}

bool ReopenSchoolYearSilently(SchoolYearSession& session, const QString& label) {
    CloseSchoolYear(session);
    if (!ListSchoolYearLabels(session.DBPath).contains(label) || label.mid(8, 4).size() != 4)
        return false;
    schooldb::Database& database = session.MorvenDataBase();
    try {
        database.SetParams({QStringLiteral("PATH=") + SchoolYearFolderOf(session.DBPath, label)});
        database.Open();
        session.SchoolYearCode = label.mid(8, 4);
        session.SchoolYearLabel = label;
        if (SilentSignIn(session)) {
            database.Open();
            return true;
        }
    } catch (const EkaldoError&) {
        // Nobody asked for this opening: a year that does not open now is
        // opened, with its messages, from the school-year window.
    }
    CloseSchoolYear(session);
    return false;
}

void CloseSchoolYear(SchoolYearSession& session) {
    session.MorvenDataBase().Close();
    session.SchoolYearLabel = Program::NoSchoolYearLabel;
}

void OpenSchoolYear(SchoolYearSession& session, UiServices& ui, SignInPrompt& prompt, const QString& label,
                    bool trySilent) {
    schooldb::Database& database = session.MorvenDataBase();
    CloseSchoolYear(session);
    database.SetParams({QStringLiteral("PATH=") + SchoolYearFolderOf(session.DBPath, label)});
    database.Open(); // a folder that cannot be connected goes to the general error report

    session.SchoolYearCode = label.mid(8, 4);
    session.SchoolYearLabel = session.SchoolYearCode.size() == 4 ? label : Program::NoSchoolYearLabel;
    try {
        const bool signedIn = (trySilent && SilentSignIn(session)) || InteractiveSignIn(session, ui, prompt);
        if (signedIn)
            database.Open();
        else
            database.Close();
    } catch (const EkaldoError&) {
        ui.Error(QStringLiteral("Οι Πίνακες Δεδομένων δεν αναγνωρίζονται!"));
        database.Close();
    }
    if (!database.Connected())
        session.SchoolYearLabel = Program::NoSchoolYearLabel;
}

} // namespace ekaldo
