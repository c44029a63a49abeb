// Changes through views from prepared statements: positional parameters on
// the bound-and-converted INSERT path, counts in the sqlca, and prepared
// statements following a view that is dropped and defined again.
#include "scratch.h"

#include <gtest/gtest.h>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

class ViewDmlTest : public ScratchDatabaseTest {
protected:
    ViewDmlTest() : ScratchDatabaseTest("shop.db")
    {
        m_s = open();
        m_s->execute("create table item (id serial, name varchar(20) not null, qty integer, price decimal(6,2))");
        m_s->execute("create view instock as select id, name, qty, price from item where qty > 0 with check option");
    }

    std::int64_t count(const std::string &where) { return firstInt(*m_s, "select count(*) from item where " + where); }

    std::unique_ptr<Session> m_s;
};

TEST_F(ViewDmlTest, PositionalParametersAreCheckedRowByRow)
{
    auto ins = m_s->prepare("insert into instock (name, qty, price) values (?, ?, ?)");
    auto run = [&](const char *name, Value qty, Value price) {
        ins->bind(0, Value::fromText(name));
        ins->bind(1, qty);
        ins->bind(2, price);
        return codeOf([&] { ins->execute(); });
    };
    EXPECT_EQ(run("nut", Value::fromInt(5), Value::fromText("1.25")), 0);
    EXPECT_EQ(m_s->sqlca().sqlerrd[1], 1);
    EXPECT_EQ(ins->rowsAffected(), 1);
    EXPECT_EQ(run("bolt", Value::fromInt(0), Value::fromText("2")), -385);
    EXPECT_EQ(run("bolt", Value::null(), Value::fromText("2")), -385);  // NULL is not "qty > 0"
    // A value the bound conversion refuses takes the wrapped statement: still checked.
    EXPECT_EQ(run("washer", Value::fromText("-3"), Value::fromText("x")), -1213);
    EXPECT_EQ(run("washer", Value::fromText("-3"), Value::fromText("1")), -385);
    EXPECT_EQ(run("washer", Value::fromText("7"), Value::fromInt(1)), 0);
    EXPECT_EQ(m_s->sqlca().sqlerrd[1], 2);
    EXPECT_EQ(count("1 = 1"), 2);

    auto upd = m_s->prepare("update instock set qty = qty - ? where name = ?");
    upd->bind(0, Value::fromInt(5));
    upd->bind(1, Value::fromText("nut"));
    EXPECT_EQ(codeOf([&] { upd->execute(); }), -385);
    EXPECT_EQ(count("name = 'nut' and qty = 5"), 1);
    upd->bind(0, Value::fromInt(4));
    upd->execute();
    EXPECT_EQ(upd->rowsAffected(), 1);
    EXPECT_EQ(m_s->sqlca().sqlerrd[2], 1);
    EXPECT_EQ(count("name = 'nut' and qty = 1"), 1);
}

TEST_F(ViewDmlTest, PreparedStatementsFollowAViewDefinedAgain)
{
    m_s->execute("insert into item (name, qty) values ('nut', 5)");
    m_s->execute("insert into item (name, qty) values ('bolt', 0)");
    auto del = m_s->prepare("delete from instock where name like ?");
    auto ins = m_s->prepare("insert into instock (name, qty) values ('pin', 0)");
    EXPECT_EQ(codeOf([&] { ins->execute(); }), -385);

    m_s->execute("drop view instock");
    m_s->execute("create view instock as select id, name, qty, price from item where qty = 0");
    ins->execute();  // no check option any more
    del->bind(0, Value::fromText("%"));
    del->execute();
    EXPECT_EQ(del->rowsAffected(), 2);  // bolt and pin, the rows the new view shows
    EXPECT_EQ(count("1 = 1"), 1);
    EXPECT_EQ(count("name = 'nut'"), 1);

    m_s->execute("drop view instock");
    m_s->execute("create view instock (n, total) as select name, qty * price from item");
    EXPECT_EQ(codeOf([&] { ins->execute(); }), -217);
    EXPECT_EQ(codeOf([&] { del->execute(); }), -217);
}

} // namespace
