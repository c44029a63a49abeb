#pragma once
// Syntax tree of the Informix SQL dialect: what the parser builds and what the
// translator (queries and DML) and the session (DDL, session statements)
// consume. Names are already folded to lower case (delimited identifiers keep
// their case); every node keeps the offset of its first character in the
// whole script so errors can point at it. Plain structs with owning pointers:
// a catalog statement makes a few hundred nodes, well inside the parse budget.
#include "engine/token.h"
#include "engine/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quodlin::engine::ast {

// DATETIME / INTERVAL qualifier with the unit codes of datetime.h:
// YEAR 0, MONTH 2, DAY 4, HOUR 6, MINUTE 8, SECOND 10, FRACTION 12 as start;
// FRACTION(n) as end is 10 + n (FRACTION alone = FRACTION(3) = 13).
struct DtQualifier {
    int start = -1;
    int end = -1;
    int leading = -1;  // INTERVAL leading precision written as `DAY(3)`; -1 default
    bool valid() const { return start >= 0; }
};

enum Unit : int { UnitYear = 0, UnitMonth = 2, UnitDay = 4, UnitHour = 6, UnitMinute = 8,
                  UnitSecond = 10, UnitFraction = 12 };

// A column type as written in DDL or CAST: the catalog encoding (coltype base
// code, collength, extended id as syscolumns stores them) plus how it was spelt.
struct TypeName {
    TypeDesc desc;
    int offset = 0;
    DtQualifier qualifier;   // DATETIME / INTERVAL as written
    bool floatingDecimal = false;  // DECIMAL without scale (DECIMAL(p) floating point)
    std::string spelling;    // lower case, e.g. "double precision", "int"
    // SET/MULTISET/LIST: the element type; ROW(...): the fields, named in
    // fieldNames; a named ROW type: its name (the catalog resolves it).
    std::vector<TypeName> members;
    std::vector<std::string> fieldNames;
    std::string rowTypeName;
};

struct SelectStmt;
struct WindowSpec;
struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

enum class ExprKind : std::uint8_t {
    Null,         // NULL
    Integer,      // text = digits
    Number,       // text = literal with point/exponent
    String,       // text = contents
    Column,       // [owner.][table.]text; text "rowid" may be the pseudo column
    Star,         // * or table.*
    Param,        // paramIndex (1-based in the statement), text = name or empty
    Unary,        // op Minus/Plus, args[0]
    Binary,       // op Plus/Minus/Star/Slash/Concat, args[0], args[1]
    Compare,      // op Eq/Ne/Lt/Le/Gt/Ge
    And, Or,      // args[0], args[1]
    Not,          // args[0]
    IsNull,       // args[0]; negated = IS NOT NULL
    Between,      // args[0] BETWEEN args[1] AND args[2]
    InList,       // args[0] IN (args[1..])
    InSelect,     // args[0] IN (select)
    Exists,       // EXISTS (select)
    Subquery,     // scalar (select)
    Quantified,   // args[0] op ANY|SOME|ALL (select); all = ALL
    Like,         // args[0] LIKE args[1] [ESCAPE args[2]]
    Matches,      // args[0] MATCHES args[1] [ESCAPE args[2]]
    Function,     // text = name, args; distinct; star for COUNT(*); qualifier for EXTEND
    Case,         // [operand] (when then)* [else]; hasOperand, hasElse
    Cast,         // args[0] AS castType (CAST or ::)
    Substring,    // args[0][args[1], args[2]] (args[2] absent: one character)
    Constant,     // text = user|current_user|today|current|sysdate|dbservername|sitename; qualifier for CURRENT
    Datetime,     // DATETIME (text) qualifier
    Interval,     // INTERVAL (text) qualifier
    Units,        // args[0] UNITS qualifier.start
    Sequence,     // table = sequence name, text = nextval|currval
    Trim,         // text = both|leading|trailing; args[0] source, args[1] pad (optional)
    Prior,        // PRIOR args[0] (CONNECT BY: the parent row's value)
    ConnectByRoot, // CONNECT_BY_ROOT args[0] (the root row's value)
    Collection,   // text = set|multiset|list; args = elements
    RowValue,     // ROW(args)
};

