// Session behaviour beyond single scripts: files, parameters, cursors and
// their typed values, several sessions on one file, interrupt.
#include "scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

class SessionTest : public ScratchDatabaseTest {};

TEST_F(SessionTest, FilesAreNeverOverwrittenOrInvented)
{
    EXPECT_EQ(codeOf([&] { Session::createDatabase(m_path, "bob"); }), -330);
    EXPECT_EQ(codeOf([&] { Session::open((m_dir / "missing.db").string(), "ann"); }), -329);
    EXPECT_FALSE(fs::exists(m_dir / "missing.db"));
    auto s = Session::open(m_path, "ann");
    EXPECT_EQ(s->databaseName(), "stores");
    EXPECT_EQ(s->user(), "ann");
}

// A database that cannot be written is read as it is; only what would change
// it fails, with -9621, and temp tables still work.
void expectReadOnly(Session &s)
{
    EXPECT_EQ(firstInt(s, "select count(*) from t"), 2);
    for (const char *sql : {"insert into t values (3)", "update t set n = 0", "delete from t",
                            "create table u (n integer)", "drop table t", "create sequence q"})
        EXPECT_EQ(codeOf([&] { s.execute(sql); }), -9621) << sql;
    s.execute("begin work");
    EXPECT_EQ(firstInt(s, "select count(*) from t"), 2);
    s.execute("commit work");
    s.execute("create temp table scratch (n integer); insert into scratch select n from t");
    EXPECT_EQ(firstInt(s, "select count(*) from scratch where n > 0"), 2);
    EXPECT_EQ(firstInt(s, "select count(*) from systables where tabname in ('u', 'q')"), 0);
}

