// Completion: what is offered at a caret (marked '|') over a small catalog,
// the tables and aliases read from the statement around it included.
#include "catalog/catalogsnapshot.h"
#include "catalog/objectkinds.h"
#include "workspace/completion.h"

#include <gtest/gtest.h>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

SnapshotRelation relation(const char *name, const char *owner, unsigned char kind, int id,
                          QList<SnapshotColumn> columns, int baseId = 0)
{
    return {QString::fromUtf8(name), QString::fromUtf8(owner), kind, id, baseId, std::move(columns), {}};
}

const CatalogSnapshot &catalog()
{
    static const CatalogSnapshot snapshot = [] {
        CatalogSnapshot s;
        s.user = QStringLiteral("tester");
        s.style = SqlNameStyle::Delimident;
        s.relations = {
            relation("customer", "tester", KindTable, 100,
                     {{QStringLiteral("customer_num"), QStringLiteral("SERIAL")},
                      {QStringLiteral("fname"), QStringLiteral("CHAR(15)")},
                      {QStringLiteral("Company"), QStringLiteral("CHAR(20)")}}),
            relation("orders", "tester", KindTable, 101,
                     {{QStringLiteral("order_num"), QStringLiteral("SERIAL")},
                      {QStringLiteral("customer_num"), QStringLiteral("INTEGER")},
                      {QStringLiteral("ship_date"), QStringLiteral("DATE")}}),
            relation("stock", "informix", KindTable, 102, {{QStringLiteral("stock_num"), QStringLiteral("SMALLINT")}}),
            relation("My Table", "tester", KindTable, 103, {{QStringLiteral("a"), QStringLiteral("INTEGER")}}),
            relation("cust_view", "tester", KindView, 104, {}),
            relation("cust", "tester", KindSynonym, 105, {}, 100),
        };
        s.routines = {
            {QStringLiteral("order_total"), QStringLiteral("tester"), true,
             QStringLiteral("(p_order INTEGER) RETURNING DECIMAL(12,2)"), {}},
            {QStringLiteral("pi_customer"), QStringLiteral("informix"), false, QStringLiteral("(p_fname CHAR(15))"), {}},
        };
        s.finish();
        return s;
    }();
    return snapshot;
}

struct Case {
    const char *name;
    const char *text;       // '|' marks the caret
    QStringList present;    // entry texts, or "text kind detail" to check all three
    QStringList absent;
};

class CompletionContexts : public ::testing::TestWithParam<Case> {};

TEST_P(CompletionContexts, OfferWhatFitsTheCaret)
{
    QString text = QString::fromUtf8(GetParam().text);
    const int caret = int(text.indexOf(QLatin1Char('|')));
    text.remove(caret, 1);
    const Completion completion = CompleteSql(text, caret, &catalog());
    QStringList offered;
    for (const CompletionEntry &e : completion.entries)
        offered << e.text << (e.text + QLatin1Char(' ') + CompletionKindName(e.kind) + QLatin1Char(' ') + e.detail).trimmed();
    for (const QString &entry : GetParam().present)
        EXPECT_TRUE(offered.contains(entry)) << "missing " << entry.toStdString();
    for (const QString &entry : GetParam().absent)
        EXPECT_FALSE(offered.contains(entry)) << "offered " << entry.toStdString();
}

const QStringList kNothing = {QStringLiteral("customer"), QStringLiteral("SELECT"), QStringLiteral("select"),
                              QStringLiteral("fname")};

