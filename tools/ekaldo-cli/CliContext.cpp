#include "CliContext.h"

namespace ekaldo {

const QSet<QString>& ValueOptions() {
    static const QSet<QString> options = {QStringLiteral("--settings"), QStringLiteral("--program-folder"),
                                          QStringLiteral("--school-year"), QStringLiteral("--password"),
                                          QStringLiteral("--db-path"),       QStringLiteral("--year"),
                                          QStringLiteral("--user"),
                                          QStringLiteral("--template"),      QStringLiteral("--level"),
                                          QStringLiteral("--class"),         QStringLiteral("--course"),
                                          QStringLiteral("--subject"),       QStringLiteral("--sort"),
                                          QStringLiteral("--columns"),       QStringLiteral("--save"),
                                          QStringLiteral("--period")};
    return options;
}

int Fail(const QString& message) {
    PrintErr(message + QLatin1Char('\n'));
    return 1;
}

} // namespace ekaldo
