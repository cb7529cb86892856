#pragma once

#include "shell/DocumentFolders.h"

#include <QMainWindow>

#include <array>

class QLabel;
class QLineEdit;
class QListWidget;
class QSplitter;
class QStackedWidget;
class QTableView;
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
    bool ItemChosen(DocumentPage page) const;
    QString CurrentName(DocumentPage page) const;
    // The student filter window, for a new sheet or with a template's choices.
    void OpenFilterWindow(const QString& templatePath);
    QToolButton* AddButton(class QToolBar* bar, const char* name, int image, const QString& hint);
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
    QList<QToolButton*> m_buttons;
};

} // namespace ekaldo
