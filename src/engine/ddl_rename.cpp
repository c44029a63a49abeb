// RENAME TABLE / COLUMN / INDEX / SEQUENCE, and the rewriting of the stored
// view and trigger texts that name what was renamed.
#include "engine/decimal.h"
#include "engine/ddl_common.h"
#include "engine/ddl_objects.h"

#include "engine/lexer.h"
#include "engine/parser.h"
#include "engine/translate_internal.h"
#include "engine/values.h"

#include <algorithm>
#include <functional>
#include <set>


namespace quodlin::engine::ddl {

namespace {

// Stored view, trigger and check texts follow a renamed table or column, as
// Informix rewrites them. The texts are the user's own, so the rewrite works
// on their tokens: identifiers in table positions (after FROM, JOIN, a comma
// or OUTER in a FROM list, or before ".column") or column positions.

bool named(const Token &t, const std::string &name)
{
    return (t.kind == TokenKind::Identifier || t.kind == TokenKind::DelimIdent) && t.text == name;
}

std::vector<Token> lexQuietly(const std::string &text)
{
    try {
        std::vector<Token> tokens = tokenize(text);
        tokens.push_back(Token{});  // End: lookahead past the last token is safe
        return tokens;
    } catch (const EngineError &) {
        return {};
    }
}

std::string replaceAt(std::string text, std::vector<const Token *> at, const std::string &with)
{
    std::sort(at.begin(), at.end(), [](const Token *a, const Token *b) { return a->offset > b->offset; });
    for (const Token *t : at)
        text.replace(static_cast<std::size_t>(t->offset), static_cast<std::size_t>(t->length), with);
    return text;
}

// Marks the tokens that name a table in a FROM list; `aliases` receives the
// correlation names given to `table`, `others` those given to other tables.
std::vector<bool> tablePositions(const std::vector<Token> &tk, const std::string &table,
                                 std::vector<std::string> &aliases, std::vector<std::string> &others)
{
    enum class Ctx { None, From, On };
    std::vector<Ctx> ctx{Ctx::None};
    std::vector<bool> out(tk.size(), false);
    static const std::set<std::string> notAlias = {"where", "group", "having", "order", "union", "into", "outer",
                                                   "left", "right", "inner", "full", "cross", "join", "on", "as"};
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        const Token &t = tk[i];
        if (t.is(TokenKind::LParen)) {
            ctx.push_back(ctx.back() == Ctx::From ? Ctx::From : Ctx::None);
            continue;
        }
        if (t.is(TokenKind::RParen)) {
            if (ctx.size() > 1)
                ctx.pop_back();
            continue;
        }
        Ctx &c = ctx.back();
        if (t.isWord("from")) {
            c = Ctx::From;
            continue;
        }
        if (t.isWord("where") || t.isWord("group") || t.isWord("having") || t.isWord("order") || t.isWord("union")
            || t.isWord("into")) {
            c = Ctx::None;
            continue;
        }
        if (c == Ctx::On && (t.isWord("join") || t.is(TokenKind::Comma))) {
            c = Ctx::From;
            continue;
        }
        if (c == Ctx::From && t.isWord("on")) {
            c = Ctx::On;
            continue;
        }
        if (c != Ctx::From || i == 0)
            continue;
        const Token &prev = tk[i - 1];
        const bool start = prev.isWord("from") || prev.isWord("join") || prev.isWord("outer")
                           || prev.is(TokenKind::Comma) || prev.is(TokenKind::LParen);
        if (!start || (t.kind != TokenKind::Identifier && t.kind != TokenKind::DelimIdent))
            continue;
        std::size_t name = i;
        if (tk[i + 1].is(TokenKind::Dot) && i + 2 < tk.size())
            name = i + 2;  // owner.table
        out[name] = true;
        std::size_t a = name + 1;
        if (tk[a].isWord("as"))
            ++a;
        if (a < tk.size() && (tk[a].kind == TokenKind::Identifier || tk[a].kind == TokenKind::DelimIdent)
            && !notAlias.count(tk[a].text))
            (named(tk[name], table) ? aliases : others).push_back(tk[a].text);
    }
    return out;
}

// A view text after RENAME TABLE `from` TO `to`.
std::string renameTableIn(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    if (tk.empty())
        return text;
    std::vector<std::string> aliases, others;
    const std::vector<bool> table = tablePositions(tk, from, aliases, others);
    // A correlation name spelled like the old table hides it in qualifiers.
    const bool hidden = std::find(aliases.begin(), aliases.end(), from) != aliases.end()
                        || std::find(others.begin(), others.end(), from) != others.end();
    std::vector<const Token *> hits;
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!named(tk[i], from))
            continue;
        // table.column, owner.table.column
        const bool qualifier = tk[i + 1].is(TokenKind::Dot);
        if (table[i] || (qualifier && !hidden && !(i > 0 && tk[i - 1].isWord("as"))))
            hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The query block (SELECT ... up to its closing parenthesis or the next
// UNION member) of every token, -1 outside any; `parent` links nested blocks.
std::vector<int> queryBlocks(const std::vector<Token> &tk, std::vector<int> &parent)
{
    std::vector<int> out(tk.size(), -1);
    std::vector<std::pair<int, int>> open;  // block, paren depth
    int depth = 0;
    for (std::size_t i = 0; i < tk.size(); ++i) {
        if (tk[i].is(TokenKind::LParen)) {
            ++depth;
        } else if (tk[i].is(TokenKind::RParen)) {
            --depth;
            while (!open.empty() && open.back().second > depth)
                open.pop_back();
        } else if (tk[i].isWord("select")) {
            if (!open.empty() && open.back().second == depth)
                open.pop_back();  // the next member of a UNION
            parent.push_back(open.empty() ? -1 : open.back().first);
            open.emplace_back(static_cast<int>(parent.size()) - 1, depth);
        }
        out[i] = open.empty() ? -1 : open.back().first;
    }
    return out;
}

// A view or check text after RENAME COLUMN table.`from` TO `to`: the column
// qualified by the table or one of its correlation names, or unqualified in
// a query block that reads the table, unless a nearer block reads another
// table with a column of that name (`hasColumn` asks the catalog).
std::string renameColumnIn(const std::string &text, const std::string &table, const std::string &from,
                           const std::string &to,
                           const std::function<bool(const std::string &, const std::string &)> &hasColumn)
{
    const std::vector<Token> tk = lexQuietly(text);
    if (tk.empty())
        return text;
    std::vector<std::string> aliases, others;
    const std::vector<bool> tables = tablePositions(tk, table, aliases, others);
    if (std::find(others.begin(), others.end(), table) == others.end())
        aliases.push_back(table);  // unless another table's correlation name hides it
    std::vector<int> parent;
    const std::vector<int> block = queryBlocks(tk, parent);
    std::vector<std::vector<std::string>> reads(parent.size());
    for (std::size_t i = 0; i < tk.size(); ++i)
        if (tables[i] && block[i] >= 0)
            reads[static_cast<std::size_t>(block[i])].push_back(tk[i].text);
    auto resolvesToTable = [&](int b) {
        if (b < 0)
            return parent.empty();  // a check condition: the table's own columns
        for (; b >= 0; b = parent[static_cast<std::size_t>(b)]) {
            const auto &names = reads[static_cast<std::size_t>(b)];
            if (std::find(names.begin(), names.end(), table) != names.end())
                return true;
            for (const std::string &n : names)
                if (hasColumn(n, from))
                    return false;
        }
        return false;
    };
    std::vector<const Token *> hits;
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!named(tk[i], from) || tables[i])
            continue;
        const Token &next = tk[i + 1];
        if (next.is(TokenKind::Dot) || next.is(TokenKind::LParen))
            continue;  // a qualifier or a function name
        if (i > 0 && tk[i - 1].isWord("as"))
            continue;  // a display label
        if (i > 1 && tk[i - 1].is(TokenKind::Dot)) {
            const Token &q = tk[i - 2];
            if (std::find_if(aliases.begin(), aliases.end(), [&](const std::string &a) { return named(q, a); })
                == aliases.end())
                continue;
        } else if (!resolvesToTable(block[i])) {
            continue;
        }
        hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The 'D' header of a trigger: the table after ON.
std::string renameTriggerTable(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    for (std::size_t i = 0; i + 1 < tk.size(); ++i) {
        if (!tk[i].isWord("on"))
            continue;
        std::size_t n = tk[i + 2].is(TokenKind::Dot) ? i + 3 : i + 1;
        if (n < tk.size() && named(tk[n], from))
            return replaceAt(text, {&tk[n]}, to);
        break;
    }
    return text;
}

// The 'D' header of a trigger: UPDATE OF column list.
std::string renameTriggerColumns(const std::string &text, const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    std::vector<const Token *> hits;
    bool inList = false;
    for (std::size_t i = 0; i < tk.size(); ++i) {
        if (tk[i].isWord("on"))
            break;
        if (tk[i].isWord("of") && i > 0 && (tk[i - 1].isWord("update") || tk[i - 1].isWord("select")))
            inList = true;
        else if (inList && named(tk[i], from))
            hits.push_back(&tk[i]);
    }
    return replaceAt(text, hits, to);
}

// The 'A' actions of a trigger: correlation.column.
std::string renameCorrelated(const std::string &text, const std::vector<std::string> &correlations,
                             const std::string &from, const std::string &to)
{
    const std::vector<Token> tk = lexQuietly(text);
    std::vector<const Token *> hits;
    for (std::size_t i = 2; i < tk.size(); ++i)
        if (named(tk[i], from) && tk[i - 1].is(TokenKind::Dot)
            && std::find_if(correlations.begin(), correlations.end(),
                            [&](const std::string &c) { return !c.empty() && named(tk[i - 2], c); })
                   != correlations.end())
            hits.push_back(&tk[i]);
    return replaceAt(text, hits, to);
}

// Reads and rewrites the chunked text of one object (the rows of `keyCol` =
// `key` when a key column is given).
void rewriteChunks(SessionImpl &s, const std::string &table, const std::string &idCol, const std::string &textCol,
                   const std::string &keyCol, char key, int id, std::size_t width,
                   const std::function<std::string(const std::string &)> &change)
{
    const std::string where = " WHERE " + idCol + " = ?1" + (keyCol.empty() ? "" : " AND " + keyCol + " = ?2");
    auto bindKeys = [&](sql::Stmt &q) {
        q.bind(1, id);
        if (!keyCol.empty())
            q.bind(2, std::string(1, key));
    };
    std::vector<std::string> chunks;
    {
        sql::Stmt q(s.db(), "SELECT " + textCol + " FROM " + table + where + " ORDER BY seqno");
        bindKeys(q);
        while (q.step())
            chunks.push_back(q.text(0));
    }
    const std::string text = joinChunks(chunks, width);
    const std::string changed = change(text);
    if (changed == text)
        return;
    sql::Stmt d(s.db(), "DELETE FROM " + table + where);
    bindKeys(d);
    d.run();
    sql::Stmt w(s.db(), "INSERT INTO " + table + " (" + idCol + ", seqno, " + textCol
                            + (keyCol.empty() ? ") VALUES (?1, ?3, ?4)" : ", " + keyCol + ") VALUES (?1, ?3, ?4, ?2)"));
    int seq = 0;
    for (const std::string &row : textChunks(changed, width)) {
        bindKeys(w);
        w.bind(3, seq++).bind(4, row);
        w.run();
        w.reset();
    }
}

std::vector<int> dependentViews(SessionImpl &s, int tabid)
{
    std::vector<int> out;
    sql::Stmt q(s.db(), "SELECT DISTINCT dtabid FROM sysdepend WHERE btabid = ?1 AND dtype = 'V'");
    q.bind(1, tabid);
    while (q.step())
        out.push_back(static_cast<int>(q.integer(0)));
    return out;
}

struct TriggerNames {
    int trigid = 0;
    std::vector<std::string> correlations;
};

std::vector<TriggerNames> triggersOn(SessionImpl &s, int tabid)
{
    std::vector<TriggerNames> out;
    sql::Stmt q(s.db(), "SELECT trigid, coalesce(old, ''), coalesce(new, '') FROM systriggers WHERE tabid = ?1");
    q.bind(1, tabid);
    while (q.step())
        out.push_back({static_cast<int>(q.integer(0)), {q.text(1), q.text(2)}});
    return out;
}

void textsAfterTableRename(SessionImpl &s, int tabid, const std::string &from, const std::string &to)
{
    for (int view : dependentViews(s, tabid))
        rewriteChunks(s, "sysviews", "tabid", "viewtext", "", 0, view, 64,
                      [&](const std::string &t) { return renameTableIn(t, from, to); });
    // The header names the table; triggered actions keep their text.
    for (const TriggerNames &tr : triggersOn(s, tabid))
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'D', tr.trigid, 256,
                      [&](const std::string &t) { return renameTriggerTable(t, from, to); });
}

void textsAfterColumnRename(SessionImpl &s, const TableInfo &t, const std::string &from, const std::string &to)
{
    auto hasColumn = [&](const std::string &table, const std::string &column) {
        auto other = s.catalog().findTable(table);
        return other && other->tabid != t.tabid && other->column(column);
    };
    for (int view : dependentViews(s, t.tabid))
        rewriteChunks(s, "sysviews", "tabid", "viewtext", "", 0, view, 64,
                      [&](const std::string &text) { return renameColumnIn(text, t.name, from, to, hasColumn); });
    for (const ConstraintInfo &c : s.catalog().constraints(t.tabid))
        if (c.type == 'C')
            rewriteChunks(s, "syschecks", "constrid", "checktext", "type", 'T', c.constrid, 32,
                          [&](const std::string &text) { return renameColumnIn(text, t.name, from, to, hasColumn); });
    for (const TriggerNames &tr : triggersOn(s, t.tabid)) {
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'D', tr.trigid, 256,
                      [&](const std::string &text) { return renameTriggerColumns(text, from, to); });
        rewriteChunks(s, "systrigbody", "trigid", "data", "datakey", 'A', tr.trigid, 256,
                      [&](const std::string &text) { return renameCorrelated(text, tr.correlations, from, to); });
    }
}

} // namespace

