// The printing windows offscreen, driven as a user would through the UI
// seam: the status window, the preview, the print dialog, PrintGrid and the
// printer set-up.
#include "gui/print/PrintGrid.h"
#include "gui/print/TPreviewForm.h"
#include "gui/print/TPrintForm.h"
#include "gui/print/TPrintStatusForm.h"
#include "report/PrintTestSupport.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace ekaldo {
namespace {

using namespace ekaldo::testing;

class PrintWindows : public ::testing::Test {
protected:
    void SetUp() override {
        m_state.GradeFileHeader.SchoolYear = QStringLiteral("2024-2025");
        m_state.ReportTitle = QStringLiteral("Φύλλο");
        m_state.ProgramFolder = m_folder.Path() + QLatin1Char('/');
    }
    // A recorded report of the given rows: 38 to a page.
    void Record(int rows) { m_pages = RecordTable(m_state, m_ui, MakeGradeSheet(rows, 4), m_stream); }
    AppState m_state;
    ScriptedUiServices m_ui;
    TempFolder m_folder;
    QBuffer m_stream;
    int m_pages = 0;
};

TEST_F(PrintWindows, PreviewPagesByButtonsKeysAndThePageEdit) {
    Record(160); // five pages
    ASSERT_EQ(m_pages, 5);
    TPreviewForm form(m_state, m_ui);
    form.SetStream(&m_stream);
    form.show();
    TFilePreview& preview = form.FilePreview1();
    ASSERT_TRUE(preview.IsOpen());
    EXPECT_EQ(preview.PageCount(), 5);
    EXPECT_EQ(preview.ShownPage(), 1);
    form.Button("LastPageSB")->click();
    EXPECT_FALSE(form.Button("NextPageSB")->isEnabled());
    QTest::keyClick(form.ScrollBox1(), Qt::Key_PageUp);
    EXPECT_EQ(form.PageNoEdit()->text(), QStringLiteral("4"));
    QTest::keyClick(form.ScrollBox1(), Qt::Key_PageDown); // on to the last page
    EXPECT_EQ(preview.ShownPage(), 5);
    form.Button("FirstPageSB")->click();
    QTest::keyClick(form.ScrollBox1(), Qt::Key_PageUp); // no page before the first
    EXPECT_EQ(preview.ShownPage(), 1);

    // A number past the last page shows the last; text that is not a number changes nothing.
    form.PageNoEdit()->setText(QStringLiteral("99"));
    form.PageNoEditCommit();
    EXPECT_EQ(preview.ShownPage(), 5);
    EXPECT_EQ(form.PageNoEdit()->text(), QStringLiteral("5"));
    form.PageNoEdit()->setText(QStringLiteral("τρία"));
    form.PageNoEditCommit();
    EXPECT_EQ(preview.ShownPage(), 5);
    form.PageNoEdit()->setText(QStringLiteral("3"));
    QTest::keyClick(form.PageNoEdit(), Qt::Key_Return);
    EXPECT_EQ(preview.ShownPage(), 3);

    // The page shown is the page recorded: a different image for each page.
    const QImage third = preview.RenderPage(3);
    EXPECT_FALSE(third.isNull());
    EXPECT_NE(third, preview.RenderPage(4));
}

TEST_F(PrintWindows, APreviewOfAnUnreadableFileSaysSoAndStaysOpenEmpty) {
    QBuffer junk;
    junk.setData(QByteArray("not a report"));
    junk.open(QIODevice::ReadOnly);
    m_ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Αδυναμία προεπισκόπησης!"));
    TPreviewForm form(m_state, m_ui);
    form.SetStream(&junk);
    form.show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.FilePreview1().IsOpen());
}

TEST_F(PrintWindows, AnUnknownRecordOnAPageRaisesTheEngineText) {
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    {
        report::ReportFileWriter writer(stream);
        writer.BeginFile(report::PageFormat{});
        writer.BeginPage(1);
        writer.Line(1, 1, 2, 2);
        writer.BeginPage(2);
        writer.RawRecord(0x55, QByteArray(8, '\0'));
        writer.EndFile();
    }
    TFilePreview preview;
    preview.Stream = &stream;
    preview.OpenPreview();
    EXPECT_EQ(preview.PageCount(), 2);
    EXPECT_FALSE(preview.RenderPage(1).isNull());
    try {
        preview.RenderPage(2);
        FAIL() << "the unknown record was passed over";
    } catch (const ReportError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unexpected code found in report file."));
    }
}

