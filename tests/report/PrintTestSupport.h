#pragma once

#include "core/exchange/GradeSheet.h"
#include "core/shell/AppState.h"
#include "report/ReportEngine.h"
#include "report/TablePrinting.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace ekaldo::testing {

// A sheet as the sheet windows hold it: row 0 the titles, column 0 the row
// keys, seven student columns, then the subjects; cells "-2" and "-1" spread
// among the grades.
inline GradeSheet MakeGradeSheet(int students, int subjects) {
    GradeSheet sheet(students + 1, 8 + subjects);
    const char* titles[] = {"", "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ", "ΠΑΤΡΩΝΥΜΟ", "ΜΗΤΡΩΟ", "ΕΠΙΠΕΔΟ", "ΤΑΞΗ", "ΤΜΗΜΑ"};
    for (int c = 0; c < 8; ++c)
        sheet.SetCell(0, c, QString::fromUtf8(titles[c]));
    for (int s = 0; s < subjects; ++s)
        sheet.SetCell(0, 8 + s, QStringLiteral("Μάθημα %1").arg(s + 1));
    for (int r = 1; r <= students; ++r) {
        sheet.SetCell(r, 0, QStringLiteral("%1;0;20").arg(1000 + r));
        sheet.SetCell(r, 1, QStringLiteral("Επώνυμο%1").arg(r));
        sheet.SetCell(r, 2, QStringLiteral("Όνομα"));
        sheet.SetCell(r, 3, QStringLiteral("Πατέρας"));
        sheet.SetCell(r, 4, QString::number(500 + r));
        sheet.SetCell(r, 5, QStringLiteral("Λύκειο"));
        sheet.SetCell(r, 6, QStringLiteral("Β"));
        sheet.SetCell(r, 7, QStringLiteral("Β1"));
        for (int s = 0; s < subjects; ++s) {
            const int v = (r * 7 + s * 3) % 12;
            sheet.SetCell(r, 8 + s,
                          v == 0   ? QStringLiteral("-2")
                          : v == 1 ? QStringLiteral("-1")
                                   : QString::number(10 + v));
        }
    }
    return sheet;
}

// Records the sheet's table into the stream, measured on the PDF printer.
inline int RecordTable(const AppState& state, UiServices& ui, const GradeSheet& sheet, QBuffer& stream,
                       QList<int> widths = {}) {
    if (widths.isEmpty())
        widths = DefaultSheetColumnWidths(sheet.ColCount());
    if (!stream.isOpen())
        stream.open(QIODevice::ReadWrite);
    TReportFiler filer;
    SetUpTableReport(filer);
    filer.Ui = &ui;
    filer.Stream = &stream;
    filer.ChoosePrinter(Printers::PdfPrinterName);
    TablePrintJob job(state.ReportTitle, state.GradeFileHeader.SchoolYear, ui, sheet, widths);
    job.Attach(filer);
    filer.Execute();
    return filer.CurrentPage();
}

inline void PrintToPdf(QBuffer& stream, const QString& path) {
    TFilePrinter printer;
    printer.Stream = &stream;
    printer.PdfFileName = path;
    printer.ChoosePrinter(Printers::PdfPrinterName);
    printer.Execute();
}

inline bool HavePoppler() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The text of one page of a PDF file, as pdftotext lays it out.
inline QString PdfPageText(const QString& path, int page) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A line of what pdfinfo says about a PDF file, after its "key:"; empty when there is none.
inline QString PdfInfo(const QString& path, const QString& key) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char(':')))
            return line.mid(key.size() + 1).simplified();
    return QString();
}

inline int PdfPageCount(const QString& path) {
    const QString pages = PdfInfo(path, QStringLiteral("Pages"));
    return pages.isEmpty() ? -1 : pages.toInt();
}

// The size of the first page in points, as pdfinfo reads its media box ("595.276 x 841.89 pts (A4)").
inline QSize PdfPageSize(const QString& path) {
    const QStringList words = PdfInfo(path, QStringLiteral("Page size")).split(QLatin1Char(' '));
    return words.size() >= 3 ? QSize(qRound(words[0].toDouble()), qRound(words[2].toDouble())) : QSize();
}

} // namespace ekaldo::testing