void rename(SessionImpl &s, const ast::RenameStatement &st)
{
    Catalog &cat = s.catalog();
    using W = ast::RenameStatement::What;
    switch (st.what) {
    case W::Table:
    case W::Sequence: {
        if (st.what == W::Table && st.object.owner.empty() && cat.temp(st.object.name))
            raise(-999, {}, st.object.offset);
        auto t = cat.findTable(st.object.name, st.object.owner, false);
        if (t && t->tabtype == 'V' && st.what == W::Table)
            raise(-322, t->name, st.object.offset);
        if (!t || t->tabtype != (st.what == W::Table ? 'T' : 'Q'))
            raise(-206, st.object.name, st.object.offset, -111);
        if (t->tabid < 100)
            raise(-312, t->name, st.object.offset);
        if (cat.findTable(st.newName, {}, false))
            raise(-310, st.newName, st.newNameOffset);
        sql::Stmt q(s.db(), "UPDATE systables SET tabname = ?2 WHERE tabid = ?1");
        q.bind(1, t->tabid).bind(2, st.newName);
        q.run();
        if (st.what == W::Table) {
            sql::exec(s.db(), "ALTER TABLE " + t->sqliteName + " RENAME TO " + sql::quote(st.newName));
            textsAfterTableRename(s, t->tabid, t->name, st.newName);
            dropBrokenViews(s, t->tabid);  // the SQLite views follow the new texts
        }
        return;
    }
    case W::Column: {
        auto t = cat.findTable(st.object.name, st.object.owner, false);
        if (t && t->tabtype == 'V')
            raise(-322, t->name, st.object.offset);
        if (!t || t->tabtype != 'T')
            raise(-206, st.object.name, st.object.offset, -111);
        if (t->temp)
            raise(-999, {}, st.object.offset);
        if (t->tabid < 100)
            raise(-312, t->name, st.object.offset);
        const ColumnInfo *c = t->column(st.column.name);
        if (!c)
            raise(-352, st.column.name, st.column.offset);
        if (t->column(st.newName))
            raise(-328, st.newName, st.newNameOffset);
        sql::Stmt q(s.db(), "UPDATE syscolumns SET colname = ?3 WHERE tabid = ?1 AND colno = ?2");
        q.bind(1, t->tabid).bind(2, c->colno).bind(3, st.newName);
        q.run();
        sql::exec(s.db(), "ALTER TABLE " + t->sqliteName + " RENAME COLUMN " + sql::quote(c->name) + " TO "
                              + sql::quote(st.newName));
        textsAfterColumnRename(s, *t, c->name, st.newName);
        dropBrokenViews(s, t->tabid);
        return;
    }
    case W::Index: {
        auto ix = cat.findIndex(st.object.name);
        if (!ix)
            raise(-319, st.object.name, st.object.offset);
        if (cat.findIndex(st.newName))
            raise(-316, st.newName, st.newNameOffset);
        auto t = cat.tableById(ix->tabid);
        std::string table = t && t->temp ? "temp.quodlin_tempindexes" : "sysindexes";
        sql::Stmt q(s.db(), "UPDATE " + table + " SET idxname = ?2 WHERE idxname = ?1");
        q.bind(1, ix->name).bind(2, st.newName);
        q.run();
        sql::Stmt c(s.db(), "UPDATE sysconstraints SET idxname = ?2 WHERE idxname = ?1 AND tabid = ?3");
        c.bind(1, ix->name).bind(2, st.newName).bind(3, ix->tabid);
        c.run();
        dropSqliteIndex(s, t && t->temp, ix->name);
        IndexInfo renamed = *ix;
        renamed.name = st.newName;
        if (t)
            createSqliteIndex(s, *t, renamed, st.object.offset);
        return;
    }
    default:
        raise(-999, {}, st.start);
    }
}

} // namespace quodlin::engine::ddl
