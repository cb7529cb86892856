#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace ekaldo {

// The Greek Windows code page: every file this program writes and every grade
// file it reads. Bytes the code page leaves undefined decode to U+FFFD.
class CodePage1253 {
public:
    static QString Decode(const char* data, qsizetype size);
    static QString Decode(const QByteArray& bytes) { return Decode(bytes.constData(), bytes.size()); }

    // Appends the encoding of text to out. On a character the code page lacks it
    // appends nothing of that character, stops and returns its index in text;
    // on success it returns std::nullopt. Nothing is ever replaced silently.
    static std::optional<qsizetype> EncodeInto(QStringView text, QByteArray& out);

    // Throws EncodingError when text holds a character the code page lacks.
    static QByteArray Encode(QStringView text);
    static bool CanEncode(QStringView text);
};

} // namespace ekaldo
