#pragma once

#include "core/compose/ColumnSettings.h"
#include "core/compose/SheetComposition.h"
#include "gui/widgets/ToolBarBuilder.h"

#include <QDialog>
#include <QElapsedTimer>

#include <array>

class QHeaderView;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSplitter;
class QTableView;
class QToolButton;

namespace ekaldo {

struct AppState;
class SelectionGridModel;
class TSheetGrid;
class UiServices;

namespace detail {
// The composition lives in a base made before the dialog and destroyed after
// it, so the views and models, children of the dialog, never outlive it.
struct CompositionHolder {
    SheetComposition m_composition;
};
class CompositionDialog : protected CompositionHolder, public QDialog {
public:
    using QDialog::QDialog;
};
} // namespace detail

// "Φίλτρο Μαθητών": where the office composes a grade sheet from the ticked
// levels, classes, courses and subjects, and saves, copies or prints it.
class TFormExpoFilter : public detail::CompositionDialog {
    Q_OBJECT
public:
    explicit TFormExpoFilter(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    // The four selection grids from the database.
    void FillGrids();
    // Ticks what a grade template file names, after clearing every tick.
    void ApplyTemplate(const QString& path);
    void ComposeSheet();

    SheetComposition& Composition() { return m_composition; }
    // The order of the sheet's columns and rows; each window starts from the defaults.
    const SheetOrder& Order() const { return m_order; }
    TSheetGrid* grdStudents() const { return m_sheetGrid; }
    // The student columns that stay in place while the subject columns scroll
    // (shown only while the sheet fixes more than the row numbers).
    TSheetGrid* FrozenColumns() const { return m_frozen; }
    QTableView* SelectionView(SelectionKind kind) const;
    QLineEdit* edtExpoFileName() const { return m_fileName; }
    QLabel* pnlStudentCnt() const { return m_count; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QHeaderView* hdrFilterTables() const { return m_header; }
    QToolButton* Button(const QString& name) const;

    // The commands, as the tool buttons run them.
    void ToggleRow(SelectionKind kind, int gridRow);
    void tbtnSaveTemplateClick();
    void tbtnSaveTableClick();
    void tbtnFieldsClick();
    void tbtnSortClick();
    void CopySheetToClipboard();
    void PrintSheet();

Q_SIGNALS:
    // A sheet was saved into the OutBox, a template into the templates.
    void OutBoxChanged();
    void TemplatesChanged();

protected:
    void done(int result) override;

private:
    SheetOrder m_order{DefaultColumnOrder(), DefaultSortOrder()};

    void BuildLayout();
    void ShowSheet();
    void PanelsFromHeader(int section);
    void PlaceFrozenColumns();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The save window and its name rules; the chosen path, or nothing.
    std::optional<QString> AskSaveName(const QString& hint, const QString& folder, const QString& mask,
                                       const QString& extension);

    AppState& m_state;
    UiServices& m_ui;
    std::array<SelectionGridModel*, 4> m_models{};
    std::array<QTableView*, 4> m_views{};
    ToolBarBuilder m_tools;
    QLineEdit* m_fileName = nullptr;
    QHeaderView* m_header = nullptr;
    QWidget* m_band = nullptr;
    QSplitter* m_splitter = nullptr;
    TSheetGrid* m_sheetGrid = nullptr;
    TSheetGrid* m_frozen = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_progress = nullptr;
    // The row the last single click ticked, so that the double click it
    // starts does not clear it again.
    std::pair<SelectionKind, int> m_lastClick{};
    QElapsedTimer m_lastClickTime;
};

} // namespace ekaldo
