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

const QString kData = QStringLiteral("[Data]\r\nα/α\tΕΠΩΝΥΜΟ\r\n1;1;20\tΑλεξίου\r\n");

QByteArray GradeFile(const QString& fileName) {
    return Greek(QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nFileName=") +
                 fileName +
                 QStringLiteral("\r\nCreated=1/1/05 12:00:00 PM\r\nExported=\r\nModified=\r\nImported=\r\n"
                                "Posted=\r\nSchoolYear=2004-2005\r\n") +
                 kData);
}

QString FileSays(const QString& path, const char* what) {
    return QStringLiteral("Το Αρχείο \"") + path + QStringLiteral("\"") + QString::fromUtf8(what);
}

struct FoldersFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    const QDateTime moment{QDate(2005, 3, 4), QTime(9, 30, 15)};
    const QString stamp = QStringLiteral("3/4/05 9:30:15 AM");
    const QString nextDay = QStringLiteral("3/5/05 9:30:15 AM");

    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
        state.SetDocumentFolders();
        QDir().mkpath(dir.Path(QStringLiteral("out")));
        QDir().mkpath(dir.Path(QStringLiteral("in")));
        ui.SetNow(moment);
    }
    QString OutBox(const QString& name) const { return DocumentPath(state, DocumentPage::OutBox, name); }
    QString InBox(const QString& name) const { return DocumentPath(state, DocumentPage::InBox, name); }
    QString OutBoxFile(const QString& name) const {
        WriteBytes(OutBox(name), GradeFile(name));
        return OutBox(name);
    }
    void ExpectOverwrite(const QString& path, MessageAnswer answer) {
        ui.ExpectMessage(MessageIcon::Question, FileSays(path, " υπάρχει!\nΘέλετε να το επικαλύψετε;"),
                         answer);
    }
    void ExpectDone(const QString& path, const char* what) {
        ui.ExpectMessage(MessageIcon::Information, FileSays(path, what));
    }
    void ExpectCannotCreate(const QString& path) {
        ui.ExpectMessage(MessageIcon::Error,
                         FileSays(path, " δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    }
};

} // namespace

// An empty folder shows one empty row numbered 1; the remembered file is found
// again; the InBox shows a file's whole history, the OutBox no later stamps.
TEST_F(FoldersFixture, ListsHeadersFindTheRememberedFileAndShowEachFoldersOwnStamps) {
    DocumentListModel model(DocumentPage::OutBox);
    EXPECT_EQ(model.Refresh(state, QStringLiteral("gone.agd")), 0);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.CellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(model.CellText(1, 0), QString()) << "no number past the last row";
    EXPECT_TRUE(model.FileNameAt(0).isEmpty());
    OutBoxFile(QStringLiteral("b.agd"));
    WriteBytes(OutBox(QStringLiteral("notes.txt")), "not listed");
    WriteBytes(OutBox(QStringLiteral("noheader.agd")), "just text\r\n");
    model.Refresh(state, QString());
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_TRUE(model.CellText(1, 3).isEmpty()) << "a file without a header has empty date columns";
    for (const char* name : {"Τμήμα 10.agd", "Ωμέγα.agd", "άλφα.agd", "Τμήμα 2.agd"})
        OutBoxFile(QString::fromUtf8(name));
    const int row = model.Refresh(state, QStringLiteral("b.agd"));
    ASSERT_EQ(model.rowCount(), 6);
    QStringList greek; // accents and case do not separate names, numbers go by value
    for (int r = 0; r < 6; ++r)
        if (model.FileNameAt(r).front().unicode() > 0x370)
            greek << model.FileNameAt(r);
    EXPECT_EQ(greek, (QStringList{"άλφα.agd", "Τμήμα 2.agd", "Τμήμα 10.agd", "Ωμέγα.agd"}));
    EXPECT_EQ(model.FileNameAt(row), QStringLiteral("b.agd"));
    EXPECT_EQ(model.CellText(row, 3), QStringLiteral("1/1/05 12:00:00 PM"));
    EXPECT_EQ(model.CellText(row, 0), QString::number(row + 1));

    const QByteArray stamped = Greek(QStringLiteral(
        "[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nFileName=s.agd\r\nCreated=C\r\n"
        "Exported=E\r\nModified=M\r\nImported=I\r\nPosted=P\r\nSchoolYear=2004-2005\r\n[Data]\r\n"));
    WriteBytes(InBox(QStringLiteral("s.agd")), stamped);
    WriteBytes(OutBox(QStringLiteral("s.agd")), stamped);
    const QStringList inBox = {"C", "E", "M", "I", "P"}, outBox = {"C", "E", "", "", ""};
    for (const auto& [page, expected] :
         {std::pair{DocumentPage::InBox, inBox}, std::pair{DocumentPage::OutBox, outBox}}) {
        DocumentListModel stamps(page);
        const int at = stamps.Refresh(state, QStringLiteral("s.agd"));
        for (int column = 3; column < 8; ++column)
            EXPECT_EQ(stamps.CellText(at, column), expected[column - 3]) << int(page) << " column " << column;
    }
}

// Sending again asks first: No changes nothing, Yes restamps; a file sent onto
// itself is never emptied; a cancelled dialog changes nothing.
TEST_F(FoldersFixture, SendingAgainAsksBeforeOverwritingAndNeverEmptiesTheFileItself) {
    const QString source = OutBoxFile(QStringLiteral("a.agd"));
    const QString dest = dir.Path(QStringLiteral("out/a.agd"));
    ui.SetClockStep(1000);
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), dest);
    ExpectDone(dest, " απεστάλη επιτυχώς!");
    SendGradeFile(state, state, ui, QStringLiteral("a.agd"));
    EXPECT_EQ(ReadGradeHeader(source).Exported, stamp);
    EXPECT_EQ(ReadGradeHeader(dest).Exported, stamp) << "both copies of one clock read";
    EXPECT_EQ(state.LastSendFolder, QDir::toNativeSeparators(dir.Path(QStringLiteral("out"))));
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("a.agd"));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty()) << "the InBox is not touched";
    EXPECT_TRUE(ReadBytes(dest).endsWith(Greek(kData))) << "the data lines travel unchanged";

    WriteBytes(dest, "someone else's file");
    ExpectOverwrite(dest, MessageAnswer::No);
    EXPECT_FALSE(SendGradeFileTo(ui, source, dest));
    EXPECT_EQ(ReadBytes(dest), "someone else's file");
    EXPECT_EQ(ReadGradeHeader(source).Exported, stamp);
    ui.SetClockStep(0);
    ui.SetNow(moment.addDays(1));
    ExpectOverwrite(dest, MessageAnswer::Yes);
    ExpectDone(dest, " απεστάλη επιτυχώς!");
    EXPECT_TRUE(SendGradeFileTo(ui, source, dest));
    EXPECT_EQ(ReadGradeHeader(source).Exported, nextDay);

    const QByteArray original = ReadBytes(source);
    const QString same = state.ExportsDir + QStringLiteral("/./a.agd");
    ExpectOverwrite(same, MessageAnswer::Yes);
    ExpectCannotCreate(same);
    EXPECT_FALSE(SendGradeFileTo(ui, source, same));
    EXPECT_EQ(ReadBytes(source), original);

    state.LastSendFolder.clear();
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), std::nullopt);
    SendGradeFile(state, state, ui, QStringLiteral("a.agd"));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), std::nullopt);
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_TRUE(state.LastSendFolder.isEmpty());
    EXPECT_EQ(ReadBytes(source), original);
}

