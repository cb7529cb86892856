#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ekaldo {

// Grade files are Windows-1253 text, but a sheet that went through a
// spreadsheet or an editor may come back as UTF-8 with a byte-order mark or
// as UTF-16 ("Unicode text"). Such a file is recognised by its mark and read
// in its own encoding instead of being shown as garbage.
enum class TextEncoding { CodePage1253, Utf8, Utf16LE, Utf16BE };

TextEncoding DetectEncoding(const QByteArray& start);

// The whole text of a file in a foreign encoding, its mark removed; nothing
// for a plain Windows-1253 file (read those as bytes).
std::optional<QString> DecodeForeignText(const QByteArray& bytes);

// The bytes of a file as Windows-1253: unchanged when they are already, else
// decoded from their own encoding and encoded again. Throws EncodingError for
// a character Windows-1253 lacks.
QByteArray AsCodePage1253(const QByteArray& bytes);

} // namespace ekaldo
