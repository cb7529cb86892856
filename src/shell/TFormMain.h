#pragma once

#include <QMainWindow>

class QLineEdit;

namespace ekaldo {

struct AppState;
class UiServices;

// The program's only top-level window.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    TFormMain(AppState& state, UiServices& ui, QWidget* parent = nullptr);

    QLineEdit* SchoolYearBox() const { return edtSchoolYear; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // Stores the placement and asks the exit question; true when the user confirms.
    bool FormClose();

    AppState& m_state;
    UiServices& m_ui;
    QLineEdit* edtSchoolYear = nullptr;
};

} // namespace ekaldo
