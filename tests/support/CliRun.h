#pragma once

// ekaldo-cli run as the office runs it: a real process to its end, with no
// display. The test target names the tool it built in EKALDO_CLI_PATH.
#include "support/TestSupport.h"

#include <QStringList>

namespace ekaldo::testing {

inline ProcessRun RunCli(const QStringList& args, const QString& locale = QStringLiteral("en_US.UTF-8")) {
    return RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, locale);
}

} // namespace ekaldo::testing
