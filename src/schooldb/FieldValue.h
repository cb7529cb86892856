#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace ekaldo::schooldb {

// One decoded field value; null is a value of its own.
class FieldValue {
public:
    FieldValue() = default;
    static FieldValue Text(QString text) { return FieldValue(Variant(std::move(text))); }
    static FieldValue Integer(std::int64_t value) { return FieldValue(Variant(value)); }
    static FieldValue Float(double value) { return FieldValue(Variant(value)); }
    static FieldValue Logical(bool value) { return FieldValue(Variant(value)); }

    bool IsNull() const { return std::holds_alternative<std::monostate>(m_value); }
    bool IsText() const { return std::holds_alternative<QString>(m_value); }
    bool IsInteger() const { return std::holds_alternative<std::int64_t>(m_value); }
    bool IsFloat() const { return std::holds_alternative<double>(m_value); }
    bool IsLogical() const { return std::holds_alternative<bool>(m_value); }

    const QString& TextValue() const { return std::get<QString>(m_value); }
    std::int64_t IntegerValue() const { return std::get<std::int64_t>(m_value); }
    double FloatValue() const { return std::get<double>(m_value); }
    bool LogicalValue() const { return std::get<bool>(m_value); }

    bool operator==(const FieldValue&) const = default;

private:
    using Variant = std::variant<std::monostate, QString, std::int64_t, double, bool>;
    explicit FieldValue(Variant v) : m_value(std::move(v)) {}
    Variant m_value;
};

} // namespace ekaldo::schooldb
