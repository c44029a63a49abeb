// INSERT, UPDATE and DELETE.
#include "engine/parser_internal.h"
#include "engine/spl_ast.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;

StatementPtr Parser::insertStatement()
{
    next();
    expectWord("into");
    auto s = std::make_unique<InsertStatement>();
    s->table = objectName();
    if (at(TokenKind::LParen) && !atWord("select", 1)) s->columns = columnList();
    if (acceptWord("values")) {
        expect(TokenKind::LParen);
        do s->values.push_back(expression()); while (accept(TokenKind::Comma));
        expect(TokenKind::RParen);
        return s;
    }
    if (atWord("select") || at(TokenKind::LParen) || (atWord("with") && atName(1))) {
        s->select = selectStatement(false);
        return s;
    }
    if (atWord("execute")) raise(-999, {}, offset());
    fail();
}

StatementPtr Parser::updateStatement()
{
    next();
    auto s = std::make_unique<UpdateStatement>();
    s->table = objectName();
    if (!atWord("set")) s->alias = optionalAlias(true);
    setClause(s->assignments, s->setStar);
    if (acceptWord("where")) {
        s->where = atWord("current") && atWord("of", 1) ? currentOf() : expression();
    }
    return s;
}

// SET a = x, (b, c) = (y, z), (d, e) = (SELECT ...) or SET * = (...), of
// UPDATE and of MERGE's WHEN MATCHED THEN UPDATE.
void Parser::setClause(std::vector<Assignment> &assignments, bool &setStar)
{
    expectWord("set");
    do {
        if (at(TokenKind::Star) || at(TokenKind::LParen)) {
            // SET * = (...) or SET (a, b) = (x, y)
            std::vector<ColumnRef> cols;
            if (accept(TokenKind::Star)) setStar = true;
            else cols = columnList();
            expect(TokenKind::Eq);
            const int valuesAt = offset();
            expect(TokenKind::LParen);
            if (atWord("select")) {
                // One subquery row fills the whole list.
                auto sub = std::make_unique<Expr>();
                sub->kind = ExprKind::Subquery;
                sub->offset = valuesAt;
                sub->select = selectStatement(false);
                expect(TokenKind::RParen);
                Assignment a;
                a.column = setStar ? ColumnRef{} : cols.front();
                if (setStar) a.column.offset = sub->offset;
                a.value = std::move(sub);
                a.rowSubquery = true;
                a.rowColumns = setStar ? 0 : int(cols.size());
                assignments.push_back(std::move(a));
                for (std::size_t i = 1; i < cols.size(); ++i) {
                    Assignment rest;
                    rest.column = cols[i];
                    assignments.push_back(std::move(rest));
                }
                continue;
            }
            std::vector<ExprPtr> values;
            do values.push_back(expression()); while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
            if (!setStar && cols.size() != values.size()) raise(-236, {}, valuesAt);
            for (std::size_t i = 0; i < values.size(); ++i) {
                Assignment a;
                if (!setStar) a.column = cols[i];
                else a.column.offset = values[i]->offset;
                a.value = std::move(values[i]);
                assignments.push_back(std::move(a));
            }
            continue;
        }
        Assignment a;
        a.column.offset = offset();
        a.column.name = name();
        if (at(TokenKind::Dot)) {  // table.column = ...
            next();
            a.column.name = name();
        }
        expect(TokenKind::Eq);
        a.value = expression();
        assignments.push_back(std::move(a));
    } while (accept(TokenKind::Comma));
}

// WHERE CURRENT OF cursor: the row the SPL cursor is on, as `rowid = <the
// cursor's row>`; the SPL compiler binds the marker column, anywhere else it
// is an unknown column.
ExprPtr Parser::currentOf()
{
    next();
    next();
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Compare;
    e->op = TokenKind::Eq;
    e->offset = offset();
    auto rowid = std::make_unique<Expr>();
    rowid->kind = ExprKind::Column;
    rowid->text = "rowid";
    rowid->offset = e->offset;
    auto cursor = std::make_unique<Expr>();
    cursor->kind = ExprKind::Column;
    cursor->table = spl::kCursorMarker;
    cursor->offset = offset();
    cursor->text = name();
    e->args.push_back(std::move(rowid));
    e->args.push_back(std::move(cursor));
    return e;
}

StatementPtr Parser::deleteStatement()
{
    next();
    auto s = std::make_unique<DeleteStatement>();
    acceptWord("from");
    s->table = objectName();
    if (!atWord("where")) s->alias = optionalAlias(true);
    if (acceptWord("where")) {
        s->where = atWord("current") && atWord("of", 1) ? currentOf() : expression();
    }
    return s;
}

// MERGE [directive comment] INTO target [[AS] alias] USING source [[AS] alias]
// [(columns)] ON condition, then WHEN MATCHED THEN UPDATE SET ... | DELETE and
// WHEN NOT MATCHED THEN INSERT [(columns)] VALUES (...), each at most once.
StatementPtr Parser::mergeStatement()
{
    next();
    expectWord("into");
    auto s = std::make_unique<MergeStatement>();
    s->table = objectName();
    if (!atWord("using")) s->alias = optionalAlias(true);
    expectWord("using");
    s->source.offset = offset();
    if (at(TokenKind::LParen)) {
        next();
        s->source.kind = FromItem::Kind::Derived;
        s->source.derived = selectStatement(false);
        expect(TokenKind::RParen);
    } else {
        s->source.table = objectName();
    }
    if (!atWord("on") && !at(TokenKind::LParen)) s->source.alias = optionalAlias(true);
    if (at(TokenKind::LParen) && !s->source.alias.empty()) s->sourceColumns = columnList();
    expectWord("on");
    s->on = expression();
    while (atWord("when")) {
        const int clause = offset();
        next();
        if (acceptWord("not")) {
            expectWord("matched");
            expectWord("then");
            if (s->insert) failAt(clause);
            s->insert = true;
            s->insertOffset = offset();
            expectWord("insert");
            if (at(TokenKind::LParen)) s->insertColumns = columnList();
            expectWord("values");
            expect(TokenKind::LParen);
            do s->values.push_back(expression()); while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
            continue;
        }
        expectWord("matched");
        expectWord("then");
        if (s->matched != MergeStatement::Matched::None) failAt(clause);
        s->matchedOffset = offset();
        if (acceptWord("delete")) {
            s->matched = MergeStatement::Matched::Delete;
            continue;
        }
        expectWord("update");
        s->matched = MergeStatement::Matched::Update;
        setClause(s->assignments, s->setStar);
    }
    if (!s->insert && s->matched == MergeStatement::Matched::None) fail();
    return s;
}

} // namespace quodlin::engine