TEST_F(SessionTest, ReadOnlyFileIsReadNotWritten)
{
    Session::open(m_path, "ann")->execute("create table t (n integer); insert into t values (1); insert into t values (2)");
    fs::permissions(m_path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto s = Session::open(m_path, "ann");
    expectReadOnly(*s);
}

TEST_F(SessionTest, DatabaseInAFolderThatTakesNoNewFilesIsReadable)
{
    Session::open(m_path, "ann")->execute("create table t (n integer); insert into t values (1); insert into t values (2)");
    // SQLite cannot create its write-ahead log beside the file; a folder in
    // the log's place does that even for a user the system lets write anywhere.
    fs::create_directory(m_path + "-wal");
    auto s = Session::open(m_path, "ann");
    expectReadOnly(*s);
}

// Statement journals and sorts past their memory bound spill into files in
// the database's folder, unlinked at once; SQLite's own temporary files
// (etilqs_*, in the system's temporary folder) never appear. A watcher reads
// the process's open files while the statements run.
TEST_F(SessionTest, SpilledTemporaryFilesStayInTheDatabaseFolder)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table big (id integer, t char(250))");
    s->execute("begin work");
    auto ins = s->prepare("insert into big values (?, ?)");
    for (int i = 0; i < 12000; ++i) {
        ins->bind(0, Value::fromInt(i));
        ins->bind(1, Value::fromText("row " + std::to_string(i * 7919 % 12000) + std::string(200, 'x')));
        ins->execute();
    }
    s->execute("commit work");
    std::atomic<bool> done{false};
    std::set<std::string> seen;
    std::thread watcher([&] {
        while (!done) {
            std::error_code ec;
            for (const auto &e : fs::directory_iterator("/proc/self/fd", ec)) {
                const fs::path target = fs::read_symlink(e.path(), ec);
                if (!ec && target.string().find("(deleted)") != std::string::npos)
                    seen.insert(target.string());
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    s->execute("begin work");
    s->execute("update big set t = 'changed ' || t");
    s->execute("commit work");
    auto sorted = s->prepare("select t from big order by t desc");
    sorted->execute();
    ASSERT_TRUE(sorted->next());
    EXPECT_TRUE(sorted->value(0).text.starts_with("changed row 9x")) << sorted->value(0).text;
    sorted.reset();
    done = true;
    watcher.join();
    bool inFolder = false;
    for (const std::string &path : seen) {
        EXPECT_EQ(path.find("etilqs_"), std::string::npos) << path;
        inFolder = inFolder || path.starts_with((m_dir / ".quodlin-tmp-").string());
    }
    EXPECT_TRUE(inFolder) << "the update's journal should have spilled";
    for (const auto &e : fs::directory_iterator(m_dir))
        EXPECT_EQ(e.path().filename().string().find(".quodlin-tmp-"), std::string::npos) << e.path();
}

TEST_F(SessionTest, ParametersByNameAndPositionWithTypedValues)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (id serial, d date, m money(8,2), b boolean, x byte, c char(5), f float)");
    auto ins = s->prepare("insert into t (d, m, b, x, c, f) values (:d, ?, :b, ?, :c, 2.5); "
                          "insert into t (d, m, b, x, c, f) values (:d, 0.5, 'f', null, :c, null)");
    ASSERT_EQ(ins->parameterCount(), 7);
    EXPECT_EQ(ins->parameterName(0), "d");
    EXPECT_EQ(ins->parameterName(1), "");
    ins->bind("d", Value::fromInt(45656));
    ins->bind(1, Value::fromDouble(12.345));
    ins->bind("b", Value::fromText("t"));
    ins->bind(3, Value::fromBlob(std::string("\0\1\2", 3)));
    ins->bind("c", Value::fromText("ab"));
    ins->execute();
    EXPECT_EQ(ins->rowsAffected(), 1);
    EXPECT_EQ(s->sqlca().sqlerrd[1], 2);

    auto q = s->prepare("select id, d, m, b, x, c, f from t order by id");
    q->execute();
    ASSERT_TRUE(q->hasResultSet());
    const auto &cols = q->columns();
    ASSERT_EQ(cols.size(), 7u);
    EXPECT_EQ(cols[1].coltype, 7);
    EXPECT_EQ(cols[2].coltype, 8);
    EXPECT_EQ(cols[2].collength, 2050);
    ASSERT_TRUE(q->next());
    EXPECT_EQ(q->value(0).integer, 1);
    EXPECT_EQ(q->value(1).integer, 45656);
    EXPECT_EQ(q->value(2).text, "12.35");
    EXPECT_EQ(q->value(3).integer, 1);
    EXPECT_EQ(q->value(4).kind, Value::Kind::Blob);
    EXPECT_EQ(q->value(4).text, std::string("\0\1\2", 3));
    EXPECT_EQ(q->value(5).text, "ab");
    EXPECT_EQ(q->value(6).real, 2.5);
    EXPECT_EQ(displayText(q->value(2), cols[2], s->environment(), true), "$12.35");
    ASSERT_TRUE(q->next());
    EXPECT_EQ(q->value(2).text, "0.50");
    EXPECT_EQ(q->value(3).integer, 0);
    EXPECT_TRUE(q->value(4).isNull());
    EXPECT_FALSE(q->next());
    EXPECT_EQ(s->sqlca().sqlcode, 100);
}

TEST_F(SessionTest, ReexecutesWithNewBindingsAndSeesOtherSessions)
{
    auto a = Session::open(m_path, "ann");
    auto b = Session::open(m_path, "bob");
    a->execute("create table t (n integer)");
    auto ins = b->prepare("insert into t values (?)");
    for (int i = 0; i < 3; ++i) {
        ins->bind(0, Value::fromInt(i));
        ins->execute();
    }
    EXPECT_EQ(rowsText(*a, "select count(*), sum(n) from t"), "3|3\n");
    // DDL of one session is visible to the other's next prepare.
    b->execute("alter table t add (m integer)");
    a->execute("insert into t (n, m) values (9, 9)");
    a->execute("begin work; insert into t values (10, 10)");
    EXPECT_TRUE(a->inTransaction());
    EXPECT_EQ(firstInt(*b, "select count(*) from t"), 4);
    a->execute("commit work");
    EXPECT_FALSE(a->inTransaction());

    // The same text prepared again reuses the SQLite statement of one that
    // ended, even in the middle of its rows: it starts over with its own
    // bindings, and a schema changed by either session is never run stale.
    const std::string query = "select n from t where n > ? order by n";
    // Positioned on its first row; destroyed there when the caller drops it.
    auto opened = [&](int above) {
        auto q = a->prepare(query);
        q->bind(0, Value::fromInt(above));
        q->execute();
        EXPECT_TRUE(q->next());
        return q;
    };
    EXPECT_EQ(opened(0)->value(0).integer, 1);
    EXPECT_EQ(opened(2)->value(0).integer, 9);
    b->execute("drop table t; create table t (m char(4), n decimal(4,1)); insert into t values ('x', 7.5)");
    auto stale = opened(2);
    EXPECT_EQ(stale->value(0).text, "7.5");
    EXPECT_FALSE(stale->next());
    stale.reset();
    a->execute("drop table t; create table t (n integer)");
    EXPECT_EQ(rowsText(*a, query.substr(0, query.find(" where"))), "");
}

// A re-executed INSERT converts each bound value for its column; a value that
// does not convert fails with its conversion error and leaves the statement usable.
TEST_F(SessionTest, BoundInsertValuesTakeTheirColumnTypes)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n integer, k smallint, c char(4), v varchar(3), d decimal(5,2), b boolean)");
    auto ins = s->prepare("insert into t values (?, ?, ?, ?, ?, ?)");
    auto row = [&](Value n, Value k, Value c, Value v, Value d, Value b) {
        ins->bind(0, n);
        ins->bind(1, k);
        ins->bind(2, c);
        ins->bind(3, v);
        ins->bind(4, d);
        ins->bind(5, b);
        ins->execute();
    };
    row(Value::fromText(" 42 "), Value::fromDouble(7), Value::fromInt(7), Value::fromText("abcdef"),
        Value::fromDouble(3.14159), Value::fromText("t"));
    EXPECT_EQ(codeOf([&] {
                  row(Value::fromInt(1), Value::fromInt(40000), Value::null(), Value::null(), Value::null(),
                      Value::null());
              }),
              -1214);
    EXPECT_EQ(codeOf([&] {
                  row(Value::fromText("x"), Value::null(), Value::null(), Value::null(), Value::null(), Value::null());
              }),
              -1213);
    EXPECT_EQ(codeOf([&] {
                  row(Value::null(), Value::null(), Value::null(), Value::null(), Value::fromInt(1000), Value::null());
              }),
              -1226);
    row(Value::fromInt(5), Value::null(), Value::fromText("ab  "), Value::fromDouble(2.5), Value::fromText(" 2.5"),
        Value::fromInt(0));

    EXPECT_EQ(rowsText(*s, "select n, k, c, v, d, b from t order by n"), "5|NULL|ab|2.5|2.50|f\n42|7|7|abc|3.14|t\n");
}

// A reader of many rows takes them through a sink instead of value(): the
// same values for every type, for expressions the engine converts itself
// (decimals off their scale, floats read as text) and for routine rows.
TEST_F(SessionTest, RowsHandedToASinkAreTheValuesReadOne)
{
    struct Recorder : RowSink {
        std::vector<Value> row;
        void null(int c) override { add(c, Value::null()); }
        void integer(int c, std::int64_t v) override { add(c, Value::fromInt(v)); }
        void real(int c, double v) override { add(c, Value::fromDouble(v)); }
        void text(int c, std::string_view v) override { add(c, Value::fromText(std::string(v))); }
        void blob(int c, std::string_view v) override { add(c, Value::fromBlob(std::string(v))); }
        void add(int c, Value v)
        {
            EXPECT_EQ(size_t(c), row.size());  // in column order
            row.push_back(std::move(v));
        }
    };
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n serial, c char(6), v varchar(9), d decimal(8,3), m money(6,2), f float, "
               "dt date, ts datetime year to second, iv interval day to second, b boolean, i8 int8, by byte);"
               "insert into t (c, v, d, m, f, dt, ts, iv, b, i8) values ('ab', 'x''y', 1.5, 2, 0.25, "
               "'12/31/1999', datetime (2024-02-29 10:11:12) year to second, interval (3 04:05:06) day to second, "
               "'t', 9007199254740993);"
               "insert into t (c) values (null);"
               "create procedure p() returning integer, varchar(5); return 7, 'seven' with resume; end procedure;");
    for (const char *query : {"select * from t order by n", "select d * 3, f || '', n / 3, 1.0e300 from t",
                              "execute procedure p()"}) {
        SCOPED_TRACE(query);
        auto byValue = s->prepare(query);
        auto bySink = s->prepare(query);
        byValue->execute();
        bySink->execute();
        int rows = 0;
        Recorder sink;
        while (byValue->next()) {
            sink.row.clear();
            ASSERT_TRUE(bySink->next(sink));
            ASSERT_EQ(sink.row.size(), byValue->columns().size());
            for (size_t c = 0; c < sink.row.size(); ++c) {
                const Value &want = byValue->value(int(c));
                // value() leaves a NULL's other members as they were.
                const Value &got = sink.row[c];
                EXPECT_EQ(got.kind, want.kind) << c;
                if (want.kind == Value::Kind::Integer) {
                    EXPECT_EQ(got.integer, want.integer) << c;
                } else if (want.kind == Value::Kind::Float) {
                    EXPECT_EQ(got.real, want.real) << c;
                } else if (want.kind != Value::Kind::Null) {
                    EXPECT_EQ(got.text, want.text) << c;
                }
            }
            ++rows;
        }
        EXPECT_FALSE(bySink->next(sink));
        EXPECT_GT(rows, 0);
    }
}

