// Tables made by other software read as they should; the tables our builder
// writes read back through pxlib exactly as through the engine.
#include "SchoolDbTestSupport.h"

#include "schooldb/DatabaseError.h"
#include "schooldb/ParadoxTable.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/TestSupport.h"

#include "schooldb/PxLib.h"
#include "schooldb/TableCodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

std::unique_ptr<ParadoxTable> Sample(const QString& name) {
    return ParadoxTable::Open(QDir(SamplesFolder()).filePath(name), {});
}

QList<FieldValue> Column(const ParadoxTable& t, int field) {
    QList<FieldValue> values;
    for (qint64 r = 0; r < t.RecordCount(); ++r)
        values.append(t.Value(r, field));
    return values;
}

const auto T = [](const char* text) { return FieldValue::Text(QString::fromUtf8(text)); };
const auto F = [](double v) { return FieldValue::Float(v); };

} // namespace

TEST(ParadoxSamples, ReadAsTheirReadmeSays) {
    if (SamplesFolder().isEmpty())
        GTEST_SKIP() << "the shared Paradox samples are not here";
    const auto decimal = Sample(QStringLiteral("DECIMAL.DB"));
    EXPECT_EQ(decimal->Layout().codePageNumber, 1252);
    EXPECT_EQ(Column(*decimal, 0), (QList<FieldValue>{F(-200), F(-20), F(-1), F(1), F(20), F(200), F(200.36),
                                                      F(1.37), F(-1.387)}));

    const auto longs = Sample(QStringLiteral("long.db"));
    EXPECT_EQ(longs->Layout().primaryKeyFields, 1);
    // The third value is stored as four zero bytes, the blank of a Long
    // Integer; pxlib, which made the README's list, shows it as -2147483648.
    EXPECT_EQ(Column(*longs, 1),
              (QList<FieldValue>{FieldValue::Integer(1), FieldValue::Integer(2), FieldValue()}));

    const auto server = Sample(QStringLiteral("SERVER.DB"));
    EXPECT_EQ(server->Field(2).length, 255);
    EXPECT_EQ(server->RecordCount(), 4);
    EXPECT_EQ(server->Value(3, 3), T("OUTPUT_FILTERED_MAIL_LIST"));

    const auto states = Sample(QStringLiteral("STATES.DB"));
    EXPECT_EQ(states->Layout().versionId, 3);
    ASSERT_EQ(states->RecordCount(), 53);
    EXPECT_EQ(states->Field(2).name, QStringLiteral("Zip From"));
    const Records rows = ReadWithEngine(QDir(SamplesFolder()).filePath(QStringLiteral("STATES.DB")));
    EXPECT_EQ(rows.first().mid(0, 4), (QList<FieldValue>{T("AK"), T("Alaska"), T("995"), T("999")}));
    EXPECT_EQ(rows.last().mid(0, 4), (QList<FieldValue>{T("WY"), T("Wyoming"), T("820"), T("831")}));
}

TEST(SchoolBuilder, DemoSchoolReadsBackThroughPxlibAsThroughTheEngine) {
    TempFolder folder;
    WriteDemoSchool(folder.Path());
    for (const QString name : {"STUDENT.DB", "GUARDIAN.DB", "COURSE.DB", "CLASS.DB", "LEVEL.DB", "SUBJECT.DB",
                               "METHOD.DB", "GRADE.DB", "USER.DB"}) {
        const QString password =
            name == QStringLiteral("USER.DB") ? UserTablePassword() : DataTablePassword();
        const Records engine = ReadWithEngine(folder.Path(name), password);
        EXPECT_FALSE(engine.isEmpty()) << name.toStdString();
        EXPECT_EQ(engine, ReadWithPxlib(folder.Path(name))) << name.toStdString();
        EXPECT_THROW(ReadWithEngine(folder.Path(name)), DatabaseError)
            << name.toStdString() << " is protected";
    }
    EXPECT_THROW(ReadWithEngine(folder.Path("USER.DB"), DataTablePassword()), DatabaseError);

    Session session;
    session.AddPassword(DataTablePassword());
    const auto grade = ParadoxTable::Open(folder.Path("GRADE.DB"), session.Check());
    EXPECT_EQ(grade->Layout().primaryKeyFields, 2);
    // A keyed table is stored in key order, or other programs miss records by the key.
    const Records grades = ReadWithEngine(folder.Path("GRADE.DB"), DataTablePassword());
    for (qsizetype r = 1; r < grades.size(); ++r)
        ASSERT_LT(std::pair(grades[r - 1][0].IntegerValue(), grades[r - 1][1].IntegerValue()),
                  std::pair(grades[r][0].IntegerValue(), grades[r][1].IntegerValue()))
            << r;
}

