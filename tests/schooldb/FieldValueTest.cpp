// A field value carries any decoded type through copies, moves and
// assignments between kinds without losing or sharing what it holds.
#include "schooldb/FieldValue.h"

#include <gtest/gtest.h>

#include <variant>
#include <vector>

using namespace ekaldo::schooldb;

namespace {

// One value of every kind, each distinct from the others.
std::vector<FieldValue> OneOfEach() {
    return {
        FieldValue(),
        FieldValue::Text(QStringLiteral("Παπαδόπουλος")),
        FieldValue::Integer(-2147483647LL),
        FieldValue::Float(-0.5),
        FieldValue::Logical(true),
        FieldValue::Date(QDate(1899, 12, 30)),
        FieldValue::Time(QTime(23, 59, 59, 999)),
        FieldValue::Timestamp(QDateTime(QDate(2039, 1, 19), QTime(3, 14, 8, 1), Qt::UTC)),
        FieldValue::DecimalText(QStringLiteral("-12.3400")),
        FieldValue::Bytes(QByteArray("\x00\xFF\x7F", 3)),
        FieldValue::Binary(70000),
        FieldValue::Missing(QStringLiteral("λείπει το αρχείο σημειώσεων")),
    };
}

} // namespace

TEST(FieldValue, EachKindReadsBackWhatItWasMadeOf) {
    const std::vector<FieldValue> v = OneOfEach();
    EXPECT_TRUE(v[0].IsNull());
    EXPECT_EQ(v[1].TextValue(), QStringLiteral("Παπαδόπουλος"));
    EXPECT_EQ(v[2].IntegerValue(), -2147483647LL);
    EXPECT_EQ(v[3].FloatValue(), -0.5);
    EXPECT_TRUE(v[4].LogicalValue());
    EXPECT_EQ(v[5].DateValue(), QDate(1899, 12, 30));
    EXPECT_EQ(v[6].TimeValue(), QTime(23, 59, 59, 999));
    EXPECT_EQ(v[7].TimestampValue(), QDateTime(QDate(2039, 1, 19), QTime(3, 14, 8, 1), Qt::UTC));
    EXPECT_EQ(v[7].TimestampValue().timeSpec(), Qt::UTC);
    EXPECT_EQ(v[8].DecimalValue(), QStringLiteral("-12.3400"));
    EXPECT_EQ(v[9].BytesValue(), QByteArray("\x00\xFF\x7F", 3));
    EXPECT_EQ(v[10].BinaryValue(), 70000);
    EXPECT_EQ(v[11].UnreadableMessage(), QStringLiteral("λείπει το αρχείο σημειώσεων"));
    // A kind answers to its own test only.
    const auto kinds = [](const FieldValue& x) {
        return std::vector<bool>{x.IsNull(),    x.IsText(),  x.IsInteger(), x.IsFloat(),
                                 x.IsLogical(), x.IsDate(),  x.IsTime(),    x.IsTimestamp(),
                                 x.IsDecimal(), x.IsBytes(), x.IsBinary(),  x.IsUnreadable()};
    };
    for (std::size_t i = 0; i < v.size(); ++i) {
        const std::vector<bool> k = kinds(v[i]);
        for (std::size_t j = 0; j < k.size(); ++j)
            EXPECT_EQ(k[j], i == j) << "value " << i << ", test " << j;
    }
}

TEST(FieldValue, ReadingAnotherKindThrowsInsteadOfReturningItsBytes) {
    EXPECT_THROW(FieldValue::Integer(3).FloatValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::Float(3).IntegerValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue().TextValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::DecimalText(QStringLiteral("1")).TextValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::Missing(QStringLiteral("x")).TextValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::Date(QDate(2000, 1, 1)).TimestampValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::Binary(4).IntegerValue(), std::bad_variant_access);
    EXPECT_THROW(FieldValue::Text(QStringLiteral("x")).BytesValue(), std::bad_variant_access);
}

TEST(FieldValue, EqualOnlyWithTheSameKindAndValue) {
    const std::vector<FieldValue> a = OneOfEach();
    const std::vector<FieldValue> b = OneOfEach();
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            EXPECT_EQ(a[i] == b[j], i == j) << i << " against " << j;
    // The same payload under another kind is another value.
    EXPECT_NE(FieldValue::Integer(5), FieldValue::Binary(5));
    EXPECT_NE(FieldValue::Text(QStringLiteral("5")), FieldValue::DecimalText(QStringLiteral("5")));
    EXPECT_NE(FieldValue::Date(QDate(2000, 1, 1)),
              FieldValue::Timestamp(QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC)));
    EXPECT_NE(FieldValue::Integer(5), FieldValue::Integer(6));
    EXPECT_NE(FieldValue::Text(QStringLiteral("α")), FieldValue::Text(QStringLiteral("β")));
    EXPECT_NE(FieldValue::Bytes("a"), FieldValue::Bytes("b"));
    EXPECT_NE(FieldValue::Time(QTime(1, 0)), FieldValue::Time(QTime(1, 0, 0, 1)));
    EXPECT_NE(FieldValue::Logical(true), FieldValue::Logical(false));
    EXPECT_NE(FieldValue::Float(0.1), FieldValue::Float(0.2));
}

TEST(FieldValue, CopiesMovesAndAssignmentsBetweenEveryPairOfKinds) {
    const std::vector<FieldValue> originals = OneOfEach();
    for (std::size_t from = 0; from < originals.size(); ++from) {
        const FieldValue copy(originals[from]);
        EXPECT_EQ(copy, originals[from]);
        FieldValue source(originals[from]);
        const FieldValue moved(std::move(source));
        EXPECT_EQ(moved, originals[from]);
        for (std::size_t to = 0; to < originals.size(); ++to) {
            FieldValue target(originals[to]);
            target = originals[from];
            EXPECT_EQ(target, originals[from]) << to << " assigned " << from;
            FieldValue target2(originals[to]);
            FieldValue source2(originals[from]);
            target2 = std::move(source2);
            EXPECT_EQ(target2, originals[from]) << to << " moved into from " << from;
        }
    }
}

TEST(FieldValue, ACopyOwnsItsTextAndBytes) {
    FieldValue text = FieldValue::Text(QStringLiteral("Αθήνα"));
    const FieldValue copy = text;
    text = FieldValue::Integer(1); // drops the original's share of the text
    EXPECT_EQ(copy.TextValue(), QStringLiteral("Αθήνα"));

    FieldValue bytes = FieldValue::Bytes(QByteArray(64, 'x'));
    FieldValue other = bytes;
    bytes = FieldValue();
    EXPECT_EQ(other.BytesValue(), QByteArray(64, 'x'));
    // Assigning a value to itself keeps it.
    FieldValue& same = other;
    other = same;
    EXPECT_EQ(other.BytesValue(), QByteArray(64, 'x'));
}
