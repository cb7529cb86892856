#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <variant>

namespace ekaldo::schooldb {

// One decoded field value; null is a value of its own.
//
// A decoded table is millions of these, nearly all numbers, integers and
// nulls, each made and dropped in the reader's loop. A tagged union rather
// than a std::variant: making, moving and dropping a number or a null is then
// a few plain stores, where the variant dispatched each of them through a
// table of functions because some of its alternatives hold text.
class FieldValue {
public:
    FieldValue() noexcept : m_kind(Kind::Null) { m_integer = 0; }
    static FieldValue Text(QString text) { return FieldValue(Kind::Text, std::move(text)); }
    static FieldValue Integer(std::int64_t value) noexcept {
        FieldValue v(Kind::Integer);
        v.m_integer = value;
        return v;
    }
    static FieldValue Float(double value) noexcept {
        FieldValue v(Kind::Float);
        v.m_float = value;
        return v;
    }
    static FieldValue Logical(bool value) noexcept {
        FieldValue v(Kind::Logical);
        v.m_logical = value;
        return v;
    }
    static FieldValue Date(QDate value) noexcept {
        FieldValue v(Kind::Date);
        new (&v.m_moment) Moment{value, QTime()};
        return v;
    }
    static FieldValue Time(QTime value) noexcept {
        FieldValue v(Kind::Time);
        new (&v.m_moment) Moment{QDate(), value};
        return v;
    }
    // A moment as the table stores it, with no time zone: its date and time
    // are kept as given and read back as UTC.
    static FieldValue Timestamp(const QDateTime& value) noexcept {
        FieldValue v(Kind::Timestamp);
        new (&v.m_moment) Moment{value.date(), value.time()};
        return v;
    }
    // An exact decimal as a BCD field holds it: digits, '.' and its declared decimals.
    static FieldValue DecimalText(QString digits) { return FieldValue(Kind::Decimal, std::move(digits)); }
    static FieldValue Bytes(QByteArray value) {
        FieldValue v(Kind::Bytes);
        new (&v.m_bytes) QByteArray(std::move(value));
        return v;
    }
    // A binary BLOB field, known by its size only.
    static FieldValue Binary(qint64 size) noexcept {
        FieldValue v(Kind::Binary);
        v.m_integer = size;
        return v;
    }
    // A field whose stored value cannot be reached (a BLOB without its memo
    // file, a damaged memo file): the message says why.
    static FieldValue Missing(QString message) { return FieldValue(Kind::Unreadable, std::move(message)); }

