// Script splitting, statement dispatch, session statements and the statements
// a later engine stage carries out (views, synonyms, routines, triggers,
// privileges), plus the token helpers every parser file uses.
#include "engine/parser_internal.h"
#include "engine/parser_spl.h"

#include "engine/error.h"
#include "engine/lexer.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace quodlin::engine {

using namespace ast;

Parser::Parser(const std::string &text, std::vector<Token> tokens, const ParseOptions &opts)
    : m_text(text), m_tokens(std::move(tokens)), m_opts(opts)
{
}

void Parser::expect(TokenKind kind)
{
    if (!accept(kind)) fail();
}

void Parser::fail() const { raise(-201, {}, peek().offset); }
void Parser::failAt(int offset) const { raise(-201, {}, offset); }

int Parser::lastEnd() const
{
    if (m_pos == 0) return 0;
    const Token &t = m_tokens[m_pos - 1];
    return t.offset + t.length;
}

bool Parser::atName(int ahead) const
{
    const TokenKind k = peek(ahead).kind;
    return k == TokenKind::Identifier || k == TokenKind::DelimIdent;
}

std::string Parser::name()
{
    if (!atName()) fail();
    return next().text;
}

ObjectName Parser::objectName()
{
    ObjectName o;
    o.offset = offset();
    // Owners may be quoted: "owner".table or 'owner'.table (case kept).
    if ((at(TokenKind::String) || at(TokenKind::DelimIdent)) && at(TokenKind::Dot, 1)) {
        o.owner = next().text;
        next();
        o.name = name();
        return o;
    }
    std::string first = name();
    if (at(TokenKind::At)) {  // db@server:...
        next();
        o.database = first;
        o.server = name();
        expect(TokenKind::Colon);
        return [&] { ObjectName r = objectName(); r.database = o.database; r.server = o.server; r.offset = o.offset; return r; }();
    }
    if (at(TokenKind::Colon)) {
        next();
        ObjectName r = objectName();
        r.database = first;
        r.offset = o.offset;
        return r;
    }
    if (at(TokenKind::Dot) && atName(1)) {
        next();
        o.owner = first;
        o.name = name();
        return o;
    }
    o.name = first;
    return o;
}

std::vector<ColumnRef> Parser::columnList()
{
    std::vector<ColumnRef> cols;
    expect(TokenKind::LParen);
    do {
        ColumnRef c;
        c.offset = offset();
        c.name = name();
        cols.push_back(std::move(c));
    } while (accept(TokenKind::Comma));
    expect(TokenKind::RParen);
    return cols;
}

std::int64_t Parser::integerValue()
{
    const bool negative = accept(TokenKind::Minus);
    if (!negative) accept(TokenKind::Plus);
    if (!at(TokenKind::Integer)) fail();
    const Token &t = next();
    // Read as unsigned so INT8's whole range (and its most negative value) parses.
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), v);
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (ec != std::errc() || end != t.text.data() + t.text.size() || v > limit) raise(-1284, {}, t.offset);
    return negative ? std::int64_t(0 - v) : std::int64_t(v);
}

bool isClauseWord(const Token &t)
{
    static constexpr std::string_view words[] = {
        "from", "where", "group", "having", "order", "union", "into", "join", "inner", "left",
        "right", "full", "cross", "on", "natural", "limit", "for", "with", "outer", "using", "set",
        "values", "select", "when", "then", "else", "end", "as", "and", "or", "not",
        "intersect", "minus", "except",
    };
    // Every word above is 2 to 9 letters; most names are not, or fail on the first letter.
    if (t.kind != TokenKind::Identifier || t.text.size() < 2 || t.text.size() > 9) return false;
    const std::string_view text = t.text;
    for (std::string_view w : words)
        if (w[0] == text[0] && w == text) return true;
    return false;
}

// ----------------------------------------------------------------- script

