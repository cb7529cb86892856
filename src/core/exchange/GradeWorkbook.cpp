#include "core/exchange/GradeWorkbook.h"

#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"
#include "core/exchange/GradeDataFile.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QLocale>
#include <QSet>
#include <QXmlStreamReader>

#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace ekaldo {
namespace {

// ---- The sheet's layout ----

constexpr int kTitleRow = 0;   // the sheet's name and school year
constexpr int kColumnsRow = 1; // the column titles
constexpr int kFirstDataRow = 2;
constexpr int kFirstSubjectColumn = 8; // column 0 the row key, 1 to 7 the student columns
constexpr int kMaxColumns = 16384;
constexpr int kMaxRows = 1048576;

const QString kCross = QStringLiteral("×");
const QString kDataMarker = QStringLiteral("[Data]");

// The student columns a teacher must not type over: they name the student.
const QStringList kIdentityTitles = {QStringLiteral("ΕΠΩΝΥΜΟ"), QStringLiteral("ΟΝΟΜΑ"),
                                     QStringLiteral("ΜΗΤΡΩΟ")};

bool IsCrossCell(QStringView cell) {
    return cell == u"-2" || cell == u"-1";
}

QString ColumnName(int col) {
    QString name;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

QString CellName(int row, int col) {
    return ColumnName(col) + QString::number(row + 1);
}

// The lowest and highest grade a row key carries; 1 and 20 when the key's
// numbers do not convert, as the posting check takes them.
std::pair<double, double> KeyRange(const QString& key) {
    const QStringList parts = key.split(QLatin1Char(';'));
    double low = 1, high = 20;
    if (parts.size() >= 3) {
        const auto a = RegionalFormats::ParseNumber(parts[1]);
        const auto b = RegionalFormats::ParseNumber(parts[2]);
        if (a && b) {
            low = *a;
            high = *b;
        }
    }
    return {low, high};
}

// Numbers in formulas are always written with a point.
QString FormulaNumber(double value) {
    return QString::number(value, 'g', 15);
}

// ---- Writing ----

struct WorkbookDeleter {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookPtr = std::unique_ptr<lxw_workbook, WorkbookDeleter>;

// Keeps the UTF-8 bytes of every text handed to the library alive until the
// workbook is written.
class Utf8Texts {
public:
    const char* operator()(const QString& text) {
        m_texts.push_back(text.toUtf8());
        return m_texts.back().constData();
    }
    char* Mutable(const QString& text) { return const_cast<char*>((*this)(text)); }

private:
    std::vector<QByteArray> m_texts;
};

void Check(lxw_error error, const QString& what) {
    if (error != LXW_NO_ERROR)
        throw WorkbookError(QStringLiteral("Το λογιστικό φύλλο δεν γράφεται: ") + what +
                            (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED
                                 ? QStringLiteral(" ξεπερνά τους 32.767 χαρακτήρες.")
                                 : QStringLiteral(" (σφάλμα %1).").arg(int(error))));
}

struct Formats {
    lxw_format* title;
    lxw_format* studentTitle;
    lxw_format* subjectTitle;
    lxw_format* student;
    lxw_format* grade;
    lxw_format* cross;
};

Formats MakeFormats(lxw_workbook* wb) {
    Formats f{};
    f.title = workbook_add_format(wb);
    format_set_bold(f.title);
    format_set_font_size(f.title, 12);
    f.studentTitle = workbook_add_format(wb);
    format_set_bold(f.studentTitle);
    format_set_font_color(f.studentTitle, 0x000080);
    format_set_align(f.studentTitle, LXW_ALIGN_VERTICAL_BOTTOM);
    format_set_bottom(f.studentTitle, LXW_BORDER_THIN);
    f.subjectTitle = workbook_add_format(wb);
    format_set_bold(f.subjectTitle);
    format_set_font_color(f.subjectTitle, 0x800000);
    format_set_rotation(f.subjectTitle, 90);
    format_set_align(f.subjectTitle, LXW_ALIGN_CENTER);
    // Upright titles end at the top, clear of the filter button at the foot of the cell.
    format_set_align(f.subjectTitle, LXW_ALIGN_VERTICAL_TOP);
    format_set_bottom(f.subjectTitle, LXW_BORDER_THIN);
    f.student = workbook_add_format(wb);
    format_set_font_color(f.student, 0x404040);
    format_set_num_format(f.student, "@");
    f.grade = workbook_add_format(wb);
    format_set_unlocked(f.grade);
    format_set_align(f.grade, LXW_ALIGN_CENTER);
    format_set_border(f.grade, LXW_BORDER_HAIR);
    format_set_border_color(f.grade, 0xA0A0A0);
    f.cross = workbook_add_format(wb);
    format_set_font_color(f.cross, 0x808080);
    format_set_align(f.cross, LXW_ALIGN_CENTER);
    format_set_pattern(f.cross, LXW_PATTERN_SOLID);
    format_set_bg_color(f.cross, 0xEEEEEE);
    return f;
}

void CheckCell(lxw_error error, int row, int col) {
    if (error != LXW_NO_ERROR)
        Check(error, QStringLiteral("το κελί ") + CellName(row, col));
}

// The library keeps its own copy of a cell's text.
void WriteText(lxw_worksheet* ws, int row, int col, const QString& text, lxw_format* format) {
    CheckCell(worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(col), text.toUtf8().constData(), format),
              row, col);
}

// The validation of a run of rows that share a grade range: a number within
// the range, or a no-grade marker (empty, or beginning with Α, * or -).
void AddValidation(lxw_worksheet* ws, Utf8Texts& utf8, int firstRow, int lastRow, int lastCol,
                   std::pair<double, double> range) {
    const QString cell = ColumnName(kFirstSubjectColumn) + QString::number(firstRow + 1);
    const QString low = FormulaNumber(range.first), high = FormulaNumber(range.second);
    const QString formula = QStringLiteral("OR(AND(ISNUMBER(%1),%1>=%2,%1<=%3),LEN(%1)=0,LEFT(%1,1)=\"Α\","
                                           "LEFT(%1,1)=\"*\",LEFT(%1,1)=\"-\")")
                                .arg(cell, low, high);
    const QString lowText = RegionalFormats::ShortestNumberText(range.first);
    const QString highText = RegionalFormats::ShortestNumberText(range.second);
    lxw_data_validation v{};
    v.validate = LXW_VALIDATION_TYPE_CUSTOM_FORMULA;
    v.value_formula = utf8.Mutable(formula);
    v.ignore_blank = LXW_VALIDATION_ON;
    v.show_input = LXW_VALIDATION_ON;
    v.show_error = LXW_VALIDATION_ON;
    v.error_type = LXW_VALIDATION_ERROR_TYPE_STOP;
    v.input_title = utf8.Mutable(QStringLiteral("Βαθμός"));
    v.input_message = utf8.Mutable(
        QStringLiteral("Βαθμός από %1 έως %2, ή Α, * ή - όταν δεν υπάρχει βαθμός.").arg(lowText, highText));
    v.error_title = utf8.Mutable(QStringLiteral("Μη αποδεκτός βαθμός"));
    v.error_message =
        utf8.Mutable(QStringLiteral("Ο βαθμός είναι από %1 έως %2, ή Α, * ή - όταν δεν υπάρχει βαθμός.")
                         .arg(lowText, highText));
    Check(worksheet_data_validation_range(ws, lxw_row_t(firstRow), lxw_col_t(kFirstSubjectColumn),
                                          lxw_row_t(lastRow), lxw_col_t(lastCol), &v),
          QStringLiteral("ο έλεγχος βαθμών"));
}

void WriteGradesSheet(lxw_workbook* wb, Utf8Texts& utf8, const QString& name, const GradeHeader& header,
                      const GradeSheet& sheet, const std::vector<int>& rows) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, utf8(name));
    if (!ws)
        throw WorkbookError(QStringLiteral("Το όνομα φύλλου «") + name +
                            QStringLiteral("» δεν γίνεται δεκτό."));
    const Formats f = MakeFormats(wb);
    const int cols = sheet.ColCount();
    const int lastCol = cols - 1;

