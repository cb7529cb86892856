// The table codec: what it reads against pxlib, what it refuses, and what a
// store changes on disk.
#include "SchoolDbTestSupport.h"

#include "schooldb/BlockCipher.h"
#include "schooldb/DatabaseError.h"
#include "schooldb/ParadoxTable.h"
#include "schooldb/TableLock.h"
#include "schooldb/builder/TableBuilder.h"
#include "support/OtherProgramsLock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cmath>

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

const QString kPassword = QStringLiteral("31415");

// Every type the engine reads, with nulls and the edges of each range.
TableBuilder AllTypes(const QString& name) {
    TableBuilder t(name);
    t.AutoIncrement("ID").Alpha("NAME", 12).Short("S").Long("L").Number("N").Logical("B").Alpha("LAST", 5);
    t.Row({1, QStringLiteral("Άλφα ΣΊΓΜΑ"), -32767, 2147483647, -1.387, true, QStringLiteral("ΩΩΩΩΩ")})
        .Row({2, QStringLiteral("plain"), 32767, -2147483647, 0.0, false, QStringLiteral("a")})
        .Row({3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()})
        .Row({4, QStringLiteral("ϊΰ€"), 0, 0, 1e300, true, QStringLiteral("x")})
        .Row({5, QStringLiteral("123456789012"), -1, -1, -2.5e-300, false, QVariant()});
    return t;
}

QList<qsizetype> ChangedBytes(const QByteArray& before, const QByteArray& after) {
    QList<qsizetype> changed;
    EXPECT_EQ(before.size(), after.size());
    for (qsizetype i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i])
            changed.append(i);
    return changed;
}

void ExpectRefused(const QString& path, const QByteArray& bytes, const char* why) {
    WriteBytes(path, bytes);
    const QString message = ErrorOf<DatabaseError>([&] { ParadoxTable::Open(path, {}); });
    EXPECT_TRUE(message.contains(path)) << why << ": " << message.toStdString();
}

// Five records of ID and GRD1 = 1, under password when one is given.
QString SmallGradeTable(const QString& folder, const QString& password) {
    TableBuilder t(QStringLiteral("G.DB"));
    t.Password(password).Long("ID").Number("GRD1");
    for (int i = 1; i <= 5; ++i)
        t.Row({i, 1.0});
    return t.Write(folder);
}

void StoreGrade(ParadoxTable& table, qint64 record, double value) {
    QByteArray bytes = table.RecordBytes(record);
    table.Encode(reinterpret_cast<unsigned char*>(bytes.data()), 1, FieldValue::Float(value));
    table.StoreRecord(record, bytes);
}

} // namespace

TEST(ParadoxTable, ReadsEveryTypeAsPxlibDoesPlainAndEncrypted) {
    TempFolder folder;
    const QString plain = AllTypes(QStringLiteral("PLAIN.DB")).Write(folder.Path());
    const QString locked = AllTypes(QStringLiteral("LOCKED.DB")).Password(kPassword).Write(folder.Path());
    for (const auto& [path, password] : {std::pair{plain, QString()}, std::pair{locked, kPassword}}) {
        const Records engine = ReadWithEngine(path, password);
        ASSERT_EQ(engine.size(), 5);
        EXPECT_EQ(engine, ReadWithPxlib(path)) << path.toStdString();
    }
    const Records r = ReadWithEngine(plain);
    EXPECT_EQ(r[0][1], FieldValue::Text(QStringLiteral("Άλφα ΣΊΓΜΑ")));
    EXPECT_EQ(r[0][2], FieldValue::Integer(-32767));
    EXPECT_EQ(r[1][3], FieldValue::Integer(-2147483647));
    EXPECT_EQ(r[0][4], FieldValue::Float(-1.387));
    EXPECT_EQ(r[1][4], FieldValue::Float(0.0)) << "a stored zero is not a null";
    EXPECT_EQ(r[1][5], FieldValue::Logical(false)) << "a stored false is not a null";
    for (int f = 1; f < 7; ++f)
        EXPECT_TRUE(r[2][f].IsNull()) << f;
    EXPECT_EQ(r[3][1], FieldValue::Text(QStringLiteral("ϊΰ€")));
    EXPECT_EQ(r[4][1], FieldValue::Text(QStringLiteral("123456789012"))) << "a full-width Alpha";
}

