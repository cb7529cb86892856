#include "report/system/SystemPrinters.h"

#include "report/Printers.h"
#include "report/ReportError.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ekaldo {
namespace {

class PrinterDevice : public ReportDevice {
public:
    PrinterDevice(const QPrinterInfo& info, const report::PageFormat& format)
        : m_printer(info, QPrinter::HighResolution) {
        m_printer.setFullPage(true);
        m_printer.setDocName(format.title);
        const QSizeF upright = format.landscape ? format.size.transposed() : format.size;
        m_printer.setPageLayout(QPageLayout(QPageSize(upright, QPageSize::Inch),
                                            format.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                            QMarginsF(0, 0, 0, 0)));
        if (!m_printer.isValid() || !m_painter.begin(&m_printer))
            throw ReportError(
                ReportTexts::InvalidPrinter(info.printerName(), info.location(), info.makeAndModel()));
    }
    ~PrinterDevice() override {
        if (m_painter.isActive())
            m_painter.end();
    }
    QPainter& Painter() override { return m_painter; }
    double DpiX() const override { return m_printer.logicalDpiX(); }
    double DpiY() const override { return m_printer.logicalDpiY(); }
    void NewPage() override { m_printer.newPage(); }
    void Finish() override { m_painter.end(); }

private:
    QPrinter m_printer;
    QPainter m_painter;
};

class QtPrinterDriver : public SystemPrinterDriver {
public:
    QStringList Names() const override { return QPrinterInfo::availablePrinterNames(); }
    QString DefaultName() const override { return QPrinterInfo::defaultPrinterName(); }
    PrinterMetrics Metrics(const QString& name) const override {
        QPrinter printer(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
        PrinterMetrics m;
        m.paper = printer.pageLayout().pageSize().size(QPageSize::Inch);
        m.dpiX = printer.logicalDpiX();
        m.dpiY = printer.logicalDpiY();
        return m;
    }
    std::unique_ptr<ReportDevice> Open(const QString& name, const report::PageFormat& format) override {
        return std::make_unique<PrinterDevice>(QPrinterInfo::printerInfo(name), format);
    }
};

} // namespace

void InstallSystemPrinters() {
    if (!Printers::HasSystemDriver())
        Printers::InstallSystemDriver(std::make_unique<QtPrinterDriver>());
}

} // namespace ekaldo