INSTANTIATE_TEST_SUITE_P(
    Completion, CompletionContexts,
    ::testing::Values(
        Case{"KeywordsInTheCaseTyped", "sel|", {"select keyword"}, {"SELECT", "customer"}},
        Case{"KeywordsInCapitalsAtAStatementsStart", "|", {"SELECT", "CREATE"}, {"customer"}},
        Case{"TablesViewsSynonymsAfterFrom", "SELECT * FROM cu|",
             {"customer table tester", "cust_view view tester", "cust synonym tester"}, {"orders", "CURRENT"}},
        Case{"OtherOwnersQualifiedAndOddNamesQuoted", "select * from |",
             {"informix.stock table informix", "\"My Table\""}, {"stock", "My Table"}},
        Case{"TablesAfterAFromListsComma", "select * from customer, o|", {"orders"}, {"ORDER"}},
        Case{"TablesAfterJoinUpdateAndInsertInto", "update customer set fname = 'x'; insert into |", {"orders"}, {"fname"}},
        Case{"NoTablesAfterASelectListsComma", "select fname, |", {"SELECT"}, {"customer"}},
        Case{"ColumnsAfterAnAliasDeclaredLater", "select c.| from customer c, orders o",
             {"customer_num column SERIAL", "fname column CHAR(15)", "\"Company\""}, {"order_num", "SELECT"}},
        Case{"ColumnsAfterTheOtherAlias", "select o.| from customer c join orders as o on c.customer_num = o.customer_num",
             {"order_num", "customer_num column INTEGER"}, {"fname"}},
        Case{"ColumnsAfterATableName", "select * from customer where customer.fn|", {"fname"}, {"customer_num"}},
        Case{"ColumnsOfASynonymsTable", "select cust.| from cust", {"fname"}, {}},
        Case{"ColumnsAfterOwnerAndTable", "select * from informix.stock where informix.stock.|", {"stock_num"}, {}},
        Case{"ObjectsAfterAnOwner", "select * from informix.|", {"stock table informix", "pi_customer"}, {"customer"}},
        Case{"TheAliasOfTheCaretsOwnStatement", "select * from orders o;\nselect o.| from customer o", {"fname"},
             {"order_num"}},
        Case{"AnAliasAfterInformixsOuter", "select o.| from customer c, outer orders o", {"order_num"}, {"fname"}},
        Case{"AnAliasOfADatabaseAndOwnerQualifiedTable", "select s.| from db:informix.stock s", {"stock_num"}, {}},
        Case{"ADelimitedAliasOfADelimitedName", "select \"T\".| from \"My Table\" \"T\"", {"a column INTEGER"}, {}},
        Case{"AnAliasAfterASubqueryInTheFromList", "select x.| from customer, (select 1 from orders) sub, informix.stock x",
             {"stock_num"}, {"order_num", "fname"}},
        Case{"TheInsertTargetsColumns", "insert into orders (|", {"order_num", "ship_date"}, {"fname"}},
        Case{"AnUnknownAliasOffersNothing", "select z.| from customer c", {}, kNothing},
        Case{"StatementColumnsEverywhereElse", "select | from orders where ship_date > today",
             {"order_num", "ship_date column DATE", "order_total function (p_order INTEGER) RETURNING DECIMAL(12,2)",
              "WHERE"},
             {"fname", "customer"}},
        Case{"RoutinesAfterExecute", "execute procedure |",
             {"informix.pi_customer procedure (p_fname CHAR(15))", "order_total"}, {"customer", "SELECT"}},
        Case{"OnlyFunctionsAfterExecuteFunction", "execute function |", {"order_total"},
             {"informix.pi_customer", "customer"}},
        Case{"NoNameOfAnObjectBeingCreated", "create table cu|", {}, {"customer"}},
        Case{"NothingInAString", "select * from customer where fname = 'cu|", {}, kNothing},
        Case{"NothingInAComment", "select * from customer -- fn|", {}, kNothing},
        Case{"NothingInABraceComment", "select * { from cu| } from customer", {}, kNothing},
        Case{"SplParametersAndVariables",
             "CREATE PROCEDURE p(p_id INTEGER, p_name CHAR(10))\n"
             "DEFINE v_total, v_count DECIMAL(12,2);\nDEFINE GLOBAL g_flag INT DEFAULT 0;\nLET v_total = |",
             {"p_id variable INTEGER", "p_name variable CHAR(10)", "v_total variable DECIMAL(12,2)", "v_count",
              "g_flag variable INT"},
             {}},
        Case{"NoVariablesOutsideTheirRoutine",
             "CREATE PROCEDURE p(p_id INT) DEFINE v_x INT; END PROCEDURE;\nselect v|", {}, {"v_x", "p_id"}}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(CompletionContexts, ReplacesTheWordBeforeTheCaret)
{
    const QString text = QStringLiteral("select * from cus where");
    const Completion completion = CompleteSql(text, 17, &catalog());
    EXPECT_EQ(completion.start, 14);
    EXPECT_EQ(completion.prefix, QStringLiteral("cus"));
    // Without a catalog, keywords are still offered.
    EXPECT_FALSE(CompleteSql(QStringLiteral("sel"), 3, nullptr).entries.isEmpty());
}

} // namespace