// The cipher's keys are learned once per table key; libpx stays the oracle for
// random blocks of every size, any block number, and keys of any kind.
TEST(ParadoxTable, CipherKeysDecryptAndPlaceBytesAsLibpxDoes) {
    QRandomGenerator random(16);
    for (const std::uint32_t key : {BlockCipher::PasswordChecksum("31415"), random.generate(), 1u}) {
        const auto keys = BlockCipher::TableKeys::For(key);
        ASSERT_TRUE(keys) << key;
        for (int i = 0; i < 24; ++i) {
            const std::size_t size = (random.bounded(32) + 1) * 1024;
            const auto n = static_cast<std::uint32_t>(random.bounded(1, 65536));
            std::vector<unsigned char> plain(size);
            for (unsigned char& byte : plain)
                byte = static_cast<unsigned char>(random.bounded(256));
            std::vector<unsigned char> cipher = plain;
            BlockCipher::EncryptBlock(cipher.data(), size, key, n);
            std::vector<unsigned char> placed(size);
            for (std::size_t at = 0; at < size; ++at) {
                const BlockCipher::TableKeys::Landing landing = keys->Land(at, n);
                placed[landing.cipherAt] = plain[at] ^ landing.stream;
            }
            EXPECT_EQ(placed, cipher) << key << " block " << n << " of " << size;
            std::vector<unsigned char> bytewise = cipher;
            keys->Decrypt(cipher.data(), size, n);
            EXPECT_EQ(cipher, plain) << key << " block " << n << " of " << size;
            keys->DecryptBytewise(bytewise.data(), size, n);
            EXPECT_EQ(bytewise, plain) << key << " block " << n << " of " << size;
        }
    }
}

// A record at a time, neighbouring fields of one kind are decoded together:
// runs of every kind, of one field and of several, with nulls inside them.
TEST(ParadoxTable, RunsOfFieldsOfOneKindReadAsPxlibReadsThem) {
    TempFolder folder;
    TableBuilder t(QStringLiteral("RUNS.DB"));
    t.Short("S1").Short("S2").Alpha("A", 3).Long("L1").AutoIncrement("ID").Long("L2").Number("N1");
    t.Number("N2").Number("N3").Logical("B1").Logical("B2").Number("LAST");
    t.Row({-32767, 32767, QStringLiteral("Ωω"), 1, 2, -2147483647, 0.0, -1.5, 1e300, true, false, 7.25})
        .Row({QVariant(), 0, QVariant(), QVariant(), 3, 0, QVariant(), 2.5, QVariant(), QVariant(), true,
              QVariant()})
        .Row({5, QVariant(), QStringLiteral("x"), 2147483647, 4, QVariant(), -0.0, QVariant(), 4.9e-324,
              false, QVariant(), -3.0});
    const QString path = t.Write(folder.Path());
    const Records engine = ReadWithEngine(path); // field by field and a record at a time, alike
    ASSERT_EQ(engine.size(), 3);
    EXPECT_EQ(engine, ReadWithPxlib(path));
}

TEST(ParadoxTable, DecodesAlphaInTheCodePageOfItsHeader) {
    TempFolder folder;
    const QString greek = QStringLiteral("Ψάρι ωμό"), latin = QStringLiteral("Ça café ü");
    for (const auto& [page, text] :
         {std::pair{1253, greek}, {737, greek}, {869, greek}, {1252, latin}, {850, latin}, {437, latin}}) {
        const QString name = QStringLiteral("CP%1.DB").arg(page);
        TableBuilder(name).CodePage(page).Alpha("T", 20).Row({text}).Write(folder.Path());
        const auto table = ParadoxTable::Open(folder.Path(name), {});
        EXPECT_EQ(table->Layout().codePageNumber, page);
        EXPECT_EQ(table->Value(0, 0), FieldValue::Text(text)) << page;
    }
    // 737 and 1253 give the same Greek letter different bytes.
    EXPECT_NE(ReadBytes(folder.Path("CP1253.DB")).indexOf(Greek(QStringLiteral("Ψάρι"))), -1);
    EXPECT_EQ(ReadBytes(folder.Path("CP737.DB")).indexOf(Greek(QStringLiteral("Ψάρι"))), -1);
}

