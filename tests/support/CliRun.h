#pragma once

// ekaldo-cli run as the office runs it: a real process to its end, with no
// display. The test target names the tool it built in EKALDO_CLI_PATH.
#include "support/TestSupport.h"

#include <QStringList>

namespace ekaldo::testing {

inline ProcessRun RunCli(const QStringList& args, const QString& locale = QStringLiteral("en_US.UTF-8")) {
    return RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, locale);
}

// A run whose words are added to every call: the test's own program folder,
// settings file, school year.
struct CliRunner {
    QStringList common;
    QString locale = QStringLiteral("en_US.UTF-8");
    QString out, err;

    int Run(const QStringList& args, QString* outCopy = nullptr, QString* errCopy = nullptr) {
        const ProcessRun run = RunCli(args + common, locale);
        out = run.out;
        err = run.err;
        if (outCopy)
            *outCopy = out;
        if (errCopy)
            *errCopy = err;
        return run.exitCode;
    }
};

} // namespace ekaldo::testing
