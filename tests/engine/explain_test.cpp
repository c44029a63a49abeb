// SET EXPLAIN: the session's explain file and the plan entries written to it.
#include "scratch.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

class ExplainTest : public ScratchDatabaseTest {
protected:
    ExplainTest()
    {
        fs::create_directories(m_dir / "explain");
        m_default = (m_dir / "explain" / "ann.out").string();
        Environment env;
        env.explainFile = m_default;
        m_s = open(env);
        m_s->execute("create table customer (customer_num serial, lname char(15), state char(2));"
                     "create unique index c_num on customer (customer_num);"
                     "create table orders (order_num serial, customer_num integer, ship_date date);"
                     "create index o_cust on orders (customer_num);"
                     "create table stock (stock_num integer primary key, descr char(10))");
        std::string rows;
        for (int i = 1; i <= 20; ++i)
            rows += "insert into customer (lname, state) values ('n" + std::to_string(i) + "', '"
                + (i % 4 ? "NY" : "CA") + "');";
        for (int i = 1; i <= 40; ++i)
            rows += "insert into orders (customer_num) values (" + std::to_string(i % 20 + 1) + ");"
                "insert into stock values (" + std::to_string(i) + ", 's');";
        m_s->execute(rows);
    }

    static std::string read(const std::string &path) { return readFile(path); }
    static std::vector<std::string> lines(const std::string &text)
    {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }
    static int count(const std::string &text, const std::string &what)
    {
        int n = 0;
        for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
            ++n;
        return n;
    }
    std::int64_t number(const std::string &sql) { return firstInt(*m_s, sql); }
    // The plan of one statement, explained alone into a fresh default file.
    std::string explainOne(const std::string &sql)
    {
        fs::remove(m_default);
        m_s->execute("set explain on");
        m_s->execute(sql);
        m_s->execute("set explain off");
        return read(m_default);
    }

    std::string m_default;
    std::unique_ptr<Session> m_s;
};

// Each expected line must appear, in this order, as a whole line ("^x": a line starting with x).
void expectInOrder(const std::vector<std::string> &got, const std::vector<std::string> &want, const std::string &all)
{
    size_t at = 0;
    for (const std::string &w : want) {
        size_t i = at;
        const bool prefix = !w.empty() && w[0] == '^';
        while (i < got.size() && (prefix ? got[i].rfind(w.substr(1), 0) != 0 : got[i] != w))
            ++i;
        ASSERT_LT(i, got.size()) << "missing or out of order: [" << w << "]\n" << all;
        at = i + 1;
    }
}

TEST_F(ExplainTest, SequentialScanEntryHasTheInformixLayout)
{
    const std::string f = explainOne("select lname from customer\n where state = 'CA';");
    const auto l = lines(f);
    ASSERT_GE(l.size(), 8u) << f;
    EXPECT_EQ(l[0].rfind("QUERY: (OPTIMIZATION TIMESTAMP: ", 0), 0u) << f;
    EXPECT_EQ(l[0].size(), std::string("QUERY: (OPTIMIZATION TIMESTAMP: 12-06-2026 14:25:02)").size());
    expectInOrder(l, {"------", "select lname from customer", " where state = 'CA'", "", "  1) ann.customer: SEQUENTIAL SCAN", "",
                      "        Filters: ann.customer.state = 'CA'"}, f);
    EXPECT_EQ(count(f, "Estimated Cost: "), 1);
    EXPECT_EQ(count(f, "Estimated # of Rows Returned: "), 1);
    EXPECT_EQ(f.find(";"), std::string::npos) << "the terminating semicolon is not part of the text";
    EXPECT_EQ(f.find("Temporary Files"), std::string::npos);
    EXPECT_EQ(f.substr(f.size() - 2), "\n\n") << "entries end with a blank line";
}

