// Commands over the grade exchange files.
#include "CliContext.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/LineReader.h"
#include "base/ProfileFile.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "core/exchange/GradeTemplateFile.h"

#include <QFile>
#include <QFileInfo>

namespace ekaldo {
namespace {

QString KeyLine(const char* key, const QString& value) {
    return QString::fromLatin1(key) + QLatin1Char('=') + value + QLatin1Char('\n');
}

// Everything of a template after its header: the four selection sections.
void PrintTemplateSections(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    LineReader reader(file);
    QByteArrayView line;
    bool pastHeader = false;
    while (reader.Next(line)) {
        const QByteArrayView t = line.trimmed();
        if (t.startsWith('[') && !t.startsWith("[Header]"))
            pastHeader = true;
        if (pastHeader)
            PrintOut(CodePage1253::Decode(line.data(), line.size()) + QLatin1Char('\n'));
    }
}

int Show(CliContext& cli) {
    const QString path = cli.arguments.at(0);
    if (!QFileInfo(path).isFile())
        return Fail(FileMessage(path, QStringLiteral(" δεν υπάρχει!")));
    // A header that cannot be read would print as an empty one.
    if (const auto problem = GradeFileTextProblem(path))
        return Fail(*problem);
    const QString type = ProfileFile::ReadString(path, QStringLiteral("Header"), QStringLiteral("File"));
    if (type.compare(GradeFileKeys::TemplateType, Qt::CaseInsensitive) == 0) {
        const TemplateHeader h = ReadTemplateHeader(path);
        PrintOut(KeyLine("File", h.File) + KeyLine("Version", h.Version) + KeyLine("Copyright", h.Copyright) +
                 KeyLine("FileName", h.FileName) + KeyLine("FileID", h.FileID) +
                 KeyLine("Created", h.Created) + QLatin1Char('\n'));
        PrintTemplateSections(path);
        return 0;
    }
    const GradeHeader h = ReadGradeHeader(path);
    PrintOut(KeyLine("File", h.File) + KeyLine("Version", h.Version) + KeyLine("Copyright", h.Copyright) +
             KeyLine("FileName", h.FileName) + KeyLine("FileID", h.FileID) + KeyLine("Created", h.Created) +
             KeyLine("Exported", h.Exported) + KeyLine("Modified", h.Modified) +
             KeyLine("Imported", h.Imported) + KeyLine("Posted", h.Posted) +
             KeyLine("SchoolYear", h.SchoolYear) + QLatin1Char('\n'));
    GradeSheet sheet;
    if (!ReadGradeDataRows(path, cli.ui, sheet, nullptr))
        return 1;
    QString out;
    for (int r = 0; r < sheet.RowCount(); ++r) {
        for (int c = 0; c < sheet.ColCount(); ++c) {
            if (c > 0)
                out += QLatin1Char('\t');
            out += sheet.CellView(r, c);
        }
        out += QLatin1Char('\n');
        if (out.size() > (1 << 20)) {
            PrintOut(out);
            out.clear();
        }
    }
    PrintOut(out);
    return 0;
}

// A UTF-8 tab-separated sheet, the first line the titles.
bool ReadTsvSheet(const QString& path, GradeSheet& sheet) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    LineReader reader(file);
    QByteArrayView line;
    int row = 0;
    while (reader.Next(line)) {
        if (row == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (row >= sheet.RowCount())
            sheet.SetRowCount(row + 1);
        if (fields.size() > sheet.ColCount())
            sheet.SetColCount(static_cast<int>(fields.size()));
        for (int c = 0; c < fields.size(); ++c)
            sheet.SetCell(row, c, fields[c]);
        ++row;
    }
    return !reader.Failed();
}

int MakeSheet(CliContext& cli) {
    const QString schoolYear = cli.Option(QStringLiteral("--school-year"));
    if (schoolYear.isEmpty())
        return Fail(QStringLiteral("Δώστε το σχολικό έτος του φύλλου με --school-year (π.χ. 2024-2025)."));
    const QString in = cli.arguments.at(0);
    const QString out = cli.arguments.at(1);
    GradeSheet sheet;
    if (!ReadTsvSheet(in, sheet))
        return Fail(FileMessage(in, QStringLiteral(" δεν μπορεί να ανοιχθεί!")));
    if (sheet.RowCount() == 0)
        return Fail(FileMessage(in, QStringLiteral(" δεν έχει γραμμή τίτλων!")));
    const QFileInfo target(out);
    return WriteGradeDataFile(target.absoluteFilePath(), target.fileName(), sheet, schoolYear, cli.ui) ? 0
                                                                                                       : 1;
}

} // namespace

void AddFileCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("show"), Show});
    commands.append({QStringLiteral("make-sheet"), MakeSheet});
}

} // namespace ekaldo
