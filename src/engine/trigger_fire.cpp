// Triggers firing: each Informix trigger with FOR EACH ROW actions has a
// SQLite TEMP trigger on its table that hands the row's values to
// ifx_trigger_row; BEFORE and AFTER actions run around the statement. The
// statement and everything its triggers did share one savepoint, so a
// failing action leaves nothing changed, also inside a transaction.
#include "engine/spl_internal.h"

#include "engine/parser.h"
#include "engine/sqlite_util.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace quodlin::engine::spl {

namespace {

// Informix stops a chain of triggers firing triggers at 61 levels
// (the documented cascading limit).
constexpr int kMaxCascade = 61;

std::string sqliteTriggerName(int trigid)
{
    return "quodlin_trg_" + std::to_string(trigid);
}

void addContext(ErrorInfo &info, const std::string &trigger)
{
    if (info.routine.empty())
        info.routine = "trigger " + trigger;
}

void triggerRow(sqlite3_context *c, int n, sqlite3_value **v)
{
    auto &s = *static_cast<SessionImpl *>(sqlite3_user_data(c));
    try {
        s.splRuntime().interpreter().fireRow(sqlite3_value_int(v[0]), n - 1, v + 1);
        sqlite3_result_null(c);
    } catch (const EngineError &e) {
        ErrorInfo info = e.info();
        info.offset = -1;
        s.setPendingError(info);
        sqlite3_result_error(c, "quodlin-trigger", -1);
    }
}

} // namespace

bool CompiledTrigger::hasRowActions() const
{
    return std::any_of(actions.begin(), actions.end(), [](const Action &a) { return a.part == 'R'; });
}

void registerTriggerFunctions(SessionImpl &s)
{
    sqlite3_create_function_v2(s.db(), "ifx_trigger_row", -1, SQLITE_UTF8, &s, triggerRow, nullptr, nullptr, nullptr);
}

std::shared_ptr<CompiledTrigger> Interpreter::compileTrigger(int trigid)
{
    auto t = std::make_shared<CompiledTrigger>();
    t->trigid = trigid;
    std::string owner;
    {
        sql::Stmt q(m_s.db(), "SELECT g.trigname, g.tabid, g.event, t.tabname, t.owner FROM systriggers g"
                              " JOIN systables t ON t.tabid = g.tabid WHERE g.trigid = ?1");
        q.bind(1, trigid);
        if (!q.step())
            raise(-634, std::to_string(trigid));
        t->name = q.text(0);
        t->tabid = static_cast<int>(q.integer(1));
        t->event = q.text(2).empty() ? 'I' : q.text(2)[0];
        const auto table = m_s.catalog().findTable(q.text(3), q.text(4));
        if (!table)
            raise(-206, q.text(3));
        for (const ColumnInfo &col : table->columns)
            t->columns.push_back(col.name);
        for (const char *side : {"old", "new"})
            for (const ColumnInfo &col : table->columns)
                t->vars.push_back({std::string(side) + "." + col.name, col.type(), false});
        sql::Stmt b(m_s.db(), "SELECT data FROM systrigbody WHERE trigid = ?1 AND datakey IN ('D', 'A')"
                              " ORDER BY datakey DESC, seqno");
        b.bind(1, trigid);
        std::string text;
        while (b.step())
            text += b.text(0);
        t->text = std::make_shared<const std::string>(std::move(text));
    }
    for (bool delimident : {m_s.environment().delimident, !m_s.environment().delimident}) {
        try {
            ParseOptions opts;
            opts.delimident = delimident;
            t->script = parseScript(*t->text, opts);
            break;
        } catch (const EngineError &) {
            t->script.clear();
        }
    }
    if (t->script.size() != 1 || t->script.front()->kind != ast::StmtKind::CreateTrigger)
        raise(-634, t->name);
    auto &decl = static_cast<ast::RoutineStatement &>(*t->script.front());
    t->updateColumns = decl.updateColumns;
    Compiler c(m_s, t->vars, t->text);
    c.scopes.levels.emplace_back();
    const int n = static_cast<int>(t->columns.size());
    for (int i = 0; i < n; ++i) {
        const std::string &col = t->columns[static_cast<std::size_t>(i)];
        if (!decl.oldName.empty())
            c.scopes.correlated[{decl.oldName, col}] = i;
        if (!decl.newName.empty())
            c.scopes.correlated[{decl.newName, col}] = n + i;
    }
    for (ast::ExprPtr &w : decl.args)
        t->whens.push_back(c.expr(std::move(w), nullptr));
    for (std::size_t i = 0; i < decl.actions.size(); ++i) {
        CompiledTrigger::Action a;
        a.part = i < decl.actionParts.size() ? decl.actionParts[i] : 'A';
        a.when = i < decl.actionWhen.size() ? decl.actionWhen[i] : -1;
        ast::StatementPtr &st = decl.actions[i];
        if (st->kind == ast::StmtKind::ExecuteRoutine) {
            auto &ex = static_cast<ast::RoutineStatement &>(*st);
            a.call = std::make_unique<CallPart>();
            a.call->routine = ex.name;
            a.call->argNames = ex.argNames;
            if (!ex.args.empty())
                a.call->args = c.valuesPart(std::move(ex.args), {});
        } else {
            a.sql = c.sqlPart(std::move(st));
        }
        t->actions.push_back(std::move(a));
    }
    return t;
}