    QString title = name;
    if (!header.SchoolYear.isEmpty())
        title += QStringLiteral(" — Σχ. Έτος ") + header.SchoolYear;
    WriteText(ws, kTitleRow, std::min(1, lastCol), title, f.title);

    // Titles: the row key's own title in the hidden column, so the row of
    // titles can be found again wherever it has gone.
    std::vector<int> widths(std::size_t(cols), 6);
    int longestSubject = 0;
    for (int c = 0; c < cols; ++c) {
        const QString text = sheet.Cell(0, c);
        const bool subject = c >= kFirstSubjectColumn;
        WriteText(ws, kColumnsRow, c, text, subject ? f.subjectTitle : f.studentTitle);
        if (subject)
            longestSubject = std::max(longestSubject, int(text.size()));
        else
            widths[std::size_t(c)] =
                std::max(widths[std::size_t(c)], int(text.size()) + 4); // and the filter button
    }

    int out = kFirstDataRow;
    int runStart = out;
    std::pair<double, double> runRange{};
    for (std::size_t i = 0; i < rows.size(); ++i, ++out) {
        const int r = rows[i];
        const QString key = sheet.Cell(r, 0);
        WriteText(ws, out, 0, key, nullptr);
        for (int c = 1; c < std::min(cols, kFirstSubjectColumn); ++c) {
            const QString text = sheet.Cell(r, c);
            WriteText(ws, out, c, text, f.student);
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], int(text.size()) + 2);
        }
        for (int c = kFirstSubjectColumn; c < cols; ++c) {
            const QString text = sheet.Cell(r, c);
            if (IsCrossCell(text)) {
                WriteText(ws, out, c, kCross, f.cross);
            } else if (text.isEmpty()) {
                CheckCell(worksheet_write_blank(ws, lxw_row_t(out), lxw_col_t(c), f.grade), out, c);
            } else if (const auto number = RegionalFormats::ParseNumber(text)) {
                CheckCell(worksheet_write_number(ws, lxw_row_t(out), lxw_col_t(c), *number, f.grade), out, c);
            } else {
                WriteText(ws, out, c, text, f.grade);
            }
        }
        // One validation for each run of rows of the same range.
        const auto range = KeyRange(key);
        if (i > 0 && range != runRange && lastCol >= kFirstSubjectColumn)
            AddValidation(ws, utf8, runStart, out - 1, lastCol, runRange);
        if (i == 0 || range != runRange) {
            runStart = out;
            runRange = range;
        }
    }
    const int lastRow = out - 1;
    if (!rows.empty() && lastCol >= kFirstSubjectColumn)
        AddValidation(ws, utf8, runStart, lastRow, lastCol, runRange);

    lxw_row_col_options hidden{};
    hidden.hidden = 1;
    worksheet_set_column_opt(ws, 0, 0, 12, nullptr, &hidden);
    for (int c = 1; c < cols; ++c) {
        const double width = c >= kFirstSubjectColumn ? 5.5 : std::min(widths[std::size_t(c)], 40);
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), width, nullptr);
    }
    // Subject titles stand upright; the row is as tall as the longest.
    worksheet_set_row(ws, kColumnsRow, std::clamp(longestSubject * 7.5 + 24, 40.0, 250.0), nullptr);

    worksheet_freeze_panes(ws, kFirstDataRow, std::min(cols, kFirstSubjectColumn));
    // The cursor starts on the first grade cell, where its input message shows.
    if (lastCol >= kFirstSubjectColumn && !rows.empty())
        worksheet_set_selection(ws, kFirstDataRow, kFirstSubjectColumn, kFirstDataRow, kFirstSubjectColumn);
    Check(worksheet_autofilter(ws, kColumnsRow, 0, lxw_row_t(std::max(lastRow, int(kColumnsRow))),
                               lxw_col_t(lastCol)),
          QStringLiteral("το φίλτρο"));
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, 9); // A4
    worksheet_fit_to_pages(ws, 1, 0);
    Check(worksheet_repeat_rows(ws, kTitleRow, kColumnsRow), QStringLiteral("οι γραμμές τίτλων"));
    worksheet_activate(ws);

    // No password: a teacher may lift the protection on purpose, but not by accident.
    lxw_protection allowed{};
    allowed.sort = 1;
    allowed.autofilter = 1;
    allowed.insert_rows = 1;
    allowed.delete_rows = 1;
    allowed.format_columns = 1;
    allowed.format_rows = 1;
    worksheet_protect(ws, nullptr, &allowed);
}

