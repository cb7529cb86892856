#pragma once

// What the benchmarks share: the best time of a few runs, and the floor
// every figure is set beside, a plain read() of a file's bytes.

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace ekaldo::bench {

// The fastest of runs calls of f, in milliseconds.
template <typename F> double Best(int runs, F f) {
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

} // namespace ekaldo::bench
