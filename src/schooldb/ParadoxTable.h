#pragma once

#include "schooldb/FieldValue.h"
#include "schooldb/TableCodePage.h"

#include <QByteArray>
#include <QList>

#include <QString>
#include <vector>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace ekaldo::schooldb {

namespace BlockCipher {
class TableKeys;
}
class TableWriteLock;

// The fixed-width field encodings, read where ParadoxTable decodes them.
namespace FieldBytes {
inline std::uint32_t Be32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
// Short: big-endian with the sign bit flipped; all zero bytes are null.
inline bool Int16(const unsigned char* p, std::int16_t& value) {
    const unsigned raw = (unsigned(p[0]) << 8) | p[1];
    value = static_cast<std::int16_t>(raw ^ 0x8000u);
    return raw != 0;
}
// Long, Autoincrement, Date and Time: the same in four bytes.
inline bool Int32(const unsigned char* p, std::int32_t& value) {
    const std::uint32_t raw = Be32(p);
    value = static_cast<std::int32_t>(raw ^ 0x80000000u);
    return raw != 0;
}
// Numbers, Money and Timestamps: a big-endian double with its sign bit
// flipped, the bits of a negative one inverted; all zero bytes are null.
inline bool Double(const unsigned char* p, double& value) {
    std::uint64_t raw = 0;
    for (int i = 0; i < 8; ++i)
        raw = (raw << 8) | p[i];
    if (raw == 0)
        return false;
    raw = (raw & 0x8000000000000000ull) ? (raw & 0x7FFFFFFFFFFFFFFFull) : ~raw;
    std::memcpy(&value, &raw, sizeof value);
    return true;
}

// The values of the fixed-width kinds, null where the bytes say so.
inline FieldValue DoubleValue(const unsigned char* p) {
    double value;
    return Double(p, value) ? FieldValue::Float(value) : FieldValue();
}
inline FieldValue Int32Value(const unsigned char* p) {
    std::int32_t value;
    return Int32(p, value) ? FieldValue::Integer(value) : FieldValue();
}
inline FieldValue Int16Value(const unsigned char* p) {
    std::int16_t value;
    return Int16(p, value) ? FieldValue::Integer(value) : FieldValue();
}
inline FieldValue LogicalValue(const unsigned char* p) {
    return p[0] == 0 ? FieldValue() : FieldValue::Logical((p[0] & 0x7F) != 0);
}
} // namespace FieldBytes

// Field type codes as a Paradox header stores them.
enum class FieldType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    MemoBlob = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoIncrement = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

struct FieldDef {
    QString name;
    FieldType type;
    int length;       // bytes in the record
    int offset;       // within the record
    int decimals = 0; // a BCD field's declared digits after the point
    // Types the engine writes; a store never touches a field of any other type.
    bool Writable() const;
    bool IsBlob() const;
    bool IsText() const { return type == FieldType::Alpha; }
    bool IsInteger() const {
        return type == FieldType::Short || type == FieldType::Long || type == FieldType::AutoIncrement;
    }
};

QString FieldTypeName(FieldType type);

// Writes value into the field's bytes of a record; throws DatabaseError naming
// table and field when the value does not fit the field or its code page, or
// the field's type is not one the engine writes.
void EncodeFieldValue(const FieldDef& field, const TableCodePage& codePage, const QString& tableName,
                      unsigned char* record, const FieldValue& value);

struct TableLayout {
    int recordSize = 0;
    int headerSize = 0;
    int blockSize = 0;
    int fileType = 0;
    int versionId = 0;
    int codePageNumber = 0; // as the header gives it; 0 when it gives none
    int primaryKeyFields = 0;
    std::uint32_t encryption = 0; // 0 for a table without a password
    qint64 recordCount = 0;
    QList<FieldDef> fields;

    // Case-blind; -1 when there is no such field.
    int FieldIndex(QStringView name) const;
};

