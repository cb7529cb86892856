#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTreeView;

namespace ekaldo {

struct AppState;
class UiServices;

// "Παράμετροι": where the school-year folders lie.
class TParamForm : public QDialog {
    Q_OBJECT
public:
    explicit TParamForm(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    QLineEdit* DBDirEdit() const { return m_dirEdit; }
    QTreeView* DirectoryListBox1() const { return m_tree; }
    QComboBox* DriveComboBox1() const { return m_drives; }
    QPushButton* ApplyPathBB() const { return m_apply; }
    QPushButton* OkPathBB() const { return m_ok; }
    QPushButton* CancelPathBB() const { return m_cancel; }
    QPushButton* HelpPathBB() const { return m_help; }

    // Moves the folder tree to a folder, as a click in it would.
    void ChooseFolder(const QString& folder);

Q_SIGNALS:
    // The database folder was set: the open school year, if any, must close.
    void DatabaseFolderChanged();

private:
    void DirectoryListBox1Change(const QString& folder);
    void DriveComboBox1Change(int index);
    void ApplyPath();

    AppState& m_state;
    UiServices& m_ui;
    QFileSystemModel* m_model = nullptr;
    QLineEdit* m_dirEdit = nullptr;
    QTreeView* m_tree = nullptr;
    QComboBox* m_drives = nullptr;
    QPushButton *m_apply = nullptr, *m_ok = nullptr, *m_cancel = nullptr, *m_help = nullptr;
};

} // namespace ekaldo
