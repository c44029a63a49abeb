#include "db/dberror.h"
#include "db/sqlname.h"

#include <gtest/gtest.h>

using namespace quodlin;

namespace {

struct NameCase {
    const char *label;
    QString name;
    QString delimited;   // the text with DELIMIDENT on
    QString plain;       // with it off; empty: refused
};

class SqlNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SqlNameTest, WritesOrRefuses)
{
    const NameCase &c = GetParam();
    EXPECT_EQ(SqlName(c.name, SqlNameStyle::Delimident), c.delimited);
    if (c.plain.isEmpty())
        EXPECT_THROW(SqlName(c.name, SqlNameStyle::Plain), DbError);
    else
        EXPECT_EQ(SqlName(c.name, SqlNameStyle::Plain), c.plain);
}

const QString k128 = QString(128, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(
    Names, SqlNameTest,
    ::testing::Values(
        NameCase{"plain", "customer", "customer", "customer"},
        NameCase{"digits_dollar", "t_1$x", "t_1$x", "t_1$x"},
        NameCase{"underscore_first", "_tmp", "_tmp", "_tmp"},
        NameCase{"long", k128, k128, k128},
        NameCase{"statement", "a; drop table victim", "\"a; drop table victim\"", ""},
        NameCase{"leading_blank", " victim", "\" victim\"", ""},
        NameCase{"double_quote", "say \"hi\"", "\"say \"\"hi\"\"\"", ""},
        NameCase{"single_quote", "it's", "\"it's\"", ""},
        NameCase{"comment", "a--b", "\"a--b\"", ""},
        NameCase{"brace", "a{b", "\"a{b\"", ""},
        NameCase{"newline", "a\nb", "\"a\nb\"", ""},
        NameCase{"upper_case", "PI_Mixed", "\"PI_Mixed\"", ""},
        NameCase{"digit_first", "1abc", "\"1abc\"", ""},
        NameCase{"reserved", "select", "\"select\"", "select"},
        NameCase{"reserved_index", "index", "\"index\"", "index"},
        NameCase{"unicode", QString::fromUtf8("caf\xc3\xa9"), QString::fromUtf8("\"caf\xc3\xa9\""),
                 QString::fromUtf8("caf\xc3\xa9")}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(SqlNameOwner, QualifiesAndQuotesOwner)
{
    EXPECT_EQ(SqlName(QString(), QStringLiteral("t"), SqlNameStyle::Plain), QStringLiteral("t"));
    EXPECT_EQ(SqlName(QStringLiteral("informix"), QStringLiteral("t"), SqlNameStyle::Plain), QStringLiteral("informix.t"));
    EXPECT_EQ(SqlName(QStringLiteral("Bob"), QStringLiteral("t"), SqlNameStyle::Plain), QStringLiteral("'Bob'.t"));
    EXPECT_EQ(SqlName(QStringLiteral("x'; drop"), QStringLiteral("t"), SqlNameStyle::Plain),
              QStringLiteral("'x''; drop'.t"));
    EXPECT_EQ(SqlName(QStringLiteral("a b"), QStringLiteral("my t"), SqlNameStyle::Delimident),
              QStringLiteral("\"a b\".\"my t\""));
    EXPECT_THROW(SqlName(QStringLiteral("bob"), QStringLiteral("my t"), SqlNameStyle::Plain), DbError);
}

TEST(SqlNameErrors, EmptyAndNulRefusedInEveryStyle)
{
    for (SqlNameStyle style : {SqlNameStyle::Plain, SqlNameStyle::Delimident}) {
        EXPECT_THROW(SqlName(QString(), style), DbError);
        EXPECT_THROW(SqlName(QStringLiteral("a") + QChar(0) + QStringLiteral("b"), style), DbError);
        EXPECT_THROW(SqlName(QStringLiteral("a") + QChar(0), QStringLiteral("t"), style), DbError);
    }
    try {
        SqlName(QStringLiteral("a; drop table victim"), SqlNameStyle::Plain);
        FAIL();
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"a; drop table victim\""))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("DELIMIDENT")));
    }
    EXPECT_EQ(SqlString(QStringLiteral("it's")), QStringLiteral("'it''s'"));
}

} // namespace
