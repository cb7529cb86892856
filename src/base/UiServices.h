#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class QObject;

namespace ekaldo {

enum class MessageIcon { Error, Information, Question, Warning };

// The button sets of the program's message boxes.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };

enum class MessageAnswer { Ok, Cancel, Yes, No };

// The paper a printout goes on. An empty paper is the printer's own; the
// default orientation is the printout's own (a table sheet is landscape).
enum class PageOrientation { Default, Portrait, Landscape };
struct PageSetup {
    QString paper; // the key of a standard paper size: "A4", "A3", "Letter"
    PageOrientation orientation = PageOrientation::Default;
    bool operator==(const PageSetup&) const = default;
};

struct FileDialogRequest {
    QString title;
    QString folder;   // where the dialog opens
    QString fileName; // the name proposed
    QString filter;   // in Qt's form: "Αρχεία Βαθμολογίας (*.agd)"
    QString defaultSuffix;
};

// Everything that waits on the user or reads the outside world goes through
// here, so that the windows and the core can be driven by a script in tests.
class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MessageAnswer ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) = 0;
    // The full path chosen, or nullopt when the user cancels.
    virtual std::optional<QString> GetOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> GetSaveFileName(const FileDialogRequest& request) = 0;
    // Runs a modal window (a QDialog) and returns its result code.
    virtual int RunModal(QObject& dialog) = 0;
    virtual void ShowHelp(int contextNumber) = 0;
    // Lets the user choose among the printers and set up the page; the
    // current choice in, the chosen one out (both untouched on Cancel).
    virtual bool ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) = 0;
    virtual QDateTime Now() = 0;
    virtual void ProcessEvents() = 0;

    MessageAnswer Error(const QString& text) {
        return ShowMessage(MessageIcon::Error, text, MessageButtons::Ok);
    }
    MessageAnswer Information(const QString& text) {
        return ShowMessage(MessageIcon::Information, text, MessageButtons::Ok);
    }
};

// Where a long operation shows how far it has come (a progress bar in a window).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual int Maximum() const = 0;
    virtual void SetPosition(int position) = 0;
};

} // namespace ekaldo
