#pragma once

#include "schooldb/DatabaseError.h"

#include <QString>

#include <sys/types.h>

namespace ekaldo::schooldb {

// The table is in use by another program: being written while we would read
// it, or open for reading or writing while we would write it.
class TableLockedError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// Locks between programs that share a school database. A program writing a
// table holds a write lock over the whole file for the time it writes; a
// program reading it holds a read lock for the time of the read. They are
// open-file-description locks, so that the tables of one program never lock
// one another out; within this program the write lock of a table is shared
// by every writer of it.
class TableWriteLock {
public:
    // Throws TableLockedError naming the table when another program holds a lock on it.
    explicit TableWriteLock(const QString& path);
    ~TableWriteLock();
    TableWriteLock(const TableWriteLock&) = delete;
    TableWriteLock& operator=(const TableWriteLock&) = delete;

private:
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

// Takes a read lock on the open file for as long as fd stays open, unless this
// program itself is writing the table. Throws TableLockedError naming the
// table when another program is writing it.
void LockTableForReading(int fd, const QString& path);

} // namespace ekaldo::schooldb
