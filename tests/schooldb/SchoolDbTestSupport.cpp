#include "SchoolDbTestSupport.h"

#include "schooldb/PxLib.h"
#include "schooldb/builder/SchoolTables.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace ekaldo::testing {

using namespace schooldb;

Records ReadWithPxlib(const QString& path, int codePage) {
    Records out;
    const TableCodePage page = *TableCodePage::ForNumber(codePage);
    const auto text = [&](const char* bytes, qsizetype size) {
        return FieldValue::Text(page.Decode(reinterpret_cast<const unsigned char*>(bytes), size));
    };
    // pxlib's own handler ends the process on an error: a failure of the test instead.
    const auto report = [](pxdoc_t*, int, const char* what, void*) { ADD_FAILURE() << "pxlib: " << what; };
    // pxlib leaves parts of its header unset for levels below 4.0 and reads
    // them later: zeroed memory keeps it from wandering off.
    const auto zeroed = [](pxdoc_t*, size_t size, const char*) { return std::calloc(1, size); };
    const auto resize = [](pxdoc_t*, void* old, size_t size, const char*) { return std::realloc(old, size); };
    const auto release = [](pxdoc_t*, void* memory) { std::free(memory); };
    const auto close = [](pxdoc_t* d) {
        PX_close(d);
        PX_delete(d);
    };
    std::unique_ptr<pxdoc_t, decltype(close)> doc(PX_new2(report, zeroed, resize, release), close);
    const auto date = [](long sdn) {
        int year = 0, month = 0, day = 0;
        PX_SdnToGregorian(sdn, &year, &month, &day);
        return QDate(year, month, day);
    };
    if (PX_open_file(doc.get(), QFile::encodeName(path).constData()) < 0) {
        ADD_FAILURE() << "pxlib cannot open " << path.toStdString();
        return out;
    }
    const int fieldCount = PX_get_num_fields(doc.get());
    const int recordSize = PX_get_recordsize(doc.get());
    pxfield_t* fields = PX_get_fields(doc.get());
    // One spare byte: pxlib reads one past a full-width Alpha at the record's end.
    QByteArray buffer(recordSize + 1, '\0');
    for (int r = 0; r < PX_get_num_records(doc.get()); ++r) {
        if (!PX_get_record(doc.get(), r, buffer.data())) {
            ADD_FAILURE() << "pxlib cannot read record " << r;
            return out;
        }
        char* p = buffer.data();
        QList<FieldValue> record;
        for (int i = 0; i < fieldCount; ++i) {
            const int length = fields[i].px_flen;
            const int type = fields[i].px_ftype;
            FieldValue value;     // null unless pxlib reads one
            char* data = nullptr; // what pxlib allocated for the value
            short small = 0;
            char byte = 0;
            long whole = 0;
            double real = 0;
            switch (type) {
            case pxfAlpha:
                if (PX_get_data_alpha(doc.get(), p, length, &data) > 0 && data)
                    value = text(data, qstrlen(data));
                break;
            case pxfBCD:
                if (PX_get_data_bcd(doc.get(), reinterpret_cast<unsigned char*>(p), fields[i].px_fdc, &data) >
                        0 &&
                    data)
                    value = FieldValue::DecimalText(QString::fromLatin1(data).replace(',', '.'));
                break;
            case pxfBytes:
                if (PX_get_data_bytes(doc.get(), p, length, &data) > 0 && data)
                    value = FieldValue::Bytes(QByteArray(data, length));
                break;
            case pxfShort:
                if (PX_get_data_short(doc.get(), p, length, &small) > 0)
                    value = FieldValue::Integer(small);
                break;
            case pxfLogical:
                if (PX_get_data_byte(doc.get(), p, length, &byte) > 0)
                    value = FieldValue::Logical((byte & 0x7F) != 0);
                break;
            case pxfNumber:
            case pxfCurrency:
                if (PX_get_data_double(doc.get(), p, length, &real) > 0)
                    value = FieldValue::Float(real);
                break;
            case pxfTimestamp:
                if (PX_get_data_double(doc.get(), p, length, &real) > 0) {
                    const auto ms = static_cast<qint64>(real);
                    const qint64 days = ms / 86400000;
                    value = FieldValue::Timestamp(
                        QDateTime(date(days + 1721425),
                                  QTime::fromMSecsSinceStartOfDay(int(ms - days * 86400000)), Qt::UTC));
                }
                break;
            case pxfLong:
            case pxfAutoInc:
            case pxfDate:
            case pxfTime:
                // pxlib reads the blank pattern, all zero bytes, as -2147483648.
                if (QByteArrayView(p, length) == QByteArray(length, '\0') ||
                    PX_get_data_long(doc.get(), p, length, &whole) <= 0)
                    break;
                value = type == pxfDate   ? FieldValue::Date(date(whole + 1721425))
                        : type == pxfTime ? FieldValue::Time(QTime::fromMSecsSinceStartOfDay(int(whole)))
                                          : FieldValue::Integer(whole);
                break;
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb:
            case pxfBLOb:
            case pxfOLE:
            case pxfGraphic: {
                // pxlib 0.6.8 overruns its stack opening any memo file of whole
                // 4k blocks, so it only reads the values kept in the record here.
                const auto* leader = reinterpret_cast<const unsigned char*>(p) + length - 10;
                const int stored = leader[4] | (leader[5] << 8) | (leader[6] << 16) | (leader[7] << 24);
                int mod = 0, size = 0;
                if (stored > length - 10)
                    value = FieldValue::Missing(QStringLiteral("pxlib"));
                else if (PX_get_data_blob(doc.get(), p, length, &mod, &size, &data) > 0 && size > 0)
                    value = type == pxfMemoBLOb || type == pxfFmtMemoBLOb ? text(data, size)
                                                                          : FieldValue::Binary(size);
                break;
            }
            }
            if (data)
                doc->free(doc.get(), data);
            record.append(value);
            p += length;
        }
        out.append(record);
    }
    return out;
}