TEST_F(ExplainTest, JoinNumbersTablesAndMarksNestedLoops)
{
    const std::string f = explainOne("select c.lname, o.order_num from customer c, orders o"
                                     " where c.customer_num = o.customer_num and c.state = 'CA' order by 1");
    const auto l = lines(f);
    expectInOrder(l, {"Temporary Files Required For: Order By", "^  1) ann.", "^  2) ann.", "NESTED LOOP JOIN"}, f);
    size_t first = 0, second = 0;
    for (size_t i = 0; i < l.size(); ++i) {
        if (l[i].rfind("  1) ", 0) == 0) first = i;
        if (l[i].rfind("  2) ", 0) == 0) second = i;
    }
    ASSERT_TRUE(first && second) << f;
    EXPECT_NE(l[first], l[second]);
    // The join predicate serves the second table's index; the state test filters customer rows.
    EXPECT_NE(f.find("Lower Index Filter: ann.c.customer_num = ann.o.customer_num"), std::string::npos) << f;
    EXPECT_NE(f.find("Filters: ann.c.state = 'CA'"), std::string::npos) << f;
}

struct ShapeCase {
    const char *name;
    const char *sql;
    std::vector<std::string> lines;  // in order; "^x" matches a line starting with x
};

class ExplainShape : public ExplainTest, public testing::WithParamInterface<ShapeCase> {};

// Decimal and VARCHAR keys compare by number and blank-padded, and their
// indexes still serve equality and ranges written at other scales or lengths.
TEST_F(ExplainTest, DecimalAndVarcharIndexesServeEqualityAndRange)
{
    m_s->execute("create table price (amt decimal(12,2), tag varchar(10));"
                 "create index p_amt on price (amt); create index p_tag on price (tag)");
    for (int i = 0; i < 30; ++i)
        m_s->execute("insert into price values (" + std::to_string(i) + ".5, 't" + std::to_string(i % 7) + "')");
    const struct {
        const char *where;
        const char *filter;
        std::int64_t rows;
    } cases[] = {
        {"amt = 12.500", "^        Lower Index Filter: ann.price.amt =", 1},
        {"amt between 9 and 11.50", "^        Lower Index Filter: ann.price.amt >=", 3},
        {"amt < 2", "^        Upper Index Filter: ann.price.amt <", 2},
        {"tag = 't3  '", "^        Lower Index Filter: ann.price.tag =", 4},
        // A pattern's literal prefix is a range of the index; a leading wildcard is not.
        {"tag like 't3%'", "        Lower Index Filter: ann.price.tag LIKE 't3%'", 4},
        {"tag matches 't[34]*'", "        Lower Index Filter: ann.price.tag MATCHES 't[34]*'", 8},
        {"tag like '%3'", "", 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.where);
        const std::string f = explainOne(std::string("select * from price where ") + c.where);
        if (*c.filter)
            expectInOrder(lines(f), {"  1) ann.price: INDEX PATH", c.filter}, f);
        else
            expectInOrder(lines(f), {"  1) ann.price: SEQUENTIAL SCAN"}, f);
        EXPECT_EQ(number(std::string("select count(*) from price where ") + c.where), c.rows);
    }
}

// A qualifier is written as the statement wrote it, a FRACTION end with its digits.
TEST_F(ExplainTest, FiltersKeepTheQualifiersDigits)
{
    m_s->execute("create table stamps (at datetime year to fraction(5))");
    const std::string f = explainOne("select * from stamps where at > datetime(2024-01-01 10:00:00.12) year to fraction(2)"
                                     " or at < datetime(50) fraction to fraction(2)");
    expectInOrder(lines(f), {"        Filters: ann.stamps.at > DATETIME (2024-01-01 10:00:00.12) YEAR TO FRACTION(2) OR "
                             "ann.stamps.at < DATETIME (50) FRACTION TO FRACTION(2)"}, f);
}

