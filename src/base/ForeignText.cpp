#include "base/ForeignText.h"

#include "base/CodePage1253.h"

#include <QStringDecoder>

namespace ekaldo {

TextEncoding DetectEncoding(const QByteArray& start) {
    if (start.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8;
    if (start.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (start.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    return TextEncoding::CodePage1253;
}

std::optional<QString> DecodeForeignText(const QByteArray& bytes) {
    switch (DetectEncoding(bytes.left(3))) {
    case TextEncoding::CodePage1253:
        return std::nullopt;
    case TextEncoding::Utf8:
        return QString::fromUtf8(bytes.mid(3));
    case TextEncoding::Utf16LE: {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return QString(decoder.decode(bytes.mid(2)));
    }
    case TextEncoding::Utf16BE: {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return QString(decoder.decode(bytes.mid(2)));
    }
    }
    return std::nullopt;
}

QByteArray AsCodePage1253(const QByteArray& bytes) {
    const auto text = DecodeForeignText(bytes);
    return text ? CodePage1253::Encode(*text) : bytes;
}

} // namespace ekaldo
