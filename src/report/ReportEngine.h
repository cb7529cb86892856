#pragma once

#include "base/UiServices.h"
#include "report/Printers.h"
#include "report/ReportError.h"
#include "report/ReportFile.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace ekaldo {

class UiServices;

enum TUnits { unInch, unMM, unCM, unPoint, unUser };
enum TOrientation { poDefault, poPortrait, poLandScape };
enum TLineHeightMethod { lhmFont, lhmLinesPerInch };
enum TStreamMode { smMemory, smFile, smUser };
using report::PenMode;

// The drawing surface with its page state. Every length is in the report's
// units (UnitsFactor units to the inch: 2.54 makes them centimetres), x to
// the right and y downward from the paper's top-left corner. A job runs in
// Execute; the drawing calls are valid only inside it.
class TBaseReport {
public:
    using Event = std::function<void(TBaseReport&)>;

    TBaseReport();
    virtual ~TBaseReport();
    TBaseReport(const TBaseReport&) = delete;
    TBaseReport& operator=(const TBaseReport&) = delete;

    // ---- settings ----
    TUnits Units() const { return m_units; }
    void SetUnits(TUnits units);
    double UnitsFactor() const { return m_unitsFactor; }
    void SetUnitsFactor(double factor);
    double MarginLeft() const { return m_margin[0]; }
    double MarginTop() const { return m_margin[1]; }
    double MarginRight() const { return m_margin[2]; }
    double MarginBottom() const { return m_margin[3]; }
    void SetMarginLeft(double v) { SetMargin(0, v); }
    void SetMarginTop(double v) { SetMargin(1, v); }
    void SetMarginRight(double v) { SetMargin(2, v); }
    void SetMarginBottom(double v) { SetMargin(3, v); }
    TOrientation Orientation() const { return m_orientation; }
    // Takes effect when the job opens its output (up to OnBeforePrint).
    void SetOrientation(TOrientation orientation) { m_orientation = orientation; }
    // The paper upright, in inches; an empty size (the default) is the printer's own.
    QSizeF Paper() const { return m_paper; }
    void SetPaper(const QSizeF& uprightInches) { m_paper = uprightInches; }
    // The user's page set-up: its paper, and its orientation unless that is
    // the default, which leaves the report's own.
    void ApplyPageSetup(const PageSetup& page);
    TLineHeightMethod LineHeightMethod = lhmFont;
    double LinesPerInch = 6;
    double ScaleX = 100, ScaleY = 100; // percent, on every length drawn
    QString Title;                     // the print job's name
    // Where the status goes (a window's label); unset, nothing shows it.
    std::function<void(const QString&)> StatusLabel;
    QString StatusFormat = QStringLiteral("Printing page %p");
    QStringList StatusText;
    // Pending window messages run through it at every page.
    UiServices* Ui = nullptr;

    // ---- events ----
    Event OnBeforePrint, OnPrintHeader, OnPrint, OnAfterPrint, OnNewPage, OnPrintFooter;
    // Used when OnPrint is unset: draws one page, true when another follows.
    std::function<bool(TBaseReport&)> OnPrintPage;

    // ---- job control ----
    // Selects the printer whose name matches exactly, else in part.
    bool ChoosePrinter(const QString& name);
    const QString& PrinterName() const { return m_printer; }
    virtual void Execute();
    void Abort() { m_aborted = true; }
    bool WasAborted() const { return m_aborted; }
    bool Printing() const { return m_printing; }
    int CurrentPage() const { return m_page; }

    // ---- page ----
    double PageWidth() const { return FromInchX(m_pageInches.width()); }
    double PageHeight() const { return FromInchY(m_pageInches.height()); }
    double AreaLeft() const { return MarginLeft(); }
    double AreaTop() const { return MarginTop(); }
    double AreaRight() const { return PageWidth() - MarginRight(); }
    double AreaBottom() const { return PageHeight() - MarginBottom(); }
    double CursorX() const { return m_cursorX; }
    double CursorY() const { return m_cursorY; }
    void SetCursorX(double x) { m_cursorX = x; }
    void SetCursorY(double y) { m_cursorY = y; }

