#include "core/exchange/GradeDataFile.h"
#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "core/exchange/GradeSheet.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QStringEncoder>

#include <optional>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

// 12 columns, 5 rows, the last without a row key.
GradeSheet SampleSheet() {
    GradeSheet sheet(5, 12);
    const QStringList titles = {"α/α",  "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ",   "ΠΑΤΡΩΝΥΜΟ", "ΜΗΤΡΩΟ",          "ΕΠΙΠΕΔΟ",
                                "ΤΑΞΗ", "ΤΜΗΜΑ",   "Άλγεβρα", "Γεωμετρία", "[κλάδος] Φυσική", "Χημεία"};
    for (int c = 0; c < 12; ++c)
        sheet.SetCell(0, c, titles[c]);
    for (int r = 1; r <= 3; ++r) {
        sheet.SetCell(r, 0, QStringLiteral("%1;1;20").arg(1000 + r));
        sheet.SetCell(r, 1, QStringLiteral("Παπαδόπουλος%1").arg(r));
        sheet.SetCell(r, 8, QStringLiteral("17,5"));
        sheet.SetCell(r, 9, QStringLiteral("-2"));
        sheet.SetCell(r, 10, QStringLiteral("-1"));
    }
    sheet.SetCell(4, 1, QStringLiteral("χωρίς κλειδί"));
    return sheet;
}

QByteArray Utf16(const QString& text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom)(text);
}

struct GradeFileFixture : ::testing::Test {
    TempFolder dir;
    DocumentInHand state;
    ScriptedUiServices ui;

    void SetUp() override {
        state.CurrentFileName = QStringLiteral("Α1 Μαθηματικά.agd");
        state.CurrentFilePath = dir.Path(state.CurrentFileName);
        ui.SetNow(QDateTime(QDate(2005, 1, 1), QTime(12, 0)));
    }
    bool Save(const GradeSheet& sheet, const QString& schoolYear = QStringLiteral("2004-2005")) {
        return WriteGradeDataFile(state.CurrentFilePath, state.CurrentFileName, sheet, schoolYear, ui);
    }
    void ExpectSaved() {
        ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η Εξαγωγή στο Αρχείο \"") +
                                                       state.CurrentFilePath +
                                                       QStringLiteral("\" ολοκληρώθηκε!"));
    }
    void ExpectError(const QString& path, const QString& text) {
        ui.ExpectMessage(MessageIcon::Error,
                         QStringLiteral("Το Αρχείο \"") + path + QStringLiteral("\"") + text);
    }
    std::optional<GradeSheet> Read(const QByteArray& bytes) {
        WriteBytes(state.CurrentFilePath, bytes);
        GradeSheet grid;
        if (!ReadGradeDataRows(state.CurrentFilePath, ui, grid, nullptr))
            return std::nullopt;
        return grid;
    }
};

} // namespace

// The header in the regional formats (the two clock reads apart), then the
// titles and the keyed rows, each with every tab.
TEST_F(GradeFileFixture, WrittenFileIsExactlyTheHeaderAndTheKeyedRows) {
    ui.SetClockStep(1000);
    ExpectSaved();
    ASSERT_TRUE(Save(SampleSheet()));
    QByteArray expected =
        Greek(QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nCopyright=") +
              Program::CopyrightNotice +
              QStringLiteral("\r\nFileName=Α1 Μαθηματικά.agd\r\nFileID=38353.5\r\n"
                             "Created=1/1/05 12:00:01 PM\r\nExported=\r\nModified=\r\n"
                             "Imported=\r\nPosted=\r\nSchoolYear=2004-2005\r\n[Data]\r\n"));
    const GradeSheet sheet = SampleSheet();
    for (int r : {0, 1, 2, 3}) {
        QStringList cells;
        for (int c = 0; c < 12; ++c)
            cells << sheet.Cell(r, c);
        expected += Greek(cells.join(QLatin1Char('\t'))) + "\r\n";
    }
    EXPECT_EQ(ReadBytes(state.CurrentFilePath), expected);
}

