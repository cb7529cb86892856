#include "schooldb/ParadoxTable.h"

#include "schooldb/BlockCipher.h"
#include "schooldb/DatabaseError.h"
#include "schooldb/TableLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ekaldo::schooldb {
namespace {

constexpr std::uint32_t kNoEncryptionMark = 0xFF00FF00u;
constexpr int kBlockHeaderSize = 6;
// Tables without a code page in their header are taken to be in the Greek
// Windows code page, the one every file of this program is in.
constexpr int kDefaultCodePage = 1253;

inline unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
inline std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

// Dates count days from 1 January of year 1 as day 1.
constexpr qint64 kJulianDayBeforeYearOne = 1721425;
constexpr std::int32_t kMillisecondsPerDay = 86400000;

// 17 bytes: the sign in the top bit of the first, then 32 decimal digits in
// nibbles from the third on, the last `decimals` of them after the point; a
// negative value has every digit nibble inverted. A first byte of 0 is null.
FieldValue DecodeBcd(const unsigned char* p, int decimals) {
    if (p[0] == 0)
        return {};
    const unsigned flip = (p[0] & 0x80) ? 0x0 : 0xF;
    char digits[40];
    int n = 0;
    bool leading = true;
    bool nonZero = false;
    for (int i = 2; i < 34; ++i) {
        const unsigned nibble = ((i % 2) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) ^ flip;
        if (nibble > 9)
            return FieldValue::Missing(QStringLiteral("<άκυρη τιμή BCD>"));
        if (i == 34 - decimals) {
            if (leading)
                digits[n++] = '0';
            leading = false;
            digits[n++] = '.';
        }
        if (leading && nibble == 0 && i < 33 - decimals)
            continue;
        leading = false;
        nonZero = nonZero || nibble != 0;
        digits[n++] = static_cast<char>('0' + nibble);
    }
    QString text;
    if (flip && nonZero)
        text += QLatin1Char('-');
    text += QLatin1String(digits, n);
    return FieldValue::DecimalText(text);
}

// Whether the header's length byte is one a field of this type can have.
bool LengthFitsType(FieldType type, int length) {
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Bytes:
        return length >= 1 && length <= 255;
    case FieldType::Short:
        return length == 2;
    case FieldType::Logical:
        return length == 1;
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::AutoIncrement:
        return length == 4;
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Timestamp:
        return length == 8;
    case FieldType::Bcd:
        return length >= 0 && length <= 32; // the header gives the digits after the point
    case FieldType::MemoBlob:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return length >= 10 && length <= 250;
    }
    return false;
}

bool KnownType(unsigned code) {
    switch (static_cast<FieldType>(code)) {
    case FieldType::Alpha:
    case FieldType::Date:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Logical:
    case FieldType::MemoBlob:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::AutoIncrement:
    case FieldType::Bcd:
    case FieldType::Bytes:
        return true;
    }
    return false;
}

QString Quoted(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

bool ReadFully(int fd, unsigned char* buffer, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, buffer, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        size -= n;
        offset += n;
    }
    return true;
}

bool WriteFully(int fd, const unsigned char* buffer, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, buffer, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        size -= n;
        offset += n;
    }
    return true;
}

} // namespace

bool FileBuffer::Allocate(qint64 size) {
    m_data.reset();
    m_size = 0;
    if (size < 0)
        return false;
    // Big tables go into memory the kernel may back with huge pages: a 60 MB
    // GRADE table then costs a few dozen page faults instead of fifteen thousand.
    constexpr std::size_t kHugePage = 2u << 20;
    const std::size_t wanted = static_cast<std::size_t>(std::max<qint64>(size, 1));
    void* memory = nullptr;
    if (wanted >= kHugePage) {
        const std::size_t rounded = (wanted + kHugePage - 1) & ~(kHugePage - 1);
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory)
            ::madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::malloc(wanted);
    }
    if (!memory)
        return false;
    m_data.reset(static_cast<unsigned char*>(memory));
    m_size = size;
    return true;
}

bool FieldDef::IsBlob() const {
    switch (type) {
    case FieldType::MemoBlob:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return true;
    default:
        return false;
    }
}

bool FieldDef::Writable() const {
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoIncrement:
    case FieldType::Number:
    case FieldType::Logical:
        return true;
    default:
        return false;
    }
}

