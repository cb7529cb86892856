#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;
class QUrl;

namespace ekaldo {

class UiServices;

// The program's help: its own Greek help document, opened at the section of a
// context number, and the user guide with its pictures, kept in the folder
// "guide" beside the help file. Both are shown here; links between them and
// inside them are followed in the same window.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    // ui reports a guide or a linked page that is missing.
    THelpWindow(const QString& helpFile, UiServices& ui, QWidget* parent = nullptr);

    void ShowContext(int contextNumber);
    // The guide at one of its sections (empty: its beginning). False, after
    // telling the user, when the guide is not there.
    bool ShowGuide(const QString& section = QString());
    // Follows a link of the page shown, as a click on it does.
    void FollowLink(const QUrl& link);

    QTextBrowser* Browser() const { return m_browser; }
    QPushButton* GuideButton() const { return m_guideButton; }
    QPushButton* ContentsButton() const { return m_contentsButton; }
    QPushButton* BackButton() const { return m_backButton; }
    QString GuideFile() const;
    static QString AnchorOf(int contextNumber) { return QStringLiteral("ctx%1").arg(contextNumber); }

private:
    // Shows the page of a local file, or reports it missing and stays.
    bool ShowPage(const QUrl& page);
    void ReportMissing(const QString& path);
    bool InGuide(const QString& path) const;
    // Makes room for the guide's pictures, as far as the screen allows.
    void GrowForGuide();

    QString m_helpFile;
    UiServices& m_ui;
    QTextBrowser* m_browser = nullptr;
    QPushButton* m_contentsButton = nullptr;
    QPushButton* m_guideButton = nullptr;
    QPushButton* m_backButton = nullptr;
};

} // namespace ekaldo
