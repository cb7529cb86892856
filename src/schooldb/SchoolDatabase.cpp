#include "schooldb/SchoolDatabase.h"

#include "base/CodePage1253.h"
#include "base/RegionalFormats.h"
#include "schooldb/BlockCipher.h"
#include "schooldb/SqlEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <tuple>
#include <vector>

namespace ekaldo::schooldb {
namespace {

QString Quoted(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QByteArray PasswordBytes(const QString& password) {
    if (CodePage1253::CanEncode(password))
        return CodePage1253::Encode(password);
    return password.toUtf8();
}

// The locale's long time format without its time-zone fields: a time read
// from a table has no zone.
QString LongTimeFormat() {
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

bool NumericValue(const FieldValue& v, double& out) {
    if (v.IsDecimal()) {
        out = v.DecimalValue().toDouble();
        return true;
    }
    if (v.IsInteger()) {
        out = static_cast<double>(v.IntegerValue());
        return true;
    }
    if (v.IsFloat()) {
        out = v.FloatValue();
        return true;
    }
    return false;
}

} // namespace

// ---- Session ----

void Session::AddPassword(const QString& password) {
    m_checksums.append(BlockCipher::PasswordChecksum(PasswordBytes(password)));
}

void Session::RemovePassword(const QString& password) {
    m_checksums.removeOne(BlockCipher::PasswordChecksum(PasswordBytes(password)));
}

void Session::RemoveAllPasswords() {
    m_checksums.clear();
}

bool Session::Accepts(std::uint32_t checksum) const {
    return checksum != 0 && m_checksums.contains(checksum);
}

ParadoxTable::PasswordCheck Session::Check() const {
    return [this](std::uint32_t checksum) { return Accepts(checksum); };
}

// ---- Database ----

Database::Database(Session& session, QString name) : m_session(session), m_name(std::move(name)) {}

Database::~Database() {
    Close();
}

void Database::SetDriverName(const QString& driver) {
    if (m_connected)
        throw DatabaseError(QStringLiteral("Η βάση ") + m_name +
                            QStringLiteral(" είναι συνδεδεμένη· ο οδηγός της δεν αλλάζει."));
    m_driver = driver;
}

void Database::SetParams(const QStringList& params) {
    if (m_connected)
        throw DatabaseError(QStringLiteral("Η βάση ") + m_name +
                            QStringLiteral(" είναι συνδεδεμένη· οι παράμετροί της δεν αλλάζουν."));
    m_params = params;
}

QString Database::Folder() const {
    for (const QString& p : m_params)
        if (p.startsWith(QStringLiteral("PATH="), Qt::CaseInsensitive))
            return p.mid(5);
    return QString();
}

void Database::Open() {
    if (m_connected)
        return;
    if (m_driver.compare(QStringLiteral("STANDARD"), Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("Ο οδηγός ") + Quoted(m_driver) + QStringLiteral(" της βάσης ") +
                            m_name + QStringLiteral(" δεν υποστηρίζεται."));
    const QString folder = Folder();
    if (folder.isEmpty())
        throw DatabaseError(QStringLiteral("Δεν έχει οριστεί φάκελος (PATH=) για τη βάση ") + m_name + '.');
    if (!QFileInfo(folder).isDir())
        throw DatabaseError(QStringLiteral("Ο φάκελος ") + Quoted(folder) + QStringLiteral(" της βάσης ") +
                            m_name + QStringLiteral(" δεν υπάρχει!"));
    m_connected = true;
}

void Database::Close() {
    const QList<DataSet*> open = m_openSets;
    for (DataSet* set : open)
        set->Close();
    m_openSets.clear();
    m_sql.reset();
    m_connected = false;
}

QString Database::TablePath(const QString& tableName) const {
    const QDir dir(Folder());
    QString exact = dir.filePath(tableName);
    if (QFileInfo(exact).exists() || tableName.contains(QLatin1Char('/')))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString& entry : entries)
        if (entry.compare(tableName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return exact;
}

std::unique_ptr<ParadoxTable> Database::LoadTable(const QString& tableName) const {
    const QString path = TablePath(tableName);
    if (!QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(tableName) +
                            QStringLiteral(" δεν υπάρχει στο φάκελο ") + Quoted(Folder()) + '!');
    return ParadoxTable::Open(path, m_session.Check());
}

void Database::Attach(DataSet* set) {
    if (!m_connected)
        Open();
    if (!m_openSets.contains(set))
        m_openSets.append(set);
}

void Database::Detach(DataSet* set) {
    m_openSets.removeAll(set);
    if (m_openSets.isEmpty() && !m_keepConnection) {
        m_connected = false;
        if (m_sql)
            m_sql->ForgetWholeSecondStamps();
    }
}

SqlEngine& Database::Sql() {
    // A table loaded under a password since withdrawn must not stay readable.
    if (m_sql && m_sqlPasswords != m_session.Checksums())
        m_sql.reset();
    if (!m_sql) {
        m_sqlPasswords = m_session.Checksums();
        m_sql = std::make_unique<SqlEngine>([this](const QString& name) { return LoadTable(name); },
                                            [this](const QString& name) { return TablePath(name); });
    }
    return *m_sql;
}

// ---- Field ----

QString Field::Name() const {
    return m_set->FieldName(m_index);
}
FieldValue Field::Value() const {
    return m_set->Value(m_index);
}

void Field::Refuse(const QString& why) const {
    throw DatabaseError(QStringLiteral("Το πεδίο ") + Quoted(Name()) + QStringLiteral(" του ") +
                        Quoted(m_set->DisplayName()) + QStringLiteral(": ") + why);
}

QString ValueText(const FieldValue& v, ValueStyle style) {
    if (v.IsNull())
        return QString();
    if (v.IsText())
        return v.TextValue();
    if (v.IsInteger())
        return QString::number(v.IntegerValue());
    if (v.IsFloat())
        return RegionalFormats::ShortestNumberText(v.FloatValue());
    if (v.IsLogical())
        return v.LogicalValue() ? QStringLiteral("True") : QStringLiteral("False");
    const bool iso = style == ValueStyle::Iso;
    const auto isoTime = [](QTime time) {
        return time.toString(time.msec() != 0 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    };
    if (v.IsDate())
        return iso ? v.DateValue().toString(Qt::ISODate)
                   : QLocale().toString(v.DateValue(), QLocale::ShortFormat);
    if (v.IsTime())
        return iso ? isoTime(v.TimeValue()) : QLocale().toString(v.TimeValue(), LongTimeFormat());
    if (v.IsTimestamp()) {
        const QDateTime& moment = v.TimestampValue();
        if (iso)
            return moment.date().toString(Qt::ISODate) + QLatin1Char('T') + isoTime(moment.time());
        return QLocale().toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
               QLocale().toString(moment.time(), LongTimeFormat());
    }
    if (v.IsDecimal()) {
        QString text = v.DecimalValue();
        return text.replace(QLatin1Char('.'), RegionalFormats::DecimalSeparator());
    }
    if (v.IsBytes())
        return QString::fromLatin1(v.BytesValue().toHex()).toUpper();
    if (v.IsBinary())
        return QStringLiteral("<%1 byte>").arg(v.BinaryValue());
    return v.UnreadableMessage();
}

QString Field::AsString() const {
    return ValueText(Value(), ValueStyle::Regional);
}

qint64 Field::AsInteger() const {
    const FieldValue v = Value();
    if (v.IsNull())
        return 0;
    if (v.IsInteger())
        return v.IntegerValue();
    if (v.IsFloat()) {
        if (!std::isfinite(v.FloatValue()) || std::fabs(v.FloatValue()) > 9.2e18)
            Refuse(QStringLiteral("η τιμή δεν είναι ακέραιος."));
        return std::llround(v.FloatValue());
    }
    if (v.IsLogical())
        return v.LogicalValue() ? 1 : 0;
    if (!v.IsText())
        Refuse(QStringLiteral("το \"%1\" δεν είναι ακέραιος αριθμός.").arg(AsString()));
    bool ok = false;
    const qint64 n = v.TextValue().trimmed().toLongLong(&ok);
    if (!ok)
        Refuse(QStringLiteral("το \"%1\" δεν είναι ακέραιος αριθμός.").arg(v.TextValue()));
    return n;
}

double Field::AsFloat() const {
    const FieldValue v = Value();
    double d = 0;
    if (v.IsNull())
        return 0;
    if (NumericValue(v, d))
        return d;
    if (v.IsLogical())
        return v.LogicalValue() ? 1 : 0;
    if (!v.IsText())
        Refuse(QStringLiteral("το \"%1\" δεν είναι αριθμός.").arg(AsString()));
    const auto parsed = RegionalFormats::ParseNumber(v.TextValue());
    if (!parsed)
        Refuse(QStringLiteral("το \"%1\" δεν είναι αριθμός.").arg(v.TextValue()));
    return *parsed;
}

bool Field::AsBoolean() const {
    const FieldValue v = Value();
    if (v.IsNull())
        return false;
    if (v.IsLogical())
        return v.LogicalValue();
    if (v.IsInteger())
        return v.IntegerValue() != 0;
    if (v.IsFloat())
        return v.FloatValue() != 0;
    if (!v.IsText())
        Refuse(QStringLiteral("το \"%1\" δεν είναι λογική τιμή.").arg(AsString()));
    const QString t = v.TextValue().trimmed();
    for (const char* yes : {"True", "T", "Yes", "Y"})
        if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* no : {"False", "F", "No", "N"})
        if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
            return false;
    Refuse(QStringLiteral("το \"%1\" δεν είναι λογική τιμή.").arg(v.TextValue()));
}

void Field::SetAsString(const QString& text) {
    const FieldDef* def = m_set->FieldDefinition(m_index);
    if (!def)
        Refuse(QStringLiteral("δεν γράφεται."));
    if (text.isEmpty()) {
        m_set->SetValue(m_index, FieldValue());
        return;
    }
    switch (def->type) {
    case FieldType::Alpha:
        m_set->SetValue(m_index, FieldValue::Text(text));
        return;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoIncrement: {
        bool ok = false;
        const qint64 n = text.trimmed().toLongLong(&ok);
        if (!ok)
            Refuse(QStringLiteral("το \"%1\" δεν είναι ακέραιος αριθμός.").arg(text));
        m_set->SetValue(m_index, FieldValue::Integer(n));
        return;
    }
    case FieldType::Number: {
        const auto parsed = RegionalFormats::ParseNumber(text);
        if (!parsed)
            Refuse(QStringLiteral("το \"%1\" δεν είναι αριθμός.").arg(text));
        m_set->SetValue(m_index, FieldValue::Float(*parsed));
        return;
    }
    case FieldType::Logical: {
        const QString t = text.trimmed();
        for (const char* yes : {"True", "T", "Yes", "Y"})
            if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
                return m_set->SetValue(m_index, FieldValue::Logical(true));
        for (const char* no : {"False", "F", "No", "N"})
            if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
                return m_set->SetValue(m_index, FieldValue::Logical(false));
        Refuse(QStringLiteral("το \"%1\" δεν είναι λογική τιμή.").arg(text));
    }
    default:
        Refuse(QStringLiteral("πεδίο τύπου %1 δεν γράφεται.").arg(FieldTypeName(def->type)));
    }
}

void Field::SetAsFloat(double value) {
    const FieldDef* def = m_set->FieldDefinition(m_index);
    if (!def)
        Refuse(QStringLiteral("δεν γράφεται."));
    if (def->type == FieldType::Alpha) {
        m_set->SetValue(m_index, FieldValue::Text(RegionalFormats::ShortestNumberText(value)));
    } else if (def->IsInteger()) {
        if (!std::isfinite(value) || value != std::trunc(value) || std::fabs(value) > 9.2e18)
            Refuse(QStringLiteral("ο αριθμός %1 δεν είναι ακέραιος.")
                       .arg(RegionalFormats::ShortestNumberText(value)));
        m_set->SetValue(m_index, FieldValue::Integer(static_cast<qint64>(value)));
    } else {
        m_set->SetValue(m_index, FieldValue::Float(value));
    }
}

void Field::Clear() {
    m_set->SetValue(m_index, FieldValue());
}

// ---- DataSet ----

DataSet::DataSet(Database& database) : m_database(database) {}

DataSet::~DataSet() {
    // Details outliving their master stand alone from now on.
    for (Table* detail : m_details) {
        detail->m_master = nullptr;
        detail->DropLinks();
    }
}

void DataSet::Open() {
    if (m_active)
        return;
    m_fieldIndexCache.clear();
    m_database.Attach(this);
    try {
        DoOpen();
    } catch (...) {
        m_database.Detach(this);
        throw;
    }
    m_active = true;
    MovedTo(0);
}

void DataSet::Close() {
    if (!m_active)
        return;
    DoClose();
    m_active = false;
    m_row = 0;
    m_fieldIndexCache.clear();
    m_database.Detach(this);
    for (Table* detail : std::as_const(m_details))
        detail->Rebuild();
}

void DataSet::CheckActive() const {
    if (!m_active)
        throw DatabaseError(Quoted(DisplayName()) +
                            QStringLiteral(": ο πίνακας ή το ερώτημα δεν είναι ανοιχτό."));
}

void DataSet::First() {
    CheckActive();
    BeforeMove();
    MovedTo(0);
}

void DataSet::Next() {
    CheckActive();
    BeforeMove();
    if (m_row < RowCount())
        MovedTo(m_row + 1);
}

bool DataSet::Eof() const {
    return !m_active || m_row >= RowCount();
}

void DataSet::MovedTo(int row) {
    m_row = row;
    // Read only: a range-for over the list itself would detach it on every move.
    for (Table* detail : std::as_const(m_details))
        detail->Rebuild();
}

int DataSet::FieldCount() const {
    return m_active ? FieldCountImpl() : 0;
}

QString DataSet::FieldName(int index) const {
    return FieldNameImpl(index);
}

int DataSet::FieldIndex(const QString& name) const {
    if (!m_active)
        return -1;
    // Fields are looked up by name on every read and every store of a
    // posting run: remember each name's place while the set is open.
    if (const auto cached = m_fieldIndexCache.constFind(name); cached != m_fieldIndexCache.constEnd())
        return *cached;
    int found = -1;
    for (int i = 0; i < FieldCountImpl() && found < 0; ++i)
        if (FieldNameImpl(i).compare(name, Qt::CaseInsensitive) == 0)
            found = i;
    m_fieldIndexCache.insert(name, found);
    return found;
}

Field DataSet::Fields(int index) {
    CheckActive();
    if (index < 0 || index >= FieldCountImpl())
        throw DatabaseError(Quoted(DisplayName()) +
                            QStringLiteral(": δεν υπάρχει πεδίο με αριθμό %1.").arg(index));
    return Field(*this, index);
}

Field DataSet::FieldByName(const QString& name) {
    CheckActive();
    const int index = FieldIndex(name);
    if (index < 0)
        throw DatabaseError(Quoted(DisplayName()) + QStringLiteral(": το πεδίο ") + Quoted(name) +
                            QStringLiteral(" δεν υπάρχει."));
    return Field(*this, index);
}

std::optional<Field> DataSet::FindField(const QString& name) {
    const int index = FieldIndex(name);
    if (index < 0)
        return std::nullopt;
    return Field(*this, index);
}

FieldValue DataSet::Value(int field) const {
    if (!m_active || m_row >= RowCount() || field < 0 || field >= FieldCountImpl())
        return {};
    return RowValue(m_row, field);
}

void DataSet::SetValue(int field, const FieldValue&) {
    throw DatabaseError(Quoted(DisplayName()) + QStringLiteral(": το πεδίο ") + Quoted(FieldName(field)) +
                        QStringLiteral(" είναι μόνο για ανάγνωση."));
}

// ---- Table ----

Table::Table(Database& database) : DataSet(database) {}

Table::~Table() {
    SetMasterSource(nullptr, QString());
    if (Active())
        Close();
}

void Table::SetTableName(const QString& name) {
    if (Active())
        throw DatabaseError(Quoted(m_tableName) + QStringLiteral(": ο πίνακας είναι ανοιχτός."));
    m_tableName = name;
}

void Table::SetIndexName(const QString& name) {
    m_indexName = name;
    m_indexField.clear();
    if (Active()) {
        BuildOrder();
        Rebuild();
    }
}

void Table::SetIndexFieldNames(const QString& field) {
    m_indexField = field;
    m_indexName.clear();
    if (Active()) {
        BuildOrder();
        Rebuild();
    }
}

void Table::SetMasterSource(DataSet* master, const QString& field) {
    if (m_master)
        m_master->m_details.removeAll(this);
    m_master = master;
    m_masterField = field;
    DropLinks();
    if (m_master)
        m_master->m_details.append(this);
    if (Active())
        Rebuild();
}

void Table::SetFilter(const QString& filter) {
    // A malformed filter is refused where it is set, leaving the old one in force.
    if (Active() && m_filtered && !filter.isEmpty())
        ParseFilter(filter);
    m_filterText = filter;
    m_filterField = -1;
    if (Active() && m_filtered)
        Rebuild();
}

void Table::SetFiltered(bool on) {
    if (Active() && on && !m_filterText.isEmpty())
        ParseFilter(m_filterText);
    m_filtered = on;
    if (Active())
        Rebuild();
}

std::pair<int, double> Table::ParseFilter(const QString& filter) const {
    static const QRegularExpression form(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*=\\s*([-+]?[0-9]+(?:\\.[0-9]+)?)\\s*$"));
    const auto m = form.match(filter);
    if (!m.hasMatch())
        throw DatabaseError(QStringLiteral("Άκυρο φίλτρο ") + Quoted(filter) +
                            QStringLiteral(" στον πίνακα ") + Quoted(m_tableName) + '.');
    return {RequireField(m.captured(1)), m.captured(2).toDouble()};
}

const ParadoxTable& Table::File() const {
    CheckActive();
    return *m_file;
}

int Table::FieldCountImpl() const {
    return m_file ? m_file->FieldCount() : 0;
}
QString Table::FieldNameImpl(int index) const {
    return m_file->Field(index).name;
}
const FieldDef* Table::FieldDefinition(int field) const {
    return m_file ? &m_file->Field(field) : nullptr;
}

FieldValue Table::RowValue(int row, int field) const {
    return m_file->Value(m_view[row], field);
}

FieldValue Table::Value(int field) const {
    if (m_editing && field >= 0 && field < FieldCountImpl())
        return m_file->Decode(reinterpret_cast<const unsigned char*>(m_editBuffer.constData()), field);
    return DataSet::Value(field);
}

int Table::RequireField(const QString& name) const {
    const int index = m_file->Layout().FieldIndex(name);
    if (index < 0)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                            QStringLiteral(" δεν έχει πεδίο ") + Quoted(name) + '.');
    return index;
}

void Table::DoOpen() {
    if (m_tableName.isEmpty())
        throw DatabaseError(QStringLiteral("Δεν δόθηκε όνομα πίνακα."));
    m_file = GetDatabase().LoadTable(m_tableName);
    try {
        BuildOrder();
    } catch (...) {
        m_file.reset();
        throw;
    }
    DropLinks();
    m_filterField = -1;
    m_editing = false;
    Rebuild();
}

void Table::DoClose() {
    m_editing = false;
    m_view.clear();
    m_order.clear();
    DropLinks();
    DropOrderNumbers();
    m_file.reset(); // syncs what was stored
}

void Table::BuildOrder() {
    m_order.resize(m_file->RecordCount());
    for (qint64 i = 0; i < m_order.size(); ++i)
        m_order[i] = i;
    QString field = m_indexField;
    if (!m_indexName.isEmpty()) {
        // A secondary index is named after its table and field: "Grade_StudentID_Inx".
        static const QRegularExpression named(QStringLiteral("^[^_]+_(.+)_Inx$"),
                                              QRegularExpression::CaseInsensitiveOption);
        const auto m = named.match(m_indexName);
        if (!m.hasMatch() || m_file->Layout().FieldIndex(m.captured(1)) < 0)
            throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                                QStringLiteral(" δεν έχει ευρετήριο ") + Quoted(m_indexName) + '.');
        field = m.captured(1);
    }
    DropLinks();
    DropOrderNumbers();
    if (field.isEmpty())
        return;
    const int index = RequireField(field);
    // Index fields are numbers nearly always, and the records mostly in their
    // order already: the same comparisons on plain numbers, and no sort at all
    // where the order holds. A NaN stands for null: a NaN read from the table
    // takes the general path below.
    std::vector<double>& numbers = m_orderNumbers;
    numbers.resize(m_order.size());
    bool numeric = true;
    const qint64 records = m_order.size();
    const int offset = m_file->Field(index).offset;
    for (qint64 i = 0; i < records && numeric; ++i) {
        // The records are far apart for the processor's own prefetching:
        // ask for one a little ahead while this one is decoded.
        constexpr qint64 kAhead = 16;
        if (i + kAhead < records)
            __builtin_prefetch(m_file->RecordData(i + kAhead) + offset);
        const FieldValue v = m_file->Value(i, index);
        if (v.IsNull())
            numbers[i] = std::numeric_limits<double>::quiet_NaN();
        else
            numeric = NumericValue(v, numbers[i]) && !std::isnan(numbers[i]);
    }
    if (numeric) {
        const auto before = [&](qint64 a, qint64 b) {
            const double x = numbers[a];
            const double y = numbers[b];
            if (std::isnan(x) || std::isnan(y))
                return std::isnan(x) && !std::isnan(y);
            return x < y;
        };
        if (!std::is_sorted(m_order.begin(), m_order.end(), before))
            std::stable_sort(m_order.begin(), m_order.end(), before);
        m_orderNumbersField = index;
        return;
    }
    DropOrderNumbers();
    QList<FieldValue> keys(m_order.size());
    for (qint64 i = 0; i < m_order.size(); ++i)
        keys[i] = m_file->Value(i, index);
    std::stable_sort(m_order.begin(), m_order.end(), [&](qint64 a, qint64 b) {
        const FieldValue& x = keys[a];
        const FieldValue& y = keys[b];
        if (x.IsNull() || y.IsNull())
            return x.IsNull() && !y.IsNull();
        double dx = 0, dy = 0;
        if (NumericValue(x, dx) && NumericValue(y, dy))
            return dx < dy;
        if (x.IsText() && y.IsText())
            return GreekTextCompare(x.TextValue(), y.TextValue()) < 0;
        if (x.IsLogical() && y.IsLogical())
            return !x.LogicalValue() && y.LogicalValue();
        return false;
    });
}

std::optional<quint64> NumberLinkKey(const FieldValue& v) {
    double d = 0;
    if (v.IsLogical())
        d = v.LogicalValue() ? 1 : 0;
    else if (v.IsNull() || !NumericValue(v, d))
        return std::nullopt;
    if (std::isnan(d))
        d = std::signbit(d) ? -std::numeric_limits<double>::quiet_NaN()
                            : std::numeric_limits<double>::quiet_NaN();
    quint64 bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

void Table::DropLinks() {
    m_linkIndex.clear();
    m_numberLinks.clear();
    m_numberRuns.clear();
    m_linkField = -1;
}

QString Table::LinkKey(const FieldValue& v) const {
    double d = 0;
    if (v.IsNull())
        return QString();
    if (NumericValue(v, d)) {
        // Shortest round-trip text: equal numbers, equal keys, without Qt's bignum path.
        char buffer[40] = {'N'};
        const char* end = std::to_chars(buffer + 1, buffer + sizeof buffer, d).ptr;
        return QString::fromLatin1(buffer, end - buffer);
    }
    if (v.IsLogical())
        return v.LogicalValue() ? QStringLiteral("N1") : QStringLiteral("N0");
    if (!v.IsText())
        return QStringLiteral("O") + ValueText(v, ValueStyle::Iso);
    return QStringLiteral("T") + v.TextValue();
}

void Table::Rebuild() {
    if (!Active() && !m_file)
        return;
    if (m_editing)
        Cancel();
    const QList<qint64>* source = &m_order;
    QList<qint64> linked;
    std::pair<qint64, qint64> run{0, 0}; // of m_order, when source is null
    if (m_master) {
        const int masterField = m_master->FieldIndex(m_masterField);
        if (m_master->Active() && masterField < 0)
            throw DatabaseError(Quoted(m_master->DisplayName()) + QStringLiteral(": το πεδίο ") +
                                Quoted(m_masterField) + QStringLiteral(" δεν υπάρχει."));
        if (m_linkField < 0) {
            DropLinks();
            m_linkField = RequireField(m_masterField);
            bool runsHold = m_linkField == m_orderNumbersField;
            if (runsHold) {
                // The order was sorted by this field's numbers: records of one key
                // follow each other, one lookup for each run of them.
                const qint64 n = m_order.size();
                for (qint64 i = 0; i < n && runsHold;) {
                    const double d = m_orderNumbers[m_order[i]];
                    qint64 end = i + 1;
                    if (std::isnan(d)) { // null: no key
                        i = end;
                        continue;
                    }
                    quint64 bits = 0;
                    std::memcpy(&bits, &d, sizeof bits);
                    while (end < n && std::memcmp(&m_orderNumbers[m_order[end]], &d, sizeof d) == 0)
                        ++end;
                    // 0 and -0 sort as equal yet are keys of their own, and may
                    // interleave: a key in two runs takes the lists below.
                    runsHold = !m_numberRuns.contains(bits);
                    m_numberRuns.insert(bits, {i, end});
                    i = end;
                }
                if (!runsHold)
                    m_numberRuns.clear();
            }
            if (!runsHold) {
                for (qint64 r : std::as_const(m_order)) {
                    const FieldValue value = m_file->Value(r, m_linkField);
                    if (const std::optional<quint64> bits = NumberLinkKey(value)) {
                        m_numberLinks[*bits].append(r);
                        continue;
                    }
                    const QString key = LinkKey(value);
                    if (!key.isEmpty())
                        m_linkIndex[key].append(r);
                }
            }
        }
        // Not the order field test: a store drops the order's numbers, not the links.
        const bool runs = !m_numberRuns.isEmpty();
        if (m_master->Active() && !m_master->Eof()) {
            const FieldValue value = m_master->Value(masterField);
            if (const std::optional<quint64> bits = NumberLinkKey(value)) {
                if (!runs)
                    linked = m_numberLinks.value(*bits);
                else if (const auto it = m_numberRuns.constFind(*bits); it != m_numberRuns.constEnd())
                    run = *it;
            } else {
                const QString key = LinkKey(value);
                if (!key.isEmpty())
                    linked = m_linkIndex.value(key);
            }
        }
        source = runs ? nullptr : &linked;
    }
    const std::span<const qint64> records =
        source ? std::span<const qint64>(source->constData(), static_cast<std::size_t>(source->size()))
               : std::span<const qint64>(m_order.constData() + run.first,
                                         static_cast<std::size_t>(run.second - run.first));
    if (m_filtered && !m_filterText.isEmpty()) {
        if (m_filterField < 0)
            std::tie(m_filterField, m_filterValue) = ParseFilter(m_filterText);
        QList<qint64> kept;
        for (qint64 r : records) {
            double d = 0;
            if (NumericValue(m_file->Value(r, m_filterField), d) && d == m_filterValue)
                kept.append(r);
        }
        m_view = std::move(kept);
    } else if (source) {
        m_view = *source;
    } else {
        // Copied into the view's own storage, kept from the last run: a
        // master moving through thousands of records allocates nothing.
        m_view.resize(static_cast<qsizetype>(records.size()));
        std::copy(records.begin(), records.end(), m_view.begin());
    }
    MovedTo(0);
}

void Table::BeforeMove() {
    if (m_editing)
        throw DatabaseError(
            QStringLiteral("Η εγγραφή του πίνακα ") + Quoted(m_tableName) +
            QStringLiteral(" είναι σε επεξεργασία· πρέπει πρώτα να αποθηκευτεί ή να ακυρωθεί."));
}

bool Table::FindKey(const QString& value) {
    CheckActive();
    BeforeMove();
    if (m_file->Layout().primaryKeyFields < 1)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                            QStringLiteral(" δεν έχει πρωτεύον κλειδί."));
    const FieldDef& key = m_file->Field(0);
    for (int row = 0; row < m_view.size(); ++row) {
        const FieldValue v = m_file->Value(m_view[row], 0);
        bool equal = false;
        if (key.IsText()) {
            equal = v.IsText() ? v.TextValue() == value : value.isEmpty();
        } else {
            double d = 0;
            bool ok = false;
            const double wanted = value.trimmed().toDouble(&ok);
            equal = ok && NumericValue(v, d) && d == wanted;
        }
        if (equal) {
            MovedTo(row);
            return true;
        }
    }
    return false;
}

void Table::Edit() {
    CheckActive();
    if (m_editing)
        return;
    if (Eof())
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                            QStringLiteral(" δεν έχει τρέχουσα εγγραφή για επεξεργασία."));
    m_editRecord = m_view[Row()];
    m_editBuffer = m_file->RecordBytes(m_editRecord);
    m_editing = true;
}

void Table::SetValue(int field, const FieldValue& value) {
    if (!m_editing)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                            QStringLiteral(" δεν είναι σε κατάσταση επεξεργασίας."));
    m_file->Encode(reinterpret_cast<unsigned char*>(m_editBuffer.data()), field, value);
}

void Table::Cancel() {
    m_editing = false;
    m_editBuffer.clear();
    m_editRecord = -1;
}

bool Table::Post() {
    if (!m_editing)
        throw DatabaseError(QStringLiteral("Ο πίνακας ") + Quoted(m_tableName) +
                            QStringLiteral(" δεν είναι σε κατάσταση επεξεργασίας."));
    if (m_beforePost && !m_beforePost(*this)) {
        Cancel();
        return false;
    }
    if (!m_editing) // the handler cancelled and yet let the store go on: nothing to store
        return false;
    if (m_editBuffer != m_file->RecordBytes(m_editRecord)) {
        DropOrderNumbers();
        m_file->StoreRecord(m_editRecord, m_editBuffer);
    }
    Cancel();
    return true;
}

void Table::BeginWriting() {
    CheckActive();
    m_file->OpenForWriting();
}

void Table::EndWriting() {
    CheckActive();
    m_file->EndWriting();
}

// ---- Query ----

Query::Query(Database& database) : DataSet(database) {}

Query::~Query() {
    if (Active())
        Close();
}

void Query::BindValue(const QString& placeholder, const QVariant& value) {
    m_named.insert(placeholder.startsWith(QLatin1Char(':')) ? placeholder : QLatin1Char(':') + placeholder,
                   value);
}

void Query::AddBindValue(const QVariant& value) {
    m_positional.append(value);
}

void Query::ClearBindValues() {
    m_named.clear();
    m_positional.clear();
}

void Query::DoOpen() {
    SqlEngine::Result result =
        GetDatabase().Sql().Run(m_sql.join(QLatin1Char('\n')), m_positional, m_named, m_orderFields);
    m_columns = std::move(result.columns);
    m_rows = std::move(result.rows);
}

void Query::DoClose() {
    m_columns.clear();
    m_rows.clear();
}

} // namespace ekaldo::schooldb
