// Which keys become the SQLite table's row key, and files whose keyed tables
// were laid out before that (a separate unique index) keep working and take
// the new layout when a table is rebuilt.
#include "scratch.h"

#include <sqlite3.h>

using namespace enginetest;

namespace {

// The SQLite file as stored: the row key's column ("" for none) and the
// number of SQLite indexes of table `t`.
struct Layout {
    std::string rowKey;
    int indexes = 0;
    bool operator==(const Layout &) const = default;
};

std::ostream &operator<<(std::ostream &o, const Layout &l)
{
    return o << "{rowKey '" << l.rowKey << "', " << l.indexes << " indexes}";
}

class RawFile {
public:
    explicit RawFile(const std::string &path) { sqlite3_open(path.c_str(), &m_db); }
    ~RawFile() { sqlite3_close(m_db); }
    void exec(const std::string &sql)
    {
        char *err = nullptr;
        ASSERT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "") << "\n" << sql;
    }
    std::vector<std::string> texts(const std::string &sql)
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr);
        std::vector<std::string> out;
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    }
    std::string text(const std::string &sql)
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr);
        std::string out;
        if (st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }
    Layout layout(const std::string &t)
    {
        return {text("SELECT name FROM pragma_table_info('" + t + "') WHERE pk = 1"),
                std::stoi(text("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = '" + t + "'"))};
    }

private:
    sqlite3 *m_db = nullptr;
};

class RowKeyTest : public ScratchDatabaseTest {};

struct KeyCase {
    const char *name;
    const char *columns;
    Layout layout;
};

class RowKeyLayout : public RowKeyTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(RowKeyLayout, IntegerPrimaryKeysAloneAreTheRowKey)
{
    open()->execute(std::string("create table t (") + GetParam().columns + ")");
    EXPECT_EQ(RawFile(m_path).layout("t"), GetParam().layout);
}

INSTANTIATE_TEST_SUITE_P(Keys, RowKeyLayout,
    testing::Values(KeyCase{"Integer", "id integer primary key, v char(2)", {"id", 0}},
                    KeyCase{"Serial", "v char(2), id serial primary key", {"id", 0}},
                    KeyCase{"Int8", "id int8 primary key", {"id", 0}},
                    KeyCase{"Serial8", "id serial8 primary key", {"id", 0}},
                    KeyCase{"Bigserial", "id bigserial primary key", {"id", 0}},
                    KeyCase{"TableLevel", "id integer, v char(2), primary key (id) constraint t_pk", {"id", 0}},
                    KeyCase{"KeyAndUniqueColumn", "id integer primary key, u integer unique", {"id", 1}},
                    KeyCase{"Smallint", "id smallint primary key", {"", 1}},
                    KeyCase{"Character", "id char(4) primary key", {"", 1}},
                    KeyCase{"Decimal", "id decimal(10,0) primary key", {"", 1}},
                    KeyCase{"TwoColumns", "a integer, b integer, primary key (a, b)", {"", 1}},
                    KeyCase{"UniqueOnly", "id integer unique not null", {"", 1}}),
    [](const testing::TestParamInfo<KeyCase> &i) { return std::string(i.param.name); });

TEST_F(RowKeyTest, KeyGoesAndComesWithItsConstraint)
{
    auto s = open();
    s->execute("create table t (id integer primary key constraint t_pk, v char(2)); insert into t values (3, 'a')");
    RawFile raw(m_path);
    s->execute("alter table t drop constraint t_pk");
    EXPECT_EQ(raw.layout("t"), (Layout{"", 0}));
    s->execute("insert into t values (3, 'b'); delete from t where v = 'b'; create unique index t_u on t (id)");
    s->execute("alter table t add constraint primary key (id) constraint t_pk2");
    EXPECT_EQ(raw.layout("t"), (Layout{"id", 0})) << "a unique index on the row key has nothing to add";
    s->execute("alter table t drop constraint t_pk2");
    EXPECT_EQ(raw.layout("t"), (Layout{"", 1})) << "the user's index comes back";
    s->execute("drop index t_u; alter table t add constraint primary key (id) constraint t_pk2; alter table t add (w integer)");
    EXPECT_EQ(raw.layout("t"), (Layout{"id", 0}));
    s->execute("alter table t modify (id char(3) primary key constraint t_pk2)");
    EXPECT_EQ(raw.layout("t"), (Layout{"", 1}));
    EXPECT_EQ(rowsText(*s, "select id, v, w from t"), "3|a|NULL\n");
}

// A table laid out as before: the key an ordinary NOT NULL column with its
// constraint's unique index beside it.
TEST_F(RowKeyTest, FilesWithTheKeyInASeparateIndexKeepWorking)
{
    {
        auto s = open();
        s->execute("create table t (id serial primary key constraint t_pk, v char(2));"
                   "create table c (pid integer references t, n integer);"
                   "insert into t (v) values ('a'); insert into t (v) values ('b'); insert into c values (2, 1)");
    }
    {
        RawFile raw(m_path);
        const std::string idx = raw.text("SELECT idxname FROM sysconstraints WHERE constrname = 't_pk'");
        const auto triggers = raw.texts("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 't'");
        ASSERT_FALSE(triggers.empty());
        raw.exec("PRAGMA legacy_alter_table = ON; CREATE TABLE old (id INTEGER NOT NULL, v TEXT COLLATE RTRIM);"
                 "INSERT INTO old (rowid, id, v) SELECT id + 100, id, v FROM t; DROP TABLE t;"
                 "ALTER TABLE old RENAME TO t; CREATE UNIQUE INDEX \"ix$" + idx + "\" ON t (id)");
        for (const std::string &t : triggers)
            raw.exec(t);
        ASSERT_EQ(raw.layout("t"), (Layout{"", 1}));
    }
    auto s = open();
    EXPECT_EQ(codeOf([&] { s->execute("insert into t values (1, 'x')"); }), -268);
    EXPECT_EQ(codeOf([&] { s->execute("insert into t values (null, 'x')"); }), -391);
    EXPECT_EQ(codeOf([&] { s->execute("delete from t where id = 2"); }), -692);
    s->execute("insert into t (v) values ('c'); update t set v = 'z' where id = 1");
    EXPECT_EQ(rowsText(*s, "select id, v from t order by id"), "1|z\n2|b\n3|c\n");
    EXPECT_EQ(rowsText(*s, "select v from t, c where t.id = c.pid"), "b\n");
    s->execute("merge into t using c on t.id = c.n when matched then update set v = 'm'");
    EXPECT_EQ(rowsText(*s, "select v from t where id = 1"), "m\n");

    // A rebuild lays the table out anew, keys and references intact.
    s->execute("alter table t add (w integer)");
    EXPECT_EQ(RawFile(m_path).layout("t"), (Layout{"id", 0}));
    EXPECT_EQ(rowsText(*s, "select id, v, rowid from t order by id"), "1|m|1\n2|b|2\n3|c|3\n");
    EXPECT_EQ(codeOf([&] { s->execute("insert into t values (2, 'x', 0)"); }), -268);
    EXPECT_EQ(codeOf([&] { s->execute("delete from t where id = 2"); }), -692);
    s->execute("insert into t (v) values ('d')");
    EXPECT_EQ(firstInt(*s, "select max(id) from t"), 4);
    s->execute("drop table c; drop table t");
}

} // namespace