TEST_F(FoldersFixture, ReceiveFilesTheCopyUnderItsHeaderNameAndStampsOnlyIt) {
    const QString source = dir.Path(QStringLiteral("in/whatever.agd"));
    const QByteArray original = GradeFile(QStringLiteral("7A-2005.agd"));
    WriteBytes(source, original);
    const QString dest = InBox(QStringLiteral("7A-2005.agd"));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), source);
    ExpectDone(dest, " ελήφθη επιτυχώς!");
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_EQ(ReadGradeHeader(dest).Imported, stamp);
    EXPECT_EQ(ReadBytes(source), original) << "the chosen file gets no stamp";
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("*.agd"));
    EXPECT_EQ(state.GradeFileHeader.FileName, QStringLiteral("7A-2005.agd"));
    // Again: the overwrite question first.
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), source);
    ExpectOverwrite(dest, MessageAnswer::No);
    ui.SetNow(moment.addDays(1));
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_EQ(ReadGradeHeader(dest).Imported, stamp);
}

TEST_F(FoldersFixture, ReceivedNamesCannotLeaveTheInBox) {
    const std::pair<const char*, const char*> cases[] = {
        // the name in the header, the name in the InBox (nullptr: no usable name)
        {"C:\\Teacher\\Β1.agd", "Β1.agd"},
        {"../../etc/evil.agd", "evil.agd"},
        {"sub/dir\\x.agd", "x.agd"},
        {"..", nullptr},
        {".", nullptr},
        {"", nullptr},
        {"a/", nullptr},
        {"/", nullptr},
    };
    const QString source = dir.Path(QStringLiteral("in/src.agd"));
    for (const auto& [fileName, expected] : cases) {
        WriteBytes(source, GradeFile(QString::fromUtf8(fileName)));
        const auto destination = ReceivedFileDestination(state, source);
        EXPECT_EQ(destination, expected ? std::optional(InBox(QString::fromUtf8(expected))) : std::nullopt)
            << fileName;
    }
    // A header without a usable name ends in the error box, and nothing is written.
    WriteBytes(source, "no header at all");
    ExpectCannotCreate(InBox(QString()));
    EXPECT_FALSE(ReceiveGradeFileFrom(state, state, ui, source));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());
    EXPECT_TRUE(QDir(dir.Path(QStringLiteral("prog"))).entryList(QDir::Files).isEmpty());
}