QString FieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::Alpha:
        return QStringLiteral("Alpha");
    case FieldType::Date:
        return QStringLiteral("Date");
    case FieldType::Short:
        return QStringLiteral("Short");
    case FieldType::Long:
        return QStringLiteral("Long Integer");
    case FieldType::Currency:
        return QStringLiteral("Money");
    case FieldType::Number:
        return QStringLiteral("Number");
    case FieldType::Logical:
        return QStringLiteral("Logical");
    case FieldType::MemoBlob:
        return QStringLiteral("Memo");
    case FieldType::Blob:
        return QStringLiteral("Binary");
    case FieldType::FormattedMemo:
        return QStringLiteral("Formatted Memo");
    case FieldType::Ole:
        return QStringLiteral("OLE");
    case FieldType::Graphic:
        return QStringLiteral("Graphic");
    case FieldType::Time:
        return QStringLiteral("Time");
    case FieldType::Timestamp:
        return QStringLiteral("Timestamp");
    case FieldType::AutoIncrement:
        return QStringLiteral("Autoincrement");
    case FieldType::Bcd:
        return QStringLiteral("BCD");
    case FieldType::Bytes:
        return QStringLiteral("Bytes");
    }
    return QStringLiteral("?");
}

int TableLayout::FieldIndex(QStringView name) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

ParadoxTable::~ParadoxTable() {
    if (m_fd >= 0) {
        ::fsync(m_fd);
        ::close(m_fd);
    }
}

QString ParadoxTable::Name() const {
    return QFileInfo(m_path).fileName();
}

void ParadoxTable::Fail(const QString& what) const {
    throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_path) +
                        QStringLiteral(" είναι κατεστραμμένος ή δεν είναι πίνακας Paradox: ") + what + '.');
}

std::unique_ptr<ParadoxTable> ParadoxTable::Open(const QString& path, const PasswordCheck& passwords) {
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(path) + QStringLiteral(" δεν υπάρχει!"));
    const auto unreadable = [&]() {
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(path) +
                            QStringLiteral(" δεν μπορεί να διαβαστεί: ") +
                            QString::fromLocal8Bit(std::strerror(errno)));
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        unreadable();
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    LockTableForReading(fd, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        unreadable();
    std::unique_ptr<ParadoxTable> table(new ParadoxTable);
    table->m_path = path;
    if (!table->m_bytes.Allocate(st.st_size))
        unreadable();
    // The file comes in a piece at a time as the parse reaches it, so that
    // each block is decrypted while its bytes are still in the cache rather
    // than in a second pass over the whole table from memory.
    constexpr qint64 kPiece = 256 * 1024;
    const qint64 size = st.st_size;
    qint64 read = 0;
    const auto reach = [&](qint64 end) {
        if (end <= read)
            return;
        const qint64 to = std::min(size, std::max(end, read + kPiece));
        if (!ReadFully(fd, table->m_bytes.Data() + read, to - read, read))
            unreadable();
        read = to;
    };
    reach(kPiece);
    table->Parse(passwords, reach);
    reach(size); // blocks outside the chain hold no records, yet the copy is whole
    return table;
}

std::unique_ptr<ParadoxTable> ParadoxTable::FromBytes(const QByteArray& bytes, const QString& path,
                                                      const PasswordCheck& passwords,
                                                      const QByteArray* blobBytes) {
    std::unique_ptr<ParadoxTable> table(new ParadoxTable);
    table->m_path = path;
    table->m_blobFileTried = true;
    if (blobBytes)
        table->m_blobFile = *blobBytes;
    else
        table->m_blobProblem = QStringLiteral("δεν δόθηκε αρχείο σημειώσεων");
    if (!table->m_bytes.Allocate(bytes.size()))
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(path) +
                            QStringLiteral(" δεν χωρά στη μνήμη."));
    std::memcpy(table->m_bytes.Data(), bytes.constData(), bytes.size());
    table->Parse(passwords);
    return table;
}

