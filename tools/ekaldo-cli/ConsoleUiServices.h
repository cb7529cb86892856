#pragma once

#include "base/UiServices.h"

#include <QStringList>

namespace ekaldo {

// The command line's answer to every dialog: messages go to the terminal
// (errors to standard error), questions take the answer given on the command
// line, and no window ever opens.
class ConsoleUiServices : public UiServices {
public:
    explicit ConsoleUiServices(bool answerYes = false) : m_answerYes(answerYes) {}

    MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> GetSaveFileName(const FileDialogRequest&) override { return std::nullopt; }
    int RunModal(QObject&) override { return 0; }
    void ShowHelp(int) override {}
    bool ChoosePrinter(QString&, PageSetup&, const QStringList&) override { return false; }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    void ProcessEvents() override {}

    bool ErrorShown() const { return m_errorShown; }
    void SetAnswerYes(bool yes) { m_answerYes = yes; }

private:
    bool m_answerYes;
    bool m_errorShown = false;
};

void PrintOut(const QString& text);
void PrintErr(const QString& text);

} // namespace ekaldo
