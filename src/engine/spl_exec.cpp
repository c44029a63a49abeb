// Running compiled SPL: statements, loops, handlers, assignments and the
// SQL parts with variables bound.
#include "engine/spl_internal.h"
#include "engine/decimal.h"
#include "engine/translate_typing.h"

#include "engine/file_access.h"
#include "engine/sqlite_util.h"

#include <algorithm>
#include "engine/values.h"

#include <charconv>
#include <cstdlib>
#include <fstream>

namespace quodlin::engine::spl {

namespace {

// Informix has no documented SPL call depth; the interpreter's native stack
// holds about 60 KB per level, well inside a 8 MB thread stack.
constexpr int kMaxDepth = 100;

// An error that already went through the handler search of the routine it
// happened in; only a routine boundary turns it back into an EngineError.
struct Unhandled {
    ErrorInfo info;
};

// Leaves the block that owns the handler which caught an error.
struct BlockExit {
    int id;
};

bool isIntegerCode(int code)
{
    return code == TSmallInt || code == TInteger || code == TInt8 || code == TBigInt || code == TSerial
        || code == TSerial8 || code == TBigSerial;
}

bool isCharCode(const TypeDesc &t)
{
    return isCharacter(t.code, t.extendedId);
}

std::string valueText(const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Null: return "NULL";
    case Value::Kind::Integer: return std::to_string(v.integer);
    case Value::Kind::Float: return formatNumber(v.real);
    default: return v.text;
    }
}

struct DepthGuard {
    int &depth;
    explicit DepthGuard(int &d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

} // namespace

Value readValue(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return Value::fromInt(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return Value::fromDouble(sqlite3_column_double(st, i));
    case SQLITE_TEXT:
        return Value::fromText(std::string(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                           static_cast<std::size_t>(sqlite3_column_bytes(st, i))));
    case SQLITE_BLOB: {
        const void *p = sqlite3_column_blob(st, i);
        return Value::fromBlob(std::string(p ? static_cast<const char *>(p) : "",
                                           static_cast<std::size_t>(sqlite3_column_bytes(st, i))));
    }
    default: return Value::null();
    }
}

void bindValue(sqlite3_stmt *st, int n, const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Null: sqlite3_bind_null(st, n); break;
    case Value::Kind::Integer: sqlite3_bind_int64(st, n, v.integer); break;
    case Value::Kind::Float: sqlite3_bind_double(st, n, v.real); break;
    case Value::Kind::Text:
        sqlite3_bind_text(st, n, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        break;
    case Value::Kind::Blob:
        sqlite3_bind_blob(st, n, v.text.data(), static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
        break;
    }
}

TypeDesc typeOf(const ColumnDescription &c)
{
    return TypeDesc{c.coltype & kTypeMask, c.collength, c.extendedId};
}

Value clientValue(const Value &stored, const ColumnDescription &c)
{
    const int code = c.coltype & kTypeMask;
    const bool numeric = stored.kind == Value::Kind::Integer || stored.kind == Value::Kind::Float;
    if ((code == TDecimal || code == TMoney) && numeric) {
        const double d = stored.kind == Value::Kind::Float ? stored.real : static_cast<double>(stored.integer);
        return Value::fromText(formatDecimal(d, decimalScale(c.collength)));
    }
    if ((code == TFloat || code == TSmallFloat) && stored.kind == Value::Kind::Integer)
        return Value::fromDouble(static_cast<double>(stored.integer));
    if (isCharacter(code, c.extendedId) && stored.kind == Value::Kind::Float)
        return Value::fromText(formatNumber(stored.real));
    if (isCharacter(code, c.extendedId) && stored.kind == Value::Kind::Integer)
        return Value::fromText(std::to_string(stored.integer));
    return stored;
}

void Frame::setup(const std::vector<VarDecl> &v)
{
    vars = &v;
    values.assign(v.size(), Value::null());
    defined.assign(v.size(), kUndefined);
    exact.assign(v.size(), Decimal64{});
    ref.resize(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        ref[i] = &values[i];
}

Interpreter::Interpreter(SessionImpl &s) : m_s(s) {}

Interpreter::~Interpreter()
{
    sqlite3_finalize(m_store);
    for (sqlite3_stmt *st : m_savepoints)
        sqlite3_finalize(st);
}

std::shared_ptr<CompiledRoutine> Interpreter::routine(int procid)
{
    auto it = m_routines.find(procid);
    if (it != m_routines.end())
        return it->second;
    auto r = compileRoutine(m_s, procid);
    m_routines[procid] = r;
    return r;
}

void Interpreter::setDebugFile(const std::string &named, bool append)
{
    const std::string path = writableFile(m_s.environment(), named, -648, -1);
    m_debugFile = path;
    m_debugAppend = append;
    if (!append) {
        std::ofstream out(path, std::ios::trunc);
        if (!out)
            raise(-648, path);
        m_debugAppend = true;
    }
}

void Interpreter::trace(const std::string &line)
{
    if (m_debugFile.empty())
        return;
    std::ofstream out(m_debugFile, std::ios::app);
    if (!out)
        raise(-648, m_debugFile);
    out << line << '\n';
}

// ------------------------------------------------------------ values

Value Interpreter::convert(Value v, const TypeDesc &from, const TypeDesc &to)
{
    if (v.isNull())
        return v;
    if (isIntegerCode(to.code) && v.kind == Value::Kind::Integer) {
        if (to.code == TSmallInt || to.code == TInteger || to.code == TSerial)
            checkIntegerRange(static_cast<double>(v.integer), to.code);
        return v;
    }
    if (from == to && from.code != TNull)
        return v;
    if ((to.code == TDecimal || to.code == TMoney) && v.kind != Value::Kind::Blob) {
        // What ifx_store does for a DECIMAL/MONEY store, without a statement.
        if (v.kind == Value::Kind::Integer)
            return Value::fromText(storedText(v.integer, to.collength));
        if (v.kind == Value::Kind::Float)
            return Value::fromText(storedText(v.real, to.collength));
        if (isStoredForm(v.text, to.collength))
            return v;
        return Value::fromText(storedText(v.text, to.collength));
    }
    Value in = std::move(v);
    if (isCharCode(to)) {
        // What a character column stores of a typed value: its display text.
        if (from.code == TDate && in.kind == Value::Kind::Integer)
            in = Value::fromText(formatDate(in.integer, m_s.environment()));
        else if ((from.code == TDecimal || from.code == TMoney) && in.kind != Value::Kind::Text)
            in = Value::fromText(clientValue(in, describeType(from, {})).text);
        else if (isBoolean(from.code, from.extendedId) && in.kind == Value::Kind::Integer)
            in = Value::fromText(in.integer ? "t" : "f");
        if (in.kind == Value::Kind::Text && (isCharCode(from) || from.code != TNull || true)) {
            const int max = (to.code == TVarChar || to.code == TNVarChar) ? varcharMax(to.collength)
                            : to.code == TUdtVar ? 0 : to.collength;
            std::string s = std::move(in.text);
            if (max > 0 && static_cast<int>(s.size()) > max)
                s.resize(static_cast<std::size_t>(max));
            if (to.code == TChar || to.code == TNChar)
                while (!s.empty() && s.back() == ' ')
                    s.pop_back();
            return Value::fromText(std::move(s));
        }
    }
    if (!m_store) {
        if (sqlite3_prepare_v2(m_s.db(), "SELECT ifx_store(?1, ?2, ?3, ?4)", -1, &m_store, nullptr) != SQLITE_OK)
            sql::fail(m_s.db(), "ifx_store");
    }
    sqlite3_reset(m_store);
    bindValue(m_store, 1, in);
    sqlite3_bind_int(m_store, 2, to.code);
    sqlite3_bind_int(m_store, 3, to.collength);
    sqlite3_bind_int(m_store, 4, to.extendedId);
    const int rc = sqlite3_step(m_store);
    if (rc != SQLITE_ROW) {
        const std::string msg = sqlite3_errmsg(m_s.db());
        sqlite3_reset(m_store);
        if (auto e = functionError(msg))
            throw EngineError(*e);
        sql::fail(m_s.db(), "ifx_store");
    }
    Value out = readValue(m_store, 0);
    sqlite3_reset(m_store);
    return out;
}

VarDecl::VarDecl(std::string n, const TypeDesc &t, bool g) : name(std::move(n)), type(t), global(g)
{
    const int p = decimalPrecision(t.collength), sc = decimalScale(t.collength);
    if (!g && (t.code == TDecimal || t.code == TMoney) && sc != 255 && p <= 18 && sc <= p) {
        exactPrecision = p;
        exactScale = sc;
    }
}

const Value &Interpreter::slotValue(Frame &f, std::size_t i)
{
    if (f.defined[i] == Frame::kExact) {
        *f.ref[i] = Value::fromText(decimal64Text(f.exact[i]));
        f.defined[i] = Frame::kBoth;
    }
    return *f.ref[i];
}

bool Interpreter::storeExact(Frame &f, int slot, Decimal64 v)
{
    const auto i = static_cast<std::size_t>(slot);
    const VarDecl &d = (*f.vars)[i];
    if (!d.exactPrecision || !fitDecimal64(v, d.exactPrecision, d.exactScale))
        return false;
    f.exact[i] = v;
    f.defined[i] = Frame::kExact;
    if (m_traceMode == 1)
        trace("LET " + d.name + " = " + valueText(slotValue(f, i)));
    return true;
}

bool Interpreter::storeExact(Frame &f, int slot, const Value &v)
{
    // What convert() does for these kinds; anything else takes its path.
    Decimal64 x;
    const bool small = v.kind == Value::Kind::Integer ? decimal64FromInt(v.integer, x)
                     : v.kind == Value::Kind::Text && parseDecimal64(v.text, x);
    return small && storeExact(f, slot, x);
}

bool Interpreter::storeColumn(Frame &f, int slot, sqlite3_stmt *st, int column)
{
    if (!(*f.vars)[static_cast<std::size_t>(slot)].exactPrecision)
        return false;
    Decimal64 x;
    // One lookup of the column for its three reads; the connection is
    // opened without a mutex, so its value is read as safely as the column.
    sqlite3_value *v = sqlite3_column_value(st, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_TEXT:
        // Read in place: no Value, no copy of the text.
        if (!parseDecimal64(std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                             static_cast<std::size_t>(sqlite3_value_bytes(v))),
                            x))
            return false;
        return storeExact(f, slot, x);
    case SQLITE_INTEGER:
        return storeExact(f, slot, Value::fromInt(sqlite3_value_int64(v)));
    default:
        return false;
    }
}

void Interpreter::store(Frame &f, int slot, Value v, const TypeDesc &from)
{
    if (storeExact(f, slot, v))
        return;
    const auto i = static_cast<std::size_t>(slot);
    const VarDecl &d = (*f.vars)[i];
    *f.ref[i] = convert(std::move(v), from, d.type);
    f.defined[i] = Frame::kValue;
    if (m_traceMode == 1)
        trace("LET " + d.name + " = " + valueText(*f.ref[i]));
}

namespace {

// The type of a native result: INT8, or a decimal of up to 32 digits.
TypeDesc nativeType(const Value &v)
{
    return v.kind == Value::Kind::Text ? typing::decimalFloat() : TypeDesc{TInt8, 10, 0};
}

// An integer or decimal operand as decimal text.
std::string_view decimalOperand(const Value &v, char (&buf)[24])
{
    if (v.kind == Value::Kind::Text)
        return v.text;
    return std::string_view(buf, std::size_t(std::to_chars(buf, buf + sizeof buf, v.integer).ptr - buf));
}

// The truth of `op` for an order -1, 0 or 1; false for no comparison.
bool comparison(TokenKind op, int c, Value &out)
{
    switch (op) {
    case TokenKind::Eq: out = Value::fromInt(c == 0); return true;
    case TokenKind::Ne: out = Value::fromInt(c != 0); return true;
    case TokenKind::Lt: out = Value::fromInt(c < 0); return true;
    case TokenKind::Le: out = Value::fromInt(c <= 0); return true;
    case TokenKind::Gt: out = Value::fromInt(c > 0); return true;
    case TokenKind::Ge: out = Value::fromInt(c >= 0); return true;
    default: return false;
    }
}

// Arithmetic and comparison where either side is a decimal, as the SQL
// functions compute them; false for what SQL must do (division).
bool decimalNative(const Native &n, const Value &a, const Value &b, Value &out)
{
    char ba[24], bb[24];
    const std::string_view x = decimalOperand(a, ba), y = decimalOperand(b, bb);
    using Op = Native::Op;
    switch (n.op) {
    case Op::Add:
    case Op::Sub:
        out = Value::fromText(decimalSumText(x, y, n.op == Op::Sub));
        return true;
    case Op::Mul:
        out = Value::fromText(expressionResult(Decimal::parseOrRaise(x) * Decimal::parseOrRaise(y)).text());
        return true;
    case Op::Cmp:
        return comparison(n.cmp, compare(Decimal::parseOrRaise(x), Decimal::parseOrRaise(y)), out);
    default:
        return false;
    }
}

} // namespace

// A variable's or constant's value in place (no copy of its text), else
// the operand computed into `tmp`; null when it is not native.
const Value *Interpreter::operand(const Native &n, Frame &f, Value &tmp)
{
    if (n.op == Native::Op::Var) {
        const auto i = static_cast<std::size_t>(n.slot);
        if (!f.defined[i])
            raise(-696, (*f.vars)[i].name);
        const Value *v = &slotValue(f, i);
        const bool ok = v->kind == Value::Kind::Integer || v->kind == Value::Kind::Null
            || (n.decimal && v->kind == Value::Kind::Text);
        return ok ? v : nullptr;
    }
    if (n.op == Native::Op::Const && n.decimal)
        return &n.constant;
    return native(n, f, tmp) ? &tmp : nullptr;
}

bool Interpreter::native(const Native &n, Frame &f, Value &out)
{
    using Op = Native::Op;
    switch (n.op) {
    case Op::Const:
        out = n.decimal ? n.constant : Value::fromInt(n.value);
        return true;
    case Op::Var: {
        const auto i = static_cast<std::size_t>(n.slot);
        if (!f.defined[i])
            raise(-696, (*f.vars)[i].name);
        out = slotValue(f, i);
        return out.kind == Value::Kind::Integer || out.kind == Value::Kind::Null
            || (n.decimal && out.kind == Value::Kind::Text);
    }
    default:
        break;
    }
    if (n.op == Op::Cmp && n.exact) {
        Decimal64 x, y;
        if (exact(*n.a, f, x) && exact(*n.b, f, y) && comparison(n.cmp, compareDecimal64(x, y), out))
            return true;
    }
    Value ta, tb;
    const Value *pa = operand(*n.a, f, ta);
    if (!pa)
        return false;
    const Value &a = *pa;
    // Decimal operands take part in arithmetic, comparison and IS NULL only.
    const bool decimalA = a.kind == Value::Kind::Text;
    if (n.op == Op::Neg) {
        if (a.isNull()) { out = a; return true; }
        if (decimalA) {
            out = Value::fromText(expressionResult(Decimal::parseOrRaise(a.text).negated()).text());
            return true;
        }
        if (a.integer == INT64_MIN) return false;
        out = Value::fromInt(-a.integer);
        return true;
    }
    if (n.op == Op::IsNull) {
        out = Value::fromInt(a.isNull() != n.negated ? 1 : 0);
        return true;
    }
    if (decimalA && n.op != Op::Add && n.op != Op::Sub && n.op != Op::Mul && n.op != Op::Cmp)
        return false;
    if (n.op == Op::Not) {
        out = a.isNull() ? a : Value::fromInt(a.integer == 0 ? 1 : 0);
        return true;
    }
    if (n.op == Op::And || n.op == Op::Or) {
        // Three-valued logic; the right side is evaluated only when needed.
        const bool isAnd = n.op == Op::And;
        if (!a.isNull() && (a.integer != 0) != isAnd) {
            out = Value::fromInt(isAnd ? 0 : 1);
            return true;
        }
        const Value *pb = operand(*n.b, f, tb);
        if (!pb || pb->kind == Value::Kind::Text)
            return false;
        const Value &b = *pb;
        if (!b.isNull() && (b.integer != 0) != isAnd) {
            out = Value::fromInt(isAnd ? 0 : 1);
            return true;
        }
        out = a.isNull() || b.isNull() ? Value::null() : Value::fromInt(isAnd ? 1 : 0);
        return true;
    }
    const Value *pb = operand(*n.b, f, tb);
    if (!pb)
        return false;
    const Value &b = *pb;
    if (a.isNull() || b.isNull()) {
        out = Value::null();
        return true;
    }
    if (decimalA || b.kind == Value::Kind::Text)
        return decimalNative(n, a, b, out);
    std::int64_t r = 0;
    switch (n.op) {
    case Op::Add:
        if (__builtin_add_overflow(a.integer, b.integer, &r)) return false;
        break;
    case Op::Sub:
        if (__builtin_sub_overflow(a.integer, b.integer, &r)) return false;
        break;
    case Op::Mul:
        if (__builtin_mul_overflow(a.integer, b.integer, &r)) return false;
        break;
    case Op::Cmp:
        switch (n.cmp) {
        case TokenKind::Eq: r = a.integer == b.integer; break;
        case TokenKind::Ne: r = a.integer != b.integer; break;
        case TokenKind::Lt: r = a.integer < b.integer; break;
        case TokenKind::Le: r = a.integer <= b.integer; break;
        case TokenKind::Gt: r = a.integer > b.integer; break;
        case TokenKind::Ge: r = a.integer >= b.integer; break;
        default: return false;
        }
        break;
    default:
        return false;
    }
    out = Value::fromInt(r);
    return true;
}

bool Interpreter::exact(const Native &n, Frame &f, Decimal64 &out)
{
    using Op = Native::Op;
    Decimal64 a, b;
    switch (n.op) {
    case Op::Const:
        out = n.decimal ? n.exactConstant : Decimal64{n.value, 0};
        return true;
    case Op::Var: {
        const auto i = static_cast<std::size_t>(n.slot);
        const std::uint8_t state = f.defined[i];
        if (state == Frame::kUndefined)
            raise(-696, (*f.vars)[i].name);
        if (state & Frame::kExact) {
            out = f.exact[i];
            return true;
        }
        const Value &v = *f.ref[i];
        if (v.kind == Value::Kind::Integer)
            return decimal64FromInt(v.integer, out);
        if (v.kind != Value::Kind::Text || !n.decimal || !parseDecimal64(v.text, out))
            return false;
        // Read once: a local variable keeps it (another frame may change a global's).
        if ((*f.vars)[i].exactPrecision) {
            f.exact[i] = out;
            f.defined[i] = Frame::kBoth;
        }
        return true;
    }
    default:
        break;
    }
    // Operands that are constants or variables holding Decimal64 (most of
    // them) are read here, without a call each.
    const auto operand = [&](const Native &c, Decimal64 &d) {
        if (c.op == Op::Var && (f.defined[static_cast<std::size_t>(c.slot)] & Frame::kExact)) {
            d = f.exact[static_cast<std::size_t>(c.slot)];
            return true;
        }
        if (c.op == Op::Const) {
            d = c.decimal ? c.exactConstant : Decimal64{c.value, 0};
            return true;
        }
        return exact(c, f, d);
    };
    switch (n.op) {
    case Op::Neg:
        if (!operand(*n.a, a))
            return false;
        out = {-a.coef, a.scale};
        return true;
    case Op::Add:
    case Op::Sub:
        return operand(*n.a, a) && operand(*n.b, b) && addDecimal64(a, b, n.op == Op::Sub, out);
    case Op::Mul:
        return operand(*n.a, a) && operand(*n.b, b) && mulDecimal64(a, b, out);
    default:
        return false;
    }
}

sqlite3_stmt *Interpreter::prepare(SqlPart &p, bool &fresh)
{
    const std::uint64_t stamp = m_s.schemaStamp();
    if (p.stamp != stamp) {
        sqlite3_finalize(p.cached);
        p.cached = nullptr;
        TranslationContext ctx = m_s.translationContext();
        if (p.stmt) {
            // SQLite prepares DML on a view only once its INSTEAD OF trigger exists.
            if (p.stmt->kind != ast::StmtKind::Select)
                syncTriggers();
            p.tr = translate(*p.stmt, ctx);
        } else {
            std::vector<const ast::Expr *> exprs;
            for (const ast::ExprPtr &e : p.exprs)
                exprs.push_back(e.get());
            p.tr = translateValues(exprs, p.storeAs, ctx);
        }
        p.stamp = stamp;
    }
    fresh = p.cached && sqlite3_stmt_busy(p.cached);
    if (p.cached && !fresh)
        return p.cached;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_s.db(), p.tr.sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        if (sql::isFileFailure(sqlite3_extended_errcode(m_s.db())))
            sql::raiseFileFailure(m_s.db(), sqlite3_extended_errcode(m_s.db()), 0, -1);
        // The routine's text is not at hand here: the caller places the error.
        sql::raiseRefused(sqlite3_errmsg(m_s.db()), {}, -1);
    }
    if (!p.cached) {
        p.cached = st;
        fresh = false;
    } else {
        // A recursive call runs the same part while the caller steps it.
        fresh = true;
    }
    return st;
}

void Interpreter::bind(sqlite3_stmt *st, SqlPart &p, Frame &f)
{
    for (std::size_t i = 0; i < p.slots.size(); ++i) {
        const auto slot = static_cast<std::size_t>(p.slots[i]);
        if (!f.defined[slot])
            raise(-696, (*f.vars)[slot].name);
        bindValue(st, static_cast<int>(i + 1), slotValue(f, slot));
    }
}

namespace {

// A prepared statement that is finalized when it was made for one use.
struct Running {
    sqlite3_stmt *st;
    bool fresh;
    ~Running()
    {
        if (fresh)
            sqlite3_finalize(st);
        else
            sqlite3_reset(st);
    }
};

// A FOREACH query's rows: stepped from SQLite until a statement of the loop
// body is about to destroy storage, then from memory (see OpenReader).
class ForeachRows final : private OpenReader {
public:
    ForeachRows(SessionImpl &s, sqlite3_stmt *st, const ast::Statement &stmt, std::size_t columns)
        : m_s(s), m_st(st), m_stmt(stmt), m_columns(columns)
    {
        m_s.addReader(this);
    }
    ~ForeachRows()
    {
        if (m_st)
            m_s.removeReader(this);
    }
    ForeachRows(const ForeachRows &) = delete;
    ForeachRows &operator=(const ForeachRows &) = delete;

