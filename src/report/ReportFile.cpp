#include "report/ReportFile.h"

#include "report/ReportError.h"

#include <QFont>
#include <QIODevice>
#include <QPainter>
#include <QtEndian>

#include <cstring>

namespace ekaldo {

QString ReportTexts::InvalidPrinter(const QString& name, const QString& port, const QString& driver) {
    return QStringLiteral("Invalid Printer - ") + name + QStringLiteral(" on ") + port +
           QStringLiteral(" (") + driver + QLatin1Char(')');
}

namespace report {
namespace {

// Offsets of the link fields inside a page record.
constexpr qint64 PreviousOffset = 1;
constexpr qint64 NextOffset = 9;
constexpr qint64 PageRecordSize = 21;

[[noreturn]] void Unexpected() {
    throw ReportError(ReportTexts::UnexpectedCode);
}

QFont MakeFont(const ReportFont& style) {
    QFont font(style.name);
    font.setPointSizeF(style.size > 0 ? style.size : 1);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    // Unhinted outlines scale straight with the resolution, so a text measured
    // for the printer takes the same room on the preview's screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Reads the fields of one page's records out of its bytes.
class FieldReader {
public:
    FieldReader(const char* data, qsizetype size) : m_data(data), m_size(size) {}

    bool AtEnd() const { return m_pos >= m_size; }
    quint8 Byte() {
        Need(1);
        return static_cast<quint8>(m_data[m_pos++]);
    }
    qint32 Int32() {
        Need(4);
        const qint32 v = qFromLittleEndian<qint32>(m_data + m_pos);
        m_pos += 4;
        return v;
    }
    qint64 Int64() {
        Need(8);
        const qint64 v = qFromLittleEndian<qint64>(m_data + m_pos);
        m_pos += 8;
        return v;
    }
    double Real() {
        const qint64 bits = Int64();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    QString String() {
        const qint32 count = Int32();
        if (count < 0 || count > (m_size - m_pos) / 2)
            Unexpected();
        QString text(count, Qt::Uninitialized);
        for (qint32 i = 0; i < count; ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(m_data + m_pos + 2 * i));
        m_pos += 2 * qsizetype(count);
        return text;
    }

private:
    void Need(qsizetype n) {
        if (m_size - m_pos < n)
            Unexpected();
    }
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

ReportFont ReadFont(FieldReader& in) {
    ReportFont f;
    f.name = in.String();
    f.size = in.Real();
    const quint8 style = in.Byte();
    f.bold = style & 1;
    f.italic = style & 2;
    f.underline = style & 4;
    f.angle = in.Int32();
    return f;
}

} // namespace

// ---- ReportCanvas ----

ReportCanvas::ReportCanvas(QPainter& painter, double dpiX, double dpiY)
    : m_painter(painter), m_dpiX(dpiX), m_dpiY(dpiY) {
    SetFont(m_font);
    SetPen(m_pen);
    SetBrush(m_brush);
}

void ReportCanvas::SetFont(const ReportFont& font) {
    m_font = font;
    m_painter.setFont(MakeFont(font));
}

void ReportCanvas::SetPen(const ReportPen& pen) {
    m_pen = pen;
    const double pixels = pen.width * m_dpiX;
    QPen qpen(QColor::fromRgba(pen.color), pixels < 1.0 ? 0.0 : pixels, static_cast<Qt::PenStyle>(pen.style),
              Qt::SquareCap, Qt::MiterJoin);
    m_painter.setPen(qpen);
    m_painter.setCompositionMode(pen.mode == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                          : QPainter::CompositionMode_SourceOver);
}

void ReportCanvas::SetBrush(const ReportBrush& brush) {
    m_brush = brush;
}

void ReportCanvas::DrawText(double x, double y, const QString& text) {
    const QPointF at = Device(x, y);
    if (m_font.angle == 0) {
        m_painter.drawText(at, text);
        return;
    }
    m_painter.save();
    m_painter.translate(at);
    m_painter.rotate(-m_font.angle);
    m_painter.drawText(QPointF(0, 0), text);
    m_painter.restore();
}

void ReportCanvas::Text(double x, double y, const QString& text) {
    DrawText(x, y, text);
}

void ReportCanvas::TextClipped(const QRectF& clip, double x, double y, const QString& text) {
    const QRectF device(Device(clip.left(), clip.top()), Device(clip.right(), clip.bottom()));
    if (m_brush.style != Qt::NoBrush)
        m_painter.fillRect(
            device, QBrush(QColor::fromRgba(m_brush.color), static_cast<Qt::BrushStyle>(m_brush.style)));
    m_painter.save();
    m_painter.setClipRect(device, Qt::IntersectClip);
    DrawText(x, y, text);
    m_painter.restore();
}

void ReportCanvas::Line(double x1, double y1, double x2, double y2) {
    m_painter.drawLine(Device(x1, y1), Device(x2, y2));
}

// ---- ReportFileWriter ----

ReportFileWriter::ReportFileWriter(QIODevice& device) : m_device(device) {}

void ReportFileWriter::Real(double value) {
    qint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    Int64(bits);
}

void ReportFileWriter::Int32(qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    m_buffer.append(bytes, 4);
}

void ReportFileWriter::Int64(qint64 value) {
    char bytes[8];
    qToLittleEndian(value, bytes);
    m_buffer.append(bytes, 8);
}

void ReportFileWriter::String(const QString& text) {
    Int32(static_cast<qint32>(text.size()));
    const qsizetype at = m_buffer.size();
    m_buffer.resize(at + 2 * text.size());
    char* out = m_buffer.data() + at;
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian(text.at(i).unicode(), out + 2 * i);
}

void ReportFileWriter::BeginFile(const PageFormat& format) {
    m_start = m_device.pos();
    m_flushed = m_start;
    m_buffer.clear();
    m_lastPage = 0;
    m_pages = 0;
    m_buffer.append(FileMagic, sizeof FileMagic);
    Int32(static_cast<qint32>(FileVersion));
    Real(format.size.width());
    Real(format.size.height());
    m_buffer.append(static_cast<char>(format.landscape ? 1 : 0));
    Real(format.dpiX);
    Real(format.dpiY);
    String(format.title);
}

void ReportFileWriter::BeginPage(int number) {
    const qint64 here = Position();
    if (m_lastPage != 0) {
        // The page before learns where this one begins: in the buffer when it
        // is still there, else in the stream itself.
        char bytes[8];
        qToLittleEndian<qint64>(here - m_start, bytes);
        const qint64 field = m_lastPage + NextOffset;
        if (field >= m_flushed) {
            std::memcpy(m_buffer.data() + (field - m_flushed), bytes, 8);
        } else {
            if (!m_device.seek(field) || m_device.write(bytes, 8) != 8 || !m_device.seek(m_flushed))
                throw ReportError(ReportTexts::StreamInit.arg(QStringLiteral("report")));
        }
    }
    Code(RecordCode::Page);
    Int64(m_lastPage == 0 ? 0 : m_lastPage - m_start);
    Int64(0);
    Int32(number);
    m_lastPage = here;
    ++m_pages;
    // Pages are flushed whole: a page's bytes never straddle two writes
    // but the last, and the buffer stays small on long reports.
    if (m_buffer.size() > (1 << 20) && !Flush())
        throw ReportError(ReportTexts::StreamInit.arg(QStringLiteral("report")));
}

void ReportFileWriter::Font(const ReportFont& font) {
    Code(RecordCode::Font);
    String(font.name);
    Real(font.size);
    m_buffer.append(
        static_cast<char>((font.bold ? 1 : 0) | (font.italic ? 2 : 0) | (font.underline ? 4 : 0)));
    Int32(font.angle);
}

void ReportFileWriter::Pen(const ReportPen& pen) {
    Code(RecordCode::Pen);
    Int32(static_cast<qint32>(pen.color));
    m_buffer.append(static_cast<char>(pen.style));
    Real(pen.width);
    m_buffer.append(static_cast<char>(pen.mode));
}

void ReportFileWriter::Brush(const ReportBrush& brush) {
    Code(RecordCode::Brush);
    Int32(static_cast<qint32>(brush.color));
    m_buffer.append(static_cast<char>(brush.style));
}

void ReportFileWriter::Text(double x, double y, const QString& text) {
    Code(RecordCode::Text);
    Real(x);
    Real(y);
    String(text);
}

void ReportFileWriter::TextClipped(const QRectF& clip, double x, double y, const QString& text) {
    Code(RecordCode::TextClipped);
    Real(clip.left());
    Real(clip.top());
    Real(clip.right());
    Real(clip.bottom());
    Real(x);
    Real(y);
    String(text);
}

void ReportFileWriter::Line(double x1, double y1, double x2, double y2) {
    Code(RecordCode::Line);
    Real(x1);
    Real(y1);
    Real(x2);
    Real(y2);
}

void ReportFileWriter::RawRecord(quint8 code, const QByteArray& fields) {
    m_buffer.append(static_cast<char>(code));
    m_buffer.append(fields);
}

void ReportFileWriter::EndFile() {
    Code(RecordCode::End);
    Int32(m_pages);
    if (!Flush())
        throw ReportError(ReportTexts::StreamInit.arg(QStringLiteral("report")));
}

bool ReportFileWriter::Flush() {
    if (m_buffer.isEmpty())
        return true;
    if (m_device.pos() != m_flushed && !m_device.seek(m_flushed))
        return false;
    const bool ok = m_device.write(m_buffer) == m_buffer.size();
    m_flushed += m_buffer.size();
    m_buffer.clear();
    return ok;
}

// ---- ReportFileReader ----

ReportFileReader::ReportFileReader(QIODevice& device) : m_device(device) {}

void ReportFileReader::Open() {
    m_start = 0;
    if (!m_device.isOpen() || m_device.isSequential() || !m_device.seek(m_start))
        throw ReportError(ReportTexts::StreamInit.arg(QStringLiteral("report")));
    const QByteArray head = m_device.read(4096);
    if (head.size() < qsizetype(sizeof FileMagic) ||
        std::memcmp(head.constData(), FileMagic, sizeof FileMagic) != 0)
        Unexpected();
    FieldReader in(head.constData() + sizeof FileMagic, head.size() - qsizetype(sizeof FileMagic));
    if (static_cast<quint32>(in.Int32()) != FileVersion)
        Unexpected();
    m_format.size.setWidth(in.Real());
    m_format.size.setHeight(in.Real());
    m_format.landscape = in.Byte() != 0;
    m_format.dpiX = in.Real();
    m_format.dpiY = in.Real();
    m_format.title = in.String();
    if (!(m_format.size.width() > 0) || !(m_format.size.height() > 0) || !(m_format.dpiX > 0) ||
        !(m_format.dpiY > 0))
        Unexpected();
    // The header's length: magic, version, two sizes, orientation, two resolutions, title.
    m_firstPage = m_start + qsizetype(sizeof FileMagic) + 4 + 16 + 1 + 16 + 4 + 2 * m_format.title.size();
}

PageLink ReportFileReader::PageAt(qint64 position) {
    if (position <= 0 || !m_device.seek(m_start + position))
        Unexpected();
    const QByteArray bytes = m_device.read(PageRecordSize);
    FieldReader in(bytes.constData(), bytes.size());
    if (in.Byte() != quint8(RecordCode::Page))
        Unexpected();
    PageLink link;
    link.position = position;
    link.previous = in.Int64();
    link.next = in.Int64();
    link.number = in.Int32();
    return link;
}

void ReportFileReader::Replay(qint64 position, ReportCanvas& canvas) {
    const PageLink link = PageAt(position);
    const qint64 body = position + PageRecordSize;
    // A page ends where the next begins; the last one at the end record.
    const qint64 length = link.next > 0 ? link.next - body : m_device.size() - m_start - body;
    if (length < 0 || !m_device.seek(m_start + body))
        Unexpected();
    const QByteArray bytes = m_device.read(length);
    FieldReader in(bytes.constData(), bytes.size());
    while (!in.AtEnd()) {
        switch (static_cast<RecordCode>(in.Byte())) {
        case RecordCode::Font:
            canvas.SetFont(ReadFont(in));
            break;
        case RecordCode::Pen: {
            ReportPen p;
            p.color = static_cast<QRgb>(in.Int32());
            p.style = in.Byte();
            p.width = in.Real();
            p.mode = static_cast<PenMode>(in.Byte());
            canvas.SetPen(p);
            break;
        }
        case RecordCode::Brush: {
            ReportBrush b;
            b.color = static_cast<QRgb>(in.Int32());
            b.style = in.Byte();
            canvas.SetBrush(b);
            break;
        }
        case RecordCode::Text: {
            const double x = in.Real();
            const double y = in.Real();
            canvas.Text(x, y, in.String());
            break;
        }
        case RecordCode::TextClipped: {
            const double l = in.Real(), t = in.Real(), r = in.Real(), b = in.Real();
            const double x = in.Real(), y = in.Real();
            canvas.TextClipped(QRectF(QPointF(l, t), QPointF(r, b)), x, y, in.String());
            break;
        }
        case RecordCode::Line: {
            const double x1 = in.Real(), y1 = in.Real(), x2 = in.Real(), y2 = in.Real();
            canvas.Line(x1, y1, x2, y2);
            break;
        }
        case RecordCode::End:
            return;
        default:
            Unexpected();
        }
    }
}

} // namespace report
} // namespace ekaldo
