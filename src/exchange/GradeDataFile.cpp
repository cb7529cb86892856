#include "exchange/GradeDataFile.h"

#include "exchange/GradeSheet.h"
#include "platform/CodePage1253.h"
#include "platform/FileErrors.h"
#include "platform/LineReader.h"
#include "platform/ProfileFile.h"
#include "platform/RegionalFormats.h"
#include "platform/UiServices.h"

#include <QFile>

namespace ekaldo {
namespace {

const QString kHeader = QStringLiteral("Header");
const QString kCheckName = QStringLiteral("Ελέγξτε την ονομασία του Αρχείου!");

// A tab or a line break inside a cell or a header value would break the line
// structure of the file: such characters travel as blanks.
QString Flattened(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}

class ByteWriter {
public:
    void Line(const QString& text) {
        Append(text);
        m_bytes.append("\r\n");
    }
    void Append(const QString& text) {
        if (const auto bad = CodePage1253::EncodeInto(text, m_bytes)) {
            throw EncodingError(NotEncodableMessage(text, *bad), text[*bad]);
        }
    }
    void Raw(char c) { m_bytes.append(c); }
    QByteArray& Bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

void WriteRow(ByteWriter& out, const GradeSheet& grid, int row) {
    const int cols = grid.ColCount();
    for (int c = 0; c < cols; ++c) {
        const QString& cell = grid.Cell(row, c);
        const bool plain = !cell.contains(QLatin1Char('\t')) && !cell.contains(QLatin1Char('\r')) &&
                           !cell.contains(QLatin1Char('\n'));
        out.Append(plain ? cell : Flattened(cell));
        if (c + 1 < cols)
            out.Raw('\t');
    }
    out.Bytes().append("\r\n");
}

} // namespace

GradeHeader ReadGradeHeader(const QString& path) {
    const ProfileFile::Section header = ProfileFile::ReadSection(path, kHeader);
    GradeHeader h;
    h.File = header.Value(QStringLiteral("File"));
    h.Version = header.Value(QStringLiteral("Version"));
    h.Copyright = header.Value(QStringLiteral("Copyright"));
    h.FileName = header.Value(QStringLiteral("FileName"));
    h.FileID = header.Value(QStringLiteral("FileID"));
    h.Created = header.Value(QStringLiteral("Created"));
    h.Exported = header.Value(QStringLiteral("Exported"));
    h.Modified = header.Value(QStringLiteral("Modified"));
    h.Imported = header.Value(QStringLiteral("Imported"));
    h.Posted = header.Value(QStringLiteral("Posted"));
    h.SchoolYear = header.Value(QStringLiteral("SchoolYear"));
    return h;
}

void ReadGradeFileHeader(AppState& state, const QString& path) { state.GradeFileHeader = ReadGradeHeader(path); }

void WriteGradeFileHeaderKey(const QString& path, const QString& key, const QString& value) {
    ProfileFile::WriteString(path, kHeader, key, value);
}

bool WriteGradeDataFile(const AppState& state, UiServices& ui, const GradeSheet& grid,
                        const QString& schoolYear) {
    const QString& path = state.CurrentFilePath;
    ByteWriter out;
    try {
        out.Bytes().reserve(64 * 1024);
        out.Line(QStringLiteral("[Header]"));
        out.Line(QStringLiteral("File=") + GradeFileKeys::FileType);
        out.Line(QStringLiteral("Version=") + GradeFileKeys::Version);
        out.Line(QStringLiteral("Copyright=") + Program::CopyrightNotice);
        out.Line(QStringLiteral("FileName=") + Flattened(state.CurrentFileName));
        out.Line(QStringLiteral("FileID=") + RegionalFormats::ShortestNumberText(RegionalFormats::DayCount(ui.Now())));
        out.Line(QStringLiteral("Created=") + RegionalFormats::DateTimeText(ui.Now()));
        out.Line(QStringLiteral("Exported="));
        out.Line(QStringLiteral("Modified="));
        out.Line(QStringLiteral("Imported="));
        out.Line(QStringLiteral("Posted="));
        out.Line(QStringLiteral("SchoolYear=") + Flattened(schoolYear));
        out.Line(QStringLiteral("[Data]"));
        WriteRow(out, grid, 0);
        for (int row = 1; row < grid.RowCount(); ++row) {
            if (!grid.Cell(row, 0).isEmpty())
                WriteRow(out, grid, row);
        }
        ReplaceFileAtomically(path, out.Bytes());
    } catch (const EncodingError& e) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) + QLatin1Char('\n') +
                 e.Message());
        return false;
    } catch (const FileError&) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) + QLatin1Char('\n') + kCheckName);
        return false;
    }
    ui.Information(QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + path + QStringLiteral("\" ολοκληρώθηκε!"));
    return true;
}

bool ReadGradeDataRows(const QString& path, UiServices& ui, GradeSheet& grid, ProgressSink* progress) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")) + QLatin1Char('\n') + kCheckName);
        return false;
    }
    LineReader reader(file);
    QByteArrayView line;
    while (reader.Next(line)) {
        if (line.indexOf(QByteArrayView("[Data]")) >= 0)
            break;
    }
    int row = -1;
    int linesRead = 0;
    while (reader.Next(line)) {
        ++row;
        if (row >= grid.RowCount())
            grid.SetRowCount(row + 1);
        int col = 0;
        qsizetype start = 0;
        for (;;) {
            const qsizetype tab = line.indexOf('\t', start);
            const qsizetype end = tab < 0 ? line.size() : tab;
            if (col >= grid.ColCount())
                grid.SetColCount(col + 1);
            grid.SetCell(row, col, CodePage1253::Decode(line.data() + start, end - start));
            if (tab < 0)
                break;
            start = tab + 1;
            ++col;
        }
        if (progress && progress->Maximum() > 0)
            progress->SetPosition(grid.RowCount() % progress->Maximum());
        if (++linesRead % 10 == 0)
            ui.ProcessEvents();
    }
    if (progress)
        progress->SetPosition(0);
    return true;
}

} // namespace ekaldo
