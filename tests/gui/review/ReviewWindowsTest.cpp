// The viewer and the posting window offscreen, on real files and a real
// school, every prompt scripted.
#include "gui/review/TFormPostTable.h"
#include "gui/review/TFormViewTable.h"

#include "core/review/ReviewTestSupport.h"

#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheetModel.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/compose/TFormSave.h"
#include "gui/print/TPrintStatusForm.h"
#include "schooldb/SchoolDatabase.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace ekaldo;
using namespace ekaldo::testing;
using schooldb::FieldValue;

namespace {

const QString kFileName = QStringLiteral("Τμήμα Α.agd");

class ReviewWindows : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareState(state, dir.Path());
        ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(10, 30, 0)));
        state.CurrentFilePath = QDir(state.ImportsDir).filePath(kFileName);
        state.CurrentFileName = kFileName;
    }
    // Writes the InBox file and reads its header, as the main window does before opening a window.
    void WriteFile(const QStringList& lines, const QString& year = "2025-2026",
                   const QString& posted = QString()) {
        WriteSheetFile(state.CurrentFilePath, lines, year, posted);
        ReadGradeFileHeader(state, state.CurrentFilePath);
    }
    QStringList Sheet() const {
        return {TitlesLine({"Άλγεβρα", "Φυσική"}), StudentLine("1;1;20", "Ωραίος", {"14", "x"}),
                StudentLine("2;1;20", "Άγγελος", {"8", "-1"}),
                StudentLine("5;1;20", "Ευθυμίου", {"11", "12"})};
    }
    void ExpectPeriodQuestion(int period) {
        ui.ExpectMessage(MessageIcon::Question,
                         QStringLiteral("Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: \"%1ος "
                                        "Βαθμός\"!\nΘέλετε να προχωρήσετε;")
                             .arg(period),
                         MessageAnswer::Yes);
    }
    // Whether a row number carries the given stamp, pixel for pixel.
    static bool StampIs(TSheetGrid& grid, int modelRow, MarkImage mark) {
        QHeaderView* numbers = grid.verticalHeader();
        const QImage image = numbers->viewport()->grab().toImage();
        const QImage picture = TDatModImages::Mark(mark).toImage();
        const int left = numbers->width() - 1 - TDatModImages::MarkSize;
        const int top = numbers->sectionViewportPosition(modelRow) + 3;
        for (int y = 0; y < TDatModImages::MarkSize; ++y)
            for (int x = 0; x < TDatModImages::MarkSize; ++x)
                if (image.pixelColor(QPoint(left + x, top + y) * numbers->viewport()->devicePixelRatioF()) !=
                    picture.pixelColor(x, y))
                    return false;
        return true;
    }
    FieldValue Field(int student, int subject, const QString& field) {
        return StoredField(state, student, subject, field);
    }

    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    int refreshed = 0;
};

} // namespace

// ---- The viewer ----

TEST_F(ReviewWindows, ViewerSavesUnderANewNameAndAsksBeforeReplacing) {
    WriteFile(Sheet(), "2024-2025", "1/2/2026");
    TFormViewTable window(state, ui);
    QObject::connect(&window, &TFormViewTable::DocumentsChanged, [this] { ++refreshed; });
    window.LoadViewerSheet();
    const QString target = QDir(state.ImportsDir).filePath(QStringLiteral("Αντίγραφο.agd"));
    QString proposed;
    ui.ExpectModal([&](QObject& object) {
        auto& dialog = static_cast<TFormSave&>(object);
        proposed = dialog.SaveAsFileEdit()->text();
        dialog.SaveAsFileEdit()->setText(QStringLiteral("Αντίγραφο.txt"));
        return int(QDialog::Accepted);
    });
    ui.ExpectMessage(MessageIcon::Information,
                     QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + target + QStringLiteral("\" ολοκληρώθηκε!"));
    window.tbtnSaveTableClick();
    EXPECT_EQ(proposed, kFileName) << "the name box's name with the extension .agd";
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(state.CurrentFilePath, target);
    EXPECT_EQ(ReadGradeHeader(target).SchoolYear, QStringLiteral("2024-2025")) << "the source's school year";

    // Answering No to the overwrite question writes nothing and refreshes nothing.
    const QByteArray saved = ReadBytes(target);
    ui.ExpectModal([&](QObject& object) {
        static_cast<TFormSave&>(object).SaveAsFileEdit()->setText(QStringLiteral("Αντίγραφο"));
        return int(QDialog::Accepted);
    });
    ui.ExpectMessage(MessageIcon::Question,
                     QStringLiteral("Το Αρχείο \"") + target +
                         QStringLiteral("\" υπάρχει!\nΘέλετε να το επικαλύψετε;"),
                     MessageAnswer::No);
    ui.SetNow(QDateTime(QDate(2026, 7, 1), QTime(9, 0, 0)));
    window.SaveViewerSheet();
    EXPECT_EQ(ReadBytes(target), saved);
    EXPECT_EQ(refreshed, 1);
}

