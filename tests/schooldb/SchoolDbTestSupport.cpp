#include "SchoolDbTestSupport.h"

#include "base/CodePage1253.h"
#include "schooldb/PxLib.h"
#include "schooldb/builder/SchoolTables.h"
#include "schooldb/TablePasswords.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace ekaldo::testing {

using namespace schooldb;

PxTable ReadWithPxlib(const QString& path) {
    PxTable out;
    std::unique_ptr<pxdoc_t, void (*)(pxdoc_t*)> doc(PX_new(), [](pxdoc_t* d) {
        PX_close(d);
        PX_delete(d);
    });
    if (PX_open_file(doc.get(), QFile::encodeName(path).constData()) < 0) {
        ADD_FAILURE() << "pxlib cannot open " << path.toStdString();
        return out;
    }
    const int fieldCount = PX_get_num_fields(doc.get());
    const int recordSize = PX_get_recordsize(doc.get());
    pxfield_t* fields = PX_get_fields(doc.get());
    for (int i = 0; i < fieldCount; ++i) {
        out.names.append(CodePage1253::Decode(QByteArray(fields[i].px_fname)));
        out.types.append(fields[i].px_ftype);
    }
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
            switch (fields[i].px_ftype) {
            case pxfAlpha: {
                char* text = nullptr;
                if (PX_get_data_alpha(doc.get(), p, length, &text) > 0 && text) {
                    record.append(FieldValue::Text(CodePage1253::Decode(QByteArray(text))));
                    doc->free(doc.get(), text);
                } else {
                    record.append(FieldValue());
                }
                break;
            }
            case pxfShort: {
                short value = 0;
                record.append(PX_get_data_short(doc.get(), p, length, &value) > 0 ? FieldValue::Integer(value)
                                                                                  : FieldValue());
                break;
            }
            case pxfLong:
            case pxfAutoInc: {
                // pxlib reads the blank pattern, all zero bytes, as -2147483648.
                if (QByteArrayView(p, length) == QByteArray(length, '\0')) {
                    record.append(FieldValue());
                    break;
                }
                long value = 0;
                record.append(PX_get_data_long(doc.get(), p, length, &value) > 0 ? FieldValue::Integer(value)
                                                                                 : FieldValue());
                break;
            }
            case pxfNumber: {
                double value = 0;
                record.append(PX_get_data_double(doc.get(), p, length, &value) > 0 ? FieldValue::Float(value)
                                                                                   : FieldValue());
                break;
            }
            case pxfLogical: {
                char value = 0;
                record.append(PX_get_data_byte(doc.get(), p, length, &value) > 0
                                  ? FieldValue::Logical((value & 0x7F) != 0)
                                  : FieldValue());
                break;
            }
            default:
                record.append(FieldValue());
            }
            p += length;
        }
        out.records.append(record);
    }
    return out;
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
    SchoolTables::Level()
        .Row({QStringLiteral("ΓΥ"), QStringLiteral("Γυμνάσιο")})
        .Row({QStringLiteral("ΛΥ"), QStringLiteral("Λύκειο")})
        .Write(folder);
    SchoolTables::Method().Row({1, 1.0, 20.0}).Row({2, 0.0, 10.0}).Write(folder);
    SchoolTables::Class()
        .Row({1, QStringLiteral("ΓΥ"), QVariant(), 1, QStringLiteral("Α")})
        .Row({2, QStringLiteral("ΛΥ"), QVariant(), 2, QStringLiteral("Α")})
        .Write(folder);
    SchoolTables::Course()
        .Row({10, 1, QStringLiteral("Α1")})
        .Row({20, 2, QStringLiteral("ΑΛ1")})
        .Write(folder);
    SchoolTables::Subject()
        .Row({1, QStringLiteral("Άλγεβρα"), QVariant(), 1, true})
        .Row({2, QVariant(), QStringLiteral("Θετική"), 1, true})
        .Row({3, QStringLiteral("Φυσική"), QVariant(), 2, false})
        .Write(folder);
    SchoolTables::Student()
        .Row({1, QStringLiteral("Ωραίος"), QStringLiteral("Νίκος"), QStringLiteral("Μ1"), 10})
        .Row({2, QStringLiteral("Άγγελος"), QStringLiteral("Ελένη"), QStringLiteral("Μ2"), 10})
        .Row({3, QStringLiteral("αβραμίδης"), QStringLiteral("Γιώργος"), QStringLiteral("Μ3"), 20})
        .Row({4, QStringLiteral("Βλάχος"), QStringLiteral("Άννα"), QStringLiteral("Μ4"), 20})
        .Write(folder);
    SchoolTables::Guardian()
        .Row({1, QStringLiteral("Πέτρος")})
        .Row({2, QStringLiteral("Σπύρος")})
        .Row({3, QStringLiteral("Ιωάννης")})
        .Write(folder);
    // Stored out of key order on purpose: the index keeps equal students in this order.
    TableBuilder grade = SchoolTables::Grade();
    grade.Key(0);
    const int gradeFields = static_cast<int>(SchoolTables::GradeFieldNames().size());
    const auto row = [&](int student, int subject, bool on, QVariant grd1) {
        QVariantList values{student, subject, on};
        for (int i = 0; i < gradeFields; ++i)
            values.append(QVariant());
        values[3 + 10] = grd1;
        return values;
    };
    grade.Row(row(3, 3, true, 7.5))
        .Row(row(1, 2, true, 15.0))
        .Row(row(2, 1, false, QVariant()))
        .Row(row(1, 1, true, 12.0))
        .Write(folder);
    SchoolTables::User()
        .Row({QStringLiteral("TALMIR"), QStringLiteral("TALMIR"), QStringLiteral("Admin"), 0,
              QStringLiteral("2025"), QString(32, QLatin1Char('1'))})
        .Row({QStringLiteral("MARIA"), QStringLiteral("ΜΑΡΙΑ"), QStringLiteral("Teachers"), 2,
              QStringLiteral("2025"), QStringLiteral("00000001")})
        .Write(folder);
}

} // namespace ekaldo::testing
