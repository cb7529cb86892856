#include "core/shell/DocumentTransfer.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeWorkbook.h"
#include "core/shell/AppState.h"
#include "core/shell/DocumentFolders.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

QByteArray GradeFile(const QString& fileName, const QString& extraHeader = QString()) {
    return Greek(QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nFileName=") +
                 fileName +
                 QStringLiteral(
                     "\r\nCreated=1/1/05 12:00:00 PM\r\nExported=\r\nModified=\r\nImported=\r\nPosted=\r\n") +
                 extraHeader +
                 QStringLiteral("SchoolYear=2004-2005\r\n[Data]\r\nα/α\tΕΠΩΝΥΜΟ\r\n1;1;20\tΑλεξίου\r\n"));
}

struct FoldersFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    const QDateTime moment{QDate(2005, 3, 4), QTime(9, 30, 15)};
    const QString stamp = QStringLiteral("3/4/05 9:30:15 AM");

    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
        state.SetDocumentFolders();
        QDir().mkpath(dir.Path(QStringLiteral("out")));
        QDir().mkpath(dir.Path(QStringLiteral("in")));
        ui.SetNow(moment);
    }
    QString OutBox(const QString& name) const { return DocumentPath(state, DocumentPage::OutBox, name); }
    QString InBox(const QString& name) const { return DocumentPath(state, DocumentPage::InBox, name); }
    QString Overwrite(const QString& path) const {
        return QStringLiteral("Το Αρχείο \"") + path +
               QStringLiteral("\" υπάρχει!\nΘέλετε να το επικαλύψετε;");
    }
};

} // namespace

TEST_F(FoldersFixture, EmptyFolderListsOneEmptyRowNumberedOne) {
    DocumentListModel model(DocumentPage::InBox);
    EXPECT_EQ(model.Refresh(state, QStringLiteral("gone.agd")), 0);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 8);
    EXPECT_EQ(model.CellText(0, 0), QStringLiteral("1"));
    EXPECT_TRUE(model.FileNameAt(0).isEmpty());
    EXPECT_EQ(DocumentListModel(DocumentPage::OutBox).columnCount(), 5);
    EXPECT_EQ(DocumentListModel(DocumentPage::Templates).columnCount(), 4);
}

TEST_F(FoldersFixture, ListsHeadersAndFindsTheRememberedFileAfterNewOnes) {
    WriteBytes(OutBox(QStringLiteral("b.agd")), GradeFile(QStringLiteral("b.agd")));
    WriteBytes(OutBox(QStringLiteral("notes.txt")), "not listed");
    WriteBytes(OutBox(QStringLiteral("noheader.agd")), "just text\r\n");
    DocumentListModel model(DocumentPage::OutBox);
    model.Refresh(state, QString());
    ASSERT_EQ(model.rowCount(), 2);
    for (const char* name : {"a.agd", "aa.agd", "c.agd", "0.agd"})
        WriteBytes(OutBox(QString::fromLatin1(name)), GradeFile(QString::fromLatin1(name)));
    const int row = model.Refresh(state, QStringLiteral("b.agd"));
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.FileNameAt(row), QStringLiteral("b.agd"));
    EXPECT_EQ(model.CellText(row, 3), QStringLiteral("1/1/05 12:00:00 PM"));
    EXPECT_EQ(model.CellText(row, 0), QString::number(row + 1));
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.FileNameAt(r) == QStringLiteral("noheader.agd")) {
            EXPECT_TRUE(model.CellText(r, 3).isEmpty()) << "a file without a header has empty date columns";
        }
    }
}

// Each folder shows only the stamps that mean something there: the InBox a
// file's whole history, the OutBox no changes, receipt or posting.
TEST_F(FoldersFixture, EachFolderShowsOnlyItsOwnStamps) {
    const QByteArray stamped = Greek(QStringLiteral(
        "[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nFileName=s.agd\r\nCreated=C\r\n"
        "Exported=E\r\nModified=M\r\nImported=I\r\nPosted=P\r\nSchoolYear=2004-2005\r\n[Data]\r\n"));
    WriteBytes(InBox(QStringLiteral("s.agd")), stamped);
    WriteBytes(OutBox(QStringLiteral("s.agd")), stamped);
    const QStringList inBox = {"C", "E", "M", "I", "P"}, outBox = {"C", "E", "", "", ""};
    for (const auto& [page, expected] :
         {std::pair{DocumentPage::InBox, inBox}, std::pair{DocumentPage::OutBox, outBox}}) {
        DocumentListModel model(page);
        const int row = model.Refresh(state, QString());
        ASSERT_EQ(model.rowCount(), 1);
        for (int column = 3; column < 8; ++column)
            EXPECT_EQ(model.CellText(row, column), expected[column - 3])
                << static_cast<int>(page) << " column " << column;
    }
}

