#include "gui/shell/TAboutForm.h"

#include "base/ProgramConstants.h"
#include "gui/TDatModImages.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace ekaldo {

TAboutForm::TAboutForm(QWidget* owner, int lifetimeMs)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("AboutForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(370, 210);
    setCursor(Qt::WaitCursor);

    auto* panel = new QFrame(this);
    panel->setGeometry(0, 0, 370, 210);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(4);
    panel->setStyleSheet(QStringLiteral("QFrame { background: #c0c0c0; }"));

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("AboutImg"));
    picture->setGeometry(5, 5, 360, 200);
    picture->setPixmap(TDatModImages::Banner());

    auto makeLabel = [&](const char* name, int y, int pixelSize) {
        auto* label = new QLabel(panel);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(36, y, 293, pixelSize + 8);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: black; }"));
        QFont font = label->font();
        font.setPixelSize(pixelSize);
        label->setFont(font);
        return label;
    };
    m_versionLabel = makeLabel("VersionLabel", 88, 13);
    m_copyRightLabel = makeLabel("CopyRightLabel", 108, 11);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(lifetimeMs);
    connect(m_timer, &QTimer::timeout, this, &QWidget::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TAboutForm::showEvent(QShowEvent* event) {
    m_versionLabel->setText(QStringLiteral("Έκδοση ") + Program::ProgramVersion +
                            Program::EditionText(Program::kGradingScheme));
    m_copyRightLabel->setText(Program::CopyrightNotice);
    m_timer->start();
    QWidget::showEvent(event);
}

void TAboutForm::closeEvent(QCloseEvent* event) {
    // The main window put up the hourglass when it began to start.
    if (!m_cursorRestored) {
        m_cursorRestored = true;
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    QWidget::closeEvent(event);
}

void TAboutForm::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace ekaldo
