#pragma once

#include "report/ReportFile.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

class QPainter;

namespace ekaldo {

// An open print job on one printer: pages are painted through Painter(), at
// the device's resolution, with (0, 0) the top-left corner of the paper.
class ReportDevice {
public:
    virtual ~ReportDevice() = default;
    virtual QPainter& Painter() = 0;
    virtual double DpiX() const = 0;
    virtual double DpiY() const = 0;
    // Closes the page being painted and opens the next.
    virtual void NewPage() = 0;
    // Ends the job; what was painted goes to the printer or the file.
    virtual void Finish() = 0;
};

// What a printer tells a report before the job: its paper upright, in inches,
// and its resolution.
struct PrinterMetrics {
    QSizeF paper{8.27, 11.69};
    double dpiX = 300, dpiY = 300;
};

// The system's printers as the printing library sees them. The windows'
// library installs Qt's; a process without one has only the PDF printer.
class SystemPrinterDriver {
public:
    virtual ~SystemPrinterDriver() = default;
    virtual QStringList Names() const = 0;
    virtual QString DefaultName() const = 0;
    virtual PrinterMetrics Metrics(const QString& name) const = 0;
    // Throws ReportError ("Invalid Printer - ...") when the printer cannot be opened.
    virtual std::unique_ptr<ReportDevice> Open(const QString& name, const report::PageFormat& format) = 0;
};

// The printers offered to the user: the system's printers and, always, a
// printer that writes a PDF file, which is also the current printer when the
// system has none.
namespace Printers {

inline const QString PdfPrinterName = QStringLiteral("Αρχείο PDF");

void InstallSystemDriver(std::unique_ptr<SystemPrinterDriver> driver);
bool HasSystemDriver();

QStringList Names();
// The system's default printer, else the PDF printer.
QString DefaultName();
// The printer whose name matches exactly, else the first whose name holds the
// text (letter case aside); empty when none does.
QString Match(const QString& name);
PrinterMetrics Metrics(const QString& name);
// The standard papers the page set-up offers, by key ("A4", "A3", ...).
QStringList PaperKeys();
// The paper of a key upright, in inches; an empty size for an empty or unknown key.
QSizeF PaperInches(const QString& key);
// The paper's name as people know it ("B5" for the key "ISOB5").
QString PaperName(const QString& key);
// Opens a job on the printer; the PDF printer writes pdfPath. Throws
// ReportError when the printer or the file cannot be opened.
std::unique_ptr<ReportDevice> Open(const QString& name, const report::PageFormat& format,
                                   const QString& pdfPath);

} // namespace Printers

// The PDF printer's paper (A4) and resolution.
inline constexpr double PdfPrinterDpi = 300;

} // namespace ekaldo
