#pragma once

#include "base/UiServices.h"

#include <functional>

class QWidget;

namespace ekaldo {

// The real dialogs of the running program.
class QtUiServices : public UiServices {
public:
    MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) override;
    std::optional<QString> GetOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> GetSaveFileName(const FileDialogRequest& request) override;
    int RunModal(QObject& dialog) override;
    void ShowHelp(int contextNumber) override;
    bool ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) override;
    QDateTime Now() override;
    void ProcessEvents() override;

    // Who opens the help window; the program sets it once its help file is known.
    void SetHelpHandler(std::function<void(int)> handler) { m_help = std::move(handler); }

private:
    std::optional<QString> RunFileDialog(const FileDialogRequest& request, bool save);

    std::function<void(int)> m_help;
};

} // namespace ekaldo
