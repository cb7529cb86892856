#include "CliContext.h"

namespace ekaldo {

int Fail(const QString& message) {
    PrintErr(message + QLatin1Char('\n'));
    return 1;
}

} // namespace ekaldo
