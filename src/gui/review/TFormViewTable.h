#pragma once

#include "gui/widgets/TSheetWindow.h"

#include <functional>

namespace ekaldo {

// "Επισκόπηση Αρχείου": a grade data file of the OutBox or the InBox shown
// read-only, printed, or saved under another name as a new grade data file.
// Needs no database.
class TFormViewTable : public TSheetWindow {
    Q_OBJECT
public:
    // refreshLists refills the main window's OutBox and InBox after a save.
    TFormViewTable(AppState& state, UiServices& ui, std::function<void()> refreshLists,
                   QWidget* parent = nullptr);

    // Fills the grid from the file at CurrentFilePath.
    void LoadViewerSheet();
    // Saves the sheet as a new grade data file: fresh FileID and Created,
    // empty stamps, the school year of the file that was opened.
    void SaveViewerSheet();

    void tbtnSaveTableClick() { SaveViewerSheet(); }

private:
    std::function<void()> m_refreshLists;
};

} // namespace ekaldo