// The SQLite triggers follow the catalog: checked whenever the schema stamp
// moved (any DDL of any session), changed only where they differ.
[[gnu::hot]] void Interpreter::syncTriggers()
{
    // Not while triggers run: their compiled actions are in use, and SQLite
    // changes no trigger of a table a running statement writes.
    if (m_cascade > 0)
        return;
    const std::uint64_t stamp = m_s.schemaStamp();
    if (stamp == m_triggerStamp)
        return;
    m_tableTriggers.clear();
    m_triggers.clear();
    std::vector<int> ids;
    {
        sql::Stmt q(m_s.db(), "SELECT trigid FROM systriggers WHERE event IN ('I', 'U', 'D', 'i', 'u', 'd') ORDER BY trigid");
        while (q.step())
            ids.push_back(static_cast<int>(q.integer(0)));
    }
    std::map<std::string, std::string> wanted;
    for (int id : ids) {
        std::shared_ptr<CompiledTrigger> t;
        try {
            t = compileTrigger(id);
        } catch (const EngineError &) {
            continue;  // its table went away with a rebuild in progress; the next stamp sees it again
        }
        m_triggers[id] = t;
        m_tableTriggers[t->tabid].push_back(t);
        if (!t->hasRowActions())
            continue;
        const auto table = m_s.catalog().findTable(
            [&] { sql::Stmt q(m_s.db(), "SELECT tabname FROM systables WHERE tabid = ?1"); q.bind(1, t->tabid); return q.step() ? q.text(0) : std::string(); }());
        if (!table)
            continue;
        const char ev = static_cast<char>(std::toupper(static_cast<unsigned char>(t->event)));
        std::string sqlText = "CREATE TEMP TRIGGER " + sqliteTriggerName(id) + (t->event != ev ? " INSTEAD OF " : " AFTER ");
        sqlText += ev == 'I' ? "INSERT" : ev == 'D' ? "DELETE" : "UPDATE";
        if (ev == 'U' && !t->updateColumns.empty()) {
            sqlText += " OF ";
            for (std::size_t i = 0; i < t->updateColumns.size(); ++i)
                sqlText += (i ? ", " : "") + sql::quote(t->updateColumns[i]);
        }
        sqlText += " ON " + table->sqliteName + " FOR EACH ROW BEGIN SELECT ifx_trigger_row(" + std::to_string(id);
        for (const char *side : {"OLD", "NEW"}) {
            const bool has = std::string(side) == "OLD" ? ev != 'I' : ev != 'D';
            for (const std::string &col : t->columns)
                sqlText += std::string(",") + (has ? std::string(side) + "." + sql::quote(col) : "NULL");
        }
        sqlText += "); END";
        wanted[sqliteTriggerName(id)] = sqlText;
    }
    std::map<std::string, std::string> have;
    {
        sql::Stmt q(m_s.db(), "SELECT name, sql FROM sqlite_temp_master WHERE type = 'trigger' AND name LIKE 'quodlin_trg_%'");
        while (q.step())
            have[q.text(0)] = q.text(1);
    }
    for (const auto &[name, text] : have) {
        auto w = wanted.find(name);
        if (w == wanted.end() || w->second != text)
            sql::exec(m_s.db(), "DROP TRIGGER IF EXISTS temp." + name);
    }
    for (const auto &[name, text] : wanted) {
        auto h = have.find(name);
        if (h == have.end() || h->second != text)
            sql::exec(m_s.db(), text);
    }
    m_triggerStamp = m_s.schemaStamp();
}

bool Interpreter::savepoint(int which)
{
    static const char *const texts[] = {"SAVEPOINT quodlin_trigger", "RELEASE quodlin_trigger",
                                        "ROLLBACK TO quodlin_trigger"};
    sqlite3_stmt *&st = m_savepoints[which];
    if (!st && sqlite3_prepare_v2(m_s.db(), texts[which], -1, &st, nullptr) != SQLITE_OK)
        sql::fail(m_s.db(), texts[which]);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    // SQLite opens no savepoint while a statement writes: a routine called
    // from inside an INSERT/UPDATE/DELETE runs under that statement's.
    if (which == 0 && rc == SQLITE_BUSY)
        return false;
    if (rc != SQLITE_DONE)
        sql::fail(m_s.db(), texts[which]);
    return true;
}

