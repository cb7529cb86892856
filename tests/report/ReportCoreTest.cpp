// The report engine below its painting: the report file's records and page
// links, the status text, the engine's errors, printers, titles and widths.
// No fonts are touched here, so no GUI application is needed.
#include "core/exchange/GradeSheet.h"
#include "core/shell/AppState.h"
#include "report/ReportEngine.h"
#include "report/ReportFile.h"
#include "report/TablePrinting.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace ekaldo {
namespace {

using report::PageLink;
using report::ReportFileReader;
using report::ReportFileWriter;
using testing::ErrorOf;

// Writes pages of lines, lineCount on each.
QByteArray WritePages(int pages, int lineCount, QBuffer& buffer) {
    buffer.open(QIODevice::ReadWrite);
    ReportFileWriter writer(buffer);
    report::PageFormat format;
    format.title = QStringLiteral("Δοκιμή");
    writer.BeginFile(format);
    for (int p = 1; p <= pages; ++p) {
        writer.BeginPage(p);
        for (int i = 0; i < lineCount; ++i)
            writer.Line(p, i, p + 1, i + 1);
    }
    writer.EndFile();
    return buffer.data();
}

std::vector<PageLink> Walk(ReportFileReader& reader) {
    std::vector<PageLink> pages;
    for (qint64 at = reader.FirstPage(); at != 0;) {
        pages.push_back(reader.PageAt(at));
        at = pages.back().next;
    }
    return pages;
}

TEST(ReportFile, PagesAreLinkedBothWaysAndNumbered) {
    // Pages big enough that the writer flushes between them, so that the
    // link of a page already in the stream is mended there.
    for (int lineCount : {3, 20000}) {
        QBuffer buffer;
        WritePages(4, lineCount, buffer);
        ReportFileReader reader(buffer);
        reader.Open();
        EXPECT_EQ(reader.Format().title, QStringLiteral("Δοκιμή"));
        const std::vector<PageLink> pages = Walk(reader);
        ASSERT_EQ(pages.size(), 4u) << lineCount;
        EXPECT_EQ(pages[0].previous, 0);
        EXPECT_EQ(pages[3].next, 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(pages[i].number, i + 1);
            if (i > 0) {
                EXPECT_EQ(pages[i].previous, pages[i - 1].position);
                // Walking back from each page finds the one before it.
                EXPECT_EQ(reader.PageAt(pages[i].previous).number, i);
            }
        }
    }
}

TEST(ReportFile, ForeignOrDamagedFilesAreRefused) {
    QBuffer buffer;
    WritePages(2, 2, buffer);
    QByteArray bytes = buffer.data();

    QBuffer foreign;
    foreign.setData(QByteArray("PK\x03\x04 not a report at all"));
    foreign.open(QIODevice::ReadOnly);
    ReportFileReader foreignReader(foreign);
    EXPECT_EQ(ErrorOf<ReportError>([&] { foreignReader.Open(); }),
              QStringLiteral("Unexpected code found in report file."));

    // A link that points into the middle of a page's records.
    QBuffer good;
    good.setData(bytes);
    good.open(QIODevice::ReadOnly);
    ReportFileReader reader(good);
    reader.Open();
    const PageLink first = reader.PageAt(reader.FirstPage());
    EXPECT_THROW(reader.PageAt(first.position + 5), ReportError);
    EXPECT_THROW(reader.PageAt(0), ReportError);
    EXPECT_THROW(reader.PageAt(bytes.size() + 100), ReportError);
}

TEST(ReportFile, AStreamThatCannotBeSoughtIsRefused) {
    QBuffer closed;
    ReportFileReader reader(closed);
    EXPECT_THROW(reader.Open(), ReportError);
}

TEST(StatusFormat, CodesExpandCaseBlindAndUnknownOnesShowAsErrors) {
    TReportFiler report;
    report.ChoosePrinter(Printers::PdfPrinterName);
    report.StatusText = QStringList{QStringLiteral("πρώτη"), QStringLiteral("δεύτερη")};
    report.StatusFormat = QStringLiteral("%%|%d|%D|%n%N|%0|%1|%2|%9|%x|%Q|50%");
    EXPECT_EQ(report.StatusString(),
              QStringLiteral("%|Αρχείο PDF|Αρχείο PDF|\n\n|πρώτη|δεύτερη|||<ERROR-%x>|<ERROR-%Q>|50%"));
    EXPECT_EQ(TReportFiler().StatusFormat, QStringLiteral("Printing page %p"));
    // A preview names itself, whatever the printer.
    TFilePreview preview;
    preview.StatusFormat = QStringLiteral("%D");
    EXPECT_EQ(preview.StatusString(), QStringLiteral("Preview"));

    // The label gets the text, and the window its events, when asked.
    testing::ScriptedUiServices ui;
    QString shown;
    report.StatusLabel = [&](const QString& text) { shown = text; };
    report.Ui = &ui;
    report.StatusFormat = QStringLiteral("%0 %p");
    report.UpdateStatus();
    EXPECT_EQ(shown, QStringLiteral("πρώτη 0"));
    EXPECT_EQ(ui.ProcessEventsCalls(), 1);
}

TEST(ReportJob, CallsAtTheWrongTimeAndMissingStreamsRaiseTheEngineTexts) {
    TReportFiler report;
    EXPECT_EQ(ErrorOf<ReportError>([&] { report.SelectFont(QStringLiteral("Arial"), 10); }),
              QStringLiteral("Invalid method call.  ReportPrinter is not printing."));
    EXPECT_THROW(report.LineTo(1, 1), ReportError);
    EXPECT_THROW(report.StartNewPage(), ReportError);

    EXPECT_EQ(ErrorOf<ReportError>([&] { report.Execute(); }),
              QStringLiteral("StreamMode is smUser but Stream is nil"));
    EXPECT_FALSE(report.Printing());

    QBuffer closed;
    closed.setObjectName(QStringLiteral("Μνήμη"));
    report.Stream = &closed;
    EXPECT_EQ(ErrorOf<ReportError>([&] { report.Execute(); }),
              QStringLiteral("Error initializing stream \"Μνήμη\""));

    // Inside a job: a second Execute and a printer change are refused.
    QBuffer open;
    open.open(QIODevice::ReadWrite);
    report.Stream = &open;
    QStringList errors;
    report.OnBeforePrint = [&](TBaseReport& r) {
        errors << ErrorOf<ReportError>([&] { r.Execute(); })
               << ErrorOf<ReportError>([&] { r.ChoosePrinter(Printers::PdfPrinterName); });
        r.Abort();
    };
    EXPECT_THROW(report.Execute(), ReportAbort);
    EXPECT_TRUE(report.WasAborted());
    EXPECT_EQ(errors, (QStringList{QStringLiteral("Invalid method call.  ReportPrinter already printing."),
                                   QStringLiteral("Invalid method call.  Device already printing.")}));
    EXPECT_FALSE(report.Printing());
}

TEST(ReportJob, UnitsMarginsAndTheCursor) {
    TReportFiler report;
    report.SetUnits(unCM);
    EXPECT_DOUBLE_EQ(report.UnitsFactor(), 2.54);
    report.SetUnitsFactor(25.4);
    EXPECT_EQ(report.Units(), unUser);
    report.SetUnits(unCM);
    // The PDF printer's A4 paper, upright, in centimetres.
    EXPECT_NEAR(report.PageWidth(), 21.0, 0.01);
    EXPECT_NEAR(report.PageHeight(), 29.7, 0.01);
    report.SetCursorX(0.2);
    report.SetCursorY(29.0);
    report.SetMarginLeft(1.0);
    report.SetMarginBottom(1.6);
    // Moving an edge past the cursor pulls the cursor inside the area.
    EXPECT_DOUBLE_EQ(report.CursorX(), 1.0);
    EXPECT_NEAR(report.CursorY(), 29.7 - 1.6, 0.01);
    EXPECT_DOUBLE_EQ(report.AreaLeft(), 1.0);
    EXPECT_NEAR(report.AreaBottom(), 28.1, 0.01);
}

TEST(Printers, ThePdfPrinterIsAlwaysOfferedAndNamesMatchExactlyElseInPart) {
    EXPECT_TRUE(Printers::Names().contains(Printers::PdfPrinterName));
    if (!Printers::HasSystemDriver()) {
        EXPECT_EQ(Printers::DefaultName(), Printers::PdfPrinterName);
    }
    EXPECT_EQ(Printers::Match(QStringLiteral("Αρχείο PDF")), Printers::PdfPrinterName);
    EXPECT_EQ(Printers::Match(QStringLiteral("pdf")), Printers::PdfPrinterName);
    EXPECT_EQ(Printers::Match(QStringLiteral("Κανένας τέτοιος")), QString());
    TReportFiler report;
    EXPECT_FALSE(report.ChoosePrinter(QStringLiteral("Κανένας τέτοιος")));
    EXPECT_TRUE(report.ChoosePrinter(QStringLiteral("PDF")));
    EXPECT_EQ(report.PrinterName(), Printers::PdfPrinterName);

    // A PDF file that cannot be made names the printer and the file.
    report::PageFormat format;
    const QString error = ErrorOf<ReportError>(
        [&] { Printers::Open(Printers::PdfPrinterName, format, QStringLiteral("/no/such/folder/x.pdf")); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("Invalid Printer - Αρχείο PDF on /no/such/folder/x.pdf (")))
        << error.toStdString();
}

TEST(TableTitles, TheExtensionIsDroppedOnlyWhenItsDotStandsAfterTheLastSeparator) {
    EXPECT_EQ(ReportTitleOf(QStringLiteral("Φύλλο.agd")), QStringLiteral("Φύλλο"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("Β1.τάξη.agd")), QStringLiteral("Β1.τάξη"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("Νέο")), QStringLiteral("Νέο"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("C:\\Φάκελος.2005\\Φύλλο")),
              QStringLiteral("C:\\Φάκελος.2005\\Φύλλο"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("/tmp/a.b/Φύλλο")), QStringLiteral("/tmp/a.b/Φύλλο"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("C:\\x\\Φύλλο.agd")), QStringLiteral("C:\\x\\Φύλλο"));
    EXPECT_EQ(ReportTitleOf(QStringLiteral("A:.agd")), QStringLiteral("A:"));
    EXPECT_EQ(ReportTitleOf(QString()), QString());
}

TEST(TableColumns, WidthsComeFromScreenPixelsAtNinetySixToTheInch) {
    AppState state;
    testing::ScriptedUiServices ui;
    const GradeSheet sheet(2, 10);
    TablePrintJob job(state.ReportTitle, state.GradeFileHeader.SchoolYear, ui, sheet, {32, 96, 0, -5});
    EXPECT_DOUBLE_EQ(job.ColumnWidth(1), 32 * 2.54 / 96);
    EXPECT_DOUBLE_EQ(job.ColumnWidth(2), 2.54);
    // Widths that cannot be read print 1.9 wide.
    EXPECT_DOUBLE_EQ(job.ColumnWidth(3), 1.9);
    EXPECT_DOUBLE_EQ(job.ColumnWidth(4), 1.9);
    EXPECT_DOUBLE_EQ(job.ColumnWidth(5), 1.9);
}

TEST(PreviewZoom, TheFactorStaysWithinTenAndTwoHundred) {
    TFilePreview preview;
    EXPECT_EQ(preview.ZoomFactor(), 100);
    for (const auto& [asked, got] : std::vector<std::pair<double, double>>{
             {9.99, 10}, {-50, 10}, {10, 10}, {55, 55}, {200, 200}, {200.5, 200}, {1e9, 200}}) {
        preview.SetZoomFactor(asked);
        EXPECT_EQ(preview.ZoomFactor(), got) << asked;
    }
}

} // namespace
} // namespace ekaldo