struct Expr {
    ExprKind kind = ExprKind::Null;
    TokenKind op = TokenKind::End;
    bool negated = false;
    bool distinct = false;
    bool star = false;
    bool all = false;
    bool hasOperand = false;
    bool hasElse = false;
    int offset = 0;
    int paramIndex = 0;
    std::string text;
    std::string table;   // qualifier of a column or star: table name or alias
    std::string owner;   // owner of that table when written owner.table.column
    std::vector<ExprPtr> args;
    DtQualifier qualifier;
    std::unique_ptr<TypeName> castType;
    std::unique_ptr<SelectStmt> select;
    std::unique_ptr<WindowSpec> over;   // Function: OVER (...) of an OLAP window function

    // Nodes are recycled through a per-thread free list: a catalog statement
    // makes a few hundred, and malloc's small-bin path cost a sixth of a parse.
    static void *operator new(std::size_t size);
    static void operator delete(void *p, std::size_t size) noexcept;
};

// [database[@server]:][owner.]name
struct ObjectName {
    std::string database;
    std::string server;
    std::string owner;
    std::string name;
    int offset = 0;
    bool empty() const { return name.empty(); }
};

struct SelectItem {
    ExprPtr expr;
    std::string alias;   // display label, empty when none
    int offset = 0;
};

enum class JoinType : std::uint8_t { Inner, Left, Right, Full, Cross };

struct FromItem {
    enum class Kind : std::uint8_t { Table, Outer, Join, Derived };
    Kind kind = Kind::Table;
    int offset = 0;
    ObjectName table;                       // Table
    std::string alias;                      // Table, Derived
    std::vector<FromItem> members;          // Outer: the subservient group (may hold Outer items)
    std::unique_ptr<FromItem> left, right;  // Join
    JoinType join = JoinType::Inner;
    ExprPtr on;                             // Join (absent for CROSS)
    std::unique_ptr<SelectStmt> derived;    // Derived: (select) alias
};

