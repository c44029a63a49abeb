// What SQL and SPL may reach outside the database file: the files SET
// EXPLAIN FILE TO and SET DEBUG FILE TO name, SYSTEM's commands, and the
// files FILETOBLOB, FILETOCLOB and LOTOFILE read and write. Without
// QUODLIN_SPL_SYSTEM=1 only the explain folder is written and no command
// runs, whoever asks: a statement typed, a routine, a trigger, a view; the
// large-object functions work in a statement typed and nowhere else.
#include "scratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

using namespace quodlin::engine;
using namespace enginetest;

namespace {

// Sets the switch for its lifetime; tests start with it unset.
struct SwitchedOn {
    SwitchedOn() { ::setenv("QUODLIN_SPL_SYSTEM", "1", 1); }
    ~SwitchedOn() { ::unsetenv("QUODLIN_SPL_SYSTEM"); }
};

class OutsideAccess : public ScratchDatabaseTest {
protected:
    OutsideAccess()
    {
        ::unsetenv("QUODLIN_SPL_SYSTEM");
        fs::create_directories(m_dir / "explain" / "sub");
        Environment env;
        env.explainFile = (m_dir / "explain" / "ann.out").string();
        m_s = open(env);
        m_s->execute("create table t (n integer); insert into t values (1);"
                     "create procedure traced(n integer) define i integer; trace 'start ' || n; trace on;"
                     " let i = n * 2; trace off; let i = 0; trace 'end'; end procedure");
    }
    std::string path(const std::string &relative) const { return (m_dir / relative).lexically_normal().string(); }

