#include "schooldb/SignIn.h"

#include "base/UiServices.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYearSession.h"
#include "schooldb/TablePasswords.h"

namespace ekaldo {
namespace {

// The user table, open with its password for as long as this lives; the
// password is withdrawn again whatever happens.
class UserTable {
public:
    explicit UserTable(SchoolYearSession& session)
        : m_session(session.DatabaseSession()), m_table(session.MorvenDataBase()) {
        m_session.AddPassword(schooldb::UserTablePassword());
        try {
            m_table.SetTableName(QStringLiteral("USER.DB"));
            m_table.Open();
        } catch (...) {
            m_session.RemovePassword(schooldb::UserTablePassword());
            throw;
        }
    }
    ~UserTable() {
        m_table.Close();
        m_session.RemovePassword(schooldb::UserTablePassword());
    }
    schooldb::Table& operator*() { return m_table; }
    schooldb::Table* operator->() { return &m_table; }

private:
    schooldb::Session& m_session;
    schooldb::Table m_table;
};

void Accept(SchoolYearSession& session, schooldb::Table& users, int level) {
    session.CurrentUserName = users.FieldByName(QStringLiteral("USERNAME")).AsString();
    session.CurrentUserPassword = users.FieldByName(QStringLiteral("PASSWORD")).AsString();
    session.UserLevel = level;
    session.UserRights = UserRightsOf(level, users.FieldByName(QStringLiteral("PRIVILEGES")).AsString());
}

} // namespace

int UserLevelOfGroup(qint64 groupId) {
    return groupId >= 0 && groupId <= 3 ? static_cast<int>(groupId) + 1 : 5;
}

QString UserRightsOf(int level, const QString& privileges) {
    if (level == 1 || level == 2)
        return QString(32, QLatin1Char('1'));
    QString rights(32, QLatin1Char('0'));
    if (level == 3 || level == 4) {
        for (int i = 0; i < 32 && i < privileges.size(); ++i) {
            if (privileges.at(i) == QLatin1Char('1'))
                rights[i] = QLatin1Char('1');
        }
    }
    return rights;
}

bool SilentSignIn(SchoolYearSession& session) {
    session.UserLevel = 5;
    bool accepted = false;
    {
        UserTable users(session);
        accepted = users->FindKey(kAdministratorName) &&
                   users->FieldByName(QStringLiteral("SCHLYEAR")).AsString() == session.SchoolYearCode &&
                   users->FieldByName(QStringLiteral("PASSWORD")).AsString() == kAdministratorPassword &&
                   !users->FieldByName(QStringLiteral("GROUPID")).IsNull() &&
                   users->FieldByName(QStringLiteral("GROUPID")).AsInteger() == 0;
        if (accepted)
            Accept(session, *users, 1);
    }
    if (accepted)
        session.DatabaseSession().AddPassword(schooldb::DataTablePassword());
    return accepted;
}

bool InteractiveSignIn(SchoolYearSession& session, UiServices& ui, SignInPrompt& prompt) {
    session.UserLevel = 5;
    bool accepted = false;
    {
        UserTable users(session);
        QString name, password;
        for (;;) {
            if (!prompt.Ask(name, password)) {
                ui.Information(QStringLiteral("Η διαδικασία ακυρώνεται!"));
                break;
            }
            if (!users->FindKey(name)) {
                ui.Error(QStringLiteral("Ακατάλληλο ψευδώνυμο!"));
                continue;
            }
            if (users->FieldByName(QStringLiteral("SCHLYEAR")).AsString() != session.SchoolYearCode) {
                ui.Error(QStringLiteral("Δεν υφίστανται δικαιώματα στο τρέχον Σχ.Έτος!"));
                continue;
            }
            if (users->FieldByName(QStringLiteral("PASSWORD")).AsString() != password) {
                ui.Error(QStringLiteral("Το Σύνθημα δεν ταιριάζει!"));
                continue;
            }
            const schooldb::Field group = users->FieldByName(QStringLiteral("GROUPID"));
            Accept(session, *users, group.IsNull() ? 5 : UserLevelOfGroup(group.AsInteger()));
            accepted = true;
            break;
        }
    }
    if (accepted)
        session.DatabaseSession().AddPassword(schooldb::DataTablePassword());
    return accepted;
}

} // namespace ekaldo
