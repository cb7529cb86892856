#pragma once

#include "base/ProgramConstants.h"
#include "core/compose/SelectionGrid.h"
#include "core/exchange/GradeSheet.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace ekaldo {

struct SchoolYearSession;
struct SheetOrder;
class ProgressSink;

namespace schooldb {
class Database;
}

// What the filter window composes a sheet from, and the sheet it composes.
// The window shows it; the command line drives the same object.
struct SheetComposition {
    SelectionGrid Levels{SelectionKind::Levels};
    SelectionGrid Classes{SelectionKind::Classes};
    SelectionGrid Courses{SelectionKind::Courses};
    SelectionGrid Subjects{SelectionKind::Subjects};

    int FixedColCount = 1;
    int PeriodIndex = 0;

    GradeSheet Sheet{2, 8};
    // What the sheet grid shows fixed, and the widths of its columns in pixels.
    int GridFixedColumns = 1;
    QList<int> ColumnWidths;
    QString CountLine;
    int StudentCount = 0;

    // Inline, so that the template reader needs nothing of the database layer.
    SelectionGrid& Grid(SelectionKind kind) {
        switch (kind) {
        case SelectionKind::Levels:
            return Levels;
        case SelectionKind::Classes:
            return Classes;
        case SelectionKind::Courses:
            return Courses;
        case SelectionKind::Subjects:
            return Subjects;
        }
        return Levels;
    }
    const SelectionGrid& Grid(SelectionKind kind) const {
        return const_cast<SheetComposition*>(this)->Grid(kind);
    }
};

// The student query: its text line by line, its bound captions, and the
// result columns its rows are sorted by (the engine sorts them faster than
// an ORDER BY would).
struct StudentQueryText {
    QStringList lines;
    QVariantMap bindings; // ":level1" -> caption, and so on
    QStringList orderFields;
};

// Default width of a subject column, in pixels.
inline constexpr int kSubjectColumnWidth = 28;

void FillLevelsGrid(SheetComposition& composition, schooldb::Database& database);
void FillClassesGrid(SheetComposition& composition, schooldb::Database& database);
void FillCoursesGrid(SheetComposition& composition, schooldb::Database& database);
void FillSubjectsGrid(SheetComposition& composition, schooldb::Database& database);
void FillSelectionGrids(SheetComposition& composition, schooldb::Database& database);

StudentQueryText BuildStudentQuery(const SheetComposition& composition, const QStringList& sortOrder);

// Lays out columns 0 to 7 and one column per chosen subject, and settles the
// fixed columns (never more than the sheet has).
void AddSubjectColumns(SheetComposition& composition);

// Rebuilds the whole sheet from the selections, the column and sort order,
// the fixed columns and the grade column, reading the students of the open
// school year. A database error propagates with the sheet as far as it was
// filled.
void ComposeSheet(SheetComposition& composition, SchoolYearSession& year, const SheetOrder& order,
                  GradingScheme scheme, ProgressSink* progress = nullptr);

} // namespace ekaldo
