#include "report/ReportEngine.h"

#include "base/UiServices.h"

#include <QFontMetricsF>
#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ekaldo {
namespace {

// Text is measured at a resolution fine enough that the widths hold on any
// printer; fonts are unhinted, so they scale straight.
constexpr double MeasureDpi = 1200;

const QImage& MeasureDevice() {
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dpm = static_cast<int>(std::lround(MeasureDpi / 0.0254));
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}

} // namespace

// ---- TBaseReport ----

TBaseReport::TBaseReport() {
    m_printer = Printers::DefaultName();
}

TBaseReport::~TBaseReport() = default;

void TBaseReport::SetUnits(TUnits units) {
    m_units = units;
    switch (units) {
    case unInch:
        m_unitsFactor = 1.0;
        break;
    case unMM:
        m_unitsFactor = 25.4;
        break;
    case unCM:
        m_unitsFactor = 2.54;
        break;
    case unPoint:
        m_unitsFactor = 72.0;
        break;
    case unUser:
        break;
    }
}

void TBaseReport::SetUnitsFactor(double factor) {
    if (factor > 0) {
        m_unitsFactor = factor;
        m_units = unUser;
        if (factor == 1.0)
            m_units = unInch;
        else if (factor == 2.54)
            m_units = unCM;
    }
}

void TBaseReport::SetMargin(int which, double value) {
    m_margin[which] = std::max(0.0, value);
    PullCursorInside();
}

void TBaseReport::PullCursorInside() {
    // Both tests stand apart so that an area turned inside out still leaves
    // the cursor on its left and top edges.
    if (m_cursorX > AreaRight())
        m_cursorX = AreaRight();
    if (m_cursorX < AreaLeft())
        m_cursorX = AreaLeft();
    if (m_cursorY > AreaBottom())
        m_cursorY = AreaBottom();
    if (m_cursorY < AreaTop())
        m_cursorY = AreaTop();
}

bool TBaseReport::ChoosePrinter(const QString& name) {
    if (m_printing)
        throw ReportError(ReportTexts::DeviceAlreadyPrinting);
    const QString found = Printers::Match(name);
    if (found.isEmpty())
        return false;
    m_printer = found;
    return true;
}

void TBaseReport::ApplyPageSetup(const PageSetup& page) {
    SetPaper(Printers::PaperInches(page.paper));
    if (page.orientation == PageOrientation::Portrait)
        SetOrientation(poPortrait);
    else if (page.orientation == PageOrientation::Landscape)
        SetOrientation(poLandScape);
}

PrinterMetrics TBaseReport::DeviceMetrics() const {
    return Printers::Metrics(m_printer);
}

void TBaseReport::CheckPrinting() const {
    if (!m_printing)
        throw ReportError(ReportTexts::NotPrinting);
    if (m_aborted)
        throw ReportAbort();
}

void TBaseReport::CheckIdle() const {
    if (m_printing)
        throw ReportError(ReportTexts::AlreadyPrinting);
}

void TBaseReport::Execute() {
    CheckIdle();
    m_aborted = false;
    m_printing = true;
    m_page = 0;
    bool deviceOpen = false;
    try {
        if (OnBeforePrint)
            OnBeforePrint(*this);
        if (m_aborted)
            throw ReportAbort();
        const PrinterMetrics metrics = DeviceMetrics();
        const bool landscape = m_orientation == poLandScape;
        const QSizeF paper = m_paper.isEmpty() ? metrics.paper : m_paper;
        m_pageInches = landscape ? paper.transposed() : paper;
        m_format.size = m_pageInches;
        m_format.landscape = landscape;
        m_format.dpiX = metrics.dpiX;
        m_format.dpiY = metrics.dpiY;
        m_format.title = Title;
        std::copy(std::begin(m_margin), std::end(m_margin), std::begin(m_savedMargin));
        DeviceBeginJob(m_format);
        deviceOpen = true;
        OpenPage(1);
        if (OnPrintHeader)
            OnPrintHeader(*this);
        if (OnPrint) {
            OnPrint(*this);
        } else if (OnPrintPage) {
            while (OnPrintPage(*this))
                StartNewPage();
        }
        CheckPrinting();
        ClosePage();
        if (OnAfterPrint)
            OnAfterPrint(*this);
        DeviceEndJob();
        deviceOpen = false;
    } catch (...) {
        // What was drawn stays readable: the output is closed either way.
        if (deviceOpen)
            DeviceAbandonJob();
        m_pageOpen = false;
        m_printing = false;
        throw;
    }
    m_printing = false;
}