    // ---- drawing ----
    void SelectFont(const QString& name, double size);
    void SetBold(bool on);
    void SetTextAngle(int degrees);
    void SelectPen(QColor color, Qt::PenStyle style, int width, PenMode mode);
    void SelectBrush(QColor color, Qt::BrushStyle style, const QImage* bitmap = nullptr);
    const report::ReportFont& CurrentFont() const { return m_font; }
    double MeasureText(const QString& text) const;
    double LineHeight() const;
    QRect MakeDeviceRect(double x1, double y1, double x2, double y2) const;
    void DrawTextClipped(const QRect& rect, double x, double y, const QString& text);
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void ResetToTop();
    // Writes text at the cursor, a tab moving to the next tab stop, then moves
    // the cursor to the start of the next line.
    void PrintLine(const QString& text);
    void SetTab(double position);
    void ClearTabs() { m_tabs.clear(); }
    void StartNewPage();

    // The status format expanded: %% %D %P %N %0..%9, letters case-blind.
    QString StatusString() const;
    // Shows the status and lets pending window messages run.
    void UpdateStatus();

protected:
    // What the surface does with the drawing; the job's frame is above.
    virtual PrinterMetrics DeviceMetrics() const;
    virtual QString StatusDeviceName() const { return m_printer; }
    virtual void DeviceBeginJob(const report::PageFormat& format) = 0;
    virtual void DeviceBeginPage(int page) = 0;
    virtual void DeviceEndPage() = 0;
    virtual void DeviceEndJob() = 0;
    // Called when a job fails: release the output without raising.
    virtual void DeviceAbandonJob() noexcept = 0;
    virtual void DeviceFont(const report::ReportFont& font) = 0;
    virtual void DevicePen(const report::ReportPen& pen) = 0;
    virtual void DeviceBrush(const report::ReportBrush& brush) = 0;
    virtual void DeviceText(double x, double y, const QString& text) = 0;
    virtual void DeviceTextClipped(const QRectF& clip, double x, double y, const QString& text) = 0;
    virtual void DeviceLine(double x1, double y1, double x2, double y2) = 0;

    void CheckPrinting() const;
    void CheckIdle() const;
    const report::PageFormat& Format() const { return m_format; }

private:
    void SetMargin(int which, double value);
    void PullCursorInside();
    double ToInchX(double v) const { return v / m_unitsFactor * ScaleX / 100.0; }
    double ToInchY(double v) const { return v / m_unitsFactor * ScaleY / 100.0; }
    double FromInchX(double v) const { return v * m_unitsFactor * 100.0 / ScaleX; }
    double FromInchY(double v) const { return v * m_unitsFactor * 100.0 / ScaleY; }
    const QFont& MeasureFont() const;
    void OpenPage(int page);
    void ClosePage();
    void SendState();

    TUnits m_units = unInch;
    double m_unitsFactor = 1.0;
    double m_margin[4] = {0, 0, 0, 0};
    double m_savedMargin[4] = {0, 0, 0, 0};
    TOrientation m_orientation = poDefault;
    QSizeF m_paper;
    QString m_printer;
    QSizeF m_pageInches{8.27, 11.69};
    report::PageFormat m_format;
    bool m_printing = false;
    bool m_pageOpen = false;
    bool m_aborted = false;
    int m_page = 0;
    double m_cursorX = 0, m_cursorY = 0;
    double m_penX = 0, m_penY = 0;
    std::vector<double> m_tabs;
    report::ReportFont m_font;
    report::ReportPen m_pen;
    report::ReportBrush m_brush;
    mutable std::optional<QFont> m_measureFont;
};

// Records every drawing call into a report file in the caller's stream.
class TReportFiler : public TBaseReport {
public:
    TStreamMode StreamMode = smUser;
    QIODevice* Stream = nullptr;

protected:
    void DeviceBeginJob(const report::PageFormat& format) override;
    void DeviceBeginPage(int page) override;
    void DeviceEndPage() override;
    void DeviceEndJob() override;
    void DeviceAbandonJob() noexcept override;
    void DeviceFont(const report::ReportFont& font) override { m_writer->Font(font); }
    void DevicePen(const report::ReportPen& pen) override { m_writer->Pen(pen); }
    void DeviceBrush(const report::ReportBrush& brush) override { m_writer->Brush(brush); }
    void DeviceText(double x, double y, const QString& text) override { m_writer->Text(x, y, text); }
    void DeviceTextClipped(const QRectF& clip, double x, double y, const QString& text) override {
        m_writer->TextClipped(clip, x, y, text);
    }
    void DeviceLine(double x1, double y1, double x2, double y2) override { m_writer->Line(x1, y1, x2, y2); }

private:
    std::unique_ptr<report::ReportFileWriter> m_writer;
};

