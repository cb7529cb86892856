#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ekaldo {

struct AppState;
class GradeSheet;
class UiServices;

// The print menu of the viewer and the posting window: "Εκτύπωση" prints the
// sheet with the file name box's text as the report title, "Εκτυπωτής" lets
// the user choose the printer.
void PrintSheet(AppState& state, UiServices& ui, const GradeSheet& sheet, const QString& fileNameText,
                const QString& schoolYear, const QList<int>& columnWidths, QWidget* parent);
void SetUpPrinter(AppState& state, UiServices& ui, QWidget* parent);

} // namespace ekaldo