void TBaseReport::SendState() {
    DeviceFont(m_font);
    DevicePen(m_pen);
    DeviceBrush(m_brush);
}

void TBaseReport::OpenPage(int page) {
    m_page = page;
    std::copy(std::begin(m_savedMargin), std::end(m_savedMargin), std::begin(m_margin));
    DeviceBeginPage(page);
    m_pageOpen = true;
    // Every page carries the drawing state it starts with, so that any page
    // replays alone.
    SendState();
    ResetToTop();
    UpdateStatus();
}

void TBaseReport::ClosePage() {
    if (OnPrintFooter)
        OnPrintFooter(*this);
    DeviceEndPage();
    m_pageOpen = false;
    UpdateStatus();
}

void TBaseReport::StartNewPage() {
    CheckPrinting();
    ClosePage();
    CheckPrinting();
    OpenPage(m_page + 1);
    if (OnNewPage)
        OnNewPage(*this);
    if (OnPrintHeader)
        OnPrintHeader(*this);
}

QString TBaseReport::StatusString() const {
    QString out;
    const QString& f = StatusFormat;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (c != QLatin1Char('%') || i + 1 >= f.size()) {
            out += c;
            continue;
        }
        const QChar code = f.at(++i);
        switch (code.toUpper().unicode()) {
        case '%':
            out += QLatin1Char('%');
            break;
        case 'D':
            out += StatusDeviceName();
            break;
        case 'P':
            out += QString::number(m_page);
            break;
        case 'N':
            out += QLatin1Char('\n');
            break;
        default:
            if (code >= QLatin1Char('0') && code <= QLatin1Char('9')) {
                const int line = code.unicode() - '0';
                if (line < StatusText.size())
                    out += StatusText.at(line);
            } else {
                out += QStringLiteral("<ERROR-%") + code + QLatin1Char('>');
            }
        }
    }
    return out;
}

void TBaseReport::UpdateStatus() {
    if (StatusLabel)
        StatusLabel(StatusString());
    if (Ui)
        Ui->ProcessEvents();
}

const QFont& TBaseReport::MeasureFont() const {
    if (!m_measureFont) {
        QFont font(m_font.name);
        font.setPointSizeF(m_font.size > 0 ? m_font.size : 1);
        font.setBold(m_font.bold);
        font.setItalic(m_font.italic);
        font.setUnderline(m_font.underline);
        font.setHintingPreference(QFont::PreferNoHinting);
        m_measureFont = font;
    }
    return *m_measureFont;
}

void TBaseReport::SelectFont(const QString& name, double size) {
    CheckPrinting();
    m_font.name = name;
    m_font.size = size;
    m_measureFont.reset();
    DeviceFont(m_font);
}

void TBaseReport::SetBold(bool on) {
    CheckPrinting();
    m_font.bold = on;
    m_measureFont.reset();
    DeviceFont(m_font);
}

void TBaseReport::SetTextAngle(int degrees) {
    CheckPrinting();
    m_font.angle = ((degrees % 360) + 360) % 360;
    DeviceFont(m_font);
}

void TBaseReport::SelectPen(QColor color, Qt::PenStyle style, int width, PenMode mode) {
    CheckPrinting();
    m_pen.color = color.rgba();
    m_pen.style = static_cast<quint8>(style);
    // A pen's width is in the printer's pixels, as the printer draws it.
    m_pen.width = width <= 1 ? 0.0 : width / m_format.dpiX;
    m_pen.mode = mode;
    DevicePen(m_pen);
}

