// Runs the SQL scripts tests/data/engine/*.test, one test per file, each in a
// fresh database created by user "tester".
//
// Script format (records are separated by blank lines; '#' starts a comment line):
//
//   statement ok                      the SQL that follows must succeed
//   statement error <code> [<offset>] [isam <code>]
//                                     it must fail with that SQL code, offset
//                                     (sqlerrd[4]) and ISAM code when given
//   query [money]                     the SQL returns rows; after a line "----"
//                                     the expected rows follow, one per line,
//                                     values as displayText shows them separated
//                                     by '|', NULL for null ("money": MONEY with
//                                     its currency symbol)
//   columns                           like query, but the expected lines are the
//                                     result description: name|coltype|collength
//   name=value words after "statement ok", "statement error ..." or "query"
//                                     bind :name parameters (digits bind an integer,
//                                     "null" NULL, anything else text)
//   sqlca <sqlerrd index> <value>     checks a field of the last statement's sqlca
//   sqlerrm <text>                    checks what filled the last error's %s
//   env <dbdate|dbcentury|dbmoney|delimident> <value>
//   session <name>                    later records run in the named session
//                                     (opened on first use, same file, same user)
//   demo                              runs the demo database script, which must succeed
//
// SQL runs until the blank line (or "----"); several statements separated by
// ';' run as one multi-statement prepare. After the last record the driver
// checks that the catalog holds no rows of tables that no longer exist.
#include "engine/demo.h"
#include "engine/engine.h"
#include "scratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace quodlin::engine;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> scriptFiles()
{
    std::vector<std::string> out;
    fs::path dir = fs::path(QUODLIN_TEST_DATA) / "engine";
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ".test")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string trimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t'))
        s.pop_back();
    return s;
}

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

struct Record {
    int line = 0;
    std::vector<std::string> header;
    std::string sql;
    std::vector<std::string> expected;
};

std::vector<Record> readRecords(const std::string &path)
{
    std::ifstream in(path);
    std::vector<Record> out;
    std::string line;
    int n = 0;
    Record cur;
    enum { Idle, Sql, Rows } state = Idle;
    auto flush = [&] {
        if (!cur.header.empty())
            out.push_back(cur);
        cur = Record{};
        state = Idle;
    };
    while (std::getline(in, line)) {
        ++n;
        line = trimRight(line);
        if (state == Idle) {
            if (line.empty() || line[0] == '#')
                continue;
            cur.line = n;
            cur.header = words(line);
            const std::string &k = cur.header[0];
            if (k == "env" || k == "session" || k == "sqlca" || k == "sqlerrm")
                flush();
            else
                state = Sql;
            continue;
        }
        if (line.empty()) {
            flush();
            continue;
        }
        if (state == Sql && line == "----") {
            state = Rows;
            continue;
        }
        if (state == Sql)
            cur.sql += (cur.sql.empty() ? "" : "\n") + line;
        else
            cur.expected.push_back(line);
    }
    flush();
    return out;
}

class ScriptTest : public testing::TestWithParam<std::string> {};

struct Context {
    std::string path;
    Environment env;
    std::map<std::string, std::unique_ptr<Session>> sessions;
    Session *current = nullptr;
};

std::string where(const std::string &file, const Record &r)
{
    return fs::path(file).filename().string() + ":" + std::to_string(r.line);
}

// Binds the name=value words of a record header.
void bindHeader(Statement &st, const Record &r)
{
    for (const std::string &w : r.header) {
        auto eq = w.find('=');
        if (eq == std::string::npos)
            continue;
        std::string name = w.substr(0, eq), value = w.substr(eq + 1);
        bool digits = !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos;
        st.bind(name, value == "null" ? Value::null() : digits ? Value::fromInt(std::stoll(value)) : Value::fromText(value));
    }
}

void run(Session &s, const Record &r)
{
    auto st = s.prepare(r.sql);
    bindHeader(*st, r);
    st->execute();
    while (st->next()) {
    }
}

