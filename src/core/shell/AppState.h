#pragma once

#include "base/UiServices.h"
#include "core/exchange/DocumentInHand.h"
#include "core/shell/ProgramSettings.h"
#include "schooldb/SchoolYearSession.h"

#include <QString>

namespace ekaldo {

// The title of the last report prepared, and the printer the next one goes to
// (empty: the system's default printer, else the PDF printer) with its page.
struct PrintChoice {
    QString ReportTitle;
    QString PrinterName;
    PageSetup Page;
};

// What the windows of one running program share, part by part: the settings
// and folders, the open school year with its user and database, the document
// the main window chose, the print choice. The program makes one at start and
// hands it to its windows; each test makes its own. Code below the windows
// never sees it: it takes the parts, or the values, it uses.
struct AppState : ProgramSettings, SchoolYearSession, DocumentInHand, PrintChoice {};

} // namespace ekaldo