void TBaseReport::SelectBrush(QColor color, Qt::BrushStyle style, const QImage* /*bitmap*/) {
    CheckPrinting();
    m_brush.color = color.rgba();
    m_brush.style = static_cast<quint8>(style);
    DeviceBrush(m_brush);
}

double TBaseReport::MeasureText(const QString& text) const {
    const QFontMetricsF metrics(MeasureFont(), &MeasureDevice());
    return FromInchX(metrics.horizontalAdvance(text) / MeasureDpi);
}

double TBaseReport::LineHeight() const {
    if (LineHeightMethod == lhmLinesPerInch && LinesPerInch > 0)
        return FromInchY(1.0 / LinesPerInch);
    const QFontMetricsF metrics(MeasureFont(), &MeasureDevice());
    return FromInchY(metrics.lineSpacing() / MeasureDpi);
}

QRect TBaseReport::MakeDeviceRect(double x1, double y1, double x2, double y2) const {
    const auto px = [&](double v) { return static_cast<int>(std::lround(ToInchX(v) * m_format.dpiX)); };
    const auto py = [&](double v) { return static_cast<int>(std::lround(ToInchY(v) * m_format.dpiY)); };
    return QRect(QPoint(px(x1), py(y1)), QPoint(px(x2) - 1, py(y2) - 1));
}

void TBaseReport::DrawTextClipped(const QRect& rect, double x, double y, const QString& text) {
    CheckPrinting();
    const QRectF clip(QPointF(rect.left() / m_format.dpiX, rect.top() / m_format.dpiY),
                      QPointF((rect.right() + 1) / m_format.dpiX, (rect.bottom() + 1) / m_format.dpiY));
    DeviceTextClipped(clip, ToInchX(x), ToInchY(y), text);
}

void TBaseReport::MoveTo(double x, double y) {
    CheckPrinting();
    m_penX = x;
    m_penY = y;
}

void TBaseReport::LineTo(double x, double y) {
    CheckPrinting();
    DeviceLine(ToInchX(m_penX), ToInchY(m_penY), ToInchX(x), ToInchY(y));
    m_penX = x;
    m_penY = y;
}

void TBaseReport::ResetToTop() {
    CheckPrinting();
    m_cursorX = AreaLeft();
    const QFontMetricsF metrics(MeasureFont(), &MeasureDevice());
    m_cursorY = AreaTop() + FromInchY(metrics.ascent() / MeasureDpi);
}

void TBaseReport::SetTab(double position) {
    m_tabs.insert(std::upper_bound(m_tabs.begin(), m_tabs.end(), position), position);
}

void TBaseReport::PrintLine(const QString& text) {
    CheckPrinting();
    double x = m_cursorX;
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            // The next tab stop past the text written; without set stops,
            // one every half inch from the area's left edge.
            const auto stop = std::upper_bound(m_tabs.begin(), m_tabs.end(), x + 1e-9);
            if (stop != m_tabs.end()) {
                x = *stop;
            } else {
                const double step = FromInchX(0.5);
                x = AreaLeft() + (std::floor((x - AreaLeft()) / step + 1e-9) + 1) * step;
            }
        }
        if (!parts[i].isEmpty()) {
            DeviceText(ToInchX(x), ToInchY(m_cursorY), parts[i]);
            x += MeasureText(parts[i]);
        }
    }
    m_cursorX = AreaLeft();
    m_cursorY += LineHeight();
}

// ---- TReportFiler ----

void TReportFiler::DeviceBeginJob(const report::PageFormat& format) {
    if (!Stream)
        throw ReportError(ReportTexts::StreamNil);
    if (!Stream->isOpen() || !Stream->isWritable() || Stream->isSequential())
        throw ReportError(ReportTexts::StreamInit.arg(Stream->objectName()));
    m_writer = std::make_unique<report::ReportFileWriter>(*Stream);
    m_writer->BeginFile(format);
}

void TReportFiler::DeviceBeginPage(int page) {
    m_writer->BeginPage(page);
}

void TReportFiler::DeviceEndPage() {}

void TReportFiler::DeviceEndJob() {
    m_writer->EndFile();
    m_writer.reset();
}