// Text bound bare into an INSERT is converted before binding; it is stored
// as the general conversion of an expression stores it (INT8 to the last of
// its 19 digits), and text that does not convert fails with the same error.
TEST_F(SessionTest, BoundTextValuesStoreAsExpressionsDo)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (k integer, d date, ts datetime year to second, iv interval day to second,"
               " i8 int8, n smallint)");
    auto bare = s->prepare("insert into t (k, d, ts, iv, i8, n) values (?, ?, ?, ?, ?, ?)");
    auto general = s->prepare("insert into t (k, d, ts, iv, i8, n) values (?, ? || '', ? || '', ? || '', ? || '', ? || '')");
    const struct {
        int column;  // 1 d, 2 ts, 3 iv, 4 i8, 5 n
        const char *text;
    } cases[] = {{1, "02/29/2024"},          {1, "2024-03-01 10:00:00"}, {1, "2/3/24"},
                 {1, "13/01/2024"},          {1, "2023-02-29"},          {1, "nonsense"},
                 {2, "2024-02-29 23:59:59"}, {2, "2024-01-02"},          {2, "2024-13-02 03:04:05"},
                 {2, "2023-02-29 10:00:00"}, {2, "2024-01-02 24:00:00"}, {2, "2024-01-02 03:04:60"},
                 {2, "0000-01-02 03:04:05"}, {3, "3 10:30:00"},          {3, "-5 00:00:00"},
                 {3, "99 99:99:99"},         {4, "1234567890123456789"}, {4, "-9223372036854775807"},
                 {4, "9223372036854775808"}, {4, " 42"},                 {5, "-32767"},
                 {5, "32768"},               {5, "7.6"}};
    const char *names[] = {"", "d", "ts", "iv", "i8", "n"};
    int key = 0;
    for (const auto &c : cases) {
        int codes[2];
        for (Statement *st : {bare.get(), general.get()}) {
            const int k = ++key;
            codes[st == general.get()] = codeOf([&] {
                for (int i = 0; i < 6; ++i)
                    st->bind(i, i == 0 ? Value::fromInt(k) : i == c.column ? Value::fromText(c.text) : Value::null());
                st->execute();
            });
        }
        EXPECT_EQ(codes[0], codes[1]) << c.text;
        if (codes[0] != 0)
            continue;
        auto q = s->prepare("select " + std::string(names[c.column]) + " from t where k in (" +
                            std::to_string(key - 1) + ", " + std::to_string(key) + ") order by k");
        q->execute();
        ASSERT_TRUE(q->next());
        const Value first = q->value(0);
        ASSERT_TRUE(q->next()) << c.text;
        EXPECT_EQ(q->value(0).kind, first.kind) << c.text;
        EXPECT_EQ(q->value(0).integer, first.integer) << c.text;
        EXPECT_EQ(q->value(0).text, first.text) << c.text;
    }
}