    FieldValue(const FieldValue& other) : m_kind(other.m_kind) { CopyFrom(other); }
    FieldValue(FieldValue&& other) noexcept : m_kind(other.m_kind) { MoveFrom(std::move(other)); }
    FieldValue& operator=(const FieldValue& other) {
        if (this != &other) {
            FieldValue copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    FieldValue& operator=(FieldValue&& other) noexcept {
        if (this != &other) {
            Drop();
            m_kind = other.m_kind;
            MoveFrom(std::move(other));
        }
        return *this;
    }
    ~FieldValue() { Drop(); }

    bool IsNull() const { return m_kind == Kind::Null; }
    bool IsText() const { return m_kind == Kind::Text; }
    bool IsInteger() const { return m_kind == Kind::Integer; }
    bool IsFloat() const { return m_kind == Kind::Float; }
    bool IsLogical() const { return m_kind == Kind::Logical; }
    bool IsDate() const { return m_kind == Kind::Date; }
    bool IsTime() const { return m_kind == Kind::Time; }
    bool IsTimestamp() const { return m_kind == Kind::Timestamp; }
    bool IsDecimal() const { return m_kind == Kind::Decimal; }
    bool IsBytes() const { return m_kind == Kind::Bytes; }
    bool IsBinary() const { return m_kind == Kind::Binary; }
    bool IsUnreadable() const { return m_kind == Kind::Unreadable; }

    // Each throws std::bad_variant_access when the value is of another kind.
    const QString& TextValue() const { return Checked(Kind::Text).m_text; }
    std::int64_t IntegerValue() const { return Checked(Kind::Integer).m_integer; }
    double FloatValue() const { return Checked(Kind::Float).m_float; }
    bool LogicalValue() const { return Checked(Kind::Logical).m_logical; }
    QDate DateValue() const { return Checked(Kind::Date).m_moment.date; }
    QTime TimeValue() const { return Checked(Kind::Time).m_moment.time; }
    QDateTime TimestampValue() const {
        const Moment& m = Checked(Kind::Timestamp).m_moment;
        return QDateTime(m.date, m.time, Qt::UTC);
    }
    const QString& DecimalValue() const { return Checked(Kind::Decimal).m_text; }
    const QByteArray& BytesValue() const { return Checked(Kind::Bytes).m_bytes; }
    qint64 BinaryValue() const { return Checked(Kind::Binary).m_integer; }
    const QString& UnreadableMessage() const { return Checked(Kind::Unreadable).m_text; }

    friend bool operator==(const FieldValue& a, const FieldValue& b) {
        if (a.m_kind != b.m_kind)
            return false;
        switch (a.m_kind) {
        case Kind::Null:
            return true;
        case Kind::Integer:
        case Kind::Binary:
            return a.m_integer == b.m_integer;
        case Kind::Float:
            return a.m_float == b.m_float;
        case Kind::Logical:
            return a.m_logical == b.m_logical;
        case Kind::Date:
        case Kind::Time:
        case Kind::Timestamp:
            return a.m_moment.date == b.m_moment.date && a.m_moment.time == b.m_moment.time;
        case Kind::Text:
        case Kind::Decimal:
        case Kind::Unreadable:
            return a.m_text == b.m_text;
        case Kind::Bytes:
            return a.m_bytes == b.m_bytes;
        }
        return false;
    }

private:
    enum class Kind : std::uint8_t {
        Null,
        Integer,
        Float,
        Logical,
        Date,
        Time,
        Timestamp,
        Binary,
        // Those below hold Qt's shared data and must be copied and dropped as such.
        Text,
        Decimal,
        Unreadable,
        Bytes,
    };
    struct Moment {
        QDate date;
        QTime time;
    };
    static bool HoldsString(Kind kind) {
        return kind == Kind::Text || kind == Kind::Decimal || kind == Kind::Unreadable;
    }

    explicit FieldValue(Kind kind) noexcept : m_kind(kind) { m_integer = 0; }
    FieldValue(Kind kind, QString&& text) noexcept : m_kind(kind) { new (&m_text) QString(std::move(text)); }

    const FieldValue& Checked(Kind kind) const {
        if (m_kind != kind)
            throw std::bad_variant_access();
        return *this;
    }
    void CopyFrom(const FieldValue& other) {
        if (HoldsString(m_kind))
            new (&m_text) QString(other.m_text);
        else if (m_kind == Kind::Bytes)
            new (&m_bytes) QByteArray(other.m_bytes);
        else
            std::memcpy(&m_plain, &other.m_plain, sizeof m_plain);
    }
    void MoveFrom(FieldValue&& other) noexcept {
        if (HoldsString(m_kind))
            new (&m_text) QString(std::move(other.m_text));
        else if (m_kind == Kind::Bytes)
            new (&m_bytes) QByteArray(std::move(other.m_bytes));
        else
            std::memcpy(&m_plain, &other.m_plain, sizeof m_plain);
    }
    void Drop() noexcept {
        if (m_kind < Kind::Text)
            return;
        if (m_kind == Kind::Bytes)
            m_bytes.~QByteArray();
        else
            m_text.~QString();
    }

    Kind m_kind;
    // The plain kinds fit in the bytes of a moment; copying those bytes copies any of them.
    struct Plain {
        alignas(Moment) unsigned char bytes[sizeof(Moment)];
    };
    union {
        std::int64_t m_integer;
        double m_float;
        bool m_logical;
        Moment m_moment;
        Plain m_plain;
        QString m_text;
        QByteArray m_bytes;
    };
};

} // namespace ekaldo::schooldb