// The bytes of a whole table file.
class FileBuffer {
public:
    bool Allocate(qint64 size); // false when the memory is not there
    unsigned char* Data() const { return m_data.get(); }
    qint64 Size() const { return m_size; }

private:
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char, Free> m_data;
    qint64 m_size = 0;
};

// The records of one table file, read in one go and validated before any of
// it is trusted, and the in-place store of single records.
class ParadoxTable {
public:
    // Tells whether a password with this checksum is registered.
    using PasswordCheck = std::function<bool(std::uint32_t checksum)>;

    // Throws DatabaseError naming the table when the file is missing,
    // unreadable, damaged, foreign, or encrypted with no registered password.
    static std::unique_ptr<ParadoxTable> Open(const QString& path, const PasswordCheck& passwords);
    // The same from bytes already in memory; path only names the table in messages.
    // blobBytes stands for the memo file (.MB); without it, BLOB values kept
    // there read as unreadable.
    static std::unique_ptr<ParadoxTable> FromBytes(const QByteArray& bytes, const QString& path,
                                                   const PasswordCheck& passwords,
                                                   const QByteArray* blobBytes = nullptr);
    ~ParadoxTable();

    const QString& Path() const { return m_path; }
    QString Name() const; // the file name, for messages
    const TableLayout& Layout() const { return m_layout; }
    const TableCodePage& CodePage() const { return m_codePage; }
    int FieldCount() const { return static_cast<int>(m_layout.fields.size()); }
    const FieldDef& Field(int index) const { return m_layout.fields[index]; }
    qint64 RecordCount() const { return m_layout.recordCount; }

    // The plain bytes of a record, as read.
    QByteArray RecordBytes(qint64 record) const;
    const unsigned char* RecordData(qint64 record) const { return m_bytes.Data() + m_recordOffsets[record]; }
    FieldValue Value(qint64 record, int field) const { return Decode(RecordData(record), field); }
    // Numbers, integers, logicals and blank texts are nearly every field of
    // the school's tables, read one by one in loops over hundreds of thousands
    // of records: they are decoded here, in the caller's loop; the rest out of line.
    FieldValue Decode(const unsigned char* record, int field) const {
        const FieldDef& f = m_layout.fields[field];
        const unsigned char* p = record + f.offset;
        // Numbers first and on their own, then the rest by how common they
        // are: most fields of the grade table are numbers, and a jump through
        // a table for every field, as a switch compiles to, cost a third of
        // the time of reading the table.
        const FieldType type = f.type;
        if (type == FieldType::Number || type == FieldType::Currency)
            return FieldBytes::DoubleValue(p);
        if (type == FieldType::Alpha) {
            if (p[0] == 0)
                return {}; // text ends at its first zero byte
        } else if (type == FieldType::Long || type == FieldType::AutoIncrement) {
            return FieldBytes::Int32Value(p);
        } else if (type == FieldType::Short) {
            return FieldBytes::Int16Value(p);
        } else if (type == FieldType::Logical) {
            return FieldBytes::LogicalValue(p);
        }
        return DecodeOther(f, p);
    }

    // Calls visit(field, value) for every field of record, in field order: the
    // same values as Decode gives. Whole-table readers go through here. A run
    // of neighbouring fields of one fixed-width kind (the grade table's
    // numbers) is decoded in a loop of its own, without choosing a decoder
    // for each field: that choice was a quarter of the time of decoding a table.
    // With Blobs::Skip the BLOB fields are left out, their memo file unread.
    enum class Blobs { Read, Skip };
    template <typename Visit>
    void ForEachValue(const unsigned char* record, Visit&& visit, Blobs blobs = Blobs::Read) const {
        for (const FieldRun& run : m_runs) {
            const unsigned char* p = record + run.offset;
            const int end = run.first + run.count;
            switch (run.kind) {
            case FieldRun::Kind::Double:
                // A number is a handful of instructions: unrolled, the loop's
                // own count and jump stop being a fifth of them.
#pragma GCC unroll 4
                for (int i = run.first; i < end; ++i, p += 8)
                    visit(i, FieldBytes::DoubleValue(p));
                break;
            case FieldRun::Kind::Int32:
                for (int i = run.first; i < end; ++i, p += 4)
                    visit(i, FieldBytes::Int32Value(p));
                break;
            case FieldRun::Kind::Int16:
                for (int i = run.first; i < end; ++i, p += 2)
                    visit(i, FieldBytes::Int16Value(p));
                break;
            case FieldRun::Kind::Logical:
                for (int i = run.first; i < end; ++i, ++p)
                    visit(i, FieldBytes::LogicalValue(p));
                break;
            case FieldRun::Kind::Blob:
                if (blobs == Blobs::Skip)
                    break;
                [[fallthrough]];
            case FieldRun::Kind::Each:
                for (int i = run.first; i < end; ++i)
                    visit(i, Decode(record, i));
                break;
            }
        }
    }

