#include "gui/shell/THelpWindow.h"

#include "base/FileErrors.h"
#include "base/UiServices.h"
#include "gui/TDatModImages.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace ekaldo {
namespace {

const QString kGuideFolder = QStringLiteral("guide");
const QString kGuidePage = QStringLiteral("index.html");
// Wide enough for the main window's pictures (1,012 pixels) and a scroll bar.
constexpr int kGuideWidth = 1080;
constexpr int kGuideHeight = 720;

} // namespace

THelpWindow::THelpWindow(const QString& helpFile, UiServices& ui, QWidget* parent)
    : QDialog(parent), m_helpFile(helpFile), m_ui(ui) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("e-Κάλντο: Βοήθεια"));
    setWindowIcon(TDatModImages::AppIcon());
    resize(640, 560);

    m_contentsButton = new QPushButton(QStringLiteral("Περιεχόμενα Βοήθειας"));
    m_contentsButton->setObjectName(QStringLiteral("btnContents"));
    m_guideButton = new QPushButton(QStringLiteral("Οδηγός χρήσης"));
    m_guideButton->setObjectName(QStringLiteral("btnGuide"));
    m_guideButton->setToolTip(QStringLiteral("Ο Οδηγός χρήσης βήμα προς βήμα, με εικόνες"));
    QFont bold = m_guideButton->font();
    bold.setBold(true);
    m_guideButton->setFont(bold);
    m_backButton = new QPushButton(QStringLiteral("Πίσω"));
    m_backButton->setObjectName(QStringLiteral("btnBack"));
    m_backButton->setEnabled(false);

    m_browser = new QTextBrowser(this);
    // Every link goes through FollowLink, so that a missing page is reported
    // rather than shown as an empty window.
    m_browser->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 6, 6, 4);
    buttons->addWidget(m_contentsButton);
    buttons->addWidget(m_guideButton);
    buttons->addStretch(1);
    buttons->addWidget(m_backButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    connect(m_contentsButton, &QPushButton::clicked, this, [this] {
        QUrl top = QUrl::fromLocalFile(m_helpFile);
        top.setFragment(QStringLiteral("top"));
        ShowPage(top);
    });
    connect(m_guideButton, &QPushButton::clicked, this, [this] { ShowGuide(); });
    connect(m_backButton, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_backButton, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);

    if (QFileInfo(helpFile).isFile()) {
        m_browser->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
    } else {
        m_browser->setHtml(QStringLiteral("<h2>Βοήθεια</h2><p>Το αρχείο βοήθειας \"") +
                           helpFile.toHtmlEscaped() +
                           QStringLiteral("\" δεν βρέθηκε δίπλα στο πρόγραμμα.</p>"));
        m_contentsButton->setEnabled(false);
    }
}

QString THelpWindow::GuideFile() const {
    return QFileInfo(m_helpFile).dir().filePath(kGuideFolder + QLatin1Char('/') + kGuidePage);
}

void THelpWindow::ShowContext(int contextNumber) {
    show();
    raise();
    activateWindow();
    if (!QFileInfo(m_helpFile).isFile())
        return;
    QUrl section = QUrl::fromLocalFile(m_helpFile);
    section.setFragment(AnchorOf(contextNumber));
    ShowPage(section);
    // Each window's help begins anew: Back leads only to pages seen from here.
    m_browser->clearHistory();
}

bool THelpWindow::ShowGuide(const QString& section) {
    QUrl guide = QUrl::fromLocalFile(GuideFile());
    if (!section.isEmpty())
        guide.setFragment(section);
    return ShowPage(guide);
}

void THelpWindow::FollowLink(const QUrl& link) {
    const QUrl target = m_browser->source().resolved(link);
    if (!target.isLocalFile()) {
        // A web or mail address belongs to the desktop's own programs.
        QDesktopServices::openUrl(target);
        return;
    }
    ShowPage(target);
}

bool THelpWindow::ShowPage(const QUrl& page) {
    const QString path = page.toLocalFile();
    if (!QFileInfo(path).isFile()) {
        ReportMissing(path);
        return false;
    }
    if (InGuide(path))
        GrowForGuide();
    // The page shown already is only scrolled to the section.
    m_browser->setSource(page, QTextDocument::HtmlResource);
    return true;
}

bool THelpWindow::InGuide(const QString& path) const {
    return QFileInfo(path).absoluteFilePath().startsWith(QFileInfo(GuideFile()).absolutePath() +
                                                         QLatin1Char('/'));
}

void THelpWindow::GrowForGuide() {
    // The guide's pictures are the program's windows at their own size.
    QSize wanted(kGuideWidth, kGuideHeight);
    if (const QScreen* screen = this->screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    if (width() < wanted.width() || height() < wanted.height())
        resize(std::max(width(), wanted.width()), std::max(height(), wanted.height()));
}

void THelpWindow::ReportMissing(const QString& path) {
    const QString guideFolder = QFileInfo(GuideFile()).absolutePath();
    if (InGuide(path))
        m_ui.Error(FileMessage(QDir::toNativeSeparators(path), QStringLiteral(" δεν βρέθηκε!")) +
                   QStringLiteral("\nΟ Οδηγός χρήσης βρίσκεται στον φάκελο \"") +
                   QDir::toNativeSeparators(guideFolder) +
                   QStringLiteral("\", δίπλα στο αρχείο βοήθειας· εγκαταστήστε ξανά το πρόγραμμα."));
    else
        m_ui.Error(FileMessage(QDir::toNativeSeparators(path), QStringLiteral(" δεν βρέθηκε!")));
}

} // namespace ekaldo