void runRecord(Context &ctx, const std::string &file, const Record &r)
{
    const std::string &kind = r.header[0];
    const std::string at = where(file, r);
    if (kind == "env") {
        ASSERT_GE(r.header.size(), 3u) << at;
        const std::string &name = r.header[1], &value = r.header[2];
        if (name == "dbdate")
            ctx.env.dbdate = value;
        else if (name == "dbcentury")
            ctx.env.dbcentury = value;
        else if (name == "dbmoney")
            ctx.env.dbmoney = value;
        else if (name == "delimident")
            ctx.env.delimident = value == "on";
        else
            ADD_FAILURE() << at << ": unknown env " << name;
        for (auto &[n, s] : ctx.sessions)
            s->setEnvironment(ctx.env);
        return;
    }
    if (kind == "session") {
        ASSERT_GE(r.header.size(), 2u) << at;
        auto &s = ctx.sessions[r.header[1]];
        if (!s)
            s = Session::open(ctx.path, "tester", ctx.env);
        ctx.current = s.get();
        return;
    }
    if (kind == "sqlca") {
        ASSERT_GE(r.header.size(), 3u) << at;
        int index = std::stoi(r.header[1]);
        EXPECT_EQ(std::to_string(ctx.current->sqlca().sqlerrd[index]), r.header[2]) << at << ": sqlerrd[" << index << "]";
        return;
    }
    if (kind == "sqlerrm") {
        std::string text;
        for (size_t i = 1; i < r.header.size(); ++i)
            text += (i > 1 ? " " : "") + r.header[i];
        EXPECT_EQ(ctx.current->sqlca().sqlerrm, text) << at;
        return;
    }
    if (kind == "demo") {
        try {
            ctx.current->execute(demoScript());
        } catch (const EngineError &e) {
            ADD_FAILURE() << at << ": demo script failed with " << e.sqlCode() << " at " << e.offset() << ": "
                          << e.info().message;
        }
        return;
    }
    if (kind == "statement" && r.header.size() >= 2 && r.header[1] == "ok") {
        try {
            run(*ctx.current, r);
        } catch (const EngineError &e) {
            ADD_FAILURE() << at << ": unexpected error " << e.sqlCode() << " at " << e.offset() << ": "
                          << e.info().message << " " << e.info().isamMessage << "\n" << r.sql;
        }
        return;
    }
    if (kind == "statement" && r.header.size() >= 3 && r.header[1] == "error") {
        int code = std::stoi(r.header[2]);
        std::optional<int> offset, isam;
        for (size_t i = 3; i < r.header.size(); ++i) {
            if (r.header[i].find('=') != std::string::npos)
                continue;
            if (r.header[i] == "isam" && i + 1 < r.header.size())
                isam = std::stoi(r.header[++i]);
            else
                offset = std::stoi(r.header[i]);
        }
        try {
            run(*ctx.current, r);
            ADD_FAILURE() << at << ": expected error " << code << ", statement succeeded\n" << r.sql;
        } catch (const EngineError &e) {
            EXPECT_EQ(e.sqlCode(), code) << at << ": " << e.info().message << "\n" << r.sql;
            if (offset) {
                EXPECT_EQ(e.offset(), *offset) << at << ": offset of error " << code;
            }
            if (isam) {
                EXPECT_EQ(e.info().isamCode, *isam) << at << ": ISAM code";
            }
            EXPECT_EQ(ctx.current->sqlca().sqlcode, e.sqlCode()) << at << ": sqlca.sqlcode";
        }
        return;
    }
    if (kind == "query" || kind == "columns") {
        bool money = std::find(r.header.begin(), r.header.end(), "money") != r.header.end();
        std::vector<std::string> got;
        try {
            auto st = ctx.current->prepare(r.sql);
            bindHeader(*st, r);
            st->execute();
            if (!st->hasResultSet()) {
                ADD_FAILURE() << at << ": no result set\n" << r.sql;
                return;
            }
            if (kind == "columns") {
                for (const ColumnDescription &c : st->columns())
                    got.push_back(c.name + "|" + std::to_string(c.coltype) + "|" + std::to_string(c.collength));
            } else {
                while (st->next()) {
                    std::string row;
                    for (size_t i = 0; i < st->columns().size(); ++i) {
                        const Value &v = st->value(static_cast<int>(i));
                        row += (i ? "|" : "") + (v.isNull() ? std::string("NULL")
                                                           : displayText(v, st->columns()[i], ctx.env, money));
                    }
                    got.push_back(trimRight(row));
                }
            }
        } catch (const EngineError &e) {
            ADD_FAILURE() << at << ": unexpected error " << e.sqlCode() << " at " << e.offset() << ": "
                          << e.info().message << " " << e.info().isamMessage << "\n" << r.sql;
            return;
        }
        std::string want, have;
        for (const auto &l : r.expected)
            want += l + "\n";
        for (const auto &l : got)
            have += l + "\n";
        EXPECT_EQ(have, want) << at << "\n" << r.sql;
        return;
    }
    ADD_FAILURE() << at << ": unknown record " << kind;
}