TEST_P(ExplainShape, PlanReadsInInformixTerms)
{
    m_s->execute("create view ca as select * from customer where state = 'CA'");
    const std::string f = explainOne(GetParam().sql);
    expectInOrder(lines(f), GetParam().lines, f);
    EXPECT_EQ(f.find("ix$"), std::string::npos) << "SQLite names stay inside";
}

INSTANTIATE_TEST_SUITE_P(Plans, ExplainShape,
    testing::Values(
        ShapeCase{"UniqueIndexLookup", "select * from customer c where c.customer_num = 7 and lname matches 'n*'",
                  {"Estimated # of Rows Returned: 1", "  1) ann.c: INDEX PATH", "        Filters: ann.c.lname MATCHES 'n*'",
                   "    (1) Index Name: ann.c_num", "        Index Keys: customer_num",
                   "        Lower Index Filter: ann.c.customer_num = 7"}},
        ShapeCase{"SubqueryBlock",
                  "select lname from customer where customer_num in (select customer_num from orders where ship_date is null)",
                  {"  1) ann.customer: INDEX PATH", "        Lower Index Filter: ann.customer.customer_num IN <subquery>",
                   "    Subquery:", "    ---------", "      1) ann.orders: SEQUENTIAL SCAN",
                   "            Filters: ann.orders.ship_date IS NULL"}},
        ShapeCase{"KeyOnlyIndexScan", "select customer_num from customer order by customer_num",
                  {"  1) ann.customer: INDEX PATH", "    (1) Index Name: ann.c_num",
                   "        Index Keys: customer_num   (Key-Only)"}},
        ShapeCase{"RangeOnIndex", "select * from orders where customer_num between 3 and 5",
                  {"  1) ann.orders: INDEX PATH", "        Lower Index Filter: ann.orders.customer_num >= 3",
                   "        Upper Index Filter: ann.orders.customer_num <= 5"}},
        ShapeCase{"AutomaticIndex", "select * from orders a, orders b where a.ship_date = b.ship_date",
                  {"  1) ann.a: SEQUENTIAL SCAN", "  2) ann.b: AUTOINDEX PATH", "    (1) Index Keys: ship_date",
                   "        Lower Index Filter: ann.a.ship_date = ann.b.ship_date", "NESTED LOOP JOIN"}},
        ShapeCase{"Union", "select lname from customer a union select lname from customer b",
                  {"  1) ann.a: SEQUENTIAL SCAN", "    Union Query:", "      1) ann.b: SEQUENTIAL SCAN"}},
        ShapeCase{"ViewReadsItsBaseTable", "select * from ca where lname = 'n4'",
                  {"  1) ann.customer: SEQUENTIAL SCAN", "        Filters: ann.ca.lname = 'n4'"}},
        ShapeCase{"GroupAndOrder", "select state, count(*) from customer group by state order by 2",
                  {"Temporary Files Required For: Order By  Group By",
                   "  1) ann.customer: SEQUENTIAL SCAN"}},
        ShapeCase{"OuterJoinOnFilters",
                  "select * from customer c left join orders o on c.customer_num = o.customer_num and o.ship_date is null"
                  " where c.state = 'CA'",
                  {"  1) ann.c: SEQUENTIAL SCAN", "        Filters: ann.c.state = 'CA'", "  2) ann.o: INDEX PATH",
                   "        ON-Filters: ann.o.ship_date IS NULL",
                   "        Lower Index Filter: ann.c.customer_num = ann.o.customer_num", "NESTED LOOP JOIN"}},
        ShapeCase{"MergedDerivedTableKeepsPredicate", "select * from (select * from orders) where ship_date is null",
                  {"  1) ann.orders: SEQUENTIAL SCAN", "        Filters: ship_date IS NULL"}},
        ShapeCase{"OrderedUnionAll", "select lname from customer union all select lname from customer order by 1",
                  {"Temporary Files Required For: Order By", "  1) ann.customer: SEQUENTIAL SCAN", "    Union Query:",
                   "      1) ann.customer: SEQUENTIAL SCAN"}},
        // A primary key kept as the table's row key reads as its index did.
        ShapeCase{"RowKeyLookup", "select * from stock where stock_num = 7",
                  {"Estimated # of Rows Returned: 1", "  1) ann.stock: INDEX PATH", "^    (1) Index Name: ann. ",
                   "        Index Keys: stock_num", "        Lower Index Filter: ann.stock.stock_num = 7"}},
        ShapeCase{"RowKeyJoin", "select * from orders o, stock s where s.stock_num = o.order_num and o.customer_num = 3",
                  {"  1) ann.o: INDEX PATH", "  2) ann.s: INDEX PATH", "        Index Keys: stock_num",
                   "        Lower Index Filter: ann.s.stock_num = ann.o.order_num", "NESTED LOOP JOIN"}},
        ShapeCase{"RowKeyRange", "select * from stock where stock_num > 30",
                  {"  1) ann.stock: INDEX PATH", "        Lower Index Filter: ann.stock.stock_num > 30"}},
        ShapeCase{"OrKeptTogether", "select * from customer where state = 'CA' or lname = 'x'",
                  {"        Filters: ann.customer.state = 'CA' OR ann.customer.lname = 'x'"}}),
    [](const testing::TestParamInfo<ShapeCase> &i) { return std::string(i.param.name); });

