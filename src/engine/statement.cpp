// Prepared texts of a session: parameters across all statements of the text,
// execution in order, the forward cursor over the last SELECT, and the
// conversion of SQLite values to the engine's typed values.
#include "engine/decimal.h"
#include "engine/session.h"
#include "engine/spl_runtime.h"
#include "engine/sqlite_util.h"
#include "engine/values.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace quodlin::engine {

namespace {

// How a result column's values are fetched, decided once per cursor from its
// declared type instead of per value.
enum class Fetch : std::uint8_t { Decimal, Integer, Real, Byte, Text, Generic };
struct FetchPlan {
    Fetch kind = Fetch::Generic;
    int scale = 0;  // Decimal
};

FetchPlan fetchPlan(const ColumnDescription &c)
{
    const int code = c.coltype & kTypeMask;
    switch (code) {
    case TDecimal:
    case TMoney:
        return {Fetch::Decimal, decimalScale(c.collength)};
    case TSmallInt: case TInteger: case TSerial: case TDate: case TInt8: case TSerial8:
    case TBigInt: case TBigSerial: case TBooleanClient:
        return {Fetch::Integer, 0};
    case TUdtFixed:
        if (c.extendedId == kXidBlob) return {Fetch::Byte, 0};
        if (c.extendedId == kXidClob) return {Fetch::Text, 0};
        return {isBoolean(code, c.extendedId) ? Fetch::Integer : Fetch::Generic, 0};
    case TFloat: case TSmallFloat:
        return {Fetch::Real, 0};
    case TByte:
        return {Fetch::Byte, 0};
    default:
        if (isCharacter(code, c.extendedId) || code == TText || code == TDateTime || code == TInterval)
            return {Fetch::Text, 0};
        return {Fetch::Generic, 0};
    }
}

// Fills `out` in place so a cursor reuses its row buffers from row to row.
// The column's value is read through sqlite3_column_value once: each
// sqlite3_column_* call takes the connection mutex again (about 50
// instructions apiece, a third of the per-row cost of a two-column scan).
// The value is unprotected, which is safe because a statement is stepped and
// read by one thread at a time.
void convertInto(Value &out, sqlite3_stmt *st, int i, FetchPlan plan)
{
    sqlite3_value *v = sqlite3_column_value(st, i);
    const int type = sqlite3_value_type(v);
    auto setText = [&](Value::Kind kind) {
        const void *p = kind == Value::Kind::Blob ? sqlite3_value_blob(v)
                                                  : static_cast<const void *>(sqlite3_value_text(v));
        const int n = sqlite3_value_bytes(v);
        out.kind = kind;
        // clear + append: assign's overlap checks cost twice as much per value.
        out.text.clear();
        out.text.append(p ? static_cast<const char *>(p) : "", static_cast<size_t>(n));
    };
    auto setInt = [&] {
        out.kind = Value::Kind::Integer;
        out.integer = sqlite3_value_int64(v);
    };
    auto setReal = [&] {
        out.kind = Value::Kind::Float;
        out.real = sqlite3_value_double(v);
    };
    if (type == SQLITE_NULL) {
        out.kind = Value::Kind::Null;
        return;
    }
    const bool numeric = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    switch (plan.kind) {
    case Fetch::Decimal:
        if (type == SQLITE_FLOAT) {
            // A database file from before decimals were kept as text.
            out.kind = Value::Kind::Text;
            formatDecimalInto(out.text, sqlite3_value_double(v), plan.scale);
            return;
        }
        setText(Value::Kind::Text);
        // Stored column values are already at their scale; expression
        // results and integers get the scale's digits here.
        if (!hasPlainScale(out.text, plan.scale)) {
            if (std::optional<Decimal> d = Decimal::parse(out.text))
                out.text = decimalText(*d, plan.scale);
        }
        return;
    case Fetch::Integer:
        if (numeric)
            return setInt();
        break;
    case Fetch::Real:
        if (numeric)
            return setReal();
        break;
    case Fetch::Byte:
        return setText(Value::Kind::Blob);
    case Fetch::Text:
        if (type == SQLITE_FLOAT) {
            out.kind = Value::Kind::Text;
            out.text = formatNumber(sqlite3_value_double(v));
            return;
        }
        return setText(Value::Kind::Text);
    case Fetch::Generic:
        break;
    }
    switch (type) {
    case SQLITE_INTEGER: return setInt();
    case SQLITE_FLOAT: return setReal();
    case SQLITE_BLOB: return setText(Value::Kind::Blob);
    default: return setText(Value::Kind::Text);
    }
}

void emitValue(RowSink &sink, int c, const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Null: return sink.null(c);
    case Value::Kind::Integer: return sink.integer(c, v.integer);
    case Value::Kind::Float: return sink.real(c, v.real);
    case Value::Kind::Text: return sink.text(c, v.text);
    case Value::Kind::Blob: return sink.blob(c, v.text);
    }
}

std::string_view textOf(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    const int n = sqlite3_value_bytes(v);
    return p ? std::string_view(p, static_cast<size_t>(n)) : std::string_view();
}

