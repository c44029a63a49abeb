// DDL: CREATE/DROP/ALTER TABLE, types, defaults and constraints with the
// Informix name placement (`UNIQUE CONSTRAINT u`), indexes, sequences and
// RENAME. The types are encoded for the catalog here (types.h) so the DDL
// executor stores them as they are.
#include "engine/parser_internal.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;

namespace {

int checkedLength(Parser &p, int min, int max)
{
    const int off = p.offset();
    const std::int64_t v = p.integerValue();
    if (v < min || v > max) raise(-201, {}, off);
    return int(v);
}

} // namespace

TypeName Parser::typeName()
{
    TypeName t;
    t.offset = offset();
    if (!atName()) fail();
    std::string w = next().text;
    t.spelling = w;
    auto optLength = [&](int def, int min, int max) {
        if (!accept(TokenKind::LParen)) return def;
        const int v = checkedLength(*this, min, max);
        expect(TokenKind::RParen);
        return v;
    };
    auto varchar = [&](int code) {
        expect(TokenKind::LParen);
        const int max = checkedLength(*this, 1, 255);
        int min = 0;
        if (accept(TokenKind::Comma)) min = checkedLength(*this, 0, 255);
        expect(TokenKind::RParen);
        t.desc = {code, encodeVarchar(max, min), 0};
    };
    auto decimal = [&](int code, int defPrecision, int defScale) {
        int p = defPrecision, s = defScale;
        if (accept(TokenKind::LParen)) {
            p = checkedLength(*this, 1, 32);
            s = code == TMoney ? 2 : -1;
            if (accept(TokenKind::Comma)) s = checkedLength(*this, 0, p);
            expect(TokenKind::RParen);
        }
        t.floatingDecimal = s < 0;
        t.desc = {code, encodeDecimal(p, s), 0};
    };
    auto serial = [&](int code) {
        t.desc = {code, code == TSerial ? 4 : code == TSerial8 ? 10 : 8, 0};
        if (accept(TokenKind::LParen)) {
            t.desc.serialStart = integerValue();
            expect(TokenKind::RParen);
        }
    };
    if (w == "char" || w == "character") {
        if (acceptWord("varying")) { t.spelling = "varchar"; varchar(TVarChar); return t; }
        t.desc = {TChar, optLength(1, 1, 32767), 0};
    } else if (w == "nchar") {
        if (acceptWord("varying")) { varchar(TNVarChar); return t; }
        t.desc = {TNChar, optLength(1, 1, 32767), 0};
    } else if (w == "varchar") {
        varchar(TVarChar);
    } else if (w == "nvarchar") {
        varchar(TNVarChar);
    } else if (w == "lvarchar") {
        t.desc = {TUdtVar, optLength(2048, 1, 32739), kXidLVarChar};
    } else if (w == "smallint") {
        t.desc = {TSmallInt, 2, 0};
    } else if (w == "integer" || w == "int") {
        t.desc = {TInteger, 4, 0};
    } else if (w == "int8") {
        t.desc = {TInt8, 10, 0};
    } else if (w == "bigint") {
        t.desc = {TBigInt, 8, 0};
    } else if (w == "serial") {
        serial(TSerial);
    } else if (w == "serial8") {
        serial(TSerial8);
    } else if (w == "bigserial") {
        serial(TBigSerial);
    } else if (w == "smallfloat" || w == "real") {
        t.desc = {TSmallFloat, 4, 0};
    } else if (w == "float") {
        optLength(0, 1, 53);
        t.desc = {TFloat, 8, 0};
    } else if (w == "double") {
        expectWord("precision");
        t.spelling = "double precision";
        t.desc = {TFloat, 8, 0};
    } else if (w == "decimal" || w == "dec" || w == "numeric") {
        decimal(TDecimal, 16, -1);
    } else if (w == "money") {
        decimal(TMoney, 16, 2);
    } else if (w == "date") {
        t.desc = {TDate, 4, 0};
    } else if (w == "datetime") {
        t.qualifier = qualifier(false);
        try {
            t.desc = {TDateTime, encodeDatetime(t.qualifier.start, t.qualifier.end), 0};
        } catch (const EngineError &e) {
            raise(e.sqlCode(), {}, t.offset);
        }
    } else if (w == "interval") {
        t.qualifier = qualifier(true);
        try {
            t.desc = {TInterval, encodeInterval(t.qualifier.start, t.qualifier.end, t.qualifier.leading), 0};
        } catch (const EngineError &e) {
            raise(e.sqlCode(), {}, t.offset);
        }
    } else if (w == "text" || w == "byte") {
        t.desc = {w == "text" ? TText : TByte, 56, 0};
        if (acceptWord("in")) {
            if (!acceptWord("table")) name();
        }
    } else if (w == "boolean") {
        t.desc = {TUdtFixed, 1, kXidBoolean};
    } else if (w == "blob" || w == "clob") {
        // Smart large objects, kept in the row as BYTE and TEXT are.
        t.desc = {TUdtFixed, 72, w == "blob" ? kXidBlob : kXidClob};
    } else if ((w == "set" || w == "multiset" || w == "list") && at(TokenKind::LParen)) {
        next();
        t.desc = {w == "set" ? TSet : w == "multiset" ? TMultiset : TList, 0, 0};
        t.members.push_back(typeName());
        // Informix requires elements NOT NULL.
        if (!acceptWord("not")) failAt(offset());
        expectWord("null");
        expect(TokenKind::RParen);
    } else if (w == "row" && at(TokenKind::LParen)) {
        t.desc = {TRow, 0, 0};
        rowFields(t);
    } else {
        // A named ROW type, resolved against the catalog where it is used.
        t.desc = {TRow, 0, 0};
        t.rowTypeName = w;
    }
    return t;
}

