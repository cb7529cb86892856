#pragma once

#include <QDialog>

class QTextBrowser;

namespace ekaldo {

// The program's help: its own Greek help document, opened at the section of a
// context number.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    THelpWindow(const QString& helpFile, QWidget* parent = nullptr);

    void ShowContext(int contextNumber);
    QTextBrowser* Browser() const { return m_browser; }
    static QString AnchorOf(int contextNumber) { return QStringLiteral("ctx%1").arg(contextNumber); }

private:
    QTextBrowser* m_browser = nullptr;
};

} // namespace ekaldo
