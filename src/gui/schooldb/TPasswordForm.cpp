#include "gui/schooldb/TPasswordForm.h"

#include "base/UiServices.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QValidator>

namespace ekaldo {
namespace {

// Letters become capitals as they are typed.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = TypedPassword(input);
        return Acceptable;
    }
};

QLineEdit* HiddenEdit(const char* name, int maxLength) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    edit->setEchoMode(QLineEdit::Password);
    // What is typed shows as '#'.
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 35; }"));
    return edit;
}

} // namespace

TPasswordForm::TPasswordForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PasswordForm"));
    setWindowTitle(QStringLiteral("Σύνθημα"));
    m_userName = HiddenEdit("UserNameEdit", 15);
    m_password = HiddenEdit("UserPasswordEdit", 8);
    m_password->setValidator(new UpperCaseValidator(m_password));
    m_ok = new QPushButton(QStringLiteral("ΟΚ"));
    m_ok->setObjectName(QStringLiteral("OKPasswordBB"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Άκυρο"));
    m_cancel->setObjectName(QStringLiteral("CancelPasswordBB"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Ψευδώνυμο")), 0, 0);
    grid->addWidget(m_userName, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Σύνθημα")), 0, 1);
    grid->addWidget(m_password, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setFixedSize(321, 121);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool PasswordFormPrompt::Ask(QString& userName, QString& password) {
    m_form.UserNameEdit()->setFocus();
    if (m_ui.RunModal(m_form) != QDialog::Accepted)
        return false;
    userName = m_form.UserNameEdit()->text();
    password = m_form.UserPasswordEdit()->text();
    return true;
}

} // namespace ekaldo
