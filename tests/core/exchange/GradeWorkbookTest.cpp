// Grade sheets as workbooks: ours written and read back, the forms other
// spreadsheets write (built here part by part with libzip), every one refused.
#include "core/exchange/GradeWorkbook.h"

#include "base/RegionalFormats.h"
#include "core/exchange/GradeSheet.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <zip.h>

#include <functional>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

const QStringList kTitles = {"α/α",     "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ", "ΠΑΤΡΩΝΥΜΟ", "ΜΗΤΡΩΟ",
                             "ΕΠΙΠΕΔΟ", "ΤΑΞΗ",    "ΤΜΗΜΑ", "Άλγεβρα",   "Φυσική"};

GradeHeader SentHeader() {
    GradeHeader h;
    h.File = QStringLiteral("MORVEN Grades Data");
    h.Version = QStringLiteral("1.0");
    h.FileName = QStringLiteral("Α1 Άλγεβρα.agd");
    h.FileID = QStringLiteral("46000,5");
    h.Created = QStringLiteral("1/1/2026 10:00:00");
    h.Exported = QStringLiteral("2/1/2026 09:00:00");
    h.SchoolYear = QStringLiteral("2025-2026");
    return h;
}

// Two students: the first with a grade in Άλγεβρα and Φυσική switched off,
// the second with nothing yet; register numbers with leading zeros.
GradeSheet SentSheet() {
    const QList<QStringList> rows = {
        kTitles,
        {"1;1;20", "Αλεξίου", "Μαρία", "Γιώργος", "007", "ΓΥ", "Α", "Α1", "12", "-1"},
        {"2;0;10", "Βασιλείου", "Νίκος", "", "008", "ΓΥ", "Α", "Α1", "", "Α"},
    };
    GradeSheet sheet(int(rows.size()), int(kTitles.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            sheet.SetCell(r, c, rows[r][c]);
    return sheet;
}

// A row of inline-string cells, the way some writers put text; never past column Z.
QString InlineRow(int row, const QStringList& cells) {
    QString xml = QStringLiteral("<row r=\"%1\">").arg(row + 1);
    for (int c = 0; c < cells.size(); ++c) {
        if (!cells[c].isEmpty())
            xml += QStringLiteral("<c r=\"%1%2\" t=\"inlineStr\"><is><t>%3</t></is></c>")
                       .arg(QChar(u'A' + c))
                       .arg(row + 1)
                       .arg(cells[c].toHtmlEscaped());
    }
    return xml + QStringLiteral("</row>");
}

QString Worksheet(const QString& rows) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>") +
           rows + QStringLiteral("</sheetData></worksheet>");
}

// Our hidden header worksheet for the sent sheet, with a change applied to its lines.
QString HeaderSheet(const std::function<void(QList<QStringList>&)>& change = {}) {
    const GradeHeader h = SentHeader();
    const QStringList keys = {"File",     "Version",    "FileName", "FileID", "Created",
                              "Exported", "SchoolYear", "Sheet",    "Columns"};
    const QStringList values = {h.File,     h.Version,    h.FileName,   h.FileID, h.Created,
                                h.Exported, h.SchoolYear, "Α1 Άλγεβρα", "10"};
    QList<QStringList> lines;
    for (int i = 0; i < keys.size(); ++i)
        lines.append({keys[i], values[i]});
    lines.append({"[Data]"});
    const GradeSheet sheet = SentSheet();
    for (int r = 0; r < sheet.RowCount(); ++r)
        lines.append(sheet.RowText(r).toString().split(QLatin1Char('\t')));
    if (change)
        change(lines);
    QString rows;
    for (int r = 0; r < lines.size(); ++r)
        rows += InlineRow(r, lines[r]);
    return Worksheet(rows);
}

// The teacher's worksheet: a title row, the titles, then the rows given.
QString GradesSheet(const QString& studentRows, const QStringList& titles = kTitles) {
    return Worksheet(InlineRow(0, {"", "Α1 Άλγεβρα"}) + InlineRow(1, titles) + studentRows);
}

// A student row of the sent sheet as inline strings, the grade cells given as XML.
QString StudentRow(int row, int student, const QString& gradeCells) {
    const QStringList cells = SentSheet().RowText(student).toString().split(QLatin1Char('\t')).mid(0, 8);
    QString xml = InlineRow(row, cells);
    xml.chop(6); // "</row>"
    return xml + gradeCells + QStringLiteral("</row>");
}

using Parts = std::vector<std::pair<QString, QByteArray>>;

QByteArray Zip(const Parts& parts) {
    TempFolder dir;
    const QByteArray path = QFile::encodeName(dir.Path(QStringLiteral("w.xlsx")));
    int error = 0;
    zip_t* zip = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        EXPECT_GE(zip_file_add(zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(zip), 0);
    return ReadBytes(dir.Path(QStringLiteral("w.xlsx")));
}

const QByteArray kWorkbookXml =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"\xce\x91\x31 \xce\x86\xce\xbb\xce\xb3\xce\xb5\xce\xb2\xcf\x81\xce\xb1\" sheetId=\"1\" "
    "r:id=\"rId1\"/>"
    "<sheet name=\"ekaldo\" sheetId=\"2\" state=\"hidden\" r:id=\"rId2\"/></sheets></workbook>";

QByteArray Relationships(bool withStrings, bool withStyles) {
    QByteArray xml =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://x/worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>";
    if (withStrings)
        xml += "<Relationship Id=\"rId3\" Type=\"http://x/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    if (withStyles)
        xml += "<Relationship Id=\"rId4\" Type=\"http://x/styles\" Target=\"styles.xml\"/>";
    return xml + "</Relationships>";
}

// Cell styles: 0 general, 1 a built-in date, 2 a date format of its own,
// 3 a number format with a quoted text, 4 a time, 5 the last built-in time,
// 6 the built-in number format after it.
const QByteArray kStyles =
    "<styleSheet><numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yy\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"0.0&quot; mdy&quot;\"/><numFmt numFmtId=\"166\" "
    "formatCode=\"[h]:mm\"/>"
    "</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs><cellXfs count=\"5\"><xf numFmtId=\"0\"/>"
    "<xf numFmtId=\"14\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf "
    "numFmtId=\"166\"/><xf numFmtId=\"47\"/><xf numFmtId=\"48\"/></cellXfs></styleSheet>";

QByteArray Workbook(const QString& grades, const QString& header = HeaderSheet(),
                    const QByteArray& strings = {}, const Parts& more = {}) {
    Parts parts = {{"xl/workbook.xml", kWorkbookXml},
                   {"xl/_rels/workbook.xml.rels", Relationships(!strings.isEmpty(), true)},
                   {"xl/styles.xml", kStyles},
                   {"xl/worksheets/sheet1.xml", grades.toUtf8()},
                   {"xl/worksheets/sheet2.xml", header.toUtf8()}};
    if (!strings.isEmpty())
        parts.push_back({"xl/sharedStrings.xml", strings});
    parts.insert(parts.end(), more.begin(), more.end());
    return Zip(parts);
}

QString RefusalOf(const QByteArray& bytes, const QString& schoolYear = QString()) {
    return ErrorOf<WorkbookError>([&] { ReadGradeWorkbook(bytes, schoolYear); });
}

} // namespace

TEST(GradeWorkbook, SentSheetComesBackAsSentWithItsHeaderWhateverTheRowOrder) {
    UseLocale(GreekLocale());
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("out.xlsx"));
    GradeSheet sheet = SentSheet();
    sheet.SetCell(1, 8, QStringLiteral("12,5")); // a number: written as one, read back regionally
    WriteGradeWorkbook(path, SentHeader(), sheet);
    const WorkbookReceipt receipt = ReadGradeWorkbookFile(path, QStringLiteral("2025-2026"));
    EXPECT_EQ(receipt.header, SentHeader());
    EXPECT_EQ(ReadGradeWorkbookHeader(path), SentHeader());
    EXPECT_EQ(receipt.sheet, sheet);
    // Filled: 12,5 and Α; the switched-off cell is not the teacher's.
    EXPECT_EQ(ReceiptSummary(receipt),
              QStringLiteral("Γραμμές μαθητών: 2\nΣυμπληρωμένοι βαθμοί: 2\nΔεν λείπει καμία γραμμή."));
    EXPECT_EQ(RefusalOf(ReadBytes(path), QStringLiteral("2024-2025")),
              QStringLiteral("Το φύλλο ανήκει στο Σχ. Έτος 2025-2026, όχι στο ανοιχτό Σχ. Έτος 2024-2025."));
    // What a workbook cannot carry is refused with the cell, and no file is
    // left; two rows of one key could never find their way back.
    GradeSheet tooLong = SentSheet();
    tooLong.SetCell(2, 1, QString(32768, QLatin1Char('x')));
    EXPECT_EQ(ErrorOf<WorkbookError>(
                  [&] { WriteGradeWorkbook(dir.Path(QStringLiteral("long.xlsx")), SentHeader(), tooLong); }),
              QStringLiteral("Το λογιστικό φύλλο δεν γράφεται: το κελί B4 ξεπερνά τους 32.767 χαρακτήρες."));
    sheet.SetCell(2, 0, sheet.Cell(1, 0));
    EXPECT_THROW(WriteGradeWorkbook(dir.Path(QStringLiteral("dup.xlsx")), SentHeader(), sheet),
                 WorkbookError);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"})
        << "no partial file left";
}

