#pragma once

#include "core/exchange/DocumentInHand.h"

#include <QString>

#include <optional>

namespace ekaldo {

class GradeSheet;
class ProgressSink;
class UiServices;

namespace GradeFileKeys {
inline const QString FileType = QStringLiteral("MORVEN Grades Data");
inline const QString TemplateType = QStringLiteral("MORVEN Grades Template");
inline const QString Version = QStringLiteral("1.0");
} // namespace GradeFileKeys

// The header of a grade data file as it stands; empty values for a missing
// file, section or key. Never fails.
GradeHeader ReadGradeHeader(const QString& path);

// Why the text of a grade file cannot be read as one, for the user: a file
// in UTF-8 or UTF-16 holding a character Windows-1253 lacks, or one whose
// lines end in CR alone. Nothing for a file whose lines can be read (or that
// cannot be opened: its reader says so).
std::optional<QString> GradeFileTextProblem(const QString& path);

// Reads the header into document.GradeFileHeader.
void ReadGradeFileHeader(DocumentInHand& document, const QString& path);

// Sets one key of the [Header] section; the data lines stay byte for byte.
// Throws FileError naming the file, or EncodingError.
void WriteGradeFileHeaderKey(const QString& path, const QString& key, const QString& value);

// The bytes of a whole grade data file: the thirteen header lines with the
// values given, the titles and every row whose column 0 is not empty.
// Throws EncodingError.
QByteArray GradeDataFileBytes(const GradeHeader& header, const GradeSheet& grid);

// Writes the whole file at path from the sheet: the thirteen header lines
// (fileName is the name it is known by), the titles and every row whose
// column 0 is not empty. The file is replaced in one step, so a failed save
// leaves the old file whole. Reports its outcome through ui; returns whether
// the file was written.
bool WriteGradeDataFile(const QString& path, const QString& fileName, const GradeSheet& grid,
                        const QString& schoolYear, UiServices& ui);

// Reads the data section of the file at path into grid, from row 0 on,
// widening and lengthening it as the lines need. Reports through ui a file
// that cannot be opened, one larger than kMaxGradeFileBytes and one without
// a data section, and leaves the grid as it was; returns whether it read.
constexpr qint64 kMaxGradeFileBytes = 64 * 1024 * 1024;
bool ReadGradeDataRows(const QString& path, UiServices& ui, GradeSheet& grid, ProgressSink* progress);

} // namespace ekaldo