// Inside a transaction the schema is read once; DDL of the same transaction
// must still reach prepared statements.
TEST_F(SessionTest, DdlInsideATransactionReachesPreparedStatements)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n integer)");
    s->execute("begin work");
    auto ins = s->prepare("insert into t values (?)");
    ins->bind(0, Value::fromInt(1));
    ins->execute();
    s->execute("alter table t add (m integer)");
    EXPECT_EQ(codeOf([&] { ins->execute(); }), -236);
    s->execute("alter table t drop (m)");
    ins->bind(0, Value::fromInt(2));
    ins->execute();
    s->execute("commit work");
    EXPECT_EQ(rowsText(*s, "select n from t order by n"), "1\n2\n");
}

// SQLite destroys no b-tree while any statement of the connection reads,
// however unrelated; Informix drops and rebuilds regardless. A cursor part
// way through its rows gives the rest as before.
// Statements, an open cursor among them, may be destroyed after their
// session (the sanitizer build sees any use of the closed session).
TEST_F(SessionTest, StatementsOutliveTheirSession)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n integer); insert into t values (1); insert into t values (2)");
    auto cursor = s->prepare("select n from t order by n");
    cursor->execute();
    ASSERT_TRUE(cursor->next());
    auto insert = s->prepare("insert into t values (?)");
    insert->bind(0, Value::fromInt(3));
    insert->execute();
    s.reset();
    cursor.reset();
    insert.reset();
    EXPECT_EQ(firstInt(*Session::open(m_path, "ann"), "select count(*) from t"), 3);
}