void Interpreter::runActions(CompiledTrigger &t, char part, Frame &f)
{
    // The triggering INSERT's SERIAL stays what sqlerrd[1] reports.
    const std::int64_t serial = m_s.lastSerial();
    struct Restore {
        SessionImpl &s;
        std::int64_t serial;
        ~Restore() { s.restoreLastSerial(serial); }
    } restore{m_s, serial};
    struct Stored {
        int &depth;
        explicit Stored(int &d) : depth(d) { ++depth; }
        ~Stored() { --depth; }
    } stored(m_s.functions().storedCodeDepth);
    try {
        for (CompiledTrigger::Action &a : t.actions) {
            if (a.part != part)
                continue;
            if (a.when >= 0 && !truth(t.whens[static_cast<std::size_t>(a.when)], f))
                continue;
            if (a.sql) {
                runSql(*a.sql, f, {});
            } else {
                Rows rows;
                invoke(*a.call, f, rows);
            }
        }
    } catch (const EngineError &e) {
        ErrorInfo info = e.info();
        addContext(info, t.name);
        throw EngineError(info);
    }
}

[[gnu::hot]] void Interpreter::runDml(const ast::Statement &stmt, int tabid, Callback run)
{
    syncTriggers();
    auto it = m_tableTriggers.find(tabid);
    if (it == m_tableTriggers.end()) {
        run();
        return;
    }
    using K = ast::StmtKind;
    // The events the statement makes; MERGE makes those of its clauses.
    std::string events;
    // UPDATE OF columns: only an UPDATE that sets one of them fires.
    std::set<std::string> setColumns;
    bool setAll = false;
    auto setting = [&](const std::vector<ast::Assignment> &assignments, bool star) {
        setAll = star;
        for (const ast::Assignment &a : assignments)
            setColumns.insert(a.column.name);
    };
    if (stmt.kind == K::Merge) {
        const auto &m = static_cast<const ast::MergeStatement &>(stmt);
        if (m.insert) events += 'I';
        if (m.matched == ast::MergeStatement::Matched::Update) events += 'U';
        if (m.matched == ast::MergeStatement::Matched::Delete) events += 'D';
        setting(m.assignments, m.setStar);
    } else {
        events = stmt.kind == K::Insert ? "I" : stmt.kind == K::Update ? "U" : "D";
        if (stmt.kind == K::Update) {
            const auto &up = static_cast<const ast::UpdateStatement &>(stmt);
            setting(up.assignments, up.setStar);
        }
    }
    std::vector<std::shared_ptr<CompiledTrigger>> firing;
    for (const auto &t : it->second) {
        const char event = static_cast<char>(std::toupper(static_cast<unsigned char>(t->event)));
        if (events.find(event) == std::string::npos)
            continue;
        if (event == 'U' && !t->updateColumns.empty() && !setAll
            && std::none_of(t->updateColumns.begin(), t->updateColumns.end(),
                            [&](const std::string &c) { return setColumns.count(c) != 0; }))
            continue;
        firing.push_back(t);
    }
    if (std::find(m_changing.begin(), m_changing.end(), tabid) != m_changing.end())
        raise(-747);
    if (firing.empty()) {
        run();
        return;
    }
    if (m_cascade >= kMaxCascade)
        raise(-748);
    // The outermost triggering statement's savepoint covers the cascade.
    const bool held = m_cascade == 0 && savepoint(0);
    ++m_cascade;
    m_changing.push_back(tabid);
    try {
        for (const auto &t : firing) {
            Frame f;
            f.setup(t->vars);
            runActions(*t, 'B', f);
        }
        run();
        for (const auto &t : firing) {
            Frame f;
            f.setup(t->vars);
            runActions(*t, 'A', f);
        }
    } catch (...) {
        --m_cascade;
        m_changing.pop_back();
        if (held) {
            savepoint(2);
            savepoint(1);
        }
        throw;
    }
    --m_cascade;
    m_changing.pop_back();
    if (held)
        savepoint(1);
}

void Interpreter::fireRow(int trigid, int argc, sqlite3_value **argv)
{
    auto it = m_triggers.find(trigid);
    if (it == m_triggers.end())
        return;
    const std::shared_ptr<CompiledTrigger> keep = it->second;
    CompiledTrigger &t = *keep;
    Frame f;
    f.setup(t.vars);
    for (int i = 0; i < argc && i < static_cast<int>(f.values.size()); ++i) {
        sqlite3_value *v = argv[i];
        Value &out = f.values[static_cast<std::size_t>(i)];
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: out = Value::fromInt(sqlite3_value_int64(v)); break;
        case SQLITE_FLOAT: out = Value::fromDouble(sqlite3_value_double(v)); break;
        case SQLITE_NULL: out = Value::null(); break;
        case SQLITE_BLOB: {
            const void *p = sqlite3_value_blob(v);
            out = Value::fromBlob(std::string(p ? static_cast<const char *>(p) : "", static_cast<std::size_t>(sqlite3_value_bytes(v))));
            break;
        }
        default:
            out = Value::fromText(std::string(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                              static_cast<std::size_t>(sqlite3_value_bytes(v))));
        }
        f.defined[static_cast<std::size_t>(i)] = Frame::kValue;
    }
    runActions(t, 'R', f);
}

} // namespace quodlin::engine::spl
