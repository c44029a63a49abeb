// Calls into SPL: which routine a name and arguments mean, EXECUTE PROCEDURE
// and FUNCTION as statements, and ifx_spl_call for routines used in SQL.
#include "engine/spl_internal.h"
#include "engine/spl_resolve.h"

#include "engine/sqlite_util.h"

#include <algorithm>

namespace quodlin::engine::spl {

namespace {

// How well an argument of type `arg` fits a parameter of type `param`:
// 0 not without an explicit cast, higher is closer.
int fit(const TypeDesc &arg, const TypeDesc &param)
{
    if (arg.code == TNull)
        return 1;
    if (arg.code == param.code)
        return 4;
    const bool argText = isCharacter(arg.code, arg.extendedId), paramText = isCharacter(param.code, param.extendedId);
    if (argText && paramText)
        return 3;
    if (isNumeric(arg.code) && isNumeric(param.code))
        return 3;
    // Informix converts a quoted string to the parameter's type and back.
    if (argText || paramText)
        return 1;
    if ((arg.code == TDate || arg.code == TDateTime) && (param.code == TDate || param.code == TDateTime))
        return 2;
    return 0;
}

struct Candidate {
    int procid = 0;
    std::vector<TypeDesc> params;
    std::vector<bool> hasDefault;
    std::vector<std::string> names;
    TypeDesc result{TNull, 0, 0};
    bool returns = false;
};

// Score of a candidate for the arguments; -1 when it does not take them.
int score(const Candidate &c, const std::vector<TypeDesc> &args, const std::vector<std::string> &names)
{
    if (args.size() > c.params.size())
        return -1;
    std::vector<bool> given(c.params.size(), false);
    int total = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::size_t p = i;
        if (i < names.size() && !names[i].empty()) {
            auto it = std::find(c.names.begin(), c.names.end(), names[i]);
            if (it == c.names.end())
                return -1;
            p = static_cast<std::size_t>(it - c.names.begin());
        }
        if (given[p])
            return -1;
        given[p] = true;
        const int f = fit(args[i], c.params[p]);
        if (f == 0)
            return -1;
        total += f;
    }
    for (std::size_t p = 0; p < c.params.size(); ++p)
        if (!given[p] && !c.hasDefault[p])
            return -1;
    return total;
}

int best(const std::vector<Candidate> &all, const std::vector<TypeDesc> &args, const std::vector<std::string> &names)
{
    int chosen = -1, top = -1;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const int s = score(all[i], args, names);
        if (s > top) {
            top = s;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

std::vector<Candidate> catalogCandidates(sqlite3 *db, const std::string &name, const std::string &owner)
{
    std::vector<Candidate> out;
    sql::Stmt q(db, "SELECT procid, numargs FROM sysprocedures WHERE procname = ?1 AND (?2 = '' OR owner = ?2)"
                    " ORDER BY procid");
    q.bind(1, name).bind(2, owner);
    while (q.step()) {
        Candidate c;
        c.procid = static_cast<int>(q.integer(0));
        out.push_back(c);
    }
    for (Candidate &c : out) {
        sql::Stmt p(db, "SELECT paramtype, paramlen, paramxid, paramattr, coalesce(paramname, '')"
                        " FROM sysproccolumns WHERE procid = ?1 ORDER BY paramid");
        p.bind(1, c.procid);
        while (p.step()) {
            const TypeDesc t{static_cast<int>(p.integer(0)), static_cast<int>(p.integer(1)),
                             static_cast<int>(p.integer(2))};
            if (p.integer(3) == 1) {
                c.params.push_back(t);
                c.names.push_back(p.text(4));
                c.hasDefault.push_back(false);
            } else if (!c.returns) {
                c.result = t;
                c.returns = true;
            }
        }
    }
    return out;
}

} // namespace

std::optional<FunctionRef> resolveFunction(Catalog &catalog, const std::string &name, const std::vector<TypeDesc> &args)
{
    std::vector<Candidate> all = catalogCandidates(catalog.db(), name, {});
    std::erase_if(all, [](const Candidate &c) { return !c.returns; });
    const int i = best(all, args, {});
    if (i < 0)
        return std::nullopt;
    const Candidate &c = all[static_cast<std::size_t>(i)];
    FunctionRef r;
    r.procid = c.procid;
    r.params.assign(c.params.begin(), c.params.begin() + static_cast<std::ptrdiff_t>(args.size()));
    r.result = c.result;
    return r;
}

int Interpreter::resolve(const ast::ObjectName &name, const std::vector<TypeDesc> &argTypes,
                         const std::vector<std::string> &argNames)
{
    std::vector<Candidate> all;
    {
        sql::Stmt q(m_s.db(), "SELECT procid FROM sysprocedures WHERE procname = ?1 AND (?2 = '' OR owner = ?2)"
                              " ORDER BY procid");
        q.bind(1, name.name).bind(2, name.owner);
        std::vector<int> ids;
        while (q.step())
            ids.push_back(static_cast<int>(q.integer(0)));
        for (int id : ids) {
            std::shared_ptr<CompiledRoutine> r;
            try {
                r = routine(id);
            } catch (const EngineError &e) {
                // A routine that does not compile is reported when it is the one called.
                if (ids.size() == 1)
                    throw;
                continue;
            }
            Candidate c;
            c.procid = id;
            for (int p = 0; p < r->paramCount; ++p) {
                c.params.push_back(r->vars[static_cast<std::size_t>(p)].type);
                c.names.push_back(r->vars[static_cast<std::size_t>(p)].name);
                c.hasDefault.push_back(r->defaults[static_cast<std::size_t>(p)].kind != ast::DefaultValue::Kind::None);
            }
            all.push_back(std::move(c));
        }
    }
    const int i = best(all, argTypes, argNames);
    if (i < 0)
        raise(-674, name.name, name.offset);
    return all[static_cast<std::size_t>(i)].procid;
}

// ------------------------------------------------------------ Runtime

Runtime::Runtime(SessionImpl &s) : m_interpreter(std::make_unique<Interpreter>(s)), m_s(s) {}

Runtime::~Runtime() = default;

void Runtime::setDebugFile(const std::string &path, bool append)
{
    m_interpreter->setDebugFile(path, append);
}

ResultRows Runtime::execute(const ast::RoutineStatement &st, const std::vector<Value> &params)
{
    Interpreter &in = *m_interpreter;
    ResultRows out;
    std::vector<Value> args;
    std::vector<TypeDesc> types;
    {
        if (!st.args.empty()) {
            std::vector<const ast::Expr *> exprs;
            for (const ast::ExprPtr &e : st.args)
                exprs.push_back(e.get());
            TranslationContext ctx = m_s.translationContext();
            const Translation tr = translateValues(exprs, {}, ctx);
            sql::Stmt q(m_s.db(), tr.sql);
            for (int i = 0; i < tr.parameterCount && i < static_cast<int>(params.size()); ++i)
                bindValue(q.handle(), i + 1, params[static_cast<std::size_t>(i)]);
            const int rc = sqlite3_step(q.handle());
            if (rc != SQLITE_ROW)
                m_s.raiseSqliteError(rc, st, 0);
            for (std::size_t i = 0; i < exprs.size(); ++i) {
                args.push_back(readValue(q.handle(), static_cast<int>(i)));
                types.push_back(typeOf(tr.columns[i]));
            }
        }
    }
    try {
        const int procid = in.resolve(st.name, types, st.argNames);
        auto r = in.routine(procid);
        Rows rows;
        m_s.savepoint();
        try {
            in.call(*r, std::move(args), types, st.argNames, rows);
        } catch (...) {
            m_s.rollbackSavepoint();
            throw;
        }
        m_s.releaseSavepoint();
        out.hasResultSet = !r->returning.empty();
        out.columns = r->columns;
        for (const std::vector<Value> &row : rows) {
            std::vector<Value> client;
            for (std::size_t i = 0; i < row.size() && i < out.columns.size(); ++i)
                client.push_back(clientValue(row[i], out.columns[i]));
            out.rows.push_back(std::move(client));
        }
    } catch (const EngineError &e) {
        // Faults inside a routine point at the call.
        ErrorInfo info = e.info();
        info.offset = st.name.offset;
        throw EngineError(info);
    }
    return out;
}

// ------------------------------------------------------------ ifx_spl_call

namespace {

void splCall(sqlite3_context *c, int n, sqlite3_value **v)
{
    auto &s = *static_cast<SessionImpl *>(sqlite3_user_data(c));
    try {
        Interpreter &in = s.splRuntime().interpreter();
        auto r = in.routine(sqlite3_value_int(v[0]));
        std::vector<Value> args;
        std::vector<TypeDesc> types;
        for (int i = 1; i < n; ++i) {
            switch (sqlite3_value_type(v[i])) {
            case SQLITE_INTEGER: args.push_back(Value::fromInt(sqlite3_value_int64(v[i]))); break;
            case SQLITE_FLOAT: args.push_back(Value::fromDouble(sqlite3_value_double(v[i]))); break;
            case SQLITE_NULL: args.push_back(Value::null()); break;
            case SQLITE_BLOB: {
                const void *p = sqlite3_value_blob(v[i]);
                args.push_back(Value::fromBlob(std::string(p ? static_cast<const char *>(p) : "",
                                                           static_cast<std::size_t>(sqlite3_value_bytes(v[i])))));
                break;
            }
            default:
                args.push_back(Value::fromText(reinterpret_cast<const char *>(sqlite3_value_text(v[i]))));
            }
            // Arguments arrive converted to the parameter types.
            types.push_back(static_cast<std::size_t>(i - 1) < r->vars.size() ? r->vars[static_cast<std::size_t>(i - 1)].type
                                                                              : TypeDesc{TNull, 0, 0});
        }
        Rows rows;
        in.call(*r, std::move(args), types, {}, rows);
        if (rows.empty() || rows[0].empty()) {
            sqlite3_result_null(c);
            return;
        }
        const Value &out = rows[0][0];
        switch (out.kind) {
        case Value::Kind::Null: sqlite3_result_null(c); break;
        case Value::Kind::Integer: sqlite3_result_int64(c, out.integer); break;
        case Value::Kind::Float: sqlite3_result_double(c, out.real); break;
        case Value::Kind::Text:
            sqlite3_result_text(c, out.text.data(), static_cast<int>(out.text.size()), SQLITE_TRANSIENT);
            break;
        case Value::Kind::Blob:
            sqlite3_result_blob(c, out.text.data(), static_cast<int>(out.text.size()), SQLITE_TRANSIENT);
            break;
        }
    } catch (const EngineError &e) {
        ErrorInfo info = e.info();
        info.offset = -1;
        s.setPendingError(info);
        sqlite3_result_error(c, "quodlin-spl", -1);
    }
}

} // namespace

void registerFunctions(SessionImpl &s)
{
    sqlite3_create_function_v2(s.db(), "ifx_spl_call", -1, SQLITE_UTF8, &s, splCall, nullptr, nullptr, nullptr);
    registerTriggerFunctions(s);
}

void Runtime::syncTriggers()
{
    m_interpreter->syncTriggers();
}

bool Runtime::hasTriggers(int tabid) const
{
    return m_interpreter->hasTriggers(tabid);
}

void Runtime::forgetTriggers()
{
    m_interpreter->forgetTriggers();
    m_interpreter->forgetRoutines();
}

[[gnu::hot]] void Runtime::runDml(const ast::Statement &stmt, int tabid, Callback run)
{
    m_interpreter->runDml(stmt, tabid, run);
}

} // namespace quodlin::engine::spl