Script Parser::script()
{
    Script out;
    while (!at(TokenKind::End)) {
        if (accept(TokenKind::Semicolon)) continue;
        const int start = offset();
        std::vector<Param> params;
        m_params = &params;
        StatementPtr s = statement();
        s->start = start;
        s->end = lastEnd();
        s->params = std::move(params);
        m_params = nullptr;
        if (!at(TokenKind::End) && !at(TokenKind::Semicolon)) fail();
        out.push_back(std::move(s));
    }
    return out;
}

ExprPtr Parser::standaloneExpression()
{
    std::vector<Param> params;
    m_params = &params;
    ExprPtr e = expression();
    if (!at(TokenKind::End)) fail();
    m_params = nullptr;
    return e;
}

StatementPtr Parser::statement()
{
    const Token &t = peek();
    if (t.kind == TokenKind::LParen) {  // (SELECT ...) UNION ...
        auto s = std::make_unique<SelectStatement>();
        s->select = std::move(*selectStatement(true));
        return s;
    }
    if (t.kind != TokenKind::Identifier) fail();
    const std::string &w = t.text;
    if (w == "with" && (atName(1) || atWord("recursive", 1))) {
        // WITH ... SELECT, and WITH ... INSERT INTO t SELECT: the common
        // tables serve the INSERT's query.
        const int start = offset();
        next();
        std::vector<CommonTable> with = commonTables();
        if (!atWord("insert")) {
            if (!atWord("select") && !at(TokenKind::LParen)) fail();
            auto s = std::make_unique<SelectStatement>();
            s->select = std::move(*selectStatement(true));
            for (std::size_t i = 0; i < with.size(); ++i)
                s->select.with.insert(s->select.with.begin() + std::ptrdiff_t(i), std::move(with[i]));
            return s;
        }
        StatementPtr st = insertStatement();
        auto &insert = static_cast<InsertStatement &>(*st);
        if (!insert.select) failAt(start);
        for (std::size_t i = 0; i < with.size(); ++i)
            insert.select->with.insert(insert.select->with.begin() + std::ptrdiff_t(i), std::move(with[i]));
        return st;
    }
    if (w == "select") {
        auto s = std::make_unique<SelectStatement>();
        s->select = std::move(*selectStatement(true));
        return s;
    }
    if (w == "insert") return insertStatement();
    if (w == "update") {
        if (atWord("statistics", 1) && !atWord("set", 2)) {
            next(); next();
            auto s = std::make_unique<UpdateStatisticsStatement>();
            if (atWord("low") || atWord("medium") || atWord("high")) s->mode = next().text;
            if (acceptWord("for")) {
                if (acceptWord("table")) {
                    if (atName() || at(TokenKind::String)) {
                        s->table = objectName();
                        if (at(TokenKind::LParen)) s->columns = columnList();
                    }
                } else if (acceptWord("procedure") || acceptWord("function") || acceptWord("routine")) {
                    s->forProcedure = true;
                    if (atName()) s->procedure = objectName();
                    if (at(TokenKind::LParen)) { while (!at(TokenKind::RParen) && !at(TokenKind::End)) next(); expect(TokenKind::RParen); }
                } else {
                    fail();
                }
            }
            while (atWord("distributions") || atWord("only") || atWord("drop") || atWord("resolution")
                   || at(TokenKind::Integer) || at(TokenKind::Number))
                next();
            return s;
        }
        return updateStatement();
    }
    if (w == "delete") return deleteStatement();
    if (w == "merge") return mergeStatement();
    if (w == "create") return createStatement();
    if (w == "drop") return dropStatement();
    if (w == "alter") return alterStatement();
    if (w == "rename") return renameStatement();
    if (w == "truncate") {
        next();
        acceptWord("table");
        auto s = std::make_unique<ObjectStatement>(StmtKind::Truncate);
        s->name = objectName();
        if (acceptWord("reuse") || acceptWord("drop")) expectWord("storage");
        return s;
    }
    if (w == "begin") {
        next();
        acceptWord("work");
        if (acceptWord("without")) expectWord("replication");
        return std::make_unique<SimpleStatement>(StmtKind::Begin);
    }
    if (w == "commit" || w == "rollback") {
        next();
        acceptWord("work");
        return std::make_unique<SimpleStatement>(w == "commit" ? StmtKind::Commit : StmtKind::Rollback);
    }
    if (w == "set") return setStatement();
    if (w == "lock") {
        next();
        expectWord("table");
        auto s = std::make_unique<LockTableStatement>();
        s->table = objectName();
        expectWord("in");
        if (acceptWord("exclusive")) s->exclusive = true;
        else expectWord("share");
        expectWord("mode");
        return s;
    }
    if (w == "unlock") {
        next();
        expectWord("table");
        auto s = std::make_unique<ObjectStatement>(StmtKind::UnlockTable);
        s->name = objectName();
        return s;
    }
    if (w == "database") {
        next();
        auto s = std::make_unique<DatabaseStatement>(StmtKind::Database);
        s->name = objectName().name;
        s->exclusive = acceptWord("exclusive");
        return s;
    }
    if (w == "close") {
        next();
        expectWord("database");
        return std::make_unique<SimpleStatement>(StmtKind::CloseDatabase);
    }
    if (w == "grant" || w == "revoke") return privilegeStatement(w == "grant");
    if (w == "execute") return executeRoutine();
    if (w == "call") { // CALL is SPL only, but recognise it as a routine call
        return executeRoutine();
    }
    fail();
}

