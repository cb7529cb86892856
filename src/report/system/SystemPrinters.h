#pragma once

namespace ekaldo {

// Offers the system's printers (Qt's printer information) beside the PDF
// printer; once per process, before the first printer is chosen.
void InstallSystemPrinters();

} // namespace ekaldo