TEST_F(FoldersFixture, SendCopiesAndStampsBothCopiesWithOneClockRead) {
    WriteBytes(OutBox(QStringLiteral("a.agd")), GradeFile(QStringLiteral("a.agd")));
    const QString dest = dir.Path(QStringLiteral("out/b.agd"));
    ui.SetClockStep(1000);
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), dest)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + dest + QStringLiteral("\" απεστάλη επιτυχώς!"));
    SendGradeFile(state, state, ui, QStringLiteral("a.agd"));
    EXPECT_EQ(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported, stamp);
    EXPECT_EQ(ReadGradeHeader(dest).Exported, stamp);
    EXPECT_EQ(ui.ClockReads(), 1);
    EXPECT_EQ(state.LastSendFolder, QDir::toNativeSeparators(dir.Path(QStringLiteral("out"))));
    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("a.agd"));
    EXPECT_EQ(ui.FileDialogs()[0].filter, QStringLiteral("Αρχείο Βαθμολογίας (*.agd)"));
    EXPECT_EQ(ui.FileDialogs()[0].defaultSuffix, QStringLiteral("agd"));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty()) << "the InBox is not touched";
    // The data lines travel unchanged.
    const QByteArray sent = ReadBytes(dest);
    EXPECT_TRUE(sent.endsWith(
        GradeFile(QStringLiteral("a.agd")).mid(GradeFile(QStringLiteral("a.agd")).indexOf("[Data]"))));
}

TEST_F(FoldersFixture, SendingAgainRestampsAndNoToOverwriteChangesNothing) {
    WriteBytes(OutBox(QStringLiteral("a.agd")), GradeFile(QStringLiteral("a.agd")));
    const QString dest = dir.Path(QStringLiteral("out/a.agd"));
    WriteBytes(dest, "someone else's file");
    ui.ExpectMessage(MessageIcon::Question, Overwrite(dest), MessageAnswer::No);
    EXPECT_FALSE(SendGradeFileTo(ui, OutBox(QStringLiteral("a.agd")), dest));
    EXPECT_EQ(ReadBytes(dest), "someone else's file");
    EXPECT_TRUE(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported.isEmpty()) << "no stamp";

    ui.ExpectMessage(MessageIcon::Question, Overwrite(dest), MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + dest + QStringLiteral("\" απεστάλη επιτυχώς!"));
    EXPECT_TRUE(SendGradeFileTo(ui, OutBox(QStringLiteral("a.agd")), dest));
    ui.SetNow(moment.addDays(1));
    ui.ExpectMessage(MessageIcon::Question, Overwrite(dest), MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + dest + QStringLiteral("\" απεστάλη επιτυχώς!"));
    EXPECT_TRUE(SendGradeFileTo(ui, OutBox(QStringLiteral("a.agd")), dest));
    EXPECT_EQ(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported, QStringLiteral("3/5/05 9:30:15 AM"));
}

TEST_F(FoldersFixture, SendingAFileOntoItselfNeverEmptiesIt) {
    const QByteArray original = GradeFile(QStringLiteral("a.agd"));
    WriteBytes(OutBox(QStringLiteral("a.agd")), original);
    const QString same = state.ExportsDir + QStringLiteral("/./a.agd");
    ui.ExpectMessage(MessageIcon::Question, Overwrite(same), MessageAnswer::Yes)
        .ExpectMessage(
            MessageIcon::Error,
            QStringLiteral("Το Αρχείο \"") + same +
                QStringLiteral("\" δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    EXPECT_FALSE(SendGradeFileTo(ui, OutBox(QStringLiteral("a.agd")), same));
    EXPECT_EQ(ReadBytes(OutBox(QStringLiteral("a.agd"))), original);
}

TEST_F(FoldersFixture, CancelledDialogChangesNothing) {
    WriteBytes(OutBox(QStringLiteral("a.agd")), GradeFile(QStringLiteral("a.agd")));
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), std::nullopt);
    SendGradeFile(state, state, ui, QStringLiteral("a.agd"));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), std::nullopt);
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_TRUE(state.LastSendFolder.isEmpty());
    EXPECT_TRUE(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported.isEmpty());
}

