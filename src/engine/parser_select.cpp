// SELECT: WITH common tables, SKIP/FIRST/LIMIT, UNIQUE/DISTINCT, labels with
// or without AS, comma joins with Informix OUTER groups, ANSI joins, derived
// tables, START WITH / CONNECT BY, GROUP BY, HAVING, UNION [ALL], INTERSECT, MINUS/EXCEPT, ORDER BY,
// trailing LIMIT and INTO TEMP.
#include "engine/parser_internal.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;

std::unique_ptr<SelectStmt> Parser::selectStatement(bool allowInto)
{
    DepthGuard guard(*this);
    auto s = std::make_unique<SelectStmt>();
    if (atWord("with") && (atName(1) || atWord("recursive", 1))) {
        next();
        s->with = commonTables();
        if (!atWord("select") && !at(TokenKind::LParen)) fail();
    }
    auto core = [&] {
        if (at(TokenKind::LParen) && (atWord("select", 1) || at(TokenKind::LParen, 1))) {
            next();
            const int off = offset();
            auto inner = selectStatement(false);
            expect(TokenKind::RParen);
            if (!inner->orderBy.empty() || inner->limit) fail();
            if (inner->cores.size() == 1) {
                s->cores.push_back(std::move(inner->cores.front()));
                return;
            }
            SelectCore grouped;
            grouped.offset = off;
            grouped.nested = std::move(inner);
            s->cores.push_back(std::move(grouped));
            return;
        }
        s->cores.push_back(selectCore());
    };
    core();
    for (;;) {
        SetOp op;
        if (acceptWord("union")) op = acceptWord("all") ? SetOp::UnionAll : SetOp::Union;
        else if (acceptWord("intersect")) op = SetOp::Intersect;
        else if (acceptWord("minus") || acceptWord("except")) op = SetOp::Except;
        else break;
        // ALL belongs to UNION only: INTERSECT and MINUS always give distinct rows.
        if (atWord("all")) fail();
        s->setOps.push_back(op);
        core();
    }
    if (atWord("order") && (atWord("by", 1) || (atWord("siblings", 1) && atWord("by", 2)))) {
        next();
        s->orderSiblings = acceptWord("siblings");
        next();
        do {
            OrderItem o;
            o.expr = expression();
            if (acceptWord("desc")) o.desc = true;
            else acceptWord("asc");
            if (acceptWord("nulls")) {
                if (acceptWord("first")) o.nulls = 1;
                else { expectWord("last"); o.nulls = 2; }
            }
            s->orderBy.push_back(std::move(o));
        } while (accept(TokenKind::Comma));
    }
    if (atWord("limit") && (at(TokenKind::Integer, 1) || at(TokenKind::Param, 1))) {
        next();
        s->limit = primary();
    }
    // Cursor options: nothing to do for a local file.
    if (allowInto && atWord("for") && (atWord("update", 1) || atWord("read", 1))) {
        next();
        if (acceptWord("read")) {
            expectWord("only");
        } else {
            next();
            if (acceptWord("of")) {
                do name(); while (accept(TokenKind::Comma));
            }
        }
    }
    if (atWord("into")) {
        const int off = next().offset;
        if (!allowInto) failAt(off);
        if (!acceptWord("temp")) {
            if (atWord("standard") || atWord("raw") || atWord("external") || atWord("scratch"))
                raise(-999, {}, offset());
            failAt(off);
        }
        s->intoTempOffset = offset();
        s->intoTemp = name();
        if (acceptWord("with")) { expectWord("no"); expectWord("log"); s->withNoLog = true; }
    }
    return s;
}

std::vector<CommonTable> Parser::commonTables()
{
    // A common table that reads itself is recursive; the ANSI keyword may say so.
    if (atWord("recursive") && atName(1)) next();
    std::vector<CommonTable> out;
    do {
        CommonTable t;
        t.offset = offset();
        t.name = name();
        if (accept(TokenKind::LParen)) {
            do t.columns.push_back(name()); while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
        }
        expectWord("as");
        expect(TokenKind::LParen);
        t.query = selectStatement(false);
        expect(TokenKind::RParen);
        out.push_back(std::move(t));
    } while (accept(TokenKind::Comma));
    return out;
}

SelectCore Parser::selectCore()
{
    SelectCore c;
    c.offset = offset();
    expectWord("select");
    auto limitValue = [&] {
        if (at(TokenKind::Param)) return parameter();
        return primary();
    };
    if (atWord("skip") && (at(TokenKind::Integer, 1) || at(TokenKind::Param, 1))) {
        next();
        c.skip = limitValue();
    }
    if ((atWord("first") || atWord("limit") || atWord("top")) && (at(TokenKind::Integer, 1) || at(TokenKind::Param, 1))) {
        next();
        c.first = limitValue();
    }
    if (atWord("distinct") || atWord("unique")) {
        next();
        c.distinct = true;
    } else if (atWord("all") && !at(TokenKind::Comma, 1) && !atWord("from", 1)) {
        next();
    }
    // Catalog queries list a dozen items and tables; growing from one moved them five times.
    c.items.reserve(8);
    do {
        SelectItem item;
        item.offset = offset();
        if (atWord("from")) fail();
        item.expr = expression();
        item.alias = optionalAlias(true);
        c.items.push_back(std::move(item));
    } while (accept(TokenKind::Comma));
    // Informix SPL: SELECT ... INTO variables FROM. Only INTO TEMP belongs to a statement.
    if (atWord("from")) {
        next();
        c.from.reserve(4);
        do c.from.push_back(fromItem()); while (accept(TokenKind::Comma));
    }
    if (acceptWord("where")) c.where = expression();
    // The hierarchical clause: START WITH and CONNECT BY in either order.
    for (int part = 0; part < 2; ++part) {
        if (!c.startWith && atWord("start") && atWord("with", 1)) {
            next(); next();
            c.startWith = expression();
        } else if (!c.connectBy && atWord("connect") && atWord("by", 1)) {
            c.connectOffset = next().offset;
            next();
            c.noCycle = acceptWord("nocycle");
            c.connectBy = expression();
        }
    }
    if (c.startWith && !c.connectBy) fail();
    if (atWord("group") && atWord("by", 1)) {
        next(); next();
        do c.groupBy.push_back(expression()); while (accept(TokenKind::Comma));
    }
    if (acceptWord("having")) c.having = expression();
    return c;
}

