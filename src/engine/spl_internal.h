#pragma once
// The SPL interpreter's compiled form, shared by spl_compile.cpp (routine text
// to compiled blocks), spl_exec.cpp (running them) and spl_call.cpp (calls,
// EXECUTE, ifx_spl_call) and trigger_fire.cpp (trigger actions compile to a
// routine whose variables are the OLD and NEW column values).
//
// Variables live in a frame's slots. Inside SQL a variable is a typed
// parameter (its value bound in its type's stored form), so an expression in
// a routine means what the same expression means in a SELECT. Integer
// arithmetic and comparisons on variables are evaluated natively: a SQLite
// round trip per LET would cap a loop near half a million statements a second.
#include "engine/callback.h"
#include "engine/decimal64.h"
#include "engine/session.h"
#include "engine/spl_ast.h"
#include "engine/spl_runtime.h"
#include "engine/translator.h"

#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quodlin::engine::spl {

using ast::spl::Kind;

struct VarDecl {
    VarDecl(std::string n, const TypeDesc &t, bool g);
    std::string name;
    TypeDesc type;
    bool global = false;
    // A local DECIMAL/MONEY(p <= 18, s) may hold its value in Frame::exact;
    // not a GLOBAL one, which other frames share. Precision 0: not so.
    int exactPrecision = 0;
    int exactScale = 0;
};

// An SQL statement, or a FROM-less list of expressions, whose variables were
// replaced by parameters ?1..?n bound from `slots`.
struct SqlPart {
    ast::StatementPtr stmt;
    std::vector<ast::ExprPtr> exprs;
    std::vector<TypeDesc> storeAs;   // per expression: converted as stored in this type (TNull: not)
    std::vector<int> slots;
    // The text the statement's offsets refer to: the routine's own, shared by
    // all its parts (a copy each made compiling quadratic in the length).
    std::shared_ptr<const std::string> text;
    std::uint64_t stamp = ~std::uint64_t(0);
    Translation tr;
    sqlite3_stmt *cached = nullptr;
    SqlPart() = default;
    SqlPart(const SqlPart &) = delete;
    SqlPart &operator=(const SqlPart &) = delete;
    ~SqlPart() { sqlite3_finalize(cached); }
};

// Arithmetic and comparisons over INTEGER, INT8, DECIMAL and MONEY
// variables and exact literals. Decimals are plain texts (as Value carries
// them) computed by the engine's decimal code, as the SQL functions do;
// where everything fits 18 digits they are first tried on Decimal64, which
// gives the same results without a text per value.
struct Native {
    enum class Op : std::uint8_t { Const, Var, Add, Sub, Mul, Neg, Cmp, And, Or, Not, IsNull };
    Op op = Op::Const;
    TokenKind cmp = TokenKind::Eq;
    bool negated = false;
    bool decimal = false;  // Const: `constant` is the value; Var: a DECIMAL/MONEY variable
    // Decimal arithmetic (or a comparison of it) over integers, decimals and
    // literals of at most 18 digits: tried on Decimal64 first.
    bool exact = false;
    std::int64_t value = 0;
    Value constant;
    Decimal64 exactConstant;  // Const with `decimal`, when it has at most 18 digits
    int slot = -1;
    std::unique_ptr<Native> a, b;
};

struct CExpr {
    std::unique_ptr<Native> native;  // when set, tried first
    std::unique_ptr<SqlPart> sql;    // SELECT <expr>
};

// CALL, EXECUTE ... INTO, FOREACH EXECUTE, LET a, b = f(x).
struct CallPart {
    ast::ObjectName routine;
    std::vector<std::string> argNames;
    std::unique_ptr<SqlPart> args;   // SELECT a1, a2, ... (null without arguments)
    bool isFunction = false;
};

struct CStmt;
struct CBlock {
    std::vector<CStmt> stmts;
    std::vector<const CStmt *> handlers;  // ON EXCEPTION of this block
};

struct CStmt {
    const ast::spl::Statement *src = nullptr;
    Kind kind = Kind::Sql;
    std::vector<int> targets;          // LET, INTO, FOR variable, ON EXCEPTION SET, DEFINE slots
    std::vector<CExpr> exprs;
    std::vector<CBlock> blocks;
    std::unique_ptr<SqlPart> sql;
    std::unique_ptr<CallPart> call;
};

struct CompiledRoutine {
    int procid = 0;
    std::string name;
    bool isFunction = false;
    std::shared_ptr<const std::string> text;
    ast::Script script;                // owns the syntax tree the parts point into
    std::vector<VarDecl> vars;
    int paramCount = 0;
    std::vector<ast::DefaultValue> defaults;
    std::vector<TypeDesc> returning;
    std::vector<ColumnDescription> columns;
    CBlock body;
};

