#pragma once

#include "base/GreekQtTexts.h"

#include <QApplication>

namespace ekaldo {

class UiServices;

// The application object. Any error that escapes an event handler ends here
// and is shown in a message box with its text, so the program never dies of one.
class EkaldoApplication : public QApplication {
public:
    // Qt's own dialogs speak Greek, as the rest of the program does.
    EkaldoApplication(int& argc, char** argv) : QApplication(argc, argv) { installTranslator(&m_qtTexts); }
    void SetUiServices(UiServices* ui) { m_ui = ui; }
    bool notify(QObject* receiver, QEvent* event) override;

    // The general error report itself: a message box with the error's text.
    static void ReportError(UiServices* ui, const QString& text);

private:
    UiServices* m_ui = nullptr;
    GreekQtTexts m_qtTexts;
};

} // namespace ekaldo
