#pragma once

#include "core/exchange/GradeSheet.h"
#include "core/shell/AppState.h"
#include "schooldb/FieldValue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ekaldo::testing {

// A school for posting, with its data tables under the data-table password.
// Methods: 1 grades 1..20, 2 grades 0..10, 7 the numeric-written method (0..20).
// Classes 1, 2, 3 use methods 1, 2, 7.
// Subjects: 1 Άλγεβρα, 2 Φυσική, 3 Ιστορία (grades locked), 6 a branch
// "[κλάδος] Θετική", all of class 1; 4 Χημεία of class 2; 5 Έκθεση of class 3.
// Grade records:
//   student 1: Άλγεβρα (GRD1 12, Oral1 "7"), Φυσική, Ιστορία, Θετική
//   student 2: Άλγεβρα, Φυσική switched off
//   student 3: Χημεία with GRD1 12, out of its range 0..10
//   student 4: Έκθεση with Oral2 "7"
//   student 5: Άλγεβρα (GRD2 9), Φυσική: never on a sheet
// Users: TALMIR with every right, GRAMM (password G1) without the posting right.
void WritePostingSchool(const QString& folder);

// The titles line of a sheet with the seven student columns and the subject titles.
QString TitlesLine(const QStringList& subjects);
// A student line: key "id;min;max", the surname in column 1, then the subject cells.
QString StudentLine(const QString& key, const QString& surname, const QStringList& cells);

// A sheet from tab-separated lines, as the reader would make it.
GradeSheet SheetOf(const QStringList& lines);

// A grade data file of the school year with the given data lines.
void WriteSheetFile(const QString& path, const QStringList& lines, const QString& schoolYear = "2025-2026",
                    const QString& posted = QString());

// The plain bytes of every record of a table, in stored order.
QList<QByteArray> RecordBytes(const QString& tablePath);

// One field of a grade record as a fresh table reads it from the disk.
schooldb::FieldValue StoredField(AppState& state, int student, int subject, const QString& field);

// The program's folders in root, the school in root/MV2025.SYR opened as the
// school year 2025-2026, the administrator signed in with every right.
void PrepareState(AppState& state, const QString& root);
QString SchoolFolder(const QString& root);

} // namespace ekaldo::testing