void Parser::rowFields(TypeName &t)
{
    expect(TokenKind::LParen);
    do {
        t.fieldNames.push_back(name());
        t.members.push_back(typeName());
        if (acceptWord("not")) expectWord("null");
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RParen);
}

StatementPtr Parser::createStatement()
{
    next();
    if (atWord("temp") && atWord("table", 1)) { next(); next(); return createTable(true, false); }
    if (atWord("standard") && atWord("table", 1)) { next(); next(); return createTable(false, false); }
    if (atWord("raw") && atWord("table", 1)) { next(); next(); return createTable(false, true); }
    if (acceptWord("table")) return createTable(false, false);
    if (atWord("unique") || atWord("distinct") || atWord("cluster") || atWord("index")) return createIndex();
    if (acceptWord("sequence")) return sequenceStatement(StmtKind::CreateSequence);
    if (acceptWord("view")) return createView();
    if (acceptWord("synonym")) return createSynonym(false, true);
    if ((atWord("public") || atWord("private")) && atWord("synonym", 1)) {
        const bool pub = next().text == "public";
        next();
        return createSynonym(true, pub);
    }
    if (atWord("dba") && (atWord("procedure", 1) || atWord("function", 1))) { next(); return createRoutine(true); }
    if (atWord("procedure") || atWord("function")) return createRoutine(false);
    if (acceptWord("trigger")) return createTrigger();
    if (atWord("row") && atWord("type", 1)) {
        next();
        next();
        auto s = std::make_unique<CreateRowTypeStatement>();
        if (atWord("if") && atWord("not", 1)) { next(); next(); expectWord("exists"); s->ifNotExists = true; }
        s->name = objectName();
        s->fields.offset = offset();
        s->fields.desc = {TRow, 0, 0};
        rowFields(s->fields);
        if (atWord("under")) raise(-9625, "ROW type inheritance (UNDER)", offset());
        return s;
    }
    if (acceptWord("role")) {
        auto s = std::make_unique<ObjectStatement>(StmtKind::CreateRole);
        if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifExists = true; }
        s->name.offset = offset();
        s->name.name = at(TokenKind::String) ? next().text : name();
        return s;
    }
    if (acceptWord("database")) {
        auto s = std::make_unique<DatabaseStatement>(StmtKind::CreateDatabase);
        s->name = name();
        if (acceptWord("in")) name();
        if (acceptWord("with")) {
            s->buffered = acceptWord("buffered");
            expectWord("log");
            s->withLog = true;
            if (acceptWord("mode")) { expectWord("ansi"); s->ansi = true; }
        }
        return s;
    }
    fail();
}

