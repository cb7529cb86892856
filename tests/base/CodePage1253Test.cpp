#include "base/CodePage1253.h"
#include "base/FileErrors.h"

#include <gtest/gtest.h>

using namespace ekaldo;

TEST(CodePage1253, KnownBytePositions) {
    // Spot checks against the published code page.
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("Α")), QByteArray("\xC1"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("ω")), QByteArray("\xF9"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("Ά")), QByteArray("\xA2"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("ς")), QByteArray("\xF2"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("€")), QByteArray("\x80"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("΅")), QByteArray("\xA1"));
    EXPECT_EQ(CodePage1253::Encode(QStringLiteral("\t=;")), QByteArray("\t=;"));
}

TEST(CodePage1253, EveryDefinedByteRoundTripsAndUndefinedOnesDecodeToReplacement) {
    const int undefined[] = {0x81, 0x88, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x98,
                             0x9A, 0x9C, 0x9D, 0x9E, 0x9F, 0xAA, 0xD2, 0xFF};
    for (int b = 1; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        const QString decoded = CodePage1253::Decode(one);
        ASSERT_EQ(decoded.size(), 1);
        if (std::find(std::begin(undefined), std::end(undefined), b) != std::end(undefined)) {
            EXPECT_EQ(decoded.front().unicode(), 0xFFFD) << b;
            EXPECT_FALSE(CodePage1253::CanEncode(decoded));
        } else {
            EXPECT_EQ(CodePage1253::Encode(decoded), one) << b;
        }
    }
}

TEST(CodePage1253, CharactersOutsideTheCodePageAreRefusedNeverReplaced) {
    const QString text = QStringLiteral("Γιώργος Ж");
    QByteArray out("prefix");
    const auto bad = CodePage1253::EncodeInto(text, out);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(*bad, 8);
    EXPECT_EQ(out, QByteArray("prefix") + CodePage1253::Encode(QStringLiteral("Γιώργος ")));
    EXPECT_FALSE(CodePage1253::CanEncode(text));
    EXPECT_THROW(CodePage1253::Encode(text), EncodingError); // the message is checked where sheets are read
    // Latin letters with accents that Greek lacks, and emoji, are refused too.
    EXPECT_FALSE(CodePage1253::CanEncode(QStringLiteral("é")));
    EXPECT_FALSE(CodePage1253::CanEncode(QStringLiteral("😀")));
}