void ConvertToLevel(const QString& path, int versionId) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    auto* h = reinterpret_cast<unsigned char*>(bytes.data());
    ASSERT_EQ(h[0x39], 12) << "pxlib writes level 7";
    if (versionId == 12)
        return;
    const int headerSize = h[2] | (h[3] << 8);
    const int fieldCount = h[0x21] | (h[0x22] << 8);
    const int descriptors = 2 * fieldCount + 4 + 4 * fieldCount; // types, then name pointers
    const int names = 0x78 + descriptors + 261;
    int namesEnd = names;
    for (int i = 0; i < fieldCount; ++i)
        namesEnd = bytes.indexOf('\0', namesEnd) + 1;
    QByteArray header = bytes.left(0x58);
    if (versionId >= 5)
        header += bytes.mid(0x58, 0x20);
    else if (const QByteArray key = bytes.mid(0x5C, 4); key != QByteArray(4, '\0'))
        header.replace(0x25, 4, key); // the one key word of the old levels
    header += bytes.mid(0x78, descriptors);
    header += bytes.mid(0x78 + descriptors, 79); // the table name, shorter below level 7
    header += bytes.mid(names, namesEnd - names);
    ASSERT_LE(header.size(), headerSize);
    header.append(QByteArray(headerSize - header.size(), '\0'));
    header[0x39] = static_cast<char>(versionId);
    bytes.replace(0, headerSize, header);
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

Records ReadWithEngine(const QString& path, const QString& password) {
    Session session;
    if (!password.isEmpty())
        session.AddPassword(password);
    const auto table = ParadoxTable::Open(path, session.Check());
    Records out;
    for (qint64 r = 0; r < table->RecordCount(); ++r) {
        QList<FieldValue> record;
        for (int f = 0; f < table->FieldCount(); ++f)
            record.append(table->Value(r, f));
        // The whole-record reader must give the same fields in the same order.
        QList<FieldValue> whole;
        table->ForEachValue(table->RecordData(r), [&](int f, const FieldValue& value) {
            EXPECT_EQ(f, whole.size()) << "record " << r;
            whole.append(value);
        });
        EXPECT_EQ(whole, record) << "record " << r;
        out.append(record);
    }
    return out;
}

QString SamplesFolder() {
    QString shared = qEnvironmentVariable("EKALDO_SHARED_DIR");
    if (shared.isEmpty())
        shared = QStringLiteral(EKALDO_DEFAULT_SHARED_DIR);
    const QString folder = QDir(shared).filePath(QStringLiteral("paradox-samples"));
    return QDir(folder).exists() ? folder : QString();
}

void WriteSmallSchool(const QString& folder) {
    SchoolTables::Method().Rows({{1, 1.0, 20.0}, {2, 0.0, 10.0}}).Write(folder);
    SchoolTables::Class().Rows({{1, "ΓΥ", QVariant(), 1, "Α"}, {2, "ΛΥ", QVariant(), 2, "Α"}}).Write(folder);
    SchoolTables::Subject()
        .Rows({{1, "Άλγεβρα", QVariant(), 1, true},
               {2, QVariant(), "Θετική", 1, true},
               {3, "Φυσική", QVariant(), 2, false}})
        .Write(folder);
    SchoolTables::Student()
        .Rows({{1, "Ωραίος", "Νίκος", "Μ1", 10},
               {2, "Άγγελος", "Ελένη", "Μ2", 10},
               {3, "αβραμίδης", "Γιώργος", "Μ3", 20},
               {4, "Βλάχος", "Άννα", "Μ4", 20}})
        .Write(folder);
    // Stored out of key order on purpose: the index keeps equal students in this order.
    SchoolTables::Grade()
        .Key(0)
        .Rows({SchoolTables::GradeRow(3, 3, true, {{"GRD1", 7.5}}),
               SchoolTables::GradeRow(1, 2, true, {{"GRD1", 15.0}}), SchoolTables::GradeRow(2, 1, false),
               SchoolTables::GradeRow(1, 1, true, {{"GRD1", 12.0}})})
        .Write(folder);
}

} // namespace ekaldo::testing
