#pragma once

#include "base/FileErrors.h"

namespace ekaldo::schooldb {

// Any failure of the school database engine: a missing folder, table or
// field, a damaged or foreign table file, a refused password, a bad filter or
// query, a value that does not fit its field. The message names what failed.
class DatabaseError : public EkaldoError {
public:
    using EkaldoError::EkaldoError;
};

// A store refused because the record on disk is no longer what was read.
class RecordChangedError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

} // namespace ekaldo::schooldb