void TReportFiler::DeviceAbandonJob() noexcept {
    try {
        if (m_writer)
            m_writer->EndFile();
    } catch (...) {
    }
    m_writer.reset();
}

// ---- TCanvasReport ----

void TCanvasReport::AttachDevice(std::unique_ptr<ReportDevice> device) {
    m_device = std::move(device);
    m_canvas =
        std::make_unique<report::ReportCanvas>(m_device->Painter(), m_device->DpiX(), m_device->DpiY());
    m_firstPage = true;
}

void TCanvasReport::DeviceBeginPage(int) {
    if (!m_device)
        throw ReportError(ReportTexts::DeviceNotPrinting);
    if (!m_firstPage)
        m_device->NewPage();
    m_firstPage = false;
}

void TCanvasReport::DeviceEndJob() {
    if (m_device)
        m_device->Finish();
    m_canvas.reset();
    m_device.reset();
}

void TCanvasReport::DeviceAbandonJob() noexcept {
    try {
        DeviceEndJob();
    } catch (...) {
    }
    m_canvas.reset();
    m_device.reset();
}

void TReportPrinter::DeviceBeginJob(const report::PageFormat& format) {
    AttachDevice(Printers::Open(PrinterName(), format, PdfFileName));
}

// ---- TFilePrinter ----

void TFilePrinter::OpenFile() {
    if (!Stream)
        throw ReportError(ReportTexts::StreamNil);
    if (m_reader && m_readerStream == Stream)
        return;
    m_reader.reset();
    m_reader = std::make_unique<report::ReportFileReader>(*Stream);
    m_reader->Open();
    m_pages.clear();
    qint64 at = m_reader->FirstPage();
    // Pages are found by their links; a link that goes anywhere but forward
    // would loop for ever and ends the walk as a broken file.
    while (at != 0) {
        const report::PageLink link = m_reader->PageAt(at);
        m_pages.push_back(link);
        if (link.next != 0 && link.next <= at)
            throw ReportError(ReportTexts::UnexpectedCode);
        at = link.next;
    }
    m_readerStream = Stream;
}

bool TFilePrinter::PreparePdfFile() {
    if (PrinterName() != Printers::PdfPrinterName || !PdfFileName.isEmpty())
        return true;
    if (!Ui)
        return false;
    FileDialogRequest request;
    request.title = QStringLiteral("Εκτύπωση σε Αρχείο PDF");
    request.fileName = (Title.isEmpty() ? QStringLiteral("Έκθεση") : Title) + QStringLiteral(".pdf");
    request.filter = QStringLiteral("Αρχεία PDF (*.pdf)");
    request.defaultSuffix = QStringLiteral("pdf");
    const std::optional<QString> chosen = Ui->GetSaveFileName(request);
    if (!chosen)
        return false;
    PdfFileName = *chosen;
    return true;
}

void TFilePrinter::OpenJob() {
    if (m_job)
        return;
    report::PageFormat format = m_reader->Format();
    if (!Title.isEmpty())
        format.title = Title;
    m_job = Printers::Open(PrinterName(), format, PdfFileName);
    m_jobHasPage = false;
}

void TFilePrinter::FinishJob() {
    if (m_job)
        m_job->Finish();
    m_job.reset();
}

void TFilePrinter::BeginBatch() {
    m_batch = true;
}

void TFilePrinter::EndBatch() {
    m_batch = false;
    FinishJob();
}

void TFilePrinter::Execute() {
    if (!Stream)
        throw ReportError(ReportTexts::StreamNil);
    OpenFile();
    PrintRange(1, static_cast<int>(m_pages.size()), 1);
}

void TFilePrinter::PrintRange(int first, int last, int copies) {
    if (Printing())
        throw ReportError(ReportTexts::AlreadyPrinting);
    OpenFile();
    first = std::max(first, 1);
    last = std::min(last, static_cast<int>(m_pages.size()));
    if (first > last || copies < 1)
        return;
    ++m_rangesPrinted;
    if (!PreparePdfFile())
        return;
    try {
        OpenJob();
        for (int copy = 0; copy < copies; ++copy) {
            for (int page = first; page <= last; ++page) {
                if (m_jobHasPage)
                    m_job->NewPage();
                m_jobHasPage = true;
                report::ReportCanvas canvas(m_job->Painter(), m_job->DpiX(), m_job->DpiY());
                m_reader->Replay(m_pages[page - 1].position, canvas);
                if (Ui)
                    Ui->ProcessEvents();
            }
        }
    } catch (...) {
        m_job.reset();
        throw;
    }
    if (!m_batch)
        FinishJob();
}