TEST(GradeWorkbook, SheetNamesFollowTheWorkbookRules) {
    const std::pair<const char*, const char*> cases[] = {
        {"Α1 Άλγεβρα.agd", "Α1 Άλγεβρα"},
        {"a[1]:b*c?d.agd", "a1bcd"},
        {"'quoted'.agd", "quoted"},
        {"History.agd", "Βαθμολογία"},
        {"ekaldo.agd", "Βαθμολογία"},
        {"[]*?.agd", "Βαθμολογία"},
        {"Τμήμα Γ2 Θετικής Κατεύθυνσης Φυσική.agd", "Τμήμα Γ2 Θετικής Κατεύθυνσης Φυ"},
    };
    for (const auto& [file, sheet] : cases)
        EXPECT_EQ(WorkbookSheetName(QString::fromUtf8(file)), QString::fromUtf8(sheet)) << file;
}

// What other spreadsheets write, read as the grade cells of student 1 (Άλγεβρα)
// and student 2 (Άλγεβρα, Φυσική); student 1's Φυσική is switched off.
TEST(GradeWorkbook, FormsOtherSpreadsheetsWrite) {
    UseLocale(GreekLocale());
    const QByteArray strings =
        "<sst><si><t>Α</t></si><si><r><t>1</t></r><r><t>5,5</t></r><rPh><t>x</t></rPh></si>"
        "<si><t>2;0;10</t></si></sst>";
    const QString date =
        QStringLiteral("Ημερομηνία ") + QLocale().toString(QDate(2026, 3, 15), QLocale::ShortFormat);
    // The grade cells from column I on, and the three cells read, "|" apart: "@" is the
    // date in the locale's format, a cell ending in "…" only starts so.
    const struct {
        const char *what, *row1, *row2, *expected;
    } cases[] = {
        {"numbers with and without a style", R"(<c r="I3"><v>15.5</v></c>)",
         R"(<c r="I4" s="3"><v>7</v></c>)", "15,5|7|"},
        {"shared strings, rich runs, phonetic guides",
         R"(<c r="I3" t="s"><v>1</v></c><c r="J3" t="s"><v>0</v></c>)", R"(<c r="J4" t="s"><v>0</v></c>)",
         "15,5||Α"},
        {"text kept as typed", R"(<c r="I3" t="inlineStr"><is><t>12.5</t></is></c>)",
         R"(<c r="I4" t="inlineStr"><is><t>δεκαπέντε</t></is></c>)", "12.5|δεκαπέντε|"},
        {"dates marked whatever their format", R"(<c r="I3" s="1"><v>46096</v></c>)",
         R"(<c r="I4" s="2"><v>46096.5</v></c><c r="J4" t="d"><v>2026-03-15T00:00:00</v></c>)", "@|@|@"},
        {"a time is no grade either", R"(<c r="I3" s="4"><v>0.5</v></c>)",
         R"(<c r="I4" s="5"><v>0.25</v></c><c r="J4" s="6"><v>12</v></c>)", "Ημερομηνία …|Ημερομηνία …|12"},
        {"formulas: the cached value counts", R"(<c r="I3"><f>10+5.5</f><v>15.5</v></c>)",
         R"(<c r="I4"><f>SUM(Z9)</f></c><c r="J4" t="str"><f>"Α"</f><v>Α</v></c>)", "15,5|=SUM(Z9)|Α"},
        {"booleans and errors", R"(<c r="I3" t="b"><v>1</v></c>)", R"(<c r="I4" t="e"><v>#DIV/0!</v></c>)",
         "TRUE|#DIV/0!|"},
        {"cells without references, empty ones left out, beyond the last column", "",
         R"(<c r="I4"><v>9</v></c><c><v>8</v></c><c r="AZ4" t="inlineStr"><is><t>σημείωση</t></is></c>)",
         "|9|8"},
    };
    for (const auto& c : cases) {
        const QString rows =
            StudentRow(2, 1, QString::fromUtf8(c.row1)) + StudentRow(3, 2, QString::fromUtf8(c.row2));
        WorkbookReceipt receipt;
        ASSERT_NO_THROW(receipt = ReadGradeWorkbook(Workbook(GradesSheet(rows), HeaderSheet(), strings)))
            << c.what;
        ASSERT_EQ(receipt.sheet.RowCount(), 3) << c.what;
        const QStringList got = {receipt.sheet.Cell(1, 8), receipt.sheet.Cell(2, 8),
                                 receipt.sheet.Cell(2, 9)};
        const QStringList expected = QString::fromUtf8(c.expected).replace(u'@', date).split(u'|');
        for (int i = 0; i < 3; ++i) {
            if (expected[i].endsWith(QStringLiteral("…")))
                EXPECT_TRUE(got[i].startsWith(expected[i].chopped(1)))
                    << c.what << ": " << got[i].toStdString();
            else
                EXPECT_EQ(got[i], expected[i]) << c.what;
        }
        EXPECT_EQ(receipt.sheet.Cell(1, 9), QStringLiteral("-1")) << "switched off, as sent: " << c.what;
        EXPECT_EQ(receipt.sheet.Cell(1, 4), QStringLiteral("007")) << c.what;
    }
}

