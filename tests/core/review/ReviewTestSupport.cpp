#include "ReviewTestSupport.h"

#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

namespace ekaldo::testing {

using namespace ekaldo::schooldb;

void WritePostingSchool(const QString& folder) {
    QDir().mkpath(folder);
    SchoolTables::Method().Rows({{1, 1.0, 20.0}, {2, 0.0, 10.0}, {7, 0.0, 20.0}}).Write(folder);
    SchoolTables::Class()
        .Rows({{1, "ΓΥ", "", 1, "Α1"}, {2, "ΛΥ", "", 2, "Β1"}, {3, "ΛΥ", "", 7, "Γ1"}})
        .Write(folder);
    SchoolTables::Subject()
        .Rows({{1, "Άλγεβρα", "", 1, true},
               {2, "Φυσική", "", 1, true},
               {3, "Ιστορία", "", 1, false},
               {4, "Χημεία", "", 2, true},
               {5, "Έκθεση", "", 3, true},
               {6, "", "Θετική", 1, true}})
        .Write(folder);
    SchoolTables::Grade()
        .Rows({SchoolTables::GradeRow(1, 1, true, {{"GRD1", 12.0}, {"Oral1", "7"}}),
               SchoolTables::GradeRow(1, 2, true), SchoolTables::GradeRow(1, 3, true),
               SchoolTables::GradeRow(1, 6, true), SchoolTables::GradeRow(2, 1, true),
               SchoolTables::GradeRow(2, 2, false), SchoolTables::GradeRow(3, 4, true, {{"GRD1", 12.0}}),
               SchoolTables::GradeRow(4, 5, true, {{"Oral2", "7"}}),
               SchoolTables::GradeRow(5, 1, true, {{"GRD2", 9.0}}), SchoolTables::GradeRow(5, 2, true)})
        .Write(folder);
    QString secretary(32, QLatin1Char('1'));
    secretary[7] = QLatin1Char('0'); // everything but posting
    SchoolTables::User()
        .Rows({{"TALMIR", "TALMIR", "Admin", 0, "2025", QString(32, QLatin1Char('1'))},
               {"GRAMM", "G1", "Γραμματεία", 3, "2025", secretary}})
        .Write(folder);
}

QString TitlesLine(const QStringList& subjects) {
    QStringList cells{"α/α", "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ", "ΠΑΤΡΩΝΥΜΟ", "ΜΗΤΡΩΟ", "ΕΠΙΠΕΔΟ", "ΤΑΞΗ", "ΤΜΗΜΑ"};
    cells += subjects;
    return cells.join(QLatin1Char('\t'));
}

QString StudentLine(const QString& key, const QString& surname, const QStringList& cells) {
    QStringList all{key, surname, "Όνομα", "", "Μ1", "", "", ""};
    all += cells;
    return all.join(QLatin1Char('\t'));
}

GradeSheet SheetOf(const QStringList& lines) {
    GradeSheet sheet;
    int cols = 0;
    for (const QString& line : lines)
        cols = std::max(cols, int(line.count(QLatin1Char('\t'))) + 1);
    sheet.SetSize(int(lines.size()), cols);
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList cells = lines[r].split(QLatin1Char('\t'));
        for (int c = 0; c < cells.size(); ++c)
            sheet.SetCell(r, c, cells[c]);
    }
    return sheet;
}

void WriteSheetFile(const QString& path, const QStringList& lines, const QString& schoolYear,
                    const QString& posted) {
    QString text =
        QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\nFileName=") +
        QFileInfo(path).fileName() +
        QStringLiteral(
            "\r\nFileID=46000.5\r\nCreated=1/1/2026\r\nExported=\r\nModified=\r\nImported=\r\nPosted=") +
        posted + QStringLiteral("\r\nSchoolYear=") + schoolYear + QStringLiteral("\r\n[Data]\r\n");
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    WriteBytes(path, Greek(text));
}

QList<QByteArray> RecordBytes(const QString& tablePath) {
    Session session;
    session.AddPassword(DataTablePassword());
    const auto table = ParadoxTable::Open(tablePath, session.Check());
    QList<QByteArray> records;
    for (qint64 i = 0; i < table->RecordCount(); ++i)
        records.append(table->RecordBytes(i));
    return records;
}

FieldValue StoredField(AppState& state, int student, int subject, const QString& field) {
    Table table(state.MorvenDataBase());
    table.SetTableName(QStringLiteral("GRADE.DB"));
    table.Open();
    for (; !table.Eof(); table.Next())
        if (table.FieldByName(QStringLiteral("STUDENTID")).AsInteger() == student &&
            table.FieldByName(QStringLiteral("SUBJECTID")).AsInteger() == subject)
            return table.FieldByName(field).Value();
    ADD_FAILURE() << "no grade record " << student << "/" << subject;
    return {};
}

QString SchoolFolder(const QString& root) {
    return QDir(root).filePath(QStringLiteral("data/MV202526.SYR"));
}

void PrepareState(AppState& state, const QString& root) {
    state.ProgramFolder = root + QLatin1Char('/');
    state.SettingsPath = QDir(root).filePath(QStringLiteral("ZENTIK.INI"));
    state.SetDocumentFolders();
    WritePostingSchool(SchoolFolder(root));
    state.DBPath = QDir(root).filePath(QStringLiteral("data"));
    state.MorvenDataBase().SetParams({QStringLiteral("PATH=") + SchoolFolder(root)});
    state.DatabaseSession().AddPassword(DataTablePassword());
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");
    state.SchoolYearCode = QStringLiteral("2025");
    state.CurrentUserName = QStringLiteral("TALMIR");
    state.UserLevel = 1;
    state.UserRights = QString(32, QLatin1Char('1'));
}

} // namespace ekaldo::testing
