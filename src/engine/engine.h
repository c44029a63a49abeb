#pragma once
// Public interface of the embedded Informix-dialect engine.
//
// A database is one SQLite file that holds the user's tables and an Informix
// system catalog kept up to date by every DDL statement. A Session is one
// connection of one user to one database file with its Informix environment;
// several sessions may have the same file open at once. Statements are typed
// in the Informix dialect, parsed by the engine's own parser and translated to
// SQLite; failures raise EngineError with Informix numbers and offsets.
#include "engine/error.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quodlin::engine {

// The per-session environment (the Informix environment variables honoured).
struct Environment {
    std::string dbdate = "MDY4/";
    std::string dbcentury = "R";
    bool delimident = false;            // true: "x" is an identifier, not a string
    std::string dbmoney = "$.";
    std::string informixServer = "local";  // what DBSERVERNAME/SITENAME return
    std::string explainFile;            // default SET EXPLAIN target; empty: sqexplain.out in the working folder
};

// A value crossing the interface. DATE values are day numbers (days since
// 1899-12-31, as Informix stores them); DECIMAL and MONEY are exact decimal
// text at the column's scale ("12.50"); DATETIME and INTERVAL are text in their
// qualifier's canonical form; BOOLEAN is Integer 0/1; BYTE is Blob; TEXT is Text.
struct Value {
    enum class Kind { Null, Integer, Float, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;  // Text and Blob bytes

    static Value null() { return {}; }
    static Value fromInt(std::int64_t v) { Value x; x.kind = Kind::Integer; x.integer = v; return x; }
    static Value fromDouble(double v) { Value x; x.kind = Kind::Float; x.real = v; return x; }
    static Value fromText(std::string v) { Value x; x.kind = Kind::Text; x.text = std::move(v); return x; }
    static Value fromBlob(std::string v) { Value x; x.kind = Kind::Blob; x.text = std::move(v); return x; }
    bool isNull() const { return kind == Kind::Null; }
};

// How a result column describes itself, as an Informix result-set description does.
struct ColumnDescription {
    std::string name;        // column name or label; "(expression)", "(count(*))" etc. for unnamed ones
    int coltype = 0;         // Informix type code without the NOT NULL flag (0 CHAR, 2 INTEGER, 7 DATE, ...)
    int collength = 0;       // encoded length as in syscolumns.collength
    bool nullable = true;
    int extendedId = 0;
    std::string tableName;   // base table when the column is a plain column of one table, else empty
};

// The SQL communication area after the last statement of a session.
struct Sqlca {
    int sqlcode = 0;                 // 0 success, 100 no (more) rows, < 0 error
    std::string sqlerrm;             // the %s argument of the last error
    std::int64_t sqlerrd[6] = {};    // [1] SERIAL value inserted or ISAM code; [2] rows processed; [4] error offset
    char sqlwarn[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
};

class Statement;

// Takes a fetched row's values one column at a time, in order. Text and
// blob bytes point into the database's own buffers: valid during the call.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void null(int column) = 0;
    virtual void integer(int column, std::int64_t v) = 0;
    virtual void real(int column, double v) = 0;
    virtual void text(int column, std::string_view v) = 0;
    virtual void blob(int column, std::string_view v) = 0;
};

class Session {
public:
    // Creates a new database file and its catalog; `user` becomes its DBA.
    // Raises -330 when the file exists (a database is never overwritten).
    static void createDatabase(const std::string &path, const std::string &user);
    // Opens an existing database file for `user`; -329 when it does not exist.
    static std::unique_ptr<Session> open(const std::string &path, const std::string &user,
                                         const Environment &env = {});
    virtual ~Session() = default;

    // Prepares a text that may hold several statements separated by semicolons;
    // `:name` and `?` mark parameters.
    virtual std::unique_ptr<Statement> prepare(const std::string &text) = 0;
    // Prepare + execute without parameters, discarding any rows.
    virtual void execute(const std::string &text) = 0;

    // Stops the statement running in this session from any thread (-213).
    // A Stop that comes before a statement has begun stops the next one to
    // begin: it holds until a statement fails with -213 or clearInterrupt.
    virtual void interrupt() = 0;
    // Forgets a Stop no statement has seen (a new run begins, or one ended).
    virtual void clearInterrupt() = 0;

    virtual const Sqlca &sqlca() const = 0;
    virtual const Environment &environment() const = 0;
    virtual void setEnvironment(const Environment &env) = 0;
    virtual const std::string &user() const = 0;
    virtual const std::string &databasePath() const = 0;
    // The database name as DBINFO('dbname') gives it (the file's base name).
    virtual std::string databaseName() const = 0;
    virtual bool inTransaction() const = 0;
};

class Statement {
public:
    virtual ~Statement() = default;

    // Parameters in order of appearance; a `?` has an empty name.
    virtual int parameterCount() const = 0;
    virtual std::string parameterName(int index) const = 0;   // 0-based
    virtual void bind(int index, const Value &value) = 0;      // 0-based
    virtual void bind(const std::string &name, const Value &value) = 0;  // every :name occurrence

    // Runs the statement(s). When the (last) statement returns rows, a
    // forward cursor is open afterwards.
    virtual void execute() = 0;
    virtual bool hasResultSet() const = 0;
    virtual const std::vector<ColumnDescription> &columns() const = 0;
    // Advances the cursor; false at the end (sqlcode 100).
    virtual bool next() = 0;
    // next(), the row's values handed to `sink` without being copied into
    // value(), which is not set by this call. For readers of many rows.
    virtual bool next(RowSink &sink);
    virtual const Value &value(int column) const = 0;
    virtual void close() = 0;

    virtual std::int64_t rowsAffected() const = 0;
};

// The text Informix tools show for a value of the described type under the
// session's environment (DBDATE, DBMONEY...): dates formatted, decimals at
// their scale, money with its currency symbol when `withCurrency`.
std::string displayText(const Value &value, const ColumnDescription &column,
                        const Environment &env, bool withCurrency = false);

} // namespace quodlin::engine
