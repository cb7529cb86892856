#include "core/compose/SheetComposition.h"

#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "core/compose/ColumnSettings.h"
#include "schooldb/GradeColumns.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYearSession.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <span>

namespace ekaldo {

using schooldb::Database;
using schooldb::DataSet;
using schooldb::FieldValue;
using schooldb::Query;
using schooldb::Table;
using schooldb::ValueStyle;
using schooldb::ValueText;

namespace {

void FillFrom(SelectionGrid& grid, Database& database, const QStringList& sql,
              const std::function<QString(Query&)>& caption) {
    grid.Reset();
    Query query(database);
    query.SetSql(sql);
    query.Open();
    for (query.First(); !query.Eof(); query.Next())
        grid.AddRow(caption(query));
    query.Close();
}

QString FirstField(Query& query) {
    return query.Fields(0).AsString();
}

} // namespace

void FillLevelsGrid(SheetComposition& composition, Database& database) {
    FillFrom(composition.Levels, database,
             {QStringLiteral("SELECT LEVELS.\"LEVELNAME\""), QStringLiteral("FROM \"LEVEL.DB\" LEVELS"),
              QStringLiteral("ORDER BY"), QStringLiteral(" LEVELS.\"LEVELNAME\"")},
             FirstField);
}

void FillClassesGrid(SheetComposition& composition, Database& database) {
    FillFrom(composition.Classes, database,
             {QStringLiteral("SELECT CLASS.\"CLASSNAME\""), QStringLiteral("FROM \"CLASS.DB\" CLASS"),
              QStringLiteral("GROUP BY"), QStringLiteral(" CLASS.\"CLASSNAME\""), QStringLiteral("ORDER BY"),
              QStringLiteral(" CLASS.\"CLASSNAME\"")},
             FirstField);
}

void FillCoursesGrid(SheetComposition& composition, Database& database) {
    FillFrom(composition.Courses, database,
             {QStringLiteral("SELECT COURSE.\"COURSENAME\""), QStringLiteral("FROM \"COURSE.DB\" COURSE"),
              QStringLiteral("GROUP BY"), QStringLiteral(" COURSE.\"COURSENAME\""),
              QStringLiteral("ORDER BY"), QStringLiteral(" COURSE.\"COURSENAME\"")},
             FirstField);
}

void FillSubjectsGrid(SheetComposition& composition, Database& database) {
    FillFrom(composition.Subjects, database,
             {QStringLiteral("SELECT SUBJECT.\"SUBJNAME\" , "), QStringLiteral(" SUBJECT.\"SUBSUBJNAM\""),
              QStringLiteral("FROM \"SUBJECT.DB\" SUBJECT"), QStringLiteral("GROUP BY"),
              QStringLiteral(" SUBJECT.\"SUBJNAME\" , SUBJECT.\"SUBSUBJNAM\""), QStringLiteral("ORDER BY"),
              QStringLiteral(" SUBJECT.\"SUBJNAME\" , SUBJECT.\"SUBSUBJNAM\"")},
             [](Query& q) { return SubjectTitle(q.Fields(0).AsString(), q.Fields(1).AsString()); });
}

void FillSelectionGrids(SheetComposition& composition, Database& database) {
    FillLevelsGrid(composition, database);
    FillClassesGrid(composition, database);
    FillCoursesGrid(composition, database);
    FillSubjectsGrid(composition, database);
}

StudentQueryText BuildStudentQuery(const SheetComposition& composition, const QStringList& sortOrder) {
    StudentQueryText q;
    q.lines = {
        QStringLiteral("SELECT STUDENT.\"STUDENTID\" ,STUDENT.\"LASTNAME\" ,"),
        QStringLiteral(" STUDENT.\"FIRSTNAME\" , STUDENT.\"RGSNO\" ,"),
        QStringLiteral(" GUARDIAN.\"FATHFNAME\" ,"),
        QStringLiteral(" COURSES.\"COURSENAME\" ,"),
        QStringLiteral(" CLASSES.\"CLASSNAME\","),
        QStringLiteral(" LEVELS.\"LEVELNAME\""),
        QStringLiteral("FROM \"STUDENT.DB\" STUDENT ,"),
        QStringLiteral("     \"GUARDIAN.DB\" GUARDIAN ,"),
        QStringLiteral("     \"COURSE.DB\" COURSES,"),
        QStringLiteral("     \"CLASS.DB\" CLASSES,"),
        QStringLiteral("     \"LEVEL.DB\" LEVELS"),
        QStringLiteral("WHERE ( STUDENT.STUDENTID = GUARDIAN.STUDENTID )"),
        QStringLiteral("  AND ( STUDENT.COURSEID = COURSES.COURSEID )"),
        QStringLiteral("  AND ( CLASSES.CLASSID = COURSES.CLASSID )"),
        QStringLiteral("  AND ( LEVELS.LEVELID = CLASSES.LEVELID )"),
    };
    // Captions travel as bound values: a caption holding a quote selects its
    // own students and can never change the query.
    auto addGroup = [&](const SelectionGrid& grid, const QString& field, const QString& name) {
        if (grid.Ticked(1))
            return;
        int n = 0;
        for (int r = 2; r < grid.RowCount(); ++r) {
            if (!grid.Ticked(r))
                continue;
            ++n;
            const QString placeholder = QStringLiteral(":%1%2").arg(name).arg(n);
            if (n == 1) {
                q.lines << QStringLiteral("  AND ( ");
                q.lines << QStringLiteral("          ( ") + field + QStringLiteral(" = ") + placeholder +
                               QStringLiteral(" )");
            } else {
                q.lines << QStringLiteral("       OR ( ") + field + QStringLiteral(" = ") + placeholder +
                               QStringLiteral(" )");
            }
            q.bindings.insert(placeholder, grid.Caption(r));
        }
        if (n > 0)
            q.lines << QStringLiteral("      )");
    };
    addGroup(composition.Levels, QStringLiteral("LEVELS.LEVELNAME"), QStringLiteral("level"));
    addGroup(composition.Classes, QStringLiteral("CLASSES.CLASSNAME"), QStringLiteral("class"));
    addGroup(composition.Courses, QStringLiteral("COURSES.COURSENAME"), QStringLiteral("course"));
    // A sort reference names a selected field (STUDENT."LASTNAME"): the
    // result column of the same name.
    for (const QString& reference : sortOrder) {
        QString field = reference.mid(reference.lastIndexOf(QLatin1Char('.')) + 1);
        field.remove(QLatin1Char('"'));
        q.orderFields << field.trimmed();
    }
    return q;
}

void AddSubjectColumns(SheetComposition& c) {
    c.GridFixedColumns = 1;
    c.Sheet.SetColCount(8);
    c.ColumnWidths = QList<int>(8, kSubjectColumnWidth);
    if (c.Subjects.Ticked(1))
        return;
    const bool all = c.Subjects.Ticked(2);
    for (int r = 3; r < c.Subjects.RowCount(); ++r) {
        if (!all && !c.Subjects.Ticked(r))
            continue;
        const int col = c.Sheet.ColCount();
        c.Sheet.SetColCount(col + 1);
        c.Sheet.SetCell(0, col, c.Subjects.Caption(r));
        c.ColumnWidths << kSubjectColumnWidth;
        c.FixedColCount = 8;
    }
    // A grid cannot fix every column it has: with no subject column at all a
    // fixed count of 8 would leave nothing to scroll, so keep one column free.
    c.GridFixedColumns = std::min(c.FixedColCount, c.Sheet.ColCount() - 1);
    c.GridFixedColumns = std::max(c.GridFixedColumns, 1);
}

namespace {

// What a grade record's subject leads to, read once per composition: the
// small tables are looked up by key instead of being followed record by record.
struct SubjectInfo {
    QString title;
    qint64 classId = 0;
    bool found = false;
};

struct ChainCache {
    QHash<qint64, SubjectInfo> subjects;     // by SUBJECTID, the first record of each key
    QHash<qint64, qint64> methodOfClass;     // CLASSID -> METHODID
    QHash<qint64, GradeRange> rangeOfMethod; // METHODID -> range, as the method record gives it
};

ChainCache LoadChain(Database& database, GradingScheme scheme) {
    ChainCache cache;
    Table subjects(database);
    subjects.SetTableName(QStringLiteral("SUBJECT.DB"));
    subjects.SetIndexFieldNames(QStringLiteral("SUBJECTID"));
    subjects.Open();
    for (subjects.First(); !subjects.Eof(); subjects.Next()) {
        const qint64 id = subjects.FieldByName(QStringLiteral("SUBJECTID")).AsInteger();
        if (!cache.subjects.contains(id))
            cache.subjects.insert(id, {SubjectTitleOf(subjects),
                                       subjects.FieldByName(QStringLiteral("CLASSID")).AsInteger(), true});
    }
    Table classes(database);
    classes.SetTableName(QStringLiteral("CLASS.DB"));
    classes.SetIndexFieldNames(QStringLiteral("CLASSID"));
    classes.Open();
    for (classes.First(); !classes.Eof(); classes.Next()) {
        const qint64 id = classes.FieldByName(QStringLiteral("CLASSID")).AsInteger();
        if (!cache.methodOfClass.contains(id))
            cache.methodOfClass.insert(id, classes.FieldByName(QStringLiteral("METHODID")).AsInteger());
    }
    Table methods(database);
    methods.SetTableName(QStringLiteral("METHOD.DB"));
    methods.SetIndexFieldNames(QStringLiteral("METHODID"));
    methods.Open();
    for (methods.First(); !methods.Eof(); methods.Next()) {
        const qint64 id = methods.FieldByName(QStringLiteral("METHODID")).AsInteger();
        if (!cache.rangeOfMethod.contains(id))
            cache.rangeOfMethod.insert(id, GradeRangeOf(scheme, static_cast<int>(id), methods));
    }
    return cache;
}

// The range of a row whose chain breaks: the missing tables read as empty,
// and an empty table's fields read 0.
GradeRange BrokenChainRange(GradingScheme scheme, qint64 methodId) {
    if (scheme == GradingScheme::Tutoring)
        return {0, 0};
    GradeRange range;
    if (methodId == kNumericWrittenMethod)
        range = {0, 100};
    return range;
}

} // namespace

void ComposeSheet(SheetComposition& c, SchoolYearSession& year, const SheetOrder& order, GradingScheme scheme,
                  ProgressSink* progress) {
    GradeSheet& sheet = c.Sheet;
    sheet.SetRowCount(2);
    AddSubjectColumns(c);
    sheet.SetCell(0, 0, QStringLiteral("α/α"));
    for (int i = 1; i <= 7; ++i) {
        const QString key = order.ColumnOrder.value(i - 1);
        sheet.SetCell(0, i, key);
        c.ColumnWidths[i] = ColumnWidthFor(key);
    }
    c.ColumnWidths[0] = 32;
    sheet.ClearRow(1);
    // Subject columns of row 0 keep their titles; rows below are rebuilt.
    const int cols = sheet.ColCount();
    QStringList subjectTitles;
    for (int col = 8; col < cols; ++col)
        subjectTitles << sheet.Cell(0, col);

    Database& database = year.MorvenDataBase();
    const StudentQueryText text = BuildStudentQuery(c, order.SortOrder);
    Query students(database);
    students.SetSql(text.lines);
    students.SetOrderFields(text.orderFields);
    for (auto it = text.bindings.begin(); it != text.bindings.end(); ++it)
        students.BindValue(it.key(), it.value());
    students.Open();

    // Each student's grade records in the order of the student index. Where
    // the grade table's student, subject and switch fields are of the types
    // the school's tables have, the records are grouped by student here from
    // one pass over the file; otherwise the table follows the student query
    // through its index, and records read through the cursor as they come.
    Table grades(database);
    grades.SetTableName(QStringLiteral("GRADE.DB"));
    grades.Open();
    const auto integerField = [&](const QString& name) {
        const int index = grades.FieldIndex(name);
        return index >= 0 && grades.File().Field(index).IsInteger();
    };
    const int onIndex = grades.FieldIndex(QStringLiteral("SUBJECTON"));
    const bool grouped = integerField(QStringLiteral("STUDENTID")) &&
                         integerField(QStringLiteral("SUBJECTID")) && onIndex >= 0 &&
                         grades.File().Field(onIndex).type == schooldb::FieldType::Logical;
    if (!grouped) {
        grades.Close();
        grades.SetIndexName(QStringLiteral("Grade_StudentID_Inx"));
        grades.SetMasterSource(&students, QStringLiteral("STUDENTID"));
        grades.Open();
    }
    const ChainCache chain = LoadChain(database, scheme);

    const int fieldId = students.FieldIndex(QStringLiteral("STUDENTID"));
    const int fieldGradeStudent = grades.FieldIndex(QStringLiteral("STUDENTID"));
    const int fieldSubject = grades.FieldIndex(QStringLiteral("SUBJECTID"));
    const int fieldOn = grades.FieldIndex(QStringLiteral("SUBJECTON"));
    const std::pair<const char*, const char*> studentColumns[] = {
        {"LASTNAME", "ΕΠΩΝΥΜΟ"},  {"FIRSTNAME", "ΟΝΟΜΑ"}, {"FATHFNAME", "ΠΑΤΡΩΝΥΜΟ"}, {"RGSNO", "ΜΗΤΡΩΟ"},
        {"LEVELNAME", "ΕΠΙΠΕΔΟ"}, {"CLASSNAME", "ΤΑΞΗ"},  {"COURSENAME", "ΤΜΗΜΑ"}};
    int studentFieldIndex[7];
    int targetColumn[7];
    for (int i = 0; i < 7; ++i) {
        studentFieldIndex[i] = students.FieldIndex(QString::fromLatin1(studentColumns[i].first));
        targetColumn[i] = ColumnIndexOf(order.ColumnOrder, QString::fromUtf8(studentColumns[i].second));
    }

    int count = 0;
    int row = 1;
    // The subject columns' titles, each matched to the first grade record of
    // the row with that title: one pass over the records per row.
    QHash<QString, int> columnOfTitle;
    for (int k = 0; k < subjectTitles.size(); ++k) {
        if (!columnOfTitle.contains(subjectTitles[k]))
            columnOfTitle.insert(subjectTitles[k], 8 + k);
    }
    std::vector<int> recordForColumn(static_cast<std::size_t>(cols), -1);
    // The grade field each method reads, by index: looked up once, not per cell.
    constexpr int kNoField = -2;
    QHash<int, int> gradeFieldOfMethod;
    const auto gradeFieldOf = [&](int methodId) {
        auto field = gradeFieldOfMethod.find(methodId);
        if (field == gradeFieldOfMethod.end()) {
            const auto name = GradeFieldName(scheme, methodId, c.PeriodIndex);
            field = gradeFieldOfMethod.insert(methodId, name ? grades.FieldIndex(*name) : kNoField);
        }
        return *field;
    };

    // A row's range comes from the chain of the student's first grade record.
    const auto rangeOfSubject = [&](qint64 subjectId) {
        const SubjectInfo subject = chain.subjects.value(subjectId);
        const auto method = chain.methodOfClass.find(subject.classId);
        if (!subject.found || method == chain.methodOfClass.end())
            return BrokenChainRange(scheme, 0);
        if (const auto r = chain.rangeOfMethod.find(*method); r != chain.rangeOfMethod.end())
            return *r;
        return BrokenChainRange(scheme, *method);
    };
    // Each subject's column, method, grade field and row-key range, found
    // once: a sheet has hundreds of thousands of grade records but a few
    // hundred subjects. Subject numbers are small: a list by number rather
    // than a hash lookup for every record.
    QList<QString> rangeTexts; // each subject's range as the row key ends with it
    struct SubjectColumn {
        bool known = false;
        int col = -1; // none of the sheet's columns has the subject's title
        int methodId = 0;
        int field = kNoField;
        int range = -1; // index into rangeTexts
    };
    std::vector<SubjectColumn> subjectsByNumber;
    QHash<qint64, SubjectColumn> otherSubjects;
    const auto subjectColumn = [&](qint64 subjectId) -> const SubjectColumn& {
        constexpr qint64 kListed = 1 << 16;
        SubjectColumn* entry = nullptr;
        if (subjectId >= 0 && subjectId < kListed) {
            if (subjectsByNumber.size() <= static_cast<std::size_t>(subjectId))
                subjectsByNumber.resize(static_cast<std::size_t>(subjectId) + 1);
            entry = &subjectsByNumber[static_cast<std::size_t>(subjectId)];
        } else {
            entry = &otherSubjects[subjectId];
        }
        if (!entry->known) {
            const SubjectInfo subject = chain.subjects.value(subjectId);
            const int col = columnOfTitle.value(subject.title, -1);
            const int methodId = static_cast<int>(chain.methodOfClass.value(subject.classId));
            rangeTexts.append(RowKeyRangeText(rangeOfSubject(subjectId)));
            *entry = {true, col, methodId, col >= 0 ? gradeFieldOf(methodId) : kNoField,
                      static_cast<int>(rangeTexts.size() - 1)};
        }
        return *entry;
    };

    // Every grade record's subject and cell, read in one pass in the file's
    // order while the bytes stream through the cache; the rows then pick them
    // up by record number, in the order of the student index. A sheet's
    // grades are a few dozen numbers over hundreds of thousands of cells:
    // each number's text is made once. A record whose fields are not of the
    // usual types is read through the cursor instead, with its errors.
    constexpr int kThroughCursor = -1;
    constexpr qint64 kPrefetchAhead = 16;
    constexpr int kOff = -2;
    constexpr int kNoCell = -3;
    struct GradeRecord {
        int col = -1;
        int text = kThroughCursor; // index into texts, or one of the above
        int range = -1;            // index into rangeTexts
    };
    const schooldb::ParadoxTable& gradeFile = grades.File();
    std::vector<GradeRecord> gradeRecords(static_cast<std::size_t>(gradeFile.RecordCount()));
    QList<QString> texts{QString()}; // the first for every empty cell
    QHash<quint64, int> textOfNumber;
    struct RecentNumber {
        quint64 bits = 0;
        int text = -1;
    };
    std::array<RecentNumber, 64> recentNumbers{};
    const auto textIndex = [&](const FieldValue& value) {
        if (value.IsNull())
            return 0;
        if (!value.IsFloat()) {
            texts.append(ValueText(value, ValueStyle::Regional));
            return static_cast<int>(texts.size() - 1);
        }
        const quint64 bits = std::bit_cast<quint64>(value.FloatValue());
        // The last number seen in each of a few slots answers most records
        // before the hash is asked.
        RecentNumber& recent = recentNumbers[(bits * 0x9E3779B97F4A7C15ull) >> 58];
        if (recent.text >= 0 && recent.bits == bits)
            return recent.text;
        auto known = textOfNumber.constFind(bits);
        if (known == textOfNumber.constEnd()) {
            texts.append(ValueText(value, ValueStyle::Regional));
            known = textOfNumber.insert(bits, static_cast<int>(texts.size() - 1));
        }
        recent = {bits, *known};
        return *known;
    };
    // The grade records' students, when grouped here; a null links to no student.
    constexpr std::int64_t kNoStudent = std::numeric_limits<std::int64_t>::min();
    std::vector<std::int64_t> studentOfRecord(grouped ? gradeRecords.size() : 0);
    {
        const qint64 records = gradeFile.RecordCount();
        const int recordSize = gradeFile.Layout().recordSize;
        for (qint64 r = 0; r < records; ++r) {
            // The records are far apart for the processor's own prefetching:
            // ask for every line of one a little ahead while this one is read.
            if (r + kPrefetchAhead < records) {
                const unsigned char* ahead = gradeFile.RecordData(r + kPrefetchAhead);
                for (int at = 0; at < recordSize; at += 64)
                    __builtin_prefetch(ahead + at);
            }
            const unsigned char* record = gradeFile.RecordData(r);
            if (grouped) {
                const FieldValue student = gradeFile.Decode(record, fieldGradeStudent);
                studentOfRecord[static_cast<std::size_t>(r)] =
                    student.IsNull() ? kNoStudent : student.IntegerValue();
            }
            const FieldValue subjectValue = gradeFile.Decode(record, fieldSubject);
            if (!subjectValue.IsInteger() && !subjectValue.IsNull())
                continue;
            GradeRecord& g = gradeRecords[static_cast<std::size_t>(r)];
            const FieldValue on = gradeFile.Decode(record, fieldOn);
            if (!on.IsLogical() && !on.IsNull())
                continue;
            const SubjectColumn& subject =
                subjectColumn(subjectValue.IsNull() ? 0 : subjectValue.IntegerValue());
            g.col = subject.col;
            g.range = subject.range;
            if (g.col < 0) {
                g.text = kNoCell;
            } else if (!on.IsLogical() || !on.LogicalValue()) {
                g.text = kOff;
            } else {
                const int field = subject.field;
                if (field >= 0)
                    g.text = textIndex(gradeFile.Decode(record, field));
                else if (field == kNoField)
                    g.text = 0;
                // else: a field the table lacks is read the slow way, which raises its error
            }
        }
    }

    // The grouped records in the student index's order (by student, the
    // file's order within one) and each student's run of them. A keyed grade
    // table holds its records in that order already.
    std::vector<qint64> indexOrder;
    QHash<quint64, std::pair<qint64, qint64>> runOfStudent; // by the link key, as the table links
    if (grouped) {
        indexOrder.reserve(studentOfRecord.size());
        for (std::size_t r = 0; r < studentOfRecord.size(); ++r) {
            if (studentOfRecord[r] != kNoStudent)
                indexOrder.push_back(static_cast<qint64>(r));
        }
        const auto byStudent = [&](qint64 a, qint64 b) {
            return studentOfRecord[static_cast<std::size_t>(a)] <
                   studentOfRecord[static_cast<std::size_t>(b)];
        };
        if (!std::is_sorted(indexOrder.begin(), indexOrder.end(), byStudent))
            std::stable_sort(indexOrder.begin(), indexOrder.end(), byStudent);
        for (std::size_t i = 0; i < indexOrder.size();) {
            const std::int64_t id = studentOfRecord[static_cast<std::size_t>(indexOrder[i])];
            std::size_t end = i + 1;
            while (end < indexOrder.size() &&
                   studentOfRecord[static_cast<std::size_t>(indexOrder[end])] == id)
                ++end;
            runOfStudent.insert(*schooldb::NumberLinkKey(FieldValue::Integer(id)),
                                {static_cast<qint64>(i), static_cast<qint64>(end)});
            i = end;
        }
    }
    std::vector<qint64> cursorRecords; // a student's records, read through the cursor

    // The row's cells, set as the composition finds them and stored at once:
    // a cell set empty past the last text stores nothing, as a sheet does.
    // The cells are views: the grade texts and the markers live as long as
    // the composition, the row's own texts (its key, the student's fields,
    // cells read through the cursor) in ownCells until the row is stored. A
    // copy of a shared text would cost two atomic counts for every cell.
    std::vector<QStringView> rowCells(static_cast<std::size_t>(cols));
    std::vector<QString> ownCells(static_cast<std::size_t>(cols));
    int storedCells = 0;
    const auto put = [&](int col, QStringView text) {
        if (col < 0 || col >= cols)
            return;
        if (!text.isEmpty())
            storedCells = std::max(storedCells, col + 1);
        rowCells[static_cast<std::size_t>(col)] = text;
    };
    const auto putOwn = [&](int col, QString text) {
        if (col < 0 || col >= cols)
            return;
        QString& own = ownCells[static_cast<std::size_t>(col)];
        own = std::move(text);
        put(col, own);
    };
    const auto storeRow = [&](int row) {
        qsizetype length = storedCells > 0 ? storedCells - 1 : 0;
        for (int col = 0; col < storedCells; ++col)
            length += rowCells[static_cast<std::size_t>(col)].size();
        // Written in place: appending cell by cell checked and grew the text each time.
        QString text(length, Qt::Uninitialized);
        QChar* out = text.data();
        std::vector<qsizetype> starts(static_cast<std::size_t>(storedCells));
        for (int col = 0; col < storedCells; ++col) {
            if (col > 0)
                *out++ = QLatin1Char('\t');
            starts[static_cast<std::size_t>(col)] = out - text.constData();
            const QStringView cell = rowCells[static_cast<std::size_t>(col)];
            std::copy_n(cell.data(), cell.size(), out);
            out += cell.size();
        }
        sheet.SetRowText(row, std::move(text), std::move(starts));
        std::fill(rowCells.begin(), rowCells.end(), QStringView());
        for (QString& own : ownCells)
            own.clear();
        storedCells = 0;
    };

    students.First();
    while (!students.Eof()) {
        ++count;
        const qint64 studentId = students.Fields(fieldId).AsInteger();
        std::span<const qint64> records;
        if (grouped) {
            if (const auto key = schooldb::NumberLinkKey(students.Fields(fieldId).Value())) {
                if (const auto run = runOfStudent.constFind(*key); run != runOfStudent.constEnd())
                    records = std::span<const qint64>(indexOrder)
                                  .subspan(static_cast<std::size_t>(run->first),
                                           static_cast<std::size_t>(run->second - run->first));
            }
        } else {
            cursorRecords.clear();
            for (grades.First(); !grades.Eof(); grades.Next())
                cursorRecords.push_back(grades.RecordNumber());
            records = cursorRecords;
            grades.First();
        }
        if (records.empty()) {
            putOwn(0, RowKeyText(studentId, BrokenChainRange(scheme, 0)));
        } else if (const GradeRecord& first = gradeRecords[static_cast<std::size_t>(records.front())];
                   first.range >= 0) {
            putOwn(0, QString::number(studentId) + rangeTexts[first.range]);
        } else {
            putOwn(0, RowKeyText(studentId, rangeOfSubject(grades.Fields(fieldSubject).AsInteger())));
        }
        for (int i = 0; i < 7; ++i) {
            if (targetColumn[i] > 0 && studentFieldIndex[i] >= 0)
                putOwn(targetColumn[i], students.Fields(studentFieldIndex[i]).AsString());
        }

        if (cols > 8) {
            std::fill(recordForColumn.begin(), recordForColumn.end(), -1);
            int matched = 0;
            for (std::size_t recordNo = 0;
                 recordNo < records.size() && matched < static_cast<int>(columnOfTitle.size()); ++recordNo) {
                // The cursor, where there is one, stands on the same record.
                if (!grouped && recordNo > 0)
                    grades.Next();
                const GradeRecord& g = gradeRecords[static_cast<std::size_t>(records[recordNo])];
                // Only a record read through the cursor needs its subject here.
                const SubjectColumn* subject = g.text == kThroughCursor
                                                   ? &subjectColumn(grades.Fields(fieldSubject).AsInteger())
                                                   : nullptr;
                const int col = subject ? subject->col : g.col;
                if (col < 0 || recordForColumn[static_cast<std::size_t>(col)] >= 0)
                    continue;
                recordForColumn[static_cast<std::size_t>(col)] = static_cast<int>(recordNo);
                ++matched;
                if (g.text >= 0)
                    put(col, texts[g.text]);
                else if (g.text == kOff || !grades.Fields(fieldOn).AsBoolean())
                    put(col, kSubjectOffCell);
                else if (subject->field >= 0)
                    putOwn(col, grades.Fields(subject->field).AsString());
                else if (subject->field == kNoField)
                    put(col, QStringView());
                else
                    putOwn(col, ReadGradeText(grades, scheme, subject->methodId, c.PeriodIndex));
            }
            for (int col = 8; col < cols; ++col) {
                if (recordForColumn[static_cast<std::size_t>(col)] < 0)
                    put(col, kNoGradeRecordCell);
            }
        }
        storeRow(row);
        if (progress && progress->Maximum() > 0)
            progress->SetPosition(sheet.RowCount() % progress->Maximum());
        students.Next();
        if (!students.Eof()) {
            ++row;
            sheet.SetRowCount(row + 1);
            sheet.ClearRow(row);
        }
    }
    grades.Close();
    students.Close();
    // A column title held twice gets its cells from the first of them.
    for (int col = 8; col < cols; ++col) {
        const int first = columnOfTitle.value(sheet.Cell(0, col), col);
        if (first == col)
            continue;
        for (int r = 1; r < sheet.RowCount(); ++r)
            sheet.SetCell(r, col, sheet.Cell(r, first));
    }
    c.StudentCount = count;
    c.CountLine = QStringLiteral("Σχ.Έτος: ") + SchoolYearOfLabel(year.SchoolYearLabel) +
                  QStringLiteral(" - Μαθητές: ") + QString::number(count);
    if (progress)
        progress->SetPosition(0);
}

} // namespace ekaldo