TEST_F(SessionTest, OpenCursorGoesOnAcrossDropsOfItsOwnSession)
{
    const struct {
        const char *name;
        const char *setup;
        const char *change;
    } cases[] = {
        {"drop table", "create table other (k integer)", "drop table other"},
        {"drop temp table", "create temp table other (k integer)", "drop table other"},
        {"drop index of the table read", "create index ix on t (c)", "drop index ix"},
        {"alter rebuilds a table", "create table other (k integer)", "alter table other add (m integer)"},
    };
    int file = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (m_dir / ("case" + std::to_string(++file) + ".db")).string();
        Session::createDatabase(path, "ann");
        auto s = Session::open(path, "ann");
        s->execute("create table t (n integer, c char(4)); insert into t values (1, 'a');"
                   "insert into t values (2, 'b'); insert into t values (3, 'c')");
        s->execute(c.setup);
        auto q = s->prepare("select n, c from t order by n");
        q->execute();
        ASSERT_TRUE(q->next());
        EXPECT_EQ(codeOf([&] { s->execute(c.change); }), 0);
        std::string rest;
        while (q->next())
            rest += std::to_string(q->value(0).integer) + q->value(1).text;
        EXPECT_EQ(rest, "2b3c");
        EXPECT_EQ(s->sqlca().sqlcode, 100);
        q->execute();
        EXPECT_TRUE(q->next());
    }
}

TEST_F(SessionTest, InterruptStopsALongStatement)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n integer)");
    s->execute("insert into t values (1)");
    for (int i = 0; i < 12; ++i)
        s->execute("insert into t select n from t");
    // A Stop before a statement has begun stops the next one, and only it;
    // one cleared (a new run) stops nothing.
    s->interrupt();
    EXPECT_EQ(codeOf([&] { s->execute("insert into t values (2)"); }), -213);
    s->interrupt();
    s->clearInterrupt();
    s->execute("insert into t values (2)");
    s->execute("delete from t where n = 2");
    auto q = s->prepare("select count(*) from t a, t b, t c");
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        s->interrupt();
    });
    int code = 0;
    try {
        q->execute();
        while (q->next()) {
        }
    } catch (const EngineError &e) {
        code = e.sqlCode();
        EXPECT_EQ(e.info().message, "Statement interrupted by user.");
    }
    stopper.join();
    EXPECT_EQ(code, -213);
    EXPECT_EQ(s->sqlca().sqlcode, -213);
    // The session goes on working.
    EXPECT_EQ(firstInt(*s, "select count(*) from t where n = 1"), 4096);

    // SQLite undoes the whole transaction when a write in it is interrupted:
    // the session must know, so later statements are not committed one by
    // one while the user still expects ROLLBACK WORK to undo them.
    s->execute("create table u (n integer)");
    s->execute("begin work");
    s->execute("insert into u values (99)");
    std::thread writeStopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        s->interrupt();
    });
    EXPECT_EQ(codeOf([&] { s->execute("insert into u select a.n from t a, t b"); }), -213);
    writeStopper.join();
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(codeOf([&] { s->execute("rollback work"); }), -255);
    EXPECT_EQ(firstInt(*s, "select count(*) from u"), 0);
}

TEST_F(SessionTest, InterruptStopsARunawayRoutineAndRollsItBack)
{
    auto s = Session::open(m_path, "ann");
    s->execute("create table t (n integer)");
    s->execute("create procedure forever() define i integer; insert into t values (1); let i = 0;"
               " while 1 = 1 let i = i + 1; end while; end procedure");
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        s->interrupt();
    });
    EXPECT_EQ(codeOf([&] { s->execute("execute procedure forever()"); }), -213);
    stopper.join();
    EXPECT_EQ(firstInt(*s, "select count(*) from t"), 0);
}

TEST_F(SessionTest, TriggersCascadeUpToSixtyOneLevels)
{
    auto s = Session::open(m_path, "ann");
    auto link = [&](int i) {
        s->execute("create table c" + std::to_string(i + 1) + " (n integer)");
        s->execute("create trigger t" + std::to_string(i) + " insert on c" + std::to_string(i)
                   + " referencing new as x for each row (insert into c" + std::to_string(i + 1) + " values (x.n + 1))");
    };
    s->execute("create table c0 (n integer)");
    for (int i = 0; i < 61; ++i)
        link(i);
    auto count = [&](const std::string &table) { return firstInt(*s, "select count(*) * 1000 + max(n) from " + table); };
    EXPECT_EQ(codeOf([&] { s->execute("insert into c0 values (0)"); }), 0);
    EXPECT_EQ(count("c61"), 1061);
    link(61);
    EXPECT_EQ(codeOf([&] { s->execute("insert into c0 values (0)"); }), -748);
    EXPECT_EQ(count("c0"), 1000);
    EXPECT_EQ(count("c61"), 1061);
}

} // namespace