void ParadoxTable::Parse(const PasswordCheck& passwords, const std::function<void(qint64 end)>& reach) {
    // The file's own bytes hold the records; encrypted blocks are decrypted in place.
    const unsigned char* data = m_bytes.Data();
    const qint64 size = m_bytes.Size();
    if (size < 0x58)
        Fail(QStringLiteral("το αρχείο είναι μικρότερο από μια κεφαλίδα πίνακα"));

    TableLayout& t = m_layout;
    t.recordSize = static_cast<int>(Le16(data + 0x00));
    t.headerSize = static_cast<int>(Le16(data + 0x02));
    t.fileType = data[0x04];
    const int blockCode = data[0x05];
    const std::uint32_t declaredRecords = Le32(data + 0x06);
    const unsigned fileBlocks = Le16(data + 0x0C);
    const unsigned firstBlock = Le16(data + 0x0E);
    const int fieldCount = static_cast<int>(Le16(data + 0x21));
    t.primaryKeyFields = static_cast<int>(Le16(data + 0x23));
    const std::uint32_t encryption1 = Le32(data + 0x25);
    t.versionId = data[0x39];

    if (t.fileType != 0 && t.fileType != 2)
        Fail(QStringLiteral("δεν είναι αρχείο δεδομένων (τύπος %1)").arg(t.fileType));
    if (t.versionId < 3 || t.versionId > 12)
        Fail(QStringLiteral("άγνωστη έκδοση μορφής %1").arg(t.versionId));
    if (blockCode < 1 || blockCode > 32)
        Fail(QStringLiteral("άκυρο μέγεθος μπλοκ %1").arg(blockCode));
    t.blockSize = blockCode * 1024;
    // Levels 3.0 and 3.5 (3 and 4) have no data header: their field
    // descriptors follow the main header, and they name no code page.
    const bool dataHeader = t.versionId >= 5;
    const int fieldInfo = dataHeader ? 0x78 : 0x58;
    if (t.headerSize < fieldInfo || t.headerSize > size)
        Fail(QStringLiteral("άκυρο μέγεθος κεφαλίδας %1").arg(t.headerSize));
    if (fieldCount < 1 || fieldCount > 255)
        Fail(QStringLiteral("άκυρο πλήθος πεδίων %1").arg(fieldCount));
    if (t.recordSize < 1 || t.recordSize > t.blockSize - kBlockHeaderSize)
        Fail(QStringLiteral("άκυρο μέγεθος εγγραφής %1").arg(t.recordSize));
    if (t.primaryKeyFields > fieldCount)
        Fail(QStringLiteral("το πρωτεύον κλειδί έχει περισσότερα πεδία από τον πίνακα"));

    if (dataHeader) {
        t.codePageNumber = static_cast<int>(Le16(data + 0x6A));
        t.encryption = Le32(data + 0x5C);
        if (t.encryption == 0 && encryption1 != kNoEncryptionMark)
            t.encryption = encryption1;
    } else {
        t.encryption = encryption1 == kNoEncryptionMark ? 0 : encryption1;
    }
    const int pageNumber = t.codePageNumber > 0 ? t.codePageNumber : kDefaultCodePage;
    const auto page = TableCodePage::ForNumber(pageNumber);
    if (!page)
        Fail(QStringLiteral("η κωδικοσελίδα %1 δεν υποστηρίζεται").arg(pageNumber));
    m_codePage = *page;

    // Field types and lengths, then the field names after the table name.
    const qint64 namePointers = fieldInfo + 2LL * fieldCount;
    const qint64 tableNameLength = t.versionId >= 12 ? 261 : 79;
    qint64 pos = namePointers + 4 + 4LL * fieldCount + tableNameLength;
    if (pos > t.headerSize)
        Fail(QStringLiteral("η κεφαλίδα δεν χωρά τα πεδία της"));
    int offset = 0;
    for (int i = 0; i < fieldCount; ++i) {
        const unsigned code = data[fieldInfo + 2 * i];
        const int length = data[fieldInfo + 2 * i + 1];
        if (!KnownType(code))
            Fail(QStringLiteral("άγνωστος τύπος πεδίου 0x%1").arg(code, 2, 16, QLatin1Char('0')));
        const auto type = static_cast<FieldType>(code);
        if (!LengthFitsType(type, length))
            Fail(QStringLiteral("πεδίο %1 τύπου %2 με μήκος %3")
                     .arg(i + 1)
                     .arg(FieldTypeName(type))
                     .arg(length));
        // A BCD field always takes 17 bytes; its length byte is its precision.
        const int stored = type == FieldType::Bcd ? 17 : length;
        t.fields.append(FieldDef{QString(), type, stored, offset, type == FieldType::Bcd ? length : 0});
        offset += stored;
    }
    if (offset != t.recordSize)
        Fail(QStringLiteral("το μέγεθος εγγραφής %1 δεν συμφωνεί με τα πεδία (%2)")
                 .arg(t.recordSize)
                 .arg(offset));
    m_runs = RunsOf(t.fields);
    for (int i = 0; i < fieldCount; ++i) {
        const auto* start = data + pos;
        const auto* end = static_cast<const unsigned char*>(std::memchr(start, 0, t.headerSize - pos));
        if (!end)
            Fail(QStringLiteral("τα ονόματα των πεδίων βγαίνουν έξω από την κεφαλίδα"));
        t.fields[i].name = m_codePage.Decode(start, end - start);
        pos = end - data + 1;
    }

    if (t.encryption != 0 && !(passwords && passwords(t.encryption)))
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_path) +
                            QStringLiteral(" προστατεύεται με σύνθημα που δεν έχει δοθεί!"));

    // The chain of data blocks, each visited once and wholly inside the file.
    const qint64 blocksInFile = (size - t.headerSize) / t.blockSize;
    if (fileBlocks > blocksInFile)
        Fail(QStringLiteral("το αρχείο είναι κομμένο (%1 μπλοκ αντί για %2)")
                 .arg(blocksInFile)
                 .arg(fileBlocks));
    const qint64 perBlock = (t.blockSize - kBlockHeaderSize) / t.recordSize;
    if (declaredRecords > static_cast<std::uint64_t>(fileBlocks) * perBlock)
        Fail(
            QStringLiteral("η κεφαλίδα δηλώνει %1 εγγραφές, που δεν χωρούν στο αρχείο").arg(declaredRecords));
    m_recordOffsets.reserve(declaredRecords);
    std::vector<bool> visited(fileBlocks + 1, false);
    std::vector<unsigned char> scratch;
    if (t.encryption != 0 && t.blockSize % BlockCipher::kChunkSize == 0 &&
        static_cast<std::size_t>(t.blockSize) <= BlockCipher::kMaxBlockSize)
        m_keys = BlockCipher::TableKeys::For(t.encryption);
    if (t.encryption != 0 && !m_keys)
        scratch.resize(t.blockSize);
    unsigned char* writable = m_bytes.Data();
    unsigned current = (fileBlocks > 0) ? firstBlock : 0;
    qint64 total = 0;
    while (current != 0) {
        if (current > fileBlocks)
            Fail(QStringLiteral("μπλοκ %1 έξω από το αρχείο").arg(current));
        if (visited[current])
            Fail(QStringLiteral("η αλυσίδα των μπλοκ κάνει κύκλο στο μπλοκ %1").arg(current));
        visited[current] = true;
        const qint64 blockOffset = t.headerSize + qint64(current - 1) * t.blockSize;
        if (reach)
            reach(blockOffset + t.blockSize);
        const unsigned char* plain = data + blockOffset;
        if (m_keys) {
            m_keys->Decrypt(writable + blockOffset, t.blockSize, current);
        } else if (t.encryption != 0) {
            std::memcpy(scratch.data(), plain, t.blockSize);
            BlockCipher::DecryptBlockInto(scratch.data(), writable + blockOffset, t.blockSize, t.encryption,
                                          current);
        }
        const unsigned next = Le16(plain);
        const int addDataSize = static_cast<std::int16_t>(Le16(plain + 4));
        if (addDataSize < -t.recordSize || (addDataSize + t.recordSize) % t.recordSize != 0)
            Fail(QStringLiteral("άκυρο πλήθος εγγραφών στο μπλοκ %1").arg(current));
        const qint64 count = (addDataSize + t.recordSize) / t.recordSize;
        if (count > perBlock)
            Fail(QStringLiteral("άκυρο πλήθος εγγραφών στο μπλοκ %1").arg(current));
        if (total + count > declaredRecords)
            Fail(QStringLiteral("το αρχείο έχει περισσότερες εγγραφές από όσες δηλώνει η κεφαλίδα (%1)")
                     .arg(declaredRecords));
        for (qint64 r = 0; r < count; ++r)
            m_recordOffsets.push_back(
                static_cast<std::uint32_t>(blockOffset + kBlockHeaderSize + r * t.recordSize));
        total += count;
        current = next;
    }
    if (total != declaredRecords)
        Fail(QStringLiteral("η κεφαλίδα δηλώνει %1 εγγραφές αλλά τα μπλοκ έχουν %2")
                 .arg(declaredRecords)
                 .arg(total));
    t.recordCount = total;
}

