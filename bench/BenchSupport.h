#pragma once

// What the benchmarks share: the best time of a few runs, the floor every
// figure is set beside (a plain read() of a file's bytes), and the answers to
// the dialogs the measured code would show.

#include "base/UiServices.h"
#include "core/exchange/GradeSheet.h"
#include "schooldb/builder/SchoolGenerator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace ekaldo::bench {

// A sheet of the size the office meets at its largest: long Greek names,
// decimal-comma grades and a "-2" now and then.
inline GradeSheet LargeSheet(int students, int subjects) {
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

// The number of students of the generated school: 10,000, or what
// EKALDO_BENCH_STUDENTS says (the scale table of README.md is made so).
inline int BenchStudents() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("EKALDO_BENCH_STUDENTS", &ok);
    return ok && n > 0 ? n : 10000;
}

// The fastest of runs calls of f, in milliseconds. EKALDO_BENCH_RUNS=N
// raises every count to at least N, so that a profiler sees the steady state.
template <typename F> double Best(int runs, F f) {
    bool ok = false;
    const int atLeast = qEnvironmentVariableIntValue("EKALDO_BENCH_RUNS", &ok);
    if (ok && atLeast > runs)
        runs = atLeast;
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Reads a file with plain read() calls; its size.
inline qint64 PlainRead(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return 0;
    std::vector<char> buffer(1 << 20);
    qint64 total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += n;
    ::close(fd);
    return total;
}

// Writes the generated school into folder and says how long it took.
inline void WriteSchoolAndSay(const QString& folder, const schooldb::GeneratedSchoolSize& size) {
    QElapsedTimer timer;
    timer.start();
    schooldb::WriteGeneratedSchool(folder, size);
    std::printf("generated school: %d students, %d grade records in %.0f ms\n", size.students,
                size.students * size.subjectsPerStudent, timer.nsecsElapsed() / 1e6);
}

// Answers yes to every question and opens no window; errors and warnings go
// to standard error, so that a run that went wrong says so.
class BenchUi : public UiServices {
public:
    // runEvents: let the window messages run where the code asks for it.
    explicit BenchUi(bool runEvents = false) : m_runEvents(runEvents) {}
    MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons) override {
        if (icon == MessageIcon::Error || icon == MessageIcon::Warning)
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        return MessageAnswer::Yes;
    }
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> GetSaveFileName(const FileDialogRequest&) override { return std::nullopt; }
    int RunModal(QObject&) override { return 0; }
    void ShowHelp(int) override {}
    bool ChoosePrinter(QString&, PageSetup&, const QStringList&) override { return false; }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    void ProcessEvents() override {
        if (m_runEvents)
            QCoreApplication::processEvents();
    }

private:
    bool m_runEvents;
};

} // namespace ekaldo::bench