void WriteHeaderSheet(lxw_workbook* wb, Utf8Texts& utf8, const QString& sheetName, const GradeHeader& h,
                      const GradeSheet& sheet, const std::vector<int>& rows) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, utf8(kWorkbookHeaderSheet));
    const std::pair<const char*, QString> keys[] = {{"File", h.File},
                                                    {"Version", h.Version},
                                                    {"Copyright", h.Copyright},
                                                    {"FileName", h.FileName},
                                                    {"FileID", h.FileID},
                                                    {"Created", h.Created},
                                                    {"Exported", h.Exported},
                                                    {"Modified", h.Modified},
                                                    {"Imported", h.Imported},
                                                    {"Posted", h.Posted},
                                                    {"SchoolYear", h.SchoolYear},
                                                    {"Sheet", sheetName},
                                                    {"Columns", QString::number(sheet.ColCount())}};
    int row = 0;
    for (const auto& [key, value] : keys) {
        WriteText(ws, row, 0, QString::fromLatin1(key), nullptr);
        WriteText(ws, row, 1, value, nullptr);
        ++row;
    }
    WriteText(ws, row++, 0, kDataMarker, nullptr);
    // The sheet exactly as sent: titles, then every row with a key.
    std::vector<int> all{0};
    all.insert(all.end(), rows.begin(), rows.end());
    for (const int r : all) {
        for (int c = 0; c < sheet.StoredCells(r); ++c) {
            const QString text = sheet.Cell(r, c);
            if (!text.isEmpty())
                WriteText(ws, row, c, text, nullptr);
        }
        ++row;
    }
    worksheet_hide(ws);
    worksheet_protect(ws, nullptr, nullptr);
}

// ---- Reading ----

const QString kNotAWorkbook =
    QStringLiteral("Δεν είναι βιβλίο εργασίας λογιστικού φύλλου (.xlsx) ή έχει αλλοιωθεί.");
const QString kNotOurs = QStringLiteral("Δεν είναι φύλλο βαθμολογίας που στάλθηκε ως λογιστικό φύλλο από το "
                                        "e-Κάλντο: λείπει η κρυφή κεφαλίδα του.");

QString PartMessage(const QString& part, const QString& tail) {
    return QStringLiteral("Το μέρος «") + part + QStringLiteral("» του βιβλίου εργασίας ") + tail;
}

QString TooLargeMessage(qint64 size) {
    return QStringLiteral(
               "Το αρχείο είναι πολύ μεγάλο (%1 MB) για φύλλο βαθμολογίας· διαβάζονται αρχεία έως %2 MB.")
        .arg(size / (1024 * 1024))
        .arg(kMaxWorkbookBytes / (1024 * 1024));
}

QString BombMessage(const QString& part) {
    return PartMessage(part, QStringLiteral("αποσυμπιέζεται σε περισσότερα από %1 MB· δεν διαβάζεται.")
                                 .arg(kMaxWorkbookBytes / (1024 * 1024)));
}

// No more shared strings than cells a grade sheet of a whole school has, many times over.
constexpr qsizetype kMaxSharedStrings = 1'000'000;
constexpr qsizetype kMaxSharedChars = 16 * 1024 * 1024;
constexpr qsizetype kMaxStoredCells = 2'000'000;
constexpr zip_int64_t kMaxEntries = 10'000;

struct ZipCloser {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// One part of the package as a device the XML reader pulls from; it stops at
// the bound, whatever the part's header claimed its size to be.
class ZipEntryDevice : public QIODevice {
public:
    ZipEntryDevice(zip_file_t* file, qint64 limit) : m_file(file), m_limit(limit) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool OverLimit() const { return m_overLimit; }
    bool Failed() const { return m_failed; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_failed || m_overLimit)
            return -1;
        if (m_read >= m_limit) {
            char probe;
            const zip_int64_t n = zip_fread(m_file.get(), &probe, 1);
            if (n != 0) {
                m_overLimit = n > 0;
                m_failed = n < 0;
                return -1;
            }
            return 0;
        }
        const zip_int64_t n =
            zip_fread(m_file.get(), data, zip_uint64_t(std::min(maxSize, m_limit - m_read)));
        if (n < 0) {
            m_failed = true;
            return -1;
        }
        m_read += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::unique_ptr<zip_file_t, ZipFileCloser> m_file;
    qint64 m_limit;
    qint64 m_read = 0;
    bool m_overLimit = false;
    bool m_failed = false;
};

class Package {
public:
    explicit Package(const QByteArray& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source) {
            m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!m_zip)
                zip_source_free(source);
        }
        zip_error_fini(&error);
        if (!m_zip)
            throw WorkbookError(kNotAWorkbook);
        const zip_int64_t count = zip_get_num_entries(m_zip.get(), 0);
        if (count > kMaxEntries)
            throw WorkbookError(kNotAWorkbook);
        // The parts are never written out, but a package that names places
        // outside itself was not made by an office suite.
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* raw = zip_get_name(m_zip.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
            const QString name = raw ? QString::fromUtf8(raw) : QString();
            if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
                name.contains(QLatin1Char(':')) ||
                name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
                throw WorkbookError(
                    PartMessage(name, QStringLiteral("έχει ύποπτη διαδρομή· δεν διαβάζεται.")));
        }
    }

    bool Has(const QString& part) const {
        return zip_name_locate(m_zip.get(), part.toUtf8().constData(), 0) >= 0;
    }

    // The part as a bounded device; none when the package lacks it.
    std::unique_ptr<ZipEntryDevice> Open(const QString& part) const {
        const zip_int64_t index = zip_name_locate(m_zip.get(), part.toUtf8().constData(), 0);
        if (index < 0)
            return nullptr;
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip.get(), zip_uint64_t(index), 0, &stat) != 0)
            throw WorkbookError(kNotAWorkbook);
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            throw WorkbookError(QStringLiteral("Το βιβλίο εργασίας είναι κρυπτογραφημένο ή προστατεύεται με "
                                               "κωδικό· αποθηκεύστε το ξανά χωρίς κωδικό."));
        // The size the package claims, before a byte is unpacked.
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(kMaxWorkbookBytes))
            throw WorkbookError(BombMessage(part));
        zip_file_t* file = zip_fopen_index(m_zip.get(), zip_uint64_t(index), 0);
        if (!file)
            throw WorkbookError(PartMessage(part, QStringLiteral("δεν ανοίγει· το αρχείο έχει αλλοιωθεί.")));
        return std::make_unique<ZipEntryDevice>(file, kMaxWorkbookBytes);
    }

