#include "schooldb/SchoolYears.h"

#include "platform/FileErrors.h"
#include "platform/UiServices.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SignIn.h"
#include "shell/AppState.h"
#include "shell/SharedRoutines.h"

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
    const QString canonical = AddTrailingBackslash(dbPath) + name;
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

bool ReopenSchoolYearSilently(AppState& state, const QString& label) {
    CloseSchoolYear(state);
    if (!ListSchoolYearLabels(state.DBPath).contains(label) || label.mid(8, 4).size() != 4)
        return false;
    schooldb::Database& database = state.MorvenDataBase();
    try {
        database.SetParams({QStringLiteral("PATH=") + SchoolYearFolderOf(state.DBPath, label)});
        database.Open();
        state.SchoolYearCode = label.mid(8, 4);
        state.SchoolYearLabel = label;
        if (SilentSignIn(state)) {
            database.Open();
            return true;
        }
    } catch (const EkaldoError&) {
        // Nobody asked for this opening: a year that does not open now is
        // opened, with its messages, from the school-year window.
    }
    CloseSchoolYear(state);
    return false;
}

void CloseSchoolYear(AppState& state) {
    state.MorvenDataBase().Close();
    state.SchoolYearLabel = Program::NoSchoolYearLabel;
}

void OpenSchoolYear(AppState& state, UiServices& ui, SignInPrompt& prompt, const QString& label, bool trySilent) {
    schooldb::Database& database = state.MorvenDataBase();
    CloseSchoolYear(state);
    database.SetParams({QStringLiteral("PATH=") + SchoolYearFolderOf(state.DBPath, label)});
    database.Open();  // a folder that cannot be connected goes to the general error report

    state.SchoolYearCode = label.mid(8, 4);
    state.SchoolYearLabel = state.SchoolYearCode.size() == 4 ? label : Program::NoSchoolYearLabel;
    try {
        const bool signedIn = (trySilent && SilentSignIn(state)) || InteractiveSignIn(state, ui, prompt);
        if (signedIn)
            database.Open();
        else
            database.Close();
    } catch (const EkaldoError&) {
        ui.Error(QStringLiteral("Οι Πίνακες Δεδομένων δεν αναγνωρίζονται!"));
        database.Close();
    }
    if (!database.Connected())
        state.SchoolYearLabel = Program::NoSchoolYearLabel;
}

} // namespace ekaldo