TEST(GradeWorkbook, RowsAreMatchedByKeyAndWhatDoesNotMatchIsRefused) {
    UseLocale(GreekLocale());
    const QString grade = R"(<c r="I%1"><v>%2</v></c>)";
    const QString row1 = StudentRow(2, 1, grade.arg(3).arg(11));
    const QString row2 = StudentRow(3, 2, grade.arg(4).arg(9));
    // Sorted the other way, a blank row inserted, rows hidden by a filter: all the same.
    const QString sorted =
        StudentRow(2, 2, grade.arg(3).arg(9)) + InlineRow(3, {}) +
        StudentRow(4, 1, grade.arg(5).arg(11))
            .replace(QStringLiteral("<row r=\"5\">"), QStringLiteral("<row r=\"5\" hidden=\"1\">"));
    for (const QString& rows : {row1 + row2, sorted}) {
        const WorkbookReceipt receipt = ReadGradeWorkbook(Workbook(GradesSheet(rows)));
        EXPECT_EQ(receipt.sheet.Cell(1, 8), QStringLiteral("11"));
        EXPECT_EQ(receipt.sheet.Cell(2, 8), QStringLiteral("9"));
    }
    // Saved after it was written: the moment becomes the "Modified" stamp.
    const auto saved = [&](const char* created, const char* modified) {
        const QByteArray core =
            QByteArray("<cp:coreProperties xmlns:cp=\"c\" xmlns:dcterms=\"d\"><dcterms:created>") + created +
            "</dcterms:created><dcterms:modified>" + modified + "</dcterms:modified></cp:coreProperties>";
        return ReadGradeWorkbook(
                   Workbook(GradesSheet(row1), HeaderSheet(), {}, {{"docProps/core.xml", core}}))
            .header.Modified;
    };
    EXPECT_EQ(saved("2026-01-02T09:00:00Z", "2026-01-05T18:30:00Z"),
              RegionalFormats::DateTimeText(
                  QDateTime(QDate(2026, 1, 5), QTime(18, 30), QTimeZone::utc()).toLocalTime()));
    EXPECT_EQ(saved("2026-01-02T09:00:00Z", "2026-01-02T09:00:00Z"), QString()) << "never saved again";
    EXPECT_EQ(saved("", "yesterday"), QString());
    EXPECT_EQ(ReadGradeWorkbook(Workbook(GradesSheet(row1))).header.Modified, QString());
    // A deleted row is left out and named.
    const WorkbookReceipt partial = ReadGradeWorkbook(Workbook(GradesSheet(row2)));
    EXPECT_EQ(partial.sheet.Cell(1, 0), QStringLiteral("2;0;10"));
    EXPECT_EQ(ReceiptSummary(partial), QStringLiteral("Γραμμές μαθητών: 1\nΣυμπληρωμένοι βαθμοί: 1\n"
                                                      "Γραμμές που λείπουν: 1\n  Αλεξίου Μαρία (1;1;20)"));

    QStringList moved = kTitles;
    moved.swapItemsAt(8, 9);
    const std::pair<QString, QString> refused[] = {
        {row1 + StudentRow(3, 1, {}),
         "Το κλειδί μαθητή «1;1;20» βρίσκεται σε δύο γραμμές του φύλλου (3 και 4)."},
        {QString(row1).replace(QStringLiteral("Αλεξίου"), QStringLiteral("Αλεξίου-Παππά")) + row2,
         "Στη γραμμή 3 του φύλλου η στήλη «ΕΠΩΝΥΜΟ» γράφει «Αλεξίου-Παππά» ενώ στάλθηκε «Αλεξίου»· "
         "τα στοιχεία των μαθητών δεν αλλάζουν στο φύλλο."},
        {row1 + QString(row2).replace(QStringLiteral("2;0;10"), QStringLiteral("9;0;10")),
         "Η γραμμή 4 του φύλλου έχει κλειδί μαθητή «9;0;10» που δεν υπάρχει στο φύλλο που στάλθηκε."},
        {row1 + InlineRow(3, {"", "Νέος", "", "", "", "", "", "", "15"}),
         "Η γραμμή 4 του φύλλου έχει βαθμούς αλλά όχι κλειδί μαθητή· συμπληρώστε τους στη γραμμή του "
         "μαθητή."},
    };
    for (const auto& [rows, message] : refused)
        EXPECT_EQ(RefusalOf(Workbook(GradesSheet(rows))), message);
    // Columns found by their titles: moved ones still match, a missing one is refused.
    const QString swapped = StudentRow(2, 1, R"(<c r="J3"><v>11</v></c>)");
    EXPECT_EQ(ReadGradeWorkbook(Workbook(GradesSheet(swapped, moved))).sheet.Cell(1, 8),
              QStringLiteral("11"));
    EXPECT_EQ(RefusalOf(Workbook(GradesSheet(row1, kTitles.mid(0, 9) << QStringLiteral("Χημεία")))),
              QStringLiteral("Λείπει η στήλη «Φυσική» από το φύλλο."));
}

