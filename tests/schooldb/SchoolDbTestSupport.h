#pragma once

#include "schooldb/FieldValue.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/TableBuilder.h"

#include <QList>
#include <QString>

#include <ostream>

namespace ekaldo::schooldb {
inline void PrintTo(const FieldValue& v, std::ostream* os) {
    if (v.IsNull())
        *os << "null";
    else if (v.IsText())
        *os << '"' << v.TextValue().toStdString() << '"';
    else if (v.IsInteger())
        *os << v.IntegerValue();
    else if (v.IsFloat())
        *os << v.FloatValue() << 'f';
    else
        *os << (v.LogicalValue() ? "true" : "false");
}
} // namespace ekaldo::schooldb

namespace ekaldo::testing {

using Records = QList<QList<schooldb::FieldValue>>;

// Every record of a table as pxlib reads it: the independent reader. Alpha
// text is decoded with the project's Windows-1253 codec.
struct PxTable {
    QStringList names;
    QList<int> types;
    Records records;
};
PxTable ReadWithPxlib(const QString& path);

// Every record as the engine's codec reads it, in stored order.
Records ReadWithEngine(const QString& path, const QString& password = QString());

// The folder of the shared samples, or empty when they are not there.
QString SamplesFolder();

// A small school, every table the chain and the student query need, its data
// tables under the data-table password. Students 1 to 4; student 4 has no
// guardian; GRADE.DB has no key so that its stored order can be chosen.
void WriteSmallSchool(const QString& folder);

} // namespace ekaldo::testing