namespace {

// One stored value: how pxlib puts it into the field's bytes, and what it means.
struct Edge {
    std::function<void(pxdoc_t*, char*, int)> put; // empty: a null, the field left blank
    FieldValue expected;
};

struct TypeCase {
    const char* name;
    int type;
    int length; // in the record
    int decimals;
    int firstLevel; // the lowest version byte whose tables have the type
    int codePage;
    QList<Edge> edges;
};

QByteArray InPage(const QString& text, int codePage) {
    QByteArray bytes;
    EXPECT_FALSE(TableCodePage::ForNumber(codePage)->EncodeInto(text, bytes));
    return bytes;
}

const auto Null = [] { return Edge{{}, FieldValue()}; };
Edge Text(const QString& text, int codePage = 1253) {
    const QByteArray bytes = InPage(text, codePage);
    return {[bytes](pxdoc_t* d, char* p, int len) {
                PX_put_data_alpha(d, p, len, const_cast<char*>(bytes.constData()));
            },
            FieldValue::Text(text)};
}
Edge Whole(long value, const FieldValue& expected) {
    return {[value](pxdoc_t* d, char* p, int len) {
                if (len == 2)
                    PX_put_data_short(d, p, len, static_cast<short>(value));
                else
                    PX_put_data_long(d, p, len, static_cast<int>(value));
            },
            expected};
}
const auto Int = [](long value) { return Whole(value, FieldValue::Integer(value)); };
Edge Real(double value, const FieldValue& expected) {
    return {[value](pxdoc_t* d, char* p, int len) { PX_put_data_double(d, p, len, value); }, expected};
}
const auto Num = [](double value) { return Real(value, FieldValue::Float(value)); };
Edge Flag(bool value) {
    return {[value](pxdoc_t* d, char* p, int len) { PX_put_data_byte(d, p, len, value ? 1 : 0); },
            FieldValue::Logical(value)};
}
const auto Day = [](QDate date) { return Whole(long(date.toJulianDay() - 1721425), FieldValue::Date(date)); };
Edge Moment(QDate date, QTime time) {
    const double ms = double(date.toJulianDay() - 1721425) * 86400000.0 + time.msecsSinceStartOfDay();
    return Real(ms, FieldValue::Timestamp(QDateTime(date, time, Qt::UTC)));
}
Edge Bcd(const char* digits, int decimals) {
    return {[digits, decimals](pxdoc_t* d, char* p, int) {
                PX_put_data_bcd(d, p, decimals, const_cast<char*>(digits));
            },
            FieldValue::DecimalText(QString::fromLatin1(digits))};
}
Edge Blob(const QByteArray& bytes, const FieldValue& expected) {
    return {[bytes](pxdoc_t* d, char* p, int len) {
                PX_put_data_blob(d, p, len, const_cast<char*>(bytes.constData()),
                                 static_cast<int>(bytes.size()));
            },
            expected};
}
const auto Memo = [](const QString& text) { return Blob(InPage(text, 1253), FieldValue::Text(text)); };
// size bytes of a binary BLOB, each different from its neighbours.
Edge Binary(int size) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>(i * 7 + 1);
    return Blob(b, FieldValue::Binary(size));
}

TypeCase Type(const char* name, int type, int length, int decimals, int firstLevel, QList<Edge> edges,
              int codePage = 1253) {
    return {name, type, length, decimals, firstLevel, codePage, std::move(edges)};
}