private:
    std::unique_ptr<zip_t, ZipCloser> m_zip;
};

// Reads one part through handler, which sees every start element, to its
// end or until the handler sets stop.
template <typename Handler>
void ParsePart(const Package& package, const QString& part, Handler&& handler, const bool* stop = nullptr) {
    const auto device = package.Open(part);
    if (!device)
        throw WorkbookError(PartMessage(part, QStringLiteral("λείπει.")));
    QXmlStreamReader xml(device.get());
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            // Entity declarations are how XML is made to blow up.
            xml.raiseError(QStringLiteral("δήλωση DTD"));
            break;
        }
        if (token == QXmlStreamReader::StartElement)
            handler(xml);
        if (stop && *stop)
            return;
    }
    if (device->OverLimit())
        throw WorkbookError(BombMessage(part));
    if (device->Failed())
        throw WorkbookError(
            PartMessage(part, QStringLiteral("δεν αποσυμπιέζεται· το αρχείο έχει αλλοιωθεί.")));
    if (xml.hasError())
        throw WorkbookError(PartMessage(part, QStringLiteral("δεν είναι έγκυρο XML (γραμμή %1: %2).")
                                                  .arg(xml.lineNumber())
                                                  .arg(xml.errorString())));
}

QString Attribute(const QXmlStreamReader& xml, QStringView name) {
    // Held const: iterating a temporary list would copy every attribute.
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == name)
            return a.value().toString();
    }
    return QString();
}

// The text of a rich text element (a shared string, an inline string): its
// runs joined, the phonetic guides left out. Ends on the element's end.
QString RichText(QXmlStreamReader& xml) {
    QString text;
    const QString element = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"rPh")
                --phonetic;
            else if (xml.name() == element)
                break;
        }
    }
    return text;
}

// Where a relationship points, as a part name of the package.
QString PartOf(const QString& base, const QString& target) {
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    return QDir::cleanPath(base + target);
}

struct Relationship {
    QString type, target;
};

QHash<QString, Relationship> ReadRelationships(const Package& package, const QString& part,
                                               const QString& base) {
    QHash<QString, Relationship> rels;
    if (!package.Has(part))
        return rels;
    ParsePart(package, part, [&](QXmlStreamReader& xml) {
        if (xml.name() == u"Relationship")
            rels.insert(Attribute(xml, u"Id"),
                        {Attribute(xml, u"Type"), PartOf(base, Attribute(xml, u"Target"))});
    });
    return rels;
}

// Whether a number format shows a date or a time: a built-in one of those, or
// one whose code has a day, month, year, hour or second outside quotes.
bool IsDateFormat(int id, const QHash<int, QString>& codes) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    const auto it = codes.constFind(id);
    if (it == codes.cend())
        return false;
    bool quoted = false, bracket = false;
    const QString& code = *it;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            ++i;
        else if (c == QLatin1Char('['))
            bracket = true;
        else if (c == QLatin1Char(']'))
            bracket = false;
        else if (!bracket && QStringLiteral("dmyhsDMYHS").contains(c))
            return true;
    }
    return false;
}

struct Styles {
    std::vector<bool> dateXf; // by cell style index
    bool IsDate(int xf) const {
        return xf >= 0 && std::size_t(xf) < dateXf.size() && dateXf[std::size_t(xf)];
    }
};

Styles ReadStyles(const Package& package, const QString& part) {
    Styles styles;
    if (part.isEmpty() || !package.Has(part))
        return styles;
    QHash<int, QString> codes;
    std::vector<int> xfFormats;
    bool inCellXfs = false;
    ParsePart(package, part, [&](QXmlStreamReader& xml) {
        if (xml.name() == u"numFmt") {
            codes.insert(Attribute(xml, u"numFmtId").toInt(), Attribute(xml, u"formatCode"));
        } else if (xml.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (xml.name() == u"cellStyleXfs" || xml.name() == u"dxfs") {
            inCellXfs = false;
        } else if (xml.name() == u"xf" && inCellXfs && xfFormats.size() < 100000) {
            xfFormats.push_back(Attribute(xml, u"numFmtId").toInt());
        }
    });
    for (const int id : xfFormats)
        styles.dateXf.push_back(IsDateFormat(id, codes));
    return styles;
}

std::vector<QString> ReadSharedStrings(const Package& package, const QString& part) {
    std::vector<QString> strings;
    if (part.isEmpty() || !package.Has(part))
        return strings;
    qsizetype chars = 0;
    const QString tooLarge =
        PartMessage(part, QStringLiteral("έχει υπερβολικά μεγάλο πίνακα κειμένων· δεν διαβάζεται."));
    ParsePart(package, part, [&](QXmlStreamReader& xml) {
        if (xml.name() != u"si")
            return;
        strings.push_back(RichText(xml));
        chars += strings.back().size();
        if (qsizetype(strings.size()) > kMaxSharedStrings || chars > kMaxSharedChars)
            throw WorkbookError(tooLarge);
    });
    return strings;
}

// One row of a worksheet: its cells that hold something, by column.
struct SheetRow {
    int number = 0; // from 0
    std::vector<std::pair<int, QString>> cells;

    QString Cell(int col) const {
        const auto it = std::lower_bound(cells.begin(), cells.end(), col,
                                         [](const auto& cell, int c) { return cell.first < c; });
        return it != cells.end() && it->first == col ? it->second : QString();
    }
};

// "AB12" to its column, from 0; -1 when it is not a cell reference.
int ColumnOfReference(QStringView ref) {
    int col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isUpper() && ref[i].unicode() < 128; ++i) {
        col = col * 26 + (ref[i].unicode() - u'A' + 1);
        if (col > kMaxColumns)
            return -1;
    }
    return i == 0 ? -1 : col - 1;
}

struct WorkbookContext {
    const Package& package;
    std::vector<QString> strings;
    Styles styles;
    bool date1904 = false;
};

