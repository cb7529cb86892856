#pragma once

#include "schooldb/FieldValue.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/TableBuilder.h"

#include <QList>
#include <QString>

#include <functional>
#include <ostream>

namespace ekaldo::schooldb {
inline void PrintTo(const FieldValue& v, std::ostream* os) {
    *os << (v.IsNull() ? std::string("null") : '<' + ValueText(v, ValueStyle::Iso).toStdString() + '>');
}
} // namespace ekaldo::schooldb

namespace ekaldo::testing {

using Records = QList<QList<schooldb::FieldValue>>;

// Every record as pxlib, the independent reader, reads it, text decoded in codePage;
// a BLOB kept in the memo file reads as unreadable "pxlib" (it cannot open memo files).
Records ReadWithPxlib(const QString& path, int codePage = 1253);

// Rewrites the header of a level-7 table pxlib made as the header of another
// level (version byte 3 to 12): the old levels lose the data header and keep
// the key in the main header, every level below 7 has the short table name.
void ConvertToLevel(const QString& path, int versionId);

// Every record as the engine's codec reads it, in stored order.
Records ReadWithEngine(const QString& path, const QString& password = QString());

// Makes table a detail of master, linked by the key field both have.
inline void MakeDetail(schooldb::Table& table, const char* name, schooldb::DataSet* master, const char* key) {
    table.SetTableName(QString::fromLatin1(name));
    table.SetIndexFieldNames(QString::fromLatin1(key));
    table.SetMasterSource(master, QString::fromLatin1(key));
}

// The folder of the shared samples, or empty when they are not there.
QString SamplesFolder();

// A small school: students 1 to 4 and the chain from a student to each grade's
// method. GRADE.DB has no key so that its stored order can be chosen.
void WriteSmallSchool(const QString& folder);

} // namespace ekaldo::testing