    // Steps to the next row; false after the last.
    bool next()
    {
        if (!m_st) {
            if (m_pos < m_rest.size()) {
                ++m_pos;
                return true;
            }
            if (m_failure) {
                const ErrorInfo e = *m_failure;
                m_failure.reset();
                throw EngineError(e);
            }
            return false;
        }
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_DONE) {
            release();
            return false;
        }
        if (rc != SQLITE_ROW)
            m_s.raiseSqliteError(rc, m_stmt, 0);
        return true;
    }
    // The statement positioned on the row, until the rows move to memory.
    sqlite3_stmt *live() const { return m_st; }
    // Column i of a row held in memory, the caller's to take.
    Value &held(std::size_t i) { return m_rest[m_pos - 1][i]; }

private:
    void readRest() override
    {
        int rc;
        while ((rc = sqlite3_step(m_st)) == SQLITE_ROW) {
            std::vector<Value> &row = m_rest.emplace_back(m_columns);
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = readValue(m_st, static_cast<int>(i));
        }
        if (rc != SQLITE_DONE) {
            try {
                m_s.raiseSqliteError(rc, m_stmt, 0);
            } catch (const EngineError &e) {
                m_failure = e.info();
            }
        }
        release();
    }

    void release()
    {
        sqlite3_reset(m_st);
        m_st = nullptr;
        m_s.removeReader(this);
    }

