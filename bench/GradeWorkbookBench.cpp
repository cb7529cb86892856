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
    const GradeSheet sheet = bench::LargeSheet(10000, 30);
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
