#include "schooldb/GradeColumns.h"

#include "base/RegionalFormats.h"
#include "base/SharedRoutines.h"
#include "schooldb/SchoolDatabase.h"

#include <array>

namespace ekaldo {

using schooldb::DataSet;
using schooldb::Field;
using schooldb::Table;

namespace {

constexpr int kPublicSchoolColumns = 7;
constexpr int kTutoringColumns = 24;

const QChar kGreekCapitalAlpha(0x0391);

struct PublicSchoolColumn {
    const char16_t* caption;
    const char* field;        // any method but the numeric-written one
    const char* numericField; // the numeric-written method
};

const std::array<PublicSchoolColumn, kPublicSchoolColumns> kPublicSchoolColumnTable = {{
    {u"Α Τρίμηνο/Τετράμηνο", "Oral1", "Oral1"},
    {u"Β Τρίμηνο/Τετράμηνο", "Oral2", "Oral2"},
    {u"Γ Τρίμηνο", "Oral3", nullptr},
    {u"Γραπτά", "Writen1", "RWriten"},
    {u"100βαθμος Γραπτός", nullptr, "R100Writen"},
    {u"Προφορικά Ανεξ.", "OralExt1", "RReexam"},
    {u"Γραπτά Ανεξ.", "WritenExt1", "RReWriten"},
}};

const char* const kTextGradeFields[] = {"Oral1", "Oral2", "Oral3", "Writen1", "OralExt1", "WritenExt1"};
const char* const kWrittenNumberFields[] = {"RWriten", "RReWriten", "RReexam"};
const char* const kHundredScaleField = "R100Writen";
const char* const kWrittenField = "RWriten";

constexpr double kHighestGrade = 20;
constexpr double kHighestHundredScaleGrade = 100;

bool SameName(const QString& name, const char* other) {
    return name.compare(QLatin1String(other), Qt::CaseInsensitive) == 0;
}

bool IsOneOf(const QString& name, const auto& names) {
    for (const char* candidate : names)
        if (SameName(name, candidate))
            return true;
    return false;
}

QString TutoringFieldName(int gradeColumn) {
    // The record rules look up every numbered grade on each store of a posting run.
    static const std::array<QString, kTutoringColumns> names = [] {
        std::array<QString, kTutoringColumns> all;
        for (int n = 1; n <= kTutoringColumns; ++n)
            all[n - 1] = QStringLiteral("GRD%1").arg(n);
        return all;
    }();
    if (gradeColumn >= 1 && gradeColumn <= kTutoringColumns)
        return names[gradeColumn - 1];
    return QStringLiteral("GRD%1").arg(gradeColumn);
}

// Reads a number of the method; a null reads 0, a failed read keeps fallback.
double MethodNumber(DataSet& method, const QString& name, double fallback) {
    const std::optional<Field> field = method.FindField(name);
    if (!field)
        return fallback;
    try {
        return field->AsFloat();
    } catch (const schooldb::DatabaseError&) {
        return fallback;
    }
}

// Digits with an optional leading sign and leading blanks: how a whole number
// appears in the two characters of a text grade.
std::optional<int> WholeNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    if (i == text.size())
        return std::nullopt;
    int value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + text[i].digitValue();
    }
    return negative ? -value : value;
}

bool IsAllowedTextMarker(const QString& two) {
    return two.isEmpty() || two == QString(2, kGreekCapitalAlpha) || two == QStringLiteral("**") ||
           two == QStringLiteral("--");
}

// Widens a one-character text grade in place and tells whether what the
// field then holds may be stored.
bool NormaliseTextGrade(Field field) {
    const QString text = field.AsString();
    const QString two = WidenedTextGrade(text);
    if (text.size() == 1)
        field.SetAsString(two);
    if (const std::optional<int> number = WholeNumber(two))
        return *number >= 1 && *number <= kHighestGrade;
    return IsAllowedTextMarker(two);
}

// Rounds a written grade to tenths in place and tells whether it lies in 0..highest.
bool NormaliseNumberGrade(Field field, double highest) {
    double value = 0;
    if (!field.IsNull()) {
        value = RoundHalfUp(10, field.AsFloat());
        field.SetAsFloat(value);
    }
    return value >= 0 && value <= highest;
}

bool SubjectTakesGrades(DataSet& subjects) {
    return subjects.FieldByName(QStringLiteral("SUBJEDIT")).AsBoolean();
}

bool PublicSchoolRecordRules(Table& grades, DataSet& subjects) {
    if (!SubjectTakesGrades(subjects))
        return false;
    // Every grade of the record, not just the one being posted: a record whose
    // other grades are out of shape is never stored.
    for (int i = 0; i < grades.FieldCount(); ++i) {
        const QString name = grades.FieldName(i);
        bool allowed = true;
        if (IsOneOf(name, kTextGradeFields))
            allowed = NormaliseTextGrade(grades.Fields(i));
        else if (IsOneOf(name, kWrittenNumberFields))
            allowed = NormaliseNumberGrade(grades.Fields(i), kHighestGrade);
        else if (SameName(name, kHundredScaleField))
            allowed = NormaliseNumberGrade(grades.Fields(i), kHighestHundredScaleGrade);
        if (!allowed)
            return false;
    }
    return true;
}

bool TutoringRecordRules(Table& grades, DataSet& subjects, DataSet& method) {
    const GradeRange range = GradeRangeOf(GradingScheme::Tutoring, 0, method);
    if (!SubjectTakesGrades(subjects))
        return false;
    for (int n = 1; n <= kTutoringColumns; ++n) {
        // A table with fewer numbered grades keeps no grade to check in the rest.
        const std::optional<Field> field = grades.FindField(TutoringFieldName(n));
        if (!field || field->IsNull())
            continue;
        if (!range.Contains(field->AsFloat()))
            return false;
    }
    return true;
}

} // namespace