StatementPtr Parser::createTable(bool temp, bool raw)
{
    auto s = std::make_unique<CreateTableStatement>();
    s->temp = temp;
    s->raw = raw;
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->table = objectName();
    expect(TokenKind::LParen);
    do {
        if (atTableConstraint()) s->constraints.push_back(tableConstraint());
        else s->columns.push_back(columnDef(false));
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RParen);
    for (;;) {
        if (atWord("with") && atWord("no", 1)) { next(); next(); expectWord("log"); s->withNoLog = true; continue; }
        if (acceptWord("in")) { name(); continue; }
        if (atWord("extent") || atWord("next")) {
            const bool first = next().text == "extent";
            expectWord("size");
            const int v = int(integerValue());
            (first ? s->extentSize : s->nextSize) = v;
            continue;
        }
        if (acceptWord("lock")) {
            expectWord("mode");
            const bool paren = accept(TokenKind::LParen);
            if (acceptWord("page")) s->lockMode = 'P';
            else if (acceptWord("row")) s->lockMode = 'R';
            else fail();
            if (paren) expect(TokenKind::RParen);
            continue;
        }
        if (atWord("fragment") || atWord("partition")) raise(-999, {}, offset());
        break;
    }
    return s;
}

bool Parser::atTableConstraint() const
{
    if (atWord("constraint") && (atName(1) || at(TokenKind::String, 1))) return true;
    if ((atWord("unique") || atWord("distinct") || atWord("check")) && at(TokenKind::LParen, 1)) return true;
    if ((atWord("primary") || atWord("foreign")) && atWord("key", 1)) return true;
    return false;
}

// [owner.]name after CONSTRAINT; the owner may be quoted as in object names.
std::string Parser::constraintName(std::string &owner)
{
    if ((atName() || at(TokenKind::String)) && at(TokenKind::Dot, 1)) {
        owner = next().text;
        next();
    }
    return name();
}

void Parser::constraintTail(Constraint &c)
{
    if (acceptWord("constraint")) c.name = constraintName(c.owner);
    if (acceptWord("enabled")) c.mode = 'E';
    else if (acceptWord("disabled")) c.mode = 'D';
    else if (acceptWord("filtering")) {
        c.mode = 'F';
        if (acceptWord("with")) expectWord("error");
        else if (acceptWord("without")) expectWord("error");
    }
}

Constraint Parser::tableConstraint()
{
    Constraint c;
    c.offset = offset();
    std::string ansiName;
    if (acceptWord("constraint")) ansiName = constraintName(c.owner);
    const std::string w = name();
    if (w == "unique" || w == "distinct") {
        c.kind = Constraint::Kind::Unique;
        c.columns = columnList();
    } else if (w == "primary") {
        expectWord("key");
        c.kind = Constraint::Kind::PrimaryKey;
        c.columns = columnList();
    } else if (w == "check") {
        c.kind = Constraint::Kind::Check;
        const int begin = offset();
        expect(TokenKind::LParen);
        c.check = expression();
        expect(TokenKind::RParen);
        c.checkText = m_text.substr(std::size_t(begin), std::size_t(lastEnd() - begin));
    } else if (w == "foreign") {
        expectWord("key");
        c.kind = Constraint::Kind::ForeignKey;
        c.columns = columnList();
        expectWord("references");
        c.refTable = objectName();
        if (at(TokenKind::LParen)) c.refColumns = columnList();
        if (acceptWord("on")) { expectWord("delete"); expectWord("cascade"); c.onDeleteCascade = true; }
    } else {
        failAt(c.offset);
    }
    constraintTail(c);
    if (c.name.empty()) c.name = ansiName;
    return c;
}

