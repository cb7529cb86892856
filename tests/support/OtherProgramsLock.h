#pragma once

#include <QFile>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ekaldo::testing {

// A lock on the table held by another program: a child process that takes it
// and waits until the test ends it.
class OtherProgramsLock {
public:
    // type: F_RDLCK (the other program reads the table) or F_WRLCK (it writes).
    OtherProgramsLock(const QString& path, short type) {
        const QByteArray native = QFile::encodeName(path);
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(native.constData(), type == F_WRLCK ? O_RDWR : O_RDONLY);
            struct flock lock {};
            lock.l_type = type;
            lock.l_whence = SEEK_SET;
            if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &lock) != 0)
                ::_exit(1);
            const char taken = 'x';
            if (::write(ready[1], &taken, 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char taken = 0;
        m_taken = m_pid > 0 && ::read(ready[0], &taken, 1) == 1;
        ::close(ready[0]);
    }
    ~OtherProgramsLock() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Taken() const { return m_taken; }

private:
    pid_t m_pid = -1;
    bool m_taken = false;
};

} // namespace ekaldo::testing