std::string Parser::optionalAlias(bool allowAs)
{
    if (allowAs && acceptWord("as")) return name();
    if (peek().kind == TokenKind::DelimIdent) return next().text;
    // START WITH and CONNECT BY end a table reference as clause words do.
    if ((atWord("start") && atWord("with", 1)) || (atWord("connect") && atWord("by", 1))) return {};
    if (peek().kind == TokenKind::Identifier && !isClauseWord(peek())) return next().text;
    return {};
}

FromItem Parser::fromPrimary()
{
    DepthGuard guard(*this);
    FromItem f;
    f.offset = offset();
    if (atWord("outer") && (at(TokenKind::LParen, 1) || atName(1) || at(TokenKind::String, 1))) {
        next();
        f.kind = FromItem::Kind::Outer;
        if (accept(TokenKind::LParen)) {
            do f.members.push_back(fromItem()); while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
        } else {
            f.members.push_back(fromPrimary());
        }
        return f;
    }
    if (at(TokenKind::LParen)) {
        if (atQuery(1)) {
            next();
            f.kind = FromItem::Kind::Derived;
            f.derived = selectStatement(false);
            expect(TokenKind::RParen);
            f.alias = optionalAlias(true);
            return f;
        }
        next();
        FromItem inner = fromItem();
        expect(TokenKind::RParen);
        return inner;
    }
    if (atWord("table") && at(TokenKind::LParen, 1)) return collectionTable();
    f.kind = FromItem::Kind::Table;
    f.table = objectName();
    f.alias = optionalAlias(true);
    return f;
}

// TABLE(SET{...}), TABLE(MULTISET{...}), TABLE(LIST{...}) [[AS] alias [(column)]]:
// a literal collection as a derived table of one column, its elements the
// blocks of a UNION (SET: distinct) or UNION ALL (in order) over sysdual.
FromItem Parser::collectionTable()
{
    FromItem f;
    f.offset = offset();
    next();
    next();
    const int kindAt = offset();
    const bool set = atWord("set");
    if (!set && !atWord("multiset") && !atWord("list")) raise(-9625, "collection-derived tables other than literal collections", kindAt);
    next();
    expect(TokenKind::LBrace);
    auto stmt = std::make_unique<SelectStmt>();
    if (!at(TokenKind::RBrace)) {
        do {
            SelectCore core;
            core.offset = offset();
            SelectItem item;
            item.offset = core.offset;
            item.expr = expression();
            core.items.push_back(std::move(item));
            FromItem dual;
            dual.table.database = "sysmaster";
            dual.table.name = "sysdual";
            dual.table.offset = core.offset;
            dual.offset = core.offset;
            core.from.push_back(std::move(dual));
            if (!stmt->cores.empty()) stmt->setOps.push_back(set ? SetOp::Union : SetOp::UnionAll);
            stmt->cores.push_back(std::move(core));
        } while (accept(TokenKind::Comma));
    }
    // An empty collection has no element type to show.
    if (stmt->cores.empty()) raise(-9625, "empty collection literals", offset());
    expect(TokenKind::RBrace);
    expect(TokenKind::RParen);
    f.kind = FromItem::Kind::Derived;
    f.alias = optionalAlias(true);
    std::string column = "(expression)";
    if (!f.alias.empty() && at(TokenKind::LParen)) {
        const std::vector<ColumnRef> names = columnList();
        if (names.size() != 1) failAt(names[1].offset);
        column = names.front().name;
    }
    for (SelectCore &core : stmt->cores) core.items.front().alias = column;
    f.derived = std::move(stmt);
    return f;
}

FromItem Parser::fromItem()
{
    FromItem left = fromPrimary();
    for (;;) {
        JoinType type;
        const int off = offset();
        if (acceptWord("join")) type = JoinType::Inner;
        else if (atWord("inner") && atWord("join", 1)) { next(); next(); type = JoinType::Inner; }
        else if (atWord("cross") && atWord("join", 1)) { next(); next(); type = JoinType::Cross; }
        else if (atWord("left") || atWord("right") || atWord("full")) {
            const std::string w = peek().text;
            if (!(atWord("join", 1) || (atWord("outer", 1) && atWord("join", 2)))) return left;
            next();
            acceptWord("outer");
            expectWord("join");
            type = w == "left" ? JoinType::Left : w == "right" ? JoinType::Right : JoinType::Full;
        } else {
            return left;
        }
        FromItem j;
        j.kind = FromItem::Kind::Join;
        j.offset = left.offset;
        j.join = type;
        j.left = std::make_unique<FromItem>(std::move(left));
        j.right = std::make_unique<FromItem>(fromPrimary());
        if (j.right->kind == FromItem::Kind::Outer) failAt(off);
        if (type != JoinType::Cross) {
            expectWord("on");
            j.on = expression();
        }
        left = std::move(j);
    }
}

} // namespace quodlin::engine
