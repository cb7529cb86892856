#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ekaldo {

class UiServices;

// "Άνοιγμα Φακέλου": confirms the school year about to be opened.
class TDataOpen : public QDialog {
    Q_OBJECT
public:
    TDataOpen(UiServices& ui, const QString& label, QWidget* parent = nullptr);

    QLineEdit* OpenSchoolYearEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* HelpButton() const { return m_help; }

private:
    QLineEdit* m_edit = nullptr;
    QPushButton *m_ok = nullptr, *m_cancel = nullptr, *m_help = nullptr;
};

} // namespace ekaldo
