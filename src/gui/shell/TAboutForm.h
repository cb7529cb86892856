#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace ekaldo {

// The start-up banner: shown while the program starts, it closes itself after
// five seconds and puts the normal cursor back. A click does not close it.
class TAboutForm : public QWidget {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner = nullptr, int lifetimeMs = 5000);

    QLabel* VersionLabel() const { return m_versionLabel; }
    QLabel* CopyRightLabel() const { return m_copyRightLabel; }
    QTimer* Timer1() const { return m_timer; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_versionLabel = nullptr;
    QLabel* m_copyRightLabel = nullptr;
    QTimer* m_timer = nullptr;
    bool m_cursorRestored = false;
};

} // namespace ekaldo
