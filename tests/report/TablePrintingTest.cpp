// Table printing through the real engine: recorded, replayed into PDF files
// read back by their text, and onto images measured at known points.
#include "report/PrintTestSupport.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace ekaldo {
namespace {

using namespace ekaldo::testing;

struct Printed {
    QBuffer stream;
    int pages = 0;
    QString pdf;
};

class TablePrinting : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HavePoppler())
            GTEST_SKIP() << "pdftotext is not installed";
        m_state.ReportTitle = QStringLiteral("Φύλλο");
        m_state.GradeFileHeader.SchoolYear = QStringLiteral("2024-2025");
    }
    void Print(Printed& out, const GradeSheet& sheet, const QList<int>& widths = {}) {
        out.pages = RecordTable(m_state, m_ui, sheet, out.stream, widths);
        out.pdf = m_folder.Path(QStringLiteral("out.pdf"));
        PrintToPdf(out.stream, out.pdf);
    }
    AppState m_state;
    ScriptedUiServices m_ui;
    TempFolder m_folder;
};

TEST_F(TablePrinting, ANarrowSheetIsOneGroupWhosePagesCountOneTwoThree) {
    // 38 rows fit under the header of a landscape A4 page: 100 make three pages.
    Printed out;
    Print(out, MakeGradeSheet(100, 4));
    ASSERT_EQ(out.pages, 3);
    EXPECT_EQ(PdfPageCount(out.pdf), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString text = PdfPageText(out.pdf, page);
        EXPECT_TRUE(text.contains(QStringLiteral(": %1 (1)").arg(page))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("ΚΑΤΑΣΤΑΣΗ ΒΑΘΜΟΛΟΓΙΑΣ : Φύλλο")));
        EXPECT_TRUE(text.contains(QStringLiteral("Σχ.Έτος: 2024-2025")));
        EXPECT_TRUE(text.contains(QStringLiteral("Ημ/νία")));
        EXPECT_TRUE(text.contains(QStringLiteral(": 1/1/05"))); // the seam's clock, US short date
        // Every page repeats the header row and the number column.
        EXPECT_TRUE(text.contains(QStringLiteral("α/α")));
        EXPECT_TRUE(text.contains(QStringLiteral("ΕΠΩΝΥΜΟ")));
    }
    EXPECT_TRUE(PdfPageText(out.pdf, 1).contains(QStringLiteral("Επώνυμο38 ")));
    EXPECT_FALSE(PdfPageText(out.pdf, 1).contains(QStringLiteral("Επώνυμο39 ")));
    EXPECT_TRUE(PdfPageText(out.pdf, 2).contains(QStringLiteral("Επώνυμο39 ")));
    EXPECT_TRUE(PdfPageText(out.pdf, 3).contains(QStringLiteral("Επώνυμο100 ")));
    // Row keys never print; crosses print as "x".
    const QString all = PdfPageText(out.pdf, 1) + PdfPageText(out.pdf, 2) + PdfPageText(out.pdf, 3);
    EXPECT_FALSE(all.contains(QStringLiteral(";0;20")));
    EXPECT_FALSE(all.contains(QRegularExpression(QStringLiteral("(^|\\s)-[12](\\s|$)"))));
    EXPECT_TRUE(all.contains(QStringLiteral(" x ")));
}

TEST_F(TablePrinting, AWideSheetPrintsEveryRowOncePerColumnGroupWithPageNumbersRestarting) {
    // 40 subject columns of 28 pixels: the first group takes 14 of them.
    Printed out;
    Print(out, MakeGradeSheet(50, 40));
    ASSERT_EQ(out.pages, 4);
    const QStringList expected = {QStringLiteral(": 1 (1)"), QStringLiteral(": 2 (1)"),
                                  QStringLiteral(": 1 (2)"), QStringLiteral(": 2 (2)")};
    for (int page = 1; page <= 4; ++page) {
        const QString text = PdfPageText(out.pdf, page);
        EXPECT_TRUE(text.contains(expected[page - 1])) << page << text.left(400).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("α/α")));
        // Each page can be read alone: every group shows whose grades they are.
        EXPECT_TRUE(text.contains(QStringLiteral("ΕΠΩΝΥΜΟ"))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("ΟΝΟΜΑ"))) << page;
        EXPECT_EQ(text.contains(QStringLiteral("ΠΑΤΡΩΝΥΜΟ")), page <= 2) << page;
    }
    EXPECT_TRUE(PdfPageText(out.pdf, 3).contains(QStringLiteral("Επώνυμο1 ")));
    // The second group begins with the first column that did not fit.
    const QString group1 = PdfPageText(out.pdf, 1);
    const QString group2 = PdfPageText(out.pdf, 3);
    EXPECT_TRUE(group1.contains(QStringLiteral("Μάθημα 14")));
    EXPECT_FALSE(group1.contains(QStringLiteral("Μάθημα 15")));
    EXPECT_TRUE(group2.contains(QStringLiteral("Μάθημα 15")));
    EXPECT_TRUE(group2.contains(QStringLiteral("Μάθημα 40")));
    // Both groups print every row: the last one on the second page of each.
    EXPECT_TRUE(PdfPageText(out.pdf, 2).contains(QStringLiteral("50")));
    EXPECT_TRUE(PdfPageText(out.pdf, 4).contains(QStringLiteral("50")));
}

