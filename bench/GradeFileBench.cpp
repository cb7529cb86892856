// Writes and reads a 10,000-student sheet of 38 columns as a grade data file
// and sets the times beside a plain write and read of the same bytes.
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace ekaldo;
using ekaldo::bench::Best;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ekaldo::bench::BenchUi ui;
    DocumentInHand state;
    state.CurrentFileName = QStringLiteral("bench.agd");
    state.CurrentFilePath = dir.filePath(state.CurrentFileName);
    const GradeSheet sheet = bench::LargeSheet(10000, 30);

    const double write = Best(5, [&] {
        WriteGradeDataFile(state.CurrentFilePath, state.CurrentFileName, sheet, QStringLiteral("2024-2025"),
                           ui);
    });
    QFile f(state.CurrentFilePath);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    f.close();
    const QString plainPath = dir.filePath(QStringLiteral("plain.agd"));
    // The plain copy is written the way the program writes: whole, then flushed to disk.
    const double plainWrite = Best(5, [&] {
        QFile out(plainPath);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(bytes);
        out.flush();
        ::fsync(out.handle());
    });
    const double plainRead = Best(5, [&] {
        QFile in(plainPath);
        in.open(QIODevice::ReadOnly);
        volatile qsizetype n = in.readAll().size();
        (void)n;
    });
    const double read = Best(5, [&] {
        GradeSheet back;
        ReadGradeDataRows(state.CurrentFilePath, ui, back, nullptr);
    });
    std::printf("grade data file, 10000 students x 38 columns, %lld bytes\n",
                static_cast<long long>(bytes.size()));
    std::printf("  write: %8.2f ms   plain write+fsync: %8.2f ms   ratio %.2f\n", write, plainWrite,
                write / plainWrite);
    std::printf("  read:  %8.2f ms   plain read:        %8.2f ms   ratio %.2f\n", read, plainRead,
                read / plainRead);
    std::printf("  read against plain write+read: ratio %.2f\n", read / (plainRead + plainWrite));
    return 0;
}