// ---- The posting window ----

TEST_F(ReviewWindows, PostingWindowOfAFileThatCannotBeReadOffersNoRun) {
    ui.ExpectMessage(MessageIcon::Error,
                     QStringLiteral("Το Αρχείο \"") + state.CurrentFilePath +
                         QStringLiteral("\" δεν μπορεί να ανοιχθεί!\nΕλέγξτε την ονομασία του Αρχείου!"));
    TFormPostTable window(state, ui);
    QObject::connect(&window, &TFormPostTable::InBoxChanged, [this] { ++refreshed; });
    window.LoadPostingSheet();
    EXPECT_FALSE(window.btnCheck()->isEnabled());
    EXPECT_FALSE(window.btnPost()->isEnabled());
    window.PeriodCoBo()->setCurrentIndex(0);
    window.btnPostClick();
    window.btnCheckClick();
    EXPECT_FALSE(QFile::exists(state.CurrentFilePath)) << "no stamp creates the missing file";
    EXPECT_EQ(refreshed, 0);
}

// A store that fails is no silent success: the count line and a message
// say how many and which.
TEST_F(ReviewWindows, PostSaysHowManyStoresFailedAndWhich) {
    WriteFile(Sheet());
    TFormPostTable window(state, ui);
    QObject::connect(&window, &TFormPostTable::InBoxChanged, [this] { ++refreshed; });
    window.LoadPostingSheet();
    window.PeriodCoBo()->setCurrentIndex(1);
    // Another writer of student 5's Φυσική gets in once the run holds the lock.
    window.Posting().SetWriteStageHook([this](WriteStage stage) {
        if (stage != WriteStage::Locked)
            return;
        schooldb::Table other(state.MorvenDataBase());
        other.SetTableName(QStringLiteral("GRADE.DB"));
        other.Open();
        while (other.FieldByName("STUDENTID").AsInteger() != 5 ||
               other.FieldByName("SUBJECTID").AsInteger() != 2)
            other.Next();
        other.Edit();
        other.FieldByName("GRD9").SetAsFloat(1);
        ASSERT_TRUE(other.Post());
    });
    ExpectPeriodQuestion(2);
    ui.ExpectMessage(
        MessageIcon::Error,
        QStringLiteral("1 βαθμοί δεν αποθηκεύτηκαν:\nΓραμμή 3, μαθητής 5, μάθημα \"Φυσική\": Η εγγραφή 10 "
                       "του πίνακα \"GRADE.DB\" άλλαξε από άλλο πρόγραμμα μετά την ανάγνωσή της· δεν "
                       "αποθηκεύτηκε τίποτα.\nΟι υπόλοιποι καταχωρήθηκαν· δοκιμάστε ξανά την "
                       "Καταχώρηση για αυτούς."));
    window.btnPostClick();
    EXPECT_EQ(window.LastSummary().storedRecords, 3);
    EXPECT_TRUE(window.pnlStudentCnt()->text().endsWith(QStringLiteral(" - Δεν αποθηκεύτηκαν: 1")))
        << window.pnlStudentCnt()->text().toStdString();
    EXPECT_EQ(Field(5, 2, "GRD2"), FieldValue());
    EXPECT_FALSE(ReadGradeHeader(state.CurrentFilePath).Posted.isEmpty()) << "what was stored is posted";
}