// What convertInto makes of column i, handed to `sink` from SQLite's own
// memory where no conversion is needed; `scratch` where one is.
void emitColumn(RowSink &sink, sqlite3_stmt *st, int i, FetchPlan plan, Value &scratch)
{
    sqlite3_value *v = sqlite3_column_value(st, i);
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL)
        return sink.null(i);
    const bool numeric = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    switch (plan.kind) {
    case Fetch::Decimal:
        if (type != SQLITE_FLOAT) {
            const std::string_view t = textOf(v);
            if (hasPlainScale(t, plan.scale))
                return sink.text(i, t);
        }
        break;
    case Fetch::Integer:
        if (numeric)
            return sink.integer(i, sqlite3_value_int64(v));
        break;
    case Fetch::Real:
        if (numeric)
            return sink.real(i, sqlite3_value_double(v));
        break;
    case Fetch::Byte: {
        const void *p = sqlite3_value_blob(v);
        const int n = sqlite3_value_bytes(v);
        return sink.blob(i, p ? std::string_view(static_cast<const char *>(p), static_cast<size_t>(n))
                              : std::string_view());
    }
    case Fetch::Text:
        if (type != SQLITE_FLOAT)
            return sink.text(i, textOf(v));
        break;
    case Fetch::Generic:
        switch (type) {
        case SQLITE_INTEGER: return sink.integer(i, sqlite3_value_int64(v));
        case SQLITE_FLOAT: return sink.real(i, sqlite3_value_double(v));
        default: break;
        }
        break;
    }
    convertInto(scratch, st, i, plan);
    emitValue(sink, i, scratch);
}

// Statements that may change the file: everything but queries, transaction
// control, session settings and work on the session's temp tables (which
// need no lock another session could hold).
bool writes(SessionImpl &s, const ast::Statement &stmt)
{
    using K = ast::StmtKind;
    const auto temp = [&](const ast::ObjectName &name) {
        return name.owner.empty() && s.catalog().temp(name.name) != nullptr;
    };
    switch (stmt.kind) {
    case K::Select: case K::Begin: case K::Commit: case K::Rollback: case K::SetLockMode: case K::SetExplain:
    case K::SetIsolation: case K::SetOther: case K::SetRole: case K::Database: case K::CloseDatabase:
    case K::LockTable: case K::UnlockTable:
        return false;
    case K::Insert: return !temp(static_cast<const ast::InsertStatement &>(stmt).table);
    case K::Update: return !temp(static_cast<const ast::UpdateStatement &>(stmt).table);
    case K::Delete: return !temp(static_cast<const ast::DeleteStatement &>(stmt).table);
    case K::Merge: return !temp(static_cast<const ast::MergeStatement &>(stmt).table);
    case K::CreateTable: return !static_cast<const ast::CreateTableStatement &>(stmt).temp;
    case K::DropTable: return !temp(static_cast<const ast::ObjectStatement &>(stmt).name);
    default:
        return true;
    }
}

// An INSERT, UPDATE or DELETE of a table without triggers is one SQLite
// statement, which SQLite keeps atomic by itself outside a transaction. In a
// transaction opened for it SQLite would copy every page it changes once
// more into a statement journal, because a function of the statement may
// fail half way (an UPDATE of 20,000 rows: 30% more time). Asked only
// outside a transaction.
bool atomicAlone(SessionImpl &s, const ast::Statement &stmt)
{
    using K = ast::StmtKind;
    const ast::ObjectName *name = stmt.kind == K::Insert ? &static_cast<const ast::InsertStatement &>(stmt).table
        : stmt.kind == K::Update ? &static_cast<const ast::UpdateStatement &>(stmt).table
        : stmt.kind == K::Delete ? &static_cast<const ast::DeleteStatement &>(stmt).table
                                 : nullptr;
    if (!name)
        return false;
    std::shared_ptr<const TableInfo> t = s.catalog().findTableShared(name->name, name->owner);
    if (!t || t->tabtype != 'T' || t->temp)
        return false;
    s.splRuntime().syncTriggers();
    return !s.splRuntime().hasTriggers(t->tabid);
}

enum class Stored { Failed, AsGiven, Converted };

// Whether `t` is already the canonical form of a YEAR TO DAY, HOUR, MINUTE
// or SECOND date-time with every field in range: what parseDatetime gives
// back unchanged. LOAD files hold their date-times this way.
bool isCanonicalDatetime(const std::string &t, int collength)
{
    const int start = (collength >> 4) & 0xF, end = collength & 0xF;
    if (start != UYear || (end != UDay && end != UHour && end != UMinute && end != USecond))
        return false;
    const size_t n = end == UDay ? 10 : end == UHour ? 13 : end == UMinute ? 16 : 19;
    static const char layout[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (layout[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(t[i])) : t[i] != layout[i])
            return false;
    const auto field = [&](size_t at, size_t digits) {
        int v = 0;
        for (size_t i = at; i < at + digits; ++i)
            v = v * 10 + (t[i] - '0');
        return v;
    };
    if (field(0, 4) < 1 || !validDate(field(0, 4), field(5, 2), field(8, 2)))
        return false;
    return (n < 13 || field(11, 2) < 24) && (n < 16 || field(14, 2) < 60) && (n < 19 || field(17, 2) < 60);
}

// An optional minus and up to 19 digits, exactly; nullopt for anything else.
std::optional<std::int64_t> plainInteger(const std::string &t)
{
    const size_t from = !t.empty() && t[0] == '-' ? 1 : 0;
    if (t.size() == from || t.size() - from > 19)
        return std::nullopt;
    std::int64_t v = 0;
    for (size_t i = from; i < t.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(t[i])))
            return std::nullopt;
        if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, t[i] - '0', &v))
            return std::nullopt;
    }
    return from ? -v : v;
}

