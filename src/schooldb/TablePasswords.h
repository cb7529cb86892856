#pragma once

#include <QString>

namespace ekaldo::schooldb {

// The two Paradox table passwords of a school database: the user table's and
// the data tables'. The program registers them while signing in; the school
// database builder protects the tables with the same ones.
QString UserTablePassword(); // six decimal digits
QString DataTablePassword(); // five decimal digits

} // namespace ekaldo::schooldb
