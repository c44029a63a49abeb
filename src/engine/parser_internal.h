#pragma once
// The parser's shared state, split over parser_*.cpp by statement family.
// Internal to the front end; callers use parser.h.
#include "engine/ast.h"
#include "engine/parser.h"

#include <string>
#include <vector>

namespace quodlin::engine {

class Parser {
public:
    Parser(const std::string &text, std::vector<Token> tokens, const ParseOptions &opts);

    ast::Script script();
    ast::ExprPtr standaloneExpression();

    // --- token access
    // Inline: the parser asks for the current token several times per token.
    const Token &peek(int ahead = 0) const
    {
        const std::size_t i = m_pos + std::size_t(ahead);
        return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
    }
    const Token &next()
    {
        const Token &t = peek();
        if (m_pos + 1 < m_tokens.size()) ++m_pos;
        return t;
    }
    template <std::size_t N>
    bool atWord(const char (&word)[N], int ahead = 0) const { return peek(ahead).isWord(word); }
    bool at(TokenKind kind, int ahead = 0) const { return peek(ahead).kind == kind; }
    bool accept(TokenKind kind)
    {
        if (!at(kind)) return false;
        next();
        return true;
    }
    template <std::size_t N>
    bool acceptWord(const char (&word)[N])
    {
        if (!atWord(word)) return false;
        next();
        return true;
    }
    void expect(TokenKind kind);
    template <std::size_t N>
    void expectWord(const char (&word)[N])
    {
        if (!acceptWord(word)) fail();
    }
    [[noreturn]] void fail() const;
    [[noreturn]] void failAt(int offset) const;
    int offset() const { return peek().offset; }
    int lastEnd() const;

    bool atName(int ahead = 0) const;  // identifier or delimited identifier
    // A query starts here: SELECT, or WITH and a common table.
    bool atQuery(int ahead = 0) const
    {
        return atWord("select", ahead) || (atWord("with", ahead) && (atName(ahead + 1) || atWord("recursive", ahead + 1)));
    }
    std::string name();                // an identifier, folded (delimited: as written)
    ast::ObjectName objectName();      // [db[@server]:][owner.]name
    std::vector<ast::ColumnRef> columnList();  // ( a, b, ... )
    std::int64_t integerValue();       // [-]digits

    // --- expressions (parser_expr.cpp)
    ast::ExprPtr expression();
    ast::ExprPtr orExpr();
    ast::ExprPtr andExpr();
    ast::ExprPtr notExpr();
    ast::ExprPtr predicate();
    ast::ExprPtr concatExpr();
    ast::ExprPtr additive();
    ast::ExprPtr multiplicative();
    ast::ExprPtr unary();
    ast::ExprPtr postfix(ast::ExprPtr e);
    ast::ExprPtr primary();
    ast::ExprPtr wordPrimary();
    ast::ExprPtr functionCall(std::string fname, int start);
    std::unique_ptr<ast::WindowSpec> windowSpec();
    ast::ExprPtr parameter();
    bool atUnit(int ahead = 0) const;
    int unit(bool asEnd);
    ast::DtQualifier qualifier(bool interval);
    std::string parenthesisedText();   // DATETIME (...) contents as written
    ast::TypeName typeName();          // parser_ddl.cpp
    void rowFields(ast::TypeName &t);  // (field type, ...) of a ROW type

    // --- queries (parser_select.cpp)
    std::unique_ptr<ast::SelectStmt> selectStatement(bool allowInto);
    // WITH name [(columns)] AS (query), ...: after the WITH.
    std::vector<ast::CommonTable> commonTables();
    ast::SelectCore selectCore();
    ast::FromItem fromItem();
    ast::FromItem fromPrimary();
    ast::FromItem collectionTable();
    std::string optionalAlias(bool allowAs);

    // --- statements
    ast::StatementPtr statement();
    ast::StatementPtr insertStatement();    // parser_dml.cpp
    ast::StatementPtr updateStatement();
    ast::StatementPtr deleteStatement();
    ast::StatementPtr mergeStatement();
    void setClause(std::vector<ast::Assignment> &assignments, bool &setStar);
    ast::ExprPtr currentOf();
    ast::StatementPtr createStatement();    // parser_ddl.cpp
    ast::StatementPtr createTable(bool temp, bool raw);
    ast::StatementPtr createIndex();
    ast::StatementPtr sequenceStatement(ast::StmtKind kind);
    ast::StatementPtr dropStatement();
    ast::StatementPtr alterStatement();
    ast::StatementPtr renameStatement();
    ast::ColumnDef columnDef(bool forAlter);
    bool atTableConstraint() const;
    ast::Constraint tableConstraint();
    void columnConstraints(ast::ColumnDef &col);
    void constraintTail(ast::Constraint &c);
    std::string constraintName(std::string &owner);
    ast::DefaultValue defaultValue();
    ast::StatementPtr createView();         // parser_misc.cpp
    ast::StatementPtr createSynonym(bool explicitScope, bool isPublic);
    ast::StatementPtr createRoutine(bool dba);
    ast::StatementPtr createTrigger();
    ast::StatementPtr executeRoutine();
    ast::StatementPtr setStatement();
    ast::StatementPtr privilegeStatement(bool grant);

    const std::string &m_text;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    ParseOptions m_opts;
    std::vector<ast::Param> *m_params = nullptr;
    int m_depth = 0;  // nesting guard: deep nesting fails cleanly instead of overflowing the stack
};

// Counts nesting while it lives; too deep a nesting fails with -9622 (the
// limit named) instead of overflowing the stack.
struct DepthGuard {
    explicit DepthGuard(Parser &p);
    ~DepthGuard() { --p.m_depth; }
    Parser &p;
};

// Words that end a select-list item or a table reference when no AS is written.
bool isClauseWord(const Token &t);

} // namespace quodlin::engine