StatementPtr Parser::privilegeStatement(bool grant)
{
    next();
    using Level = PrivilegeStatement::Level;
    auto s = std::make_unique<PrivilegeStatement>(grant ? StmtKind::Grant : StmtKind::Revoke);
    auto grantee = [&] {
        if (at(TokenKind::String)) return next().text;
        return name();
    };
    if (atWord("default") && atWord("role", 1)) {
        next(); next();
        s->level = Level::DefaultRole;
        if (grant) s->privileges.push_back({grantee(), {}});
    } else {
        // Privilege list up to ON (table or routine privileges) or TO/FROM (levels, roles).
        do {
            PrivilegeStatement::Privilege p;
            p.name = grantee();
            if (p.name == "all") acceptWord("privileges");
            if (at(TokenKind::LParen)) p.columns = columnList();
            s->privileges.push_back(std::move(p));
        } while (accept(TokenKind::Comma));
        if (acceptWord("on")) {
            s->level = Level::Table;
            if (atWord("procedure") || atWord("function") || atWord("routine") || atWord("specific")) {
                s->level = Level::Routine;
                s->specific = acceptWord("specific");
                if (s->specific && !atWord("procedure") && !atWord("function") && !atWord("routine")) fail();
                const std::string kind = next().text;
                s->routineKind = kind == "procedure" ? 'P' : kind == "function" ? 'F' : 'R';
            } else {
                acceptWord("table");
            }
            s->object = objectName();
            if (s->level == Level::Routine && !s->specific && accept(TokenKind::LParen)) {
                s->hasSignature = true;
                if (!at(TokenKind::RParen)) {
                    do s->signature.push_back(typeName()); while (accept(TokenKind::Comma));
                }
                expect(TokenKind::RParen);
            }
        } else {
            const std::string &first = s->privileges.front().name;
            s->level = (first == "connect" || first == "resource" || first == "dba") ? Level::Database : Level::Role;
        }
    }
    if (grant) expectWord("to");
    else expectWord("from");
    do {
        s->granteeOffsets.push_back(offset());
        s->grantees.push_back(grantee());
    } while (accept(TokenKind::Comma));
    if (grant && atWord("with")) {
        next();
        expectWord("grant");
        expectWord("option");
        s->withGrantOption = true;
    }
    if (acceptWord("as")) s->asGrantor = grantee();
    if (!grant) {
        if (acceptWord("cascade")) s->mode = DropMode::Cascade;
        else if (acceptWord("restrict")) s->mode = DropMode::Restrict;
    }
    return s;
}

// ----------------------------------------------------------------- SET