// The preview keeps its own place, taken only from the normal state: a
// maximised preview must not become the size it opens at next time.
TEST_F(PrintWindows, PlacementIsStoredOnlyFromTheNormalState) {
    Record(3);
    {
        TPreviewForm form(m_state, m_ui);
        form.SetStream(&m_stream);
        form.show();
        form.move(50, 60);
        form.resize(700, 500);
        form.reject();
    }
    EXPECT_EQ(m_state.PreviewPlacement, (WindowPlacement{50, 60, 700, 500}));
    {
        TPreviewForm form(m_state, m_ui);
        EXPECT_EQ(form.geometry(), QRect(50, 60, 700, 500));
        form.SetStream(&m_stream);
        form.showMaximized();
        form.reject();
    }
    EXPECT_EQ(m_state.PreviewPlacement, (WindowPlacement{50, 60, 700, 500}));
}

// ---- the print dialog ----

class PrintDialog : public PrintWindows {
protected:
    void SetUp() override {
        PrintWindows::SetUp();
        if (!HavePoppler())
            GTEST_SKIP() << "pdftotext is not installed";
        Record(180); // five pages
        ASSERT_EQ(m_pages, 5);
        m_pdf = m_folder.Path(QStringLiteral("Φύλλο.pdf"));
    }
    // The pages of the PDF printed, by the page number of their header.
    QStringList PrintedPages() {
        QStringList pages;
        for (int p = 1; p <= PdfPageCount(m_pdf); ++p) {
            const QString text = PdfPageText(m_pdf, p);
            const qsizetype at = text.indexOf(QStringLiteral(" (1)"));
            pages << (at > 0 ? text.mid(at - 1, 1) : QStringLiteral("?"));
        }
        return pages;
    }
    QString m_pdf;
};

// Each choice of pages prints into one PDF file: the pages, each range by
// itself, and every copy of a range.
TEST_F(PrintDialog, PagesRangesAndCopiesPrintAsChosen) {
    struct Case {
        bool whole;
        const char *start, *end, *copies;
        int parity; // "Όλες", "Μονές", "Ζυγές"
        int ranges;
        QStringList pages;
    };
    const Case cases[] = {
        {true, "1", "5", "3", 0, 1, {"1", "2", "3", "4", "5"}}, // copies are for a range of pages only
        {false, "1", "5", "1", 2, 2, {"2", "4"}},
        {false, "2", "5", "2", 1, 2, {"3", "3", "5", "5"}},
        {false, "4", "9", "2", 0, 1, {"4", "5", "4", "5"}},
        // Bad numbers, or a start after the end, print nothing and still close.
        {false, "3", "2", "1", 0, 0, {}},
        {false, "α", "2", "1", 0, 0, {}},
        {false, "1", "", "1", 0, 0, {}},
        {false, "1", "2", "x", 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.end + " " + c.copies);
        QFile::remove(m_pdf);
        if (c.ranges > 0)
            m_ui.ExpectSaveFile(QStringLiteral("Εκτύπωση σε Αρχείο PDF"), m_pdf);
        TPrintForm form(m_state, m_ui, &m_stream, 5);
        (c.whole ? form.WholeRB() : form.PagesRB())->setChecked(true);
        form.StartPageEdit()->setText(QString::fromUtf8(c.start));
        form.EndPageEdit()->setText(QString::fromUtf8(c.end));
        form.CopiesEdit()->setText(QString::fromUtf8(c.copies));
        form.PagesCoBo()->setCurrentIndex(c.parity);
        form.BtnOKClick();
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(form.FilePrinter1().RangesPrinted(), c.ranges);
        EXPECT_EQ(PrintedPages(), c.pages);
    }
}

