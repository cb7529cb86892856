#include "gui/schooldb/TDataOpen.h"

#include "base/UiServices.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ekaldo {

TDataOpen::TDataOpen(UiServices& ui, const QString& label, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DataOpen"));
    setWindowTitle(QStringLiteral("Άνοιγμα Φακέλου"));
    m_edit = new QLineEdit(label);
    m_edit->setObjectName(QStringLiteral("OpenSchoolYearEdit"));
    m_edit->setReadOnly(true);
    m_ok = new QPushButton(QStringLiteral("&OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("'&Ακυρο"));
    m_help = new QPushButton(QStringLiteral("Βοήθεια"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_help, &QPushButton::clicked, this, [&ui] { ui.ShowHelp(1030); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Σχολικό Έτος")));
    layout->addWidget(m_edit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_help);
    layout->addLayout(buttons);
    adjustSize();
    setFixedSize(std::max(300, width()), height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace ekaldo