TEST_F(TablePrinting, AColumnWiderThanThePageStillPrintsAloneAndTheTableEnds) {
    Printed out;
    QList<int> widths = DefaultSheetColumnWidths(10);
    widths[8] = 5000; // about 132 cm
    Print(out, MakeGradeSheet(3, 2), widths);
    // Group 1: the student columns; group 2: the wide column cut at the edge; group 3: the last column.
    ASSERT_EQ(out.pages, 3);
    EXPECT_TRUE(PdfPageText(out.pdf, 2).contains(QStringLiteral(": 1 (2)")));
    EXPECT_TRUE(PdfPageText(out.pdf, 3).contains(QStringLiteral("Μάθημα 2")));
}

TEST_F(TablePrinting, ASheetWithoutRowsPrintsItsHeaderRowOnOnePage) {
    Printed out;
    Print(out, MakeGradeSheet(0, 3));
    EXPECT_EQ(out.pages, 1);
    EXPECT_TRUE(PdfPageText(out.pdf, 1).contains(QStringLiteral("ΕΠΩΝΥΜΟ")));
}

// The dark pixels of an image inside a rectangle: how many, and the box round them.
std::pair<int, QRect> Ink(const QImage& image, const QRect& area) {
    std::pair<int, QRect> ink{0, QRect()};
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ++ink.first;
                ink.second |= QRect(x, y, 1, 1);
            }
    return ink;
}
int DarkPixels(const QImage& image, const QRect& area) {
    return Ink(image, area).first;
}
QRect InkBox(const QImage& image, const QRect& area) {
    return Ink(image, area).second;
}

TEST_F(TablePrinting, ARenderedPageHasItsLinesAndTitlesWhereTheLayoutPutsThem) {
    Printed out;
    out.pages = RecordTable(m_state, m_ui, MakeGradeSheet(10, 3), out.stream);
    // The page at 100 dpi: a centimetre is 100 / 2.54 pixels.
    const double dpi = 100;
    const double cm = dpi / 2.54;
    report::ReportFileReader reader(out.stream);
    reader.Open();
    const QSizeF paper = reader.Format().size;
    EXPECT_TRUE(reader.Format().landscape);
    EXPECT_GT(paper.width(), paper.height());
    QImage image(qRound(paper.width() * dpi), qRound(paper.height() * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        report::ReportCanvas canvas(painter, dpi, dpi);
        reader.Replay(reader.FirstPage(), canvas);
    }
    const auto px = [&](double v) { return qRound(v * cm); };
    // The table's left edge at 1.0 cm, from its top at 2.0 cm down past the header row (4.0 high).
    EXPECT_GT(DarkPixels(image, QRect(px(1.0) - 1, px(3.0), 3, px(3.0))), px(3.0) * 0.9);
    // The number column's right line at 2.0 cm, the header row's top at 2.0 and bottom at 6.0.
    EXPECT_GT(DarkPixels(image, QRect(px(2.0) - 1, px(6.1), 3, px(3.0))), px(3.0) * 0.9);
    EXPECT_GT(DarkPixels(image, QRect(px(2.5), px(2.0) - 1, px(10), 3)), px(10) * 0.9);
    EXPECT_GT(DarkPixels(image, QRect(px(2.5), px(6.0) - 1, px(10), 3)), px(10) * 0.9);
    // Data rows are 0.35 high: the line under row 1 at 6.35, under row 10 at 9.5, nothing below.
    EXPECT_GT(DarkPixels(image, QRect(px(2.5), px(6.35) - 1, px(10), 3)), px(10) * 0.9);
    EXPECT_GT(DarkPixels(image, QRect(px(2.5), px(9.5) - 1, px(10), 3)), px(10) * 0.9);
    EXPECT_EQ(DarkPixels(image, QRect(px(1.5), px(9.7), px(20), px(5))), 0);
    // Rows are not closed on top: no line between the header's bottom and row 1's bottom.
    EXPECT_EQ(DarkPixels(image, QRect(px(1.1), px(6.05), px(0.4), px(0.25))), 0);

    // Titles: the student column "ΕΠΩΝΥΜΟ" lies along the row, the subject titles run upwards.
    const double x1 = 1.0 + 1.0; // after the number column
    const double studentWidth = 128 * 2.54 / 96;
    const QRect surname = InkBox(image, QRect(px(x1) + 2, px(2.0) + 2, px(studentWidth) - 4, px(4.0) - 4));
    ASSERT_TRUE(surname.isValid());
    EXPECT_GT(surname.width(), surname.height());
    EXPECT_NEAR(surname.bottom(), px(6.0 - 0.1), 2);
    const double firstSubject = x1 + (128 + 96 + 96 + 64 * 4) * 2.54 / 96;
    const QRect subject =
        InkBox(image, QRect(px(firstSubject) + 2, px(2.0) + 2, px(28 * 2.54 / 96) - 4, px(4.0) - 4));
    ASSERT_TRUE(subject.isValid());
    EXPECT_GT(subject.height(), 2 * subject.width());
    EXPECT_NEAR(subject.bottom(), px(6.0 - 0.1), 2);

    // The page header: "Σελίδα" 3.0 cm left of the area's right edge, on the second header line.
    const double areaRight = paper.width() * 2.54 - 1.6;
    const QRect page = InkBox(image, QRect(px(areaRight - 3.0), px(1.33), px(1.0), px(0.33)));
    ASSERT_TRUE(page.isValid());
    EXPECT_NEAR(page.left(), px(areaRight - 3.0 + 0.1), 2);
}

// The status counts the pages as they are made, the window staying responsive;
// an abort ends the job at its next drawing step with the output closed.
TEST_F(TablePrinting, StatusCountsEveryPageAndAnAbortEndsTheJobWithTheOutputClosed) {
    const GradeSheet sheet = MakeGradeSheet(200, 4);
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    TReportFiler filer;
    SetUpTableReport(filer);
    filer.Ui = &m_ui;
    filer.Stream = &stream;
    filer.StatusFormat = QStringLiteral("%d: %p");
    QStringList shown;
    filer.StatusLabel = [&](const QString& text) {
        if (shown.isEmpty() || shown.back() != text)
            shown << text;
    };
    TablePrintJob job(m_state.ReportTitle, m_state.GradeFileHeader.SchoolYear, m_ui, sheet,
                      DefaultSheetColumnWidths(sheet.ColCount()));
    job.Attach(filer);
    filer.OnNewPage = [](TBaseReport& r) {
        if (r.CurrentPage() == 3)
            r.Abort();
    };
    EXPECT_THROW(filer.Execute(), ReportAbort);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Αρχείο PDF: 1"), QStringLiteral("Αρχείο PDF: 2"),
                                  QStringLiteral("Αρχείο PDF: 3")}));
    EXPECT_GE(m_ui.ProcessEventsCalls(), 3);
    EXPECT_TRUE(filer.WasAborted());
    EXPECT_FALSE(filer.Printing());
    // What was recorded reads back: the pages up to the abort.
    TFilePreview preview;
    preview.Stream = &stream;
    preview.OpenPreview();
    EXPECT_EQ(preview.PageCount(), 3);
    // The next job starts afresh.
    filer.OnNewPage = nullptr;
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    filer.Stream = &again;
    filer.Execute();
    EXPECT_FALSE(filer.WasAborted());
}

