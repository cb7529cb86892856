// The student filter window and its dialogs, offscreen, on a school written by the builder.
#include "gui/compose/TFormExpoFilter.h"
#include "core/compose/SheetClipboard.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/compose/TFormSave.h"
#include "gui/print/TPrintStatusForm.h"
#include "gui/widgets/TSheetGrid.h"
#include "report/PrintTestSupport.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace ekaldo;
using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

void WriteSchool(const QString& folder) {
    QDir().mkpath(folder);
    SchoolTables::Level().Rows({{"ΓΥ", "Γυμνάσιο"}, {"ΛΥ", "Λύκειο"}}).Write(folder);
    SchoolTables::Method().Rows({{1, 1.0, 20.0}}).Write(folder);
    SchoolTables::Class().Rows({{1, "ΓΥ", QVariant(), 1, "Α"}, {2, "ΛΥ", QVariant(), 1, "Β"}}).Write(folder);
    SchoolTables::Course().Rows({{10, 1, "Α1"}, {20, 2, "Β1"}}).Write(folder);
    SchoolTables::Subject()
        .Rows({{1, "Άλγεβρα", QVariant(), 1, true}, {2, "Φυσική", QVariant(), 2, true}})
        .Write(folder);
    SchoolTables::Student()
        .Rows({{1, "Ωραίος", "Νίκος", "Μ1", 10}, {2, "Άγγελος", "Ελένη", "Μ2", 20}})
        .Write(folder);
    SchoolTables::Guardian().Rows({{1, "Πέτρος"}, {2, "Σπύρος"}}).Write(folder);
    SchoolTables::Grade()
        .Rows({SchoolTables::GradeRow(1, 1, true, {{"GRD1", 17.0}}), SchoolTables::GradeRow(2, 2, false)})
        .Write(folder);
}

struct FilterFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    int outBoxRefreshed = 0;
    std::unique_ptr<TFormExpoFilter> window;

    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
        state.SetDocumentFolders();
        const QString folder = dir.Path(QStringLiteral("MV202526.SYR"));
        WriteSchool(folder);
        state.DatabaseSession().AddPassword(DataTablePassword());
        state.MorvenDataBase().SetParams({QStringLiteral("PATH=") + folder});
        state.MorvenDataBase().Open();
        state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");
        state.CurrentTemplateName = QStringLiteral("Νέο");
    }
    TFormExpoFilter& Open() {
        window = std::make_unique<TFormExpoFilter>(state, ui);
        QObject::connect(window.get(), &TFormExpoFilter::OutBoxChanged, [this] { ++outBoxRefreshed; });
        window->FillGrids();
        window->ComposeSheet();
        window->show();
        return *window;
    }
    int RowOf(SelectionKind kind, const QString& caption) {
        const SelectionGrid& grid = window->Composition().Grid(kind);
        for (int r = 1; r < grid.RowCount(); ++r)
            if (grid.Caption(r) == caption)
                return r;
        return -1;
    }
    // A double-click on the row of a selection grid, as the user makes it.
    void DoubleClick(SelectionKind kind, int gridRow) {
        QTableView* view = window->SelectionView(kind);
        Q_EMIT view->doubleClicked(view->model()->index(gridRow - 1, 1));
    }
};

} // namespace

TEST_F(FilterFixture, OpensWithDefaultsAndComposesOnEveryDoubleClick) {
    TFormExpoFilter& w = Open();
    EXPECT_EQ(w.pnlStudentCnt()->text(), QStringLiteral("Σχ.Έτος: 2025-2026 - Μαθητές: 2"));
    DoubleClick(SelectionKind::Levels, RowOf(SelectionKind::Levels, QStringLiteral("Λύκειο")));
    EXPECT_EQ(w.pnlStudentCnt()->text(), QStringLiteral("Σχ.Έτος: 2025-2026 - Μαθητές: 1"));
    DoubleClick(SelectionKind::Subjects, 2); // "<Όλα>"
    EXPECT_EQ(w.Composition().Sheet.ColCount(), 10);
    EXPECT_EQ(w.grdStudents()->model()->columnCount(), 10);
    EXPECT_EQ(w.Composition().Sheet.Cell(1, 9), QStringLiteral("-1"));
}

TEST_F(FilterFixture, SavingASheetProposesTheBoxNameAsksBeforeReplacingAndRefreshesTheOutBox) {
    Open();
    const QString path = state.ExportsDir + QStringLiteral("/Νέο.agd");
    ui.ExpectModal([](QObject& dialog) {
          EXPECT_EQ(static_cast<TFormSave&>(dialog).SaveAsFileEdit()->text(), QStringLiteral("Νέο.agd"));
          return int(QDialog::Accepted);
      })
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + path + QStringLiteral("\" ολοκληρώθηκε!"));
    window->tbtnSaveTableClick();
    EXPECT_EQ(outBoxRefreshed, 1);
    EXPECT_EQ(ReadGradeHeader(path).SchoolYear, QStringLiteral("2025-2026"));
    EXPECT_EQ(state.CurrentFileName, QStringLiteral("Νέο.agd"));
    const QByteArray before = ReadBytes(path);
    // Again, typed without an extension, answered No: nothing is saved.
    ui.ExpectModal([](QObject& dialog) {
          static_cast<TFormSave&>(dialog).SaveAsFileEdit()->setText(QStringLiteral("Νέο"));
          return int(QDialog::Accepted);
      })
        .ExpectMessage(MessageIcon::Question,
                       QStringLiteral("Το Αρχείο \"") + path +
                           QStringLiteral("\" υπάρχει!\nΘέλετε να το επικαλύψετε;"),
                       MessageAnswer::No);
    window->tbtnSaveTableClick();
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(outBoxRefreshed, 1);
    ui.ExpectModal([](QObject&) { return int(QDialog::Rejected); });
    window->tbtnSaveTableClick();
    EXPECT_EQ(outBoxRefreshed, 1) << "cancel saves nothing";
}