TEST_F(FoldersFixture, DeleteAsksAndRemovesOnlyOnYes) {
    const auto question = [&](const QString& path) {
        return QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + path +
               QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;");
    };
    const QString path = DocumentPath(state, DocumentPage::Templates, QStringLiteral("t.agt"));
    WriteBytes(path, "x");
    ui.ExpectMessage(MessageIcon::Question, question(path), MessageAnswer::No);
    EXPECT_FALSE(DeleteDocument(state, ui, DocumentPage::Templates, QStringLiteral("t.agt")));
    EXPECT_TRUE(QFile::exists(path));
    ui.ExpectMessage(MessageIcon::Question, question(path), MessageAnswer::Yes);
    EXPECT_TRUE(DeleteDocument(state, ui, DocumentPage::Templates, QStringLiteral("t.agt")));
    EXPECT_FALSE(QFile::exists(path));
    // The empty row of an empty list names the folder itself: it is never removed.
    const QString folder = DocumentPath(state, DocumentPage::Templates, QString());
    ui.ExpectMessage(MessageIcon::Question, question(folder), MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Error, FileSays(folder, " δεν μπορεί να διαγραφεί!"));
    EXPECT_FALSE(DeleteDocument(state, ui, DocumentPage::Templates, QString()));
    EXPECT_TRUE(QDir(state.TemplatesDir).exists());
}

TEST_F(FoldersFixture, WorkbookGoesOutStampedAndComesBackShownFirstThenFiledAsGradeFile) {
    OutBoxFile(QStringLiteral("a.agd"));
    const QString workbook = dir.Path(QStringLiteral("out/a.xlsx"));
    ui.SetClockStep(1000);
    ui.ExpectSaveFile(QStringLiteral("Αποστολή ως Λογιστικό Φύλλο.."), workbook);
    ExpectDone(workbook, " απεστάλη επιτυχώς!");
    SendGradeWorkbook(state, ui, QStringLiteral("a.agd"));
    EXPECT_EQ(ReadGradeHeader(OutBox(QStringLiteral("a.agd"))).Exported, stamp);
    EXPECT_EQ(ReadGradeWorkbookFile(workbook).header.Exported, stamp);
    EXPECT_EQ(ui.FileDialogs()[0].fileName, QStringLiteral("a.xlsx"));
    // What came back is shown first; No writes nothing.
    const QString dest = InBox(QStringLiteral("a.agd"));
    const QString shown = FileSays(workbook, ":\nΓραμμές μαθητών: 1\nΣυμπληρωμένοι βαθμοί: 0\n"
                                             "Δεν λείπει καμία γραμμή.\nΝα γραφτεί ως \"") +
                          dest + QStringLiteral("\";");
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), workbook)
        .ExpectMessage(MessageIcon::Question, shown, MessageAnswer::No);
    ReceiveGradeFile(state, state, state, ui);
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());

    ui.SetNow(moment.addDays(1));
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), workbook)
        .ExpectMessage(MessageIcon::Question, shown, MessageAnswer::Yes);
    ExpectDone(dest, " ελήφθη επιτυχώς!");
    ReceiveGradeFile(state, state, state, ui);
    const GradeHeader received = ReadGradeHeader(dest);
    EXPECT_EQ(received.Exported, stamp);
    EXPECT_EQ(received.Imported, nextDay);
    EXPECT_EQ(received.SchoolYear, QStringLiteral("2004-2005"));
    EXPECT_EQ(state.GradeFileHeader.FileName, QStringLiteral("a.agd"));
    EXPECT_TRUE(ReadBytes(dest).endsWith(Greek(kData)));
    // A workbook of another school year than the open one is refused with the reason.
    QFile::remove(dest);
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2005-2006");
    ui.ExpectMessage(MessageIcon::Error, FileSays(workbook, " δεν μπορεί να ληφθεί!\nΤο φύλλο ανήκει στο "
                                                            "Σχ. Έτος 2004-2005, όχι στο ανοιχτό Σχ. Έτος "
                                                            "2005-2006."));
    EXPECT_FALSE(ReceiveGradeFileFrom(state, state, ui, workbook));
    EXPECT_TRUE(QDir(state.ImportsDir).isEmpty());
}
