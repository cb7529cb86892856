#include "gui/compose/TFormSave.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ekaldo {

TFormSave::TFormSave(const QString& caption, const QString& folder, const QString& mask,
                     const QString& proposedName, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormSave"));
    setWindowTitle(caption);
    m_files = new QListWidget;
    m_files->setObjectName(QStringLiteral("FileListBox"));
    const QFileIconProvider icons;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList({mask}, QDir::Files | QDir::Hidden, QDir::Name))
        new QListWidgetItem(icons.icon(file), file.fileName(), m_files);
    m_name = new QLineEdit(proposedName);
    m_name->setObjectName(QStringLiteral("SaveAsFileEdit"));
    m_name->setStyleSheet(QStringLiteral("QLineEdit { background: #ffffe1; }"));
    m_ok = new QPushButton(QStringLiteral("ΟΚ"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Άκυρο"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_files, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_name->setText(item->text()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_files, 1);
    layout->addWidget(m_name);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    resize(360, 300);
}

} // namespace ekaldo