QList<TypeCase> TypeCases() {
    const QString greek = QStringLiteral("Καλημέρα σας, ΆΈΉΊΌΎΏ ϊϋΐΰ");
    const QString longGreek = QString(QStringLiteral("Ένα μεγάλο σημείωμα για τη μαθήτρια. ")).repeated(20);
    const QDate y1(1, 1, 1), y9999(9999, 12, 31);
    const QTime midnight(0, 0);
    return {
        Type("Alpha1253", pxfAlpha, 40, 0, 3,
             {Null(), Text(greek), Text(QString(40, QChar(0x03A9))), Text(QStringLiteral("a"))}),
        Type("Alpha737", pxfAlpha, 40, 0, 5,
             {Text(greek.left(20), 737), Null(), Text(QStringLiteral("Ωω"), 737)}, 737),
        Type("Short", pxfShort, 2, 0, 3, {Null(), Int(-32767), Int(32767), Int(0), Int(-1)}),
        Type("Number", pxfNumber, 8, 0, 3,
             {Null(), Num(-1.5), Num(0.1), Num(1.7976931348623157e308), Num(-4.9e-324), Num(0.0)}),
        Type("Money", pxfCurrency, 8, 0, 3, {Num(-1234.56), Null(), Num(0.01), Num(9.99e14)}),
        Type("Date", pxfDate, 4, 0, 3,
             {Null(), Day(y1), Day(QDate(1752, 9, 14)), Day(QDate(1899, 12, 30)), Day(QDate(1900, 2, 28)),
              Day(QDate(2000, 2, 29)), Day(QDate(2038, 1, 20)), Day(y9999)}),
        Type("Memo", pxfMemoBLOb, 20, 0, 5,
             {Null(), Memo(QStringLiteral("Γειά")), Memo(longGreek), Memo(greek)}),
        Type("FormattedMemo", pxfFmtMemoBLOb, 15, 0, 5, {Memo(longGreek.left(100)), Null()}),
        Type("Binary", pxfBLOb, 10, 0, 5, {Binary(300), Null(), Binary(3000)}),
        Type("Ole", pxfOLE, 12, 0, 5, {Binary(2), Binary(50)}),
        Type("Graphic", pxfGraphic, 10, 0, 5, {Binary(700)}),
        Type("Long", pxfLong, 4, 0, 10, {Null(), Int(-2147483647), Int(2147483647), Int(0)}),
        Type("AutoIncrement", pxfAutoInc, 4, 0, 10, {Int(1), Int(2147483647)}),
        Type("Logical", pxfLogical, 1, 0, 10, {Null(), Flag(true), Flag(false)}),
        Type("Time", pxfTime, 4, 0, 10,
             {Null(), Whole(0, FieldValue::Time(midnight)),
              Whole(86399999, FieldValue::Time(QTime(23, 59, 59, 999))),
              Whole(45296000, FieldValue::Time(QTime(12, 34, 56)))}),
        Type("Timestamp", pxfTimestamp, 8, 0, 10,
             {Null(), Moment(QDate(1850, 6, 1), QTime(8, 0)),
              Moment(QDate(2100, 12, 31), QTime(23, 59, 59, 500)), Moment(y1, QTime(0, 0, 1))}),
        Type("Bcd", pxfBCD, 17, 4, 10,
             {Null(), Bcd("-123.4567", 4), Bcd("0.0001", 4), Bcd("9999999999999999999999999999.9999", 4),
              Bcd("0.0000", 4)}),
        Type("Bcd2", pxfBCD, 17, 2, 10, {Bcd("-42.00", 2), Bcd("123456789012345678901234567890.12", 2)}),
        Type("Bytes", pxfBytes, 5, 0, 10,
             {Null(),
              {[](pxdoc_t* d, char* p, int len) {
                   PX_put_data_bytes(d, p, len, const_cast<char*>("\x01\xFF\x80\x7F"));
               },
               FieldValue::Bytes(QByteArray("\x01\xFF\x80\x7F\x00", 5))}}),
    };
}

struct LevelAndType {
    int level; // the header's version byte
    TypeCase type;
};

std::string CellName(const ::testing::TestParamInfo<LevelAndType>& info) {
    return "Level" + std::to_string(info.param.level) + "_" + info.param.type.name;
}

QList<LevelAndType> Cells() {
    QList<LevelAndType> cells;
    // 3.0, 3.5, 4.x, 5.x and 7.
    for (const int level : {3, 4, 9, 11, 12})
        for (const TypeCase& type : TypeCases())
            if (type.firstLevel <= level && !(type.codePage != 1253 && level < 5))
                cells.append({level, type});
    return cells;
}