QString DateMark(double serial, bool date1904) {
    const QDate date = QDate(1899, 12, 30).addDays(qint64(std::floor(serial)) + (date1904 ? 1462 : 0));
    return QStringLiteral("Ημερομηνία ") + QLocale().toString(date, QLocale::ShortFormat);
}

// A cell's content as a grade cell holds it: numbers in the regional form,
// texts as typed, dates and other values that are no grade marked so that the
// check catches them.
QString CellValue(const WorkbookContext& wb, const QString& type, int style, const QString& value,
                  const QString& formula, bool hasFormula, const QString& inlineText, const QString& part) {
    if (type == u"inlineStr")
        return inlineText;
    if (hasFormula && value.isEmpty())
        return QStringLiteral("=") + formula; // a formula never calculated: no value to take
    if (type == u"s") {
        bool ok = false;
        const qsizetype index = value.trimmed().toLongLong(&ok);
        if (!ok || index < 0 || std::size_t(index) >= wb.strings.size())
            throw WorkbookError(PartMessage(part, QStringLiteral("δείχνει σε κείμενο που δεν υπάρχει.")));
        return wb.strings[std::size_t(index)];
    }
    if (type == u"str" || type == u"e")
        return value;
    if (type == u"b")
        return value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type == u"d") {
        const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
        return QStringLiteral("Ημερομηνία ") +
               (date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : value);
    }
    if (value.isEmpty())
        return QString();
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        throw WorkbookError(PartMessage(part, QStringLiteral("έχει αριθμό που δεν διαβάζεται: «") + value +
                                                  QStringLiteral("».")));
    if (wb.styles.IsDate(style))
        return DateMark(number, wb.date1904);
    return RegionalFormats::ShortestNumberText(number);
}

// The rows of a worksheet; with headerOnly, those up to the data marker of
// the hidden header only.
std::vector<SheetRow> ReadWorksheet(const WorkbookContext& wb, const QString& part, bool headerOnly = false) {
    std::vector<SheetRow> rows;
    bool done = false;
    qsizetype stored = 0;
    int rowNumber = -1;
    int col = -1;
    bool sorted = true;
    const QString badRef = PartMessage(part, QStringLiteral("έχει κελί εκτός των ορίων ενός φύλλου."));
    ParsePart(
        wb.package, part,
        [&](QXmlStreamReader& xml) {
            if (xml.name() == u"row") {
                if (headerOnly && !rows.empty() && rows.back().Cell(0) == kDataMarker) {
                    done = true;
                    return;
                }
                const QString r = Attribute(xml, u"r");
                const int number = r.isEmpty() ? rowNumber + 1 : r.toInt() - 1;
                if (number < 0 || number >= kMaxRows)
                    throw WorkbookError(badRef);
                if (!rows.empty() && number <= rows.back().number)
                    sorted = false;
                rowNumber = number;
                col = -1;
                rows.push_back({rowNumber, {}});
                return;
            }
            if (xml.name() != u"c")
                return;
            if (rows.empty())
                throw WorkbookError(PartMessage(part, QStringLiteral("έχει κελί έξω από γραμμή.")));
            const QString ref = Attribute(xml, u"r");
            col = ref.isEmpty() ? col + 1 : ColumnOfReference(ref);
            if (col < 0 || col >= kMaxColumns)
                throw WorkbookError(badRef);
            const QString type = Attribute(xml, u"t");
            const QString s = Attribute(xml, u"s");
            const int style = s.isEmpty() ? 0 : s.toInt();
            QString value, formula, inlineText;
            bool hasFormula = false;
            while (!xml.atEnd()) {
                const auto token = xml.readNext();
                if (token == QXmlStreamReader::StartElement) {
                    if (xml.name() == u"v") {
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    } else if (xml.name() == u"f") {
                        hasFormula = true;
                        formula = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    } else if (xml.name() == u"is") {
                        inlineText = RichText(xml);
                    } else {
                        xml.skipCurrentElement();
                    }
                } else if (token == QXmlStreamReader::EndElement && xml.name() == u"c") {
                    break;
                }
            }
            if (xml.hasError())
                return;
            QString text = CellValue(wb, type, style, value, formula, hasFormula, inlineText, part);
            if (text.isEmpty())
                return;
            if (++stored > kMaxStoredCells)
                throw WorkbookError(
                    PartMessage(part, QStringLiteral("έχει υπερβολικά πολλά κελιά· δεν διαβάζεται.")));
            auto& cells = rows.back().cells;
            if (!cells.empty() && cells.back().first >= col)
                sorted = false;
            cells.emplace_back(col, std::move(text));
        },
        &done);
    if (!sorted) {
        // Rows or cells out of order: the later of two at one place counts.
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto& a, const auto& b) { return a.number < b.number; });
        std::vector<SheetRow> merged;
        for (auto& row : rows) {
            if (!merged.empty() && merged.back().number == row.number) {
                auto& into = merged.back().cells;
                into.insert(into.end(), row.cells.begin(), row.cells.end());
            } else {
                merged.push_back(std::move(row));
            }
        }
        for (auto& row : merged) {
            std::stable_sort(row.cells.begin(), row.cells.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            std::vector<std::pair<int, QString>> unique;
            for (auto& cell : row.cells) {
                if (!unique.empty() && unique.back().first == cell.first)
                    unique.back() = std::move(cell);
                else
                    unique.push_back(std::move(cell));
            }
            row.cells = std::move(unique);
        }
        rows = std::move(merged);
    }
    return rows;
}

struct SheetEntry {
    QString name, part;
};

// The header and the sheet as sent, from the hidden worksheet.
struct SentSheet {
    GradeHeader header;
    QString sheetName;
    GradeSheet sheet;
};