TEST(ParadoxTable, RefusesValuesThatDoNotFitInsteadOfCuttingThem) {
    TempFolder folder;
    EXPECT_THROW(TableBuilder("A.DB").Alpha("T", 3).Row({QStringLiteral("ΑΒΓΔ")}).Write(folder.Path()),
                 DatabaseError);
    EXPECT_THROW(
        TableBuilder("B.DB").CodePage(1252).Alpha("T", 10).Row({QStringLiteral("Ω")}).Write(folder.Path()),
        DatabaseError);
    EXPECT_THROW(TableBuilder("C.DB").Short("S").Row({-32768}).Write(folder.Path()), DatabaseError);
    EXPECT_THROW(TableBuilder("D.DB").Long("L").Row({qint64(2147483648LL)}).Write(folder.Path()),
                 DatabaseError);
    EXPECT_THROW(TableBuilder("E.DB").Number("N").Row({std::nan("")}).Write(folder.Path()), DatabaseError);
    const QString tooLong = ErrorOf<DatabaseError>([&] {
        TableBuilder("F.DB").Alpha("LASTNAME", 4).Row({QStringLiteral("Παπαδόπουλος")}).Write(folder.Path());
    });
    EXPECT_TRUE(tooLong.contains(QStringLiteral("LASTNAME")) && tooLong.contains(QStringLiteral("F.DB")));
    EXPECT_FALSE(QFile::exists(folder.Path("F.DB"))) << "nothing half-written";
    EXPECT_TRUE(ErrorOf<DatabaseError>([] {
                    TableBuilder("G.DB").Alpha("T", 3).Row({QStringLiteral("%2%1%3")});
                }).contains(QStringLiteral("\"%2%1%3\"")))
        << "the text is quoted as it is";
}

TEST(ParadoxTable, RefusesDamagedAndForeignFilesCleanly) {
    TempFolder folder;
    TableBuilder t(QStringLiteral("GOOD.DB"));
    t.Long("ID").Number("N").Alpha("T", 10);
    for (int i = 1; i <= 20; ++i)
        t.Row({i, -i * 1.5, QStringLiteral("γραμμή")});
    const QByteArray good = ReadBytes(t.Write(folder.Path()));
    const int headerSize = static_cast<uchar>(good[2]) | (static_cast<uchar>(good[3]) << 8);
    const QString path = folder.Path("BAD.DB");

    // A copy of from with the bytes at offset replaced.
    const auto patched = [&](const QByteArray& from, int offset, const QByteArray& bytes) {
        return QByteArray(from).replace(offset, bytes.size(), bytes);
    };
    const QByteArray wideNumber = patched(good, 0x78 + 3, "\x10"); // the Number field claims 16 bytes
    const QByteArray le3{"\x03\0\0\0", 4}, le1000000{"\x40\x42\x0F\0", 4};
    const struct {
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {patched(good, headerSize, QByteArray("\x01\0", 2)), "the only block names itself as the next one"},
        {wideNumber, "Number field 16 long"},
        {patched(wideNumber, 0, QByteArray(1, char(good[0] + 8))),
         "Number field 16 long, record size to match"},
        {good.left(headerSize + 100), "file cut short"},
        {good.left(40), "file shorter than a header"},
        {QByteArray(), "empty file"},
        {patched(good, 0x06, le1000000), "a million records claimed"},
        {patched(good, 0x06, le3), "fewer records claimed than stored"},
        {patched(good, headerSize + 4, "\xF0\x7F"), "the block claims more records than fit"},
        {patched(good, 0x0E, "\x09"), "the first block lies beyond the file"},
    };
    for (const auto& c : cases)
        ExpectRefused(path, c.bytes, c.why);
    QByteArray text;
    while (text.size() < 4096)
        text += "Το αρχείο αυτό είναι κείμενο, όχι πίνακας.\n";
    ExpectRefused(path, text, "a text file named like a table");
}

// A store into a plain table changes only the stored field's bytes; into an
// encrypted one, nothing outside the record's block.
TEST(ParadoxTable, StoreChangesOnlyThatRecordOfAPlainTable) {
    for (const QString& password : {QString(), kPassword}) {
        TempFolder folder;
        TableBuilder t(QStringLiteral("G.DB"));
        t.Password(password).Long("ID").Number("GRD1").Alpha("PAD", 250);
        for (int i = 1; i <= 130; ++i)
            t.Row({i, QVariant(), QStringLiteral("x")});
        const QString path = t.Write(folder.Path());
        const QByteArray before = ReadBytes(path);
        Session session;
        session.AddPassword(kPassword);
        {
            auto table = ParadoxTable::Open(path, session.Check());
            const TableLayout& l = table->Layout();
            const int perBlock = (l.blockSize - 6) / l.recordSize;
            ASSERT_LT(perBlock, 100) << "the record must lie beyond the first block";
            StoreGrade(*table, 100, 17.5);
            const qint64 block = l.headerSize + qint64(100 / perBlock) * l.blockSize;
            const qint64 start = block + 6 + (100 % perBlock) * l.recordSize;
            const qint64 from = password.isEmpty() ? start + 4 : block;
            const qint64 to = password.isEmpty() ? start + 12 : block + l.blockSize;
            const QList<qsizetype> changed = ChangedBytes(before, ReadBytes(path));
            ASSERT_FALSE(changed.isEmpty());
            for (const qsizetype at : changed) {
                EXPECT_GE(at, from) << password.toStdString();
                EXPECT_LT(at, to) << password.toStdString();
            }
        }
        const Records engine = ReadWithEngine(path, password);
        EXPECT_EQ(engine[100][1], FieldValue::Float(17.5));
        EXPECT_EQ(ReadWithPxlib(path), engine);
    }
}

