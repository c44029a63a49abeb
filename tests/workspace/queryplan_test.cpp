// Plans read from explain-file texts: the server's own forms (a table of
// real-looking samples) and the embedded engine's file for a join run with
// SET EXPLAIN ON; the plan's tree picture, and the Plan page showing a
// chosen statement's text beside its picture.
#include "output/ui/graphpicture.h"
#include "workspace/queryplan.h"
#include "workspace/ui/queryplanpage.h"

#include "catalogfixture.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QPlainTextEdit>
#include <QTextBlock>

using namespace quodlin;

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// One line per table: step, name, access, index, keys, filters, join.
QStringList summary(const PlanQuery &q)
{
    QStringList out;
    for (const PlanTable &t : q.tables)
        out << QStringLiteral("%1 %2 %3 [%4] [%5%6] L[%7] U[%8] F[%9] J[%10|%11]")
                   .arg(t.step)
                   .arg(t.table, t.access, t.indexName, t.keyColumns.join(QLatin1Char(' ')),
                        t.keyOnly ? QStringLiteral(" key-only") : QString(), t.lowerFilters.join(QLatin1Char(';')),
                        t.upperFilters.join(QLatin1Char(';')), t.filters.join(QLatin1Char(';')))
                   .arg(t.join, t.joinFilters.join(QLatin1Char(';')))
               + (t.postJoinFilters.isEmpty() ? QString() : QStringLiteral(" P[%1]").arg(t.postJoinFilters.join(';')));
    return out;
}

struct SampleCase {
    const char *name;
    const char *text;
    double cost;
    double rows;
    QStringList temporary;
    QStringList tables;
    int parts;
};

class ExplainSampleTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(ExplainSampleTest, ReadsCostRowsTablesAndJoins)
{
    const SampleCase &c = GetParam();
    const QList<PlanQuery> plans = ParseExplainText(QString::fromUtf8(c.text));
    ASSERT_EQ(plans.size(), 1);
    const PlanQuery &q = plans[0];
    EXPECT_EQ(q.cost.value_or(-1), c.cost);
    EXPECT_EQ(q.rows.value_or(-1), c.rows);
    EXPECT_EQ(q.temporaryFor, c.temporary);
    EXPECT_EQ(summary(q), c.tables);
    EXPECT_EQ(q.parts.size(), c.parts);
    EXPECT_TRUE(q.statement.startsWith(QLatin1String("select")));
}