StatementPtr Parser::setStatement()
{
    next();
    if (acceptWord("isolation")) {
        acceptWord("to");
        auto s = std::make_unique<SetIsolationStatement>();
        if (acceptWord("dirty")) { expectWord("read"); s->level = SetIsolationStatement::Level::DirtyRead; }
        else if (acceptWord("committed")) {
            expectWord("read");
            s->level = SetIsolationStatement::Level::CommittedRead;
            if (acceptWord("last")) { expectWord("committed"); s->lastCommitted = true; }
        } else if (acceptWord("cursor")) { expectWord("stability"); s->level = SetIsolationStatement::Level::CursorStability; }
        else if (acceptWord("repeatable")) { expectWord("read"); s->level = SetIsolationStatement::Level::RepeatableRead; }
        else fail();
        if (acceptWord("retain")) { expectWord("update"); expectWord("locks"); s->retainUpdateLocks = true; }
        return s;
    }
    if (atWord("transaction")) {  // ANSI form: SET TRANSACTION ISOLATION LEVEL ...
        next();
        auto s = std::make_unique<SetIsolationStatement>();
        while (!at(TokenKind::End) && !at(TokenKind::Semicolon)) {
            if (atWord("uncommitted")) s->level = SetIsolationStatement::Level::DirtyRead;
            if (atWord("serializable") || atWord("repeatable")) s->level = SetIsolationStatement::Level::RepeatableRead;
            next();
        }
        return s;
    }
    if (acceptWord("lock")) {
        expectWord("mode");
        expectWord("to");
        auto s = std::make_unique<SetLockModeStatement>();
        if (acceptWord("not")) { expectWord("wait"); s->waitSeconds = 0; return s; }
        expectWord("wait");
        s->waitSeconds = at(TokenKind::Integer) ? int(integerValue()) : -1;
        return s;
    }
    if (acceptWord("explain")) {
        auto s = std::make_unique<SetExplainStatement>();
        if (acceptWord("on")) {
            s->mode = SetExplainStatement::Mode::On;
            if (acceptWord("avoid_execute")) s->mode = SetExplainStatement::Mode::AvoidExecute;
        } else if (acceptWord("off")) {
            s->mode = SetExplainStatement::Mode::Off;
        } else if (acceptWord("file")) {
            expectWord("to");
            s->mode = SetExplainStatement::Mode::File;
            if (!at(TokenKind::String)) fail();
            s->file = next().text;
            if (acceptWord("with")) { expectWord("append"); s->appendFile = true; }
        } else {
            fail();
        }
        return s;
    }
    if (atWord("role")) {
        next();
        auto s = std::make_unique<SetOtherStatement>(StmtKind::SetRole);
        s->what = "role";
        if (at(TokenKind::String)) s->value = next().text;
        else s->value = name();
        return s;
    }
    // Settings without meaning for a local file: accept the usual forms.
    if (!atName()) fail();
    auto s = std::make_unique<SetOtherStatement>();
    s->what = peek().text;
    static const char *const known[] = {"pdqpriority", "optimization", "constraints", "debug",
                                        "log", "buffered", "deferred_prepare", "environment",
                                        "statement", "indexes", "triggers", "all", "collation",
                                        "encryption", "dataskip", "session", "autofree", "connection"};
    bool ok = false;
    for (const char *k : known) ok = ok || s->what == k;
    if (!ok) fail();
    if (s->what == "debug" && atWord("file", 1)) {
        next(); next();
        expectWord("to");
        if (!at(TokenKind::String)) fail();
        s->value = next().text;
        if (acceptWord("with")) { expectWord("append"); s->append = true; }
        return s;
    }
    while (!at(TokenKind::End) && !at(TokenKind::Semicolon)) next();
    return s;
}

// --------------------------------------------- statements of a later stage

StatementPtr Parser::createView()
{
    auto s = std::make_unique<CreateViewStatement>();
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->name = objectName();
    if (at(TokenKind::LParen)) s->columns = columnList();
    expectWord("as");
    s->select = selectStatement(false);
    if (acceptWord("with")) { expectWord("check"); expectWord("option"); s->withCheckOption = true; }
    return s;
}