TEST(ParadoxTable, StoreRefusedWhenAnotherProgramChangedTheRecord) {
    TempFolder folder;
    for (const QString& password : {QString(), kPassword}) {
        const QString path = SmallGradeTable(folder.Path(), password);
        Session session;
        session.AddPassword(kPassword);
        auto mine = ParadoxTable::Open(path, session.Check());
        StoreGrade(*ParadoxTable::Open(path, session.Check()), 2, 9.0);
        const QByteArray afterOther = ReadBytes(path);
        QByteArray record = mine->RecordBytes(2);
        mine->Encode(reinterpret_cast<unsigned char*>(record.data()), 1, FieldValue::Float(4.0));
        EXPECT_THROW(mine->StoreRecord(2, record), RecordChangedError);
        EXPECT_EQ(ReadBytes(path), afterOther) << "nothing written";
        // Another record of the same block, untouched by the other program, still stores.
        StoreGrade(*mine, 3, 4.0);
        const Records r = ReadWithEngine(path, password);
        EXPECT_EQ(r[2][1], FieldValue::Float(9.0));
        EXPECT_EQ(r[3][1], FieldValue::Float(4.0));
    }
}

TEST(ParadoxTable, StoresInARowIntoOneBlockKeepWhatAnotherProgramWroteBetweenThem) {
    TempFolder folder;
    for (const QString& password : {QString(), kPassword}) {
        const QString path = SmallGradeTable(folder.Path(), password);
        Session session;
        session.AddPassword(kPassword);
        auto mine = ParadoxTable::Open(path, session.Check());
        StoreGrade(*mine, 0, 2.0);
        StoreGrade(*mine, 1, 3.0); // the same block again, as a posting run does
        StoreGrade(*ParadoxTable::Open(path, session.Check()), 4, 9.0);
        StoreGrade(*mine, 2, 4.0);
        StoreGrade(*mine, 3, 5.0);
        const Records r = ReadWithEngine(path, password);
        EXPECT_EQ(r[0][1], FieldValue::Float(2.0));
        EXPECT_EQ(r[1][1], FieldValue::Float(3.0));
        EXPECT_EQ(r[2][1], FieldValue::Float(4.0));
        EXPECT_EQ(r[3][1], FieldValue::Float(5.0));
        EXPECT_EQ(r[4][1], FieldValue::Float(9.0)) << "the other program's store survives";
        EXPECT_EQ(ReadWithPxlib(path), r);
    }
}