    std::unique_ptr<Session> m_s;
};

struct NamedFile {
    const char *name;
    const char *statement;  // {dir} stands for the test's folder
    const char *writes;     // the file written, relative to the test's folder
    bool withoutSwitch;     // written while the switch is off
    int refusal;            // the error when it is not
};

void PrintTo(const NamedFile &c, std::ostream *os) { *os << c.name; }

class FileNamedInSql : public OutsideAccess, public testing::WithParamInterface<NamedFile> {
protected:
    std::string statement() const
    {
        std::string s = GetParam().statement;
        if (const auto at = s.find("{dir}"); at != std::string::npos)
            s.replace(at, 5, m_dir.string());
        return s;
    }
    bool debugFile() const { return std::string(GetParam().statement).find("debug") != std::string::npos; }
    void expectWritten() const
    {
        const std::string text = readFile(path(GetParam().writes));
        if (debugFile())
            EXPECT_EQ(text, "start 21\nLET i = 42\nend\n");
        else
            EXPECT_EQ(text.rfind("QUERY:", 0), 0u) << text;
    }
};

TEST_P(FileNamedInSql, IsWrittenInTheExplainFolderOrWithTheSwitch)
{
    const std::string run = statement() + (debugFile() ? "; execute procedure traced(21)" : "; select * from t");
    if (GetParam().withoutSwitch) {
        m_s->execute(run);
        expectWritten();
        return;
    }
    const EngineError e = failureOf([&] { m_s->execute(run); });
    EXPECT_EQ(e.sqlCode(), GetParam().refusal);
    EXPECT_NE(e.info().message.find(path(GetParam().writes)), std::string::npos) << e.info().message;
    EXPECT_NE(e.info().message.find("QUODLIN_SPL_SYSTEM=1"), std::string::npos) << e.info().message;
    EXPECT_EQ(m_s->sqlca().sqlerrm, path(GetParam().writes)) << "the file fills the message's %s";
    EXPECT_FALSE(fs::exists(path(GetParam().writes)));

    SwitchedOn on;
    m_s->execute(run);
    expectWritten();
}

INSTANTIATE_TEST_SUITE_P(Files, FileNamedInSql, testing::Values(
    NamedFile{"explainOn", "set explain on", "explain/ann.out", true, 0},
    NamedFile{"explainBareName", "set explain file to 'mine.out'", "explain/mine.out", true, 0},
    NamedFile{"explainDefaultByPath", "set explain file to '{dir}/explain/ann.out'", "explain/ann.out", true, 0},
    NamedFile{"explainAbsoluteInFolder", "set explain file to '{dir}/explain/mine.out'", "explain/mine.out", true, 0},
    NamedFile{"explainAbsolute", "set explain file to '{dir}/other.out'", "other.out", false, -9620},
    NamedFile{"explainParentFolder", "set explain file to '../other.out'", "other.out", false, -9620},
    NamedFile{"explainSubfolder", "set explain file to 'sub/x.out'", "explain/sub/x.out", false, -9620},
    NamedFile{"debugBareName", "set debug file to 'trace.out'", "explain/trace.out", true, 0},
    NamedFile{"debugAbsolute", "set debug file to '{dir}/trace.out'", "trace.out", false, -648},
    NamedFile{"debugParentFolder", "set debug file to '../trace.out' with append", "trace.out", false, -648},
    NamedFile{"debugOutOfAndBackIn", "set debug file to '../explain/trace.out'", "explain/trace.out", true, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// A database from someone else runs its routines inside the user's own
// statements: a trigger on a plain INSERT, a function in a view.
TEST_F(OutsideAccess, RoutinesOfTheDatabaseCannotWriteOutside)
{
    const std::string target = path("owned.txt");
    m_s->execute("create procedure plant() set debug file to '" + target + "' with append; trace 'owned'; end procedure;"
                 "create function planted() returning integer; set debug file to '" + target + "';"
                 " trace 'owned'; return 1; end function;"
                 "create trigger t_ins insert on t for each row (execute procedure plant());"
                 "create view v (n, x) as select n, planted() from t");
    EXPECT_EQ(failureOf([&] { m_s->execute("insert into t values (2)"); }).sqlCode(), -648);
    EXPECT_EQ(failureOf([&] { m_s->execute("select * from v"); }).sqlCode(), -648);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(firstInt(*m_s, "select count(*) from t"), 1) << "the INSERT was undone with its trigger";
}

TEST_F(OutsideAccess, LargeObjectsGoToAndFromTheFilesAStatementNames)
{
    const std::string picture("GIF89a\0\x01\xff", 9);
    { std::ofstream(path("pic.gif"), std::ios::binary) << picture; }
    { std::ofstream(path("notes.txt"), std::ios::binary) << "first line\nsecond"; }
    m_s->execute("create table pics (name varchar(10), picture blob, notes clob);"
                 "insert into pics values ('a', filetoblob('" + path("pic.gif") + "', 'client'),"
                 " filetoclob('" + path("notes.txt") + "', 'SERVER'))");
    auto q = m_s->prepare("select picture, notes, lotofile(picture, '" + path("out") + "', 'client'),"
                          " lotofile(notes, '" + path("out") + "', 'client'), lotofile(picture, '" + path("out") + "', 'client')"
                          " from pics");
    q->execute();
    ASSERT_TRUE(q->next());
    EXPECT_EQ(q->value(0).text, picture);
    EXPECT_EQ(q->value(1).text, "first line\nsecond");
    const std::string blobFile = q->value(2).text, clobFile = q->value(3).text;
    // file.<hex id>: the same value names the same file, another value another.
    const std::string prefix = path("out") + ".";
    ASSERT_EQ(blobFile.rfind(prefix, 0), 0u) << blobFile;
    const std::string hex = blobFile.substr(prefix.size());
    EXPECT_TRUE(!hex.empty() && hex.size() <= 17 && hex.find_first_not_of("0123456789abcdef") == std::string::npos) << hex;
    EXPECT_EQ(q->value(4).text, blobFile);
    EXPECT_NE(clobFile, blobFile);
    EXPECT_EQ(readFile(blobFile), picture);
    EXPECT_EQ(readFile(clobFile), "first line\nsecond");
    q->close();

    const EngineError missing = failureOf([&] { m_s->execute("select filetoblob('" + path("none") + "', 'client') from pics"); });
    EXPECT_EQ(missing.sqlCode(), -9629);
    EXPECT_EQ(missing.info().isamCode, -ENOENT);
    EXPECT_EQ(m_s->sqlca().sqlerrm, path("none"));
    EXPECT_EQ(codeOf([&] { m_s->execute("select lotofile(picture, '" + path("x") + "', 'disk') from pics"); }), -9629);
    EXPECT_EQ(codeOf([&] { m_s->execute("select lotofile(name, '" + path("x") + "', 'client') from pics"); }), -674);
    EXPECT_EQ(codeOf([&] { m_s->execute("select lotofile(picture, '" + path("no/such/dir/x") + "', 'client') from pics"); }), -9629);
}

// A routine, a trigger or a view of the database, or SQL planted in the
// SQLite file itself, reads and writes no file of its choosing.
TEST_F(OutsideAccess, LargeObjectFilesAreNotForTheDatabasesOwnCode)
{
    const std::string target = path("owned");
    const std::string write = "lotofile(filetoblob('" + path("explain/ann.out") + "', 'client'), '" + target + "', 'client')";
    { std::ofstream(path("explain/ann.out")) << "x"; }
    m_s->execute("create procedure plant() define f lvarchar; let f = (select " + write + " from t); end procedure;"
                 "create table log (n integer);"
                 "create trigger t_ins insert on log for each row (insert into t select n from t where " + write + " is null)");
    const EngineError routine = failureOf([&] { m_s->execute("execute procedure plant()"); });
    EXPECT_EQ(routine.sqlCode(), -9630);
    EXPECT_NE(routine.info().message.find("QUODLIN_SPL_SYSTEM=1"), std::string::npos) << routine.info().message;
    EXPECT_EQ(codeOf([&] { m_s->execute("insert into log values (1)"); }), -9630);
    EXPECT_EQ(codeOf([&] { m_s->execute("create view v (f) as select " + write + " from t"); }), -9630);

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
    const std::string planted = "CREATE TRIGGER main.planted AFTER INSERT ON \"t\" BEGIN SELECT ifx_lotofile(x'41', '"
                                + target + "', 'client'); END";
    EXPECT_EQ(sqlite3_exec(db, planted.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    auto other = open();
    EXPECT_EQ(codeOf([&] { other->execute("insert into t values (5)"); }), -9630);
    for (const auto &e : fs::directory_iterator(m_dir))
        EXPECT_EQ(e.path().filename().string().rfind("owned", 0), std::string::npos) << e.path();

    SwitchedOn on;
    m_s->execute("execute procedure plant()");
    bool written = false;
    for (const auto &e : fs::directory_iterator(m_dir))
        written = written || e.path().filename().string().rfind("owned.", 0) == 0;
    EXPECT_TRUE(written);
}

TEST_F(OutsideAccess, SystemRunsOnlyWithTheSwitch)
{
    const fs::path marker = m_dir / "ran";
    m_s->execute("create procedure touch() system 'touch " + marker.string() + "'; end procedure;"
                 "create procedure fails() system 'exit 3'; end procedure");
    const EngineError off = failureOf([&] { m_s->execute("execute procedure touch()"); });
    EXPECT_EQ(off.sqlCode(), -668);
    EXPECT_NE(off.info().message.find("QUODLIN_SPL_SYSTEM=1"), std::string::npos) << off.info().message;
    EXPECT_FALSE(fs::exists(marker));

    SwitchedOn on;
    m_s->execute("execute procedure touch()");
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_EQ(failureOf([&] { m_s->execute("execute procedure fails()"); }).sqlCode(), -668);
}

} // namespace
