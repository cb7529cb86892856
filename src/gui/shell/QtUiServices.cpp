#include "gui/shell/QtUiServices.h"

#include "base/ProgramConstants.h"
#include "gui/shell/TPrinterSetupForm.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace ekaldo {

MessageAnswer QtUiServices::ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Error:
        qicon = QMessageBox::Critical;
        break;
    case MessageIcon::Information:
        qicon = QMessageBox::Information;
        break;
    case MessageIcon::Question:
        qicon = QMessageBox::Question;
        break;
    case MessageIcon::Warning:
        qicon = QMessageBox::Warning;
        break;
    }
    QMessageBox::StandardButtons qbuttons = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok:
        qbuttons = QMessageBox::Ok;
        break;
    case MessageButtons::OkCancel:
        qbuttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        qbuttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MessageButtons::YesNoCancel:
        qbuttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(qicon, Program::ApplicationTitle, text, qbuttons, QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

std::optional<QString> QtUiServices::RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder, request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own overwrite question, in its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtUiServices::GetOpenFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<QString> QtUiServices::GetSaveFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

int QtUiServices::RunModal(QObject& dialog) {
    auto* window = qobject_cast<QDialog*>(&dialog);
    Q_ASSERT(window);
    return window ? window->exec() : QDialog::Rejected;
}

void QtUiServices::ShowHelp(int contextNumber) {
    if (m_help)
        m_help(contextNumber);
}

bool QtUiServices::ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) {
    TPrinterSetupForm dialog(printers, printerName, page, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printerName = dialog.Printer();
    page = dialog.Page();
    return true;
}

QDateTime QtUiServices::Now() {
    return QDateTime::currentDateTime();
}

void QtUiServices::ProcessEvents() {
    QCoreApplication::processEvents();
}

} // namespace ekaldo
