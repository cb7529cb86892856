#include "gui/review/SheetPrinting.h"

#include "gui/print/PrintGrid.h"

namespace ekaldo {

void PrintSheet(AppState& state, UiServices& ui, const GradeSheet& sheet, const QString& fileNameText,
                const QString& schoolYear, const QList<int>& columnWidths, QWidget* parent) {
    PrintGrid(state, ui, parent, sheet, columnWidths, fileNameText, schoolYear);
}

void SetUpPrinter(AppState& state, UiServices& ui, QWidget*) {
    PrinterSetup(state, ui);
}

} // namespace ekaldo