// The hidden variable that holds a named FOREACH cursor's current rowid.
std::string cursorSlotName(const std::string &cursor);

// Compiles routine `procid` from its catalog text.
std::shared_ptr<CompiledRoutine> compileRoutine(SessionImpl &s, int procid);

// Variable lookup while compiling: block scopes, plus names of the form
// corr.column (trigger correlation names) mapped to slots.
class Scopes {
public:
    std::vector<std::map<std::string, int>> levels;
    std::map<std::pair<std::string, std::string>, int> correlated;
    int find(const std::string &name) const;
    int findCorrelated(const std::string &corr, const std::string &column) const;
};

// Compiles a block of statements into `out`, declaring into `vars`.
class Compiler {
public:
    Compiler(SessionImpl &s, std::vector<VarDecl> &vars, std::shared_ptr<const std::string> text)
        : m_s(s), m_vars(vars), m_text(std::move(text)) {}
    Scopes scopes;
    void block(ast::spl::Block &in, CBlock &out);
    // SQL statement with variables as parameters.
    std::unique_ptr<SqlPart> sqlPart(ast::StatementPtr stmt);
    // FROM-less expressions, stored as `storeAs` when given.
    std::unique_ptr<SqlPart> valuesPart(std::vector<ast::ExprPtr> exprs, std::vector<TypeDesc> storeAs);
    CExpr expr(ast::ExprPtr e, const TypeDesc *storeAs);
    int declare(const std::string &name, const TypeDesc &type, bool global, int offset);
    int target(const std::string &name, int offset) const;

private:
    void statement(ast::spl::Statement &in, CStmt &out);
    std::unique_ptr<Native> native(const ast::Expr &e) const;
    void substitute(ast::ExprPtr &e, SqlPart &part, bool topLevel);
    void substituteSelect(ast::SelectStmt &s, SqlPart &part);
    void substituteFrom(ast::FromItem &f, SqlPart &part);
    TypeDesc likeType(const std::vector<std::string> &like, int offset);

    SessionImpl &m_s;
    std::vector<VarDecl> &m_vars;
    std::shared_ptr<const std::string> m_text;
};

using Rows = std::vector<std::vector<Value>>;

// A trigger's actions compiled like a routine whose variables are the row's
// OLD column values (slots 0..n-1) and NEW ones (n..2n-1).
struct CompiledTrigger {
    int trigid = 0;
    std::string name;
    int tabid = 0;
    char event = 'I';                   // I U D (INSTEAD OF in lower case)
    std::vector<std::string> updateColumns;
    std::shared_ptr<const std::string> text;
    ast::Script script;
    std::vector<VarDecl> vars;
    std::vector<std::string> columns;   // the table's columns, in order
    struct Action {
        char part = 'A';                // B before, R each row, A after
        int when = -1;                  // index into whens
        std::unique_ptr<SqlPart> sql;
        std::unique_ptr<CallPart> call;
    };
    std::vector<Action> actions;
    std::vector<CExpr> whens;
    bool hasRowActions() const;
};

// One activation's variables. `ref` points at the frame's own value or, for
// a GLOBAL variable, at the session's.
//
// A local DECIMAL/MONEY variable of at most 18 digits (VarDecl::exactPrecision) may hold
// its value in `exact` instead: `defined` says which of the two is current,
// and slotValue() writes the text when something needs the Value.
struct Frame {
    enum : std::uint8_t { kUndefined = 0, kValue = 1, kExact = 2, kBoth = 3 };
    const std::vector<VarDecl> *vars = nullptr;
    const CompiledRoutine *routine = nullptr;  // null for trigger actions
    std::vector<Value> values;
    std::vector<std::uint8_t> defined;
    std::vector<Decimal64> exact;
    std::vector<Value *> ref;
    Rows *rows = nullptr;                      // RETURN values go here
    struct Active { const CBlock *block; int id; };
    std::vector<Active> handlers;
    int nextBlockId = 0;
    void setup(const std::vector<VarDecl> &v);
};

enum class Flow : std::uint8_t { Next, Return, Exit, Continue };

class Interpreter {
public:
    explicit Interpreter(SessionImpl &s);
    ~Interpreter();

    std::shared_ptr<CompiledRoutine> routine(int procid);
    // The routine `name` for these arguments; -674 when none fits.
    int resolve(const ast::ObjectName &name, const std::vector<TypeDesc> &argTypes,
                const std::vector<std::string> &argNames);
    // Runs a routine; `args` are values of `argTypes` in stored form. RETURN
    // values (stored form of the RETURNING types) are appended to `rows`.
    void call(const CompiledRoutine &r, std::vector<Value> args, const std::vector<TypeDesc> &argTypes,
              const std::vector<std::string> &argNames, Rows &rows);
    // Runs a block in a prepared frame (trigger actions).
    void runBlock(const CBlock &b, Frame &f);
    // The stored form of `v` (of type `from`) in type `to`.
    Value convert(Value v, const TypeDesc &from, const TypeDesc &to);
    // Runs a FROM-less SqlPart and returns its one row.
    std::vector<Value> values(SqlPart &p, Frame &f, std::vector<TypeDesc> *types = nullptr);
    // Runs an INSERT/UPDATE/DELETE or other statement of a part.
    void runSql(SqlPart &p, Frame &f, const std::vector<int> &into);
    bool truth(CExpr &e, Frame &f);

