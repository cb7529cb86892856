#pragma once

#include "core/exchange/GradeSheet.h"
#include "gui/widgets/TSheetGrid.h"
#include "gui/widgets/ToolBarBuilder.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;
class QVBoxLayout;

namespace ekaldo {

struct AppState;
struct WindowPlacement;
class UiServices;

namespace detail {
// The sheet lives in a base made before the dialog and destroyed after it, so
// the grid, a child of the dialog, never outlives the rows it shows.
struct SheetHolder {
    GradeSheet m_sheet;
};
class SheetDialog : protected SheetHolder, public QDialog {
public:
    using QDialog::QDialog;
};
} // namespace detail

// What the viewer and the posting window share: the tool bar, the file name
// box, the sheet grid over the file's rows, the count line with its progress
// bar, the print menu and the window's placement.
class TSheetWindow : public detail::SheetDialog {
    Q_OBJECT
public:
    TSheetGrid* grdStudents() const { return m_grid; }
    QLineEdit* edtExpoFileName() const { return m_fileName; }
    QLabel* pnlStudentCnt() const { return m_count; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QMenu* PopupMenuPrint() const { return m_printMenu; }
    QToolButton* Button(const QString& name) const;
    const GradeSheet& Sheet() const { return m_sheet; }

    void tbtnHelpClick();
    void tbtnPrintTableClick();
    // The two items of the print menu.
    void PrintClick();
    void PrinterSetupClick();

protected:
    TSheetWindow(AppState& state, UiServices& ui, SheetGridStyle style, WindowPlacement& placement,
                 int helpContext, int keyColumnWidth, QWidget* parent);

    QToolButton* AddButton(const char* name, ToolImage image, const QString& hint);
    // Where a window puts its own controls, under the tool bar and the file name.
    QVBoxLayout* TopLayout() const { return m_top; }
    // Puts a widget under the grid, above the count line.
    void AddBelowGrid(QWidget* widget);

    // Reads the file at CurrentFilePath into the sheet (never fewer than the
    // eight fixed columns and one student row), lays out the widths and
    // writes the count line. False when the file could not be read.
    bool LoadSheet();
    QString CountText() const;

    // Stores the placement of a window in its normal state.
    void done(int result) override;

    AppState& m_state;
    UiServices& m_ui;
    TSheetGrid* m_grid = nullptr;

private:
    WindowPlacement& m_placement;
    int m_helpContext;
    int m_keyColumnWidth;
    QToolBar* m_toolBar = nullptr;
    QVBoxLayout* m_top = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QLineEdit* m_fileName = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_progress = nullptr;
    QMenu* m_printMenu = nullptr;
    ToolBarBuilder m_tools;
};

} // namespace ekaldo