TEST_F(GradeFileFixture, TabsAndLineBreaksInCellsAndHeaderValuesTravelAsBlanks) {
    GradeSheet sheet(2, 3);
    sheet.SetCell(0, 0, QStringLiteral("α/α"));
    sheet.SetCell(0, 1, QStringLiteral("ΕΠΩ\tΝΥΜΟ"));
    sheet.SetCell(0, 2, QStringLiteral("x"));
    sheet.SetCell(1, 0, QStringLiteral("1;1;20"));
    sheet.SetCell(1, 1, QStringLiteral("Νίκος\r\nΓεωργίου"));
    state.CurrentFileName = QStringLiteral("a\r\nb.agd");
    ExpectSaved();
    ASSERT_TRUE(Save(sheet, QStringLiteral("2004\n2005")));
    EXPECT_EQ(ReadGradeHeader(state.CurrentFilePath).FileName, QStringLiteral("a  b.agd"));
    EXPECT_EQ(ReadGradeHeader(state.CurrentFilePath).SchoolYear, QStringLiteral("2004 2005"));
    GradeSheet back;
    ASSERT_TRUE(ReadGradeDataRows(state.CurrentFilePath, ui, back, nullptr));
    EXPECT_EQ(back.RowCount(), 2);
    EXPECT_EQ(back.ColCount(), 3);
    EXPECT_EQ(back.Cell(0, 1), QStringLiteral("ΕΠΩ ΝΥΜΟ"));
    EXPECT_EQ(back.Cell(1, 1), QStringLiteral("Νίκος  Γεωργίου"));
}

// A cell outside the code page, a folder that is not there, a disk that
// fills up: each is said and leaves the old file as it was.
TEST_F(GradeFileFixture, ASaveThatFailsSaysWhyAndKeepsTheOldFile) {
    const QByteArray old = "[Header]\r\nFile=MORVEN Grades Data\r\n[Data]\r\nold sheet\r\n";
    WriteBytes(state.CurrentFilePath, old);
    GradeSheet sheet = SampleSheet();
    sheet.SetCell(2, 2, QStringLiteral("Zoë"));
    ExpectError(state.CurrentFilePath,
                QStringLiteral(" δεν μπορεί να δημιουργηθεί!\nΤο κείμενο \"Zoë\" περιέχει τον χαρακτήρα "
                               "\"ë\" (U+00EB), που δεν υπάρχει στην ελληνική κωδικοσελίδα Windows-1253!"));
    EXPECT_FALSE(Save(sheet));
    EXPECT_EQ(ReadBytes(state.CurrentFilePath), old);

    sheet = SampleSheet();
    sheet.SetCell(2, 2, QString(8000, QChar(u'α')));
    bool saved = true;
    {
        DiskFullAfter disk(4096);
        ExpectError(state.CurrentFilePath, QStringLiteral(" δεν μπορεί να αποθηκευτεί! Ο δίσκος ίσως γέμισε· "
                                                          "ό,τι είχε πριν το αρχείο έμεινε όπως ήταν."));
        saved = Save(sheet);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(state.CurrentFilePath), old);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files).size(), 1) << "no temporary file left";

    state.CurrentFilePath = dir.Path(QStringLiteral("missing/x.agd"));
    ExpectError(state.CurrentFilePath,
                QStringLiteral(" δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    EXPECT_FALSE(Save(SampleSheet()));
    EXPECT_FALSE(QFile::exists(state.CurrentFilePath));
}

// Fields split at every tab of a line of any length; the data open at any
// line holding the marker; an empty line is a row, the last needs no end.
TEST_F(GradeFileFixture, DataLinesSplitAtEveryTabAfterTheMarker) {
    auto grid = Read("[Header]\r\n[Data]\r\nt0\tt1\tt2\tt3\r\na\t\tb\t\r\n\r\nlast");
    ASSERT_TRUE(grid);
    ASSERT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->ColCount(), 4);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(grid->Cell(1, c), QStringList({"a", "", "b", ""})[c]) << c;
    EXPECT_EQ(grid->Cell(2, 0), QString());
    EXPECT_EQ(grid->Cell(3, 0), QStringLiteral("last"));

    grid = Read("junk\r\nsome [Data] here\r\nT\r\nR\r\n");
    ASSERT_TRUE(grid);
    ASSERT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->Cell(0, 0), QStringLiteral("T"));

    QByteArray line;
    for (int c = 0; c < 10000; ++c)
        line += (c ? "\t" : "") + QByteArray::number(c);
    grid = Read("[Data]\r\n" + line + "\r\n" + QByteArray(1 << 20, 'a') + "\tz\r\n");
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->ColCount(), 10000);
    EXPECT_EQ(grid->Cell(0, 9999), QStringLiteral("9999"));
    EXPECT_EQ(grid->Cell(1, 0).size(), 1 << 20);
    EXPECT_EQ(grid->Cell(1, 1), QStringLiteral("z"));
}