DefaultValue Parser::defaultValue()
{
    DefaultValue d;
    d.offset = offset();
    const Token &t = peek();
    if (t.kind == TokenKind::String) {
        d.kind = DefaultValue::Kind::Literal;
        d.literalKind = ExprKind::String;
        d.text = next().text;
        return d;
    }
    if (t.kind == TokenKind::Minus || t.kind == TokenKind::Plus || t.kind == TokenKind::Integer
        || t.kind == TokenKind::Number) {
        std::string sign;
        if (at(TokenKind::Minus) || at(TokenKind::Plus)) sign = next().kind == TokenKind::Minus ? "-" : "";
        if (!at(TokenKind::Integer) && !at(TokenKind::Number)) fail();
        d.kind = DefaultValue::Kind::Literal;
        d.literalKind = at(TokenKind::Integer) ? ExprKind::Integer : ExprKind::Number;
        d.text = sign + next().text;
        return d;
    }
    if (!atName()) fail();
    const std::string w = next().text;
    if (w == "null") d.kind = DefaultValue::Kind::Null;
    else if (w == "user" || w == "current_user") d.kind = DefaultValue::Kind::User;
    else if (w == "today") d.kind = DefaultValue::Kind::Today;
    else if (w == "dbservername") d.kind = DefaultValue::Kind::Server;
    else if (w == "sitename") d.kind = DefaultValue::Kind::Site;
    else if (w == "current" || w == "sysdate") {
        d.kind = DefaultValue::Kind::Current;
        if (atUnit()) d.qualifier = qualifier(false);
    } else if ((w == "datetime" || w == "interval") && at(TokenKind::LParen)) {
        d.kind = DefaultValue::Kind::Literal;
        d.literalKind = w == "datetime" ? ExprKind::Datetime : ExprKind::Interval;
        d.text = parenthesisedText();
        d.qualifier = qualifier(w == "interval");
    } else if (w == "t" || w == "f" || w == "true" || w == "false") {
        d.kind = DefaultValue::Kind::Literal;
        d.literalKind = ExprKind::String;
        d.text = (w == "t" || w == "true") ? "t" : "f";
    } else {
        failAt(d.offset);
    }
    return d;
}

void Parser::columnConstraints(ColumnDef &col)
{
    for (;;) {
        if (acceptWord("default")) {
            if (col.defaultValue.kind != DefaultValue::Kind::None) fail();
            col.defaultValue = defaultValue();
            continue;
        }
        Constraint c;
        c.offset = offset();
        std::string ansiName;
        if (atWord("constraint") && (atName(1) || at(TokenKind::String, 1))) { next(); ansiName = constraintName(c.owner); }
        if (atWord("not") && atWord("null", 1)) {
            next(); next();
            c.kind = Constraint::Kind::NotNull;
        } else if (atWord("null") && ansiName.empty()) {
            next();  // explicit NULL: the default
            continue;
        } else if (atWord("unique") || atWord("distinct")) {
            next();
            c.kind = Constraint::Kind::Unique;
        } else if (atWord("primary") && atWord("key", 1)) {
            next(); next();
            c.kind = Constraint::Kind::PrimaryKey;
        } else if (atWord("check") && at(TokenKind::LParen, 1)) {
            next();
            c.kind = Constraint::Kind::Check;
            const int begin = offset();
            expect(TokenKind::LParen);
            c.check = expression();
            expect(TokenKind::RParen);
            c.checkText = m_text.substr(std::size_t(begin), std::size_t(lastEnd() - begin));
        } else if (acceptWord("references")) {
            c.kind = Constraint::Kind::ForeignKey;
            c.refTable = objectName();
            if (at(TokenKind::LParen)) c.refColumns = columnList();
            if (acceptWord("on")) { expectWord("delete"); expectWord("cascade"); c.onDeleteCascade = true; }
        } else {
            if (!ansiName.empty()) fail();
            return;
        }
        constraintTail(c);
        if (c.name.empty()) c.name = ansiName;
        col.constraints.push_back(std::move(c));
    }
}

ColumnDef Parser::columnDef(bool forAlter)
{
    ColumnDef col;
    col.offset = offset();
    col.name = name();
    col.type = typeName();
    columnConstraints(col);
    if (forAlter && acceptWord("before")) col.before = name();
    return col;
}

StatementPtr Parser::createIndex()
{
    auto s = std::make_unique<CreateIndexStatement>();
    if (acceptWord("unique") || acceptWord("distinct")) s->unique = true;
    if (acceptWord("cluster")) s->cluster = true;
    expectWord("index");
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->index = objectName();
    expectWord("on");
    s->table = objectName();
    expect(TokenKind::LParen);
    do {
        IndexColumn c;
        c.offset = offset();
        c.name = name();
        if (acceptWord("desc")) c.desc = true;
        else acceptWord("asc");
        s->columns.push_back(std::move(c));
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RParen);
    if (s->columns.size() > 16) raise(-201, {}, s->columns[16].offset);
    for (;;) {
        if (acceptWord("using")) { name(); continue; }
        if (acceptWord("in")) { name(); continue; }
        if (acceptWord("fillfactor")) { integerValue(); continue; }
        if (acceptWord("online")) continue;
        if (acceptWord("enabled") || acceptWord("disabled")) continue;
        break;
    }
    return s;
}

