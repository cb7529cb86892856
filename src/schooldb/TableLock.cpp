#include "schooldb/TableLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ekaldo::schooldb {
namespace {

struct Held {
    int fd;    // the description that holds the lock
    int users; // writers of this program sharing it
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<dev_t, ino_t>, Held>& Registry() {
    static std::map<std::pair<dev_t, ino_t>, Held> held;
    return held;
}

QString Quoted(const QString& path) {
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// False only when another program holds a conflicting lock; a file system
// without locks lets every program through, as before locks existed.
bool TryLock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // the whole file, however long it grows
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return true;
    return errno != EAGAIN && errno != EACCES;
}

} // namespace

TableWriteLock::TableWriteLock(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(path) + QStringLiteral(" δεν υπάρχει!"));
    m_device = st.st_dev;
    m_inode = st.st_ino;
    std::lock_guard guard(RegistryMutex());
    auto& registry = Registry();
    if (auto found = registry.find({m_device, m_inode}); found != registry.end()) {
        ++found->second.users;
        return;
    }
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(path) +
                            QStringLiteral(" δεν μπορεί να ανοιχτεί για εγγραφή: ") +
                            QString::fromLocal8Bit(std::strerror(errno)));
    if (!TryLock(fd, F_WRLCK)) {
        ::close(fd);
        throw TableLockedError(
            QStringLiteral("Ο πίνακας ") + Quoted(path) +
            QStringLiteral(" χρησιμοποιείται αυτή τη στιγμή από άλλο πρόγραμμα· δεν γράφτηκε "
                           "τίποτα. Δοκιμάστε ξανά όταν το άλλο πρόγραμμα τελειώσει."));
    }
    registry.emplace(std::pair{m_device, m_inode}, Held{fd, 1});
}

TableWriteLock::~TableWriteLock() {
    std::lock_guard guard(RegistryMutex());
    auto& registry = Registry();
    auto found = registry.find({m_device, m_inode});
    if (found == registry.end() || --found->second.users > 0)
        return;
    ::close(found->second.fd);
    registry.erase(found);
}

void LockTableForReading(int fd, const QString& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return; // the read that follows reports it
    std::lock_guard guard(RegistryMutex());
    if (Registry().count({st.st_dev, st.st_ino}) > 0)
        return;
    if (!TryLock(fd, F_RDLCK))
        throw TableLockedError(
            QStringLiteral("Ο πίνακας ") + Quoted(path) +
            QStringLiteral(" γράφεται αυτή τη στιγμή από άλλο πρόγραμμα· δοκιμάστε ξανά όταν "
                           "το άλλο πρόγραμμα τελειώσει."));
}

} // namespace ekaldo::schooldb
