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

namespace {

GradeSheet MakeSheet(int students, int subjects) {
    const int cols = 8 + subjects;
    GradeSheet sheet(students + 1, cols);
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ekaldo::bench::BenchUi ui;
    DocumentInHand state;
    state.CurrentFileName = QStringLiteral("bench.agd");
    state.CurrentFilePath = dir.filePath(state.CurrentFileName);
    const GradeSheet sheet = MakeSheet(10000, 30);

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