SentSheet ReadSentSheet(const std::vector<SheetRow>& rows, bool headerOnly = false) {
    SentSheet sent;
    QHash<QString, QString> values;
    int dataRow = -1;
    for (const SheetRow& row : rows) {
        const QString key = row.Cell(0);
        if (key == kDataMarker) {
            dataRow = row.number;
            break;
        }
        values.insert(key, row.Cell(1));
    }
    GradeHeader& h = sent.header;
    h.File = values.value(QStringLiteral("File"));
    if (dataRow < 0 || h.File.compare(GradeFileKeys::FileType, Qt::CaseInsensitive) != 0)
        throw WorkbookError(kNotOurs);
    h.Version = values.value(QStringLiteral("Version"));
    h.Copyright = values.value(QStringLiteral("Copyright"));
    h.FileName = values.value(QStringLiteral("FileName"));
    h.FileID = values.value(QStringLiteral("FileID"));
    h.Created = values.value(QStringLiteral("Created"));
    h.Exported = values.value(QStringLiteral("Exported"));
    h.Modified = values.value(QStringLiteral("Modified"));
    h.Imported = values.value(QStringLiteral("Imported"));
    h.Posted = values.value(QStringLiteral("Posted"));
    h.SchoolYear = values.value(QStringLiteral("SchoolYear"));
    sent.sheetName = values.value(QStringLiteral("Sheet"));
    if (headerOnly)
        return sent;
    bool ok = false;
    const int cols = values.value(QStringLiteral("Columns")).toInt(&ok);
    if (!ok || cols < 1 || cols > kMaxColumns)
        throw WorkbookError(kNotOurs);
    int count = 0;
    for (const SheetRow& row : rows)
        count = row.number > dataRow ? std::max(count, row.number - dataRow) : count;
    sent.sheet.SetSize(count, cols);
    for (const SheetRow& row : rows) {
        if (row.number <= dataRow)
            continue;
        for (const auto& [col, text] : row.cells)
            sent.sheet.SetCell(row.number - dataRow - 1, col, text);
    }
    if (count == 0)
        throw WorkbookError(kNotOurs);
    return sent;
}

QString RowName(const GradeSheet& sheet, int row, int surnameCol, int nameCol) {
    QString name = (surnameCol > 0 ? sheet.Cell(row, surnameCol) : QString()) + QLatin1Char(' ') +
                   (nameCol > 0 ? sheet.Cell(row, nameCol) : QString());
    return name.trimmed() + QStringLiteral(" (") + sheet.Cell(row, 0) + QLatin1Char(')');
}

WorkbookReceipt MatchRows(const SentSheet& sent, const std::vector<SheetRow>& rows) {
    const GradeSheet& original = sent.sheet;
    const int cols = original.ColCount();
    const QString keyTitle = original.Cell(0, 0);

    // The row of titles, then each sent column at the worksheet column of its
    // title: a teacher who lifted the protection may have moved them.
    const SheetRow* titles = nullptr;
    for (const SheetRow& row : rows) {
        if (row.Cell(0) == keyTitle) {
            titles = &row;
            break;
        }
    }
    if (!titles)
        throw WorkbookError(
            QStringLiteral("Δεν βρέθηκε η γραμμή τίτλων του φύλλου· μην αλλάζετε τους τίτλους."));
    std::vector<int> at(std::size_t(cols), -1);
    at[0] = 0;
    {
        QSet<int> used{0};
        for (int c = 1; c < cols; ++c) {
            const QString title = original.Cell(0, c);
            for (const auto& [col, text] : titles->cells) {
                if (text == title && !used.contains(col)) {
                    at[std::size_t(c)] = col;
                    used.insert(col);
                    break;
                }
            }
            // A column without a title can only stay where it was.
            if (at[std::size_t(c)] < 0 && title.isEmpty() && !used.contains(c)) {
                at[std::size_t(c)] = c;
                used.insert(c);
            }
            if (at[std::size_t(c)] < 0)
                throw WorkbookError(QStringLiteral("Λείπει η στήλη «") + title +
                                    QStringLiteral("» από το φύλλο."));
        }
    }
    std::vector<int> identity;
    int surnameCol = -1, nameCol = -1;
    for (int c = 1; c < std::min(cols, kFirstSubjectColumn); ++c) {
        const QString title = original.Cell(0, c);
        if (kIdentityTitles.contains(title))
            identity.push_back(c);
        if (title == kIdentityTitles[0])
            surnameCol = c;
        if (title == kIdentityTitles[1])
            nameCol = c;
    }

    QHash<QString, int> sentRows;
    for (int r = 1; r < original.RowCount(); ++r)
        sentRows.insert(original.Cell(r, 0), r);

    WorkbookReceipt receipt;
    receipt.header = sent.header;
    std::vector<const SheetRow*> found(std::size_t(original.RowCount()), nullptr);
    for (const SheetRow& row : rows) {
        if (&row == titles)
            continue;
        const QString shown = QString::number(row.number + 1);
        const QString key = row.Cell(0);
        if (key.isEmpty()) {
            // A row the teacher inserted: fine while it stays empty.
            for (int c = kFirstSubjectColumn; c < cols; ++c) {
                if (!row.Cell(at[std::size_t(c)]).isEmpty())
                    throw WorkbookError(QStringLiteral("Η γραμμή ") + shown +
                                        QStringLiteral(" του φύλλου έχει βαθμούς αλλά όχι κλειδί μαθητή· "
                                                       "συμπληρώστε τους στη γραμμή του μαθητή."));
            }
            continue;
        }
        const auto it = sentRows.constFind(key);
        if (it == sentRows.cend())
            throw WorkbookError(QStringLiteral("Η γραμμή ") + shown +
                                QStringLiteral(" του φύλλου έχει κλειδί μαθητή «") + key +
                                QStringLiteral("» που δεν υπάρχει στο φύλλο που στάλθηκε."));
        const int r = *it;
        if (found[std::size_t(r)])
            throw WorkbookError(QStringLiteral("Το κλειδί μαθητή «") + key +
                                QStringLiteral("» βρίσκεται σε δύο γραμμές του φύλλου (%1 και %2).")
                                    .arg(found[std::size_t(r)]->number + 1)
                                    .arg(row.number + 1));
        for (const int c : identity) {
            const QString was = original.Cell(r, c);
            const QString now = row.Cell(at[std::size_t(c)]);
            if (now.trimmed() != was.trimmed())
                throw WorkbookError(QStringLiteral("Στη γραμμή ") + shown +
                                    QStringLiteral(" του φύλλου η στήλη «") + original.Cell(0, c) +
                                    QStringLiteral("» γράφει «") + now + QStringLiteral("» ενώ στάλθηκε «") +
                                    was +
                                    QStringLiteral("»· τα στοιχεία των μαθητών δεν αλλάζουν στο φύλλο."));
        }
        found[std::size_t(r)] = &row;
    }

    std::vector<int> keep{0};
    for (int r = 1; r < original.RowCount(); ++r) {
        if (found[std::size_t(r)])
            keep.push_back(r);
        else if (!original.Cell(r, 0).isEmpty())
            receipt.missingRows.append(RowName(original, r, surnameCol, nameCol));
    }
    GradeSheet& sheet = receipt.sheet;
    sheet.SetSize(int(keep.size()), cols);
    for (int i = 0; i < int(keep.size()); ++i) {
        const int r = keep[std::size_t(i)];
        for (int c = 0; c < original.StoredCells(r); ++c)
            sheet.SetCell(i, c, original.CellView(r, c));
        if (i == 0)
            continue;
        const SheetRow& row = *found[std::size_t(r)];
        for (int c = kFirstSubjectColumn; c < cols; ++c) {
            if (IsCrossCell(original.CellView(r, c)))
                continue; // no record, or switched off: as sent, whatever the cell shows
            const QString value = row.Cell(at[std::size_t(c)]);
            sheet.SetCell(i, c, value);
            receipt.filledCells += value.isEmpty() ? 0 : 1;
        }
    }
    receipt.rows = int(keep.size()) - 1;
    return receipt;
}

} // namespace