TEST_F(GradeFileFixture, AFileThatIsMissingWithoutADataSectionOrTooLargeIsReportedAndTheGridKept) {
    GradeSheet kept(2, 2);
    kept.SetCell(1, 1, QStringLiteral("keep"));
    const GradeSheet before = kept;
    const QString none = dir.Path(QStringLiteral("none.agd"));
    ExpectError(none, QStringLiteral(" δεν μπορεί να ανοιχθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    EXPECT_FALSE(ReadGradeDataRows(none, ui, kept, nullptr));
    // In the program's code page and in a spreadsheet's UTF-16.
    for (const QByteArray& bytes :
         {QByteArray("[Header]\r\nFile=x\r\nT\tU\r\n"),
          Utf16(QStringLiteral("[Header]\r\nT\tU\r\n"), QStringConverter::Utf16LE)}) {
        WriteBytes(state.CurrentFilePath, bytes);
        ExpectError(state.CurrentFilePath,
                    QStringLiteral(" δεν έχει ενότητα δεδομένων [Data]: δεν είναι φύλλο "
                                   "βαθμολογίας ή έχει αλλοιωθεί."));
        EXPECT_FALSE(ReadGradeDataRows(state.CurrentFilePath, ui, kept, nullptr));
    }
    // Just over the limit: refused before a byte of it is read; at the limit it is read.
    WriteBytes(state.CurrentFilePath, "[Data]\r\n");
    ASSERT_TRUE(QFile::resize(state.CurrentFilePath, kMaxGradeFileBytes + 1));
    ExpectError(state.CurrentFilePath, QStringLiteral(" είναι πολύ μεγάλο (64 MB) για φύλλο βαθμολογίας· "
                                                      "διαβάζονται αρχεία έως 64 MB."));
    EXPECT_FALSE(ReadGradeDataRows(state.CurrentFilePath, ui, kept, nullptr));
    EXPECT_EQ(kept, before);
    ASSERT_TRUE(QFile::resize(state.CurrentFilePath, kMaxGradeFileBytes));
    EXPECT_TRUE(ReadGradeDataRows(state.CurrentFilePath, ui, kept, nullptr));
}

TEST_F(GradeFileFixture, FilesSavedAsUtf8OrUtf16AreReadAsTheirTextSays) {
    const QString text =
        QStringLiteral("[Header]\r\nFileName=Β1 Φυσική.agd\r\nSchoolYear=2024-2025\r\n[Data]\r\n"
                       "α/α\tΕΠΩΝΥΜΟ\tΆλγεβρα\r\n1;1;20\tΌλγα\t17,5\r\n");
    for (const QByteArray& bytes :
         {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), Utf16(text, QStringConverter::Utf16LE),
          Utf16(text, QStringConverter::Utf16BE)}) {
        const auto grid = Read(bytes);
        const GradeHeader header = ReadGradeHeader(state.CurrentFilePath);
        EXPECT_EQ(header.FileName, QStringLiteral("Β1 Φυσική.agd"));
        EXPECT_EQ(header.SchoolYear, QStringLiteral("2024-2025"));
        ASSERT_TRUE(grid);
        ASSERT_EQ(grid->RowCount(), 2);
        EXPECT_EQ(grid->Cell(0, 2), QStringLiteral("Άλγεβρα"));
        EXPECT_EQ(grid->Cell(1, 1), QStringLiteral("Όλγα"));
        EXPECT_EQ(grid->Cell(1, 2), QStringLiteral("17,5"));
        // A stamp turns the file into the program's own encoding, its text unchanged.
        WriteGradeFileHeaderKey(state.CurrentFilePath, QStringLiteral("Imported"), QStringLiteral("now"));
        EXPECT_EQ(ReadBytes(state.CurrentFilePath),
                  Greek(QString(text).replace(QStringLiteral("SchoolYear=2024-2025\r\n"),
                                              QStringLiteral("SchoolYear=2024-2025\r\nImported=now\r\n"))));
    }
    // A foreign file with characters the code page lacks is never stamped.
    const QByteArray bytes =
        QByteArray("\xEF\xBB\xBF") + QStringLiteral("[Header]\r\nFileName=Zoë.agd\r\n[Data]\r\n").toUtf8();
    WriteBytes(state.CurrentFilePath, bytes);
    EXPECT_EQ(ReadGradeHeader(state.CurrentFilePath).FileName, QString())
        << "the header cannot be carried over";
    EXPECT_THROW(
        WriteGradeFileHeaderKey(state.CurrentFilePath, QStringLiteral("Imported"), QStringLiteral("x")),
        EncodingError);
    EXPECT_EQ(ReadBytes(state.CurrentFilePath), bytes);
}
