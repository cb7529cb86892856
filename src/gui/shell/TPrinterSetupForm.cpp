#include "gui/shell/TPrinterSetupForm.h"

#include "report/Printers.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPageSize>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace ekaldo {
namespace {

QString PaperText(const QString& key) {
    const QSizeF mm = Printers::PaperInches(key) * 25.4;
    return QStringLiteral("%1 (%2 × %3 mm)")
        .arg(Printers::PaperName(key))
        .arg(std::lround(mm.width()))
        .arg(std::lround(mm.height()));
}

QComboBox* AddRow(QFormLayout& form, const QString& label, const QString& name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    auto* text = new QLabel(label);
    text->setBuddy(combo);
    form.addRow(text, combo);
    return combo;
}

} // namespace

TPrinterSetupForm::TPrinterSetupForm(const QStringList& printers, const QString& printer,
                                     const PageSetup& page, QWidget* owner)
    : QDialog(owner) {
    setObjectName(QStringLiteral("PrinterSetupForm"));
    setWindowTitle(QStringLiteral("Εκτυπωτής"));
    auto* form = new QFormLayout;
    m_printer = AddRow(*form, QStringLiteral("&Εκτυπωτής:"), QStringLiteral("PrinterCoBo"));
    m_paper = AddRow(*form, QStringLiteral("&Χαρτί:"), QStringLiteral("PaperCoBo"));
    m_orientation = AddRow(*form, QStringLiteral("&Προσανατολισμός:"), QStringLiteral("OrientationCoBo"));

    m_printer->addItems(printers);
    m_printer->setCurrentIndex(std::max<qsizetype>(0, printers.indexOf(printer)));
    m_paper->addItem(QStringLiteral("Του εκτυπωτή"), QString());
    for (const QString& key : Printers::PaperKeys())
        m_paper->addItem(PaperText(key), key);
    m_paper->setCurrentIndex(std::max(0, m_paper->findData(page.paper)));
    m_orientation->addItem(QStringLiteral("Της εκτύπωσης (φύλλο: οριζόντιος)"),
                           static_cast<int>(PageOrientation::Default));
    m_orientation->addItem(QStringLiteral("Κατακόρυφος"), static_cast<int>(PageOrientation::Portrait));
    m_orientation->addItem(QStringLiteral("Οριζόντιος"), static_cast<int>(PageOrientation::Landscape));
    m_orientation->setCurrentIndex(std::max(0, m_orientation->findData(static_cast<int>(page.orientation))));

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("ΟΚ"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Άκυρο"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_printer->setFocus();
}

QString TPrinterSetupForm::Printer() const {
    return m_printer->currentText();
}

PageSetup TPrinterSetupForm::Page() const {
    PageSetup page;
    page.paper = m_paper->currentData().toString();
    page.orientation = static_cast<PageOrientation>(m_orientation->currentData().toInt());
    return page;
}

} // namespace ekaldo
