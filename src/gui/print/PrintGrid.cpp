#include "gui/print/PrintGrid.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"
#include "gui/print/TPreviewForm.h"
#include "gui/print/TPrintStatusForm.h"
#include "report/system/SystemPrinters.h"

#include <QBuffer>
#include <QLabel>

namespace ekaldo {

void PrintGrid(AppState& state, UiServices& ui, QWidget* owner, const GradeSheet& sheet,
               const QList<int>& columnWidthsPixels, const QString& fileNameBoxText,
               const QString& schoolYear) {
    InstallSystemPrinters();
    state.ReportTitle = ReportTitleOf(fileNameBoxText);
    QBuffer stream;
    stream.setObjectName(QStringLiteral("Memory"));
    stream.open(QIODevice::ReadWrite);

    bool aborted = false;
    {
        TPrintStatusForm status(state.ReportTitle, schoolYear, ui, sheet, columnWidthsPixels, owner);
        status.Report().StreamMode = smUser;
        status.Report().Stream = &stream;
        // A printer that has gone since it was chosen gives way to the default.
        const QString printer = state.PrinterName.isEmpty() ? Printers::DefaultName() : state.PrinterName;
        if (!status.Report().ChoosePrinter(printer))
            status.Report().ChoosePrinter(Printers::DefaultName());
        status.Report().ApplyPageSetup(state.Page);
        ui.RunModal(status);
        aborted = status.Report().WasAborted() || !status.Done();
    }
    if (aborted)
        return;
    TPreviewForm preview(state, ui, owner);
    preview.SetStream(&stream);
    preview.StatusLabel()->setText(QStringLiteral("Έκθεση: ") + state.ReportTitle);
    ui.RunModal(preview);
}

bool PrinterSetup(AppState& state, UiServices& ui) {
    InstallSystemPrinters();
    QString name = state.PrinterName.isEmpty() ? Printers::DefaultName() : state.PrinterName;
    PageSetup page = state.Page;
    if (!ui.ChoosePrinter(name, page, Printers::Names()))
        return false;
    const QString found = Printers::Match(name);
    if (found.isEmpty())
        return false;
    state.PrinterName = found;
    state.Page = page;
    return true;
}

} // namespace ekaldo
