#pragma once

#include "gui/shell/QtUiServices.h"

#include <QDateTime>
#include <QHash>
#include <QMargins>
#include <QString>

#include <deque>
#include <functional>

class QDialog;
class QWidget;

namespace ekaldo::guideshots {

// Saves pictures of the program's windows as they stand on the screen, the
// window manager's frame and title included.
class Camera {
public:
    explicit Camera(const QString& folder) : m_folder(folder) {}
    // Lets the window manager and the window finish drawing, then saves the
    // window's frame as NAME.png. False when the picture could not be saved.
    bool Shoot(QWidget& window, const QString& name);
    const QStringList& Saved() const { return m_saved; }
    int Failures() const { return m_failures; }

private:
    QString m_folder;
    QStringList m_saved;
    int m_failures = 0;
    QMargins m_margins;
};

// Lets pending events run for about ms milliseconds.
void Settle(int ms);

// The program's real dialogs, answered by a script instead of a person: each
// message box, file dialog and modal window the program opens takes the next
// answer the script set up for it, and may be photographed on the way.
// Whatever the script did not foresee is written to the error stream and
// counted, so that a run that went off its road fails.
class ShotUiServices : public QtUiServices {
public:
    explicit ShotUiServices(Camera& camera) : m_camera(camera) {}

    // The next message box: photographed as shot (unless empty), then answered.
    void ExpectMessage(MessageAnswer answer, const QString& shot = QString());
    // The next file dialog, open or save, chooses path.
    void ExpectFile(const QString& path);
    // The next modal window of this object name is run by handler, which
    // returns its result code; the window is shown, not executed.
    void ExpectWindow(const QString& objectName, std::function<int(QDialog&)> handler);
    // The next printer choice picks printerName, photographed as shot.
    void ExpectPrinterChoice(const QString& printerName, const QString& shot);

    // A clock that stands still until the script moves it, so that every run
    // stamps the same moments.
    void SetClock(const QDateTime& moment) { m_clock = moment; }
    void AdvanceClock(int minutes) { m_clock = m_clock.addSecs(minutes * 60); }

    int Surprises() const { return m_surprises; }
    // True when every answer set up was used.
    bool AllUsed() const;

    MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    int RunModal(QObject& dialog) override;
    bool ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) override;
    QDateTime Now() override;

private:
    struct MessageReply {
        MessageAnswer answer;
        QString shot;
    };
    void Surprise(const QString& what);
    std::optional<QString> NextFile(const FileDialogRequest& request);

    Camera& m_camera;
    std::deque<MessageReply> m_messages;
    std::deque<QString> m_files;
    QHash<QString, std::deque<std::function<int(QDialog&)>>> m_windows;
    std::deque<std::pair<QString, QString>> m_printers;
    QDateTime m_clock = QDateTime(QDate(2025, 11, 10), QTime(9, 0));
    int m_surprises = 0;
};

} // namespace ekaldo::guideshots
