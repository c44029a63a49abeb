#include "db/sqlparams.h"

#include <gtest/gtest.h>

using namespace quodlin;

namespace {

struct ScanCase {
    const char *name;
    QString sql;
    QString positional;
    QStringList occurrences;
};

class SqlParamScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SqlParamScanTest, FindsParameters)
{
    const SqlParamScan scan = ScanSqlParams(GetParam().sql);
    EXPECT_EQ(scan.positionalSql, GetParam().positional);
    EXPECT_EQ(scan.occurrences, GetParam().occurrences);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SqlParamScanTest,
    ::testing::Values(
        ScanCase{"Named", "select * from t where a = :tabid and b=:owner",
                 "select * from t where a = ? and b=?", {"tabid", "owner"}},
        ScanCase{"RepeatedName", "where a = :x or b = :x", "where a = ? or b = ?", {"x", "x"}},
        ScanCase{"PositionalKept", "values (?, :a)", "values (?, ?)", {"", "a"}},
        ScanCase{"InsideStrings", "select ':a', \":b\" from t where c = :c",
                 "select ':a', \":b\" from t where c = ?", {"c"}},
        ScanCase{"DoubledQuote", "select 'it''s :no' from t", "select 'it''s :no' from t", {}},
        ScanCase{"Comments", "select 1 -- :a\n from t { :b } /* :c */ where d = :d",
                 "select 1 -- :a\n from t { :b } /* :c */ where d = ?", {"d"}},
        ScanCase{"DatabaseQualifier", "select * from stores:customer", "select * from stores:customer", {}},
        ScanCase{"Cast", "select a::integer from t", "select a::integer from t", {}},
        ScanCase{"TimeLiteral", "select datetime (10:30) hour to minute from t",
                 "select datetime (10:30) hour to minute from t", {}},
        ScanCase{"MultiLine", "select *\n from t\n where x = :Name_1$", "select *\n from t\n where x = ?",
                 {"Name_1$"}},
        ScanCase{"UnterminatedString", "select ':a from t", "select ':a from t", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SqlParamNames, DistinctCaseInsensitiveInFirstOrder)
{
    EXPECT_EQ(SqlParamNames("where a = :Tabid or b = :owner or c = :TABID"),
              QStringList({"Tabid", "owner"}));
}

} // namespace
