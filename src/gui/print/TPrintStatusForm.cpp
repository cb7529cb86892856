#include "gui/print/TPrintStatusForm.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace ekaldo {

TPrintStatusForm::TPrintStatusForm(const QString& reportTitle, const QString& schoolYear, UiServices& ui,
                                   const GradeSheet& sheet, const QList<int>& columnWidthsPixels,
                                   QWidget* owner)
    : QDialog(owner), m_ui(ui), m_grid(sheet), m_job(reportTitle, schoolYear, ui, sheet, columnWidthsPixels) {
    setObjectName(QStringLiteral("PrintStatusForm"));
    setWindowTitle(QStringLiteral("Προετοιμασία Έκθεσης.."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::CustomizeWindowHint);
    setFixedSize(362, 117);

    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("pnlStatus"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("PrintStatusLabel"));
    m_label->setAlignment(Qt::AlignCenter);
    QFont bold = m_label->font();
    bold.setBold(true);
    m_label->setFont(bold);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(4, 0, 4, 0);
    panelLayout->addWidget(m_label);

    m_button = new QPushButton(QStringLiteral("&Άκυρο"));
    m_button->setObjectName(QStringLiteral("btnOkCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(panel, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_button);
    row->addStretch(1);
    layout->addLayout(row);

    SetUpTableReport(m_report);
    m_report.Ui = &m_ui;
    m_report.StatusLabel = [this](const QString& text) { m_label->setText(text); };
    m_job.Attach(m_report);
    connect(m_button, &QPushButton::clicked, this, &TPrintStatusForm::BtnOkCancelClick);
}

void TPrintStatusForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    // The job starts once the window shows, so that it paints first.
    if (!m_running && !m_done)
        QTimer::singleShot(0, this, &TPrintStatusForm::FormActivate);
}

void TPrintStatusForm::FormActivate() {
    if (m_running || m_done)
        return;
    m_running = true;
    m_report.StatusText = QStringList{QString()};
    m_report.StatusFormat = QStringLiteral("\n%d\n\nΠροετοιμασία Σελίδας %p\n\n%0");
    try {
        m_report.Execute();
    } catch (const ReportAbort&) {
        // The user's own cancel: the label says so, no error box.
    } catch (...) {
        m_ui.ShowMessage(MessageIcon::Error, QStringLiteral("Αδυναμία Προεπισκόπησης!"), MessageButtons::Ok);
    }
    m_running = false;
    m_done = true;
    m_button->setText(QStringLiteral("OK"));
    m_button->setIcon(QIcon());
    m_report.StatusFormat = m_report.WasAborted() ? QStringLiteral("\n\nΗ Προεπισκόπηση Ακυρώθηκε!")
                                                  : QStringLiteral("\n\nΗ Προεπισκόπηση Ολοκληρώθηκε!");
    RefreshLabel();
}

void TPrintStatusForm::RefreshLabel() {
    m_label->setText(m_report.StatusString());
}

void TPrintStatusForm::BtnOkCancelClick() {
    if (m_running) {
        m_report.Abort();
        return;
    }
    accept();
}

void TPrintStatusForm::done(int result) {
    // Closing the window while the job runs is a cancel; it closes once the
    // job has ended.
    if (m_running) {
        m_report.Abort();
        return;
    }
    QDialog::done(result);
}

} // namespace ekaldo