StatementPtr Parser::sequenceStatement(StmtKind kind)
{
    auto s = std::make_unique<SequenceStatement>(kind);
    if (kind == StmtKind::CreateSequence && acceptWord("if")) {
        expectWord("not"); expectWord("exists"); s->ifNotExists = true;
    }
    s->name = objectName();
    for (;;) {
        if (acceptWord("increment")) { acceptWord("by"); s->increment = integerValue(); }
        else if (acceptWord("start")) { acceptWord("with"); s->start = integerValue(); }
        else if (kind == StmtKind::AlterSequence && acceptWord("restart")) {
            acceptWord("with");
            s->restart = (at(TokenKind::Integer) || at(TokenKind::Minus)) ? integerValue() : std::int64_t(0);
        }
        else if (acceptWord("maxvalue")) s->maxValue = integerValue();
        else if (acceptWord("nomaxvalue")) s->noMaxValue = true;
        else if (acceptWord("minvalue")) s->minValue = integerValue();
        else if (acceptWord("nominvalue")) s->noMinValue = true;
        else if (acceptWord("cycle")) s->cycle = true;
        else if (acceptWord("nocycle")) s->cycle = false;
        else if (acceptWord("cache")) s->cache = integerValue();
        else if (acceptWord("nocache")) s->noCache = true;
        else if (acceptWord("order")) s->order = true;
        else if (acceptWord("noorder")) s->order = false;
        else break;
    }
    return s;
}

StatementPtr Parser::dropStatement()
{
    next();
    StmtKind kind;
    const std::string w = name();
    if (w == "table") kind = StmtKind::DropTable;
    else if (w == "view") kind = StmtKind::DropView;
    else if (w == "index") kind = StmtKind::DropIndex;
    else if (w == "sequence") kind = StmtKind::DropSequence;
    else if (w == "synonym") kind = StmtKind::DropSynonym;
    else if (w == "trigger") kind = StmtKind::DropTrigger;
    else if (w == "role") kind = StmtKind::DropRole;
    else if (w == "database") kind = StmtKind::DropDatabase;
    else if (w == "row" && acceptWord("type")) kind = StmtKind::DropRowType;
    else if (w == "procedure" || w == "function" || w == "routine" || w == "specific") {
        auto s = std::make_unique<RoutineStatement>(StmtKind::DropRoutine);
        std::string what = w;
        if (w == "specific") {
            if (acceptWord("procedure")) what = "procedure";
            else if (acceptWord("function")) what = "function";
            else if (acceptWord("routine")) what = "routine";
            else fail();
        }
        s->isFunction = w == "function";
        s->dropKind = what == "procedure" ? 'P' : what == "function" ? 'F' : 'R';
        s->specific = w == "specific";
        if (acceptWord("if")) {
            expectWord("exists");
            s->ifExists = true;
        }
        s->name = objectName();
        if (accept(TokenKind::LParen)) {
            s->hasSignature = true;
            if (!at(TokenKind::RParen)) {
                do s->signature.push_back(typeName()); while (accept(TokenKind::Comma));
            }
            expect(TokenKind::RParen);
        }
        return s;
    } else {
        failAt(m_tokens[m_pos - 1].offset);
    }
    if (kind == StmtKind::DropDatabase) {
        auto s = std::make_unique<DatabaseStatement>(kind);
        s->name = name();
        return s;
    }
    auto s = std::make_unique<ObjectStatement>(kind);
    if (atWord("if") && atWord("exists", 1)) { next(); next(); s->ifExists = true; }
    if (kind == StmtKind::DropRole && at(TokenKind::String)) {
        s->name.offset = offset();
        s->name.name = next().text;
    } else {
        s->name = objectName();
    }
    if (acceptWord("cascade")) s->mode = DropMode::Cascade;
    else if (acceptWord("restrict")) s->mode = DropMode::Restrict;
    if (kind == StmtKind::DropIndex) acceptWord("online");
    // DROP ROW TYPE takes RESTRICT, and nothing else.
    if (kind == StmtKind::DropRowType && s->mode != DropMode::Restrict) failAt(offset());
    return s;
}