QStringList GradeColumnCaptions(GradingScheme scheme) {
    QStringList captions;
    if (scheme == GradingScheme::PublicSchool) {
        for (const PublicSchoolColumn& column : kPublicSchoolColumnTable)
            captions.append(QString::fromUtf16(column.caption));
    } else if (scheme == GradingScheme::Tutoring) {
        for (int n = 1; n <= kTutoringColumns; ++n)
            captions.append(QString::number(n) + QStringLiteral("ος Βαθμός"));
    }
    return captions;
}

std::optional<QString> GradeFieldName(GradingScheme scheme, int methodId, int gradeColumn) {
    if (scheme == GradingScheme::PublicSchool) {
        if (gradeColumn < 1 || gradeColumn > kPublicSchoolColumns)
            return std::nullopt;
        const PublicSchoolColumn& column = kPublicSchoolColumnTable[gradeColumn - 1];
        const char* field = methodId == kNumericWrittenMethod ? column.numericField : column.field;
        if (!field)
            return std::nullopt;
        return QString::fromLatin1(field);
    }
    if (scheme == GradingScheme::Tutoring) {
        if (gradeColumn < 1 || gradeColumn > kTutoringColumns)
            return std::nullopt;
        return TutoringFieldName(gradeColumn);
    }
    return std::nullopt;
}

QString ReadGradeText(DataSet& grades, GradingScheme scheme, int methodId, int gradeColumn) {
    const std::optional<QString> field = GradeFieldName(scheme, methodId, gradeColumn);
    if (!field)
        return QString();
    return grades.FieldByName(*field).AsString();
}

void WriteGrade(Table& grades, GradingScheme scheme, int methodId, int gradeColumn, const QString& value,
                bool isMarker) {
    if (value.isEmpty())
        return;
    const std::optional<QString> field = GradeFieldName(scheme, methodId, gradeColumn);
    if (!field)
        return;
    if (scheme == GradingScheme::PublicSchool && methodId != kNumericWrittenMethod) {
        grades.FieldByName(*field).SetAsString(value);
        return;
    }
    // Oral periods keep their markers as text; numeric fields have no way to
    // hold one, so a marker leaves them as they were.
    if (isMarker && !IsOneOf(*field, kTextGradeFields))
        return;
    grades.FieldByName(*field).SetAsString(value);
    if (scheme == GradingScheme::PublicSchool && SameName(*field, kHundredScaleField)) {
        // The written grade follows the grade out of 100, scaled to 20.
        const double hundredScale = grades.FieldByName(QString::fromLatin1(kHundredScaleField)).AsFloat();
        grades.FieldByName(QString::fromLatin1(kWrittenField)).SetAsFloat(hundredScale * 0.2);
    }
}

GradeRange GradeRangeOf(GradingScheme scheme, int methodId, DataSet& method) {
    GradeRange range;
    if (scheme == GradingScheme::PublicSchool) {
        if (methodId == kNumericWrittenMethod)
            range = {0, kHighestHundredScaleGrade};
    } else if (scheme == GradingScheme::Tutoring) {
        range.min = MethodNumber(method, QStringLiteral("GRDMIN"), range.min);
        range.max = MethodNumber(method, QStringLiteral("GRDMAX"), range.max);
    }
    return range;
}

QString RowKeyText(qint64 studentId, const GradeRange& range) {
    return QString::number(studentId) + RowKeyRangeText(range);
}

QString RowKeyRangeText(const GradeRange& range) {
    return QLatin1Char(';') + RegionalFormats::ShortestNumberText(range.min) + QLatin1Char(';') +
           RegionalFormats::ShortestNumberText(range.max);
}

QString SubjectTitle(const QString& subjectName, const QString& branchName) {
    if (subjectName.isEmpty())
        return QStringLiteral("[κλάδος] ") + branchName;
    return subjectName;
}

QString SubjectTitleOf(DataSet& subjects) {
    return SubjectTitle(subjects.FieldByName(QStringLiteral("SUBJNAME")).AsString(),
                        subjects.FieldByName(QStringLiteral("SUBSUBJNAM")).AsString());
}

std::optional<double> GradeNumber(QStringView value) {
    return RegionalFormats::ParseNumber(value);
}

bool IsNoGradeMarker(QStringView value) {
    if (GradeNumber(value))
        return false;
    if (value.isEmpty())
        return true;
    const QChar first = value.front();
    return first == kGreekCapitalAlpha || first == QLatin1Char('*') || first == QLatin1Char('-');
}

GradeValue ClassifyGradeValue(QStringView value) {
    if (const std::optional<double> number = GradeNumber(value))
        return {GradeValueKind::Number, *number};
    if (IsNoGradeMarker(value))
        return {GradeValueKind::NoGradeMarker, 0};
    return {GradeValueKind::NotAGrade, 0};
}

QString WidenedTextGrade(const QString& text) {
    QString two = text.left(2);
    if (two.size() != 1)
        return two;
    const QChar c = two.front();
    if (c == kGreekCapitalAlpha || c == QLatin1Char('*') || c == QLatin1Char('-'))
        return QString(2, c);
    return QLatin1Char('0') + two;
}

bool ApplyRecordRules(Table& grades, GradingScheme scheme, DataSet& subjects, DataSet& method) {
    if (scheme == GradingScheme::PublicSchool)
        return PublicSchoolRecordRules(grades, subjects);
    if (scheme == GradingScheme::Tutoring)
        return TutoringRecordRules(grades, subjects, method);
    return true;
}

} // namespace ekaldo
