// School years and signing in from the command line.
#include "CliContext.h"

#include "base/ProfileFile.h"
#include "base/SharedRoutines.h"
#include "schooldb/SchoolYears.h"
#include "schooldb/SignIn.h"

namespace ekaldo {
namespace {

// The name and password given with --user and --password, offered once: a
// refused sign-in is not tried again with the same words.
class OptionPrompt : public SignInPrompt {
public:
    OptionPrompt(QString user, QString password) : m_user(std::move(user)), m_password(std::move(password)) {}
    bool Ask(QString& userName, QString& password) override {
        if (m_asked || m_user.isEmpty())
            return false;
        m_asked = true;
        userName = m_user;
        password = m_password;
        return true;
    }

private:
    QString m_user, m_password;
    bool m_asked = false;
};

int Years(CliContext& cli) {
    for (const QString& label : ListSchoolYearLabels(DataFolder(cli)))
        PrintOut(label + QLatin1Char('\n'));
    return 0;
}

int WhoAmI(CliContext& cli) {
    if (const int failed = OpenSchoolYearFromOptions(cli))
        return failed;
    PrintOut(QStringLiteral("Χρήστης: ") + cli.session.CurrentUserName + QLatin1Char('\n') +
             QStringLiteral("Επίπεδο: ") + QString::number(cli.session.UserLevel) + QLatin1Char('\n') +
             QStringLiteral("Δικαιώματα: ") + cli.session.UserRights + QLatin1Char('\n') +
             QStringLiteral("Καταχώρηση βαθμών: ") +
             (cli.session.PostingRight() ? QStringLiteral("ναι") : QStringLiteral("όχι")) +
             QLatin1Char('\n'));
    return 0;
}

} // namespace

QString DataFolder(CliContext& cli) {
    QString given = cli.Option(QStringLiteral("--db-path"));
    if (!given.isEmpty())
        return given;
    return ProfileFile::ReadString(cli.settings.SettingsPath, QStringLiteral("Directory"),
                                   QStringLiteral("DBPath"), cli.settings.ProgramFolder);
}

int OpenSchoolYearFromOptions(CliContext& cli) {
    QString label = cli.Option(QStringLiteral("--year"));
    if (label.isEmpty())
        return Fail(QStringLiteral("Δώστε το σχολικό έτος με --year (π.χ. \"Σχ.Έτος 2025-2026\")."));
    if (!label.startsWith(QStringLiteral("Σχ.Έτος")))
        label = QStringLiteral("Σχ.Έτος ") + label;
    cli.session.DBPath = DataFolder(cli);
    if (!ListSchoolYearLabels(cli.session.DBPath).contains(label))
        return Fail(QStringLiteral("Το σχολικό έτος \"") + label +
                    QStringLiteral("\" δεν υπάρχει στο φάκελο \"") + cli.session.DBPath +
                    QStringLiteral("\"."));
    OptionPrompt prompt(cli.Option(QStringLiteral("--user")),
                        TypedPassword(cli.Option(QStringLiteral("--password"))));
    OpenSchoolYear(cli.session, cli.ui, prompt, label, cli.Option(QStringLiteral("--user")).isEmpty());
    if (!cli.session.SchoolYearOpen())
        return Fail(QStringLiteral("Το σχολικό έτος δεν άνοιξε."));
    return 0;
}

void AddSchoolYearCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("years"), Years});
    commands.append({QStringLiteral("whoami"), WhoAmI});
}

} // namespace ekaldo
