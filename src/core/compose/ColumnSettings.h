#pragma once

#include "base/ProgramConstants.h"

#include <QString>
#include <QStringList>

namespace ekaldo {

// The order of the seven student columns of a sheet (their column keys) and
// the sort order of the student query; each sheet window resets them to
// their defaults when it opens.
struct SheetOrder {
    QStringList ColumnOrder, SortOrder;
};

// The seven student fields of a sheet: what the column and sort dialogs list,
// the key that heads the field's sheet column, and the reference the student
// query sorts by.
struct StudentField {
    QString caption;
    QString columnKey;
    QString sortReference;
};
const QList<StudentField>& StudentFields();

QStringList DefaultColumnOrder();
QStringList DefaultSortOrder();

// Lookups between the three names of a field; empty when nothing matches.
QString CaptionOfColumnKey(const QString& key);
QString ColumnKeyOfCaption(const QString& caption);
QString CaptionOfSortReference(const QString& reference);
QString SortReferenceOfCaption(const QString& caption);

// The width in pixels of a student column by its key; 0 for any other text.
int ColumnWidthFor(const QString& key);
// The sheet column (1 to 7) that holds key in columnOrder; 0 when it is not there.
int ColumnIndexOf(const QStringList& columnOrder, const QString& key);

// "< ΟΧΙ >" and then the scheme's grade columns: item n selects grade column n.
QStringList PeriodChoices(GradingScheme scheme);

// Swaps line index with the one above (up) or below; the index the line then
// has, or index unchanged when it cannot move (first up, last down, none selected).
int MoveLine(QStringList& lines, int index, bool up);

} // namespace ekaldo
