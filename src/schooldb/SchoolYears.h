#pragma once

#include <QString>
#include <QStringList>

namespace ekaldo {

struct SchoolYearSession;
class SignInPrompt;
class UiServices;

// The labels of the school-year folders under dbPath ("MV*.SYR", folders and
// files alike), each cut to 17 characters, sorted; equal labels all kept.
QStringList ListSchoolYearLabels(const QString& dbPath);

// The folder a label opens: the canonical "MV" + starting year + the last two
// digits of the ending year + ".SYR", whatever the listed folder was called.
QString SchoolYearFolderOf(const QString& dbPath, const QString& label);

// Connects the database to the label's folder and signs the user in, silently
// as the administrator or else through prompt. On any failure no school year
// is left open. A folder that cannot be connected raises DatabaseError for the
// general error report, with no school year open. Without trySilent the
// administrator is not tried first (a command line naming its user).
void OpenSchoolYear(SchoolYearSession& session, UiServices& ui, SignInPrompt& prompt, const QString& label,
                    bool trySilent = true);

// Opens the label's school year only if it is listed under the data folder
// and the administrator signs in without asking; otherwise, and on any error,
// leaves no school year open, without a word. True when it opened.
bool ReopenSchoolYearSilently(SchoolYearSession& session, const QString& label);

// Disconnects the database and marks that no school year is open.
void CloseSchoolYear(SchoolYearSession& session);

} // namespace ekaldo
