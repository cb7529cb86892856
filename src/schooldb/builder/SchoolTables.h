#pragma once

#include "schooldb/builder/TableBuilder.h"

#include <QMap>

namespace ekaldo::schooldb {

// The tables of a school-year folder as the school's administration software
// lays them out, empty, each with its password and primary key; a builder
// adds the rows.
namespace SchoolTables {

TableBuilder Student();
TableBuilder Guardian();
TableBuilder Course();
TableBuilder Class();
TableBuilder Level();
TableBuilder Subject();
TableBuilder Method();
TableBuilder Grade(); // STUDENTID, SUBJECTID, SUBJECTON, then every grade field
TableBuilder User();

// The grade fields of GRADE.DB after SUBJECTON, in field order.
QStringList GradeFieldNames();
inline constexpr int kNumberedGrades = 24;
// Where GRD1 stands in a GRADE.DB row: after the keys, the switch and the ten
// text and number grades.
inline constexpr int kFirstNumberedGradeColumn = 13;

// A GRADE.DB row: the keys, the switch, then the named grade fields; every
// other grade field is null.
QVariantList GradeRow(int student, int subject, bool on, const QMap<QString, QVariant>& grades = {});

} // namespace SchoolTables
} // namespace ekaldo::schooldb
