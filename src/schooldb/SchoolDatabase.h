#pragma once

#include "schooldb/DatabaseError.h"
#include "schooldb/FieldValue.h"
#include "schooldb/ParadoxTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ekaldo::schooldb {

class DataSet;
class SqlEngine;
class Table;

// The table passwords registered for the run; every database shares one session.
class Session {
public:
    void AddPassword(const QString& password);
    // Withdraws one registration of the password; the others stay.
    void RemovePassword(const QString& password);
    void RemoveAllPasswords();
    bool Accepts(std::uint32_t checksum) const;
    ParadoxTable::PasswordCheck Check() const;
    // The registered passwords, as checksums in the order of registration.
    const QList<std::uint32_t>& Checksums() const { return m_checksums; }

private:
    QList<std::uint32_t> m_checksums;
};

// A database name over one folder of Paradox tables. It keeps no connection
// of its own: it disconnects when its last open table or query closes and
// connects again, with the same parameters, when one is next opened. The
// tables its queries loaded stay loaded across that, each read again when its
// file changes, until the database closes or the session's passwords change:
// the filter window composes its sheet again on every tick. (A table whose
// file keeps whole-second times is read again after each disconnection.)
class Database {
public:
    explicit Database(Session& session, QString name = QStringLiteral("MorvenDataBase"));
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& Name() const { return m_name; }
    Session& GetSession() const { return m_session; }

    void SetDriverName(const QString& driver); // only "STANDARD"
    void SetLoginPrompt(bool prompt) { m_loginPrompt = prompt; }
    void SetKeepConnection(bool keep) { m_keepConnection = keep; }
    void SetParams(const QStringList& params); // "PATH=" and the folder
    QString Folder() const;

    // Connecting checks the driver and that the folder exists.
    void Open();
    // Closes every table and query of the database first.
    void Close();
    bool Connected() const { return m_connected; }

    // The file of a table in the folder; the name is matched without regard to
    // case when the exact name is not there.
    QString TablePath(const QString& tableName) const;
    std::unique_ptr<ParadoxTable> LoadTable(const QString& tableName) const;

private:
    friend class DataSet;
    friend class Query;
    void Attach(DataSet* set);
    void Detach(DataSet* set);
    SqlEngine& Sql();

    Session& m_session;
    QString m_name;
    QString m_driver = QStringLiteral("STANDARD");
    QStringList m_params;
    bool m_loginPrompt = false;
    bool m_keepConnection = false;
    bool m_connected = false;
    QList<DataSet*> m_openSets;
    std::unique_ptr<SqlEngine> m_sql;
    QList<std::uint32_t> m_sqlPasswords; // the session's passwords when m_sql loaded its tables
};

enum class ValueStyle {
    Regional, // the user's short date, long time and decimal separator
    Iso,      // ISO dates and times, for scripts
};
// A value as text; a null is "". Binary BLOBs give their size, a value that
// cannot be reached the reason in angle brackets.
QString ValueText(const FieldValue& value, ValueStyle style);

// The key a number or a logical (as 0 or 1) links a detail table to its
// master by: equal numbers, equal bits (so -0 is not 0), every NaN of a sign
// one key; none for any other value.
std::optional<quint64> NumberLinkKey(const FieldValue& value);

// A field of the current record, by position.
class Field {
public:
    Field(DataSet& set, int index) : m_set(&set), m_index(index) {}
    QString Name() const;
    FieldValue Value() const;
    bool IsNull() const { return Value().IsNull(); }
    // A null reads as "", 0, 0.0 and false.
    QString AsString() const;
    qint64 AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    // Writes need a table record in edit state; "" stores a null.
    void SetAsString(const QString& text);
    void SetAsFloat(double value);
    void Clear();

private:
    [[noreturn]] void Refuse(const QString& why) const;
    DataSet* m_set;
    int m_index;
};

// What tables and queries share: opening, moving through the records,
// fields by name, and the detail tables that follow the current record.
class DataSet {
public:
    explicit DataSet(Database& database);
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    Database& GetDatabase() const { return m_database; }
    virtual QString DisplayName() const = 0;

    void Open();
    void Close();
    bool Active() const { return m_active; }

    void First();
    void Next();
    bool Eof() const;
    bool IsEmpty() const { return RowCount() == 0; }
    int RecordCount() const { return RowCount(); }

    int FieldCount() const;
    QString FieldName(int index) const;
    Field Fields(int index);
    Field FieldByName(const QString& name); // case-blind; throws when missing
    std::optional<Field> FindField(const QString& name);
    int FieldIndex(const QString& name) const; // -1 when missing

    // The current record's value; null at the end or when closed.
    virtual FieldValue Value(int field) const;

protected:
    friend class Field;
    friend class Table;
    virtual void DoOpen() = 0;
    virtual void DoClose() = 0;
    virtual int RowCount() const = 0;
    virtual FieldValue RowValue(int row, int field) const = 0;
    virtual int FieldCountImpl() const = 0;
    virtual QString FieldNameImpl(int index) const = 0;
    virtual void SetValue(int field, const FieldValue& value);
    virtual const FieldDef* FieldDefinition(int /*field*/) const { return nullptr; }
    virtual void BeforeMove() {}
    void CheckActive() const;
    void MovedTo(int row);
    int Row() const { return m_row; }

private:
    Database& m_database;
    bool m_active = false;
    int m_row = 0;
    // Field places by the names asked for, as asked (exact text); cleared on open and close.
    mutable QHash<QString, int> m_fieldIndexCache;
    QList<Table*> m_details;
};

