#include "core/exchange/GradeDataFile.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/ForeignText.h"
#include "base/LineReader.h"
#include "base/ProfileFile.h"
#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "core/exchange/GradeSheet.h"

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
    void Append(QStringView text) {
        if (const auto bad = CodePage1253::EncodeInto(text, m_bytes)) {
            throw EncodingError(NotEncodableMessage(text, *bad), text[*bad]);
        }
    }
    QByteArray& Bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

void WriteRow(ByteWriter& out, const GradeSheet& grid, int row) {
    QByteArray& bytes = out.Bytes();
    const int cols = grid.ColCount();
    const int stored = grid.StoredCells(row);
    {
        // The usual row: its stored text is the line already, tabs between the cells.
        const qsizetype from = bytes.size();
        const QStringView text = grid.RowText(row);
        const bool encoded = !CodePage1253::EncodeInto(text, bytes).has_value();
        const QByteArrayView line = QByteArrayView(bytes).sliced(from);
        if (encoded && line.count('\t') == std::max(stored - 1, 0) && !line.contains('\r') &&
            !line.contains('\n')) {
            for (int c = std::max(stored, 1); c < cols; ++c)
                bytes.append('\t');
            bytes.append("\r\n");
            return;
        }
        bytes.truncate(from);
    }
    for (int c = 0; c < cols; ++c) {
        const QStringView cell = grid.CellView(row, c);
        const qsizetype from = bytes.size();
        if (const auto bad = CodePage1253::EncodeInto(cell, bytes))
            throw EncodingError(NotEncodableMessage(cell, *bad), cell[*bad]);
        for (qsizetype i = from; i < bytes.size(); ++i) {
            char& b = bytes[i];
            if (b == '\t' || b == '\r' || b == '\n')
                b = ' ';
        }
        if (c + 1 < cols)
            bytes.append('\t');
    }
    bytes.append("\r\n");
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

std::optional<QString> GradeFileTextProblem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxGradeFileBytes)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (const std::optional<QString> text = DecodeForeignText(bytes)) {
        QByteArray encoded;
        if (const auto bad = CodePage1253::EncodeInto(*text, encoded)) {
            const bool pair = text->at(*bad).isHighSurrogate() && *bad + 1 < text->size();
            const QString c = text->mid(*bad, pair ? 2 : 1);
            const char32_t point = pair ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
            const QString code = QStringLiteral("%1").arg(quint32(point), 4, 16, QLatin1Char('0')).toUpper();
            return FileMessage(
                path, QStringLiteral(" είναι γραμμένο σε Unicode και στη γραμμή %1 έχει τον χαρακτήρα "
                                     "\"%2\" (U+%3), που δεν υπάρχει στην ελληνική κωδικοσελίδα "
                                     "Windows-1253: διορθώστε τον και αποθηκεύστε το ξανά.")
                          .arg(text->left(*bad).count(QLatin1Char('\n')) + 1)
                          .arg(c, code));
        }
    }
    if (bytes.contains('\r') && !bytes.contains('\n'))
        return FileMessage(
            path, QStringLiteral(" έχει γραμμές που τελειώνουν μόνο σε CR (μορφή παλαιού Mac) και δεν "
                                 "διαβάζεται: αποθηκεύστε το ξανά με αλλαγές γραμμής Windows (CR LF)."));
    return std::nullopt;
}

void ReadGradeFileHeader(DocumentInHand& document, const QString& path) {
    document.GradeFileHeader = ReadGradeHeader(path);
}

void WriteGradeFileHeaderKey(const QString& path, const QString& key, const QString& value) {
    ProfileFile::WriteString(path, kHeader, key, value);
}

QByteArray GradeDataFileBytes(const GradeHeader& h, const GradeSheet& grid) {
    ByteWriter out;
    // Room for the usual sheet at once: a grade cell is a few bytes, a name a few dozen.
    out.Bytes().reserve(1024 + qsizetype(grid.RowCount()) * (grid.ColCount() * 6 + 64));
    out.Line(QStringLiteral("[Header]"));
    out.Line(QStringLiteral("File=") + Flattened(h.File));
    out.Line(QStringLiteral("Version=") + Flattened(h.Version));
    out.Line(QStringLiteral("Copyright=") + Flattened(h.Copyright));
    out.Line(QStringLiteral("FileName=") + Flattened(h.FileName));
    out.Line(QStringLiteral("FileID=") + Flattened(h.FileID));
    out.Line(QStringLiteral("Created=") + Flattened(h.Created));
    out.Line(QStringLiteral("Exported=") + Flattened(h.Exported));
    out.Line(QStringLiteral("Modified=") + Flattened(h.Modified));
    out.Line(QStringLiteral("Imported=") + Flattened(h.Imported));
    out.Line(QStringLiteral("Posted=") + Flattened(h.Posted));
    out.Line(QStringLiteral("SchoolYear=") + Flattened(h.SchoolYear));
    out.Line(QStringLiteral("[Data]"));
    WriteRow(out, grid, 0);
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!grid.Cell(row, 0).isEmpty())
            WriteRow(out, grid, row);
    }
    return std::move(out.Bytes());
}

