// On a generated school of 10,000 students with 30 subjects each (300,000
// grade records), sets side by side: reading every table against a plain
// read() of its bytes; the student query over all levels; 30,000 scattered
// grade stores against pxlib's get-record and put-record for the same records.
#include "core/compose/ColumnSettings.h"
#include "core/compose/SheetComposition.h"
#include "schooldb/BlockCipher.h"
#include "schooldb/ParadoxTable.h"
#include "schooldb/PxLib.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <bit>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace ekaldo::schooldb;
using ekaldo::bench::Best;
using ekaldo::bench::PlainRead;

namespace {

// The same bytes through one small buffer used again and again: the bare cost of the copy.
qint64 StreamRead(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    std::vector<char> buffer(1 << 20);
    qint64 total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += n;
    ::close(fd);
    return total;
}

// Decodes every field of every record, a record at a time as the query
// engine's load does; the bits of the numbers added up, so that nothing of the
// work can be left out. A function of its own: in the measuring lambda the sum
// lived in memory through the captured reference, and the loop measured that
// chain of stores rather than the decoding.
[[gnu::noinline]] std::uint64_t DecodeEveryField(const ParadoxTable& table) {
    std::uint64_t sum = 0;
    for (qint64 r = 0; r < table.RecordCount(); ++r) {
        table.ForEachValue(table.RecordData(r), [&sum](int, const FieldValue& v) {
            sum += v.IsFloat() ? std::bit_cast<std::uint64_t>(v.FloatValue()) : !v.IsNull();
        });
    }
    return sum;
}

const QStringList kTables{"STUDENT.DB", "GUARDIAN.DB", "COURSE.DB", "CLASS.DB", "LEVEL.DB",
                          "SUBJECT.DB", "METHOD.DB",   "GRADE.DB",  "USER.DB"};

// The query the program runs for a sheet of every level, class and course.
ekaldo::StudentQueryText StudentQuery() {
    return ekaldo::BuildStudentQuery(ekaldo::SheetComposition(), ekaldo::DefaultSortOrder());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path();
    GeneratedSchoolSize size;
    size.students = ekaldo::bench::BenchStudents();
    ekaldo::bench::WriteSchoolAndSay(folder, size);

    Session session;
    session.AddPassword(DataTablePassword());
    session.AddPassword(UserTablePassword());
    const QString grade = QDir(folder).filePath("GRADE.DB");

    qint64 bytes = 0;
    const double plain = Best(5, [&] {
        bytes = 0;
        for (const QString& t : kTables)
            bytes += PlainRead(QDir(folder).filePath(t));
    });
    const double stream = Best(5, [&] {
        for (const QString& t : kTables)
            StreamRead(QDir(folder).filePath(t));
    });
    const double open = Best(5, [&] {
        for (const QString& t : kTables)
            ParadoxTable::Open(QDir(folder).filePath(t), session.Check());
    });
    std::uint64_t checksum = 0;
    const double decode = Best(3, [&] {
        for (const QString& t : kTables) {
            checksum += DecodeEveryField(*ParadoxTable::Open(QDir(folder).filePath(t), session.Check()));
        }
    });
    // The tables are encrypted: libpx's block cipher alone, over the same bytes already in memory.
    QList<QByteArray> contents;
    for (const QString& t : kTables) {
        QFile file(QDir(folder).filePath(t));
        file.open(QIODevice::ReadOnly);
        contents.append(file.readAll());
    }
    const double cipher = Best(3, [&] {
        for (QByteArray& bytes : contents) {
            const int header = static_cast<uchar>(bytes[2]) | (static_cast<uchar>(bytes[3]) << 8);
            const int block = static_cast<uchar>(bytes[5]) * 1024;
            std::vector<unsigned char> plainBlock(block);
            for (qint64 at = header, n = 1; at + block <= bytes.size(); at += block, ++n)
                BlockCipher::DecryptBlockInto(reinterpret_cast<unsigned char*>(bytes.data()) + at,
                                              plainBlock.data(), block, 0x12345678u,
                                              static_cast<std::uint32_t>(n));
        }
    });
    std::printf(
        "read all tables (%.1f MB): plain read() into a whole-file buffer %.1f ms (through a 1 MB buffer "
        "%.1f ms); open and validate %.1f ms (%.2fx); open and decode every field %.1f ms (%.2fx); "
        "libpx's block cipher alone over the same bytes %.1f ms\n",
        bytes / 1e6, plain, stream, open, open / plain, decode, decode / plain, cipher);

    {
        // The same school without table passwords: the codec's own cost.
        QTemporaryDir plainDir;
        GeneratedSchoolSize unencrypted = size;
        unencrypted.encrypted = false;
        WriteGeneratedSchool(plainDir.path(), unencrypted);
        const double plainRead = Best(5, [&] {
            for (const QString& t : kTables)
                PlainRead(QDir(plainDir.path()).filePath(t));
        });
        const double plainOpen = Best(5, [&] {
            for (const QString& t : kTables)
                ParadoxTable::Open(QDir(plainDir.path()).filePath(t), session.Check());
        });
        const double plainDecode = Best(3, [&] {
            for (const QString& t : kTables) {
                checksum +=
                    DecodeEveryField(*ParadoxTable::Open(QDir(plainDir.path()).filePath(t), session.Check()));
            }
        });
        std::printf(
            "the same tables without passwords: plain read() %.1f ms; open and validate %.1f ms (%.2fx); "
            "open and decode every field %.1f ms (%.2fx)\n",
            plainRead, plainOpen, plainOpen / plainRead, plainDecode, plainDecode / plainRead);
    }

    Database db(session);
    db.SetParams({QStringLiteral("PATH=") + folder});
    int rows = 0;
    Query query(db);
    query.SetSql(StudentQuery().lines);
    query.SetOrderFields(StudentQuery().orderFields);
    const double cold = Best(1, [&] {
        query.Open();
        rows = query.RecordCount();
        query.Close();
    });
    Table keep(db); // keeps the connection and the loaded tables
    keep.SetTableName(QStringLiteral("LEVEL.DB"));
    keep.Open();
    query.Open();
    query.Close();
    const double warm = Best(3, [&] {
        query.Open();
        rows = query.RecordCount();
        query.Close();
    });
    keep.Close();
    std::printf("student query over all levels (%d rows): tables loaded %.1f ms, loaded already %.1f ms\n",
                rows, cold, warm);

    const int stores = 30000;
    QList<int> records;
    {
        QRandomGenerator random(7);
        for (int i = 0; i < stores; ++i)
            records.append(random.bounded(size.students * size.subjectsPerStudent));
    }
    const double ours = Best(1, [&] {
        const auto table = ParadoxTable::Open(grade, session.Check());
        const int field = table->Layout().FieldIndex(u"GRD2");
        for (int i = 0; i < stores; ++i) {
            QByteArray record = table->RecordBytes(records[i]);
            table->Encode(reinterpret_cast<unsigned char*>(record.data()), field,
                          FieldValue::Float(1 + i % 20));
            table->StoreRecord(records[i], record);
        }
        table->Sync();
    });
    const double px = Best(1, [&] {
        pxdoc_t* doc = PX_new();
        if (PX_open_file(doc, QFile::encodeName(grade).constData()) < 0) {
            std::printf("pxlib cannot open GRADE.DB\n");
            return;
        }
        const int recordSize = PX_get_recordsize(doc);
        std::vector<char> buffer(recordSize + 1);
        const int offset = 4 + 4 + 1 + 6 * 4 + 4 * 8 + 8; // GRD2
        for (int i = 0; i < stores; ++i) {
            PX_get_record(doc, records[i], buffer.data());
            PX_put_data_double(doc, buffer.data() + offset, 8, 1 + (i + 7) % 20);
            PX_put_recordn(doc, buffer.data(), records[i]);
        }
        PX_close(doc);
        PX_delete(doc);
    });
    std::printf(
        "%d scattered grade stores: engine %.0f ms (%.0f per second); pxlib %.0f ms; engine/pxlib %.2f\n",
        stores, ours, stores / (ours / 1000), px, ours / px);
    return checksum == 42 ? 1 : 0;
}