// The C++ twin of ifx_store() for the types INSERT binds converted. AsGiven
// when storing would not change the value (bound without a copy), Failed when
// it would not convert (the wrapped statement then reports it).
[[gnu::hot]] Stored storeBound(const Value &in, const TypeDesc &t, const Environment &env, Value &out)
{
    if (in.kind == Value::Kind::Null)
        return Stored::AsGiven;
    if (in.kind == Value::Kind::Blob)
        return Stored::Failed;
    auto text = [&]() -> std::string {
        if (in.kind == Value::Kind::Float)
            return formatNumber(in.real);
        if (in.kind == Value::Kind::Integer)
            return std::to_string(in.integer);
        return in.text;
    };
    auto number = [&]() -> double {
        if (in.kind == Value::Kind::Integer)
            return static_cast<double>(in.integer);
        if (in.kind == Value::Kind::Float)
            return in.real;
        return parseNumber(in.text);
    };
    const int code = t.code, collength = t.collength;
    try {
        switch (code) {
        case TChar: case TNChar: case TVarChar: case TNVarChar: case TUdtVar: {
            if (code == TUdtVar && t.extendedId != kXidLVarChar)
                break;
            const bool isChar = code == TChar || code == TNChar;
            const int max = (code == TVarChar || code == TNVarChar) ? varcharMax(collength) : collength;
            if (in.kind == Value::Kind::Text && (max <= 0 || static_cast<int>(in.text.size()) <= max)
                && !(isChar && !in.text.empty() && in.text.back() == ' '))
                return Stored::AsGiven;
            out.kind = Value::Kind::Text;
            out.text = text();
            if (max > 0 && static_cast<int>(out.text.size()) > max)
                out.text.resize(static_cast<size_t>(max));
            if (isChar)
                while (!out.text.empty() && out.text.back() == ' ')
                    out.text.pop_back();
            return Stored::Converted;
        }
        case TSmallInt: case TInteger: case TInt8: case TBigInt: case TSerial: case TSerial8: case TBigSerial:
            if (in.kind == Value::Kind::Integer) {
                if (code == TSmallInt || code == TInteger || code == TSerial)
                    checkIntegerRange(static_cast<double>(in.integer), code);
                return Stored::AsGiven;
            }
            out.kind = Value::Kind::Integer;
            if (in.kind == Value::Kind::Text) {
                if (const std::optional<std::int64_t> v = plainInteger(in.text)) {
                    checkIntegerRange(static_cast<double>(*v), code);
                    out.integer = *v;
                    return Stored::Converted;
                }
                // A double keeps 15 digits, not an INT8's 19: the exact
                // conversion of the wrapped statement takes the rest.
                if (code != TSmallInt && code != TInteger && code != TSerial)
                    return Stored::Failed;
            }
            out.integer = checkIntegerRange(number(), code);
            return Stored::Converted;
        case TFloat: case TSmallFloat:
            if (in.kind == Value::Kind::Float)
                return Stored::AsGiven;
            out.kind = Value::Kind::Float;
            out.real = number();
            return Stored::Converted;
        case TDecimal: case TMoney: {
            // One scan instead of a stored text built to compare with.
            if (in.kind == Value::Kind::Text && isStoredForm(in.text, collength))
                return Stored::AsGiven;
            out.kind = Value::Kind::Text;
            out.text = in.kind == Value::Kind::Integer ? storedText(in.integer, collength)
                : in.kind == Value::Kind::Float       ? storedText(in.real, collength)
                                                      : storedText(in.text, collength);
            if (in.kind == Value::Kind::Text && out.text == in.text)
                return Stored::AsGiven;
            return Stored::Converted;
        }
        case TDate:
            if (in.kind == Value::Kind::Integer)
                return Stored::AsGiven;
            if (in.kind != Value::Kind::Text)
                return Stored::Failed;
            out.kind = Value::Kind::Integer;
            // Date-time text gives its date, as ifx_store() reads it.
            if (in.text.size() >= 10 && std::isdigit(static_cast<unsigned char>(in.text[0])) && in.text[4] == '-'
                && in.text[7] == '-') {
                const int y = std::atoi(in.text.substr(0, 4).c_str()), m = std::atoi(in.text.substr(5, 2).c_str()),
                          d = std::atoi(in.text.substr(8, 2).c_str());
                if (!validDate(y, m, d))
                    return Stored::Failed;
                out.integer = dayNumber(y, m, d);
            } else {
                out.integer = parseDate(in.text, env);
            }
            return Stored::Converted;
        case TDateTime:
            if (in.kind != Value::Kind::Text)
                return Stored::Failed;
            if (isCanonicalDatetime(in.text, collength))
                return Stored::AsGiven;
            out.kind = Value::Kind::Text;
            out.text = parseDatetime(in.text, collength);
            return Stored::Converted;
        case TInterval:
            if (in.kind != Value::Kind::Text)
                return Stored::Failed;
            out.kind = Value::Kind::Text;
            out.text = formatInterval(parseInterval(in.text, collength), collength);
            return Stored::Converted;
        case TUdtFixed:
            if (t.extendedId != kXidBoolean)
                break;
            out.kind = Value::Kind::Integer;
            out.integer = in.kind == Value::Kind::Integer ? (in.integer ? 1 : 0) : (parseBoolean(text()) ? 1 : 0);
            return Stored::Converted;
        default:
            break;
        }
    } catch (const EngineError &) {
        return Stored::Failed;
    }
    return Stored::AsGiven;
}

