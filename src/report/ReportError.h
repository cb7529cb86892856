#pragma once

#include "base/FileErrors.h"

namespace ekaldo {

// The report engine's own failures, with the engine's texts; the windows show
// their own message over them.
class ReportError : public EkaldoError {
public:
    using EkaldoError::EkaldoError;
};

// The job was aborted by the user: nothing to report, the job just ends.
class ReportAbort : public ReportError {
public:
    ReportAbort() : ReportError(QStringLiteral("Printing aborted.")) {}
};

namespace ReportTexts {
inline const QString DeviceNotPrinting = QStringLiteral("Invalid method call.  Device is not printing.");
inline const QString DeviceAlreadyPrinting = QStringLiteral("Invalid method call.  Device already printing.");
inline const QString NotPrinting = QStringLiteral("Invalid method call.  ReportPrinter is not printing.");
inline const QString AlreadyPrinting =
    QStringLiteral("Invalid method call.  ReportPrinter already printing.");
inline const QString StreamNil = QStringLiteral("StreamMode is smUser but Stream is nil");
// %1 the stream's description.
inline const QString StreamInit = QStringLiteral("Error initializing stream \"%1\"");
inline const QString OwnerNotForm =
    QStringLiteral("TReportFiler.Owner must be a TForm if no printers are defined.");
inline const QString NoPrinters = QStringLiteral("No printers are defined, aborting print job.");
inline const QString UnexpectedCode = QStringLiteral("Unexpected code found in report file.");
// The printer's name, its port and its driver.
QString InvalidPrinter(const QString& name, const QString& port, const QString& driver);
} // namespace ReportTexts

} // namespace ekaldo