// Escape and closing ask the Abort question: "Όχι" lets the run go on, "Ναι"
// stops it, says what was and was not posted, and closes when it has ended.
TEST_F(ReviewWindows, EscapeOrClosingDuringARunAsksAndStopsItBeforeTheTablesClose) {
    WriteFile(Sheet());
    TFormPostTable window(state, ui);
    QObject::connect(&window, &TFormPostTable::InBoxChanged, [this] { ++refreshed; });
    window.LoadPostingSheet();
    window.show();
    window.PeriodCoBo()->setCurrentIndex(4);
    ExpectPeriodQuestion(5);
    const QString question = QStringLiteral("Θέλετε να διακόψετε την διαδικασία Καταχώρησης;");
    ui.ExpectMessage(MessageIcon::Question, question, MessageAnswer::No);
    ui.ExpectMessage(MessageIcon::Question, question, MessageAnswer::Yes);
    ui.ExpectMessage(MessageIcon::Warning, QStringLiteral("Η Καταχώρηση διακόπηκε.\nΓραμμές μαθητών που "
                                                          "καταχωρήθηκαν: 2\nΓραμμές μαθητών που δεν "
                                                          "καταχωρήθηκαν: 1"));
    bool openAfterNo = false;
    bool openWhileClosing = false;
    // Escape during row 1 answered "Όχι", closing during row 2 answered "Ναι".
    QTimer::singleShot(0, &window, [&] {
        QTest::keyClick(&window, Qt::Key_Escape);
        openAfterNo = window.isVisible() && window.Running();
        QTimer::singleShot(0, &window, [&] {
            window.close();
            openWhileClosing = window.Posting().TablesOpen() && window.isVisible();
        });
    });
    window.btnPostClick();
    EXPECT_TRUE(openAfterNo);
    EXPECT_TRUE(openWhileClosing) << "the window waits for the run";
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Posting().TablesOpen());
    EXPECT_EQ(Field(1, 1, "GRD5"), FieldValue::Float(14));
    EXPECT_EQ(Field(2, 1, "GRD5"), FieldValue::Float(8));
    EXPECT_EQ(Field(5, 1, "GRD5"), FieldValue()) << "the row after the abort";
    EXPECT_FALSE(ReadGradeHeader(state.CurrentFilePath).Posted.isEmpty()) << "stamped all the same";
    window.Posting().OpenTables();
    const std::optional<PostingJournal::Run> run = window.Posting().LastPosting(PostedFileOf(state));
    ASSERT_TRUE(run);
    EXPECT_EQ(run->outcome, QStringLiteral("aborted"));
}

