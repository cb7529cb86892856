#include "schooldb/TableCodePage.h"

#include "base/CodePage1253.h"

#include <QHash>

#include <iconv.h>

#include <map>
#include <memory>
#include <mutex>

namespace ekaldo::schooldb {
namespace {

// Byte to character for one code page; 0 marks a byte the code page leaves
// undefined (byte 0 itself is never part of a stored text).
using ByteTable = std::array<char16_t, 256>;

std::unique_ptr<ByteTable> BuildWithIconv(int number) {
    const QByteArray name = "CP" + QByteArray::number(number);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    auto table = std::make_unique<ByteTable>();
    for (int b = 1; b < 256; ++b) {
        char in = static_cast<char>(b);
        char16_t out[4] = {};
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof(out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        (*table)[b] = (r == static_cast<size_t>(-1) || outLeft != sizeof(out) - 2) ? 0 : out[0];
    }
    iconv_close(cd);
    return table;
}

// The program's own Greek code page comes from its own codec, so that a table
// in 1253 and a grade file agree to the byte.
std::unique_ptr<ByteTable> Build1253() {
    auto table = std::make_unique<ByteTable>();
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const QString s = CodePage1253::Decode(&c, 1);
        (*table)[b] = (s.size() == 1 && s[0] != QChar(0xFFFD)) ? s[0].unicode() : 0;
    }
    return table;
}

const ByteTable* TableFor(int number) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<ByteTable>> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(number);
    if (it != tables.end())
        return it->second.get();
    std::unique_ptr<ByteTable> table;
    if (number == 1253)
        table = Build1253();
    else if (number > 0 && number < 100000)
        table = BuildWithIconv(number);
    const ByteTable* result = table.get();
    tables.emplace(number, std::move(table));
    return result;
}

} // namespace

std::optional<TableCodePage> TableCodePage::ForNumber(int number) {
    const ByteTable* table = TableFor(number);
    if (!table)
        return std::nullopt;
    TableCodePage page;
    page.m_number = number;
    page.m_table = table;
    return page;
}

QString TableCodePage::Decode(const unsigned char* data, qsizetype size) const {
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = data[i];
        if (b < 0x80) {
            out[i] = QChar(b);
        } else {
            const char16_t u = (*m_table)[b];
            out[i] = u ? QChar(u) : QChar(QChar::ReplacementCharacter);
        }
    }
    return text;
}

std::optional<qsizetype> TableCodePage::EncodeInto(QStringView text, QByteArray& out) const {
    // Single-byte code pages here all keep ASCII as it is; the reverse map of
    // the upper half is built on first use.
    static std::mutex mutex;
    static std::map<const ByteTable*, QHash<char16_t, unsigned char>> reverse;
    const QHash<char16_t, unsigned char>* map = nullptr;
    {
        std::lock_guard lock(mutex);
        auto& r = reverse[m_table];
        if (r.isEmpty()) {
            for (int b = 0x80; b < 256; ++b)
                if ((*m_table)[b] && !r.contains((*m_table)[b]))
                    r.insert((*m_table)[b], static_cast<unsigned char>(b));
        }
        map = &r;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == 0)
            return i;
        if (u < 0x80) {
            out.append(static_cast<char>(u));
            continue;
        }
        const auto it = map->constFind(u);
        if (it == map->constEnd())
            return i;
        out.append(static_cast<char>(it.value()));
    }
    return std::nullopt;
}

} // namespace ekaldo::schooldb