// Catalog rows whose table (or constraint) no longer exists.
std::vector<std::string> orphanRows(const std::string &path)
{
    static const char *checks[] = {
        "SELECT 'syscolumns', tabid FROM syscolumns WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysindexes', tabid FROM sysindexes WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysconstraints', tabid FROM sysconstraints WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysdefaults', tabid FROM sysdefaults WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'systabauth', tabid FROM systabauth WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'syscolauth', tabid FROM syscolauth WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysblobs', tabid FROM sysblobs WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'syscoldepend', constrid FROM syscoldepend WHERE constrid NOT IN (SELECT constrid FROM sysconstraints)",
        "SELECT 'syschecks', constrid FROM syschecks WHERE constrid NOT IN (SELECT constrid FROM sysconstraints)",
        "SELECT 'sysreferences', constrid FROM sysreferences WHERE constrid NOT IN (SELECT constrid FROM sysconstraints)"
        " OR ptabid NOT IN (SELECT tabid FROM systables) OR \"primary\" NOT IN (SELECT constrid FROM sysconstraints)",
        "SELECT 'sysconstraints.idxname', constrid FROM sysconstraints c WHERE idxname IS NOT NULL AND NOT EXISTS"
        " (SELECT 1 FROM sysindexes i WHERE i.idxname = c.idxname AND i.tabid = c.tabid)",
        "SELECT 'syssequences', tabid FROM syssequences WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysviews', tabid FROM sysviews WHERE tabid NOT IN (SELECT tabid FROM systables WHERE tabtype = 'V')",
        "SELECT 'sysdepend', dtabid FROM sysdepend WHERE btabid NOT IN (SELECT tabid FROM systables)"
        " OR dtabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'syssyntable', tabid FROM syssyntable WHERE tabid NOT IN (SELECT tabid FROM systables)"
        " OR btabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'sysprocbody', procid FROM sysprocbody WHERE procid NOT IN (SELECT procid FROM sysprocedures)",
        "SELECT 'sysprocauth', procid FROM sysprocauth WHERE procid NOT IN (SELECT procid FROM sysprocedures)",
        "SELECT 'sysproccolumns', procid FROM sysproccolumns WHERE procid NOT IN (SELECT procid FROM sysprocedures)",
        "SELECT 'systriggers', trigid FROM systriggers WHERE tabid NOT IN (SELECT tabid FROM systables)",
        "SELECT 'systrigbody', trigid FROM systrigbody WHERE trigid NOT IN (SELECT trigid FROM systriggers)",
        "SELECT 'sysroleauth', rowid FROM sysroleauth WHERE rolename NOT IN"
        " (SELECT username FROM sysusers WHERE usertype = 'G')",
        "SELECT 'sysusers.defrole', rowid FROM sysusers WHERE defrole IS NOT NULL AND defrole NOT IN"
        " (SELECT username FROM sysusers WHERE usertype = 'G')",
        "SELECT 'sqlite view', tabid FROM systables t WHERE tabtype = 'V' AND tabid >= 100 AND NOT EXISTS"
        " (SELECT 1 FROM sqlite_master m WHERE m.type = 'view' AND m.name = t.tabname)",
        "SELECT 'sqlite table', tabid FROM systables t WHERE tabtype = 'T' AND NOT EXISTS"
        " (SELECT 1 FROM sqlite_master m WHERE m.type IN ('table', 'view') AND m.name = t.tabname)",
        "SELECT 'ncols', tabid FROM systables t WHERE (tabtype = 'T' OR (tabtype = 'V' AND tabid >= 100)) AND ncols <>"
        " (SELECT count(*) FROM syscolumns c WHERE c.tabid = t.tabid)",
        "SELECT 'nindexes', tabid FROM systables t WHERE tabid >= 100 AND tabtype = 'T' AND nindexes <>"
        " (SELECT count(*) FROM sysindexes i WHERE i.tabid = t.tabid)",
    };
    std::vector<std::string> out;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"cannot open " + path};
    }
    for (const char *q : checks) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, q, -1, &st, nullptr) != SQLITE_OK) {
            out.push_back(std::string("bad check: ") + sqlite3_errmsg(db));
            continue;
        }
        while (sqlite3_step(st) == SQLITE_ROW)
            out.push_back(std::string(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))) + " of "
                          + std::to_string(sqlite3_column_int64(st, 1)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

TEST_P(ScriptTest, Runs)
{
    const std::string file = GetParam();
    const enginetest::ScratchFolder folder("script");
    Context ctx;
    ctx.path = folder.file(fs::path(file).stem().string() + ".db");
    Session::createDatabase(ctx.path, "tester");
    ctx.sessions["main"] = Session::open(ctx.path, "tester", ctx.env);
    ctx.current = ctx.sessions["main"].get();
    for (const Record &r : readRecords(file))
        runRecord(ctx, file, r);
    ctx.sessions.clear();
    for (const std::string &o : orphanRows(ctx.path))
        ADD_FAILURE() << fs::path(file).filename().string() << ": orphan catalog row: " << o;
}

std::string testName(const testing::TestParamInfo<std::string> &info)
{
    std::string n = fs::path(info.param).stem().string();
    for (char &c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
}

} // namespace

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScriptTest);
INSTANTIATE_TEST_SUITE_P(Scripts, ScriptTest, testing::ValuesIn(scriptFiles()), testName);
