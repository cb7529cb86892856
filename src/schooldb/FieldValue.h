#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>
#include <utility>
#include <variant>

namespace ekaldo::schooldb {

// One decoded field value; null is a value of its own.
class FieldValue {
public:
    // An exact decimal as a BCD field holds it: digits, '.' and its declared decimals.
    struct Decimal {
        QString digits;
        bool operator==(const Decimal&) const = default;
    };
    // A binary BLOB field, known by its size only.
    struct BinarySize {
        qint64 size = 0;
        bool operator==(const BinarySize&) const = default;
    };
    // A field whose stored value cannot be reached (a BLOB without its memo
    // file, a damaged memo file): the message says why.
    struct Unreadable {
        QString message;
        bool operator==(const Unreadable&) const = default;
    };

    FieldValue() = default;
    static FieldValue Text(QString text) { return FieldValue(std::in_place_type<QString>, std::move(text)); }
    static FieldValue Integer(std::int64_t value) {
        return FieldValue(std::in_place_type<std::int64_t>, value);
    }
    static FieldValue Float(double value) { return FieldValue(std::in_place_type<double>, value); }
    static FieldValue Logical(bool value) { return FieldValue(std::in_place_type<bool>, value); }
    static FieldValue Date(QDate value) { return FieldValue(std::in_place_type<QDate>, value); }
    static FieldValue Time(QTime value) { return FieldValue(std::in_place_type<QTime>, value); }
    // A moment as the table stores it, with no time zone.
    static FieldValue Timestamp(QDateTime value) {
        return FieldValue(std::in_place_type<QDateTime>, std::move(value));
    }
    static FieldValue DecimalText(QString digits) {
        return FieldValue(std::in_place_type<Decimal>, Decimal{std::move(digits)});
    }
    static FieldValue Bytes(QByteArray value) {
        return FieldValue(std::in_place_type<QByteArray>, std::move(value));
    }
    static FieldValue Binary(qint64 size) {
        return FieldValue(std::in_place_type<BinarySize>, BinarySize{size});
    }
    static FieldValue Missing(QString message) {
        return FieldValue(std::in_place_type<Unreadable>, Unreadable{std::move(message)});
    }

    bool IsNull() const { return std::holds_alternative<std::monostate>(m_value); }
    bool IsText() const { return std::holds_alternative<QString>(m_value); }
    bool IsInteger() const { return std::holds_alternative<std::int64_t>(m_value); }
    bool IsFloat() const { return std::holds_alternative<double>(m_value); }
    bool IsLogical() const { return std::holds_alternative<bool>(m_value); }
    bool IsDate() const { return std::holds_alternative<QDate>(m_value); }
    bool IsTime() const { return std::holds_alternative<QTime>(m_value); }
    bool IsTimestamp() const { return std::holds_alternative<QDateTime>(m_value); }
    bool IsDecimal() const { return std::holds_alternative<Decimal>(m_value); }
    bool IsBytes() const { return std::holds_alternative<QByteArray>(m_value); }
    bool IsBinary() const { return std::holds_alternative<BinarySize>(m_value); }
    bool IsUnreadable() const { return std::holds_alternative<Unreadable>(m_value); }

    const QString& TextValue() const { return std::get<QString>(m_value); }
    std::int64_t IntegerValue() const { return std::get<std::int64_t>(m_value); }
    double FloatValue() const { return std::get<double>(m_value); }
    bool LogicalValue() const { return std::get<bool>(m_value); }
    QDate DateValue() const { return std::get<QDate>(m_value); }
    QTime TimeValue() const { return std::get<QTime>(m_value); }
    const QDateTime& TimestampValue() const { return std::get<QDateTime>(m_value); }
    const QString& DecimalValue() const { return std::get<Decimal>(m_value).digits; }
    const QByteArray& BytesValue() const { return std::get<QByteArray>(m_value); }
    qint64 BinaryValue() const { return std::get<BinarySize>(m_value).size; }
    const QString& UnreadableMessage() const { return std::get<Unreadable>(m_value).message; }

    bool operator==(const FieldValue&) const = default;

private:
    using Variant = std::variant<std::monostate, QString, std::int64_t, double, bool, QDate, QTime, QDateTime,
                                 Decimal, QByteArray, BinarySize, Unreadable>;
    // Built in place: a decoded table is millions of these.
    template <typename T, typename... Args>
    explicit FieldValue(std::in_place_type_t<T> type, Args&&... args)
        : m_value(type, std::forward<Args>(args)...) {}
    Variant m_value;
};

} // namespace ekaldo::schooldb