std::vector<ParadoxTable::FieldRun> ParadoxTable::RunsOf(const QList<FieldDef>& fields) {
    // Money is stored as a Number is, an autoincrement as a Long.
    const auto kindOf = [](const FieldDef& field) {
        switch (field.type) {
        case FieldType::Number:
        case FieldType::Currency:
            return FieldRun::Kind::Double;
        case FieldType::Long:
        case FieldType::AutoIncrement:
            return FieldRun::Kind::Int32;
        case FieldType::Short:
            return FieldRun::Kind::Int16;
        case FieldType::Logical:
            return FieldRun::Kind::Logical;
        default:
            return field.IsBlob() ? FieldRun::Kind::Blob : FieldRun::Kind::Each;
        }
    };
    std::vector<FieldRun> runs;
    for (int i = 0; i < fields.size(); ++i) {
        const FieldRun::Kind kind = kindOf(fields[i]);
        // The fields' lengths were checked against their types, and a field
        // starts where the one before it ends: a run's fields lie side by side.
        if (!runs.empty() && runs.back().kind == kind)
            ++runs.back().count;
        else
            runs.push_back({kind, i, 1, fields[i].offset});
    }
    return runs;
}

ParadoxTable::Location ParadoxTable::LocationOf(qint64 record) const {
    const qint64 fileOffset = m_recordOffsets[record];
    const qint64 block = (fileOffset - m_layout.headerSize) / m_layout.blockSize; // from 0
    return {fileOffset, static_cast<std::uint32_t>(block + 1),
            m_layout.headerSize + block * m_layout.blockSize};
}