bool IsWorkbookPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0;
}

QString WorkbookSheetName(const QString& fileName) {
    QString name = QFileInfo(fileName).completeBaseName();
    static const QString refused = QStringLiteral("[]:*?/\\");
    QString clean;
    for (const QChar c : name) {
        if (!refused.contains(c) && c.unicode() >= 0x20)
            clean += c;
    }
    while (clean.startsWith(QLatin1Char('\'')))
        clean.remove(0, 1);
    clean = clean.left(31);
    while (clean.endsWith(QLatin1Char('\'')))
        clean.chop(1);
    clean = clean.trimmed();
    if (clean.isEmpty() || clean.compare(QStringLiteral("History"), Qt::CaseInsensitive) == 0 ||
        clean.compare(kWorkbookHeaderSheet, Qt::CaseInsensitive) == 0)
        clean = QStringLiteral("Βαθμολογία");
    return clean;
}

void WriteGradeWorkbook(const QString& path, const GradeHeader& header, const GradeSheet& sheet) {
    if (sheet.RowCount() == 0 || sheet.ColCount() == 0)
        throw WorkbookError(QStringLiteral("Το φύλλο δεν έχει γραμμή τίτλων."));
    if (sheet.ColCount() > kMaxColumns)
        throw WorkbookError(
            QStringLiteral("Το φύλλο έχει περισσότερες στήλες από όσες χωρά ένα λογιστικό φύλλο."));
    std::vector<int> rows;
    QHash<QString, int> keys;
    for (int r = 1; r < sheet.RowCount(); ++r) {
        const QString key = sheet.Cell(r, 0);
        if (key.isEmpty())
            continue;
        if (keys.contains(key))
            throw WorkbookError(QStringLiteral("Το κλειδί μαθητή «") + key +
                                QStringLiteral("» βρίσκεται σε δύο γραμμές του φύλλου· οι βαθμοί δεν θα "
                                               "μπορούσαν να ξαναβρούν τη γραμμή τους."));
        keys.insert(key, r);
        rows.push_back(r);
    }
    if (int(rows.size()) + kFirstDataRow > kMaxRows)
        throw WorkbookError(
            QStringLiteral("Το φύλλο έχει περισσότερες γραμμές από όσες χωρά ένα λογιστικό φύλλο."));

    const QFileInfo target(path);
    const QString partial =
        target.dir().filePath(QLatin1Char('.') + target.fileName() + QStringLiteral(".part"));
    const QByteArray partialName = QFile::encodeName(partial);
    Utf8Texts utf8;
    {
        WorkbookPtr wb(workbook_new(partialName.constData()));
        if (!wb)
            throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), path);
        const QString sheetName =
            WorkbookSheetName(header.FileName.isEmpty() ? target.fileName() : header.FileName);
        WriteGradesSheet(wb.get(), utf8, sheetName, header, sheet, rows);
        WriteHeaderSheet(wb.get(), utf8, sheetName, header, sheet, rows);

        lxw_doc_properties properties{};
        properties.title = utf8.Mutable(sheetName);
        properties.subject = utf8.Mutable(QStringLiteral("Βαθμολογία ") + header.SchoolYear);
        properties.company = utf8.Mutable(Program::ApplicationTitle);
        Check(workbook_set_properties(wb.get(), &properties), QStringLiteral("οι ιδιότητες"));
        // The header's identity also where a file manager shows it.
        Check(workbook_set_custom_property_string(wb.get(), "FileName", utf8(header.FileName)),
              QStringLiteral("οι ιδιότητες"));
        Check(workbook_set_custom_property_string(wb.get(), "FileID", utf8(header.FileID)),
              QStringLiteral("οι ιδιότητες"));
        Check(workbook_set_custom_property_string(wb.get(), "SchoolYear", utf8(header.SchoolYear)),
              QStringLiteral("οι ιδιότητες"));
        const lxw_error error = workbook_close(wb.release());
        if (error != LXW_NO_ERROR) {
            QFile::remove(partial);
            throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), path);
        }
    }
    if (std::rename(partialName.constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(partial);
        throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), path);
    }
}

namespace {

// Refuses what is no package before it is opened: too large, or an OLE
// compound file (an encrypted workbook is one, around the encrypted package).
void CheckOuterForm(const QByteArray& bytes) {
    if (bytes.size() > kMaxWorkbookBytes)
        throw WorkbookError(TooLargeMessage(bytes.size()));
    if (bytes.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))) {
        QByteArray utf16;
        for (const char c : QByteArrayLiteral("EncryptedPackage"))
            utf16.append(c).append('\0');
        if (bytes.contains(utf16))
            throw WorkbookError(
                QStringLiteral("Το βιβλίο εργασίας είναι κρυπτογραφημένο ή προστατεύεται με κωδικό· "
                               "αποθηκεύστε το ξανά χωρίς κωδικό."));
        throw WorkbookError(
            QStringLiteral("Το αρχείο είναι σε παλιά μορφή λογιστικού φύλλου (.xls)· αποθηκεύστε "
                           "το ως βιβλίο εργασίας .xlsx."));
    }
}