TEST_F(TablePrinting, PrintLineWritesAtTheCursorAndTabsMoveToTheirStops) {
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    TReportFiler filer;
    filer.SetUnits(unCM);
    filer.Stream = &stream;
    filer.ChoosePrinter(Printers::PdfPrinterName);
    double firstY = 0, secondY = 0, lineHeight = 0, areaTop = 0;
    filer.OnPrint = [&](TBaseReport& r) {
        r.SetMarginTop(2.0);
        r.SetMarginLeft(2.0);
        r.SelectFont(QStringLiteral("Arial"), 10);
        r.ResetToTop();
        areaTop = r.AreaTop();
        firstY = r.CursorY();
        lineHeight = r.LineHeight();
        r.SetTab(8.0);
        r.PrintLine(QStringLiteral("Α\tΒ"));
        secondY = r.CursorY();
        EXPECT_DOUBLE_EQ(r.CursorX(), 2.0);
        // Lines and texts the whole way through, read back from a PDF below.
        r.PrintLine(QStringLiteral("γραμμή δύο"));
        r.SetTextAngle(-270);
        EXPECT_EQ(r.CurrentFont().angle, 90);
        r.SetTextAngle(0);
    };
    filer.Execute();
    // The first line's baseline lies one ascent under the area's top.
    EXPECT_GT(firstY, areaTop);
    EXPECT_LT(firstY, areaTop + lineHeight);
    EXPECT_NEAR(secondY - firstY, lineHeight, 1e-9);
    EXPECT_GT(lineHeight, 0.3);
    EXPECT_LT(lineHeight, 0.5);

    const QString pdf = m_folder.Path(QStringLiteral("lines.pdf"));
    PrintToPdf(stream, pdf);
    const QString text = PdfPageText(pdf, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("γραμμή δύο")));
    // "Β" stands at the tab stop, 6 cm right of "Α": far apart in the laid-out text.
    const QString first = text.split(QLatin1Char('\n')).filter(QStringLiteral("Α")).value(0);
    EXPECT_GT(first.indexOf(QStringLiteral("Β")) - first.indexOf(QStringLiteral("Α")), 10)
        << first.toStdString();
}

} // namespace
} // namespace ekaldo