    SessionImpl &m_s;
    sqlite3_stmt *m_st;
    const ast::Statement &m_stmt;
    std::size_t m_columns;
    std::vector<std::vector<Value>> m_rest;
    std::size_t m_pos = 0;
    std::optional<ErrorInfo> m_failure;
};

} // namespace

std::vector<Value> Interpreter::values(SqlPart &p, Frame &f, std::vector<TypeDesc> *types)
{
    bool fresh = false;
    Running run{prepare(p, fresh), fresh};
    sqlite3_reset(run.st);
    bind(run.st, p, f);
    const int rc = sqlite3_step(run.st);
    if (rc != SQLITE_ROW)
        m_s.raiseSqliteError(rc, ast::SimpleStatement(ast::StmtKind::Select), 0);
    std::vector<Value> out;
    const int n = sqlite3_column_count(run.st);
    for (int i = 0; i < n; ++i)
        out.push_back(readValue(run.st, i));
    if (types) {
        types->clear();
        for (const ColumnDescription &c : p.tr.columns)
            types->push_back(typeOf(c));
    }
    return out;
}

Value Interpreter::eval(CExpr &e, Frame &f)
{
    Value v;
    if (e.native && native(*e.native, f, v))
        return v;
    return values(*e.sql, f).front();
}

bool Interpreter::truth(CExpr &e, Frame &f)
{
    const Value v = eval(e, f);
    switch (v.kind) {
    case Value::Kind::Integer: return v.integer != 0;
    case Value::Kind::Float: return v.real != 0;
    case Value::Kind::Text: return v.text == "t" || v.text == "1";
    default: return false;
    }
}

void Interpreter::runSql(SqlPart &p, Frame &f, const std::vector<int> &into)
{
    const ast::Statement &stmt = *p.stmt;
    using K = ast::StmtKind;
    if (stmt.kind != K::Select && stmt.kind != K::Insert && stmt.kind != K::Update && stmt.kind != K::Delete) {
        m_s.executeOther(stmt, *p.text);
        return;
    }
    bool fresh = false;
    Running run{prepare(p, fresh), fresh};
    sqlite3_reset(run.st);
    bind(run.st, p, f);
    FunctionContext &fc = m_s.functions();
    m_s.resetLastSerial();
    if (stmt.kind == K::Select) {
        if (into.size() != p.tr.columns.size())
            raise(-685, f.routine ? f.routine->name : std::string());
        int rc = sqlite3_step(run.st);
        if (rc == SQLITE_DONE) {
            // No row: the targets are NULL (tested with IS NULL afterwards).
            for (std::size_t i = 0; i < into.size(); ++i)
                store(f, into[i], Value::null(), typeOf(p.tr.columns[i]));
            m_s.mutableSqlca().sqlcode = 100;
            fc.sqlerrd2 = 0;
            return;
        }
        if (rc != SQLITE_ROW)
            m_s.raiseSqliteError(rc, stmt, 0);
        std::vector<Value> row;
        for (std::size_t i = 0; i < into.size(); ++i)
            row.push_back(readValue(run.st, static_cast<int>(i)));
        rc = sqlite3_step(run.st);
        if (rc == SQLITE_ROW)
            raise(-284);
        if (rc != SQLITE_DONE)
            m_s.raiseSqliteError(rc, stmt, 0);
        for (std::size_t i = 0; i < into.size(); ++i)
            store(f, into[i], row[i], typeOf(p.tr.columns[i]));
        fc.sqlerrd2 = 1;
        return;
    }
    std::int64_t changed = 0;
    runDml(stmt, p.tr.targetTabid, [&] {
        int rc;
        while ((rc = sqlite3_step(run.st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            m_s.raiseSqliteError(rc, stmt, p.tr.targetTabid);
        changed = sqlite3_changes64(m_s.db());
    });
    fc.sqlerrd1 = m_s.lastSerial();
    fc.sqlerrd2 = changed;
}

// ------------------------------------------------------------ calls

std::shared_ptr<CompiledRoutine> Interpreter::invoke(CallPart &c, Frame &f, Rows &rows)
{
    std::vector<Value> args;
    std::vector<TypeDesc> types;
    if (c.args)
        args = values(*c.args, f, &types);
    const int procid = resolve(c.routine, types, c.argNames);
    auto r = routine(procid);
    call(*r, std::move(args), types, c.argNames, rows);
    return r;
}

void Interpreter::call(const CompiledRoutine &r, std::vector<Value> args, const std::vector<TypeDesc> &argTypes,
                       const std::vector<std::string> &argNames, Rows &rows)
{
    if (depth >= kMaxDepth)
        raise(-208);
    DepthGuard guard(depth);
    DepthGuard stored(m_s.functions().storedCodeDepth);
    Frame f;
    f.setup(r.vars);
    f.routine = &r;
    f.rows = &rows;
    try {
        // Positional arguments first, then named ones, then defaults.
        std::vector<bool> given(static_cast<std::size_t>(r.paramCount), false);
        for (std::size_t i = 0; i < args.size(); ++i) {
            int slot = static_cast<int>(i);
            if (i < argNames.size() && !argNames[i].empty()) {
                slot = -1;
                for (int p = 0; p < r.paramCount; ++p)
                    if (r.vars[static_cast<std::size_t>(p)].name == argNames[i])
                        slot = p;
            }
            if (slot < 0 || slot >= r.paramCount || given[static_cast<std::size_t>(slot)])
                raise(-674, r.name);
            given[static_cast<std::size_t>(slot)] = true;
            store(f, slot, args[i], i < argTypes.size() ? argTypes[i] : TypeDesc{TNull, 0, 0});
        }
        for (int p = 0; p < r.paramCount; ++p) {
            if (given[static_cast<std::size_t>(p)])
                continue;
            const ast::DefaultValue &d = r.defaults[static_cast<std::size_t>(p)];
            using DK = ast::DefaultValue::Kind;
            const TypeDesc textType{TVarChar, encodeVarchar(255), 0};
            switch (d.kind) {
            case DK::None: raise(-674, r.name);
            case DK::Null: store(f, p, Value::null(), textType); break;
            case DK::Literal: store(f, p, Value::fromText(d.text), textType); break;
            case DK::User: store(f, p, Value::fromText(m_s.user()), textType); break;
            case DK::Today: store(f, p, Value::fromInt(todayDayNumber()), TypeDesc{TDate, 4, 0}); break;
            default: store(f, p, Value::fromText(m_s.environment().informixServer), textType); break;
            }
        }
        if (m_traceMode != 0)
            trace("procedure " + r.name + " entered");
        block(r.body, f);
    } catch (const Unhandled &u) {
        ErrorInfo info = u.info;
        if (info.routine.empty())
            info.routine = r.name;
        throw EngineError(info);
    } catch (const EngineError &e) {
        if (!e.info().routine.empty())
            throw;
        ErrorInfo info = e.info();
        info.routine = r.name;
        throw EngineError(info);
    }
}

// ------------------------------------------------------------ statements

void Interpreter::runBlock(const CBlock &b, Frame &f)
{
    try {
        block(b, f);
    } catch (const Unhandled &u) {
        throw EngineError(u.info);
    }
}

bool Interpreter::letExact(const CStmt &s, Frame &f)
{
    if (s.call || s.sql)
        return false;
    const Native *n = s.exprs[0].native.get();
    Decimal64 x;
    if (!n || !n->exact || n->op == Native::Op::Cmp || !exact(*n, f, x))
        return false;
    // The text the Value path computes, where the target cannot hold
    // Decimal64 or the value does not fit it (-1226 then).
    if (!storeExact(f, s.targets[0], x))
        store(f, s.targets[0], Value::fromText(decimal64Text(x)), typing::decimalFloat());
    return true;
}

Flow Interpreter::block(const CBlock &b, Frame &f)
{
    // Only a block with handlers is ever left by a BlockExit: the others
    // need no id.
    const int id = b.handlers.empty() ? 0 : ++f.nextBlockId;
    const std::size_t mark = f.handlers.size();
    if (id)
        f.handlers.push_back({&b, id});
    struct Pop {
        Frame &f;
        std::size_t mark;
        ~Pop()
        {
            if (f.handlers.size() != mark)
                f.handlers.resize(mark);
        }
    } pop{f, mark};
    try {
        for (std::size_t k = 0; k < b.stmts.size(); ++k) {
            const CStmt &s = b.stmts[k];
            if (s.kind == Kind::OnException)
                continue;
            Flow flow;
            try {
                if (m_s.interruptRequested())
                    raise(-213);
                flow = s.kind == Kind::Let && letExact(s, f) ? Flow::Next : statement(s, f);
            } catch (const EngineError &e) {
                // The innermost handler whose IN list holds the error.
                const ErrorInfo info = e.info();
                const CStmt *handler = nullptr;
                std::size_t owner = 0;
                for (std::size_t h = f.handlers.size(); h-- > 0 && !handler;) {
                    for (const CStmt *candidate : f.handlers[h].block->handlers) {
                        const auto &codes = candidate->src->codes;
                        if (codes.empty() || std::find(codes.begin(), codes.end(), info.sqlCode) != codes.end()) {
                            handler = candidate;
                            owner = h;
                            break;
                        }
                    }
                }
                // An interrupt is never handled by the routine.
                if (!handler || info.sqlCode == -213)
                    throw Unhandled{info};
                const int ownerId = f.handlers[owner].id;
                const Value setValues[3] = {Value::fromInt(info.sqlCode), Value::fromInt(info.isamCode),
                                            Value::fromText(messageArgument(info).value_or(info.message))};
                const TypeDesc setTypes[3] = {{TInteger, 4, 0}, {TInteger, 4, 0}, {TVarChar, encodeVarchar(255), 0}};
                for (std::size_t t = 0; t < handler->targets.size() && t < 3; ++t)
                    store(f, handler->targets[t], setValues[t], setTypes[t]);
                // The handler runs with only the handlers outside its block active.
                std::vector<Frame::Active> saved(f.handlers.begin() + static_cast<std::ptrdiff_t>(owner), f.handlers.end());
                f.handlers.resize(owner);
                Flow hf;
                try {
                    hf = block(handler->blocks[0], f);
                } catch (...) {
                    f.handlers.insert(f.handlers.end(), saved.begin(), saved.end());
                    throw;
                }
                f.handlers.insert(f.handlers.end(), saved.begin(), saved.end());
                if (hf != Flow::Next)
                    return hf;
                if (handler->src->withResume)
                    continue;
                throw BlockExit{ownerId};
            }
            if (flow != Flow::Next)
                return flow;
        }
    } catch (const BlockExit &x) {
        if (x.id != id)
            throw;
    }
    return Flow::Next;
}

namespace {
thread_local std::string t_flowLoop;  // EXIT / CONTINUE target while unwinding
} // namespace

Flow Interpreter::loopBody(const CStmt &s, Frame &f, const char *kind, bool &stop)
{
    stop = false;
    const Flow flow = block(s.blocks[0], f);
    if (flow == Flow::Exit || flow == Flow::Continue) {
        if (!t_flowLoop.empty() && t_flowLoop != kind && t_flowLoop != s.src->label)
            return flow;
        stop = flow == Flow::Exit;
        return Flow::Next;
    }
    if (flow == Flow::Return)
        stop = true;
    return flow;
}

Flow Interpreter::statement(const CStmt &s, Frame &f)
{
    const ast::spl::Statement &src = *s.src;
    switch (s.kind) {
    case Kind::Define:
        for (int slot : s.targets) {
            const auto i = static_cast<std::size_t>(slot);
            const VarDecl &d = (*f.vars)[i];
            f.defined[i] = 0;
            f.ref[i] = &f.values[i];
            if (!d.global)
                continue;
            auto g = globals.find(d.name);
            if (g == globals.end()) {
                Value v = s.exprs.empty() ? Value::null() : eval(const_cast<CExpr &>(s.exprs[0]), f);
                g = globals.emplace(d.name, v).first;
            }
            f.ref[i] = &g->second;
            f.defined[i] = Frame::kValue;
        }
        return Flow::Next;
    case Kind::Let: {
        if (s.call) {
            Rows rows;
            auto r = invoke(*s.call, f, rows);
            if (rows.empty() || rows[0].size() < s.targets.size())
                raise(-685, s.call->routine.name);
            for (std::size_t i = 0; i < s.targets.size(); ++i)
                store(f, s.targets[i], rows[0][i], r->returning[i]);
            return Flow::Next;
        }
        if (s.sql) {
            if (s.sql->stmt) {
                // LET a, b = (SELECT x, y ...): exactly one row.
                bool fresh = false;
                Running run{prepare(*s.sql, fresh), fresh};
                sqlite3_reset(run.st);
                bind(run.st, *s.sql, f);
                if (s.sql->tr.columns.size() != s.targets.size())
                    raise(-685, f.routine ? f.routine->name : std::string());
                int rc = sqlite3_step(run.st);
                if (rc == SQLITE_DONE)
                    raise(-284);
                if (rc != SQLITE_ROW)
                    m_s.raiseSqliteError(rc, *s.sql->stmt, 0);
                std::vector<Value> row;
                for (std::size_t i = 0; i < s.targets.size(); ++i)
                    row.push_back(readValue(run.st, static_cast<int>(i)));
                rc = sqlite3_step(run.st);
                if (rc == SQLITE_ROW)
                    raise(-284);
                for (std::size_t i = 0; i < s.targets.size(); ++i)
                    store(f, s.targets[i], row[i], typeOf(s.sql->tr.columns[i]));
                return Flow::Next;
            }
            const std::vector<Value> row = values(*s.sql, f);
            for (std::size_t i = 0; i < s.targets.size(); ++i) {
                const auto slot = static_cast<std::size_t>(s.targets[i]);
                *f.ref[slot] = row[i];
                f.defined[slot] = Frame::kValue;
            }
            return Flow::Next;
        }
        CExpr &e = const_cast<CExpr &>(s.exprs[0]);
        const auto slot = static_cast<std::size_t>(s.targets[0]);
        // block() tried letExact() first.
        Value v;
        if (e.native && native(*e.native, f, v)) {
            const TypeDesc type = nativeType(v);
            store(f, s.targets[0], std::move(v), type);
            return Flow::Next;
        }
        *f.ref[slot] = values(*e.sql, f).front();
        f.defined[slot] = Frame::kValue;
        if (m_traceMode == 1)
            trace("LET " + (*f.vars)[slot].name + " = " + valueText(*f.ref[slot]));
        return Flow::Next;
    }
    case Kind::Loop:
        for (;;) {
            bool stop = false;
            const Flow flow = loopBody(s, f, "loop", stop);
            if (flow != Flow::Next)
                return flow;
            if (stop)
                return Flow::Next;
            if (m_s.interruptRequested())
                raise(-213);
        }
    case Kind::If:
    case Kind::Case:
        for (std::size_t i = 0; i < s.exprs.size(); ++i)
            if (truth(const_cast<CExpr &>(s.exprs[i]), f))
                return block(s.blocks[i], f);
        if (s.blocks.size() > s.exprs.size())
            return block(s.blocks.back(), f);
        return Flow::Next;
    case Kind::While:
        for (;;) {
            if (!truth(const_cast<CExpr &>(s.exprs[0]), f))
                return Flow::Next;
            bool stop = false;
            const Flow flow = loopBody(s, f, "while", stop);
            if (flow != Flow::Next)
                return flow;
            if (stop)
                return Flow::Next;
            if (m_s.interruptRequested())
                raise(-213);
        }
    case Kind::For:
    case Kind::ForIn: {
        const TypeDesc kInt{TInteger, 4, 0};
        // (from, to, step) triples; FOR i = a TO b is one triple.
        const std::size_t parts = s.kind == Kind::For ? 1 : s.exprs.size() / 3;
        for (std::size_t part = 0; part < parts; ++part) {
            CExpr &from = const_cast<CExpr &>(s.exprs[part * 3]);
            CExpr *to = s.kind == Kind::For || s.exprs[part * 3 + 1].sql ? &const_cast<CExpr &>(s.exprs[part * 3 + 1]) : nullptr;
            CExpr *step = part * 3 + 2 < s.exprs.size() && s.exprs[part * 3 + 2].sql
                ? &const_cast<CExpr &>(s.exprs[part * 3 + 2]) : nullptr;
            if (!to) {
                // A single value of an IN list.
                store(f, s.targets[0], eval(from, f), (*f.vars)[static_cast<std::size_t>(s.targets[0])].type);
                bool stop = false;
                const Flow flow = loopBody(s, f, "for", stop);
                if (flow != Flow::Next)
                    return flow;
                if (stop)
                    return Flow::Next;
                continue;
            }
            const Value a = eval(from, f), b = eval(*to, f);
            const Value c = step ? eval(*step, f) : Value::fromInt(1);
            if (a.isNull() || b.isNull() || c.isNull())
                raise(-696, (*f.vars)[static_cast<std::size_t>(s.targets[0])].name);
            const std::int64_t first = convert(a, TypeDesc{TNull, 0, 0}, TypeDesc{TInt8, 10, 0}).integer;
            const std::int64_t last = convert(b, TypeDesc{TNull, 0, 0}, TypeDesc{TInt8, 10, 0}).integer;
            const std::int64_t inc = convert(c, TypeDesc{TNull, 0, 0}, TypeDesc{TInt8, 10, 0}).integer;
            if (inc == 0)
                raise(-697);
            for (std::int64_t i = first; inc > 0 ? i <= last : i >= last; i += inc) {
                store(f, s.targets[0], Value::fromInt(i), kInt);
                bool stop = false;
                const Flow flow = loopBody(s, f, "for", stop);
                if (flow != Flow::Next)
                    return flow;
                if (stop)
                    return Flow::Next;
                if (m_s.interruptRequested())
                    raise(-213);
            }
        }
        return Flow::Next;
    }
    case Kind::Foreach: {
        if (s.call) {
            Rows rows;
            auto r = invoke(*s.call, f, rows);
            for (const std::vector<Value> &row : rows) {
                if (row.size() < s.targets.size())
                    raise(-685, r->name);
                for (std::size_t i = 0; i < s.targets.size(); ++i)
                    store(f, s.targets[i], row[i], r->returning[i]);
                bool stop = false;
                const Flow flow = loopBody(s, f, "foreach", stop);
                if (flow != Flow::Next)
                    return flow;
                if (stop)
                    break;
            }
            return Flow::Next;
        }
        SqlPart &p = *s.sql;
        bool fresh = false;
        Running run{prepare(p, fresh), fresh};
        sqlite3_reset(run.st);
        bind(run.st, p, f);
        if (p.tr.columns.size() != s.targets.size())
            raise(-685, f.routine ? f.routine->name : std::string());
        std::vector<TypeDesc> types;
        for (const ColumnDescription &c : p.tr.columns)
            types.push_back(typeOf(c));
        ForeachRows rows(m_s, run.st, *p.stmt, s.targets.size());
        while (rows.next()) {
            for (std::size_t i = 0; i < s.targets.size(); ++i) {
                const int column = static_cast<int>(i);
                if (sqlite3_stmt *st = rows.live()) {
                    if (!storeColumn(f, s.targets[i], st, column))
                        store(f, s.targets[i], readValue(st, column), types[i]);
                } else {
                    store(f, s.targets[i], std::move(rows.held(i)), types[i]);
                }
            }
            bool stop = false;
            const Flow flow = loopBody(s, f, "foreach", stop);
            if (flow != Flow::Next)
                return flow;
            if (stop)
                break;
        }
        return Flow::Next;
    }
    case Kind::Continue:
    case Kind::Exit:
        if (!s.exprs.empty() && !truth(const_cast<CExpr &>(s.exprs[0]), f))
            return Flow::Next;
        t_flowLoop = src.loop;
        return s.kind == Kind::Exit ? Flow::Exit : Flow::Continue;
    case Kind::Return: {
        const CompiledRoutine *r = f.routine;
        if (!r)
            return Flow::Return;
        if (!s.exprs.empty()) {
            if (s.exprs.size() != r->returning.size())
                raise(-655);
            std::vector<Value> row;
            for (std::size_t i = 0; i < s.exprs.size(); ++i) {
                CExpr &e = const_cast<CExpr &>(s.exprs[i]);
                Value v;
                if (e.native && native(*e.native, f, v)) {
                    row.push_back(convert(v, nativeType(v), r->returning[i]));
                } else {
                    std::vector<TypeDesc> types;
                    const Value raw = values(*e.sql, f, &types).front();
                    row.push_back(convert(raw, types.front(), r->returning[i]));
                }
            }
            if (m_traceMode != 0)
                trace("procedure " + r->name + " returns");
            f.rows->push_back(std::move(row));
        }
        return src.withResume ? Flow::Next : Flow::Return;
    }
    case Kind::Raise: {
        std::vector<Value> v;
        for (const CExpr &e : s.exprs)
            v.push_back(eval(const_cast<CExpr &>(e), f));
        const TypeDesc kInt8{TInt8, 10, 0};
        const int code = static_cast<int>(convert(v[0], TypeDesc{TNull, 0, 0}, kInt8).integer);
        const int isam = v.size() > 1 && !v[1].isNull() ? static_cast<int>(convert(v[1], TypeDesc{TNull, 0, 0}, kInt8).integer) : 0;
        const std::string text = v.size() > 2 && !v[2].isNull() ? valueText(v[2]) : std::string();
        raise(code, text, -1, isam);
    }
    case Kind::Call: {
        Rows rows;
        auto r = invoke(*s.call, f, rows);
        if (!s.targets.empty()) {
            if (rows.empty() || rows[0].size() < s.targets.size())
                raise(-685, r->name);
            for (std::size_t i = 0; i < s.targets.size(); ++i)
                store(f, s.targets[i], rows[0][i], r->returning[i]);
        }
        return Flow::Next;
    }
    case Kind::System: {
        const std::string command = valueText(eval(const_cast<CExpr &>(s.exprs[0]), f));
        if (!outsideAccessAllowed()) {
            ErrorInfo e = makeError(-668);
            e.message = "System command cannot be executed: SYSTEM is disabled (" + std::string(kOutsideAccessVariable)
                + "=1 enables it).";
            throw EngineError(e);
        }
        if (std::system(command.c_str()) != 0)
            raise(-668);
        return Flow::Next;
    }
    case Kind::Trace:
        if (src.loop == "on") m_traceMode = 1;
        else if (src.loop == "off") m_traceMode = 0;
        else if (src.loop == "procedure") m_traceMode = 2;
        else trace(valueText(eval(const_cast<CExpr &>(s.exprs[0]), f)));
        return Flow::Next;
    case Kind::Block:
        return block(s.blocks[0], f);
    case Kind::OnException:
        return Flow::Next;
    case Kind::Sql:
        if (s.call) {
            Rows rows;
            auto r = invoke(*s.call, f, rows);
            if (!s.targets.empty()) {
                if (rows.empty() || rows[0].size() < s.targets.size())
                    raise(-685, r->name);
                for (std::size_t i = 0; i < s.targets.size(); ++i)
                    store(f, s.targets[i], rows[0][i], r->returning[i]);
            }
            return Flow::Next;
        }
        runSql(*s.sql, f, s.targets);
        return Flow::Next;
    }
    return Flow::Next;
}

} // namespace quodlin::engine::spl