StatementPtr Parser::createSynonym(bool explicitScope, bool isPublic)
{
    auto s = std::make_unique<CreateSynonymStatement>();
    s->explicitScope = explicitScope;
    s->isPublic = isPublic;
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->name = objectName();
    expectWord("for");
    s->target = objectName();
    return s;
}

StatementPtr Parser::createRoutine(bool dba)
{
    auto s = std::make_unique<RoutineStatement>(StmtKind::CreateRoutine);
    s->dba = dba;
    s->isFunction = next().text == "function";
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->name = objectName();
    if (!at(TokenKind::LParen)) fail();
    // Parameters and RETURNING, best effort: forms the header parser does not
    // know (LIKE t.c, collections...) leave them empty rather than failing.
    const std::size_t bodyScan = m_pos;
    try {
        expect(TokenKind::LParen);
        if (!at(TokenKind::RParen)) {
            do {
                if ((atWord("out") || atWord("inout") || atWord("in")) && atName(1) && atName(2)) next();
                s->paramNames.push_back(name());
                s->signature.push_back(typeName());
                s->paramDefaults.push_back(acceptWord("default") ? defaultValue() : DefaultValue{});
            } while (accept(TokenKind::Comma));
        }
        expect(TokenKind::RParen);
        if (acceptWord("returning") || acceptWord("returns")) {
            do {
                s->returning.push_back(typeName());
                s->returningNames.push_back(acceptWord("as") ? name() : std::string());
            } while (accept(TokenKind::Comma));
        }
        if (acceptWord("specific")) {
            const ObjectName specific = objectName();
            s->specificName = specific.name;
            s->specificOffset = specific.offset;
        }
        if (atWord("with") && at(TokenKind::LParen, 1)) {
            next();
            int depth = 0;
            do {
                if (at(TokenKind::End)) fail();
                if (at(TokenKind::LParen)) ++depth;
                if (at(TokenKind::RParen)) --depth;
                next();
            } while (depth > 0);
        }
        s->headerParsed = true;
    } catch (const EngineError &) {
        s->signature.clear();
        s->paramNames.clear();
        s->paramDefaults.clear();
        s->returning.clear();
        s->returningNames.clear();
    }
    const char *closing = s->isFunction ? "function" : "procedure";
    if (s->headerParsed) {
        accept(TokenKind::Semicolon);
        s->body = parseSplBody(*this, closing);
        next(); next();
    } else {
        // A header form not understood (LIKE parameters...): the body is kept as text only.
        m_pos = bodyScan;
        for (;;) {
            if (at(TokenKind::End)) fail();
            if (atWord("end") && peek(1).isWord(std::string(closing))) { next(); next(); break; }
            next();
        }
    }
    if (acceptWord("document")) {
        do {
            if (!at(TokenKind::String)) fail();
            s->documents.push_back(next().text);
        } while (accept(TokenKind::Comma));
    }
    if (acceptWord("with")) {
        expectWord("listing");
        expectWord("in");
        if (!at(TokenKind::String)) fail();
        next();
    }
    return s;
}