// `keep` is SQLITE_STATIC when the statement runs to its end before the
// value can change (no copy: about 400 instructions per text value).
[[gnu::hot]] void bindValue(sqlite3_stmt *st, int n, const Value &v, sqlite3_destructor_type keep)
{
    switch (v.kind) {
    case Value::Kind::Null: sqlite3_bind_null(st, n); break;
    case Value::Kind::Integer: sqlite3_bind_int64(st, n, v.integer); break;
    case Value::Kind::Float: sqlite3_bind_double(st, n, v.real); break;
    case Value::Kind::Text:
        sqlite3_bind_text(st, n, v.text.data(), static_cast<int>(v.text.size()), keep);
        break;
    case Value::Kind::Blob:
        sqlite3_bind_blob(st, n, v.text.data(), static_cast<int>(v.text.size()), keep);
        break;
    }
}


// A parameter of one statement: where its value is (m_values / m_bound),
// its SQLite number, and the column type it is stored into (-1: none).
struct PreparedParam {
    int global = 0;
    int local = 0;
    int store = -1;
    bool converted = false;  // this execution binds m_bound
};

struct Prepared {
    std::uint64_t stamp = 0;
    Translation translation;
    std::vector<PreparedParam> params;
    bool serials = false;               // a parameter is stored into a SERIAL column
    sqlite3_stmt *stmt = nullptr;       // translation.plainSql when there is one
    sqlite3_stmt *wrapped = nullptr;    // translation.sql next to a plainSql, prepared on first need
};

class StatementImpl final : public Statement, private OpenReader {
public:
    StatementImpl(SessionImpl &s, std::string text) : m_s(s), m_sessionLifetime(s.lifetime()), m_text(std::move(text))
    {
        m_script = m_s.parse(m_text);
        m_prepared.resize(m_script->size());
        for (size_t i = 0; i < m_script->size(); ++i) {
            const auto &params = (*m_script)[i]->params;
            for (size_t j = 0; j < params.size(); ++j)
                m_params.push_back({static_cast<int>(i), static_cast<int>(j + 1), params[j].name});
        }
        m_values.resize(m_params.size());
        m_bound.resize(m_params.size());
    }

    ~StatementImpl() override
    {
        // After its session closed, SQLite keeps the connection until its
        // last statement is finalized here.
        if (m_sessionLifetime.expired()) {
            for (Prepared &p : m_prepared) {
                sqlite3_finalize(p.stmt);
                sqlite3_finalize(p.wrapped);
            }
            return;
        }
        if (m_cursor)
            m_s.removeReader(this);
        for (Prepared &p : m_prepared) {
            const Translation &t = p.translation;
            m_s.keepPrepared(t.plainSql.empty() ? t.sql : t.plainSql, p.stamp, p.stmt);
            m_s.keepPrepared(t.sql, p.stamp, p.wrapped);
        }
    }

    int parameterCount() const override { return static_cast<int>(m_params.size()); }
    std::string parameterName(int index) const override { return m_params.at(index).name; }

    [[gnu::hot]] void bind(int index, const Value &value) override
    {
        if (index < 0 || index >= parameterCount())
            raise(-201, {}, -1);
        m_values[index] = value;
    }

    void bind(const std::string &name, const Value &value) override
    {
        bool found = false;
        for (size_t i = 0; i < m_params.size(); ++i) {
            if (m_params[i].name == name) {
                m_values[i] = value;
                found = true;
            }
        }
        if (!found)
            raise(-201, name, -1);
    }