// ---- TFilePreview ----

void TFilePreview::OpenPreview() {
    if (m_open)
        return;
    OpenFile();
    if (m_pages.empty())
        throw ReportError(ReportTexts::UnexpectedCode);
    m_open = true;
    m_shown = 0;
    m_shownPos = 0;
    ShowPage(1);
}

void TFilePreview::ClosePreview() {
    m_open = false;
    m_shown = 0;
    m_shownPos = 0;
    m_pages.clear();
    m_reader.reset();
    m_readerStream = nullptr;
}

void TFilePreview::ShowPage(int page) {
    if (!m_open)
        return;
    page = std::clamp(page, 1, PageCount());
    // From the page shown, step by the links to the page asked for.
    report::PageLink link =
        m_shownPos ? m_reader->PageAt(m_shownPos) : m_reader->PageAt(m_reader->FirstPage());
    while (link.number < page && link.next)
        link = m_reader->PageAt(link.next);
    while (link.number > page && link.previous)
        link = m_reader->PageAt(link.previous);
    m_shownPos = link.position;
    m_shown = link.number;
    Redraw();
    if (OnPageChange)
        OnPageChange();
}

void TFilePreview::ShowNextPage() {
    if (m_open && m_shown + PageInc <= PageCount())
        ShowPage(m_shown + PageInc);
}

void TFilePreview::ShowPriorPage() {
    if (m_open && m_shown - PageInc >= 1)
        ShowPage(m_shown - PageInc);
}

void TFilePreview::SetZoomFactor(double zoom) {
    m_zoom = std::clamp(zoom, 10.0, 200.0);
    if (m_open)
        Redraw();
}

double TFilePreview::FitWidthZoom() const {
    if (!ScrollBox || !m_reader)
        return m_zoom;
    const double paper = m_reader->Format().size.width() * ScreenDpi * (1 + 2 * MarginPercent / 100.0);
    return ScrollBox->ViewportSize().width() / paper * 100.0;
}

double TFilePreview::FitPageZoom() const {
    if (!ScrollBox || !m_reader)
        return m_zoom;
    const QSizeF page = m_reader->Format().size * ScreenDpi;
    const double margin = 2 * MarginPercent / 100.0 * page.width();
    const QSize view = ScrollBox->ViewportSize();
    return std::min(view.width() / (page.width() + margin), view.height() / (page.height() + margin)) * 100.0;
}

QRect TFilePreview::PaperRect() const {
    if (!m_reader)
        return {};
    const double dpi = ScreenDpi * m_zoom / 100.0;
    const QSizeF page = m_reader->Format().size * dpi;
    const int margin = static_cast<int>(std::lround(page.width() * MarginPercent / 100.0));
    return QRect(margin, margin, static_cast<int>(std::lround(page.width())),
                 static_cast<int>(std::lround(page.height())));
}

QImage TFilePreview::RenderPage(int page) const {
    if (!m_reader || page < 1 || page > PageCount())
        return {};
    const double dpi = ScreenDpi * m_zoom / 100.0;
    const QRect paper = PaperRect();
    QImage image(paper.width() + 2 * paper.left(), paper.height() + 2 * paper.top(), QImage::Format_RGB32);
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Background);
    QPainter painter(&image);
    painter.fillRect(paper, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(paper.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), paper.size()));
    report::ReportCanvas canvas(painter, dpi, dpi);
    m_reader->Replay(m_pages[page - 1].position, canvas);
    return image;
}

void TFilePreview::Redraw() {
    if (ScrollBox && m_shown > 0)
        ScrollBox->ShowImage(RenderPage(m_shown));
}

} // namespace ekaldo
