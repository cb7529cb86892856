#include "gui/shell/GeneralErrorReport.h"

#include "base/FileErrors.h"
#include "base/UiServices.h"

#include <cstdio>

namespace ekaldo {

void EkaldoApplication::ReportError(UiServices* ui, const QString& text) {
    if (ui)
        ui->Error(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool EkaldoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EkaldoError& e) {
        ReportError(m_ui, e.Message());
    } catch (const std::exception& e) {
        ReportError(m_ui, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace ekaldo
