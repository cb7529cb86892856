// Prepares a 10,000-student sheet of 30 subjects for printing (records every
// page of every column group into the in-memory report file, as the status
// window does) and sets beside it the time to open the preview, draw one
// page on screen and write the whole report as a PDF file.
#include "BenchSupport.h"
#include "base/UiServices.h"
#include "core/exchange/GradeSheet.h"
#include "report/ReportEngine.h"
#include "report/TablePrinting.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace ekaldo;

namespace {

GradeSheet MakeSheet(int students, int subjects) {
    GradeSheet sheet(students + 1, 8 + subjects);
    const QStringList titles = {QString(),
                                QStringLiteral("ΕΠΩΝΥΜΟ"),
                                QStringLiteral("ΟΝΟΜΑ"),
                                QStringLiteral("ΠΑΤΡΩΝΥΜΟ"),
                                QStringLiteral("ΜΗΤΡΩΟ"),
                                QStringLiteral("ΕΠΙΠΕΔΟ"),
                                QStringLiteral("ΤΑΞΗ"),
                                QStringLiteral("ΤΜΗΜΑ")};
    for (int c = 0; c < 8; ++c)
        sheet.SetCell(0, c, titles[c]);
    for (int s = 0; s < subjects; ++s)
        sheet.SetCell(0, 8 + s, QStringLiteral("Μάθημα Εξειδίκευσης %1").arg(s + 1));
    for (int r = 1; r <= students; ++r) {
        sheet.SetCell(r, 0, QStringLiteral("%1;0;20").arg(r));
        sheet.SetCell(r, 1, QStringLiteral("Παπαδόπουλος-%1").arg(r));
        sheet.SetCell(r, 2, QStringLiteral("Κωνσταντίνος"));
        sheet.SetCell(r, 3, QStringLiteral("Γεώργιος"));
        sheet.SetCell(r, 4, QString::number(10000 + r));
        sheet.SetCell(r, 5, QStringLiteral("Λύκειο"));
        sheet.SetCell(r, 6, QStringLiteral("Β' Λυκείου"));
        sheet.SetCell(r, 7, QStringLiteral("Β%1").arg(r % 5 + 1));
        for (int s = 0; s < subjects; ++s) {
            const int v = (r * 31 + s * 7) % 13;
            sheet.SetCell(r, 8 + s,
                          v == 0   ? QStringLiteral("-2")
                          : v == 1 ? QStringLiteral("-1")
                                   : QString::number(8 + v));
        }
    }
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString reportTitle = QStringLiteral("Φύλλο");
    const QString schoolYear = QStringLiteral("2024-2025");
    ekaldo::bench::BenchUi ui(true);
    const GradeSheet sheet = MakeSheet(ekaldo::bench::BenchStudents(), 30);

    QElapsedTimer timer;
    timer.start();
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    TReportFiler filer;
    SetUpTableReport(filer);
    filer.Ui = &ui;
    filer.Stream = &stream;
    filer.ChoosePrinter(Printers::PdfPrinterName);
    TablePrintJob job(reportTitle, schoolYear, ui, sheet, DefaultSheetColumnWidths(sheet.ColCount()));
    job.Attach(filer);
    filer.Execute();
    const qint64 prepare = timer.elapsed();
    std::printf("prepare %d rows x %d columns: %lld ms, %d pages in %d column groups, report file %.1f MB\n",
                sheet.RowCount() - 1, sheet.ColCount(), static_cast<long long>(prepare), filer.CurrentPage(),
                job.PartNo, stream.size() / 1048576.0);

    timer.restart();
    TFilePreview preview;
    preview.Stream = &stream;
    preview.OpenPreview();
    const QImage page = preview.RenderPage(preview.PageCount() / 2);
    std::printf("open the preview and draw a middle page: %lld ms (%dx%d)\n",
                static_cast<long long>(timer.elapsed()), page.width(), page.height());

    QTemporaryDir dir;
    timer.restart();
    TFilePrinter printer;
    printer.Stream = &stream;
    printer.PdfFileName = dir.filePath(QStringLiteral("bench.pdf"));
    printer.ChoosePrinter(Printers::PdfPrinterName);
    printer.Execute();
    std::printf("write every page as a PDF file: %lld ms\n", static_cast<long long>(timer.elapsed()));
    return prepare < 5000 ? 0 : 1;
}