INSTANTIATE_TEST_SUITE_P(
    Plans, ExplainSampleTest,
    ::testing::Values(
        SampleCase{"SequentialScanWithSortAndGroup",
                   "QUERY: (OPTIMIZATION TIMESTAMP: 03-14-2024 10:22:31)\n------\n"
                   "select state, count(*) from customer\n  where zipcode > '9'\n  group by state order by 2\n\n"
                   "Estimated Cost: 4\nEstimated # of Rows Returned: 9\n"
                   "Temporary Files Required For: Order By  Group By\n\n"
                   "  1) informix.customer: SEQUENTIAL SCAN\n\n        Filters: informix.customer.zipcode > '9' \n",
                   4, 9, {"Order By", "Group By"},
                   {"1 informix.customer SEQUENTIAL SCAN [] [] L[] U[] F[informix.customer.zipcode > '9'] J[|]"}, 0},
        SampleCase{"HashJoinKeyOnlyRangeAndWrappedFilter",
                   "QUERY: (OPTIMIZATION TIMESTAMP: 11-02-2025 08:00:00)\n------\n"
                   "select o.order_num from orders o, items i where o.order_num = i.order_num and i.stock_num between 5 and 9\n\n"
                   "Estimated Cost: 12\nEstimated # of Rows Returned: 40\n\n"
                   "  1) informix.i: INDEX PATH\n\n"
                   "    (1) Index Name: informix.ix_items_stock\n"
                   "        Index Keys: stock_num manu_code   (Key-Only)  (Serial, fragments: ALL)\n"
                   "        Lower Index Filter: informix.i.stock_num >= 5 \n"
                   "        Upper Index Filter: informix.i.stock_num <= 9 \n\n"
                   "  2) informix.o: SEQUENTIAL SCAN\n\n"
                   "        Filters: (informix.o.ship_date IS NOT NULL AND\n"
                   "            informix.o.paid_date IS NULL )\n\n"
                   "DYNAMIC HASH JOIN (Build Outer)\n"
                   "    Dynamic Hash Filters: informix.o.order_num = informix.i.order_num \n",
                   12, 40, {},
                   {"1 informix.i INDEX PATH [informix.ix_items_stock] [stock_num manu_code key-only] "
                    "L[informix.i.stock_num >= 5] U[informix.i.stock_num <= 9] F[] J[|]",
                    "2 informix.o SEQUENTIAL SCAN [] [] L[] U[] "
                    "F[(informix.o.ship_date IS NOT NULL AND informix.o.paid_date IS NULL )] "
                    "J[DYNAMIC HASH JOIN (Build Outer)|informix.o.order_num = informix.i.order_num]"},
                   0},
        SampleCase{"OuterJoinSubqueryAndStatistics",
                   "QUERY: (OPTIMIZATION TIMESTAMP: 01-05-2026 14:30:12)\n------\n"
                   "select c.fname from customer c left join orders o on c.customer_num = o.customer_num "
                   "where c.customer_num in (select customer_num from cust_calls)\n\n"
                   "Estimated Cost: 9\nEstimated # of Rows Returned: 28\n\n"
                   "  1) informix.c: SEQUENTIAL SCAN\n\n"
                   "        Filters: informix.c.customer_num = ANY <subquery> \n\n"
                   "  2) informix.o: AUTOINDEX PATH\n\n"
                   "    (1) Index Name: (Auto Index)\n        Index Keys: customer_num\n"
                   "        Lower Index Filter: informix.c.customer_num = informix.o.customer_num \n"
                   "ON-Filters:informix.c.customer_num = informix.o.customer_num \n"
                   "NESTED LOOP JOIN(LEFT OUTER JOIN)\n\n"
                   "    Subquery:\n    ---------\n    Estimated Cost: 2\n    Estimated # of Rows Returned: 7\n\n"
                   "      1) informix.cust_calls: SEQUENTIAL SCAN\n\n"
                   "Query statistics:\n-----------------\n\n  Table map :\n  ----------------------------\n"
                   "  Internal name     Table name\n  ----------------------------\n  t1                c\n\n"
                   "  type     table  rows_prod  est_rows  rows_scan  time       est_cost\n"
                   "  -------------------------------------------------------------------\n"
                   "  scan     t1     28         28        28         00:00.00   4\n",
                   9, 28, {},
                   {"1 informix.c SEQUENTIAL SCAN [] [] L[] U[] F[informix.c.customer_num = ANY <subquery>] J[|]",
                    "2 informix.o AUTOINDEX PATH [(Auto Index)] [customer_num] "
                    "L[informix.c.customer_num = informix.o.customer_num] U[] F[] "
                    "J[NESTED LOOP JOIN(LEFT OUTER JOIN)|informix.c.customer_num = informix.o.customer_num]"},
                   1},
        // As the server's performance guide prints them: directives, a
        // parallel scan, an index filter that starts on the next line, the
        // thread count after the plan.
        SampleCase{"DirectivesParallelScanAndFilterOnTheNextLine",
                   "QUERY: (OPTIMIZATION TIMESTAMP: 06-30-2025 09:12:44)\n------\n"
                   "select --+ explain avoid_execute\n  p.part_num, s.qty from part p, stock s\n"
                   "  where p.part_num = s.part_num\n\n"
                   "DIRECTIVES FOLLOWED:\nEXPLAIN\nAVOID_EXECUTE\nDIRECTIVES NOT FOLLOWED:\n\n"
                   "Estimated Cost: 15\nEstimated # of Rows Returned: 120\nMaximum Threads: 3\n\n"
                   "  1) informix.s: SEQUENTIAL SCAN  (Parallel, fragments: ALL)\n\n"
                   "  2) informix.p: INDEX PATH\n\n"
                   "    (1) Index Keys: part_num   (Key-Only)  (Serial, fragments: ALL)\n"
                   "        Lower Index Filter: \n          informix.p.part_num = informix.s.part_num\n"
                   "NESTED LOOP JOIN\n\n# of Secondary Threads = 2\n",
                   15, 120, {},
                   {"1 informix.s SEQUENTIAL SCAN [] [] L[] U[] F[] J[|]",
                    "2 informix.p INDEX PATH [] [part_num key-only] L[informix.p.part_num = informix.s.part_num] "
                    "U[] F[] J[NESTED LOOP JOIN|]"},
                   0},
        SampleCase{"AnsiOuterJoinWithAPostJoinFilter",
                   "QUERY:\n------\nselect c.cust_num from customer c left outer join cust_call k\n"
                   "  on c.cust_num = k.cust_num where k.cust_num is null\n\n"
                   "Estimated Cost: 6\nEstimated # of Rows Returned: 3\n\n"
                   "  1) informix.c: SEQUENTIAL SCAN\n\n  2) informix.k: SEQUENTIAL SCAN\n\n"
                   "ON-Filters:informix.c.cust_num = informix.k.cust_num \n"
                   "PostJoin-Filters:informix.k.cust_num IS NULL \n\n"
                   "NESTED LOOP JOIN(LEFT OUTER JOIN)\n",
                   6, 3, {},
                   {"1 informix.c SEQUENTIAL SCAN [] [] L[] U[] F[] J[|]",
                    "2 informix.k SEQUENTIAL SCAN [] [] L[] U[] F[] "
                    "J[NESTED LOOP JOIN(LEFT OUTER JOIN)|informix.c.cust_num = informix.k.cust_num] "
                    "P[informix.k.cust_num IS NULL]"},
                   0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QueryPlanTest, TheEnginesExplainFileOfAJoinAndItsPicture)
{
    test::CatalogFixture fx{QString()};
    fx.run(QStringLiteral("set explain on"));
    fx.run(QStringLiteral("select c.cust_num, count(*) from customer c, sales_order o, order_line l "
                          "where c.cust_num = o.cust_num and l.order_num = o.order_num and c.region_code = 'NE' "
                          "group by c.cust_num order by 2"));
    QFile out(fx.dataFolder() + QStringLiteral("/explain/tester.out"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QList<PlanQuery> plans = ParseExplainText(QString::fromUtf8(out.readAll()));
    ASSERT_EQ(plans.size(), 1);
    const PlanQuery &q = plans[0];
    EXPECT_TRUE(q.cost && q.rows);
    EXPECT_TRUE(q.temporaryFor.contains(QStringLiteral("Order By")));
    ASSERT_EQ(q.tables.size(), 3);
    QStringList order, joins;
    for (const PlanTable &t : q.tables)
        order << t.table, joins << t.join;
    EXPECT_EQ(order.size(), 3);
    EXPECT_TRUE(order.contains(QStringLiteral("root.c")) || order.contains(QStringLiteral("tester.c")))
        << order.join(' ').toStdString();
    EXPECT_EQ(joins, QStringList({"", "NESTED LOOP JOIN", "NESTED LOOP JOIN"}));

    // Statement, sort, two joins and three tables, each box once, root first.
    const GraphPicture picture = PlanPicture(q);
    QStringList titles;
    for (const GraphNode &n : picture.nodes)
        titles << n.title;
    EXPECT_EQ(titles.mid(0, 3), QStringList({"QUERY", "SORT", "NESTED LOOP JOIN"}));
    EXPECT_EQ(titles.size(), 1 + q.temporaryFor.size() + 2 + 3);
    EXPECT_EQ(picture.edges.size(), picture.nodes.size() - 1);
    EXPECT_TRUE(picture.nodes[0].emphasized);
}

TEST(QueryPlanTest, ThePageShowsTheChosenStatementsTextBesideItsPicture)
{
    QueryPlanPage page;
    page.showExplainText(QStringLiteral("QUERY:\n------\nselect * from region\n\n"
                                        "Estimated Cost: 2\nEstimated # of Rows Returned: 9\n\n"
                                        "  1) informix.region: SEQUENTIAL SCAN\n\n"
                                        "QUERY:\n------\nselect * from maker\n\n"
                                        "Estimated Cost: 3\nEstimated # of Rows Returned: 12\n\n"
                                        "  1) informix.maker: SEQUENTIAL SCAN\n"));
    auto *statements = page.findChild<QComboBox *>(QStringLiteral("cboPlanStatement"));
    auto *text = page.findChild<QPlainTextEdit *>(QStringLiteral("rtfPlanText"));
    auto boxes = [&] {
        QStringList titles;
        for (const QGraphicsItem *item : page.view()->scene()->items())
            if (item->data(kPictureRole).toString() == QLatin1String("node"))
                titles << item->data(kPictureTextRole).toString();
        titles.sort();
        return titles;
    };
    ASSERT_EQ(statements->count(), 2);
    EXPECT_EQ(statements->currentIndex(), 1);
    EXPECT_EQ(text->textCursor().blockNumber(), 9);
    EXPECT_EQ(boxes(), QStringList({"1) informix.maker", "QUERY"}));

    statements->setCurrentIndex(0);
    EXPECT_EQ(text->textCursor().blockNumber(), 0);
    EXPECT_EQ(boxes(), QStringList({"1) informix.region", "QUERY"}));
}

} // namespace
