#pragma once

#include "base/UiServices.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace ekaldo::testing {

// Every prompt a test expects, in order, with the answer to give. A prompt
// that was not expected, or one whose text differs, fails the running test
// and gets the safe answer (Cancel, No, no file); answers left unused when
// the object is destroyed fail it too. Nothing ever blocks.
class ScriptedUiServices : public UiServices {
public:
    enum class Kind { Message, OpenFile, SaveFile, Modal, Printer };

    ScriptedUiServices();
    ~ScriptedUiServices() override;
    // A message box with exactly this icon and text, answered with answer.
    ScriptedUiServices& ExpectMessage(MessageIcon icon, const QString& text,
                                      MessageAnswer answer = MessageAnswer::Ok);
    // A file dialog with this title; nullopt answers Cancel.
    ScriptedUiServices& ExpectOpenFile(const QString& title, std::optional<QString> answer);
    ScriptedUiServices& ExpectSaveFile(const QString& title, std::optional<QString> answer);
    // A modal window; the callback may work the dialog and returns its result code.
    ScriptedUiServices& ExpectModal(std::function<int(QObject&)> answer);
    // A printer choice: nullopt answers Cancel; a page set-up given is chosen
    // too, else the page stays as it was.
    ScriptedUiServices& ExpectPrinterChoice(std::optional<QString> answer,
                                            std::optional<PageSetup> page = std::nullopt);
    // Fails the test when expected prompts are still waiting.
    void VerifyAllUsed();

    MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    int RunModal(QObject& dialog) override;
    void ShowHelp(int contextNumber) override { m_help.push_back(contextNumber); }
    bool ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) override;
    QDateTime Now() override;
    void ProcessEvents() override;
    // The clock: fixed unless a test moves it; each read may advance it by a step.
    void SetNow(const QDateTime& now) { m_now = now; }
    void SetClockStep(qint64 msecs) { m_clockStep = msecs; }

    const std::vector<FileDialogRequest>& FileDialogs() const { return m_dialogs; }
    const std::vector<int>& HelpShown() const { return m_help; }
    int ProcessEventsCalls() const { return m_processEvents; }

private:
    struct Expected {
        Kind kind = Kind::Message;
        MessageIcon icon{};
        QString text;
        MessageAnswer answer{};
        std::optional<QString> file;
        std::function<int(QObject&)> modal;
        std::optional<PageSetup> page;
    };

    bool TakeExpected(Kind kind, const QString& what, Expected& out);
    std::optional<QString> FileAnswer(Kind kind, const FileDialogRequest& request);

    std::deque<Expected> m_expected;
    std::vector<FileDialogRequest> m_dialogs;
    std::vector<int> m_help;
    QDateTime m_now;
    qint64 m_clockStep = 0;
    int m_processEvents = 0;
};

} // namespace ekaldo::testing
