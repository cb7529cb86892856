#include "schooldb/builder/TableBuilder.h"

#include "base/CodePage1253.h"
#include "schooldb/BlockCipher.h"
#include "schooldb/DatabaseError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "schooldb/PxLib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace ekaldo::schooldb {
namespace {

struct PxErrors {
    QString first;
};

void CollectError(pxdoc_t* doc, int /*level*/, const char* message, void* /*data*/) {
    auto* errors = static_cast<PxErrors*>(doc->errorhandler_user_data);
    if (errors && errors->first.isEmpty())
        errors->first = QString::fromLocal8Bit(message);
}

// pxlib writes parts of its buffers it never set (the free room of a block,
// header bytes of older levels): zeroed memory makes a table the same bytes
// every time it is built from the same rows.
void* ZeroedMemory(pxdoc_t* /*doc*/, size_t size, const char* /*caller*/) {
    return std::calloc(1, size);
}
void* ResizedMemory(pxdoc_t* /*doc*/, void* memory, size_t size, const char* /*caller*/) {
    return std::realloc(memory, size);
}
void FreedMemory(pxdoc_t* /*doc*/, void* memory) {
    std::free(memory);
}

// Owns a pxlib document: closed (header written) and freed on every path.
struct PxDocument {
    pxdoc_t* doc = nullptr;
    bool created = false;
    ~PxDocument() {
        if (doc) {
            if (created)
                PX_close(doc);
            PX_delete(doc);
        }
    }
};

char* PxString(pxdoc_t* doc, const QByteArray& bytes) {
    auto* s = static_cast<char*>(doc->malloc(doc, bytes.size() + 1, "field name"));
    std::memcpy(s, bytes.constData(), bytes.size() + 1);
    return s;
}

int CompareValues(const FieldValue& a, const FieldValue& b) {
    if (a.IsNull() || b.IsNull())
        return int(!a.IsNull()) - int(!b.IsNull());
    const auto number = [](const FieldValue& v) {
        return v.IsInteger()      ? double(v.IntegerValue())
               : v.IsFloat()      ? v.FloatValue()
               : v.LogicalValue() ? 1.0
                                  : 0.0;
    };
    if (a.IsText() && b.IsText())
        return a.TextValue().compare(b.TextValue());
    if (a.IsText() != b.IsText())
        return a.IsText() ? 1 : -1;
    const double x = number(a), y = number(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void PutLe16(QByteArray& bytes, int offset, unsigned value) {
    bytes[offset] = static_cast<char>(value);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutLe32(QByteArray& bytes, int offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// pxlib stores a record at a time, rewriting a block and the header for each
// (under a thousand records a second), so the records of the empty table it
// created are written here in whole blocks: each block full but the last,
// chained forward and back, encrypted with the table's key when it has one,
// and the header's counts set to match.
void AppendRecords(const QString& path, const QList<QByteArray>& records, std::uint32_t lastAutoIncrement) {
    QFile file(path);
    const auto fail = [&](const QString& what) {
        throw DatabaseError(QStringLiteral("Ο πίνακας \"") + path + QStringLiteral("\" δεν δημιουργήθηκε: ") +
                            what);
    };
    if (!file.open(QIODevice::ReadWrite))
        fail(file.errorString());
    QByteArray header = file.read(0x78);
    if (header.size() < 0x58)
        fail(QStringLiteral("κεφαλίδα χωρίς πεδία"));
    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    const int recordSize = h[0] | (h[1] << 8);
    const int headerSize = h[2] | (h[3] << 8);
    const int blockSize = h[5] * 1024;
    const bool hasDataHeader = h[0x39] >= 4 && header.size() >= 0x60;
    const std::uint32_t encryption = hasDataHeader
                                         ? (std::uint32_t(h[0x5C]) | (std::uint32_t(h[0x5D]) << 8) |
                                            (std::uint32_t(h[0x5E]) << 16) | (std::uint32_t(h[0x5F]) << 24))
                                         : 0;
    if (recordSize <= 0 || blockSize <= 6 || file.size() != headerSize)
        fail(QStringLiteral("απρόσμενη κεφαλίδα από το pxlib"));
    const qsizetype perBlock = (blockSize - 6) / recordSize;
    const qsizetype blocks = (records.size() + perBlock - 1) / perBlock;
    if (blocks > 0xFFFF)
        fail(QStringLiteral("πάρα πολλές εγγραφές"));
    if (!file.seek(headerSize))
        fail(file.errorString());
    QByteArray block(blockSize, '\0');
    for (qsizetype b = 0; b < blocks; ++b) {
        block.fill('\0');
        const qsizetype first = b * perBlock;
        const qsizetype count = std::min(perBlock, records.size() - first);
        PutLe16(block, 0, b + 1 < blocks ? unsigned(b + 2) : 0);
        PutLe16(block, 2, unsigned(b));
        PutLe16(block, 4, static_cast<std::uint16_t>((count - 1) * recordSize));
        for (qsizetype r = 0; r < count; ++r)
            std::memcpy(block.data() + 6 + r * recordSize, records[first + r].constData(), recordSize);
        if (encryption != 0)
            BlockCipher::EncryptBlock(reinterpret_cast<unsigned char*>(block.data()), blockSize, encryption,
                                      static_cast<std::uint32_t>(b + 1));
        if (file.write(block) != blockSize)
            fail(file.errorString());
    }
    PutLe32(header, 0x06, static_cast<std::uint32_t>(records.size()));
    PutLe16(header, 0x0A, unsigned(blocks));
    PutLe16(header, 0x0C, unsigned(blocks));
    PutLe16(header, 0x0E, blocks > 0 ? 1 : 0);
    PutLe16(header, 0x10, unsigned(blocks));
    if (hasDataHeader && header.size() >= 0x4D)
        PutLe32(header, 0x49, lastAutoIncrement);
    if (!file.seek(0) || file.write(header) != header.size() || !file.flush())
        fail(file.errorString());
}

} // namespace

FieldValue ToFieldValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return FieldValue::Logical(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return FieldValue::Integer(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldValue::Float(value.toDouble());
    default:
        return FieldValue::Text(value.toString());
    }
}

TableBuilder::TableBuilder(QString fileName) : m_fileName(std::move(fileName)) {}

TableBuilder& TableBuilder::FieldOfType(const QString& name, FieldType type, int length) {
    if (!m_records.isEmpty())
        throw DatabaseError(QStringLiteral("Τα πεδία του πίνακα ορίζονται πριν από τις εγγραφές του."));
    m_fields.append(FieldDef{name, type, length, m_recordSize});
    m_recordSize += length;
    return *this;
}

TableBuilder& TableBuilder::Alpha(const QString& name, int length) {
    return FieldOfType(name, FieldType::Alpha, length);
}
TableBuilder& TableBuilder::Short(const QString& name) {
    return FieldOfType(name, FieldType::Short, 2);
}
TableBuilder& TableBuilder::Long(const QString& name) {
    return FieldOfType(name, FieldType::Long, 4);
}
TableBuilder& TableBuilder::AutoIncrement(const QString& name) {
    return FieldOfType(name, FieldType::AutoIncrement, 4);
}
TableBuilder& TableBuilder::Number(const QString& name) {
    return FieldOfType(name, FieldType::Number, 8);
}
TableBuilder& TableBuilder::Logical(const QString& name) {
    return FieldOfType(name, FieldType::Logical, 1);
}

TableBuilder& TableBuilder::Key(int fieldCount) {
    if (!m_records.isEmpty())
        throw DatabaseError(QStringLiteral("Το κλειδί του πίνακα ορίζεται πριν από τις εγγραφές του."));
    m_keyFields = fieldCount;
    return *this;
}

TableBuilder& TableBuilder::Password(const QString& password) {
    m_password = password;
    return *this;
}

TableBuilder& TableBuilder::CodePage(int number) {
    if (!m_records.isEmpty())
        throw DatabaseError(QStringLiteral("Η κωδικοσελίδα του πίνακα ορίζεται πριν από τις εγγραφές του."));
    m_codePage = number;
    return *this;
}

TableCodePage TableBuilder::Page() const {
    const auto page = TableCodePage::ForNumber(m_codePage);
    if (!page)
        throw DatabaseError(QStringLiteral("Η κωδικοσελίδα %1 δεν υποστηρίζεται.").arg(m_codePage));
    return *page;
}

TableBuilder& TableBuilder::Row(const QVariantList& values) {
    if (values.size() != m_fields.size())
        throw DatabaseError(
            QStringLiteral("Ο πίνακας \"%1\" έχει %2 πεδία αλλά δόθηκαν %3 τιμές.")
                .arg(m_fileName, QString::number(m_fields.size()), QString::number(values.size())));
    const TableCodePage page = Page();
    QByteArray record(m_recordSize, '\0');
    QList<FieldValue> key;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const FieldValue value = ToFieldValue(values[i]);
        EncodeFieldValue(m_fields[i], page, m_fileName, reinterpret_cast<unsigned char*>(record.data()),
                         value);
        if (i < m_keyFields)
            key.append(value);
        if (m_fields[i].type == FieldType::AutoIncrement && value.IsInteger() && value.IntegerValue() > 0)
            m_lastAutoIncrement = std::max<std::uint32_t>(m_lastAutoIncrement, value.IntegerValue());
    }
    m_records.append(record);
    m_keys.append(key);
    return *this;
}

TableBuilder& TableBuilder::Rows(const QList<QVariantList>& rows) {
    for (const QVariantList& row : rows)
        Row(row);
    return *this;
}

QString TableBuilder::Write(const QString& folder) const {
    const QString path = QDir(folder).filePath(m_fileName);
    const TableCodePage page = Page();
    if (m_fields.isEmpty() || m_keyFields < 0 || m_keyFields > m_fields.size())
        throw DatabaseError(QStringLiteral("Ο πίνακας \"%1\" δεν έχει σωστό ορισμό πεδίων.").arg(m_fileName));
    const QList<QByteArray>& records = m_records;
    const QList<QList<FieldValue>>& keys = m_keys;
    QList<qsizetype> order(records.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = i;
    if (m_keyFields > 0)
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            for (int k = 0; k < m_keyFields; ++k)
                if (const int c = CompareValues(keys[a][k], keys[b][k]); c != 0)
                    return c < 0;
            return false;
        });

    QFile::remove(path);
    PxErrors errors;
    PxDocument px;
    px.doc = PX_new2(CollectError, ZeroedMemory, ResizedMemory, FreedMemory);
    if (!px.doc)
        throw DatabaseError(
            QStringLiteral("Δεν ήταν δυνατό να ετοιμαστεί ο πίνακας \"%1\".").arg(m_fileName));
    px.doc->errorhandler_user_data = &errors;
    const auto fail = [&](const QString& what) {
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + QLatin1Char('"') + path + QLatin1Char('"') +
                            QStringLiteral(" δεν δημιουργήθηκε: ") + what +
                            (errors.first.isEmpty() ? QString() : QStringLiteral(" (") + errors.first + ')'));
    };
    // pxlib takes the field list and its names over and frees them when the table closes.
    auto* fields =
        static_cast<pxfield_t*>(px.doc->malloc(px.doc, sizeof(pxfield_t) * m_fields.size(), "fields"));
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        QByteArray name;
        if (page.EncodeInto(m_fields[i].name, name))
            fail(QStringLiteral("όνομα πεδίου ") + m_fields[i].name);
        fields[i].px_fname = PxString(px.doc, name);
        fields[i].px_ftype = static_cast<char>(m_fields[i].type);
        fields[i].px_flen = m_fields[i].length;
        fields[i].px_fdc = 0;
    }
    const QByteArray nativePath = QFile::encodeName(path);
    if (PX_create_file(px.doc, fields, static_cast<int>(m_fields.size()), nativePath.constData(),
                       m_keyFields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) < 0)
        fail(QStringLiteral("η δημιουργία του αρχείου απέτυχε"));
    px.created = true;
    const QByteArray tableName = QFileInfo(m_fileName).completeBaseName().toLatin1();
    if (PX_set_parameter(px.doc, "tablename", tableName.constData()) < 0 ||
        PX_set_value(px.doc, "codepage", static_cast<float>(m_codePage)) < 0 ||
        PX_set_value(px.doc, "numprimkeys", static_cast<float>(m_keyFields)) < 0)
        fail(QStringLiteral("οι παράμετροι του πίνακα δεν ορίστηκαν"));
    if (!m_password.isEmpty()) {
        const QByteArray password = CodePage1253::Encode(m_password);
        if (PX_set_parameter(px.doc, "password", password.constData()) < 0)
            fail(QStringLiteral("το σύνθημα δεν ορίστηκε"));
    }
    PX_close(px.doc);
    px.created = false;
    if (!errors.first.isEmpty())
        fail(QStringLiteral("η κεφαλίδα δεν γράφτηκε"));

    QList<QByteArray> ordered;
    ordered.reserve(order.size());
    for (const qsizetype i : order)
        ordered.append(records[i]);
    AppendRecords(path, ordered, m_lastAutoIncrement);
    return path;
}

} // namespace ekaldo::schooldb