TEST_F(FilterFixture, CopyPutsTheSheetOnTheClipboardWithCrosses) {
    Open();
    DoubleClick(SelectionKind::Subjects, 2);
    ui.ExpectMessage(MessageIcon::Information,
                     QStringLiteral("Η Αντιγραφή στο Σημειωματάριο (Clipboard) ολοκληρώθηκε!"));
    window->CopySheetToClipboard();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0],
              QStringLiteral("ΕΠΩΝΥΜΟ\tΟΝΟΜΑ\tΠΑΤΡΩΝΥΜΟ\tΜΗΤΡΩΟ\tΕΠΙΠΕΔΟ\tΤΑΞΗ\tΤΜΗΜΑ\tΆλγεβρα\tΦυσική"));
    EXPECT_EQ(lines[1], QStringLiteral("Ωραίος\tΝίκος\tΠέτρος\tΜ1\tΓυμνάσιο\tΑ\tΑ1\t\tx"));
    EXPECT_EQ(lines[2], QStringLiteral("Άγγελος\tΕλένη\tΣπύρος\tΜ2\tΛύκειο\tΒ\tΒ1\tx\tx"));
    bool complete = true;
    const QString cut = SheetClipboardText(window->Composition().Sheet, complete, lines[0].size() + 10);
    EXPECT_FALSE(complete);
    EXPECT_EQ(cut, lines[0] + QStringLiteral("\r\n"));
}

TEST_F(FilterFixture, StudentColumnsStayFixedWhileSubjectsScroll) {
    Open();
    window->resize(500, 500);
    EXPECT_TRUE(window->FrozenColumns()->isHidden()) << "only the row numbers are fixed";
    DoubleClick(SelectionKind::Subjects, 2);
    QApplication::processEvents();
    TSheetGrid* frozen = window->FrozenColumns();
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_FALSE(frozen->isColumnHidden(7));
    EXPECT_TRUE(frozen->isColumnHidden(8));
    window->grdStudents()->horizontalScrollBar()->setValue(
        window->grdStudents()->horizontalScrollBar()->maximum());
    EXPECT_EQ(frozen->horizontalScrollBar()->value(), 0);
    // A dragged column goes back to its place at the next composition.
    window->grdStudents()->horizontalHeader()->moveSection(2, 5);
    DoubleClick(SelectionKind::Levels, 1);
    EXPECT_EQ(window->grdStudents()->horizontalHeader()->visualIndex(2), 2);
}

TEST_F(FilterFixture, APrintedSheetCarriesTheOpenSchoolYearNotThatOfTheFileReadLast) {
    if (!HavePoppler())
        GTEST_SKIP() << "pdftotext is missing";
    state.GradeFileHeader.SchoolYear = QStringLiteral("1999-2000");
    Open();
    const QString pdf = dir.Path(QStringLiteral("sheet.pdf"));
    state.PrinterName = Printers::PdfPrinterName;
    ui.ExpectModal([&](QObject& dialog) {
        auto& status = dynamic_cast<TPrintStatusForm&>(dialog);
        status.FormActivate();
        PrintToPdf(*qobject_cast<QBuffer*>(status.Report().Stream), pdf);
        status.BtnOkCancel()->click();
        return status.result();
    });
    ui.ExpectModal([](QObject& dialog) {
        static_cast<QDialog&>(dialog).reject();
        return 0;
    });
    window->PrintSheet();
    const QString page = PdfPageText(pdf, 1);
    EXPECT_TRUE(page.contains(QStringLiteral("Σχ.Έτος: 2025-2026"))) << page.left(300).toStdString();
}

TEST_F(FilterFixture, ASelectionRowIsTickedByAClickBySpaceAndByADoubleClick) {
    Open();
    QTableView* view = window->SelectionView(SelectionKind::Subjects);
    const int row = RowOf(SelectionKind::Subjects, QStringLiteral("Φυσική"));
    ASSERT_GT(row, 0);
    const SelectionGrid& grid = window->Composition().Grid(SelectionKind::Subjects);
    const bool before = grid.Ticked(row);
    const QPoint centre = view->visualRect(view->model()->index(row - 1, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_NE(grid.Ticked(row), before) << "a single click";
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(grid.Ticked(row), before) << "Space on the current row";
    // A double click as the system delivers it: a click, then the second
    // press as a double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_NE(grid.Ticked(row), before) << "a double click ticks once";
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "Escape closes the window";
}