    [[gnu::hot]] void execute() override
    {
        close();
        Sqlca &ca = m_s.mutableSqlca();
        ca = Sqlca{};
        m_rowsAffected = 0;
        try {
            for (size_t i = 0; i < m_script->size(); ++i) {
                // A Stop that came before this statement began.
                if (m_s.interruptRequested())
                    raise(-213, {}, (*m_script)[i]->start);
                const ast::Statement &stmt = *(*m_script)[i];
                // Inside a transaction nothing is opened: no lookups of the table.
                const bool opened = !m_s.inTransaction() && writes(m_s, stmt) && !atomicAlone(m_s, stmt)
                    && m_s.beginWrite(stmt.start);
                try {
                    runOne(i, i + 1 == m_script->size());
                } catch (...) {
                    m_s.endWrite(opened, false, stmt);
                    throw;
                }
                m_s.endWrite(opened, true, stmt);
            }
        } catch (const EngineError &e) {
            m_s.syncTransaction();
            fail(e.info());
            throw;
        }
    }

    bool hasResultSet() const override { return m_cursor != nullptr || m_noRows || m_routineRows; }
    const std::vector<ColumnDescription> &columns() const override { return m_columns; }

    bool next() override { return step(nullptr); }
    bool next(RowSink &sink) override { return step(&sink); }

    const Value &value(int column) const override { return m_row.at(column); }

private:
    bool step(RowSink *sink)
    {
        if (m_routineRows) {
            Sqlca &ca = m_s.mutableSqlca();
            if (m_routinePos >= m_routineResult.rows.size()) {
                m_routineRows = false;
                if (m_restFailure) {
                    const ErrorInfo e = *m_restFailure;
                    m_restFailure.reset();
                    fail(e);
                    throw EngineError(e);
                }
                ca.sqlcode = 100;
                return false;
            }
            m_row = std::move(m_routineResult.rows[m_routinePos++]);
            m_row.resize(m_columns.size());
            ca.sqlcode = 0;
            ca.sqlerrd[2] = ++m_fetched;
            if (sink)
                for (size_t c = 0; c < m_row.size(); ++c)
                    emitValue(*sink, static_cast<int>(c), m_row[c]);
            return true;
        }
        if (!m_cursor) {
            if (m_noRows)
                m_s.mutableSqlca().sqlcode = 100;
            m_noRows = false;
            return false;
        }
        int rc = sqlite3_step(m_cursor);
        Sqlca &ca = m_s.mutableSqlca();
        if (rc == SQLITE_ROW) {
            if (sink) {
                for (size_t c = 0; c < m_columns.size(); ++c)
                    emitColumn(*sink, m_cursor, static_cast<int>(c), m_plans[c], m_scratch);
            } else {
                for (size_t c = 0; c < m_columns.size(); ++c)
                    convertInto(m_row[c], m_cursor, static_cast<int>(c), m_plans[c]);
            }
            ++m_fetched;
            ca.sqlcode = 0;
            ca.sqlerrd[2] = m_fetched;
            return true;
        }
        if (rc == SQLITE_DONE) {
            ca.sqlcode = 100;
            dropCursor();
            return false;
        }
        dropCursor();
        try {
            m_s.raiseSqliteError(rc, *(*m_script)[m_cursorIndex], 0);
        } catch (const EngineError &e) {
            fail(e.info());
            throw;
        }
    }

public:
    [[gnu::hot]] void close() override
    {
        dropCursor();
        m_noRows = false;
        m_routineRows = false;
        if (!m_routineResult.rows.empty() || !m_routineResult.columns.empty()) [[unlikely]]
            m_routineResult = {};
        m_restFailure.reset();
        m_columns.clear();
        m_row.clear();
        m_fetched = 0;
    }

    std::int64_t rowsAffected() const override { return m_rowsAffected; }

private:
    struct ParamRef {
        int statement;
        int local;  // 1-based within its statement
        std::string name;
    };

    void fail(const ErrorInfo &e) { m_s.recordError(e); }

    void dropCursor()
    {
        if (!m_cursor)
            return;
        sqlite3_reset(m_cursor);
        m_cursor = nullptr;
        m_s.removeReader(this);
    }

    // The cursor's remaining rows go where a routine's rows wait to be
    // handed out; a failure on the way is raised after the rows before it.
    void readRest() override
    {
        std::vector<std::vector<Value>> rows;
        int rc;
        while ((rc = sqlite3_step(m_cursor)) == SQLITE_ROW) {
            std::vector<Value> &row = rows.emplace_back(m_columns.size());
            for (size_t c = 0; c < m_columns.size(); ++c)
                convertInto(row[c], m_cursor, static_cast<int>(c), m_plans[c]);
        }
        if (rc != SQLITE_DONE) {
            try {
                m_s.raiseSqliteError(rc, *(*m_script)[m_cursorIndex], 0);
            } catch (const EngineError &e) {
                m_restFailure = e.info();
            }
        }
        dropCursor();
        m_routineResult.rows = std::move(rows);
        m_routinePos = 0;
        m_routineRows = true;
    }