    // Writes value into the field's bytes of record (recordSize bytes); throws
    // DatabaseError naming table and field when the value does not fit the
    // field or its code page, or the field's type is not one the engine writes.
    void Encode(unsigned char* record, int field, const FieldValue& value) const;

    // Stores one record in place: checks that the record on disk is still what
    // was read (RecordChangedError otherwise, nothing written), then writes only
    // that record's bytes, re-encrypted where the table is. Returns once the
    // operating system holds the bytes; Sync() puts them on the disk.
    void StoreRecord(qint64 record, const QByteArray& bytes);
    void Sync();

    // Writing holds the table's write lock against other programs, from the
    // first store (or from here, to learn early that another program has the
    // table: TableLockedError) until EndWriting, which also syncs.
    void OpenForWriting();
    void EndWriting();

private:
    ParadoxTable() = default;
    // reach(end), when given, is called before the parse reads past a file
    // offset, with end never beyond the file, and fills the buffer up to it.
    void Parse(const PasswordCheck& passwords, const std::function<void(qint64 end)>& reach = {});
    // Every type Decode does not decode itself; p points at the field's bytes.
    FieldValue DecodeOther(const FieldDef& f, const unsigned char* p) const;
    FieldValue BlobValue(const FieldDef& f, const unsigned char* p) const;
    // The memo file, read whole on the first BLOB kept in it; false when it is missing or unreadable.
    bool LoadBlobFile() const;
    [[noreturn]] void Fail(const QString& what) const;

    struct Location {
        qint64 fileOffset;         // of the record
        std::uint32_t blockNumber; // counted from 1
        qint64 blockOffset;        // of its block
    };
    Location LocationOf(qint64 record) const;

    // Neighbouring fields that ForEachValue decodes in one loop.
    struct FieldRun {
        enum class Kind : std::uint8_t { Double, Int32, Int16, Logical, Blob, Each };
        Kind kind;
        int first; // field index
        int count;
        int offset; // of the first field within the record
    };
    static std::vector<FieldRun> RunsOf(const QList<FieldDef>& fields);

    QString m_path;
    TableLayout m_layout;
    std::vector<FieldRun> m_runs;
    TableCodePage m_codePage;
    FileBuffer m_bytes; // the whole file, its data blocks decrypted
    // Where each record starts in the file, in four bytes: a table has at most
    // 65,535 blocks of 32 KB, and a list this small stays in the cache while
    // the records are read in order.
    std::vector<std::uint32_t> m_recordOffsets;
    int m_fd = -1;
    std::unique_ptr<TableWriteLock> m_writeLock;
    // The cipher's keys of an encrypted table, or nullptr: libpx does the work.
    std::shared_ptr<const BlockCipher::TableKeys> m_keys;
    std::vector<unsigned char> m_scratchBlock;
    std::vector<unsigned char> m_scratchDisk;
    mutable bool m_blobFileTried = false;
    mutable QByteArray m_blobFile;
    mutable QString m_blobProblem; // why the memo file cannot be read
};

} // namespace ekaldo::schooldb
