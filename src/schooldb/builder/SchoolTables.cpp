#include "schooldb/builder/SchoolTables.h"

#include "schooldb/TablePasswords.h"

namespace ekaldo::schooldb::SchoolTables {
namespace {

TableBuilder DataTable(const char* fileName) {
    TableBuilder table{QString::fromLatin1(fileName)};
    table.Password(DataTablePassword()).CodePage(1253);
    return table;
}

const char* const kTextGrades[] = {"Oral1", "Oral2", "Oral3", "Writen1", "OralExt1", "WritenExt1"};
const char* const kNumberGrades[] = {"RWriten", "RReWriten", "RReexam", "R100Writen"};

} // namespace

TableBuilder Student() {
    return DataTable("STUDENT.DB")
        .Long("STUDENTID")
        .Alpha("LASTNAME", 40)
        .Alpha("FIRSTNAME", 30)
        .Alpha("RGSNO", 10)
        .Long("COURSEID")
        .Key(1);
}

TableBuilder Guardian() {
    return DataTable("GUARDIAN.DB").Long("STUDENTID").Alpha("FATHFNAME", 30).Key(1);
}

TableBuilder Course() {
    return DataTable("COURSE.DB").Long("COURSEID").Long("CLASSID").Alpha("COURSENAME", 20).Key(1);
}

TableBuilder Class() {
    return DataTable("CLASS.DB")
        .AutoIncrement("CLASSID")
        .Alpha("LEVELID", 2)
        .Alpha("BRANCHID", 3)
        .Short("METHODID")
        .Alpha("CLASSNAME", 10)
        .Key(1);
}

TableBuilder Level() {
    return DataTable("LEVEL.DB").Alpha("LEVELID", 2).Alpha("LEVELNAME", 20).Key(1);
}

TableBuilder Subject() {
    return DataTable("SUBJECT.DB")
        .AutoIncrement("SUBJECTID")
        .Alpha("SUBJNAME", 20)
        .Alpha("SUBSUBJNAM", 20)
        .Long("CLASSID")
        .Logical("SUBJEDIT")
        .Key(1);
}

TableBuilder Method() {
    return DataTable("METHOD.DB").Short("METHODID").Number("GRDMIN").Number("GRDMAX").Key(1);
}

QStringList GradeFieldNames() {
    QStringList names;
    for (const char* name : kTextGrades)
        names.append(QString::fromLatin1(name));
    for (const char* name : kNumberGrades)
        names.append(QString::fromLatin1(name));
    for (int n = 1; n <= kNumberedGrades; ++n)
        names.append(QStringLiteral("GRD%1").arg(n));
    return names;
}

QVariantList GradeRow(int student, int subject, bool on, const QMap<QString, QVariant>& grades) {
    static const QStringList names = GradeFieldNames();
    QVariantList row{student, subject, on};
    row.reserve(3 + names.size());
    for (const QString& name : names)
        row.append(grades.value(name));
    return row;
}

TableBuilder Grade() {
    TableBuilder table = DataTable("GRADE.DB");
    table.Long("STUDENTID").Long("SUBJECTID").Logical("SUBJECTON").Key(2);
    for (const char* name : kTextGrades)
        table.Alpha(QString::fromLatin1(name), 4);
    for (const char* name : kNumberGrades)
        table.Number(QString::fromLatin1(name));
    for (int n = 1; n <= kNumberedGrades; ++n)
        table.Number(QStringLiteral("GRD%1").arg(n));
    return table;
}

TableBuilder User() {
    TableBuilder table{QStringLiteral("USER.DB")};
    table.Password(UserTablePassword())
        .CodePage(1253)
        .Alpha("USERNAME", 15)
        .Alpha("PASSWORD", 8)
        .Alpha("USERGROUP", 10)
        .Short("GROUPID")
        .Alpha("SCHLYEAR", 4)
        .Alpha("PRIVILEGES", 32)
        .Key(1);
    return table;
}

} // namespace ekaldo::schooldb::SchoolTables