    // What runs once per preparation or only for some statements stays out
    // of runOne's line: a LOAD runs runOne for every row, and the code it
    // passes through competes with SQLite's own for the instruction cache.
    // The functions every row passes are marked hot, which puts them next
    // to each other in the binary (some 5% of a LOAD's time).
    [[gnu::noinline]] void runRoutine(size_t i, const ast::Statement &stmt, bool last)
    {
        std::vector<Value> params;
        for (size_t g = 0; g < m_params.size(); ++g)
            if (m_params[g].statement == static_cast<int>(i))
                params.push_back(m_values[g]);
        spl::ResultRows result = m_s.splRuntime().execute(static_cast<const ast::RoutineStatement &>(stmt), params);
        if (last && result.hasResultSet) {
            m_routineResult = std::move(result);
            m_routinePos = 0;
            m_routineRows = true;
            m_columns = m_routineResult.columns;
            m_row.assign(m_columns.size(), Value::null());
        }
    }

    [[gnu::noinline]] void prepareOne(size_t i, const ast::Statement &stmt, Prepared &p, std::uint64_t stamp)
    {
        sqlite3_finalize(p.stmt);
        sqlite3_finalize(p.wrapped);
        p.stmt = p.wrapped = nullptr;
        if (stmt.kind != ast::StmtKind::Select)
            m_s.splRuntime().syncTriggers();
        p.translation = *m_s.translation(m_text, i, stmt, stamp);
        const Translation &t = p.translation;
        p.params.clear();
        p.serials = false;
        for (size_t g = 0; g < m_params.size(); ++g) {
            if (m_params[g].statement != static_cast<int>(i))
                continue;
            PreparedParam pp;
            pp.global = static_cast<int>(g);
            pp.local = m_params[g].local;
            for (size_t k = 0; k < t.storeTypes.size(); ++k)
                if (t.storeTypes[k].param == pp.local && pp.store < 0)
                    pp.store = static_cast<int>(k);
            p.serials = p.serials || (pp.store >= 0 && t.storeTypes[size_t(pp.store)].serialColno);
            p.params.push_back(pp);
        }
        prepareText(t.plainSql.empty() ? t.sql : t.plainSql, &p.stmt, stmt, stamp);
        p.stamp = stamp;
    }

    // SET EXPLAIN ON: the plan is written; true when nothing is to run (AVOID_EXECUTE).
    [[gnu::noinline]] bool explainOnly(const ast::Statement &stmt, const Prepared &p, bool last)
    {
        if (!explain::beforeRun(m_s, stmt, m_text, p.translation))
            return false;
        if (p.translation.returnsRows && p.translation.intoTemp.empty() && last) {
            m_columns = p.translation.columns;
            m_row.assign(m_columns.size(), Value::null());
            m_noRows = true;
        }
        return true;
    }

