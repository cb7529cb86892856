#include "base/CodePage1253.h"

#include "base/FileErrors.h"

#include <array>

namespace ekaldo {
namespace {

// Upper half of the code page, 0x80 to 0xFF; 0 marks a byte it leaves undefined.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0000, 0x2039, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0000, 0x203A, 0x0000, 0x0000, 0x0000, 0x0000, 0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x0000, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x0384, 0x00B5, 0x00B6, 0x00B7, 0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F, 0x0390,
    0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397, 0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D,
    0x039E, 0x039F, 0x03A0, 0x03A1, 0x0000, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7, 0x03A8, 0x03A9, 0x03AA,
    0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF, 0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF, 0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4,
    0x03C5, 0x03C6, 0x03C7, 0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x0000,
};

// Reverse map for the two Unicode blocks the upper half draws on.
struct ReverseMap {
    std::array<unsigned char, 0x100> latin{}; // U+0080..U+00FF
    std::array<unsigned char, 0x100> greek{}; // U+0300..U+03FF
    std::array<unsigned char, 0x100> punct{}; // U+2000..U+20FF
    unsigned char fHook = 0;                  // U+0192
    unsigned char tradeMark = 0;              // U+2122
};

constexpr ReverseMap MakeReverse() {
    ReverseMap map{};
    for (int i = 0; i < 128; ++i) {
        const char16_t u = kUpperHalf[i];
        const auto byte = static_cast<unsigned char>(0x80 + i);
        if (u == 0)
            continue;
        if (u >= 0x80 && u <= 0xFF)
            map.latin[u] = byte;
        else if (u >= 0x300 && u <= 0x3FF)
            map.greek[u - 0x300] = byte;
        else if (u >= 0x2000 && u <= 0x20FF)
            map.punct[u - 0x2000] = byte;
        else if (u == 0x0192)
            map.fHook = byte;
        else if (u == 0x2122)
            map.tradeMark = byte;
    }
    return map;
}

constexpr ReverseMap kReverse = MakeReverse();

// 0 when the character has no byte in the code page.
inline unsigned char ByteOf(char16_t u) {
    if (u < 0x80)
        return static_cast<unsigned char>(u);
    if (u <= 0xFF)
        return kReverse.latin[u];
    if (u >= 0x300 && u <= 0x3FF)
        return kReverse.greek[u - 0x300];
    if (u >= 0x2000 && u <= 0x20FF)
        return kReverse.punct[u - 0x2000];
    if (u == 0x0192)
        return kReverse.fHook;
    if (u == 0x2122)
        return kReverse.tradeMark;
    return 0;
}

} // namespace

QString CodePage1253::Decode(const char* data, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        if (b < 0x80) {
            out[i] = QChar(b);
        } else {
            const char16_t u = kUpperHalf[b - 0x80];
            out[i] = QChar(u == 0 ? char16_t(0xFFFD) : u);
        }
    }
    return text;
}

std::optional<qsizetype> CodePage1253::EncodeInto(QStringView text, QByteArray& out) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dest = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const unsigned char b = ByteOf(u);
        if (b == 0 && u != 0) {
            out.truncate(start + i);
            return i;
        }
        dest[i] = static_cast<char>(b);
    }
    return std::nullopt;
}

QByteArray CodePage1253::Encode(QStringView text) {
    QByteArray out;
    if (const auto bad = EncodeInto(text, out))
        throw EncodingError(NotEncodableMessage(text, *bad), text[*bad]);
    return out;
}

bool CodePage1253::CanEncode(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() != 0 && ByteOf(c.unicode()) == 0)
            return false;
    }
    return true;
}

} // namespace ekaldo
