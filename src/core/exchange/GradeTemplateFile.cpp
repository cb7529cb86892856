#include "core/exchange/GradeTemplateFile.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/ProfileFile.h"
#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "core/compose/SheetComposition.h"
#include "core/exchange/GradeDataFile.h"

namespace ekaldo {

TemplateHeader ReadTemplateHeader(const QString& path) {
    const ProfileFile::Section header = ProfileFile::ReadSection(path, QStringLiteral("Header"));
    TemplateHeader h;
    h.File = header.Value(QStringLiteral("File"));
    h.Version = header.Value(QStringLiteral("Version"));
    h.Copyright = header.Value(QStringLiteral("Copyright"));
    h.FileName = header.Value(QStringLiteral("FileName"));
    h.FileID = header.Value(QStringLiteral("FileID"));
    h.Created = header.Value(QStringLiteral("Created"));
    return h;
}

void ReadTemplateFileHeader(DocumentInHand& document, const QString& path) {
    document.TemplateFileHeader = ReadTemplateHeader(path);
}

namespace {

const std::pair<const char*, SelectionKind> kSections[] = {{"Levels", SelectionKind::Levels},
                                                           {"Classes", SelectionKind::Classes},
                                                           {"Courses", SelectionKind::Courses},
                                                           {"Subjects", SelectionKind::Subjects}};

// A line break inside a caption would end its entry early: it travels as a blank.
QString OneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

bool WriteTemplateFile(const QString& path, const QString& templateName, const SheetComposition& composition,
                       UiServices& ui) {
    QStringList lines = {
        QStringLiteral("[Header]"),
        QStringLiteral("File=") + GradeFileKeys::TemplateType,
        QStringLiteral("Version=") + GradeFileKeys::Version,
        QStringLiteral("Copyright=") + Program::CopyrightNotice,
        QStringLiteral("FileName=") + OneLine(templateName),
        QStringLiteral("FileID=") + RegionalFormats::ShortestNumberText(RegionalFormats::DayCount(ui.Now())),
        QStringLiteral("Created=") + RegionalFormats::DateTimeText(ui.Now()),
    };
    for (const auto& [section, kind] : kSections) {
        const SelectionGrid& grid = composition.Grid(kind);
        lines << QLatin1Char('[') + QString::fromLatin1(section) + QLatin1Char(']');
        int n = 0;
        for (int r = 1; r < grid.RowCount(); ++r) {
            if (grid.Ticked(r))
                lines << QString::number(++n) + QLatin1Char('=') + OneLine(grid.Caption(r));
        }
        lines << QStringLiteral("Cnt=") + QString::number(n);
    }
    try {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += CodePage1253::Encode(line) + "\r\n";
        ReplaceFileAtomically(path, bytes);
    } catch (const EkaldoError&) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) +
                 QStringLiteral("\nΕλέγξτε την ονομασία του Αρχείου!"));
        return false;
    }
    ui.Information(QStringLiteral("Η Αποθήκευση στο Αρχείο \"") + path + QStringLiteral("\" ολοκληρώθηκε!"));
    return true;
}

void ClearSelections(SheetComposition& composition) {
    for (const auto& entry : kSections)
        composition.Grid(entry.second).ClearTicks();
}

void ReadTemplateSelections(SheetComposition& composition, const QString& path) {
    for (const auto& [section, kind] : kSections) {
        const ProfileFile::Section entries = ProfileFile::ReadSection(path, QString::fromLatin1(section));
        bool ok = false;
        qint64 count = entries.Value(QStringLiteral("Cnt")).toLongLong(&ok);
        if (!ok || count < 0)
            count = 0;
        // Keys beyond those present all read as empty and tick the same rows
        // as the first missing one: a huge count need not be walked through.
        count = std::min<qint64>(count, static_cast<qint64>(entries.Entries().size()) + 1);
        SelectionGrid& grid = composition.Grid(kind);
        for (qint64 i = 1; i <= count; ++i) {
            const QString caption = entries.Value(QString::number(i));
            for (int r = 1; r < grid.RowCount(); ++r) {
                if (grid.Caption(r) == caption) {
                    grid.SetTicked(r, true);
                    break;
                }
            }
        }
    }
}

} // namespace ekaldo
