#pragma once

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QIODevice;
class QPainter;

namespace ekaldo::report {

// The report file: our own record format. A file header, then the pages, each
// opened by a page record that holds the stream positions of the previous and
// the next page (0 where there is none) and its number, then its drawing
// records; an end record closes the file. Every length is in inches, so a
// file replays the same on any device.
//
// Record: one code byte, then its fields, little-endian. Strings are a 32-bit
// count of UTF-16 units followed by the units.
enum class RecordCode : quint8 {
    Page = 0x01,
    Font = 0x02,
    Pen = 0x03,
    Brush = 0x04,
    Text = 0x05,
    TextClipped = 0x06,
    Line = 0x07,
    End = 0x7F,
};

inline constexpr char FileMagic[8] = {'E', 'K', 'R', 'E', 'P', 'O', 'R', 'T'};
inline constexpr quint32 FileVersion = 1;

// The page every page of the file has, in inches, as oriented.
struct PageFormat {
    QSizeF size{8.27, 11.69};
    bool landscape = false;
    double dpiX = 300, dpiY = 300; // of the device the file was measured on
    QString title;
};

struct ReportFont {
    QString name = QStringLiteral("Arial");
    double size = 10; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int angle = 0; // degrees, counter-clockwise, 0 to 359
    bool operator==(const ReportFont&) const = default;
};

enum class PenMode : quint8 { Copy, Not, Xor, MergePen };

struct ReportPen {
    QRgb color = 0xFF000000;
    quint8 style = 1; // Qt::PenStyle
    double width = 0; // inches; 0 the thinnest line the device draws
    PenMode mode = PenMode::Copy;
    bool operator==(const ReportPen&) const = default;
};

struct ReportBrush {
    QRgb color = 0xFFFFFFFF;
    quint8 style = 1; // Qt::BrushStyle; Qt::NoBrush is the clear style
    bool operator==(const ReportBrush&) const = default;
};

// Paints the records of a page on a painter whose device has the given
// resolution: the preview's image, a printer page, a PDF page. The one place
// where a report turns into pixels.
class ReportCanvas {
public:
    ReportCanvas(QPainter& painter, double dpiX, double dpiY);

    void SetFont(const ReportFont& font);
    void SetPen(const ReportPen& pen);
    void SetBrush(const ReportBrush& brush);
    void Text(double x, double y, const QString& text);
    void TextClipped(const QRectF& clip, double x, double y, const QString& text);
    void Line(double x1, double y1, double x2, double y2);

private:
    QPointF Device(double x, double y) const { return {x * m_dpiX, y * m_dpiY}; }
    void DrawText(double x, double y, const QString& text);

    QPainter& m_painter;
    double m_dpiX, m_dpiY;
    ReportFont m_font;
    ReportPen m_pen;
    ReportBrush m_brush;
};

// Writes a report file into a seekable stream, from its current position.
class ReportFileWriter {
public:
    explicit ReportFileWriter(QIODevice& device);

    void BeginFile(const PageFormat& format);
    // Opens page number; links the page before it to this one.
    void BeginPage(int number);
    void Font(const ReportFont& font);
    void Pen(const ReportPen& pen);
    void Brush(const ReportBrush& brush);
    void Text(double x, double y, const QString& text);
    void TextClipped(const QRectF& clip, double x, double y, const QString& text);
    void Line(double x1, double y1, double x2, double y2);
    void EndFile();

    int PageCount() const { return m_pages; }
    // Writes what is buffered; false when the stream refused it.
    bool Flush();

    // A record of the given code with raw fields, for tests of readers.
    void RawRecord(quint8 code, const QByteArray& fields);

private:
    void Code(RecordCode code) { m_buffer.append(static_cast<char>(code)); }
    void Real(double value);
    void Int32(qint32 value);
    void Int64(qint64 value);
    void String(const QString& text);
    qint64 Position() const { return m_flushed + m_buffer.size(); }

    QIODevice& m_device;
    QByteArray m_buffer;
    qint64 m_start = 0;
    qint64 m_flushed = 0;  // stream position of the buffer's first byte
    qint64 m_lastPage = 0; // position of the last page record, 0 before the first
    int m_pages = 0;
};

struct PageLink {
    qint64 position = 0; // of the page record
    qint64 previous = 0, next = 0;
    int number = 0;
};

// Reads a report file from a stream: its format, its pages by their links,
// and the drawing records of one page onto a canvas.
class ReportFileReader {
public:
    explicit ReportFileReader(QIODevice& device);

    // Reads the header at the stream's start; throws ReportError on a file
    // that is not a report.
    void Open();
    const PageFormat& Format() const { return m_format; }
    qint64 FirstPage() const { return m_firstPage; }
    // The page record at a position; throws on anything else.
    PageLink PageAt(qint64 position);
    // Replays the drawing records of the page at position onto the canvas.
    void Replay(qint64 position, ReportCanvas& canvas);

private:
    QIODevice& m_device;
    PageFormat m_format;
    qint64 m_start = 0;
    qint64 m_firstPage = 0;
};

} // namespace ekaldo::report
