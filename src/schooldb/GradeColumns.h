#pragma once

// Which grades a grade sheet carries and where each lives in GRADE.DB: the
// grade-column lists of both grading schemes, the grade field of a column,
// the grade range of a row, the text forms of a grade in a sheet cell, and
// the record rules that every store of a GRADE.DB record goes through.
//
// Both schemes are always built; the program passes Program::kGradingScheme,
// the tests pass either.

#include "base/ProgramConstants.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace ekaldo {

namespace schooldb {
class DataSet;
class Table;
} // namespace schooldb

// ---- Grade columns ----

// The grading method whose written grades are numbers (RWriten and its kin)
// instead of the text periods.
inline constexpr int kNumericWrittenMethod = 7;

// The captions of the scheme's grade-column list; caption i (from 0) names
// grade column i + 1.
QStringList GradeColumnCaptions(GradingScheme scheme);

// The GRADE.DB field that holds grade column gradeColumn (counted from 1) for
// a class graded by methodId; none for column 0, for a column the list does
// not have, and for a column the method keeps no grade in.
std::optional<QString> GradeFieldName(GradingScheme scheme, int methodId, int gradeColumn);

// The grade of the current GRADE.DB record as a sheet cell shows it: the
// field's value as text, empty when the column names no field or the field is
// null. A field the table lacks raises DatabaseError.
QString ReadGradeText(schooldb::DataSet& grades, GradingScheme scheme, int methodId, int gradeColumn);

// Stores a checked value (a number within the row's range, or a no-grade
// marker when isMarker) into the current GRADE.DB record, which must be in
// edit state. An empty value and a column without a field store nothing;
// the record itself is still stored by the caller, so the record rules run.
void WriteGrade(schooldb::Table& grades, GradingScheme scheme, int methodId, int gradeColumn,
                const QString& value, bool isMarker);

// ---- Grade range and row key ----

// Lowest and highest grade of a row, both inclusive.
struct GradeRange {
    double min = 1;
    double max = 20;
    bool Contains(double grade) const { return grade >= min && grade <= max; }
    bool operator==(const GradeRange&) const = default;
};

// The range of a class graded by methodId. The public-school scheme knows it
// from the method number alone; the tutoring scheme reads GRDMIN and GRDMAX
// of the current METHOD.DB record, a null reading 0 and a read that fails
// (no such field, no number) keeping 1 or 20.
GradeRange GradeRangeOf(GradingScheme scheme, int methodId, schooldb::DataSet& method);

// Column 0 of a sheet row: "STUDENTID;min;max", the numbers in their shortest
// text with the regional decimal separator.
QString RowKeyText(qint64 studentId, const GradeRange& range);
// The part of a row key after the student's number: ";min;max".
QString RowKeyRangeText(const GradeRange& range);

// ---- Subjects and sheet cells ----

// The heading of a subject column: SUBJNAME, or for a branch subject without
// one "[κλάδος] " and the branch name. Columns match grade records by exact,
// case-sensitive comparison of this text.
QString SubjectTitle(const QString& subjectName, const QString& branchName);
// The same from the current SUBJECT.DB record.
QString SubjectTitleOf(schooldb::DataSet& subjects);

// A subject cell of a student without a GRADE.DB record for the subject.
inline const QString kNoGradeRecordCell = QStringLiteral("-2");
// A subject cell of a student whose record has SUBJECTON false.
inline const QString kSubjectOffCell = QStringLiteral("-1");

// The value of a filled-in cell as a number, by the regional decimal
// separator; none when it does not convert.
std::optional<double> GradeNumber(QStringView value);

// A value that is not a number and is empty or begins with "Α" (Greek capital
// alpha), "*" or "-": the teacher's way of saying there is no grade.
bool IsNoGradeMarker(QStringView value);

enum class GradeValueKind { Number, NoGradeMarker, NotAGrade };
struct GradeValue {
    GradeValueKind kind = GradeValueKind::NotAGrade;
    double number = 0; // when kind is Number
};
GradeValue ClassifyGradeValue(QStringView value);

// ---- Record rules ----

// An oral or written text grade as the record rules keep it: a single
// character is widened to two ("Α" to "ΑΑ", "*" to "**", "-" to "--", any
// other c to "0c"); longer texts are cut to their first two characters.
QString WidenedTextGrade(const QString& text);

// The checks and normalisations every store of the current GRADE.DB record
// (in edit state) goes through, with subjects and method standing on the
// record's subject and its class's method. Returns false to refuse the
// store: the caller cancels the record's changes and abandons the store
// silently. Public-school fields may have been normalised in place either way.
bool ApplyRecordRules(schooldb::Table& grades, GradingScheme scheme, schooldb::DataSet& subjects,
                      schooldb::DataSet& method);

} // namespace ekaldo
