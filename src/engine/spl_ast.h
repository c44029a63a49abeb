#pragma once
// Syntax tree of an SPL routine body, kept for the interpreter. SQL statements
// inside the body are ordinary statement trees.
#include "engine/ast.h"

#include <memory>
#include <string>
#include <vector>

namespace quodlin::engine::ast::spl {

// The table qualifier of the column that stands for an SPL cursor's current
// row in WHERE CURRENT OF (no name the lexer makes can hold it).
inline const char *const kCursorMarker = "\x01cursor";

enum class Kind : std::uint8_t {
    Define,      // names, type or like; global, exprs[0] = GLOBAL default
    Let,         // names = exprs
    If,          // exprs[i] guards blocks[i]; one more block is the ELSE
    For,         // names[0] = exprs[0] TO exprs[1] [STEP exprs[2]]; blocks[0]
    ForIn,       // names[0] IN (ranges: exprs in triples from, to, step; single values have null to/step)
    Foreach,     // sql (SELECT or EXECUTE), names = INTO variables, cursor, withHold; blocks[0]
    While,       // exprs[0], blocks[0]
    Continue,    // loop = FOR / FOREACH / WHILE / LOOP / a label / empty (innermost); exprs[0] = WHEN condition
    Exit,
    Loop,        // LOOP blocks[0] END LOOP
    Case,        // exprs: [operand] then one value or condition per WHEN; blocks per WHEN, then ELSE
    Return,      // exprs, withResume
    OnException, // codes, names = SET variables, blocks[0] handler, withResume
    Raise,       // exprs: SQL code, ISAM code, text
    Call,        // routine(exprs) RETURNING names
    System,      // exprs[0]
    Trace,       // loop = on / off / procedure, else exprs[0]
    Block,       // BEGIN blocks[0] END
    Sql,         // sql; names = SELECT ... INTO variables
};

struct Statement;
using StatementPtr = std::unique_ptr<Statement>;
using Block = std::vector<StatementPtr>;

struct Statement {
    Kind kind = Kind::Sql;
    int offset = 0;
    std::vector<std::string> names;
    std::vector<ExprPtr> exprs;
    std::vector<Block> blocks;
    TypeName type;
    std::vector<std::string> like;   // DEFINE v LIKE [owner.]table.column
    bool global = false;
    bool withResume = false;
    bool withHold = false;
    std::string loop;                // CONTINUE / EXIT target, TRACE mode
    std::string label;               // <<label>> before a loop
    bool hasOperand = false;         // CASE operand WHEN value ...
    std::string cursor;
    std::vector<std::int64_t> codes; // ON EXCEPTION IN (...)
    ObjectName routine;
    ast::StatementPtr sql;
};

struct Body {
    Block statements;
};

} // namespace quodlin::engine::ast::spl