TEST_F(FoldersFixture, ReceiveFilesTheCopyUnderItsHeaderNameAndStampsOnlyIt) {
    const QString source = dir.Path(QStringLiteral("in/whatever.agd"));
    const QByteArray original = GradeFile(QStringLiteral("7A-2005.agd"));
    WriteBytes(source, original);
    const QString dest = InBox(QStringLiteral("7A-2005.agd"));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), source)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + dest + QStringLiteral("\" ελήφθη επιτυχώς!"));
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_EQ(ReadGradeHeader(dest).Imported, stamp);
    EXPECT_EQ(ReadBytes(source), original) << "the chosen file gets no stamp";
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("*.agd"));
    EXPECT_EQ(state.GradeFileHeader.FileName, QStringLiteral("7A-2005.agd"));

    // Again: the overwrite question first.
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), source)
        .ExpectMessage(MessageIcon::Question, Overwrite(dest), MessageAnswer::No);
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_EQ(ReadGradeHeader(dest).Imported, stamp);
}

TEST_F(FoldersFixture, ReceivedNamesCannotLeaveTheInBox) {
    const struct {
        const char* fileName;
        const char* expected; // nullptr: no usable name
    } cases[] = {
        {"C:\\\\Teacher\\\\Β1.agd", "Β1.agd"},
        {"../../etc/evil.agd", "evil.agd"},
        {"sub/dir\\\\x.agd", "x.agd"},
        {"..", nullptr},
        {".", nullptr},
        {"", nullptr},
        {"a/", nullptr},
        {"/", nullptr},
    };
    for (const auto& c : cases) {
        const QString source = dir.Path(QStringLiteral("in/src.agd"));
        WriteBytes(
            source,
            GradeFile(QString::fromUtf8(c.fileName).replace(QStringLiteral("\\\\"), QStringLiteral("\\"))));
        const auto destination = ReceivedFileDestination(state, source);
        if (c.expected) {
            ASSERT_TRUE(destination.has_value()) << c.fileName;
            EXPECT_EQ(*destination, InBox(QString::fromUtf8(c.expected))) << c.fileName;
        } else {
            EXPECT_FALSE(destination.has_value()) << c.fileName;
        }
    }
    // A header without a usable name ends in the error box, and nothing is written.
    const QString source = dir.Path(QStringLiteral("in/src.agd"));
    WriteBytes(source, "no header at all");
    ui.ExpectMessage(MessageIcon::Error,
                     QStringLiteral("Το Αρχείο \"") + InBox(QString()) +
                         QStringLiteral("\" δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    EXPECT_FALSE(ReceiveGradeFileFrom(state, state, ui, source));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());
    EXPECT_TRUE(QDir(dir.Path(QStringLiteral("prog"))).entryList(QDir::Files).isEmpty());
}

TEST_F(FoldersFixture, DeleteAsksAndRemovesOnlyOnYes) {
    const QString path = DocumentPath(state, DocumentPage::Templates, QStringLiteral("t.agt"));
    WriteBytes(path, "x");
    const QString question = QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + path +
                             QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;");
    ui.ExpectMessage(MessageIcon::Question, question, MessageAnswer::No);
    EXPECT_FALSE(DeleteDocument(state, ui, DocumentPage::Templates, QStringLiteral("t.agt")));
    EXPECT_TRUE(QFile::exists(path));
    ui.ExpectMessage(MessageIcon::Question, question, MessageAnswer::Yes);
    EXPECT_TRUE(DeleteDocument(state, ui, DocumentPage::Templates, QStringLiteral("t.agt")));
    EXPECT_FALSE(QFile::exists(path));
    // The empty row of an empty list names the folder itself: it is never removed.
    const QString folderPath = DocumentPath(state, DocumentPage::Templates, QString());
    ui.ExpectMessage(MessageIcon::Question,
                     QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + folderPath +
                         QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;"),
                     MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Error, QStringLiteral("Το Αρχείο \"") + folderPath +
                                               QStringLiteral("\" δεν μπορεί να διαγραφεί!"));
    EXPECT_FALSE(DeleteDocument(state, ui, DocumentPage::Templates, QString()));
    EXPECT_TRUE(QDir(state.TemplatesDir).exists());
}

TEST_F(FoldersFixture, WorkbookGoesOutStampedAndComesBackShownFirstThenFiledAsGradeFile) {
    WriteBytes(OutBox(QStringLiteral("a.agd")), GradeFile(QStringLiteral("a.agd")));
    const QString workbook = dir.Path(QStringLiteral("out/a.xlsx"));
    ui.SetClockStep(1000);
    ui.ExpectSaveFile(QStringLiteral("Αποστολή ως Λογιστικό Φύλλο.."), workbook)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + workbook + QStringLiteral("\" απεστάλη επιτυχώς!"));
    SendGradeWorkbook(state, ui, QStringLiteral("a.agd"));
    EXPECT_EQ(ui.ClockReads(), 1);
    EXPECT_EQ(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported, stamp);
    EXPECT_EQ(ReadGradeWorkbookFile(workbook).header.Exported, stamp);
    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("a.xlsx"));
    EXPECT_EQ(ui.FileDialogs()[0].filter, QStringLiteral("Λογιστικό Φύλλο (*.xlsx)"));
    EXPECT_EQ(ui.FileDialogs()[0].defaultSuffix, QStringLiteral("xlsx"));

    // What came back is shown first; No writes nothing.
    const QString dest = InBox(QStringLiteral("a.agd"));
    const QString shown =
        QStringLiteral("Το Αρχείο \"") + workbook +
        QStringLiteral("\":\nΓραμμές μαθητών: 1\nΣυμπληρωμένοι βαθμοί: 0\nΔεν λείπει καμία γραμμή.\n"
                       "Να γραφτεί ως \"") +
        dest + QStringLiteral("\";");
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), workbook)
        .ExpectMessage(MessageIcon::Question, shown, MessageAnswer::No);
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());
    EXPECT_EQ(
        ui.FileDialogs()[1].filter,
        QStringLiteral("Αρχείο Βαθμολογίας ή Λογιστικό Φύλλο (*.agd *.xlsx);;Αρχείο Βαθμολογίας (*.agd);;"
                       "Λογιστικό Φύλλο (*.xlsx)"));

    ui.SetNow(moment.addDays(1));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), workbook)
        .ExpectMessage(MessageIcon::Question, shown, MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + dest + QStringLiteral("\" ελήφθη επιτυχώς!"));
    ReceiveGradeFile(state, state, state, ui);
    const GradeHeader received = ReadGradeHeader(dest);
    EXPECT_EQ(received.Exported, stamp);
    EXPECT_EQ(received.Imported, QStringLiteral("3/5/05 9:30:15 AM"));
    EXPECT_EQ(received.SchoolYear, QStringLiteral("2004-2005"));
    EXPECT_EQ(state.GradeFileHeader.FileName, QStringLiteral("a.agd"));
    const QByteArray bytes = ReadBytes(dest);
    EXPECT_TRUE(bytes.endsWith(Greek(QStringLiteral("[Data]\r\nα/α\tΕΠΩΝΥΜΟ\r\n1;1;20\tΑλεξίου\r\n"))));

    // Refused with the reason, nothing written: a workbook of another school
    // year than the open one, and a file that is no workbook at all.
    QFile::remove(dest);
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2005-2006");
    ui.ExpectMessage(MessageIcon::Error,
                     QStringLiteral("Το Αρχείο \"") + workbook +
                         QStringLiteral("\" δεν μπορεί να ληφθεί!\nΤο φύλλο ανήκει στο Σχ. Έτος "
                                        "2004-2005, όχι στο ανοιχτό Σχ. Έτος 2005-2006."));
    EXPECT_FALSE(ReceiveGradeFileFrom(state, state, ui, workbook));
    const QString broken = dir.Path(QStringLiteral("in/broken.xlsx"));
    WriteBytes(broken, GradeFile(QStringLiteral("a.agd")));
    ui.ExpectMessage(MessageIcon::Error,
                     QStringLiteral("Το Αρχείο \"") + broken +
                         QStringLiteral("\" δεν μπορεί να ληφθεί!\nΔεν είναι βιβλίο εργασίας "
                                        "λογιστικού φύλλου (.xlsx) ή έχει αλλοιωθεί."));
    EXPECT_FALSE(ReceiveGradeFileFrom(state, state, ui, broken));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());
}
