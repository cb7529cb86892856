#include "base/RegionalFormats.h"
#include "support/TestSupport.h"

using namespace ekaldo;
using namespace ekaldo::testing;
namespace RF = ekaldo::RegionalFormats;

TEST(RegionalFormats, ShortestNumberTextFollowsTheDecimalSeparator) {
    UseLocale(EnglishLocale());
    // Each text is the shortest that reads back as its number: no grouping, at
    // most 15 significant digits, an exponent outside the quick way's range.
    for (const char* text : {"0", "38353.5", "20", "123456789.25", "-1.5", "1E-5", "1E20", "0.0001",
                             "0.00012", "-0.0025", "999999999999999", "1E15", "-20.05", "99999999999999.9"})
        EXPECT_EQ(RF::ShortestNumberText(QByteArray(text).toDouble()), QLatin1String(text));
    EXPECT_EQ(RF::ShortestNumberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(RF::ShortestNumberText(0.1 + 0.7), QStringLiteral("0.8"));
    EXPECT_EQ(RF::ShortestNumberText(-0.0), QStringLiteral("0"));
    UseLocale(GreekLocale());
    EXPECT_EQ(RF::ShortestNumberText(38353.5), QStringLiteral("38353,5"));
    EXPECT_EQ(RF::ShortestNumberText(1234567.125), QStringLiteral("1234567,125"));
}

TEST(RegionalFormats, ParseNumberIsStrictUnderEitherSeparator) {
    UseLocale(GreekLocale());
    EXPECT_EQ(RF::ParseNumber(u"12,5"), 12.5);
    EXPECT_EQ(RF::ParseNumber(u"  -7 "), -7.0);
    EXPECT_EQ(RF::ParseNumber(u"+3"), 3.0);
    EXPECT_EQ(RF::ParseNumber(u"1,5E2"), 150.0);
    EXPECT_EQ(RF::ParseNumber(u",5"), 0.5);
    // The point is not the Greek decimal separator, group separators are
    // refused, and so is a number out of range.
    for (const char16_t* bad :
         {u"12.5", u"1.234,5", u"1,2,3", u"", u"  ", u"-", u",", u"12a", u"1E", u"ΑΠ", u"1 2", u"1e999"})
        EXPECT_FALSE(RF::ParseNumber(bad)) << QStringView(bad).toString().toStdString();
    UseLocale(EnglishLocale());
    EXPECT_EQ(RF::ParseNumber(u"12.5"), 12.5);
    EXPECT_FALSE(RF::ParseNumber(u"12,5"));
    EXPECT_FALSE(RF::ParseNumber(u"1,000"));
}

TEST(RegionalFormats, DateTimeTextInBothLocales) {
    UseLocale(EnglishLocale());
    EXPECT_EQ(RF::DateTimeText(QDateTime(QDate(2005, 1, 2), QTime(14, 5, 9))),
              QStringLiteral("1/2/05 2:05:09 PM"));
    EXPECT_EQ(RF::DateTimeText(QDateTime(QDate(2005, 1, 2), QTime(0, 0))), QStringLiteral("1/2/05"))
        << "midnight";
    EXPECT_EQ(RF::DateTimeText(QDateTime(QDate(2005, 1, 2), QTime(0, 0, 1))),
              QStringLiteral("1/2/05 12:00:01 AM"));
    // The Greek text carries no time zone.
    UseLocale(GreekLocale());
    const QString text = RF::DateTimeText(QDateTime(QDate(2005, 1, 2), QTime(14, 5, 9)));
    EXPECT_TRUE(text.startsWith(QStringLiteral("2/1/05 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2:05:09"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(GreekLocale().pmText(), Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("UTC")) || text.contains(QStringLiteral("GMT")) ||
                 text.contains(QStringLiteral("EET")))
        << text.toStdString();
}