// pxlib writes the table at level 7, a record at a time, its BLOBs into the memo file.
// Each type a field of its own ("VALUE" when there is one), its edges down the records.
void WriteWithPxlib(const QString& path, const QList<TypeCase>& types, const QString& password = QString()) {
    pxdoc_t* doc = PX_new();
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * types.size(), "fields"));
    int recordSize = 0;
    qsizetype rows = 0;
    bool blob = false;
    for (qsizetype i = 0; i < types.size(); ++i) {
        const QByteArray name = types.size() == 1 ? QByteArray("VALUE") : QByteArray(types[i].name).toUpper();
        fields[i].px_fname = PX_strdup(doc, name.constData());
        fields[i].px_ftype = static_cast<char>(types[i].type);
        fields[i].px_flen = types[i].length;
        fields[i].px_fdc = types[i].decimals;
        recordSize += types[i].length;
        rows = std::max(rows, types[i].edges.size());
        blob = blob || (types[i].type >= pxfMemoBLOb && types[i].type <= pxfGraphic);
    }
    ASSERT_GE(PX_create_file(doc, fields, int(types.size()), QFile::encodeName(path).constData(),
                             pxfFileTypNonIndexDB),
              0);
    PX_set_parameter(doc, "tablename", "VALUES");
    PX_set_value(doc, "codepage", static_cast<float>(types.front().codePage));
    if (!password.isEmpty())
        PX_set_parameter(doc, "password", password.toLatin1().constData());
    const QFileInfo info(path);
    const QString blobPath = info.dir().filePath(info.completeBaseName() + QStringLiteral(".MB"));
    if (blob) {
        ASSERT_GE(PX_set_blob_file(doc, QFile::encodeName(blobPath).constData()), 0);
    }
    QByteArray record(recordSize + 1, '\0');
    for (qsizetype r = 0; r < rows; ++r) {
        record.fill('\0');
        char* p = record.data();
        for (const TypeCase& type : types) {
            if (r < type.edges.size() && type.edges[r].put)
                type.edges[r].put(doc, p, type.length);
            p += type.length;
        }
        PX_put_record(doc, record.data());
    }
    PX_close(doc);
    PX_delete(doc);
}

class LevelsAndTypes : public ::testing::TestWithParam<LevelAndType> {};

} // namespace

TEST_P(LevelsAndTypes, ReadAsPxlibReadsThemAndAsTheyWereWritten) {
    const LevelAndType& cell = GetParam();
    TempFolder folder;
    const QString path = folder.Path("VALUES.DB");
    WriteWithPxlib(path, {cell.type});
    // pxlib 0.6.8 takes the key of a table below level 4.0 from memory it never
    // set, so it reads those records from the level-7 file they were converted from.
    const QString asWritten = folder.Path("WRITTEN.DB");
    ASSERT_TRUE(QFile::copy(path, asWritten));
    ConvertToLevel(path, cell.level);

    const auto table = ParadoxTable::Open(path, {});
    EXPECT_EQ(table->Layout().versionId, cell.level);
    EXPECT_EQ(table->Layout().codePageNumber, cell.level >= 5 ? cell.type.codePage : 0);
    EXPECT_EQ(table->Field(0).name, QStringLiteral("VALUE"));
    EXPECT_EQ(table->Field(0).length, cell.type.length);
    EXPECT_EQ(table->Field(0).decimals, cell.type.decimals);
    Records expected;
    for (const Edge& edge : cell.type.edges)
        expected.append({edge.expected});
    EXPECT_EQ(ReadWithEngine(path), expected);
    Records px = ReadWithPxlib(cell.level >= 5 ? path : asWritten, cell.type.codePage);
    ASSERT_EQ(px.size(), expected.size());
    for (qsizetype r = 0; r < px.size(); ++r) {
        // What pxlib cannot reach is checked against what it wrote alone.
        if (px[r][0] == FieldValue::Missing(QStringLiteral("pxlib")))
            px[r][0] = expected[r][0];
    }
    EXPECT_EQ(px, expected);
}

INSTANTIATE_TEST_SUITE_P(Paradox, LevelsAndTypes, ::testing::ValuesIn(Cells()), CellName);

TEST(LevelsAndTypes, EncryptedTableOfTheOldestAndNewestLevelAsksForItsPassword) {
    const TypeCase alpha = TypeCases().first();
    for (const int level : {3, 4, 12}) {
        TempFolder folder;
        const QString path = folder.Path("SECRET.DB");
        WriteWithPxlib(path, {alpha}, QStringLiteral("KLEIDI"));
        ConvertToLevel(path, level);
        EXPECT_TRUE(ErrorOf<DatabaseError>([&] {
                        ParadoxTable::Open(path, {});
                    }).contains(QStringLiteral("προστατεύεται με σύνθημα")))
            << "level " << level;
        Records expected;
        for (const Edge& edge : alpha.edges)
            expected.append({edge.expected});
        EXPECT_EQ(ReadWithEngine(path, QStringLiteral("KLEIDI")), expected) << "level " << level;
    }
}