QByteArray ParadoxTable::RecordBytes(qint64 record) const {
    return QByteArray(reinterpret_cast<const char*>(RecordData(record)), m_layout.recordSize);
}

FieldValue ParadoxTable::DecodeOther(const FieldDef& f, const unsigned char* p) const {
    switch (f.type) {
    case FieldType::Alpha: {
        const auto* end = static_cast<const unsigned char*>(std::memchr(p, 0, f.length));
        const qsizetype length = end ? end - p : f.length;
        if (length == 0)
            return {};
        return FieldValue::Text(m_codePage.Decode(p, length));
    }
    case FieldType::Date:
    case FieldType::Time: {
        std::int32_t value;
        if (!FieldBytes::Int32(p, value))
            return {};
        if (f.type == FieldType::Date)
            return FieldValue::Date(QDate::fromJulianDay(qint64(value) + kJulianDayBeforeYearOne));
        if (value < 0 || value >= kMillisecondsPerDay)
            return FieldValue::Missing(QStringLiteral("άκυρη ώρα (%1 χιλιοστά)").arg(value));
        return FieldValue::Time(QTime::fromMSecsSinceStartOfDay(value));
    }
    case FieldType::Timestamp: {
        double value;
        if (!FieldBytes::Double(p, value))
            return {};
        // Milliseconds since the start of the day before 1 January of year 1.
        if (!(value >= 0 && value < 4.0e17))
            return FieldValue::Missing(QStringLiteral("άκυρη χρονοσφραγίδα"));
        const auto ms = static_cast<qint64>(std::llround(value));
        const QDate date = QDate::fromJulianDay(ms / kMillisecondsPerDay + kJulianDayBeforeYearOne);
        const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms % kMillisecondsPerDay));
        return FieldValue::Timestamp(QDateTime(date, time, Qt::UTC));
    }
    case FieldType::Bcd:
        return DecodeBcd(p, f.decimals);
    case FieldType::Bytes: {
        bool blank = true;
        for (int i = 0; i < f.length && blank; ++i)
            blank = p[i] == 0;
        if (blank)
            return {};
        return FieldValue::Bytes(QByteArray(reinterpret_cast<const char*>(p), f.length));
    }
    case FieldType::MemoBlob:
    case FieldType::Blob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return BlobValue(f, p);
    default: // decoded by Decode itself
        break;
    }
    return {};
}