// The worksheets of a package and the parts they share; refused when the
// hidden header is not among them.
struct WorkbookParts {
    std::vector<SheetEntry> sheets;
    std::size_t header = 0;
    QString stringsPart, stylesPart;
    bool date1904 = false;
};

WorkbookParts ReadWorkbookParts(const Package& package) {
    WorkbookParts wb;
    QStringList sheetIds;
    ParsePart(package, QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader& xml) {
        if (xml.name() == u"sheet") {
            wb.sheets.push_back({Attribute(xml, u"name"), QString()});
            sheetIds.append(Attribute(xml, u"id"));
        } else if (xml.name() == u"workbookPr") {
            const QString v = Attribute(xml, u"date1904");
            wb.date1904 = v == u"1" || v == u"true";
        }
    });
    const auto rels =
        ReadRelationships(package, QStringLiteral("xl/_rels/workbook.xml.rels"), QStringLiteral("xl/"));
    for (const Relationship& rel : rels) {
        if (rel.type.endsWith(QStringLiteral("/sharedStrings")))
            wb.stringsPart = rel.target;
        else if (rel.type.endsWith(QStringLiteral("/styles")))
            wb.stylesPart = rel.target;
    }
    for (std::size_t i = 0; i < wb.sheets.size(); ++i)
        wb.sheets[i].part = rels.value(sheetIds[qsizetype(i)]).target;
    const auto header = std::find_if(wb.sheets.begin(), wb.sheets.end(), [](const SheetEntry& s) {
        return s.name == kWorkbookHeaderSheet && !s.part.isEmpty();
    });
    if (header == wb.sheets.end())
        throw WorkbookError(kNotOurs);
    wb.header = std::size_t(header - wb.sheets.begin());
    return wb;
}

// When the workbook was saved after it was written: the moment the grades
// were filled in, which the grade file keeps as "Modified". Nothing when it
// was never saved again or says nothing readable; it never refuses a workbook.
std::optional<QDateTime> SavedAfterWriting(const Package& package) {
    const QString part = QStringLiteral("docProps/core.xml");
    QString created, modified;
    try {
        if (!package.Has(part))
            return std::nullopt;
        ParsePart(package, part, [&](QXmlStreamReader& xml) {
            if (xml.name() == u"created")
                created = xml.readElementText().trimmed();
            else if (xml.name() == u"modified")
                modified = xml.readElementText().trimmed();
        });
    } catch (const WorkbookError&) {
        return std::nullopt;
    }
    const QDateTime saved = QDateTime::fromString(modified, Qt::ISODate);
    if (!saved.isValid() || modified == created)
        return std::nullopt;
    return saved.toLocalTime();
}

QByteArray ReadWorkbookBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")), path);
    if (file.size() > kMaxWorkbookBytes)
        throw WorkbookError(TooLargeMessage(file.size()));
    QByteArray bytes = file.read(kMaxWorkbookBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")), path);
    return bytes;
}

} // namespace

WorkbookReceipt ReadGradeWorkbook(const QByteArray& bytes, const QString& schoolYear) {
    CheckOuterForm(bytes);
    const Package package(bytes);
    const WorkbookParts wb = ReadWorkbookParts(package);
    const WorkbookContext context{package, ReadSharedStrings(package, wb.stringsPart),
                                  ReadStyles(package, wb.stylesPart), wb.date1904};
    const SheetEntry& headerSheet = wb.sheets[wb.header];
    const SentSheet sent = ReadSentSheet(ReadWorksheet(context, headerSheet.part));
    if (!schoolYear.isEmpty() && sent.header.SchoolYear != schoolYear)
        throw WorkbookError(QStringLiteral("Το φύλλο ανήκει στο Σχ. Έτος ") + sent.header.SchoolYear +
                            QStringLiteral(", όχι στο ανοιχτό Σχ. Έτος ") + schoolYear + QLatin1Char('.'));

    // The grades are on the worksheet of the name sent, else on the first other one.
    const SheetEntry* grades = nullptr;
    for (const SheetEntry& s : wb.sheets) {
        if (&s != &headerSheet && !s.part.isEmpty() && (s.name == sent.sheetName || !grades))
            grades = &s;
        if (grades && grades->name == sent.sheetName)
            break;
    }
    if (!grades)
        throw WorkbookError(QStringLiteral("Το βιβλίο εργασίας δεν έχει το φύλλο με τους βαθμούς."));
    WorkbookReceipt receipt = MatchRows(sent, ReadWorksheet(context, grades->part));
    if (receipt.header.Modified.isEmpty()) {
        if (const auto saved = SavedAfterWriting(package))
            receipt.header.Modified = RegionalFormats::DateTimeText(*saved);
    }
    return receipt;
}

GradeHeader ReadGradeWorkbookHeader(const QString& path) {
    const QByteArray bytes = ReadWorkbookBytes(path);
    CheckOuterForm(bytes);
    const Package package(bytes);
    const WorkbookParts wb = ReadWorkbookParts(package);
    const WorkbookContext context{package, ReadSharedStrings(package, wb.stringsPart), Styles(), wb.date1904};
    return ReadSentSheet(ReadWorksheet(context, wb.sheets[wb.header].part, true), true).header;
}

WorkbookReceipt ReadGradeWorkbookFile(const QString& path, const QString& schoolYear) {
    return ReadGradeWorkbook(ReadWorkbookBytes(path), schoolYear);
}

QString ReceiptSummary(const WorkbookReceipt& receipt) {
    QString text = QStringLiteral("Γραμμές μαθητών: %1\nΣυμπληρωμένοι βαθμοί: %2")
                       .arg(receipt.rows)
                       .arg(receipt.filledCells);
    if (receipt.missingRows.isEmpty())
        return text + QStringLiteral("\nΔεν λείπει καμία γραμμή.");
    constexpr int kShown = 10;
    text += QStringLiteral("\nΓραμμές που λείπουν: %1").arg(receipt.missingRows.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(kShown, receipt.missingRows.size()); ++i)
        text += QStringLiteral("\n  ") + receipt.missingRows[i];
    if (receipt.missingRows.size() > kShown)
        text += QStringLiteral("\n  και άλλες %1").arg(receipt.missingRows.size() - kShown);
    return text;
}

} // namespace ekaldo
