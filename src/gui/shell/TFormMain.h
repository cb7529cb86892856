#pragma once

#include "core/shell/DocumentFolders.h"
#include "gui/widgets/ToolBarBuilder.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>

#include <array>

class QAction;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QSplitter;
class QStackedWidget;
class QTableView;
class QTimer;
class QToolButton;

namespace ekaldo {

struct AppState;
class TAboutForm;
class UiServices;

// The program's only top-level window: the three document folders, the
// commands on them, and the open school year.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    TFormMain(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    void RefreshInBox();
    void RefreshOutBox();
    void RefreshTemplates();
    void UpdateCommandButtons();
    // Shows SchoolYearLabel in the school-year box.
    void ShowSchoolYear();
    // Closes the database connection and marks that no school year is open.
    void CloseSchoolYear();

    // The controls, for the windows and the tests that work them.
    QLineEdit* edtSchoolYear() const { return m_edtSchoolYear; }
    QListWidget* lstvInOutDocs() const { return m_list; }
    QStackedWidget* Book() const { return m_book; }
    QTableView* Grid(DocumentPage page) const { return m_grids[static_cast<std::size_t>(page)]; }
    DocumentListModel* ListModel(DocumentPage page) const { return m_models[static_cast<std::size_t>(page)]; }
    QToolButton* Button(const QString& name) const;
    // The command behind a tool button (named as the button) or a menu item
    // ("actRefresh"); the menu bar and the tool bars share them.
    QAction* Action(const QString& name) const;
    QLabel* StatusPanel(int index) const { return m_statusPanels[static_cast<std::size_t>(index)]; }
    QLabel* PageTitle(DocumentPage page) const { return m_pageTitles[static_cast<std::size_t>(page)]; }
    TAboutForm* Banner() const;

    // The commands of the tool buttons.
    void tbtnHelpClick();
    void tbtnParamsClick();
    void tbtnFoldersClick();
    void tbtnNewItemClick();
    void tbtnExportItemClick();
    void tbtnExportWorkbookClick(); // "Αποστολή ως Λογιστικό Φύλλο", in the send button's menu
    void tbtnImportItemClick();
    void tbtnDeleteItemClick();
    void tbtnRunClick();
    void tbtnViewClick();
    // A grade file given to the program by the desktop ("Open with"): asks
    // whether to receive it into the InBox, and does so on Yes.
    void OfferToReceive(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildLayout();
    // Stores the placement and widths, asks the exit question; true on OK.
    bool FormClose();
    void lstvInOutDocsChange();
    void Refresh(DocumentPage page);
    void RefreshAll();
    // The folders' watcher: files that appear or vanish refresh their list.
    void WatchFolders();
    // At start: the school year open at the last exit, or at the very first
    // start the only one present, opened if the administrator signs in
    // silently; the school-year window offers it otherwise.
    // First-start sizes that show the lists' columns on the screen at hand.
    void FitFirstStartSizes();
    void ReopenSchoolYear(bool firstStart);
    void BuildMenuBar();
    bool ItemChosen(DocumentPage page) const;
    QString CurrentName(DocumentPage page) const;
    // The student filter window, for a new sheet or with a template's choices.
    void OpenFilterWindow(const QString& templatePath);
    QToolButton* AddButton(class QToolBar* bar, const char* name, ToolImage image, const QString& hint,
                           const QList<QKeySequence>& shortcuts = {});
    void ApplyColumnWidths();
    void StoreColumnWidths();

    AppState& m_state;
    UiServices& m_ui;
    QString m_helpFile;
    QLineEdit* m_edtSchoolYear = nullptr;
    QListWidget* m_list = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_left = nullptr;
    QStackedWidget* m_book = nullptr;
    std::array<QTableView*, 3> m_grids{};
    std::array<DocumentListModel*, 3> m_models{};
    std::array<QLabel*, 3> m_pageTitles{};
    std::array<QLabel*, 3> m_statusPanels{};
    ToolBarBuilder m_tools;

    QList<QAction*> m_actions;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_watchTimer = nullptr;
    std::array<bool, 3> m_changed{};
};

} // namespace ekaldo