TEST(LevelsAndTypes, BlobsWithoutTheirMemoFileSayWhyAndShortOnesStillRead) {
    TypeCase memo = TypeCases()[6];
    ASSERT_STREQ(memo.name, "Memo");
    TempFolder folder;
    const QString path = folder.Path("NOTES.DB");
    WriteWithPxlib(path, {memo});
    ASSERT_TRUE(QFile::remove(folder.Path("NOTES.MB")));
    const Records engine = ReadWithEngine(path);
    ASSERT_EQ(engine.size(), 4);
    EXPECT_EQ(engine[0][0], FieldValue());
    EXPECT_EQ(engine[1][0], FieldValue::Text(QStringLiteral("Γειά"))) << "kept in the record";
    ASSERT_TRUE(engine[2][0].IsUnreadable());
    EXPECT_TRUE(engine[2][0].UnreadableMessage().contains(QStringLiteral("NOTES.MB")));
}

TEST(LevelsAndTypes, AStoreLeavesEveryOtherFieldAsItWasAndEveryTypeReadsAsText) {
    // One record holding a value of every type, the second edge of each; a Number to store into.
    QList<TypeCase> types;
    for (const TypeCase& type : TypeCases())
        if (type.codePage == 1253 && type.edges.size() > 1 && type.type != pxfAutoInc)
            types.append({type.name, type.type, type.length, type.decimals, 0, 1253, {type.edges[1]}});
    types.append({"Grade", pxfNumber, 8, 0, 0, 1253, {Null()}});
    TempFolder folder;
    const QString path = folder.Path("EVERY.DB");
    WriteWithPxlib(path, types);
    const QByteArray before = ParadoxTable::Open(path, {})->RecordBytes(0);
    {
        // Every field a record at a time as field by field; leaving the BLOBs out leaves out nothing else.
        EXPECT_EQ(ReadWithEngine(path).value(0).size(), types.size());
        const auto every = ParadoxTable::Open(path, {});
        QList<int> visited, wanted;
        every->ForEachValue(
            every->RecordData(0), [&](int f, const FieldValue&) { visited.append(f); },
            ParadoxTable::Blobs::Skip);
        for (int f = 0; f < every->FieldCount(); ++f)
            if (!every->Field(f).IsBlob())
                wanted.append(f);
        EXPECT_EQ(visited, wanted);
        EXPECT_LT(wanted.size(), types.size()) << "the table holds BLOBs";
    }

    UseLocale(GreekLocale());
    Session session;
    Database database(session);
    database.SetParams({QStringLiteral("PATH=") + folder.Path()});
    Table table(database);
    table.SetTableName(QStringLiteral("EVERY.DB"));
    table.Open();
    EXPECT_EQ(table.FieldByName(QStringLiteral("DATE")).AsString(), QStringLiteral("1/1/01"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("TIME")).AsString(), QStringLiteral("12:00:00 Π.Μ."));
    EXPECT_EQ(table.FieldByName(QStringLiteral("BCD")).AsString(), QStringLiteral("-123,4567"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("MONEY")).AsString(), QString());
    EXPECT_EQ(table.FieldByName(QStringLiteral("BINARY")).AsString(), QString());
    // Numbers read as the program's regional number text.
    table.Edit();
    table.FieldByName(QStringLiteral("GRADE")).SetAsFloat(7.5);
    EXPECT_TRUE(table.Post());
    EXPECT_EQ(table.FieldByName(QStringLiteral("GRADE")).AsString(), QStringLiteral("7,5"));
    table.Close();
    UseLocale(QLocale::c());

    const auto stored = ParadoxTable::Open(path, {});
    const QByteArray after = stored->RecordBytes(0);
    const FieldDef& grade = stored->Field(stored->FieldCount() - 1);
    EXPECT_EQ(after.left(grade.offset), before.left(grade.offset)) << "every other field's bytes";
    EXPECT_EQ(stored->Value(0, stored->FieldCount() - 1), FieldValue::Float(7.5));

    // The command line's ISO texts of dates, times and bytes.
    const auto iso = [&](const char* name) {
        return ValueText(stored->Value(0, stored->Layout().FieldIndex(QString::fromLatin1(name))),
                         ValueStyle::Iso);
    };
    EXPECT_EQ(iso("DATE"), QStringLiteral("0001-01-01"));
    EXPECT_EQ(iso("TIME"), QStringLiteral("00:00:00"));
    EXPECT_EQ(iso("TIMESTAMP"), QStringLiteral("1850-06-01T08:00:00"));
    EXPECT_EQ(iso("MEMO"), QStringLiteral("Γειά"));
    EXPECT_EQ(iso("BYTES"), QStringLiteral("01FF807F00"));
    EXPECT_EQ(iso("GRADE"), QStringLiteral("7.5"));
}