TEST_F(PrintDialog, AFileThatCannotBeWrittenShowsTheEngineText) {
    m_ui.ExpectSaveFile(QStringLiteral("Εκτύπωση σε Αρχείο PDF"), std::nullopt); // cancelled: nothing printed
    TPrintForm(m_state, m_ui, &m_stream, 5).BtnOKClick();
    EXPECT_FALSE(QFileInfo::exists(m_pdf));
    const QString bad = m_folder.Path(QStringLiteral("no/such/folder/x.pdf"));
    m_ui.ExpectSaveFile(QStringLiteral("Εκτύπωση σε Αρχείο PDF"), bad);
    m_ui.ExpectMessage(MessageIcon::Error,
                       ReportTexts::InvalidPrinter(Printers::PdfPrinterName, bad,
                                                   QStringLiteral("No such file or directory")));
    TPrintForm form(m_state, m_ui, &m_stream, 5);
    form.BtnOKClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// ---- PrintGrid and the status window ----

TEST_F(PrintWindows, CancellingDuringPreparationOpensNoPreview) {
    const GradeSheet sheet = MakeGradeSheet(400, 6);
    QString finalLabel;
    int pagesDone = 0;
    m_ui.ExpectModal([&](QObject& dialog) {
        auto& status = dynamic_cast<TPrintStatusForm&>(dialog);
        // The user presses "Άκυρο" while the first page is prepared.
        QTimer::singleShot(0, status.BtnOkCancel(), &QPushButton::click);
        status.FormActivate();
        pagesDone = status.Report().CurrentPage();
        finalLabel = status.PrintStatusLabel()->text();
        EXPECT_TRUE(status.Report().WasAborted());
        status.BtnOkCancel()->click();
        return status.result();
    });
    // No error box and no preview follow: any would fail the script.
    PrintGrid(m_state, m_ui, nullptr, sheet, {}, QStringLiteral("Φύλλο"), QStringLiteral("2024-2025"));
    EXPECT_EQ(finalLabel, QStringLiteral("\n\nΗ Προεπισκόπηση Ακυρώθηκε!"));
    EXPECT_LT(pagesDone, 11);
}

TEST_F(PrintWindows, AFailingJobSaysSoAndTheWindowStaysWithItsOkButton) {
    const GradeSheet sheet = MakeGradeSheet(5, 2);
    TPrintStatusForm status(m_state.ReportTitle, m_state.GradeFileHeader.SchoolYear, m_ui, sheet, {});
    // No stream: the job cannot start.
    m_ui.ExpectMessage(MessageIcon::Error, QStringLiteral("Αδυναμία Προεπισκόπησης!"));
    status.FormActivate();
    EXPECT_EQ(status.BtnOkCancel()->text(), QStringLiteral("OK"));
    EXPECT_FALSE(status.Report().WasAborted());
    EXPECT_EQ(status.PrintStatusLabel()->text(), QStringLiteral("\n\nΗ Προεπισκόπηση Ολοκληρώθηκε!"));
    // Closing the window while idle closes it.
    status.BtnOkCancel()->click();
    EXPECT_EQ(status.result(), QDialog::Accepted);
}

// The chosen page reaches the paper through the whole path: the set-up,
// PrintGrid's preparation, the preview's print button and the PDF printer.
TEST_F(PrintWindows, ThePageSetUpChosenReachesThePrintedPdf) {
    if (!HavePoppler())
        GTEST_SKIP() << "pdfinfo is not installed";
    const GradeSheet sheet = MakeGradeSheet(20, 4);
    const struct {
        std::optional<PageSetup> page;
        QSize points;
    } cases[] = {
        {std::nullopt, {842, 595}}, // nothing chosen: the sheet's own landscape on A4
        {PageSetup{QStringLiteral("A3"), PageOrientation::Portrait}, {842, 1191}},
        {PageSetup{QStringLiteral("A4"), PageOrientation::Portrait}, {595, 842}},
        {PageSetup{QStringLiteral("A5"), PageOrientation::Default}, {595, 420}},
    };
    for (const auto& c : cases) {
        const QString pdf = m_folder.Path(QStringLiteral("%1.pdf").arg(c.page ? c.page->paper : "default"));
        AppState state;
        state.ProgramFolder = m_state.ProgramFolder;
        m_ui.ExpectPrinterChoice(Printers::PdfPrinterName, c.page);
        ASSERT_TRUE(PrinterSetup(state, m_ui));
        m_ui.ExpectModal([](QObject& dialog) {
            auto& status = dynamic_cast<TPrintStatusForm&>(dialog);
            status.FormActivate();
            return int(QDialog::Accepted);
        });
        m_ui.ExpectModal([](QObject& dialog) {
            auto& preview = dynamic_cast<TPreviewForm&>(dialog);
            preview.show();
            preview.Button("PrintSB")->click();
            QApplication::processEvents();
            return int(QDialog::Rejected);
        });
        m_ui.ExpectModal([](QObject& dialog) {
            dynamic_cast<TPrintForm&>(dialog).BtnOKClick();
            return int(QDialog::Accepted);
        });
        m_ui.ExpectSaveFile(QStringLiteral("Εκτύπωση σε Αρχείο PDF"), pdf);
        PrintGrid(state, m_ui, nullptr, sheet, {}, QStringLiteral("Φύλλο"), QStringLiteral("2024-2025"));
        m_ui.VerifyAllUsed();
        EXPECT_EQ(PdfPageSize(pdf), c.points) << pdf.toStdString();
    }
}

} // namespace
} // namespace ekaldo