// A table file of the database's folder.
class Table : public DataSet {
public:
    explicit Table(Database& database);
    ~Table() override;

    void SetTableName(const QString& name);
    const QString& TableName() const { return m_tableName; }
    QString DisplayName() const override { return m_tableName; }

    // Order by a named secondary index ("<table>_<field>_Inx") or by a field;
    // records with equal keys stay in the table's stored order.
    void SetIndexName(const QString& name);
    void SetIndexFieldNames(const QString& field);

    // Holds only the records whose field equals the same-named field of the
    // master's current record, standing on the first; follows the master.
    void SetMasterSource(DataSet* master, const QString& field);

    // "FIELD=number"; a malformed filter or an unknown field raises an error.
    void SetFilter(const QString& filter);
    void SetFiltered(bool on);
    bool Filtered() const { return m_filtered; }

    // Goes to the record whose first primary-key field equals value exactly;
    // false leaves the current record as it was.
    bool FindKey(const QString& value);

    void Edit();
    // Runs the before-post handler, then stores the record in place. Returns
    // false, with the record's changes cancelled and nothing written, when the
    // handler refused the store.
    bool Post();
    void Cancel();
    bool Editing() const { return m_editing; }
    using BeforePostHandler = std::function<bool(Table&)>;
    void SetBeforePost(BeforePostHandler handler) { m_beforePost = std::move(handler); }

    // A run of stores: BeginWriting takes the table's write lock before the
    // first store (TableLockedError when another program has the table);
    // EndWriting puts everything on the disk and lets other programs in again.
    void BeginWriting();
    void EndWriting();

    const ParadoxTable& File() const;
    // The file's number of the record under the cursor, -1 past the end: a
    // loop over hundreds of thousands of records reads their fields in File().
    qint64 RecordNumber() const { return Active() && Row() < m_view.size() ? m_view[Row()] : -1; }
    FieldValue Value(int field) const override;

protected:
    void DoOpen() override;
    void DoClose() override;
    int RowCount() const override { return static_cast<int>(m_view.size()); }
    FieldValue RowValue(int row, int field) const override;
    int FieldCountImpl() const override;
    QString FieldNameImpl(int index) const override;
    void SetValue(int field, const FieldValue& value) override;
    const FieldDef* FieldDefinition(int field) const override;
    void BeforeMove() override;

private:
    friend class DataSet;
    void BuildOrder();
    void Rebuild(); // the view from order, master and filter; then the first record
    int RequireField(const QString& name) const;
    std::pair<int, double> ParseFilter(const QString& filter) const; // field, value
    QString LinkKey(const FieldValue& value) const;
    void DropLinks(); // the link index, to be built again for the next master record

    QString m_tableName;
    QString m_indexName;
    QString m_indexField;
    DataSet* m_master = nullptr;
    QString m_masterField;
    QString m_filterText;
    bool m_filtered = false;
    int m_filterField = -1;
    double m_filterValue = 0;
    BeforePostHandler m_beforePost;

    std::unique_ptr<ParadoxTable> m_file;
    QList<qint64> m_order;                       // every record, in index order
    QList<qint64> m_view;                        // the records the table holds now
    QHash<QString, QList<qint64>> m_linkIndex;   // by master key, in index order
    QHash<quint64, QList<qint64>> m_numberLinks; // the same for number keys, by their bits
    // When the order was sorted by the link field: each number key's records
    // as a run [first, end) of m_order, instead of a list of its own.
    QHash<quint64, std::pair<qint64, qint64>> m_numberRuns;
    int m_linkField = -1;
    // The numbers the order was sorted by (NaN for null), kept for a link index
    // on the same field so that it needs no second decode of every record;
    // dropped at the first store.
    std::vector<double> m_orderNumbers;
    int m_orderNumbersField = -1;
    void DropOrderNumbers() {
        m_orderNumbers.clear();
        m_orderNumbersField = -1;
    }

    bool m_editing = false;
    qint64 m_editRecord = -1;
    QByteArray m_editBuffer;
};

// Local SQL over the folder's tables: tables named by file name in double
// quotes with an alias. Values are bound, never pasted into the text.
class Query : public DataSet {
public:
    explicit Query(Database& database);
    ~Query() override;

    void SetSql(const QStringList& lines) { m_sql = lines; }
    QStringList& Sql() { return m_sql; }
    void BindValue(const QString& placeholder, const QVariant& value); // ":name"
    void AddBindValue(const QVariant& value);                          // "?", in order
    void ClearBindValues();
    // Result columns the rows are sorted by once the SQL has run, in place of
    // an ORDER BY (see SqlEngine::Run).
    void SetOrderFields(const QStringList& names) { m_orderFields = names; }
    QString DisplayName() const override { return QStringLiteral("SQL"); }

protected:
    void DoOpen() override;
    void DoClose() override;
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    FieldValue RowValue(int row, int field) const override { return m_rows[row][field]; }
    int FieldCountImpl() const override { return static_cast<int>(m_columns.size()); }
    QString FieldNameImpl(int index) const override { return m_columns[index]; }

private:
    QStringList m_sql;
    QVariantList m_positional;
    QVariantMap m_named;
    QStringList m_orderFields;
    QStringList m_columns;
    QList<QList<FieldValue>> m_rows;
};

} // namespace ekaldo::schooldb
