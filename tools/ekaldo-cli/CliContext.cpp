#include "CliContext.h"

namespace ekaldo {

const QSet<QString>& ValueOptions() {
    static const QSet<QString> options = {QStringLiteral("--settings"), QStringLiteral("--program-folder"),
                                          QStringLiteral("--school-year"), QStringLiteral("--password"),
                                          QStringLiteral("--db-path"),       QStringLiteral("--year"),
                                          QStringLiteral("--user")};
    return options;
}

int Fail(const QString& message) {
    PrintErr(message + QLatin1Char('\n'));
    return 1;
}

} // namespace ekaldo