// No internal code reaches people: tooltips give the reason in Greek, cells
// the database refuses are marked and counted, and their row is not ticked
// as wholly posted.
TEST_F(ReviewWindows, RefusedAndErrorCellsSayWhyInGreek) {
    UseLocale(GreekLocale());
    // Ιστορία is locked; student 3's record holds a GRD1 outside 0..10, so no store of it goes through.
    WriteFile({TitlesLine({"Άλγεβρα", "Ιστορία", "Χημεία"}), StudentLine("1;1;20", "Α", {"25", "15", "-2"}),
               StudentLine("3;0;10", "Γ", {"-2", "-2", "7"}),
               StudentLine("5;1;20", "Ε", {"12.5", "-2", "-2"})});
    TFormPostTable window(state, ui);
    window.LoadPostingSheet();
    window.resize(900, 500);
    window.show();
    window.PeriodCoBo()->setCurrentIndex(3);
    ExpectPeriodQuestion(4);
    window.btnPostClick();
    EXPECT_EQ(window.LastSummary().refusedStores, 2);
    const QString count = window.pnlStudentCnt()->text();
    EXPECT_TRUE(count.contains(QStringLiteral(" - Λάθη: 2 - Αλλαγές: ")) &&
                count.endsWith(QStringLiteral(" - Απορρίφθηκαν: 2")))
        << count.toStdString();

    const GradeSheetModel& model = *window.grdStudents()->SheetModel();
    const auto tip = [&](int row, int column) {
        return model.data(model.index(row, column), Qt::ToolTipRole).toString();
    };
    EXPECT_EQ(tip(0, 8), QStringLiteral("25: ο βαθμός είναι έξω από τα όρια της γραμμής (1 έως 20)"));
    EXPECT_TRUE(tip(0, 9).startsWith(QStringLiteral("15: η Βάση δεν δέχεται τον βαθμό")))
        << tip(0, 9).toStdString();
    EXPECT_EQ(tip(2, 8), QStringLiteral("12.5: η τιμή δεν είναι αριθμός· χρησιμοποιήστε κόμμα"));
    EXPECT_EQ(tip(1, 1), window.Sheet().Cell(2, 1)) << "a cell without a state shows its value";
    UseLocale(EnglishLocale());
    EXPECT_EQ(PostingCellToolTip(u"12,5|Err2", u"1;1;20"),
              QStringLiteral("12,5: η τιμή δεν είναι αριθμός· χρησιμοποιήστε τελεία"));
    EXPECT_EQ(PostingCellToolTip(u"x|Err2", u"1;1;20"), QStringLiteral("x: η τιμή δεν είναι αριθμός"));
    EXPECT_EQ(PostingCellToolTip(u"11|Err3", u"3;0;10|Err3"),
              QStringLiteral("11: ο βαθμός είναι έξω από τα όρια της γραμμής (0 έως 10)"));

    // Paper shows the values alone.
    ui.ExpectModal([&](QObject& dialog) {
        const GradeSheet& printed = dynamic_cast<TPrintStatusForm&>(dialog).Grid();
        EXPECT_EQ(printed.Cell(1, 8), QStringLiteral("25"));
        EXPECT_EQ(printed.Cell(2, 10), QStringLiteral("7"));
        EXPECT_EQ(printed.Cell(3, 8), QStringLiteral("12.5"));
        return int(QDialog::Rejected);
    });
    window.PrintClick();
    EXPECT_EQ(window.Sheet().Cell(1, 8), QStringLiteral("25|Err3")) << "the window keeps its states";

    // The row of the refused cell is not ticked as wholly posted.
    QApplication::processEvents();
    EXPECT_TRUE(StampIs(*window.grdStudents(), 1, MarkImage::PartTick));
}

TEST_F(ReviewWindows, PostStoresAndStampsAndUndoGivesBackTheOldValues) {
    WriteFile(Sheet());
    const QByteArray grades = ReadBytes(QDir(SchoolFolder(dir.Path())).filePath("GRADE.DB"));
    TFormPostTable window(state, ui);
    QObject::connect(&window, &TFormPostTable::InBoxChanged, [this] { ++refreshed; });
    window.LoadPostingSheet();
    ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Δεν υπάρχει Καταχώρηση του Αρχείου \"") +
                                                   kFileName + QStringLiteral("\" για αναίρεση."));
    window.btnUndoClick();
    window.PeriodCoBo()->setCurrentIndex(1);
    ExpectPeriodQuestion(2);
    const int eventsBefore = ui.ProcessEventsCalls();
    window.btnPostClick();
    EXPECT_EQ(ui.ProcessEventsCalls() - eventsBefore, 3) << "the window answers once a row";
    EXPECT_EQ(window.Sheet().Cell(1, 0), QStringLiteral("1;1;20|Posted"));
    EXPECT_EQ(refreshed, 1);
    const auto run = window.Posting().LastPosting(PostedFileOf(state));
    ASSERT_TRUE(run);
    ui.ExpectMessage(MessageIcon::Question, UndoConfirmationText(*run), MessageAnswer::Yes);
    ui.ExpectMessage(MessageIcon::Information,
                     QStringLiteral("Η Αναίρεση της Καταχώρησης ολοκληρώθηκε: 4 τιμές επανήλθαν."));
    window.btnUndoClick();
    EXPECT_EQ(ReadBytes(QDir(SchoolFolder(dir.Path())).filePath("GRADE.DB")), grades);
    EXPECT_EQ(window.Sheet().Cell(1, 0), QStringLiteral("1;1;20"));
    EXPECT_FALSE(window.Posting().WouldChange(1, 8)) << "the posted cells are no longer changes";
    EXPECT_EQ(refreshed, 2);

    // Without the posting right there is no undo.
    state.UserRights = QString(32, QLatin1Char('0'));
    window.btnUndoClick();
}
