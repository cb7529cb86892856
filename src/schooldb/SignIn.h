#pragma once

#include <QString>

namespace ekaldo {

struct SchoolYearSession;
class UiServices;

// Asks who is signing in. The sign-in window in the program; a command line's
// given name and password elsewhere.
class SignInPrompt {
public:
    virtual ~SignInPrompt() = default;
    // False when the user cancels. What was typed before is kept and shown again.
    virtual bool Ask(QString& userName, QString& password) = 0;
};

// A password as the sign-in window takes it: its letters turn to capitals as
// they are typed. The command line takes it the same way, so that one
// password works in both.
inline QString TypedPassword(const QString& typed) {
    return typed.toUpper();
}

// The fixed administrator account tried before anyone is asked.
inline const QString kAdministratorName = QStringLiteral("TALMIR");
inline const QString kAdministratorPassword = QStringLiteral("TALMIR");

// Access level by the user's group: 0 to 3 give 1 to 4, anything else 5.
int UserLevelOfGroup(qint64 groupId);
// The 32 rights flags: all for levels 1 and 2, the user's own for 3 and 4, none for 5.
QString UserRightsOf(int level, const QString& privileges);

// Signs in as the administrator without asking. On success the user, level
// and rights are set and the data-table password registered.
bool SilentSignIn(SchoolYearSession& session);

// Asks until a user signs in or the prompt is cancelled, with the refusal
// messages through ui. The user table's password is registered only while
// the table is read.
bool InteractiveSignIn(SchoolYearSession& session, UiServices& ui, SignInPrompt& prompt);

} // namespace ekaldo
