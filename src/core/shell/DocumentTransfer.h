#pragma once

#include "core/shell/DocumentFolders.h"

#include <QString>

#include <optional>

namespace ekaldo {

struct DocumentInHand;
struct ProgramSettings;
struct SchoolYearSession;
class UiServices;

// Sending, receiving and deleting grade files. Each reports its own outcome
// through ui; the caller refreshes the three lists afterwards, whatever happened.

// Asks where to send the OutBox file, then sends it there; the chosen file
// becomes document's current file name, its folder the last send folder.
void SendGradeFile(ProgramSettings& settings, DocumentInHand& document, UiServices& ui,
                   const QString& outBoxName);
// Copies source to destination (asking before overwriting) and stamps
// "Exported" into both. Returns whether the file was sent.
bool SendGradeFileTo(UiServices& ui, const QString& source, const QString& destination);

// Asks where to send the OutBox file as a spreadsheet workbook, then writes it there.
void SendGradeWorkbook(ProgramSettings& settings, UiServices& ui, const QString& outBoxName);
// Writes the grade file source as a workbook at destination (asking before
// overwriting) and stamps "Exported" into both, from one read of the clock.
// Returns whether the workbook was written.
bool SendGradeWorkbookTo(UiServices& ui, const QString& source, const QString& destination);

// Asks which file to receive, then files it in the InBox; the chosen file and
// its header become document's current ones. A workbook must belong to the
// session's open school year.
void ReceiveGradeFile(ProgramSettings& settings, const SchoolYearSession& session, DocumentInHand& document,
                      UiServices& ui);
// Where a received file goes: the InBox under the last part of its header's
// "FileName". Nothing when the header names no usable file name.
std::optional<QString> ReceivedFileDestination(const ProgramSettings& settings, const QString& source);
// Copies source into the InBox (asking before overwriting) and stamps
// "Imported" into the copy. A workbook (.xlsx) is read instead, refused with
// the reason when it is not a sheet sent by this program as it was sent,
// shown (rows, grades, missing rows) for the user to confirm, and written as
// the grade data file its header names. Returns whether the file was received.
bool ReceiveGradeFileFrom(const ProgramSettings& settings, const SchoolYearSession& session, UiServices& ui,
                          const QString& source);

// Asks, then deletes the named file of the page's folder.
bool DeleteDocument(const ProgramSettings& settings, UiServices& ui, DocumentPage page,
                    const QString& fileName);

// "Αρχείο Βαθμολογίας (*.agd)": the filter of both transfer dialogs.
QString GradeFileFilter();
// The receive dialog's filter: grade files and workbooks.
QString ReceiveFileFilter();
// "Λογιστικό Φύλλο (*.xlsx)": the filter of sending as a workbook.
QString WorkbookFileFilter();

} // namespace ekaldo