StatementPtr Parser::alterStatement()
{
    next();
    if (acceptWord("index")) {
        auto s = std::make_unique<AlterIndexStatement>();
        s->index = objectName();
        expectWord("to");
        s->cluster = !acceptWord("not");
        expectWord("cluster");
        return s;
    }
    if (acceptWord("sequence")) return sequenceStatement(StmtKind::AlterSequence);
    expectWord("table");
    auto s = std::make_unique<AlterTableStatement>();
    s->table = objectName();
    do {
        AlterAction a;
        a.offset = offset();
        if (acceptWord("add")) {
            if (acceptWord("constraint")) {
                a.kind = AlterAction::Kind::AddConstraints;
                const bool paren = accept(TokenKind::LParen);
                do a.constraints.push_back(tableConstraint()); while (paren && accept(TokenKind::Comma));
                if (paren) expect(TokenKind::RParen);
            } else if (atWord("rowids") || atWord("crcols")) {
                next();
                a.kind = AlterAction::Kind::Other;
            } else {
                a.kind = AlterAction::Kind::AddColumns;
                if (accept(TokenKind::LParen)) {
                    do a.columns.push_back(columnDef(true)); while (accept(TokenKind::Comma));
                    expect(TokenKind::RParen);
                } else {
                    a.columns.push_back(columnDef(true));
                }
            }
        } else if (acceptWord("drop")) {
            if (acceptWord("constraint")) {
                a.kind = AlterAction::Kind::DropConstraints;
            } else if (acceptWord("rowids") || acceptWord("crcols")) {
                a.kind = AlterAction::Kind::Other;
                s->actions.push_back(std::move(a));
                continue;
            } else {
                a.kind = AlterAction::Kind::DropColumns;
            }
            if (at(TokenKind::LParen)) {
                a.names = columnList();
            } else {
                ColumnRef c;
                c.offset = offset();
                c.name = name();
                a.names.push_back(std::move(c));
            }
        } else if (acceptWord("modify")) {
            if (acceptWord("next")) {
                expectWord("size");
                a.kind = AlterAction::Kind::ModifyNextSize;
                a.size = int(integerValue());
            } else {
                a.kind = AlterAction::Kind::ModifyColumns;
                if (accept(TokenKind::LParen)) {
                    do a.columns.push_back(columnDef(false)); while (accept(TokenKind::Comma));
                    expect(TokenKind::RParen);
                } else {
                    a.columns.push_back(columnDef(false));
                }
            }
        } else if (acceptWord("lock")) {
            expectWord("mode");
            a.kind = AlterAction::Kind::LockMode;
            const bool paren = accept(TokenKind::LParen);
            if (acceptWord("page")) a.lockMode = 'P';
            else if (acceptWord("row")) a.lockMode = 'R';
            else fail();
            if (paren) expect(TokenKind::RParen);
        } else {
            fail();
        }
        s->actions.push_back(std::move(a));
    } while (accept(TokenKind::Comma));
    return s;
}

StatementPtr Parser::renameStatement()
{
    next();
    auto s = std::make_unique<RenameStatement>();
    const std::string w = name();
    if (w == "table") s->what = RenameStatement::What::Table;
    else if (w == "column") s->what = RenameStatement::What::Column;
    else if (w == "index") s->what = RenameStatement::What::Index;
    else if (w == "sequence") s->what = RenameStatement::What::Sequence;
    else if (w == "database") s->what = RenameStatement::What::Database;
    else failAt(m_tokens[m_pos - 1].offset);
    if (s->what == RenameStatement::What::Column) {
        // [owner.]table.column
        s->object.offset = offset();
        std::string a = name();
        expect(TokenKind::Dot);
        std::string b = name();
        s->column.offset = m_tokens[m_pos - 1].offset;
        if (accept(TokenKind::Dot)) {
            s->object.owner = std::move(a);
            s->object.name = std::move(b);
            s->column.offset = offset();
            s->column.name = name();
        } else {
            s->object.name = std::move(a);
            s->column.name = std::move(b);
        }
    } else {
        s->object = objectName();
    }
    expectWord("to");
    s->newNameOffset = offset();
    s->newName = name();
    return s;
}

} // namespace quodlin::engine
