#include "report/Printers.h"

#include "report/ReportError.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <optional>

namespace ekaldo {
namespace {

std::unique_ptr<SystemPrinterDriver>& Driver() {
    static std::unique_ptr<SystemPrinterDriver> driver;
    return driver;
}

class PdfDevice : public ReportDevice {
public:
    PdfDevice(const QString& path, const report::PageFormat& format) : m_writer(path) {
        m_writer.setResolution(static_cast<int>(PdfPrinterDpi));
        m_writer.setTitle(format.title);
        m_writer.setCreator(QStringLiteral("e-Κάλντο"));
        const QSizeF upright = format.landscape ? format.size.transposed() : format.size;
        m_writer.setPageLayout(QPageLayout(QPageSize(upright, QPageSize::Inch),
                                           format.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                           QMarginsF(0, 0, 0, 0)));
        if (!m_painter.begin(&m_writer))
            throw ReportError(
                ReportTexts::InvalidPrinter(Printers::PdfPrinterName, path, QStringLiteral("PDF")));
    }
    ~PdfDevice() override {
        if (m_painter.isActive())
            m_painter.end();
    }
    QPainter& Painter() override { return m_painter; }
    double DpiX() const override { return m_writer.resolution(); }
    double DpiY() const override { return m_writer.resolution(); }
    void NewPage() override { m_writer.newPage(); }
    void Finish() override { m_painter.end(); }

private:
    QPdfWriter m_writer;
    QPainter m_painter;
};

std::optional<QPageSize::PageSizeId> PaperOfKey(const QString& key) {
    if (!key.isEmpty()) {
        for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
            const auto size = static_cast<QPageSize::PageSizeId>(id);
            if (QPageSize::key(size) == key)
                return size;
        }
    }
    return std::nullopt;
}

} // namespace

namespace Printers {

void InstallSystemDriver(std::unique_ptr<SystemPrinterDriver> driver) {
    Driver() = std::move(driver);
}

bool HasSystemDriver() {
    return Driver() != nullptr;
}

QStringList Names() {
    QStringList names;
    if (Driver())
        names = Driver()->Names();
    names.append(PdfPrinterName);
    return names;
}

QString DefaultName() {
    if (Driver()) {
        QString name = Driver()->DefaultName();
        if (!name.isEmpty())
            return name;
        const QStringList names = Driver()->Names();
        if (!names.isEmpty())
            return names.front();
    }
    return PdfPrinterName;
}

QString Match(const QString& name) {
    const QStringList names = Names();
    if (names.contains(name))
        return name;
    for (const QString& n : names) {
        if (n.contains(name, Qt::CaseInsensitive))
            return n;
    }
    return QString();
}

PrinterMetrics Metrics(const QString& name) {
    if (name != PdfPrinterName && Driver() && Driver()->Names().contains(name))
        return Driver()->Metrics(name);
    PrinterMetrics a4;
    a4.paper = QPageSize(QPageSize::A4).size(QPageSize::Inch);
    a4.dpiX = a4.dpiY = PdfPrinterDpi;
    return a4;
}

QStringList PaperKeys() {
    QStringList keys;
    for (const QPageSize::PageSizeId id : {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B4,
                                           QPageSize::B5, QPageSize::Letter, QPageSize::Legal})
        keys << QPageSize::key(id);
    return keys;
}

QSizeF PaperInches(const QString& key) {
    const std::optional<QPageSize::PageSizeId> id = PaperOfKey(key);
    return id ? QPageSize::size(*id, QPageSize::Inch) : QSizeF();
}

QString PaperName(const QString& key) {
    const std::optional<QPageSize::PageSizeId> id = PaperOfKey(key);
    return id ? QPageSize::name(*id) : key;
}

std::unique_ptr<ReportDevice> Open(const QString& name, const report::PageFormat& format,
                                   const QString& pdfPath) {
    if (name == PdfPrinterName) {
        // QPdfWriter says nothing when its file cannot be made: ask first.
        QFile probe(pdfPath);
        if (pdfPath.isEmpty() || !probe.open(QIODevice::WriteOnly))
            throw ReportError(ReportTexts::InvalidPrinter(
                name, pdfPath, pdfPath.isEmpty() ? QStringLiteral("no file") : probe.errorString()));
        probe.close();
        return std::make_unique<PdfDevice>(pdfPath, format);
    }
    if (!Driver() || Driver()->Names().isEmpty())
        throw ReportError(ReportTexts::NoPrinters);
    if (!Driver()->Names().contains(name))
        throw ReportError(ReportTexts::InvalidPrinter(name, QString(), QString()));
    return Driver()->Open(name, format);
}

} // namespace Printers
} // namespace ekaldo
