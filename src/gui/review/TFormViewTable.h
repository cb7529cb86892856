#pragma once

#include "gui/widgets/TSheetWindow.h"

namespace ekaldo {

// "Επισκόπηση Αρχείου": a grade data file of the OutBox or the InBox shown
// read-only, printed, or saved under another name as a new grade data file.
// Needs no database.
class TFormViewTable : public TSheetWindow {
    Q_OBJECT
public:
    explicit TFormViewTable(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    // Fills the grid from the file at CurrentFilePath.
    void LoadViewerSheet();
    // Saves the sheet as a new grade data file: fresh FileID and Created,
    // empty stamps, the school year of the file that was opened.
    void SaveViewerSheet();

    void tbtnSaveTableClick() { SaveViewerSheet(); }

Q_SIGNALS:
    // A sheet was saved: the OutBox and the InBox may show it.
    void DocumentsChanged();
};

} // namespace ekaldo
