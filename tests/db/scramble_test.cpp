#include "db/scramble.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quodlin;

namespace {

TEST(Scramble, EmptyTextIsTheMarkerAlone)
{
    EXPECT_EQ(ScramblePassword(QString()), QStringLiteral("1"));
    EXPECT_EQ(StoreScrambled(QString()), QStringLiteral("&h31"));
    EXPECT_EQ(UnscramblePassword(QStringLiteral("1")), QString());
}

// Pins the mask and pad: a change would make every saved password unreadable.
TEST(Scramble, StoredFormIsFixed)
{
    EXPECT_EQ(StoreScrambled(QStringLiteral("A")), QStringLiteral("&h3107"));
    EXPECT_EQ(StoreScrambled(QString(QChar(0xFF))), QStringLiteral("&h317D"));
    EXPECT_EQ(StoreScrambled(QStringLiteral("AA")), QStringLiteral("&h310709"));
}

TEST(Scramble, EveryCharacterRoundTrips)
{
    QString all;
    for (int c = 0; c < 256; ++c) {
        const QString one(QChar(static_cast<ushort>(c)));
        EXPECT_EQ(ReadScrambled(StoreScrambled(one)), one) << "code " << c;
        all += one;
    }
    EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
    EXPECT_EQ(ReadScrambled(StoreScrambled(all)), all);
}

TEST(Scramble, PadRepeatsForLongTexts)
{
    const QString text(40, QLatin1Char('x'));
    const QString s = ScramblePassword(text);
    ASSERT_EQ(s.size(), 41);
    EXPECT_EQ(s.mid(1, 18), s.mid(19, 18));
    EXPECT_NE(s.mid(1, 9), s.mid(10, 9));
    EXPECT_EQ(UnscramblePassword(s), text);
}

TEST(Scramble, TextBeyondLatin1RoundTripsWithoutLoss)
{
    const QString text = QStringLiteral("пароль€ 密码 \U0001F511");
    const QString stored = StoreScrambled(text);
    EXPECT_TRUE(stored.startsWith(QStringLiteral("&h32")));
    EXPECT_EQ(ReadScrambled(stored), text);
}

TEST(Scramble, UnknownMarkerGivesEmptyText)
{
    EXPECT_EQ(UnscramblePassword(QString()), QString());
    EXPECT_EQ(UnscramblePassword(QStringLiteral("secret")), QString());
    EXPECT_EQ(ReadScrambled(QStringLiteral("plain")), QString());
}

struct HexCase {
    const char *name;
    QString input;
    QString expected;
};

class HexDecode : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexDecode, Decodes)
{
    EXPECT_EQ(HexDecodeText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexDecode,
    ::testing::Values(HexCase{"WithPrefix", "&h4142", "AB"},
                      HexCase{"UpperPrefix", "&H4142", "AB"},
                      HexCase{"WithoutPrefix", "4142", "AB"},
                      HexCase{"OddLastDigitIgnored", "414", "A"},
                      HexCase{"SingleDigit", "4", ""},
                      HexCase{"PrefixOnly", "&h", ""},
                      HexCase{"LowerDigits", "4a6b", "Jk"},
                      HexCase{"HighCodes", "FF80", QString(QChar(0xFF)) + QChar(0x80)},
                      HexCase{"InvalidPairMakesValueUnreadable", "41G2", ""},
                      HexCase{"InvalidOddTailStillIgnored", "41Z", "A"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HexEncode, WritesUpperCaseDigitPairs)
{
    EXPECT_EQ(HexEncodeText(QString(QChar(0x31)) + QChar(0x9F)), QStringLiteral("319F"));
    EXPECT_EQ(HexEncodeText(QString(QChar(0))), QStringLiteral("00"));
    EXPECT_THROW(HexEncodeText(QStringLiteral("€")), std::invalid_argument);
}

} // namespace
