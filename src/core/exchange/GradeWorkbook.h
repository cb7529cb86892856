#pragma once

// A grade sheet as a spreadsheet workbook (.xlsx), for teachers who fill in
// grades in the office suite they already have, and the way back.
//
// The workbook has the sheet on one worksheet (locked titles and student
// columns, unlocked grade cells with a validation per row) and, on a hidden
// protected worksheet, the file's header and the sheet exactly as it was
// sent. Receiving matches every row of the teacher's worksheet to the sent
// one by its row key, never by its position.

#include "base/FileErrors.h"
#include "core/exchange/DocumentInHand.h"
#include "core/exchange/GradeSheet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ekaldo {

// A workbook that cannot be written or is refused on receipt; the message is
// the reason, ready for the user.
class WorkbookError : public EkaldoError {
public:
    using EkaldoError::EkaldoError;
};

// A workbook file larger than this is refused unread, and no part of it may
// unpack to more: a grade sheet of a whole school is a few megabytes.
constexpr qint64 kMaxWorkbookBytes = 64 * 1024 * 1024;

// The name of the hidden worksheet that carries the header and the sheet as sent.
inline const QString kWorkbookHeaderSheet = QStringLiteral("ekaldo");

// Whether path names a workbook (by its extension, whatever its case).
bool IsWorkbookPath(const QString& path);

// The worksheet name a sheet gets: the file name without extension, cut to
// 31 characters, without the characters workbooks refuse in sheet names.
QString WorkbookSheetName(const QString& fileName);

// Writes the sheet (row 0 the titles) with its header as a workbook at path,
// replacing it in one step. Throws WorkbookError (a sheet a workbook cannot
// carry, such as one with two rows of the same key) or FileError.
void WriteGradeWorkbook(const QString& path, const GradeHeader& header, const GradeSheet& sheet);

// What came back in a workbook: the header as sent, and the sheet as sent
// with the grades read from the teacher's worksheet, in the order sent, the
// rows the teacher deleted left out.
struct WorkbookReceipt {
    GradeHeader header;
    GradeSheet sheet;
    int rows = 0;            // student rows found
    int filledCells = 0;     // grade cells that hold something
    QStringList missingRows; // the rows sent but not found, as "surname name (key)"
};

// Reads a workbook's bytes. With a school year given, a workbook of another
// is refused. Throws WorkbookError for everything refused: not a workbook of
// ours, encrypted, too large or packed to unpack beyond the bound, broken
// XML, rows that match no row or match one twice, changed student columns.
WorkbookReceipt ReadGradeWorkbook(const QByteArray& bytes, const QString& schoolYear = QString());
// The same from a file, refused unread when larger than kMaxWorkbookBytes;
// a file that cannot be read raises FileError.
WorkbookReceipt ReadGradeWorkbookFile(const QString& path, const QString& schoolYear = QString());

// The header a workbook was sent with, read without its sheets; throws as
// ReadGradeWorkbookFile for a workbook that is not one of ours.
GradeHeader ReadGradeWorkbookHeader(const QString& path);

// The lines shown before a received workbook is written: rows, filled grade
// cells, the missing rows (the first few by name).
QString ReceiptSummary(const WorkbookReceipt& receipt);

} // namespace ekaldo
