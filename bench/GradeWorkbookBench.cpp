// Writes a 10,000-student sheet of 38 columns as a spreadsheet workbook and
// reads it back as a receive does, beside the same sheet as a grade data file.
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "core/exchange/GradeWorkbook.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace ekaldo;
using ekaldo::bench::Best;

namespace {

GradeSheet MakeSheet(int students, int subjects) {
    GradeSheet sheet(students + 1, 8 + subjects);
    const QStringList titles = {QStringLiteral("α/α"),    QStringLiteral("ΕΠΩΝΥΜΟ"),
                                QStringLiteral("ΟΝΟΜΑ"),  QStringLiteral("ΠΑΤΡΩΝΥΜΟ"),
                                QStringLiteral("ΜΗΤΡΩΟ"), QStringLiteral("ΕΠΙΠΕΔΟ"),
                                QStringLiteral("ΤΑΞΗ"),   QStringLiteral("ΤΜΗΜΑ")};
    for (int c = 0; c < 8; ++c)
        sheet.SetCell(0, c, titles[c]);
    for (int s = 0; s < subjects; ++s)
        sheet.SetCell(0, 8 + s, QStringLiteral("Μάθημα Εξειδίκευσης %1").arg(s + 1));
    for (int r = 1; r <= students; ++r) {
        sheet.SetCell(r, 0, QStringLiteral("%1;1;20").arg(100000 + r));
        sheet.SetCell(r, 1, QStringLiteral("Παπαδόπουλος-Ζαχαρίου %1").arg(r));
        sheet.SetCell(r, 2, QStringLiteral("Αικατερίνη"));
        sheet.SetCell(r, 3, QStringLiteral("Κωνσταντίνος"));
        sheet.SetCell(r, 4, QString::number(20000 + r));
        sheet.SetCell(r, 5, QStringLiteral("Λύκειο"));
        sheet.SetCell(r, 6, QStringLiteral("Β΄ Λυκείου"));
        sheet.SetCell(r, 7, QStringLiteral("Β%1").arg(r % 7 + 1));
        for (int s = 0; s < subjects; ++s)
            sheet.SetCell(r, 8 + s,
                          (r + s) % 9 == 0 ? QStringLiteral("-2")
                                           : QStringLiteral("%1,5").arg((r * 7 + s) % 20));
    }
    return sheet;
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
    QTemporaryDir dir;
    ekaldo::bench::BenchUi ui;
    const QString fileName = QStringLiteral("bench.agd");
    const QString filePath = dir.filePath(fileName);
    const GradeSheet sheet = MakeSheet(10000, 30);
    WriteGradeDataFile(filePath, fileName, sheet, QStringLiteral("2024-2025"), ui);
    const GradeHeader header = ReadGradeHeader(filePath);
    const QString workbook = dir.filePath(QStringLiteral("bench.xlsx"));

    const long before = PeakKilobytes();
    const double write = Best(3, [&] { WriteGradeWorkbook(workbook, header, sheet); });
    const long afterWrite = PeakKilobytes();
    int rows = 0;
    const double read = Best(3, [&] { rows = ReadGradeWorkbookFile(workbook).rows; });
    const long afterRead = PeakKilobytes();
    const double agd = Best(3, [&] {
        GradeSheet back;
        ReadGradeDataRows(filePath, ui, back, nullptr);
    });
    std::printf("workbook, 10000 students x 38 columns, %lld bytes (grade data file %lld bytes)\n",
                static_cast<long long>(QFileInfo(workbook).size()),
                static_cast<long long>(QFileInfo(filePath).size()));
    std::printf("  write: %8.2f ms   peak memory +%ld KB\n", write, afterWrite - before);
    std::printf("  read:  %8.2f ms   peak memory +%ld KB   rows %d\n", read, afterRead - afterWrite, rows);
    std::printf("  read against the grade data file's %8.2f ms: ratio %.1f\n", agd, read / agd);
    return rows == 10000 ? 0 : 1;
}