// A store rewrites only the bytes of the record's own chunks of the encrypted
// block; the file must come out as if the whole block had been re-encrypted,
// for records that straddle chunk boundaries and for block numbers past 255.
TEST(ParadoxTable, StoresIntoAnEncryptedTableGiveTheFileTheBuilderWritesForTheNewValues) {
    TempFolder folder;
    const auto build = [&](const QString& subfolder, const auto& valueOf) {
        QDir().mkpath(folder.Path() + QLatin1Char('/') + subfolder);
        TableBuilder t(QStringLiteral("G.DB"));
        t.Password(kPassword).Long("ID").Number("GRD1").Alpha("PAD", 37);
        for (int i = 0; i < 14000; ++i) {
            const auto [grade, pad] = valueOf(i);
            t.Row({i + 1, grade, pad});
        }
        return t.Write(folder.Path() + QLatin1Char('/') + subfolder);
    };
    const auto original = [](int i) {
        return std::pair<QVariant, QVariant>(QVariant(), QStringLiteral("x%1").arg(i));
    };
    const auto changed = [&](int i) {
        if (i % 7 != 3)
            return original(i);
        return std::pair<QVariant, QVariant>(i % 20 + 0.5, QStringLiteral("Βαθμός ΑΒΓ %1").arg(i));
    };
    const QString path = build(QStringLiteral("stored"), original);
    const QString expected = build(QStringLiteral("expected"), changed);
    Session session;
    session.AddPassword(kPassword);
    // pxlib puts its own memory addresses and the moment of writing into the
    // header, so two builds differ there: the stores must leave the header as
    // it was and give the blocks the builder wrote for the new values.
    const QByteArray headerBefore = ReadBytes(path);
    int headerSize = 0;
    {
        auto table = ParadoxTable::Open(path, session.Check());
        const TableLayout& l = table->Layout();
        headerSize = l.headerSize;
        ASSERT_GT(table->RecordCount() / ((l.blockSize - 6) / l.recordSize), 300) << "blocks past 255";
        ASSERT_NE(l.recordSize % 256, 0);
        for (qint64 r = 3; r < table->RecordCount(); r += 7) {
            QByteArray record = table->RecordBytes(r);
            const auto [grade, pad] = changed(int(r));
            table->Encode(reinterpret_cast<unsigned char*>(record.data()), 1,
                          FieldValue::Float(grade.toDouble()));
            table->Encode(reinterpret_cast<unsigned char*>(record.data()), 2,
                          FieldValue::Text(pad.toString()));
            table->StoreRecord(r, record);
        }
    }
    const QByteArray stored = ReadBytes(path);
    ASSERT_GT(headerSize, 0);
    EXPECT_TRUE(stored.left(headerSize) == headerBefore.left(headerSize)) << "the header was touched";
    EXPECT_TRUE(stored.mid(headerSize) == ReadBytes(expected).mid(headerSize));
    EXPECT_EQ(ReadWithPxlib(path), ReadWithPxlib(expected));
}

TEST(ParadoxTableLocks, ATableAnotherProgramIsWritingIsNotReadAndTheMessageSaysWhy) {
    TempFolder folder;
    const QString path = SmallGradeTable(folder.Path(), QString());
    {
        OtherProgramsLock writer(path, F_WRLCK);
        ASSERT_TRUE(writer.Taken());
        try {
            ParadoxTable::Open(path, {});
            ADD_FAILURE() << "read a table another program is writing";
        } catch (const TableLockedError& e) {
            EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("άλλο πρόγραμμα"))) << e.Message().toStdString();
        }
    }
    EXPECT_NO_THROW(ParadoxTable::Open(path, {})) << "the lock went with the other program";
}

TEST(ParadoxTableLocks, ATableAnotherProgramHasOpenIsNotWrittenAndStaysAsItWas) {
    TempFolder folder;
    Session session;
    session.AddPassword(kPassword);
    for (const QString& password : {QString(), kPassword}) {
        const QString path = SmallGradeTable(folder.Path(), password);
        auto table = ParadoxTable::Open(path, session.Check());
        const QByteArray before = ReadBytes(path);
        {
            OtherProgramsLock reader(path, F_RDLCK);
            ASSERT_TRUE(reader.Taken());
            EXPECT_THROW(table->OpenForWriting(), TableLockedError);
            EXPECT_THROW(StoreGrade(*table, 2, 7.0), TableLockedError);
            EXPECT_EQ(ReadBytes(path), before);
        }
        StoreGrade(*table, 2, 7.0);
        table->EndWriting();
        EXPECT_EQ(ReadWithEngine(path, password)[2][1], FieldValue::Float(7.0));
    }
}

TEST(ParadoxTableLocks, TablesOfThisProgramShareTheWriteLockAndEndWritingLetsOthersIn) {
    TempFolder folder;
    const QString path = SmallGradeTable(folder.Path(), QString());
    auto first = ParadoxTable::Open(path, {});
    first->OpenForWriting();
    {
        OtherProgramsLock other(path, F_RDLCK);
        EXPECT_FALSE(other.Taken()) << "another program cannot read while this one writes";
    }
    auto second = ParadoxTable::Open(path, {});
    StoreGrade(*second, 1, 3.0);
    StoreGrade(*first, 2, 4.0);
    second.reset();
    {
        OtherProgramsLock other(path, F_RDLCK);
        EXPECT_FALSE(other.Taken()) << "the first table still writes";
    }
    first->EndWriting();
    OtherProgramsLock other(path, F_WRLCK);
    EXPECT_TRUE(other.Taken());
    const Records r = ReadWithPxlib(path);
    EXPECT_EQ(r[1][1], FieldValue::Float(3.0));
    EXPECT_EQ(r[2][1], FieldValue::Float(4.0));
}
