#include "schooldb/SqlEngine.h"

#include "schooldb/DatabaseError.h"
#include "schooldb/SchoolDatabase.h"

#include <QFile>
#include <QRegularExpression>

#include <cstring>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace ekaldo::schooldb {
namespace {

constexpr const char* kCollation = "EKALDO_GREEK";

// Letters as a Greek reader sorts them: case and accents, tonos and
// dialytika, dropped; final sigma as sigma.
char32_t FoldLetter(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0x0386 && c <= 0x03CE) {
        static constexpr char16_t kGreek[0x03CE - 0x0386 + 1] = {
            u'α', 0x0387, u'ε',   u'η', u'ι', 0x038B, u'ο', 0x038D, u'υ', u'ω', u'ι', // 0386-0390
            u'α', u'β',   u'γ',   u'δ', u'ε', u'ζ',   u'η', u'θ',   u'ι', u'κ', u'λ', u'μ',
            u'ν', u'ξ',   u'ο',                                                             // 0391-039F
            u'π', u'ρ',   0x03A2, u'σ', u'τ', u'υ',   u'φ', u'χ',   u'ψ', u'ω', u'ι', u'υ', // 03A0-03AB
            u'α', u'ε',   u'η',   u'ι', u'υ',                                               // 03AC-03B0
            u'α', u'β',   u'γ',   u'δ', u'ε', u'ζ',   u'η', u'θ',   u'ι', u'κ', u'λ', u'μ',
            u'ν', u'ξ',   u'ο', // 03B1-03BF
            u'π', u'ρ',   u'σ',   u'σ', u'τ', u'υ',   u'φ', u'χ',   u'ψ', u'ω', u'ι', u'υ',
            u'ο', u'υ',   u'ω', // 03C0-03CE
        };
        return kGreek[c - 0x0386];
    }
    // Anything else: its canonical base letter, case-folded.
    QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    const char32_t base = decomposed.isEmpty() ? c : decomposed.at(0).unicode();
    return QChar::toCaseFolded(base);
}

bool IsCombiningMark(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1DC0 && c <= 0x1DFF);
}

// Code points of UTF-8 text; malformed bytes come out as themselves.
class Utf8Points {
public:
    Utf8Points(const unsigned char* p, int n) : m_p(p), m_end(p + n) {}
    bool Next(char32_t& c) {
        if (m_p >= m_end)
            return false;
        const unsigned char b = *m_p++;
        int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        c = more == 3 ? (b & 0x07) : more == 2 ? (b & 0x0F) : more == 1 ? (b & 0x1F) : b;
        for (; more > 0 && m_p < m_end && (*m_p & 0xC0) == 0x80; --more)
            c = (c << 6) | (*m_p++ & 0x3F);
        return true;
    }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
};

class Utf16Points {
public:
    explicit Utf16Points(QStringView s) : m_s(s) {}
    bool Next(char32_t& c) {
        if (m_i >= m_s.size())
            return false;
        const QChar h = m_s[m_i++];
        if (h.isHighSurrogate() && m_i < m_s.size() && m_s[m_i].isLowSurrogate())
            c = QChar::surrogateToUcs4(h, m_s[m_i++]);
        else
            c = h.unicode();
        return true;
    }

private:
    QStringView m_s;
    qsizetype m_i = 0;
};

template <typename Points> bool NextLetter(Points& points, char32_t& c) {
    while (points.Next(c))
        if (!IsCombiningMark(c)) {
            c = FoldLetter(c);
            return true;
        }
    return false;
}

