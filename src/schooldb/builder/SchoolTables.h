#pragma once

#include "schooldb/builder/TableBuilder.h"

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

} // namespace SchoolTables
} // namespace ekaldo::schooldb
