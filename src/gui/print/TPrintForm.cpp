#include "gui/print/TPrintForm.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

std::optional<int> WholeNumber(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TPrintForm::TPrintForm(AppState& state, UiServices& ui, QIODevice* stream, int pageCount, QWidget* owner)
    : QDialog(owner), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Εκτύπωση"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(337, 252);

    m_reportName = new QLabel;
    m_reportName->setObjectName(QStringLiteral("ReportNameLabel"));
    m_printerName = new QLabel;
    m_printerName->setObjectName(QStringLiteral("PrinterNameLabel"));
    m_copies = new QLineEdit;
    m_copies->setObjectName(QStringLiteral("CopiesEdit"));
    m_copies->setMaximumWidth(60);
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("Έκθεση"), m_reportName);
    top->addRow(QStringLiteral("Εκτυπωτής"), m_printerName);
    top->addRow(QStringLiteral("Αντίγραφα"), m_copies);

    auto* group = new QGroupBox(QStringLiteral("Σελίδες"));
    group->setObjectName(QStringLiteral("PagesGB"));
    m_whole = new QRadioButton(QStringLiteral("Όλες"));
    m_whole->setObjectName(QStringLiteral("WholeRB"));
    m_pages = new QRadioButton(QStringLiteral("Σελίδες"));
    m_pages->setObjectName(QStringLiteral("PagesRB"));
    m_start = new QLineEdit;
    m_start->setObjectName(QStringLiteral("StartPageEdit"));
    m_end = new QLineEdit;
    m_end->setObjectName(QStringLiteral("EndPageEdit"));
    m_start->setMaximumWidth(50);
    m_end->setMaximumWidth(50);
    m_pagesCoBo = new QComboBox;
    m_pagesCoBo->setObjectName(QStringLiteral("PagesCoBo"));
    m_pagesCoBo->addItems({QStringLiteral("Όλες"), QStringLiteral("Μονές"), QStringLiteral("Ζυγές")});
    auto* grid = new QGridLayout(group);
    grid->addWidget(m_whole, 0, 0);
    grid->addWidget(m_pages, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("από")), 1, 1);
    grid->addWidget(m_start, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("έως")), 1, 3);
    grid->addWidget(m_end, 1, 4);
    grid->addWidget(m_pagesCoBo, 2, 1, 1, 4);
    grid->setColumnStretch(5, 1);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("ΟΚ"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Άκυρο"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, &TPrintForm::BtnOKClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    layout->addStretch(1);
    layout->addWidget(buttons);

    m_printer.StreamMode = smUser;
    m_printer.Stream = stream;
    m_printer.Ui = &m_ui;
    m_printer.Title = m_state.ReportTitle;
    const QString printer = m_state.PrinterName.isEmpty() ? Printers::DefaultName() : m_state.PrinterName;
    if (!m_printer.ChoosePrinter(printer))
        m_printer.ChoosePrinter(Printers::DefaultName());
    m_reportName->setText(m_state.ReportTitle);
    m_printerName->setText(m_printer.PrinterName());
    m_start->setText(QStringLiteral("1"));
    m_end->setText(QString::number(pageCount));

    m_start->installEventFilter(this);
    m_end->installEventFilter(this);
    connect(m_pagesCoBo, &QComboBox::currentIndexChanged, this, [this] { m_pages->setChecked(true); });
    FormActivate();
}

void TPrintForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormActivate();
}

void TPrintForm::FormActivate() {
    m_copies->setText(QStringLiteral("1"));
    m_whole->setChecked(true);
    {
        const QSignalBlocker quiet(m_pagesCoBo);
        m_pagesCoBo->setCurrentIndex(0);
    }
}

bool TPrintForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == m_start || watched == m_end))
        m_pages->setChecked(true);
    return QDialog::eventFilter(watched, event);
}

void TPrintForm::Print() {
    if (m_whole->isChecked()) {
        m_printer.Execute();
        return;
    }
    const std::optional<int> start = WholeNumber(m_start);
    const std::optional<int> end = WholeNumber(m_end);
    const std::optional<int> copies = WholeNumber(m_copies);
    if (!start || !end || !copies || *start > *end)
        return;
    // Every range goes into one job, so that the PDF printer writes one file.
    m_printer.BeginBatch();
    try {
        switch (m_pagesCoBo->currentIndex()) {
        case 1:
            for (int p = *start; p <= *end; ++p) {
                if (p % 2 != 0)
                    m_printer.PrintRange(p, p, *copies);
            }
            break;
        case 2:
            for (int p = *start; p <= *end; ++p) {
                if (p % 2 == 0)
                    m_printer.PrintRange(p, p, *copies);
            }
            break;
        default:
            m_printer.PrintRange(*start, *end, *copies);
        }
    } catch (...) {
        m_printer.EndBatch();
        throw;
    }
    m_printer.EndBatch();
}

void TPrintForm::BtnOKClick() {
    try {
        Print();
    } catch (const ReportError& e) {
        m_ui.Error(e.Message());
    }
    accept();
}

} // namespace ekaldo
