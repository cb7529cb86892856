#include "shell/THelpWindow.h"

#include "shell/TDatModImages.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace ekaldo {

THelpWindow::THelpWindow(const QString& helpFile, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("e-Κάλντο: Βοήθεια"));
    setWindowIcon(TDatModImages::AppIcon());
    resize(640, 560);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    QFile file(helpFile);
    if (file.open(QIODevice::ReadOnly)) {
        m_browser->setHtml(QString::fromUtf8(file.readAll()));
    } else {
        m_browser->setHtml(QStringLiteral("<h2>Βοήθεια</h2><p>Το αρχείο βοήθειας \"") + helpFile.toHtmlEscaped() +
                           QStringLiteral("\" δεν βρέθηκε δίπλα στο πρόγραμμα.</p>"));
    }
}

void THelpWindow::ShowContext(int contextNumber) {
    show();
    raise();
    activateWindow();
    m_browser->scrollToAnchor(AnchorOf(contextNumber));
}

} // namespace ekaldo