    [[gnu::hot]] void runOne(size_t i, bool last)
    {
        const ast::Statement &stmt = *(*m_script)[i];
        using K = ast::StmtKind;
        m_s.functions().clockValid = false;
        if (stmt.kind == K::ExecuteRoutine) [[unlikely]] {
            runRoutine(i, stmt, last);
            return;
        }
        if (stmt.kind == K::Merge) [[unlikely]] {
            runMerge(i, stmt);
            return;
        }
        if (stmt.kind != K::Select && stmt.kind != K::Insert && stmt.kind != K::Update && stmt.kind != K::Delete) {
            m_s.executeOther(stmt, m_text);
            return;
        }
        Prepared &p = m_prepared[i];
        std::uint64_t stamp = m_s.schemaStamp();
        if (!p.stmt || p.stamp != stamp) [[unlikely]]
            prepareOne(i, stmt, p, stamp);
        if (m_s.explainSettings().on && explainOnly(stmt, p, last)) [[unlikely]]
            return;
        // Parameters stored into columns are converted here; one that does
        // not convert sends the whole row through the wrapped statement.
        sqlite3_stmt *run = p.stmt;
        const auto &stores = p.translation.storeTypes;
        m_s.resetLastSerial();
        bool converted = true;
        for (size_t k = 0; k < p.params.size() && !stores.empty(); ++k) {
            PreparedParam &pp = p.params[k];
            pp.converted = false;
            if (pp.store < 0)
                continue;
            const Value &in = m_values[pp.global];
            const Translation::StoredParam &sp = stores[pp.store];
            // A SERIAL's counter is stepped here only inside a transaction,
            // where it is held in memory; otherwise quodlin_serial steps it
            // within the statement's own write.
            const Stored r = ((sp.rowKey || sp.serialColno) && in.kind == Value::Kind::Null)
                    || (sp.serialColno && !m_s.inTransaction())
                ? Stored::Failed
                : storeBound(in, sp.type, m_s.environment(), m_bound[pp.global]);
            if (r == Stored::Failed) {
                converted = false;
                break;
            }
            pp.converted = r == Stored::Converted;
        }
        // Counters step once every value has converted, so a row sent
        // through the wrapped statement does not step them twice.
        for (size_t k = 0; k < p.params.size() && converted && p.serials; ++k) {
            PreparedParam &pp = p.params[k];
            if (pp.store < 0 || !stores[pp.store].serialColno)
                continue;
            const Translation::StoredParam &sp = stores[pp.store];
            const std::int64_t given = (pp.converted ? m_bound[pp.global] : m_values[pp.global]).integer;
            Value &bound = m_bound[pp.global];
            bound.integer = m_s.serialValue(sp.serialTabid, sp.serialColno, given);
            bound.kind = Value::Kind::Integer;
            pp.converted = true;
        }
        const bool plain = !stores.empty() && converted;
        if (!stores.empty() && !converted) {
            if (!p.wrapped)
                prepareText(p.translation.sql, &p.wrapped, stmt, p.stamp);
            run = p.wrapped;
        }
        // Every parameter of the statement is bound below, so no clear_bindings.
        sqlite3_reset(run);
        const Translation &tr0 = p.translation;
        const bool becomesCursor = tr0.returnsRows && tr0.intoTemp.empty() && last;
        const sqlite3_destructor_type keep = becomesCursor ? SQLITE_TRANSIENT : SQLITE_STATIC;
        for (const PreparedParam &pp : p.params)
            bindValue(run, pp.local, plain && pp.converted ? m_bound[pp.global] : m_values[pp.global], keep);
        FunctionContext &fc = m_s.functions();
        const Translation &tr = p.translation;
        if (tr.returnsRows && tr.intoTemp.empty()) [[unlikely]] {
            startRows(i, stmt, run, tr, last);
            return;
        }
        auto step = [&] {
            int rc;
            while ((rc = sqlite3_step(run)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) {
                int code = rc;
                m_s.raiseSqliteError(code, stmt, tr.targetTabid);
            }
            if (!tr.tempSelect.empty())
                fillTempTable(tr, p.params, stmt);
            // Read before AFTER trigger actions run statements of their own.
            m_rowsAffected = sqlite3_changes64(m_s.db());
        };
        if (stmt.kind == K::Select)
            step();
        else
            m_s.splRuntime().runDml(stmt, tr.targetTabid, step);
        Sqlca &ca = m_s.mutableSqlca();
        ca.sqlerrd[2] = m_rowsAffected;
        ca.sqlerrd[1] = m_s.lastSerial();
        ca.sqlerrd[5] = sqlite3_last_insert_rowid(m_s.db());
        ca.sqlcode = (m_rowsAffected == 0 && stmt.kind != K::Insert && stmt.kind != K::Select) ? 100 : 0;
        fc.sqlerrd1 = m_s.lastSerial();
        fc.sqlerrd2 = m_rowsAffected;
        if (!tr.intoTemp.empty()) [[unlikely]] {
            m_s.catalog().forgetSchemaVersion();
            ddl::registerTempTable(m_s, tr.intoTemp, tr.tempColumns, stmt.start);
            sqlite3_finalize(p.stmt);
            p.stmt = nullptr;
        }
    }

    // A SELECT's rows: the last statement's become the cursor, an earlier
    // one's are read and dropped.
    [[gnu::noinline]] void startRows(size_t i, const ast::Statement &stmt, sqlite3_stmt *run, const Translation &tr,
                                     bool last)
    {
        if (!last) {
            int rc;
            while ((rc = sqlite3_step(run)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                m_s.raiseSqliteError(rc, stmt, 0);
            return;
        }
        m_cursor = run;
        m_s.addReader(this);
        m_cursorIndex = i;
        m_columns = tr.columns;
        m_row.assign(m_columns.size(), Value::null());
        m_plans.clear();
        for (const ColumnDescription &c : m_columns)
            m_plans.push_back(fetchPlan(c));
    }

    void prepareText(const std::string &sql, sqlite3_stmt **out, const ast::Statement &stmt,
                     std::uint64_t stamp = 0)
    {
        if (stamp && (*out = m_s.reusePrepared(sql, stamp)))
            return;
        if (sqlite3_prepare_v2(m_s.db(), sql.c_str(), -1, out, nullptr) == SQLITE_OK)
            return;
        const std::string msg = sqlite3_errmsg(m_s.db());
        if (const std::string limit = sql::limitReached(msg); !limit.empty())
            raise(-9622, limit, stmt.start);
        if ((sqlite3_errcode(m_s.db()) & 0xFF) == SQLITE_BUSY)
            raise(-244, {}, stmt.start, -154);
        if (sql::isFileFailure(sqlite3_extended_errcode(m_s.db())))
            sql::raiseFileFailure(m_s.db(), sqlite3_extended_errcode(m_s.db()), 0, stmt.start);
        if ((sqlite3_errcode(m_s.db()) & 0xFF) == SQLITE_NOMEM)
            raise(-208, {}, stmt.start);
        const std::string_view text = std::string_view(m_text).substr(std::size_t(stmt.start), std::size_t(stmt.end - stmt.start));
        sql::raiseRefused(msg, text, stmt.start);
    }

    // MERGE: its steps one after the other under a savepoint of their own,
    // so a failing step undoes the ones before it also inside a transaction.
    void runMerge(size_t i, const ast::Statement &stmt)
    {
        m_s.splRuntime().syncTriggers();
        const Translation tr = *m_s.translation(m_text, i, stmt, m_s.schemaStamp());
        if (m_s.explainSettings().on && explain::beforeRun(m_s, stmt, m_text, tr))
            return;
        FunctionContext &fc = m_s.functions();
        fc.mergeMatched.clear();
        fc.mergeInserted.clear();
        fc.mergeTarget = tr.targetTable;
        m_s.resetLastSerial();
        std::int64_t changed = 0;
        sqlite3 *db = m_s.db();
        auto run = [&] {
            sql::exec(db, "SAVEPOINT quodlin_merge");
            sqlite3_stmt *st = nullptr;
            try {
                for (const std::string &step : tr.steps) {
                    prepareText(step, &st, stmt);
                    for (size_t g = 0; g < m_params.size(); ++g)
                        if (m_params[g].statement == static_cast<int>(i))
                            bindValue(st, m_params[g].local, m_values[g], SQLITE_STATIC);
                    int rc;
                    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                        fc.mergeInserted.insert(sqlite3_column_int64(st, 0));
                    if (rc != SQLITE_DONE)
                        m_s.raiseSqliteError(rc, stmt, tr.targetTabid);
                    if (!sqlite3_stmt_readonly(st))
                        changed += sqlite3_changes64(db);
                    sqlite3_finalize(st);
                    st = nullptr;
                }
            } catch (...) {
                sqlite3_finalize(st);
                sqlite3_exec(db, "ROLLBACK TO quodlin_merge", nullptr, nullptr, nullptr);
                sqlite3_exec(db, "RELEASE quodlin_merge", nullptr, nullptr, nullptr);
                throw;
            }
            sql::exec(db, "RELEASE quodlin_merge");
        };
        m_s.splRuntime().runDml(stmt, tr.targetTabid, run);
        m_rowsAffected = changed;
        Sqlca &ca = m_s.mutableSqlca();
        ca.sqlerrd[2] = changed;
        ca.sqlerrd[1] = m_s.lastSerial();
        ca.sqlerrd[5] = sqlite3_last_insert_rowid(db);
        ca.sqlcode = changed == 0 ? 100 : 0;
        fc.sqlerrd1 = m_s.lastSerial();
        fc.sqlerrd2 = changed;
    }

    // SELECT ... INTO TEMP: the rows go into the table just declared. A
    // failure drops the table again, so nothing half made remains.
    void fillTempTable(const Translation &tr, const std::vector<PreparedParam> &params, const ast::Statement &stmt)
    {
        const std::string table = "temp." + sql::quote(tr.intoTemp);
        sqlite3_stmt *fill = nullptr;
        try {
            prepareText("INSERT INTO " + table + " " + tr.tempSelect, &fill, stmt);
            for (const PreparedParam &pp : params)
                bindValue(fill, pp.local, m_values[pp.global], SQLITE_STATIC);
            int rc;
            while ((rc = sqlite3_step(fill)) == SQLITE_ROW) {
            }
            // Reported before finalize and DROP TABLE replace the error text.
            if (rc != SQLITE_DONE)
                m_s.raiseSqliteError(rc, stmt, 0);
        } catch (...) {
            sqlite3_finalize(fill);
            sqlite3_exec(m_s.db(), ("DROP TABLE " + table).c_str(), nullptr, nullptr, nullptr);
            throw;
        }
        sqlite3_finalize(fill);
    }

    SessionImpl &m_s;
    std::weak_ptr<const bool> m_sessionLifetime;
    std::string m_text;
    std::shared_ptr<const ast::Script> m_script;
    std::vector<ParamRef> m_params;
    std::vector<Value> m_values;
    std::vector<Value> m_bound;  // m_values converted for a plain INSERT
    std::vector<Prepared> m_prepared;
    sqlite3_stmt *m_cursor = nullptr;
    bool m_noRows = false;  // a result set that was not run (AVOID_EXECUTE)
    // EXECUTE PROCEDURE | FUNCTION: the routine's rows, handed out in order.
    bool m_routineRows = false;
    spl::ResultRows m_routineResult;
    size_t m_routinePos = 0;
    std::optional<ErrorInfo> m_restFailure;  // where the rows read ahead by readRest stopped
    size_t m_cursorIndex = 0;
    std::vector<ColumnDescription> m_columns;
    std::vector<FetchPlan> m_plans;  // one per column of m_columns while a cursor is open
    std::vector<Value> m_row;
    Value m_scratch;  // a value converted on its way to a RowSink
    std::int64_t m_fetched = 0;
    std::int64_t m_rowsAffected = 0;
};

} // namespace

bool Statement::next(RowSink &sink)
{
    if (!next())
        return false;
    for (size_t c = 0; c < columns().size(); ++c)
        emitValue(sink, static_cast<int>(c), value(static_cast<int>(c)));
    return true;
}

std::unique_ptr<Statement> SessionImpl::prepare(const std::string &text)
{
    try {
        return std::make_unique<StatementImpl>(*this, text);
    } catch (const EngineError &e) {
        m_sqlca = Sqlca{};
        recordError(e.info());
        throw;
    }
}

void SessionImpl::execute(const std::string &text)
{
    auto st = prepare(text);
    st->execute();
    // Rows are discarded but still produced, so their errors surface.
    while (st->next()) {
    }
    st->close();
}

} // namespace quodlin::engine