StatementPtr Parser::createTrigger()
{
    auto s = std::make_unique<RoutineStatement>(StmtKind::CreateTrigger);
    if (acceptWord("if")) { expectWord("not"); expectWord("exists"); s->ifNotExists = true; }
    s->name = objectName();
    if (acceptWord("instead")) {
        expectWord("of");
        s->insteadOf = true;
    }
    // INSTEAD OF triggers have no SELECT event, no column list, no BEFORE/AFTER or WHEN parts.
    if (acceptWord("insert")) s->event = 'I';
    else if (acceptWord("delete")) s->event = 'D';
    else if (acceptWord("update")) s->event = 'U';
    else if (!s->insteadOf && acceptWord("select")) s->event = 'S';
    else fail();
    if (!s->insteadOf && acceptWord("of")) {
        do s->updateColumns.push_back(name()); while (accept(TokenKind::Comma));
    }
    expectWord("on");
    s->table = objectName();
    if (acceptWord("referencing")) {
        bool any = false;
        for (;;) {
            const bool isOld = atWord("old");
            if (!isOld && !atWord("new")) break;
            int &keyword = isOld ? s->oldOffset : s->newOffset;
            if (keyword >= 0) fail();  // OLD or NEW written twice
            keyword = offset();
            next();
            acceptWord("as");
            (isOld ? s->oldNameOffset : s->newNameOffset) = offset();
            (isOld ? s->oldName : s->newName) = name();
            any = true;
        }
        if (!any) fail();
    }
    // The stored header runs through FOR EACH ROW, else up to the first action part.
    const bool forEachRowInHeader = atWord("for") && atWord("each", 1) && atWord("row", 2);
    if (forEachRowInHeader) {
        next(); next();
        const Token &row = next();
        s->headerEnd = row.offset + row.length;
        s->forEachRow = true;
    } else {
        if (s->insteadOf) fail();
        if (!atWord("before") && !atWord("after") && !at(TokenKind::LParen) && !atWord("when")) fail();
        s->headerEnd = peek(0).offset;
    }
    // Action parts: [BEFORE | FOR EACH ROW | AFTER] then one or more [WHEN (cond)] (action, ...).
    bool rowPart = forEachRowInHeader;
    // Without a part keyword the actions run once after the statement.
    char part = forEachRowInHeader ? 'R' : 'A';
    for (;;) {
        if (!rowPart) {
            if (s->insteadOf) {
                break;
            } else if (atWord("before") || atWord("after")) {
                part = next().text == "before" ? 'B' : 'A';
            } else if (atWord("for") && atWord("each", 1) && atWord("row", 2)) {
                next(); next(); next();
                s->forEachRow = true;
                part = 'R';
            } else {
                break;
            }
        }
        rowPart = false;
        if (!at(TokenKind::LParen) && !atWord("when")) fail();
        while (at(TokenKind::LParen) || atWord("when")) {
            if (s->insteadOf && atWord("when")) fail();
            int when = -1;
            if (acceptWord("when")) {
                expect(TokenKind::LParen);
                when = static_cast<int>(s->args.size());
                s->args.push_back(expression());
                expect(TokenKind::RParen);
            }
            expect(TokenKind::LParen);
            do {
                const int start = offset();
                if (!atWord("insert") && !atWord("update") && !atWord("delete") && !atWord("execute")) fail();
                StatementPtr a = statement();
                if (a->kind == StmtKind::UpdateStatistics) failAt(start);
                a->start = start;
                a->end = lastEnd();
                s->actions.push_back(std::move(a));
                s->actionParts.push_back(part);
                s->actionWhen.push_back(when);
            } while (accept(TokenKind::Comma));
            expect(TokenKind::RParen);
        }
    }
    if (s->actions.empty()) fail();
    if (!acceptWord("enabled")) acceptWord("disabled");
    return s;
}

StatementPtr Parser::executeRoutine()
{
    const bool call = next().text == "call";
    auto s = std::make_unique<RoutineStatement>(StmtKind::ExecuteRoutine);
    if (!call) {
        if (acceptWord("function")) s->isFunction = true;
        else if (!acceptWord("procedure") && !acceptWord("routine")) fail();
    }
    s->name = objectName();
    expect(TokenKind::LParen);
    if (!at(TokenKind::RParen)) {
        do {
            std::string argName;
            if (atName() && at(TokenKind::Eq, 1)) { argName = name(); next(); }  // named argument p = v
            s->argNames.push_back(argName);
            s->args.push_back(expression());
        } while (accept(TokenKind::Comma));
    }
    expect(TokenKind::RParen);
    // A trigger action's procedure that may read and set the row's values.
    if (atWord("with") && atWord("trigger", 1)) {
        next(); next();
        expectWord("references");
        s->withTriggerReferences = true;
    }
    if (acceptWord("into")) {
        do {
            ColumnRef c;
            c.offset = offset();
            c.name = name();
            s->into.push_back(std::move(c));
        } while (accept(TokenKind::Comma));
    }
    return s;
}