bool ParadoxTable::LoadBlobFile() const {
    if (m_blobFileTried)
        return m_blobProblem.isEmpty();
    m_blobFileTried = true;
    // The memo file sits beside the table under the same name; a folder
    // copied from Windows may have either case for the extension.
    const QFileInfo info(m_path);
    const QDir folder = info.dir();
    QString found;
    const QString wanted = info.completeBaseName() + QStringLiteral(".MB");
    for (const QString& name :
         folder.entryList({info.completeBaseName() + QStringLiteral(".*")}, QDir::Files))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            found = folder.filePath(name);
            break;
        }
    if (found.isEmpty()) {
        m_blobProblem = QStringLiteral("λείπει το αρχείο σημειώσεων ") + Quoted(folder.filePath(wanted));
        return false;
    }
    QFile file(found);
    if (!file.open(QIODevice::ReadOnly)) {
        m_blobProblem = QStringLiteral("το αρχείο σημειώσεων ") + Quoted(found) +
                        QStringLiteral(" δεν διαβάζεται: ") + file.errorString();
        return false;
    }
    m_blobFile = file.readAll();
    return true;
}

FieldValue ParadoxTable::BlobValue(const FieldDef& f, const unsigned char* p) const {
    const int inRecord = f.length - 10;
    const unsigned char* leader = p + inRecord;
    const std::uint32_t offset = Le32(leader);
    const std::uint32_t size = Le32(leader + 4);
    const bool text = f.type == FieldType::MemoBlob || f.type == FieldType::FormattedMemo;
    if (size == 0)
        return {};
    // A short value lives in the record itself.
    if (size <= std::uint32_t(inRecord)) {
        if (text)
            return FieldValue::Text(m_codePage.Decode(p, size));
        return FieldValue::Binary(size);
    }
    const auto unreadable = [&](const QString& why) {
        return FieldValue::Missing(QStringLiteral("<") + why + QStringLiteral(">"));
    };
    if (!LoadBlobFile())
        return unreadable(m_blobProblem);
    const auto* mb = reinterpret_cast<const unsigned char*>(m_blobFile.constData());
    const qint64 mbSize = m_blobFile.size();
    const auto damaged = [&]() {
        return unreadable(QStringLiteral("το αρχείο σημειώσεων είναι κατεστραμμένο στη θέση %1").arg(offset));
    };
    const unsigned index = offset & 0xFFu;
    const qint64 block = offset & ~std::uint32_t(0xFF);
    if (block == 0 || block + 12 > mbSize)
        return damaged();
    qint64 dataAt = 0;
    if (index == 0xFF) {
        // A block of its own: type 2, its count of 4k blocks, then the value's size.
        if (mb[block] != 2 || Le32(mb + block + 3) != size)
            return damaged();
        dataAt = block + 9;
    } else {
        // A block shared by up to 64 small values, each found through its slot.
        if (mb[block] != 3 || index >= 64)
            return damaged();
        const unsigned char* slot = mb + block + 12 + 5 * index;
        const unsigned sixteens = slot[1];
        const unsigned rest = slot[4];
        const std::uint32_t slotSize = rest == 0 ? sixteens * 16 : (sixteens - 1) * 16 + rest;
        if (slot[0] == 0 || sixteens == 0 || slotSize != size)
            return damaged();
        dataAt = block + 16LL * slot[0];
    }
    if (dataAt + qint64(size) > mbSize)
        return damaged();
    if (text)
        return FieldValue::Text(m_codePage.Decode(mb + dataAt, size));
    return FieldValue::Binary(size);
}

void ParadoxTable::Encode(unsigned char* record, int field, const FieldValue& value) const {
    EncodeFieldValue(m_layout.fields[field], m_codePage, Name(), record, value);
}