    void setDebugFile(const std::string &path, bool append);

    // Runs `run`, a DML statement on table `tabid`, with the table's
    // triggers: BEFORE and AFTER actions around it, FOR EACH ROW actions
    // from the SQLite triggers that call ifx_trigger_row, and everything
    // undone when any part fails.
    void runDml(const ast::Statement &stmt, int tabid, Callback run);
    // Brings the SQLite triggers in line with the catalog's.
    void syncTriggers();
    void forgetTriggers() { m_triggerStamp = ~std::uint64_t(0); }
    bool hasTriggers(int tabid) const { return m_tableTriggers.count(tabid) != 0; }
    // A rolled-back transaction takes its routines with it, and their procids
    // are given out again: a cached routine may no longer be the stored one.
    void forgetRoutines() { m_routines.clear(); }
    // ifx_trigger_row(trigid, old values..., new values...)
    void fireRow(int trigid, int argc, sqlite3_value **argv);

    std::map<std::string, Value> globals;
    int depth = 0;

private:
    Flow block(const CBlock &b, Frame &f);
    Flow statement(const CStmt &s, Frame &f);
    // A LET of decimal arithmetic run on Decimal64; false (nothing done)
    // when an operand or the result does not allow it.
    bool letExact(const CStmt &s, Frame &f);
    Flow loopBody(const CStmt &s, Frame &f, const char *kind, bool &stop);
    Value eval(CExpr &e, Frame &f);
    bool native(const Native &n, Frame &f, Value &out);
    const Value *operand(const Native &n, Frame &f, Value &tmp);
    // `n` on Decimal64; false when an operand is NULL or not small, or a
    // result leaves 18 digits (the Value path then decides).
    bool exact(const Native &n, Frame &f, Decimal64 &out);
    // The variable's Value, its text written first when only `exact` held it.
    const Value &slotValue(Frame &f, std::size_t slot);
    void store(Frame &f, int slot, Value v, const TypeDesc &from);
    // Stores into such a variable without text; false when `v` or
    // the slot does not allow it (store() then converts as usual).
    bool storeExact(Frame &f, int slot, const Value &v);
    bool storeExact(Frame &f, int slot, Decimal64 v);
    // The same for a fetched column, read without a Value.
    bool storeColumn(Frame &f, int slot, sqlite3_stmt *st, int column);
    std::shared_ptr<CompiledRoutine> invoke(CallPart &c, Frame &f, Rows &rows);
    void bind(sqlite3_stmt *st, SqlPart &p, Frame &f);
    sqlite3_stmt *prepare(SqlPart &p, bool &fresh);
    void trace(const std::string &line);
    std::shared_ptr<CompiledTrigger> compileTrigger(int trigid);
    void runActions(CompiledTrigger &t, char part, Frame &f);
    bool savepoint(int which);

    SessionImpl &m_s;
    std::unordered_map<int, std::shared_ptr<CompiledRoutine>> m_routines;
    sqlite3_stmt *m_store = nullptr;   // SELECT ifx_store(?1, ?2, ?3, ?4)
    std::string m_debugFile;
    bool m_debugAppend = false;
    int m_traceMode = 0;               // 0 off, 1 on, 2 procedure calls only
    std::uint64_t m_triggerStamp = ~std::uint64_t(0);
    std::unordered_map<int, std::vector<std::shared_ptr<CompiledTrigger>>> m_tableTriggers;  // by tabid
    std::unordered_map<int, std::shared_ptr<CompiledTrigger>> m_triggers;                   // by trigid
    int m_cascade = 0;
    std::vector<int> m_changing;  // tables whose statements are firing triggers, outermost first
    sqlite3_stmt *m_savepoints[3] = {};  // SAVEPOINT, RELEASE, ROLLBACK TO
};

void registerTriggerFunctions(SessionImpl &s);

// Raw SQLite value as the engine stores it.
Value readValue(sqlite3_stmt *st, int column);
void bindValue(sqlite3_stmt *st, int n, const Value &v);
TypeDesc typeOf(const ColumnDescription &c);
// Stored form to what a cursor hands out for a column described by `c`.
Value clientValue(const Value &stored, const ColumnDescription &c);

} // namespace quodlin::engine::spl