// ----------------------------------------------------------------- entry points

namespace {
// The token array of the last parse on this thread, kept for the next one
// (a catalog statement has several hundred tokens).
thread_local std::vector<Token> t_tokenBuffer;
constexpr std::size_t kKeepTokens = 4096;
} // namespace

Script parseScript(const std::string &text, const ParseOptions &opts)
{
    std::vector<Token> tokens = std::move(t_tokenBuffer);
    tokenizeInto(text, LexOptions{opts.delimident}, tokens);
    Parser p(text, std::move(tokens), opts);
    Script script = p.script();
    if (p.m_tokens.capacity() <= kKeepTokens)
        t_tokenBuffer = std::move(p.m_tokens);
    return script;
}

ExprPtr parseExpression(const std::string &text, const ParseOptions &opts)
{
    Parser p(text, tokenize(text, LexOptions{opts.delimident}), opts);
    return p.standaloneExpression();
}

const char *ast::statementKindName(StmtKind kind)
{
    switch (kind) {
    case StmtKind::Select: return "SELECT";
    case StmtKind::Insert: return "INSERT";
    case StmtKind::Update: return "UPDATE";
    case StmtKind::Delete: return "DELETE";
    case StmtKind::Merge: return "MERGE";
    case StmtKind::CreateTable: return "CREATE TABLE";
    case StmtKind::DropTable: return "DROP TABLE";
    case StmtKind::AlterTable: return "ALTER TABLE";
    case StmtKind::Rename: return "RENAME";
    case StmtKind::CreateIndex: return "CREATE INDEX";
    case StmtKind::DropIndex: return "DROP INDEX";
    case StmtKind::AlterIndex: return "ALTER INDEX";
    case StmtKind::CreateSequence: return "CREATE SEQUENCE";
    case StmtKind::AlterSequence: return "ALTER SEQUENCE";
    case StmtKind::DropSequence: return "DROP SEQUENCE";
    case StmtKind::CreateRowType: return "CREATE ROW TYPE";
    case StmtKind::DropRowType: return "DROP ROW TYPE";
    case StmtKind::Truncate: return "TRUNCATE";
    case StmtKind::Begin: return "BEGIN WORK";
    case StmtKind::Commit: return "COMMIT WORK";
    case StmtKind::Rollback: return "ROLLBACK WORK";
    case StmtKind::SetIsolation: return "SET ISOLATION";
    case StmtKind::SetLockMode: return "SET LOCK MODE";
    case StmtKind::SetExplain: return "SET EXPLAIN";
    case StmtKind::SetOther: return "SET";
    case StmtKind::LockTable: return "LOCK TABLE";
    case StmtKind::UnlockTable: return "UNLOCK TABLE";
    case StmtKind::Database: return "DATABASE";
    case StmtKind::CloseDatabase: return "CLOSE DATABASE";
    case StmtKind::CreateDatabase: return "CREATE DATABASE";
    case StmtKind::DropDatabase: return "DROP DATABASE";
    case StmtKind::UpdateStatistics: return "UPDATE STATISTICS";
    case StmtKind::CreateView: return "CREATE VIEW";
    case StmtKind::DropView: return "DROP VIEW";
    case StmtKind::CreateSynonym: return "CREATE SYNONYM";
    case StmtKind::DropSynonym: return "DROP SYNONYM";
    case StmtKind::CreateRoutine: return "CREATE PROCEDURE";
    case StmtKind::DropRoutine: return "DROP PROCEDURE";
    case StmtKind::CreateTrigger: return "CREATE TRIGGER";
    case StmtKind::DropTrigger: return "DROP TRIGGER";
    case StmtKind::CreateRole: return "CREATE ROLE";
    case StmtKind::DropRole: return "DROP ROLE";
    case StmtKind::Grant: return "GRANT";
    case StmtKind::Revoke: return "REVOKE";
    case StmtKind::ExecuteRoutine: return "EXECUTE PROCEDURE";
    case StmtKind::SetRole: return "SET ROLE";
    }
    return "";
}

} // namespace quodlin::engine