// Folded letters first, then the exact code points.
template <typename Points> int CompareGreek(Points a, Points b) {
    Points exactA = a, exactB = b;
    for (;;) {
        char32_t x = 0, y = 0;
        const bool hasX = NextLetter(a, x), hasY = NextLetter(b, y);
        if (!hasX || !hasY) {
            if (hasX != hasY)
                return hasX ? 1 : -1;
            break;
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    for (;;) {
        char32_t x = 0, y = 0;
        const bool hasX = exactA.Next(x), hasY = exactB.Next(y);
        if (!hasX || !hasY)
            return hasX == hasY ? 0 : (hasX ? 1 : -1);
        if (x != y)
            return x < y ? -1 : 1;
    }
}

int CollateGreek(void*, int sizeA, const void* a, int sizeB, const void* b) {
    // Sorting by level, class and course compares the same names over and
    // over: the same bytes are equal in both passes.
    if (sizeA == sizeB && std::memcmp(a, b, static_cast<std::size_t>(sizeA)) == 0)
        return 0;
    return CompareGreek(Utf8Points(static_cast<const unsigned char*>(a), sizeA),
                        Utf8Points(static_cast<const unsigned char*>(b), sizeB));
}

QString Quote(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The texts of a result's columns repeat (the level, class and course of
// every student, first names, fathers' names): each column's texts are kept
// by their bytes, converted once and shared, and numbered for the sort.
class ColumnTexts {
public:
    explicit ColumnTexts(int columns) : m_columns(static_cast<std::size_t>(columns)) {}
    int Id(int column, std::string_view bytes) {
        Column& c = m_columns[static_cast<std::size_t>(column)];
        if (c.slots.empty())
            c.slots.assign(kFirstSlots, Slot{});
        const std::size_t hash = std::hash<std::string_view>{}(bytes);
        std::size_t at = hash & (c.slots.size() - 1);
        for (; c.slots[at].id >= 0; at = (at + 1) & (c.slots.size() - 1)) {
            const Slot& slot = c.slots[at];
            if (slot.hash == hash && c.Bytes(slot.id) == bytes)
                return slot.id;
        }
        const int id = static_cast<int>(c.texts.size());
        c.texts.push_back(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
        c.starts.push_back(c.bytes.size());
        c.bytes.append(bytes);
        c.slots[at] = {hash, id};
        if (c.texts.size() * 2 > c.slots.size())
            c.Grow();
        return id;
    }
    const std::vector<QString>& Texts(int column) const {
        return m_columns[static_cast<std::size_t>(column)].texts;
    }

private:
    static constexpr std::size_t kFirstSlots = 64; // a power of two, as every size after it
    // An open-addressing table over one buffer of the texts' bytes: a map of
    // strings allocated a node and a string for every distinct text and
    // followed pointers on every lookup, a quarter of a query's time.
    struct Slot {
        std::size_t hash = 0;
        int id = -1; // -1: empty
    };
    struct Column {
        std::vector<Slot> slots;
        std::string bytes;               // the texts' UTF-8 bytes, one after another
        std::vector<std::size_t> starts; // of each text in bytes
        std::vector<QString> texts;

        std::string_view Bytes(int id) const {
            const auto i = static_cast<std::size_t>(id);
            const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : bytes.size();
            return std::string_view(bytes).substr(starts[i], end - starts[i]);
        }
        void Grow() {
            std::vector<Slot> grown(slots.size() * 2);
            for (const Slot& slot : slots) {
                if (slot.id < 0)
                    continue;
                std::size_t at = slot.hash & (grown.size() - 1);
                while (grown[at].id >= 0)
                    at = (at + 1) & (grown.size() - 1);
                grown[at] = slot;
            }
            slots = std::move(grown);
        }
    };
    std::vector<Column> m_columns;
};

// What the sort compares of one value of a row: kinds in SQLite's order
// (null, number, text), then the number or the text.
struct SortEntry {
    int kind = 0;
    bool integral = false;
    std::int64_t integer = 0;
    double number = 0;
    int text = -1; // the text's number in its column
};

// A row's value as the sort sees it; text is its number in the column.
SortEntry SortEntryOf(const FieldValue& v, int text) {
    SortEntry e;
    if (v.IsInteger() || v.IsLogical()) {
        e.kind = 1;
        e.integral = true;
        e.integer = v.IsInteger() ? v.IntegerValue() : (v.LogicalValue() ? 1 : 0);
        e.number = static_cast<double>(e.integer);
    } else if (v.IsFloat()) {
        e.kind = 1;
        e.number = v.FloatValue();
    } else if (v.IsText()) {
        e.kind = 2;
        e.text = text;
    }
    return e;
}

int CompareEntries(const SortEntry& a, const SortEntry& b, const QString* textsA, const QString* textsB) {
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    if (a.kind == 1) {
        if (a.integral && b.integral)
            return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    }
    if (a.kind != 2 || a.text == b.text)
        return 0;
    return GreekTextCompare(textsA[a.text], textsB[b.text]);
}

// The rows' order by some of their columns, as an ORDER BY with the Greek
// collation gives it; rows that tie keep their order. entries holds a row's
// entries one after the other, a column's each.
std::vector<int> SortedOrder(const std::vector<SortEntry>& entries, const std::vector<int>& columns,
                             const ColumnTexts& texts, std::size_t rowCount) {
    const std::size_t width = columns.size();
    const auto entry = [&](std::size_t row, std::size_t k) -> const SortEntry& {
        return entries[row * width + k];
    };
    const auto textsOf = [&](std::size_t k) { return texts.Texts(columns[k]).data(); };
    // A column of texts (and nulls) has its distinct texts put in order
    // once, and rows compare their places: a few numbers rather than texts.
    // A column of many distinct texts (register numbers) is left out, its
    // texts compared only where the columns before it tie, as is one holding
    // numbers.
    std::vector<std::vector<std::uint32_t>> place(width);
    std::vector<int> bits(width, 0);
    for (std::size_t k = 0; k < width; ++k) {
        const std::size_t distinct = texts.Texts(columns[k]).size();
        bool textsOnly = distinct * 4 <= rowCount;
        for (std::size_t r = 0; r < rowCount && textsOnly; ++r)
            textsOnly = entry(r, k).kind == 0 || entry(r, k).kind == 2;
        if (!textsOnly)
            continue;
        const QString* columnTexts = textsOf(k);
        std::vector<int> byText(distinct);
        for (std::size_t i = 0; i < distinct; ++i)
            byText[i] = static_cast<int>(i);
        std::sort(byText.begin(), byText.end(),
                  [&](int a, int b) { return GreekTextCompare(columnTexts[a], columnTexts[b]) < 0; });
        std::vector<std::uint32_t> textPlace(distinct);
        for (std::size_t i = 0; i < distinct; ++i)
            textPlace[static_cast<std::size_t>(byText[i])] = static_cast<std::uint32_t>(i) + 1; // 0: null
        place[k].resize(rowCount);
        for (std::size_t r = 0; r < rowCount; ++r) {
            const SortEntry& e = entry(r, k);
            place[k][r] = e.kind == 2 ? textPlace[static_cast<std::size_t>(e.text)] : 0;
        }
        bits[k] = static_cast<int>(std::bit_width(distinct));
    }
    // The leading placed columns packed into one number a row: most
    // comparisons end there.
    std::size_t packed = 0;
    int used = 0;
    while (packed < width && !place[packed].empty() && used + bits[packed] <= 64)
        used += bits[packed++];
    struct Key {
        std::uint64_t prefix;
        int row;
    };
    std::vector<Key> keys(rowCount);
    for (std::size_t r = 0; r < rowCount; ++r) {
        std::uint64_t prefix = 0;
        for (std::size_t k = 0; k < packed; ++k)
            prefix = bits[k] == 0 ? prefix : (prefix << bits[k]) | place[k][r];
        keys[r] = {prefix, static_cast<int>(r)};
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const std::size_t x = static_cast<std::size_t>(a.row), y = static_cast<std::size_t>(b.row);
        for (std::size_t k = packed; k < width; ++k) {
            const int c = !place[k].empty()
                              ? (place[k][x] < place[k][y]   ? -1
                                 : place[k][x] > place[k][y] ? 1
                                                             : 0)
                              : CompareEntries(entry(x, k), entry(y, k), textsOf(k), textsOf(k));
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    std::vector<int> order(rowCount);
    for (std::size_t i = 0; i < rowCount; ++i)
        order[i] = keys[i].row;
    return order;
}

struct StatementFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

QString NoSuchFieldMessage(const QString& field) {
    return QStringLiteral("Το πεδίο \"%1\" δεν υπάρχει.").arg(field);
}

// SQLite's own words for the two failures an office meets, in Greek.
QString SqlMessage(const QString& sqliteMessage) {
    static const QRegularExpression column(QStringLiteral("^no such column: (.+)$"));
    static const QRegularExpression table(QStringLiteral("^no such table: (.+)$"));
    if (const auto m = column.match(sqliteMessage); m.hasMatch())
        return NoSuchFieldMessage(m.captured(1));
    if (const auto m = table.match(sqliteMessage); m.hasMatch())
        return QStringLiteral("Ο πίνακας \"%1\" δεν υπάρχει.").arg(m.captured(1));
    return QStringLiteral("Σφάλμα στο ερώτημα SQL: ") + sqliteMessage;
}

} // namespace

int GreekTextCompare(QStringView a, QStringView b) {
    return CompareGreek(Utf16Points(a), Utf16Points(b));
}

void SqlEngine::Closer::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

SqlEngine::SqlEngine(Loader loader, PathOf pathOf)
    : m_loader(std::move(loader)), m_pathOf(std::move(pathOf)) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw DatabaseError(QStringLiteral("Δεν ήταν δυνατό να ετοιμαστεί η μηχανή ερωτημάτων SQL."));
    }
    m_db.reset(db);
    sqlite3_create_collation(db, kCollation, SQLITE_UTF8, nullptr, CollateGreek);
}

SqlEngine::~SqlEngine() = default;

void SqlEngine::Load(const QString& tableName) {
    const QString path = m_pathOf(tableName);
    struct stat st {};
    FileStamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        stamp.size = st.st_size;
        stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        stamp.inode = st.st_ino;
    }
    const QString key = tableName.toUpper();
    const auto it = m_loaded.constFind(key);
    if (it != m_loaded.constEnd() && stamp.size >= 0 && *it == stamp)
        return;
    m_loaded.remove(key);

    const std::unique_ptr<ParadoxTable> table = m_loader(tableName);
    sqlite3* db = m_db.get();
    const auto exec = [&](const QString& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            const QString message = QString::fromUtf8(error ? error : "");
            sqlite3_free(error);
            throw DatabaseError(
                QStringLiteral("Ο πίνακας \"%1\" δεν φορτώθηκε για το ερώτημα: %2").arg(tableName, message));
        }
    };
    // A field's place among the statement's parameters, counted from 1.
    std::vector<int> parameterOf(static_cast<std::size_t>(table->FieldCount()), 0);
    QStringList definitions;
    for (int i = 0; i < table->FieldCount(); ++i) {
        const FieldDef& f = table->Field(i);
        // BLOBs stay out of queries: loading them would read the memo file for nothing.
        if (f.IsBlob())
            continue;
        parameterOf[static_cast<std::size_t>(i)] = static_cast<int>(definitions.size()) + 1;
        const bool real =
            f.type == FieldType::Number || f.type == FieldType::Currency || f.type == FieldType::Bcd;
        const bool moment =
            f.type == FieldType::Date || f.type == FieldType::Time || f.type == FieldType::Timestamp;
        QString type = f.IsText() ? QStringLiteral(" TEXT COLLATE ") + QLatin1String(kCollation)
                       : real     ? QStringLiteral(" REAL")
                       : moment   ? QStringLiteral(" TEXT")
                       : f.type == FieldType::Bytes   ? QStringLiteral(" BLOB")
                       : f.type == FieldType::Logical ? QStringLiteral(" BOOLEAN")
                                                      : QStringLiteral(" INTEGER");
        definitions.append(Quote(f.name) + type);
    }
    exec(QStringLiteral("DROP TABLE IF EXISTS ") + Quote(tableName));
    exec(QStringLiteral("CREATE TABLE ") + Quote(tableName) + QStringLiteral(" (") + definitions.join(u", ") +
         QStringLiteral(")"));
    QStringList marks;
    for (qsizetype i = 0; i < definitions.size(); ++i)
        marks.append(QStringLiteral("?"));
    exec(QStringLiteral("BEGIN"));
    sqlite3_stmt* raw = nullptr;
    const QByteArray insert = (QStringLiteral("INSERT INTO ") + Quote(tableName) +
                               QStringLiteral(" VALUES (") + marks.join(u",") + u')')
                                  .toUtf8();
    if (sqlite3_prepare_v2(db, insert.constData(), -1, &raw, nullptr) != SQLITE_OK)
        throw DatabaseError(SqlMessage(QString::fromUtf8(sqlite3_errmsg(db))));
    Statement statement(raw);
    const auto bind = [&](int field, const FieldValue& v) {
        const int at = parameterOf[static_cast<std::size_t>(field)];
        if (v.IsNull()) {
            sqlite3_bind_null(raw, at);
        } else if (v.IsText()) {
            const QByteArray utf8 = v.TextValue().toUtf8();
            sqlite3_bind_text(raw, at, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        } else if (v.IsInteger()) {
            sqlite3_bind_int64(raw, at, v.IntegerValue());
        } else if (v.IsFloat()) {
            sqlite3_bind_double(raw, at, v.FloatValue());
        } else if (v.IsLogical()) {
            sqlite3_bind_int(raw, at, v.LogicalValue() ? 1 : 0);
        } else if (v.IsDecimal()) {
            sqlite3_bind_double(raw, at, v.DecimalValue().toDouble());
        } else if (v.IsBytes()) {
            sqlite3_bind_blob(raw, at, v.BytesValue().constData(), static_cast<int>(v.BytesValue().size()),
                              SQLITE_TRANSIENT);
        } else {
            const QByteArray utf8 = ValueText(v, ValueStyle::Iso).toUtf8();
            sqlite3_bind_text(raw, at, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
    };
    for (qint64 r = 0; r < table->RecordCount(); ++r) {
        table->ForEachValue(table->RecordData(r), bind, ParadoxTable::Blobs::Skip);
        if (sqlite3_step(raw) != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db));
            statement.reset();
            exec(QStringLiteral("ROLLBACK"));
            throw DatabaseError(
                QStringLiteral("Ο πίνακας \"%1\" δεν φορτώθηκε για το ερώτημα: %2").arg(tableName, message));
        }
        sqlite3_reset(raw);
    }
    statement.reset();
    // The key, indexed once here: a join on it would otherwise build an index
    // of its own on every run (the student's guardian, by student). Not
    // unique: a key broken by another program must still load.
    QStringList keyColumns;
    for (int i = 0; i < table->Layout().primaryKeyFields && i < table->FieldCount(); ++i) {
        if (table->Field(i).IsBlob())
            break;
        keyColumns.append(Quote(table->Field(i).name));
    }
    if (!keyColumns.isEmpty())
        exec(QStringLiteral("CREATE INDEX ") + Quote(QStringLiteral("key of ") + tableName) +
             QStringLiteral(" ON ") + Quote(tableName) + QStringLiteral(" (") + keyColumns.join(u", ") +
             u')');
    exec(QStringLiteral("COMMIT"));
    if (stamp.size >= 0)
        m_loaded.insert(key, stamp);
}

void SqlEngine::ForgetWholeSecondStamps() {
    for (auto it = m_loaded.begin(); it != m_loaded.end();) {
        if (it->mtimeNs % 1000000000LL == 0)
            it = m_loaded.erase(it);
        else
            ++it;
    }
}

SqlEngine::Result SqlEngine::Run(const QString& sql, const QVariantList& positional, const QVariantMap& named,
                                 const QStringList& orderColumns) {
    static const QRegularExpression tableName(QStringLiteral("\"([^\"]+\\.[Dd][Bb])\""));
    QStringList names;
    for (auto it = tableName.globalMatch(sql); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    for (const QString& name : names)
        Load(name);

    sqlite3* db = m_db.get();
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr) != SQLITE_OK)
        throw DatabaseError(SqlMessage(QString::fromUtf8(sqlite3_errmsg(db))));
    Statement statement(raw);
    const int parameters = sqlite3_bind_parameter_count(raw);
    int nextPositional = 0;
    for (int p = 1; p <= parameters; ++p) {
        const char* pname = sqlite3_bind_parameter_name(raw, p);
        QVariant value;
        if (pname && pname[0] != '?') {
            const QString key = QString::fromUtf8(pname);
            if (!named.contains(key) && !named.contains(key.mid(1)))
                throw DatabaseError(
                    QStringLiteral("Δεν δόθηκε τιμή για την παράμετρο %1 του ερωτήματος.").arg(key));
            value = named.contains(key) ? named.value(key) : named.value(key.mid(1));
        } else {
            if (nextPositional >= positional.size())
                throw DatabaseError(
                    QStringLiteral("Δεν δόθηκε τιμή για την παράμετρο %1 του ερωτήματος.").arg(p));
            value = positional.at(nextPositional++);
        }
        if (!value.isValid() || value.isNull()) {
            sqlite3_bind_null(raw, p);
        } else {
            switch (value.typeId()) {
            case QMetaType::Bool:
                sqlite3_bind_int(raw, p, value.toBool() ? 1 : 0);
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                sqlite3_bind_int64(raw, p, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                sqlite3_bind_double(raw, p, value.toDouble());
                break;
            default: {
                const QByteArray utf8 = value.toString().toUtf8();
                sqlite3_bind_text(raw, p, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
            }
            }
        }
    }

    Result result;
    const int columnCount = sqlite3_column_count(raw);
    ColumnTexts texts(columnCount);
    QList<bool> logical;
    for (int c = 0; c < columnCount; ++c) {
        result.columns.append(QString::fromUtf8(sqlite3_column_name(raw, c)));
        const char* declared = sqlite3_column_decltype(raw, c);
        logical.append(declared && qstricmp(declared, "BOOLEAN") == 0);
    }
    std::vector<int> sortColumns;
    for (const QString& name : orderColumns) {
        const auto at =
            std::find_if(result.columns.cbegin(), result.columns.cend(), [&](const QString& column) {
                return column.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (at == result.columns.cend())
            throw DatabaseError(NoSuchFieldMessage(name));
        sortColumns.push_back(static_cast<int>(at - result.columns.cbegin()));
    }
    std::vector<SortEntry> entries;
    std::vector<int> textIds(static_cast<std::size_t>(columnCount)); // of the row at hand
    for (;;) {
        const int step = sqlite3_step(raw);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW)
            throw DatabaseError(SqlMessage(QString::fromUtf8(sqlite3_errmsg(db))));
        QList<FieldValue> row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c) {
            switch (sqlite3_column_type(raw, c)) {
            case SQLITE_INTEGER:
                // A Logical field selected as it is stays a logical value.
                if (logical[c])
                    row.append(FieldValue::Logical(sqlite3_column_int64(raw, c) != 0));
                else
                    row.append(FieldValue::Integer(sqlite3_column_int64(raw, c)));
                break;
            case SQLITE_FLOAT:
                row.append(FieldValue::Float(sqlite3_column_double(raw, c)));
                break;
            case SQLITE_TEXT: {
                const char* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, c));
                const std::string_view bytes(text, static_cast<std::size_t>(sqlite3_column_bytes(raw, c)));
                const int id = texts.Id(c, bytes);
                textIds[static_cast<std::size_t>(c)] = id;
                row.append(FieldValue::Text(texts.Texts(c)[static_cast<std::size_t>(id)]));
                break;
            }
            default:
                row.append(FieldValue());
            }
        }
        for (const int c : sortColumns)
            entries.push_back(SortEntryOf(row[c], textIds[static_cast<std::size_t>(c)]));
        result.rows.append(std::move(row));
    }
    if (!sortColumns.empty()) {
        const std::vector<int> order =
            SortedOrder(entries, sortColumns, texts, static_cast<std::size_t>(result.rows.size()));
        QList<QList<FieldValue>> sorted;
        sorted.reserve(result.rows.size());
        for (const int i : order)
            sorted.append(std::move(result.rows[i]));
        result.rows = std::move(sorted);
    }
    return result;
}

} // namespace ekaldo::schooldb
