// The completion catalog read in the background from an embedded database.
#include "catalog/catalogsnapshot.h"
#include "catalog/objectkinds.h"
#include "catalogfixture.h"

#include <gtest/gtest.h>

static void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

using namespace quodlin;

namespace {

QStringList columns(const CatalogSnapshot &snapshot, const SnapshotRelation *relation)
{
    QStringList list;
    if (relation)
        for (const SnapshotColumn &c : snapshot.columnsOf(*relation))
            list << c.name + QLatin1Char(' ') + c.type;
    return list;
}

TEST(CatalogSnapshotTest, ReadsObjectsColumnsAndSignaturesOnAConnectionOfItsOwn)
{
    test::CatalogFixture fx(test::CatalogFixture::Text{QStringLiteral(R"(
create table orders (order_num serial, ship_date date not null);
create table "sam".stock (stock_num smallint);
create view big_orders as select ship_date from orders;
create synonym ord for orders;
create function order_total(p_order integer) returning decimal(12,2); return 1; end function;
create procedure touch(p_id integer, p_name char(10)) returning integer; return 1; end procedure;
)")});
    TdmDbObjects &module = fx.module();
    module.refreshCompletionCatalog();
    module.completionLoader().wait();
    const std::shared_ptr<const CatalogSnapshot> snapshot = module.completionCatalog();
    ASSERT_TRUE(snapshot) << module.completionLoader().lastError().toStdString();

    EXPECT_EQ(snapshot->user, QStringLiteral("tester"));
    const SnapshotRelation *orders = snapshot->findRelation({}, QStringLiteral("ORDERS"));
    ASSERT_TRUE(orders);
    EXPECT_EQ(orders->written, QStringLiteral("orders"));
    EXPECT_EQ(columns(*snapshot, orders), (QStringList{"order_num SERIAL", "ship_date DATE"}));
    const SnapshotRelation *stock = snapshot->findRelation({}, QStringLiteral("stock"));
    ASSERT_TRUE(stock);
    EXPECT_EQ(stock->written, QStringLiteral("sam.stock"));
    const SnapshotRelation *view = snapshot->findRelation({}, QStringLiteral("big_orders"));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->kind, KindView);
    EXPECT_EQ(columns(*snapshot, view), QStringList{"ship_date DATE"});
    // A synonym completes with its table's columns.
    const SnapshotRelation *synonym = snapshot->findRelation({}, QStringLiteral("ord"));
    ASSERT_TRUE(synonym);
    EXPECT_EQ(synonym->kind, KindSynonym);
    EXPECT_EQ(columns(*snapshot, synonym), columns(*snapshot, orders));
    EXPECT_TRUE(snapshot->findRelation(QStringLiteral("informix"), QStringLiteral("systables")));

    QStringList routines;
    for (const SnapshotRoutine &r : snapshot->routines)
        routines << r.written + (r.function ? QStringLiteral(" function ") : QStringLiteral(" procedure ")) + r.signature;
    EXPECT_TRUE(routines.contains(QStringLiteral("order_total function (p_order INTEGER) RETURNING DECIMAL(12,2)")))
        << routines.join(QLatin1Char('\n')).toStdString();
    // A procedure that returns values is still a procedure.
    EXPECT_TRUE(routines.contains(QStringLiteral("touch procedure (p_id INTEGER, p_name CHAR(10)) RETURNING INTEGER")));

    // A refresh reads the catalog again.
    fx.run(QStringLiteral("create table later (x integer)"));
    module.refreshCompletionCatalog();
    module.completionLoader().wait();
    EXPECT_TRUE(module.completionCatalog()->findRelation({}, QStringLiteral("later")));
}

} // namespace