TEST(GradeWorkbook, HostileAndForeignWorkbooksAreRefusedWithTheReason) {
    const QString grades = GradesSheet(StudentRow(2, 1, {}));
    const QByteArray zeros(kMaxWorkbookBytes + 1, '\0');
    QByteArray cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    cfb += QByteArray(504, '\0');
    const QByteArray encryptedName = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    const QString notOurs = QStringLiteral("Δεν είναι φύλλο βαθμολογίας που στάλθηκε");
    struct Case {
        const char* what;
        QByteArray bytes;
        QString refusal; // the start of the message
    };
    const Case cases[] = {
        {"not a zip", "just text", "Δεν είναι βιβλίο εργασίας λογιστικού φύλλου (.xlsx)"},
        {"an old .xls", cfb, "Το αρχείο είναι σε παλιά μορφή λογιστικού φύλλου (.xls)"},
        {"an encrypted workbook", cfb + encryptedName, "Το βιβλίο εργασίας είναι κρυπτογραφημένο"},
        {"a workbook of someone else",
         Zip({{"xl/workbook.xml", "<workbook><sheets><sheet name=\"Sheet1\" id=\"rId1\"/>"
                                  "</sheets></workbook>"}}),
         notOurs},
        {"a header of another file type", Workbook(grades, HeaderSheet([](auto& lines) {
                                                       lines[0][1] = QStringLiteral("MORVEN Grades Template");
                                                   })),
         notOurs},
        {"a header without its data",
         Workbook(grades, HeaderSheet([](auto& lines) { lines = lines.mid(0, 9); })), notOurs},
        {"a path out of the package", Zip({{"xl/workbook.xml", kWorkbookXml}, {"../../etc/passwd", "x"}}),
         "Το μέρος «../../etc/passwd» του βιβλίου εργασίας έχει ύποπτη διαδρομή"},
        {"an absolute path", Zip({{"/xl/workbook.xml", kWorkbookXml}}), "Το μέρος «/xl/workbook.xml»"},
        {"a zip bomb",
         Zip({{"xl/workbook.xml", kWorkbookXml},
              {"xl/_rels/workbook.xml.rels", Relationships(false, false)},
              {"xl/worksheets/sheet2.xml", zeros}}),
         "Το μέρος «xl/worksheets/sheet2.xml» του βιβλίου εργασίας αποσυμπιέζεται σε περισσότερα από 64 MB"},
        {"a huge shared-string table",
         Workbook(grades, HeaderSheet(),
                  "<sst><si><t>" + QByteArray(16 * 1024 * 1024 + 1, 'a') + "</t></si></sst>"),
         "Το μέρος «xl/sharedStrings.xml» του βιβλίου εργασίας έχει υπερβολικά μεγάλο πίνακα κειμένων"},
        {"a string that is not there",
         Workbook(GradesSheet(StudentRow(2, 1, R"(<c r="I3" t="s"><v>7</v></c>)")), HeaderSheet(), "<sst/>"),
         "Το μέρος «xl/worksheets/sheet1.xml» του βιβλίου εργασίας δείχνει σε κείμενο που δεν υπάρχει"},
        {"malformed XML", Workbook(grades.chopped(20)),
         "Το μέρος «xl/worksheets/sheet1.xml» του βιβλίου εργασίας δεν είναι έγκυρο XML"},
        {"entities declared",
         Workbook(QString(grades).replace(QStringLiteral("?><worksheet"),
                                          QStringLiteral("?><!DOCTYPE x [<!ENTITY a \"aa\">]><worksheet"))),
         "Το μέρος «xl/worksheets/sheet1.xml» του βιβλίου εργασίας δεν είναι έγκυρο XML"},
        {"a cell beyond any sheet", Workbook(GradesSheet(StudentRow(2, 1, R"(<c r="ZZZZ3"><v>1</v></c>)"))),
         "Το μέρος «xl/worksheets/sheet1.xml» του βιβλίου εργασίας έχει κελί εκτός"},
        {"a number that is none", Workbook(GradesSheet(StudentRow(2, 1, R"(<c r="I3"><v>1e999x</v></c>)"))),
         "Το μέρος «xl/worksheets/sheet1.xml» του βιβλίου εργασίας έχει αριθμό που δεν διαβάζεται"},
    };
    for (const Case& c : cases) {
        const QString refusal = RefusalOf(c.bytes);
        EXPECT_TRUE(refusal.startsWith(c.refusal)) << c.what << ": " << refusal.toStdString();
    }
    // A file over the bound is refused unread.
    TempFolder dir;
    const QString big = dir.Path(QStringLiteral("big.xlsx"));
    WriteBytes(big, {});
    ASSERT_TRUE(QFile::resize(big, kMaxWorkbookBytes + 1));
    EXPECT_EQ(
        ErrorOf<WorkbookError>([&] { ReadGradeWorkbookFile(big); }),
        QStringLiteral(
            "Το αρχείο είναι πολύ μεγάλο (64 MB) για φύλλο βαθμολογίας· διαβάζονται αρχεία έως 64 MB."));
}
