#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace ekaldo::schooldb {

// The single-byte code page a table's header names for its Alpha text.
// Decoding is a table lookup; encoding refuses any character the code page
// lacks instead of replacing it.
class TableCodePage {
public:
    // Nullopt when the number is not a code page this program can carry.
    static std::optional<TableCodePage> ForNumber(int number);

    int Number() const { return m_number; }
    QString Decode(const unsigned char* data, qsizetype size) const;
    // Appends the bytes of text to out; returns the index of the first character
    // the code page lacks (nothing of it appended), or nullopt.
    std::optional<qsizetype> EncodeInto(QStringView text, QByteArray& out) const;

private:
    int m_number = 0;
    const std::array<char16_t, 256>* m_table = nullptr;
};

} // namespace ekaldo::schooldb
