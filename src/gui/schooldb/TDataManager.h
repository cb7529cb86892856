#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace ekaldo {

struct AppState;
class UiServices;

// "Φάκελοι": the school years found under the data folder; the chosen one is
// opened after a confirmation and a sign-in.
class TDataManager : public QDialog {
    Q_OBJECT
public:
    explicit TDataManager(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    QLineEdit* SchoolYearEdit() const { return m_edit; }
    QListWidget* SchoolYearLB() const { return m_list; }
    QPushButton* OpenBtn() const { return m_open; }

    // Opens the selected school year, after asking; a folder that cannot be
    // connected raises its error to the caller.
    void OpenData();

Q_SIGNALS:
    // A school year was opened, or an attempt left none open.
    void SchoolYearChanged();

protected:
    void done(int result) override;

private:
    AppState& m_state;
    UiServices& m_ui;
    QLineEdit* m_edit = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
};

} // namespace ekaldo