struct OrderItem {
    ExprPtr expr;
    bool desc = false;
    int nulls = 0;  // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

// OVER ([PARTITION BY ...] [ORDER BY ...] [ROWS|RANGE frame]) of an OLAP
// function. A frame bound is UNBOUNDED PRECEDING/FOLLOWING, CURRENT ROW or
// n PRECEDING/FOLLOWING.
struct FrameBound {
    enum class Kind : std::uint8_t { UnboundedPreceding, Preceding, CurrentRow, Following, UnboundedFollowing };
    Kind kind = Kind::CurrentRow;
    ExprPtr offset;
};

struct WindowSpec {
    std::vector<ExprPtr> partition;
    std::vector<OrderItem> order;
    bool hasFrame = false;
    bool rows = false;   // ROWS, else RANGE
    FrameBound start, end;
};

// One SELECT block (a combined query has several).
struct SelectCore {
    int offset = 0;
    ExprPtr skip, first;   // SKIP n, FIRST n / LIMIT n
    bool distinct = false; // DISTINCT or UNIQUE
    std::vector<SelectItem> items;
    std::vector<FromItem> from;
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
    // START WITH / CONNECT BY [NOCYCLE] of a hierarchical query.
    ExprPtr startWith, connectBy;
    bool noCycle = false;
    int connectOffset = 0;
    // A parenthesised combined query in the place of this block
    // (`a UNION (b INTERSECT c)`); the fields above are then unused.
    std::unique_ptr<SelectStmt> nested;
};

// The set operators between query blocks: one precedence, left to right.
enum class SetOp : std::uint8_t { Union, UnionAll, Intersect, Except };

// WITH name [(columns)] AS (query): a table the statement's query reads.
struct CommonTable {
    std::string name;
    std::vector<std::string> columns;  // empty: the query's own names
    std::unique_ptr<SelectStmt> query;
    int offset = 0;
};

struct SelectStmt {
    std::vector<CommonTable> with;  // in order: each may read those before it
    std::vector<SelectCore> cores;
    std::vector<SetOp> setOps;    // cores.size() - 1 entries
    std::vector<OrderItem> orderBy;
    bool orderSiblings = false;   // ORDER SIBLINGS BY: orderBy orders the children of each row
    ExprPtr limit;                // trailing LIMIT n
    std::string intoTemp;         // INTO TEMP name
    int intoTempOffset = 0;
    bool withNoLog = false;
};

// ---------------------------------------------------------------- statements

enum class StmtKind : std::uint8_t {
    Select, Insert, Update, Delete, Merge,
    CreateTable, DropTable, AlterTable, Rename, CreateIndex, DropIndex, AlterIndex,
    CreateSequence, AlterSequence, DropSequence, Truncate,
    Begin, Commit, Rollback,
    SetIsolation, SetLockMode, SetExplain, SetOther, LockTable, UnlockTable,
    Database, CloseDatabase, CreateDatabase, DropDatabase, UpdateStatistics,
    // Recognised; carried out by a later stage of the engine.
    CreateView, DropView, CreateSynonym, DropSynonym, CreateRoutine, DropRoutine,
    CreateTrigger, DropTrigger, CreateRole, DropRole, Grant, Revoke, ExecuteRoutine, SetRole,
    CreateRowType, DropRowType,
};

struct Param {
    std::string name;  // empty for `?`
    int offset = 0;
};

struct Statement {
    explicit Statement(StmtKind k) : kind(k) {}
    virtual ~Statement() = default;
    StmtKind kind;
    int start = 0;   // offset of the first token in the whole text
    int end = 0;     // offset just past the last token (the `;` excluded)
    std::vector<Param> params;  // in order of appearance; Expr::paramIndex points here (1-based)
};
using StatementPtr = std::unique_ptr<Statement>;

struct SelectStatement : Statement {
    SelectStatement() : Statement(StmtKind::Select) {}
    SelectStmt select;
};

struct ColumnRef {
    std::string name;
    int offset = 0;
};

struct InsertStatement : Statement {
    InsertStatement() : Statement(StmtKind::Insert) {}
    ObjectName table;
    std::vector<ColumnRef> columns;          // empty: all columns in order
    std::vector<ExprPtr> values;             // VALUES (...)
    std::unique_ptr<SelectStmt> select;      // INSERT ... SELECT
};

struct Assignment {
    ColumnRef column;
    ExprPtr value;
    // SET (a, b) = (SELECT x, y ...): the group's first assignment holds the
    // subquery and how many columns it fills (the others have no value);
    // under SET * = (SELECT ...) the one assignment fills every column.
    bool rowSubquery = false;
    int rowColumns = 0;
};

struct UpdateStatement : Statement {
    UpdateStatement() : Statement(StmtKind::Update) {}
    ObjectName table;
    std::string alias;
    std::vector<Assignment> assignments;  // SET (a, b) = (x, y) and SET * = (...) already paired
    bool setStar = false;                 // SET * = (...): columns left empty, filled by position
    ExprPtr where;
};

struct DeleteStatement : Statement {
    DeleteStatement() : Statement(StmtKind::Delete) {}
    ObjectName table;
    std::string alias;
    ExprPtr where;
};

// MERGE INTO target USING source ON condition with at most one WHEN MATCHED
// (UPDATE or DELETE) and one WHEN NOT MATCHED THEN INSERT, in either order.
struct MergeStatement : Statement {
    MergeStatement() : Statement(StmtKind::Merge) {}
    ObjectName table;
    std::string alias;
    FromItem source;                      // Table or Derived, with its alias
    std::vector<ColumnRef> sourceColumns; // USING (query) alias (columns)
    ExprPtr on;
    enum class Matched : std::uint8_t { None, Update, Delete };
    Matched matched = Matched::None;
    int matchedOffset = 0;
    std::vector<Assignment> assignments;  // WHEN MATCHED THEN UPDATE SET ..., paired as for UPDATE
    bool setStar = false;
    bool insert = false;
    int insertOffset = 0;
    std::vector<ColumnRef> insertColumns; // empty: all columns in order
    std::vector<ExprPtr> values;
};

// DEFAULT clause of a column.
struct DefaultValue {
    enum class Kind : std::uint8_t { None, Literal, Null, User, Today, Current, Server, Site };
    Kind kind = Kind::None;
    std::string text;     // Literal: the value's text (sign included, quotes removed)
    ExprKind literalKind = ExprKind::Null;  // Integer, Number, String, Datetime, Interval
    DtQualifier qualifier;                  // CURRENT q1 TO q2, DATETIME/INTERVAL literals
    int offset = 0;
};

struct Constraint {
    enum class Kind : std::uint8_t { NotNull, PrimaryKey, Unique, Check, ForeignKey };
    Kind kind = Kind::NotNull;
    int offset = 0;
    std::string name;                 // CONSTRAINT name (after the constraint, or ANSI before it)
    std::string owner;                // CONSTRAINT owner.name; empty: the creating user
    std::vector<ColumnRef> columns;   // table level; empty for a column constraint
    ExprPtr check;
    std::string checkText;            // CHECK condition as written, parentheses included
    ObjectName refTable;
    std::vector<ColumnRef> refColumns;
    bool onDeleteCascade = false;
    char mode = 'E';                  // E enabled, D disabled, F filtering
};

struct ColumnDef {
    std::string name;
    int offset = 0;
    TypeName type;
    DefaultValue defaultValue;
    std::vector<Constraint> constraints;  // column constraints in order written
    std::string before;                   // ALTER TABLE ADD ... BEFORE col
};

struct CreateTableStatement : Statement {
    CreateTableStatement() : Statement(StmtKind::CreateTable) {}
    bool temp = false;
    bool raw = false;
    bool ifNotExists = false;
    bool withNoLog = false;
    ObjectName table;
    std::vector<ColumnDef> columns;
    std::vector<Constraint> constraints;  // table level
    char lockMode = 0;                    // 'P', 'R' or 0 when not written
    int extentSize = -1, nextSize = -1;
};

enum class DropMode : std::uint8_t { Default, Cascade, Restrict };

// DROP TABLE / VIEW / INDEX / SEQUENCE / SYNONYM / TRIGGER / ROLE, TRUNCATE,
// UNLOCK TABLE: statements that name one object.
struct ObjectStatement : Statement {
    explicit ObjectStatement(StmtKind k) : Statement(k) {}
    ObjectName name;
    bool ifExists = false;
    DropMode mode = DropMode::Default;
};

struct AlterAction {
    enum class Kind : std::uint8_t { AddColumns, DropColumns, ModifyColumns, AddConstraints,
                                     DropConstraints, ModifyNextSize, LockMode, Other };
    Kind kind = Kind::Other;
    int offset = 0;
    std::vector<ColumnDef> columns;        // Add, Modify
    std::vector<ColumnRef> names;          // DropColumns, DropConstraints
    std::vector<Constraint> constraints;   // AddConstraints
    int size = -1;                         // MODIFY NEXT SIZE
    char lockMode = 0;                     // LOCK MODE (PAGE|ROW)
};

struct AlterTableStatement : Statement {
    AlterTableStatement() : Statement(StmtKind::AlterTable) {}
    ObjectName table;
    std::vector<AlterAction> actions;
};

struct RenameStatement : Statement {
    enum class What : std::uint8_t { Table, Column, Index, Sequence, Database };
    RenameStatement() : Statement(StmtKind::Rename) {}
    What what = What::Table;
    ObjectName object;     // Column: the table
    ColumnRef column;      // Column: the old column name
    std::string newName;
    int newNameOffset = 0;
};

struct IndexColumn {
    std::string name;
    int offset = 0;
    bool desc = false;
};

struct CreateIndexStatement : Statement {
    CreateIndexStatement() : Statement(StmtKind::CreateIndex) {}
    bool unique = false;
    bool cluster = false;
    bool ifNotExists = false;
    ObjectName index;
    ObjectName table;
    std::vector<IndexColumn> columns;
};

struct AlterIndexStatement : Statement {
    AlterIndexStatement() : Statement(StmtKind::AlterIndex) {}
    ObjectName index;
    bool cluster = false;
};

struct SequenceStatement : Statement {  // CREATE SEQUENCE and ALTER SEQUENCE
    explicit SequenceStatement(StmtKind k) : Statement(k) {}
    ObjectName name;
    bool ifNotExists = false;
    std::optional<std::int64_t> increment, start, restart, maxValue, minValue, cache;
    bool noMaxValue = false, noMinValue = false, noCache = false;
    std::optional<bool> cycle, order;
};

// BEGIN, COMMIT, ROLLBACK, CLOSE DATABASE and other statements without operands.
struct SimpleStatement : Statement {
    explicit SimpleStatement(StmtKind k) : Statement(k) {}
};

struct SetIsolationStatement : Statement {
    enum class Level : std::uint8_t { DirtyRead, CommittedRead, CursorStability, RepeatableRead };
    SetIsolationStatement() : Statement(StmtKind::SetIsolation) {}
    Level level = Level::CommittedRead;
    bool lastCommitted = false;
    bool retainUpdateLocks = false;
};

struct SetLockModeStatement : Statement {
    SetLockModeStatement() : Statement(StmtKind::SetLockMode) {}
    int waitSeconds = 0;   // 0 NOT WAIT, -1 WAIT without limit, n seconds
};

struct SetExplainStatement : Statement {
    enum class Mode : std::uint8_t { On, Off, AvoidExecute, File };
    SetExplainStatement() : Statement(StmtKind::SetExplain) {}
    Mode mode = Mode::On;
    bool appendFile = false;  // SET EXPLAIN FILE TO 'f' WITH APPEND
    std::string file;
};

// SET PDQPRIORITY, SET OPTIMIZATION, SET CONSTRAINTS, SET DEBUG FILE, SET ROLE, ...:
// accepted and without effect on a local file.
struct SetOtherStatement : Statement {
    explicit SetOtherStatement(StmtKind k = StmtKind::SetOther) : Statement(k) {}
    std::string what;   // first word after SET
    std::string value;  // SET ROLE name; SET DEBUG FILE TO path
    bool append = false;  // SET DEBUG FILE ... WITH APPEND
};

struct LockTableStatement : Statement {
    LockTableStatement() : Statement(StmtKind::LockTable) {}
    ObjectName table;
    bool exclusive = false;
};

struct DatabaseStatement : Statement {  // DATABASE, CREATE DATABASE, DROP DATABASE
    explicit DatabaseStatement(StmtKind k) : Statement(k) {}
    std::string name;
    bool exclusive = false;
    bool withLog = false, buffered = false, ansi = false;
};

struct UpdateStatisticsStatement : Statement {
    UpdateStatisticsStatement() : Statement(StmtKind::UpdateStatistics) {}
    std::string mode;        // low | medium | high | empty
    ObjectName table;        // empty: every table
    std::vector<ColumnRef> columns;
    bool forProcedure = false;
    ObjectName procedure;
};

struct CreateViewStatement : Statement {
    CreateViewStatement() : Statement(StmtKind::CreateView) {}
    ObjectName name;
    bool ifNotExists = false;
    std::vector<ColumnRef> columns;
    std::unique_ptr<SelectStmt> select;
    bool withCheckOption = false;
};

// CREATE ROW TYPE name (field type, ...): `fields` is an unnamed ROW type.
struct CreateRowTypeStatement : Statement {
    CreateRowTypeStatement() : Statement(StmtKind::CreateRowType) {}
    ObjectName name;
    bool ifNotExists = false;
    TypeName fields;
};

struct CreateSynonymStatement : Statement {
    CreateSynonymStatement() : Statement(StmtKind::CreateSynonym) {}
    bool isPublic = true;
    bool explicitScope = false;   // PUBLIC or PRIVATE written
    bool ifNotExists = false;
    ObjectName name;
    ObjectName target;
};

// CREATE PROCEDURE / FUNCTION (SPL body in spl_ast.h), CREATE TRIGGER,
// EXECUTE PROCEDURE, DROP PROCEDURE.
namespace spl { struct Body; }

struct RoutineStatement : Statement {
    explicit RoutineStatement(StmtKind k) : Statement(k) {}
    bool isFunction = false;
    bool dba = false;
    ObjectName name;          // routine or trigger name; DROP ROUTINE name
    ObjectName table;         // trigger table
    char event = 0;           // trigger event I U D S
    std::vector<ExprPtr> args;   // EXECUTE PROCEDURE arguments
    std::vector<ColumnRef> into; // EXECUTE ... INTO
    std::vector<TypeName> signature;  // DROP PROCEDURE p(types); CREATE: parameter types
    std::vector<std::string> paramNames;  // CREATE: parameter names
    std::vector<TypeName> returning;      // CREATE: RETURNING types
    std::vector<std::string> returningNames;  // CREATE: RETURNING ... AS name (empty when none)
    std::vector<DefaultValue> paramDefaults;  // CREATE: parameter DEFAULT (Kind::None when none)
    std::vector<std::string> argNames;    // EXECUTE: named argument p = v (empty when positional)
    bool withTriggerReferences = false;   // EXECUTE ... WITH TRIGGER REFERENCES
    bool headerParsed = false;            // CREATE: parameters and RETURNING understood
    std::vector<std::string> documents;   // CREATE routine: DOCUMENT texts
    std::string oldName, newName;         // CREATE TRIGGER: REFERENCING correlation names
    int headerEnd = -1;                   // CREATE TRIGGER: end of the header text (offset)
    std::shared_ptr<spl::Body> body;      // CREATE routine: the SPL body (spl_ast.h)
    bool ifNotExists = false;             // CREATE ... IF NOT EXISTS
    std::vector<StatementPtr> actions;    // CREATE TRIGGER: the action statements (WHEN conditions in args)
    std::vector<char> actionParts;        // CREATE TRIGGER: per action B before, R for each row, A after
    std::vector<int> actionWhen;          // CREATE TRIGGER: per action the index of its WHEN in args, -1 none
    std::vector<std::string> updateColumns;  // CREATE TRIGGER UPDATE OF columns
    bool insteadOf = false;               // CREATE TRIGGER ... INSTEAD OF (views)
    int oldOffset = -1, newOffset = -1;   // CREATE TRIGGER: the OLD / NEW keywords of REFERENCING
    int oldNameOffset = -1, newNameOffset = -1;
    bool forEachRow = false;              // CREATE TRIGGER: a FOR EACH ROW part exists
    std::string specificName;             // CREATE routine: SPECIFIC name
    int specificOffset = -1;
    bool specific = false;                // DROP SPECIFIC ...: name is the specific name
    char dropKind = 'R';                  // DROP: P procedure, F function, R routine
    bool ifExists = false;                // DROP routine IF EXISTS
    bool hasSignature = false;            // DROP routine name (types): the list was written
};

// GRANT and REVOKE of database levels, table and routine privileges, roles.
struct PrivilegeStatement : Statement {
    enum class Level : std::uint8_t { Database, Table, Routine, Role, DefaultRole };
    struct Privilege {
        std::string name;                // select, update, ..., all, connect, resource, dba, execute, or a role
        std::vector<ColumnRef> columns;  // SELECT (a, b), UPDATE (a), REFERENCES (a)
    };
    explicit PrivilegeStatement(StmtKind k) : Statement(k) {}
    Level level = Level::Table;
    std::vector<Privilege> privileges;
    ObjectName object;                   // table or routine
    std::vector<std::string> grantees;   // "public" for PUBLIC
    bool withGrantOption = false;
    std::string asGrantor;
    DropMode mode = DropMode::Default;   // REVOKE ... CASCADE | RESTRICT
    std::vector<int> granteeOffsets;     // offset of each grantee
    char routineKind = 'R';              // Routine level: P procedure, F function, R routine
    bool specific = false;               // ON SPECIFIC ...: object is the specific name
    bool hasSignature = false;           // ON PROCEDURE p (types): the list was written
    std::vector<TypeName> signature;
};

// A parsed script: its statements in order.
using Script = std::vector<StatementPtr>;

const char *statementKindName(StmtKind kind);

} // namespace quodlin::engine::ast