void EncodeFieldValue(const FieldDef& f, const TableCodePage& codePage, const QString& tableName,
                      unsigned char* record, const FieldValue& value) {
    unsigned char* p = record + f.offset;
    const auto refuse = [&](const QString& why) {
        throw DatabaseError(QStringLiteral("Το πεδίο ") + Quoted(f.name) + QStringLiteral(" του πίνακα ") +
                            Quoted(tableName) + QStringLiteral(": ") + why);
    };
    if (!f.Writable())
        refuse(QStringLiteral("πεδίο τύπου %1 δεν γράφεται.").arg(FieldTypeName(f.type)));
    if (value.IsNull()) {
        std::memset(p, 0, f.length);
        return;
    }
    switch (f.type) {
    case FieldType::Alpha: {
        if (!value.IsText())
            refuse(QStringLiteral("δέχεται μόνο κείμενο."));
        QByteArray bytes;
        if (const auto bad = codePage.EncodeInto(value.TextValue(), bytes))
            refuse(QStringLiteral("ο χαρακτήρας \"%1\" του κειμένου \"%2\" δεν υπάρχει στην κωδικοσελίδα %3.")
                       .arg(QString(value.TextValue().at(*bad)), value.TextValue(),
                            QString::number(codePage.Number())));
        if (bytes.size() > f.length)
            refuse(QStringLiteral("το κείμενο \"%1\" είναι μακρύτερο από %2 χαρακτήρες.")
                       .arg(value.TextValue(), QString::number(f.length)));
        std::memset(p, 0, f.length);
        std::memcpy(p, bytes.constData(), bytes.size());
        return;
    }
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoIncrement: {
        if (!value.IsInteger())
            refuse(QStringLiteral("δέχεται μόνο ακέραιο αριθμό."));
        const std::int64_t v = value.IntegerValue();
        // The lowest value of each width is the null pattern and cannot be stored.
        if (f.type == FieldType::Short) {
            if (v < -32767 || v > 32767)
                refuse(QStringLiteral("ο αριθμός %1 είναι έξω από τα όρια -32767 έως 32767.").arg(v));
            const unsigned raw = static_cast<std::uint16_t>(v) ^ 0x8000u;
            p[0] = static_cast<unsigned char>(raw >> 8);
            p[1] = static_cast<unsigned char>(raw);
        } else {
            if (v < -2147483647LL || v > 2147483647LL)
                refuse(
                    QStringLiteral("ο αριθμός %1 είναι έξω από τα όρια -2147483647 έως 2147483647.").arg(v));
            const std::uint32_t raw = static_cast<std::uint32_t>(v) ^ 0x80000000u;
            for (int i = 0; i < 4; ++i)
                p[i] = static_cast<unsigned char>(raw >> (24 - 8 * i));
        }
        return;
    }
    case FieldType::Number: {
        double v = value.IsFloat()     ? value.FloatValue()
                   : value.IsInteger() ? static_cast<double>(value.IntegerValue())
                                       : NAN;
        if (!std::isfinite(v))
            refuse(QStringLiteral("δέχεται μόνο πεπερασμένο αριθμό."));
        if (v == 0.0)
            v = 0.0; // no negative zero
        std::uint64_t raw;
        std::memcpy(&raw, &v, sizeof raw);
        raw = (raw & 0x8000000000000000ull) ? ~raw : (raw | 0x8000000000000000ull);
        for (int i = 0; i < 8; ++i)
            p[i] = static_cast<unsigned char>(raw >> (56 - 8 * i));
        return;
    }
    case FieldType::Logical:
        if (!value.IsLogical())
            refuse(QStringLiteral("δέχεται μόνο λογική τιμή."));
        p[0] = value.LogicalValue() ? 0x81 : 0x80;
        return;
    default:
        refuse(QStringLiteral("πεδίο τύπου %1 δεν γράφεται.").arg(FieldTypeName(f.type)));
    }
}

void ParadoxTable::OpenForWriting() {
    if (m_fd >= 0)
        return;
    if (!m_writeLock)
        m_writeLock = std::make_unique<TableWriteLock>(m_path);
    const QByteArray native = QFile::encodeName(m_path);
    m_fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        m_writeLock.reset();
        errno = error;
    }
    if (m_fd < 0)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_path) +
                            QStringLiteral(" δεν μπορεί να ανοιχτεί για εγγραφή: ") +
                            QString::fromLocal8Bit(std::strerror(errno)));
}