// Draws straight onto a painter's device through the report canvas.
class TCanvasReport : public TBaseReport {
protected:
    // The device of the job; set by the subclass when the job begins.
    void AttachDevice(std::unique_ptr<ReportDevice> device);
    ReportDevice* Device() const { return m_device.get(); }
    void DeviceBeginPage(int page) override;
    void DeviceEndPage() override {}
    void DeviceEndJob() override;
    void DeviceAbandonJob() noexcept override;
    void DeviceFont(const report::ReportFont& font) override { m_canvas->SetFont(font); }
    void DevicePen(const report::ReportPen& pen) override { m_canvas->SetPen(pen); }
    void DeviceBrush(const report::ReportBrush& brush) override { m_canvas->SetBrush(brush); }
    void DeviceText(double x, double y, const QString& text) override { m_canvas->Text(x, y, text); }
    void DeviceTextClipped(const QRectF& clip, double x, double y, const QString& text) override {
        m_canvas->TextClipped(clip, x, y, text);
    }
    void DeviceLine(double x1, double y1, double x2, double y2) override { m_canvas->Line(x1, y1, x2, y2); }

private:
    std::unique_ptr<ReportDevice> m_device;
    std::unique_ptr<report::ReportCanvas> m_canvas;
    bool m_firstPage = true;
};

// Draws directly on the chosen printer (the PDF printer writes PdfFileName).
class TReportPrinter : public TCanvasReport {
public:
    QString PdfFileName;

protected:
    void DeviceBeginJob(const report::PageFormat& format) override;
};

// Replays a report file on the chosen printer.
class TFilePrinter : public TCanvasReport {
public:
    TStreamMode StreamMode = smUser;
    QIODevice* Stream = nullptr;
    // The file the PDF printer writes; asked of the user when empty.
    QString PdfFileName;

    // Prints the whole report file.
    void Execute() override;
    // Prints pages first to last, copies times, as one job unless a batch is open.
    void PrintRange(int first, int last, int copies);
    // Between these, every PrintRange adds its pages to one job (one PDF file).
    void BeginBatch();
    void EndBatch();
    int RangesPrinted() const { return m_rangesPrinted; }

protected:
    void DeviceBeginJob(const report::PageFormat&) override {}
    // Opens the report file and follows its pages' links.
    void OpenFile();
    std::vector<report::PageLink> m_pages;
    std::unique_ptr<report::ReportFileReader> m_reader;
    QIODevice* m_readerStream = nullptr;

private:
    bool PreparePdfFile();
    void OpenJob();
    void FinishJob();

    std::unique_ptr<ReportDevice> m_job;
    bool m_batch = false;
    bool m_jobHasPage = false;
    int m_rangesPrinted = 0;
};

// The scroll box a preview shows its page in.
class PreviewView {
public:
    virtual ~PreviewView() = default;
    virtual QSize ViewportSize() const = 0;
    virtual void ShowImage(const QImage& page) = 0;
};

// Replays a report file one page at a time into a view on screen.
class TFilePreview : public TFilePrinter {
public:
    PreviewView* ScrollBox = nullptr;
    int ZoomInc = 10;
    int PageInc = 1;
    double MarginPercent = 2.0; // of the page's width, around it, scaled with the zoom
    int ShadowDepth = 0;
    QColor Background{0x80, 0x80, 0x80}; // round the paper, as the scroll box's own
    std::function<void()> OnPageChange;
    static constexpr double ScreenDpi = 96;

    // Reads the file and shows page 1; nothing while the preview is open.
    void OpenPreview();
    void ClosePreview();
    bool IsOpen() const { return m_open; }
    void ShowPage(int page);
    void ShowNextPage();
    void ShowPriorPage();
    int ShownPage() const { return m_shown; }
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    double ZoomFactor() const { return m_zoom; }
    void SetZoomFactor(double zoom);
    double FitWidthZoom() const;
    double FitPageZoom() const;
    // The page as shown: the paper at the zoom inside its margin.
    QImage RenderPage(int page) const;
    // Where the paper lies in the shown image.
    QRect PaperRect() const;

protected:
    QString StatusDeviceName() const override { return QStringLiteral("Preview"); }

private:
    void Redraw();

    bool m_open = false;
    int m_shown = 0;
    qint64 m_shownPos = 0;
    double m_zoom = 100;
};

} // namespace ekaldo
