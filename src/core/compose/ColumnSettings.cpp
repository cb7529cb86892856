#include "core/compose/ColumnSettings.h"

#include "schooldb/GradeColumns.h"

namespace ekaldo {

const QList<StudentField>& StudentFields() {
    static const QList<StudentField> fields = {
        {QStringLiteral("Επώνυμο Μαθητή"), QStringLiteral("ΕΠΩΝΥΜΟ"), QStringLiteral("STUDENT.\"LASTNAME\"")},
        {QStringLiteral("Όνομα Μαθητή"), QStringLiteral("ΟΝΟΜΑ"), QStringLiteral("STUDENT.\"FIRSTNAME\"")},
        {QStringLiteral("Όνομα Πατέρα"), QStringLiteral("ΠΑΤΡΩΝΥΜΟ"),
         QStringLiteral("GUARDIAN.\"FATHFNAME\"")},
        {QStringLiteral("Μητρώο Μαθητή"), QStringLiteral("ΜΗΤΡΩΟ"), QStringLiteral("STUDENT.\"RGSNO\"")},
        {QStringLiteral("Επίπεδο"), QStringLiteral("ΕΠΙΠΕΔΟ"), QStringLiteral("LEVELS.\"LEVELNAME\"")},
        {QStringLiteral("Τάξη"), QStringLiteral("ΤΑΞΗ"), QStringLiteral("CLASSES.\"CLASSNAME\"")},
        {QStringLiteral("Τμήμα"), QStringLiteral("ΤΜΗΜΑ"), QStringLiteral("COURSES.\"COURSENAME\"")},
    };
    return fields;
}

QStringList DefaultColumnOrder() {
    QStringList order;
    for (const StudentField& f : StudentFields())
        order << f.columnKey;
    return order;
}

QStringList DefaultSortOrder() {
    const auto& f = StudentFields();
    // Level, class, course, surname, first name, father's name, register number.
    return {f[4].sortReference, f[5].sortReference, f[6].sortReference, f[0].sortReference,
            f[1].sortReference, f[2].sortReference, f[3].sortReference};
}

namespace {
template <typename From, typename To> QString Lookup(const QString& value, From from, To to) {
    for (const StudentField& f : StudentFields()) {
        if (f.*from == value)
            return f.*to;
    }
    return {};
}
} // namespace

QString CaptionOfColumnKey(const QString& key) {
    return Lookup(key, &StudentField::columnKey, &StudentField::caption);
}
QString ColumnKeyOfCaption(const QString& caption) {
    return Lookup(caption, &StudentField::caption, &StudentField::columnKey);
}
QString CaptionOfSortReference(const QString& reference) {
    return Lookup(reference, &StudentField::sortReference, &StudentField::caption);
}
QString SortReferenceOfCaption(const QString& caption) {
    return Lookup(caption, &StudentField::caption, &StudentField::sortReference);
}

int ColumnWidthFor(const QString& key) {
    if (key == QStringLiteral("ΕΠΩΝΥΜΟ"))
        return 128;
    if (key == QStringLiteral("ΟΝΟΜΑ") || key == QStringLiteral("ΠΑΤΡΩΝΥΜΟ"))
        return 96;
    if (key == QStringLiteral("ΜΗΤΡΩΟ") || key == QStringLiteral("ΕΠΙΠΕΔΟ") ||
        key == QStringLiteral("ΤΑΞΗ") || key == QStringLiteral("ΤΜΗΜΑ"))
        return 64;
    return 0;
}

int ColumnIndexOf(const QStringList& columnOrder, const QString& key) {
    return static_cast<int>(columnOrder.indexOf(key)) + 1;
}

QStringList PeriodChoices(GradingScheme scheme) {
    return QStringList{QStringLiteral("< ΟΧΙ >")} + GradeColumnCaptions(scheme);
}

int MoveLine(QStringList& lines, int index, bool up) {
    const int target = up ? index - 1 : index + 1;
    if (index < 0 || index >= lines.size() || target < 0 || target >= lines.size())
        return index;
    lines.swapItemsAt(index, target);
    return target;
}

} // namespace ekaldo
