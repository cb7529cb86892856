#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ekaldo {

struct AppState;
class GradeSheet;
class UiServices;

// The "Εκτύπωση" item of a sheet window's print menu: prints the sheet as a
// boxed table on the chosen paper (landscape unless the user chose
// portrait), through the preview.
//
// - sheet: the sheet grid's cells as shown (row 0 the titles, column 0 the row
//   keys, which are not printed: a row-number column takes their place);
// - columnWidthsPixels: the grid's column widths on screen, by grid column
//   (QHeaderView::sectionSize of each); a missing or non-positive width
//   prints 1.9 cm wide;
// - fileNameBoxText: the text of the window's file name box; without its
//   extension it becomes ReportTitle, the title of the pages and the preview;
// - schoolYear: the school year of the sheet ("2025-2026"), for the page header.
//
// Prepares the report in the status window ("Προετοιμασία Έκθεσης..") on the
// current printer (state.PrinterName), then, unless the user cancelled, shows
// the preview, from which the user prints. Every window is modal through ui
// and owned by owner.
void PrintGrid(AppState& state, UiServices& ui, QWidget* owner, const GradeSheet& sheet,
               const QList<int>& columnWidthsPixels, const QString& fileNameBoxText,
               const QString& schoolYear);

// The "Εκτυπωτής" item: lets the user choose the printer the next printout
// goes to, among the system's printers and the PDF printer, with its paper
// size and orientation. True when one was chosen (state.PrinterName then
// names it and state.Page holds the page set-up).
bool PrinterSetup(AppState& state, UiServices& ui);

} // namespace ekaldo
