#pragma once

#include "schooldb/SignIn.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ekaldo {

class UiServices;

// "Σύνθημα": who signs in to the school year being opened.
class TPasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordForm(QWidget* parent = nullptr);

    QLineEdit* UserNameEdit() const { return m_userName; }
    QLineEdit* UserPasswordEdit() const { return m_password; }
    QPushButton* OKPasswordBB() const { return m_ok; }
    QPushButton* CancelPasswordBB() const { return m_cancel; }

private:
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// Asks through the sign-in window, shown modally through the UI seam; the
// window keeps what was typed between attempts.
class PasswordFormPrompt : public SignInPrompt {
public:
    PasswordFormPrompt(TPasswordForm& form, UiServices& ui) : m_form(form), m_ui(ui) {}
    bool Ask(QString& userName, QString& password) override;

private:
    TPasswordForm& m_form;
    UiServices& m_ui;
};

} // namespace ekaldo