bool WriteGradeDataFile(const QString& path, const QString& fileName, const GradeSheet& grid,
                        const QString& schoolYear, UiServices& ui) {
    try {
        GradeHeader header;
        header.File = GradeFileKeys::FileType;
        header.Version = GradeFileKeys::Version;
        header.Copyright = Program::CopyrightNotice;
        header.FileName = fileName;
        // Two reads of the clock, as the file has always had them.
        header.FileID = RegionalFormats::ShortestNumberText(RegionalFormats::DayCount(ui.Now()));
        header.Created = RegionalFormats::DateTimeText(ui.Now());
        header.SchoolYear = schoolYear;
        ReplaceFileAtomically(path, GradeDataFileBytes(header, grid));
    } catch (const EncodingError& e) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) + QLatin1Char('\n') +
                 e.Message());
        return false;
    } catch (const FileWriteError& e) {
        // The name was fine: the bytes did not fit.
        ui.Error(e.Message());
        return false;
    } catch (const FileError&) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) + QLatin1Char('\n') +
                 kCheckName);
        return false;
    }
    ui.Information(QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + path + QStringLiteral("\" ολοκληρώθηκε!"));
    return true;
}

namespace {

// Puts one data line into row of the grid: the fields split at every tab,
// the cells kept in the line's own text when the row held nothing more.
void PutDataLine(GradeSheet& grid, int row, QString text, std::vector<qsizetype> starts) {
    if (row >= grid.RowCount())
        grid.SetRowCount(row + 1);
    const int fields = static_cast<int>(starts.size());
    if (fields > grid.ColCount())
        grid.SetColCount(fields);
    if (grid.StoredCells(row) <= fields) {
        grid.SetRowText(row, std::move(text), std::move(starts));
        return;
    }
    // The caller's grid already holds more in this row: set only the fields the line has.
    for (int k = 0; k < fields; ++k) {
        const qsizetype end = k + 1 < fields ? starts[k + 1] - 1 : text.size();
        grid.SetCell(row, k, QStringView(text).sliced(starts[k], end - starts[k]));
    }
}

template <typename Line> std::vector<qsizetype> TabStarts(const Line& line) {
    std::vector<qsizetype> starts{0};
    for (qsizetype tab = line.indexOf('\t'); tab >= 0; tab = line.indexOf('\t', tab + 1))
        starts.push_back(tab + 1);
    return starts;
}

} // namespace

bool ReadGradeDataRows(const QString& path, UiServices& ui, GradeSheet& grid, ProgressSink* progress) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")) + QLatin1Char('\n') +
                 kCheckName);
        return false;
    }
    // A sheet of a whole school is a few megabytes; anything near this size is
    // not a grade sheet, and reading it would only fill the memory.
    if (file.size() > kMaxGradeFileBytes) {
        ui.Error(FileMessage(path, QStringLiteral(" είναι πολύ μεγάλο (%1 MB) για φύλλο βαθμολογίας· "
                                                  "διαβάζονται αρχεία έως %2 MB.")
                                       .arg(file.size() / (1024 * 1024))
                                       .arg(kMaxGradeFileBytes / (1024 * 1024))));
        return false;
    }
    const auto noData = [&] {
        ui.Error(FileMessage(path, QStringLiteral(" δεν έχει ενότητα δεδομένων [Data]: δεν είναι φύλλο "
                                                  "βαθμολογίας ή έχει αλλοιωθεί.")));
        return false;
    };
    int row = -1;
    auto afterLine = [&] {
        if (progress && progress->Maximum() > 0)
            progress->SetPosition(grid.RowCount() % progress->Maximum());
        if ((row + 1) % 10 == 0)
            ui.ProcessEvents();
    };
    if (DetectEncoding(file.peek(3)) != TextEncoding::CodePage1253) {
        // Saved by a spreadsheet or an editor in its own encoding: read the text it holds.
        const QString text = DecodeForeignText(file.readAll()).value_or(QString());
        QStringList lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        qsizetype at = 0;
        while (at < lines.size() && !lines[at].contains(QStringLiteral("[Data]")))
            ++at;
        if (at == lines.size())
            return noData();
        for (++at; at < lines.size(); ++at) {
            QString line = lines[at];
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            ++row;
            auto starts = TabStarts(line);
            PutDataLine(grid, row, std::move(line), std::move(starts));
            afterLine();
        }
    } else {
        LineReader reader(file);
        QByteArrayView line;
        bool data = false;
        while (!data && reader.Next(line))
            data = line.indexOf(QByteArrayView("[Data]")) >= 0;
        if (!data)
            return noData();
        while (reader.Next(line)) {
            ++row;
            // One byte is one character in this code page, so the tabs of the
            // bytes mark the cells of the decoded line.
            auto starts = TabStarts(line);
            PutDataLine(grid, row, CodePage1253::Decode(line.data(), line.size()), std::move(starts));
            afterLine();
        }
    }
    if (progress)
        progress->SetPosition(0);
    return true;
}

} // namespace ekaldo
