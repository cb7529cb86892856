// libFuzzer target: a mutated table file is opened and every field of every
// record decoded (field by field and a record at a time) and encoded back.
// Any password is taken as registered, so the encrypted path is fuzzed too;
// the same bytes stand for the table's memo file, so BLOB leaders point into
// data as wild as themselves. A crash, a hang, a leak or a sanitizer report is
// a fault; a DatabaseError is the expected refusal.
#include "schooldb/DatabaseError.h"
#include "schooldb/ParadoxTable.h"

#include <QByteArray>
#include <QString>

#include <bit>
#include <cstddef>
#include <cstdint>

using namespace ekaldo::schooldb;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const auto table = ParadoxTable::FromBytes(
            bytes, QStringLiteral("FUZZ.DB"), [](std::uint32_t) { return true; }, &bytes);
        QByteArray record;
        for (qint64 r = 0; r < table->RecordCount(); ++r) {
            record = table->RecordBytes(r);
            for (int f = 0; f < table->FieldCount(); ++f) {
                const FieldValue value = table->Value(r, f);
                if (!table->Field(f).Writable())
                    continue;
                try {
                    table->Encode(reinterpret_cast<unsigned char*>(record.data()), f, value);
                } catch (const DatabaseError&) {
                    // Text with bytes its code page leaves undefined, a non-finite Number.
                }
            }
            // The whole-record reader gives every field, in order, as the field reader does.
            int next = 0;
            table->ForEachValue(table->RecordData(r), [&](int f, const FieldValue& value) {
                const FieldValue one = table->Value(r, f);
                // A NaN is never equal to itself: its bits are.
                const bool same = value.IsFloat() && one.IsFloat()
                                      ? std::bit_cast<std::uint64_t>(value.FloatValue()) ==
                                            std::bit_cast<std::uint64_t>(one.FloatValue())
                                      : value == one;
                if (f != next++ || !same)
                    __builtin_trap();
            });
            if (next != table->FieldCount())
                __builtin_trap();
            // Integers have one stored form each: what was read encodes back to the same bytes.
            const QByteArray stored = table->RecordBytes(r);
            for (int f = 0; f < table->FieldCount(); ++f) {
                const FieldDef& def = table->Field(f);
                if (def.IsInteger() &&
                    record.mid(def.offset, def.length) != stored.mid(def.offset, def.length))
                    __builtin_trap();
            }
        }
    } catch (const DatabaseError&) {
    }
    return 0;
}