struct DmlCase {
    const char *name;
    const char *sql;
    const char *table;     // the numbered table line's label
    const char *check;     // a count that proves the statement ran
    std::int64_t expected;
};

class ExplainDml : public ExplainTest, public testing::WithParamInterface<DmlCase> {};

TEST_P(ExplainDml, WritesOneEntryAndStillRuns)
{
    const DmlCase &c = GetParam();
    const std::string f = explainOne(c.sql);
    EXPECT_EQ(count(f, "QUERY:"), 1) << f;
    expectInOrder(lines(f), {"------", c.sql, std::string("  1) ") + c.table}, f);
    EXPECT_EQ(number(c.check), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Statements, ExplainDml,
    testing::Values(
        DmlCase{"Update", "update customer set state = 'TX' where customer_num = 3",
                "ann.customer: INDEX PATH", "select count(*) from customer where state = 'TX'", 1},
        DmlCase{"Delete", "delete from orders where customer_num > 10", "ann.orders: INDEX PATH",
                "select count(*) from orders", 20},
        DmlCase{"InsertSelect", "insert into orders (customer_num) select customer_num from customer where state = 'CA'",
                "ann.customer: SEQUENTIAL SCAN", "select count(*) from orders", 45}),
    [](const testing::TestParamInfo<DmlCase> &i) { return std::string(i.param.name); });

TEST_F(ExplainTest, OnlyTheUsersQueriesAreExplained)
{
    const std::string f = explainOne("insert into orders (customer_num) values (1);"
                                     "select tabname from systables where tabid = 1;"
                                     "create table t2 (a int)");
    EXPECT_EQ(f, "") << "INSERT ... VALUES, catalog reads and DDL write no entry";
    EXPECT_EQ(number("select count(*) from orders"), 41);
}

TEST_F(ExplainTest, EntriesAreAppendedPerExecutionAndOffStopsThem)
{
    { std::ofstream(m_default) << "kept\n"; }
    m_s->execute("set explain on");
    auto st = m_s->prepare("select order_num from orders; select lname from customer where customer_num = 2");
    st->execute();
    st->execute();
    while (st->next()) {
    }
    m_s->execute("set explain on");  // again: never truncates
    m_s->execute("set explain off");
    m_s->execute("select * from orders");
    const std::string f = read(m_default);
    EXPECT_EQ(f.rfind("kept\nQUERY:", 0), 0u) << f;
    EXPECT_EQ(count(f, "QUERY:"), 4) << "two statements, two executions, rows fetched do not count";
    EXPECT_EQ(count(f, "\nselect order_num from orders\n"), 2);
    EXPECT_NE(f.find("\n\nQUERY:"), std::string::npos) << "a blank line between entries";
}

TEST_F(ExplainTest, FileToSwitchesFileAndTurnsExplainOn)
{
    // A bare name lands in the default file's folder, not wherever the process runs.
    m_s->execute("set explain file to 'other.out' with append");
    m_s->execute("select * from orders");
    m_s->execute("set explain off; set explain on");  // the FILE TO file stays the session's
    m_s->execute("select * from customer");
    EXPECT_EQ(count(read((m_dir / "explain" / "other.out").string()), "QUERY:"), 2);
    EXPECT_FALSE(fs::exists(m_default));
}

TEST_F(ExplainTest, AvoidExecuteWritesPlansButRunsNothing)
{
    m_s->execute("set explain on avoid_execute");
    auto sel = m_s->prepare("select order_num, customer_num from orders");
    sel->execute();
    EXPECT_TRUE(sel->hasResultSet());
    EXPECT_EQ(sel->columns().size(), 2u);
    EXPECT_FALSE(sel->next());
    EXPECT_EQ(m_s->sqlca().sqlcode, 100);
    m_s->execute("delete from orders; update customer set state = 'XX'; insert into orders (customer_num) values (5)");
    m_s->execute("select * from customer into temp tc");
    m_s->execute("merge into orders o using customer c on o.customer_num = c.customer_num when matched then delete");
    m_s->execute("set explain on");
    EXPECT_EQ(number("select count(*) from orders"), 40);
    EXPECT_EQ(number("select count(*) from customer where state = 'XX'"), 0);
    EXPECT_EQ(codeOf([&] { m_s->execute("select * from tc"); }), -206);
    EXPECT_EQ(count(read(m_default), "QUERY:"), 6 + 1);
}

TEST_F(ExplainTest, DefaultFileWithoutEnvironmentIsSqexplainOutInTheWorkingFolder)
{
    const fs::path cwd = fs::current_path();
    fs::current_path(m_dir);
    auto s = open();
    s->execute("set explain on; select * from orders");
    fs::current_path(cwd);
    EXPECT_EQ(count(read((m_dir / "sqexplain.out").string()), "QUERY:"), 1);
}

TEST_F(ExplainTest, UnwritableFileIsReportedAndLosesNothing)
{
    // At SET EXPLAIN time: explain stays off, nothing is created.
    const std::string bad = (m_dir / "nosuch" / "x.out").string();
    ::setenv("QUODLIN_SPL_SYSTEM", "1", 1);  // a file outside the explain folder
    EXPECT_EQ(codeOf([&] { m_s->execute("set explain file to '" + bad + "'"); }), -9620);
    ::unsetenv("QUODLIN_SPL_SYSTEM");
    EXPECT_EQ(m_s->sqlca().sqlcode, -9620);
    EXPECT_EQ(m_s->sqlca().sqlerrm, bad);
    EXPECT_EQ(m_s->sqlca().sqlerrd[1], -2) << "the OS error as ISAM code";
    m_s->execute("select * from orders");
    EXPECT_FALSE(fs::exists(m_dir / "nosuch"));
    EXPECT_FALSE(fs::exists(m_default));

    Environment env;
    env.explainFile = bad;
    auto other = open(env);
    EXPECT_EQ(codeOf([&] { other->execute("set explain on"); }), -9620);

    // When the file goes away under a running session, the statement is refused before it runs.
    m_s->execute("set explain on");
    fs::remove(m_default);
    fs::create_directory(m_default);
    EXPECT_EQ(codeOf([&] { m_s->execute("delete from orders"); }), -9620);
    fs::remove(m_default);
    m_s->execute("set explain off");
    EXPECT_EQ(number("select count(*) from orders"), 40);
}

} // namespace