void ParadoxTable::StoreRecord(qint64 record, const QByteArray& bytes) {
    const TableLayout& t = m_layout;
    if (record < 0 || record >= t.recordCount || bytes.size() != t.recordSize)
        throw DatabaseError(QStringLiteral("Άκυρη εγγραφή %1 στον πίνακα ").arg(record + 1) + Quoted(Name()));
    OpenForWriting();
    const Location at = LocationOf(record);
    const auto writeFailed = [&]() {
        throw DatabaseError(QStringLiteral("Η εγγραφή στον πίνακα ") + Quoted(m_path) +
                            QStringLiteral(" απέτυχε: ") + QString::fromLocal8Bit(std::strerror(errno)));
    };
    const auto changed = [&]() {
        throw RecordChangedError(QStringLiteral("Η εγγραφή %1 του πίνακα ").arg(record + 1) + Quoted(Name()) +
                                 QStringLiteral(" άλλαξε από άλλο πρόγραμμα μετά την ανάγνωσή της· "
                                                "δεν αποθηκεύτηκε τίποτα."));
    };
    const auto* newBytes = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (t.encryption == 0) {
        std::vector<unsigned char> onDisk(t.recordSize);
        errno = 0;
        if (!ReadFully(m_fd, onDisk.data(), t.recordSize, at.fileOffset))
            changed();
        if (std::memcmp(onDisk.data(), RecordData(record), t.recordSize) != 0)
            changed();
        if (!WriteFully(m_fd, newBytes, t.recordSize, at.fileOffset))
            writeFailed();
    } else {
        // Scratch space kept between stores: a posting run stores hundreds of thousands of records.
        std::vector<unsigned char>& disk = m_scratchDisk;
        std::vector<unsigned char>& cipher = m_scratchBlock;
        const qint64 inBlock = at.fileOffset - at.blockOffset;
        constexpr qint64 chunkSize = BlockCipher::kChunkSize;
        // The chunks the record's bytes lie in: only they are read and written.
        const qint64 first = inBlock / chunkSize * chunkSize;
        const qint64 end = (inBlock + t.recordSize + chunkSize - 1) / chunkSize * chunkSize;
        qint64 spanOffset = 0; // of disk and cipher in the block
        errno = 0;
        if (m_keys && end <= t.blockSize) {
            spanOffset = first;
            disk.resize(end - first);
            if (!ReadFully(m_fd, disk.data(), end - first, at.blockOffset + first))
                changed();
            cipher = disk;
            if (!m_keys->Replace(cipher.data(), first, inBlock, RecordData(record), newBytes, t.recordSize,
                                 at.blockNumber))
                changed();
        } else {
            disk.resize(t.blockSize);
            if (!ReadFully(m_fd, disk.data(), t.blockSize, at.blockOffset))
                changed();
            cipher = disk;
            BlockCipher::DecryptBlock(cipher.data(), cipher.size(), t.encryption, at.blockNumber);
            unsigned char* plain = cipher.data() + inBlock;
            if (std::memcmp(plain, RecordData(record), t.recordSize) != 0)
                changed();
            std::memcpy(plain, newBytes, t.recordSize);
            BlockCipher::EncryptBlock(cipher.data(), cipher.size(), t.encryption, at.blockNumber);
        }
        // Only the bytes that differ from the disk's are written, which leaves
        // the file exactly as a write of the whole block would.
        qsizetype from = 0;
        qsizetype to = static_cast<qsizetype>(cipher.size());
        while (from < to && cipher[from] == disk[from])
            ++from;
        while (to > from && cipher[to - 1] == disk[to - 1])
            --to;
        if (to > from &&
            !WriteFully(m_fd, cipher.data() + from, to - from, at.blockOffset + spanOffset + from))
            writeFailed();
    }
    std::memcpy(m_bytes.Data() + at.fileOffset, newBytes, t.recordSize);
}

void ParadoxTable::EndWriting() {
    if (m_fd < 0)
        return;
    const bool synced = ::fsync(m_fd) == 0;
    const int error = errno;
    ::close(m_fd);
    m_fd = -1;
    m_writeLock.reset();
    if (!synced)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_path) +
                            QStringLiteral(" δεν γράφτηκε στο δίσκο: ") +
                            QString::fromLocal8Bit(std::strerror(error)));
}

void ParadoxTable::Sync() {
    if (m_fd >= 0 && ::fsync(m_fd) != 0)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_path) +
                            QStringLiteral(" δεν γράφτηκε στο δίσκο: ") +
                            QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace ekaldo::schooldb
