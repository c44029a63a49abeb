// Expressions: column resolution (-217, -324), literals, constants and the
// dispatcher over the expression kinds; operators are in
// translate_operator.cpp, conversions in translate_convert.cpp, functions
// in translate_function.cpp.
#include "engine/translate_internal.h"

#include "engine/complex_types.h"
#include "engine/translate_typing.h"
#include "engine/spl_resolve.h"

#include "engine/decimal.h"
#include "engine/error.h"

#include <algorithm>
#include "engine/values.h"

#include <cstring>
#include <string_view>

namespace quodlin::engine {

using namespace ast;
using namespace typing;

namespace {
// SQL quoting: the text between `quote` characters, each inner one doubled.
void appendQuoted(std::string &out, const std::string &text, char quote)
{
    out.reserve(out.size() + text.size() + 2);
    out += quote;
    if (text.find(quote) == std::string::npos) {
        out += text;
    } else {
        for (char c : text) {
            if (c == quote) out += quote;
            out += c;
        }
    }
    out += quote;
}

std::string quoted(const std::string &text, char quote)
{
    std::string out;
    appendQuoted(out, text, quote);
    return out;
}
} // namespace

std::string quoteIdent(const std::string &name) { return quoted(name, '"'); }

std::string quoteString(const std::string &text) { return quoted(text, '\''); }

bool isDateLike(int code) { return code == TDate || code == TDateTime || code == TInterval; }

long smallNumber(const std::string &digits)
{
    // Positions and lengths: anything longer than 9 digits is out of range anyway.
    if (digits.empty() || digits.size() > 9) return digits.empty() ? 0 : 999999999;
    return std::strtol(digits.c_str(), nullptr, 10);
}

int qualifierOf(const TypeDesc &t) { return t.collength; }

namespace {

// The operands of a chain of `kind` (AND or OR), in order.
void collectOperands(const Expr &e, ExprKind kind, std::vector<const Expr *> &out)
{
    if (e.kind != kind) {
        out.push_back(&e);
        return;
    }
    for (const ExprPtr &a : e.args)
        collectOperands(*a, kind, out);
}

} // namespace

// Operands joined by `op`, up to 64 in one pair of parentheses and the groups
// grouped again: SQLite's parser stack holds about 100 open parentheses, and
// its expression depth (at most 1000) counts every operand of a flat run.
std::string groupedChain(std::vector<std::string> parts, const char *op)
{
    if (parts.empty()) return {};
    constexpr std::size_t kGroup = 64;
    while (parts.size() > 1) {
        std::vector<std::string> groups;
        for (std::size_t i = 0; i < parts.size(); i += kGroup) {
            std::string g = "(";
            for (std::size_t j = i; j < std::min(parts.size(), i + kGroup); ++j) {
                if (j > i) g += op;
                g += parts[j];
            }
            groups.push_back(g + ")");
        }
        parts = std::move(groups);
    }
    return parts.front();
}

std::string expressionName(const Expr &e)
{
    switch (e.kind) {
    case ExprKind::Column: return e.text;
    case ExprKind::Integer: case ExprKind::Number: case ExprKind::String: case ExprKind::Null:
        return "(constant)";
    case ExprKind::Constant: return "(" + e.text + ")";
    case ExprKind::Function: {
        const std::string &f = e.text;
        if (f == "count" && e.star) return "(count(*))";
        if (f == "count" || f == "sum" || f == "avg" || f == "min" || f == "max" || f == "stdev"
            || f == "variance" || f == "range")
            return "(" + f + ")";
        return "(expression)";
    }
    default: return "(expression)";
    }
}

// --------------------------------------------------------------- columns

Typed Translator::column(const Expr &e, Scope &scope)
{
    Typed out;
    if (hierarchyColumn(e, scope, out)) return out;
    // A qualifier names an alias (or an unaliased table) of any enclosing
    // query before it names an aliased table by its table name: in a
    // correlated subquery "t.a" is the outer t, not an inner "t t2".
    bool byTableName = false;
    auto matchTable = [&](const ScopeTable &t) {
        if (!byTableName) return t.alias == e.table && (e.owner.empty() || t.owner == e.owner || !t.info);
        return t.info && t.tableName == e.table && (e.owner.empty() || t.owner == e.owner);
    };
    for (int pass = 0; pass < (e.table.empty() ? 1 : 2); ++pass)
    for (Scope *s = &scope; s; s = s->parent) {
        byTableName = pass == 1;
        const ScopeTable *found = nullptr;
        const ColumnInfo *col = nullptr;
        int foundIndex = -1;
        bool rowid = false;
        for (std::size_t i = 0; i < s->tables.size(); ++i) {
            const ScopeTable &t = s->tables[i];
            if (!e.table.empty() && !matchTable(t)) continue;
            const ColumnInfo *c = nullptr;
            for (const ColumnInfo &ci : t.columns())
                if (ci.name == e.text) { c = &ci; break; }
            if (!c) {
                if (!e.table.empty()) {
                    if (e.text == "rowid" && t.info) { found = &t; foundIndex = int(i); rowid = true; break; }
                    raise(-217, e.text, e.offset);
                }
                continue;
            }
            if (found && e.table.empty()) raise(-324, e.text, e.offset);
            found = &t;
            foundIndex = int(i);
            col = c;
            if (!e.table.empty()) break;
        }
        if (!found && e.table.empty() && e.text == "rowid") {
            int withInfo = 0;
            for (std::size_t i = 0; i < s->tables.size(); ++i)
                if (s->tables[i].info) { found = &s->tables[i]; foundIndex = int(i); ++withInfo; }
            if (withInfo > 1) raise(-324, e.text, e.offset);
            rowid = found != nullptr;
        }
        if (!found) continue;
        if (s->refs) s->refs->push_back(foundIndex);
        if (col && !found->columnSql.empty()) {
            // Assigned to `out`: one return object lets the result be built in place.
            out = found->columnSql[std::size_t(col - found->columns().data())];
            out.nullable = out.nullable || found->outer;
            return out;
        }
        if (rowid) {
            out.sql = found->sqlRef.empty() ? std::string("rowid") : found->sqlRef + ".rowid";
            out.type = kInteger;
            out.nullable = found->outer;
            return out;
        }
        if (!found->sqlRef.empty()) {
            out.sql.reserve(found->sqlRef.size() + col->name.size() + 3);
            out.sql += found->sqlRef;
            out.sql += '.';
        }
        appendQuoted(out.sql, col->name, '"');
        if (s != &scope && s->outerRefs && m_aggregateDepth == 0) s->outerRefs->emplace_back(out.sql, &e);
        out.type = col->type();
        out.column = col;
        out.baseTable = found->tableName;
        out.nullable = !col->notNull || found->outer;
        return out;
    }
    if (!e.table.empty()) {
        // A qualifier that names no table of the query.
        raise(-217, e.table + "." + e.text, e.offset);
    }
    raise(-217, e.text, e.offset);
}

std::string Translator::subquery(const SelectStmt &s, Scope &scope, std::vector<TypeDesc> *types)
{
    SelectResult r = select(s, &scope);
    if (types) *types = r.types;
    return r.sql;
}

// --------------------------------------------------------------- dispatcher

Typed Translator::expr(const Expr &e, Scope &scope)
{
    // Each level costs a few kilobytes of stack; SQLite's parser refuses
    // expressions nested more than about 90 levels anyway.
    static thread_local int nesting = 0;
    const NestingGuard guard(nesting, 100, "nested expressions", e.offset);
    Typed out;
    switch (e.kind) {
    case ExprKind::Null:
        out.sql = "NULL";
        return out;
    case ExprKind::Integer:
        out.sql = e.text;
        out.literal = true;
        out.literalText = e.text;
        out.type = e.text.size() < 10 ? kInteger : kInt8;
        if (e.text.size() >= 19 && (e.text.size() > 19 || e.text > "9223372036854775807")) {
            // Past INT8: an exact decimal.
            out.sql = quoteString(Decimal::parseOrRaise(e.text).text());
            out.type = decimalFloat();
        }
        out.nullable = false;
        return out;
    case ExprKind::Number:
        out.sql = e.text;
        if (out.sql.front() == '.') out.sql.insert(0, "0");
        out.literal = true;
        out.literalText = e.text;
        out.type = e.text.find_first_of("eE") != std::string::npos ? kFloat : decimalFloat();
        // A decimal literal is the exact number it spells.
        if (isDecimal(out.type)) out.sql = quoteString(Decimal::parseOrRaise(e.text).normalized().text());
        out.nullable = false;
        return out;
    case ExprKind::String:
        out.sql = quoteString(e.text);
        out.literal = true;
        out.literalText = e.text;
        out.type = type(TChar, std::max<int>(1, int(e.text.size())));
        out.nullable = false;
        return out;
    case ExprKind::Column:
        return column(e, scope);
    case ExprKind::Star:
        raise(-201, {}, e.offset);
    case ExprKind::Param:
        out.sql = "?" + std::to_string(e.paramIndex);
        m_params = std::max(m_params, e.paramIndex);
        // An SPL variable: bound in its declared type's stored form.
        if (e.castType) out.type = e.castType->desc;
        return out;
    case ExprKind::Unary: {
        Typed a = expr(*e.args[0], scope);
        if (e.op == TokenKind::Minus) {
            if (a.type.code == TInterval) {
                a.sql = "ifx_iv_scale(" + a.sql + "," + std::to_string(a.type.collength) + ",-1,0)";
                return a;
            }
            if (a.literal && isDecimal(a.type)) {
                a.literalText = a.literalText.starts_with('-') ? a.literalText.substr(1) : "-" + a.literalText;
                a.sql = quoteString(Decimal::parseOrRaise(a.literalText).normalized().text());
                a.column = nullptr;
                return a;
            }
            a.sql = isDecimal(a.type) ? collated("ifx_dec_neg(" + a.sql + ")") : "(-" + a.sql + ")";
            a.wrapPrefix = a.wrapSuffix = 0;
            if (a.literal) a.literalText = "-" + a.literalText;
        }
        a.column = nullptr;
        return a;
    }
    case ExprKind::Binary:
        return binary(e, scope);
    case ExprKind::Compare:
        return compare(e, scope);
    case ExprKind::And:
    case ExprKind::Or: {
        std::vector<const Expr *> operands;
        collectOperands(e, e.kind, operands);
        std::vector<std::string> parts;
        parts.reserve(operands.size());
        for (const Expr *o : operands) {
            Typed t = expr(*o, scope);
            out.aggregate = out.aggregate || t.aggregate;
            parts.push_back(std::move(t.sql));
        }
        out.sql = groupedChain(std::move(parts), e.kind == ExprKind::And ? " AND " : " OR ");
        out.type = kBoolean;
        return out;
    }
    case ExprKind::Not: {
        Typed a = expr(*e.args[0], scope);
        out.sql = "(NOT " + a.sql + ")";
        out.type = kBoolean;
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::IsNull: {
        Typed a = expr(*e.args[0], scope);
        out.sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
        out.type = kBoolean;
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::Between: {
        Typed a = expr(*e.args[0], scope);
        Typed lo = expr(*e.args[1], scope);
        Typed hi = expr(*e.args[2], scope);
        const bool conv = isDateLike(a.type.code) || isBool(a.type) || isChar(a.type.code) || isDecimal(a.type);
        if (conv && (lo.literal || lo.type.code == TNull)) lo.sql = convertTo(lo, a.type, e.args[1]->offset);
        if (conv && (hi.literal || hi.type.code == TNull)) hi.sql = convertTo(hi, a.type, e.args[2]->offset);
        if (isText(a.type) && !a.literal && (isNumeric(lo.type.code) || isNumeric(hi.type.code)))
            a.sql = asNumber(a.sql, e.args[0]->offset), a.type = decimalFloat(), a.column = nullptr;
        decimalOperands(a, {&lo, &hi}, {e.args[0]->offset, e.args[1]->offset, e.args[2]->offset});
        out.sql = "(" + a.sql + (e.negated ? " NOT BETWEEN " : " BETWEEN ") + lo.sql + " AND " + hi.sql + ")";
        out.type = kBoolean;
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::InList: {
        Typed a = expr(*e.args[0], scope);
        const bool conv = isDateLike(a.type.code) || isBool(a.type) || isChar(a.type.code) || isDecimal(a.type);
        std::vector<Typed> items;
        items.reserve(e.args.size() - 1);
        bool numbers = false;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
            Typed v = expr(*e.args[i], scope);
            if (conv && (v.literal || v.type.code == TNull)) v.sql = convertTo(v, a.type, e.args[i]->offset);
            numbers = numbers || isNumeric(v.type.code);
            items.push_back(std::move(v));
        }
        if (isText(a.type) && !a.literal && numbers)
            a.sql = asNumber(a.sql, e.args[0]->offset), a.type = decimalFloat(), a.column = nullptr;
        std::vector<Typed *> others;
        std::vector<int> offsets{e.args[0]->offset};
        for (std::size_t i = 0; i < items.size(); ++i) {
            others.push_back(&items[i]);
            offsets.push_back(e.args[i + 1]->offset);
        }
        decimalOperands(a, others, offsets);
        std::string list;
        for (const Typed &v : items) {
            if (!list.empty()) list += ',';
            list += v.sql;
        }
        out.sql = "(" + a.sql + (e.negated ? " NOT IN (" : " IN (") + list + "))";
        out.type = kBoolean;
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::InSelect: {
        Typed a = expr(*e.args[0], scope);
        std::vector<TypeDesc> types;
        const std::string sub = subquery(*e.select, scope, &types);
        if (types.size() != 1) raise(-201, {}, e.select->cores.front().offset);
        out.sql = "(" + a.sql + (e.negated ? " NOT IN (" : " IN (") + sub + "))";
        out.type = kBoolean;
        return out;
    }
    case ExprKind::Exists:
        out.sql = "(EXISTS (" + subquery(*e.select, scope) + "))";
        out.type = kBoolean;
        return out;
    case ExprKind::Subquery: {
        // A scalar subquery with more than one row is -284, not its first row.
        const std::vector<std::string> names{"quodlin_q"};
        SelectResult r = select(*e.select, &scope, &names);
        if (r.columns.size() != 1) raise(-201, {}, e.offset);
        // One aggregate without GROUP BY gives one row: no check needed. Every
        // level of nesting spared leaves SQLite parser stack for deeper queries.
        const SelectCore &core = e.select->cores.front();
        const bool limited = core.first || core.skip || e.select->limit;
        const Expr &item = *core.items.front().expr;
        if (e.select->cores.size() == 1 && core.groupBy.empty() && !limited && item.kind == ExprKind::Function
            && expressionName(item) != "(expression)") {
            out.sql = "(" + r.sql + ")";
            out.type = r.types.front();
            return out;
        }
        out.sql = "(SELECT CASE WHEN count(*) > 1 THEN ifx_raise(-284" + at(e.offset) + ") ELSE min(\"quodlin_q\") END FROM ("
            + (limited ? "SELECT * FROM (" + r.sql + ") LIMIT 2" : r.sql + " LIMIT 2") + "))";
        out.type = r.types.front();
        return out;
    }
    case ExprKind::Quantified: {
        // x op ANY (q): true when some comparison is true, else unknown when
        // some is unknown; ALL: false when some is false, else unknown when
        // some is unknown. A bare (NOT) EXISTS would make unknown false, and
        // NOT in front of it would then pick the rows a NULL should leave out.
        Typed a = expr(*e.args[0], scope);
        const std::vector<std::string> names{"quodlin_q"};
        SelectResult r = select(*e.select, &scope, &names);
        if (r.columns.size() != 1) raise(-201, {}, e.offset);
        const char *op = "=";
        switch (e.op) {
        case TokenKind::Ne: op = "<>"; break;
        case TokenKind::Lt: op = "<"; break;
        case TokenKind::Le: op = "<="; break;
        case TokenKind::Gt: op = ">"; break;
        case TokenKind::Ge: op = ">="; break;
        default: break;
        }
        const std::string cmp = "(" + a.sql + op + "\"quodlin_sub\".\"quodlin_q\")";
        const std::string rows = "EXISTS (SELECT 1 FROM (" + r.sql + ") AS \"quodlin_sub\" WHERE ";
        if (e.all)
            out.sql = "(CASE WHEN " + rows + cmp + " = 0) THEN 0 WHEN " + rows + cmp + " IS NULL) THEN NULL ELSE 1 END)";
        else
            out.sql = "(CASE WHEN " + rows + cmp + ") THEN 1 WHEN " + rows + cmp + " IS NULL) THEN NULL ELSE 0 END)";
        out.type = kBoolean;
        return out;
    }
    case ExprKind::Like:
    case ExprKind::Matches: {
        Typed a = expr(*e.args[0], scope);
        Typed p = expr(*e.args[1], scope);
        std::optional<Typed> esc;
        if (e.args.size() > 2) esc = expr(*e.args[2], scope);
        out.sql = patternSql(a, p, esc ? &*esc : nullptr, e.args.size() > 2 ? e.args[2].get() : nullptr,
                             e.kind == ExprKind::Matches, e.negated);
        out.type = kBoolean;
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::Function:
        if (e.text == "sys_connect_by_path") return hierarchyValue(e, scope);
        return function(e, scope);
    case ExprKind::Prior:
    case ExprKind::ConnectByRoot:
        return hierarchyValue(e, scope);
    case ExprKind::Case: {
        std::size_t i = 0;
        out.sql = "(CASE";
        if (e.hasOperand) out.sql += " " + expr(*e.args[i++], scope).sql;
        const std::size_t pairsEnd = e.args.size() - (e.hasElse ? 1 : 0);
        std::vector<std::string> whens;
        std::vector<Typed> results;
        for (; i + 1 < pairsEnd + 1 && i < pairsEnd; i += 2) {
            whens.push_back(expr(*e.args[i], scope).sql);
            results.push_back(expr(*e.args[i + 1], scope));
            out.type = branchType(out.type, results.back().type);
            out.aggregate = out.aggregate || results.back().aggregate;
        }
        if (e.hasElse) {
            results.push_back(expr(*e.args.back(), scope));
            out.type = branchType(out.type, results.back().type);
        }
        // Decimal branches give decimal text whichever branch is taken.
        auto branch = [&](std::size_t k) { return branchSql(results[k], out.type, e.args[k]->offset); };
        for (std::size_t k = 0; k < whens.size(); ++k) out.sql += " WHEN " + whens[k] + " THEN " + branch(k);
        if (e.hasElse) out.sql += " ELSE " + branch(results.size() - 1);
        out.sql += " END)";
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    case ExprKind::Cast: {
        Typed a = expr(*e.args[0], scope);
        if (isComplex(e.castType->desc.code)) {
            const ComplexType ct = complexTypeOf(m_ctx.catalog.db(), *e.castType);
            out.type = type(ct.code, complexCollength(ct));
            out.type.extendedId = ct.extendedId;
            out.sql = complexValue(a, out.type, {}, e.offset, &ct);
            if (a.literal) {
                out.literal = true;
                out.literalText = a.literalText;
            }
            return out;
        }
        const TypeDesc &t = e.castType->desc;
        ColumnInfo col;
        col.coltype = t.code;
        col.collength = t.collength;
        col.extendedId = t.extendedId;
        if (isSerial(t.code)) col.coltype = t.code == TSerial ? TInteger : TBigInt;
        out.sql = storeValue(a, col, e.offset);
        out.type = col.type();
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::Substring: {
        Typed a = expr(*e.args[0], scope);
        Typed from = expr(*e.args[1], scope);
        if (e.args.size() > 2) {
            Typed to = expr(*e.args[2], scope);
            out.sql = "substr(" + a.sql + "," + from.sql + ",(" + to.sql + ")-(" + from.sql + ")+1)";
            if (from.literal && to.literal)
                out.type = type(TChar, int(std::clamp<long>(smallNumber(to.literalText) - smallNumber(from.literalText) + 1, 1, 32767)));
            else
                out.type = type(TChar, a.type.collength);
        } else {
            out.sql = "substr(" + a.sql + "," + from.sql + ",1)";
            out.type = type(TChar, 1);
        }
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::Constant: {
        const std::string &c = e.text;
        if (c == "today") { out.sql = "ifx_today()"; out.type = kDate; }
        else if (c == "current" || c == "sysdate") {
            const int q = e.qualifier.valid() ? encodeDatetime(e.qualifier.start, e.qualifier.end)
                                              : encodeDatetime(UYear, c == "sysdate" ? 15 : 13);
            out.sql = "ifx_current(" + std::to_string(q) + ")";
            out.type = type(TDateTime, q);
        } else if (c == "user" || c == "current_user") {
            out.sql = "ifx_user()";
            out.type = type(TVarChar, encodeVarchar(32));
        } else if (c == "dbservername" || c == "sitename") {
            out.sql = "ifx_server()";
            out.type = type(TVarChar, encodeVarchar(128));
        } else {  // roles: none is set in a local session
            out.sql = "NULL";
            out.type = type(TVarChar, encodeVarchar(32));
        }
        return out;
    }
    case ExprKind::Datetime: {
        const int q = encodeDatetime(e.qualifier.start, e.qualifier.end);
        try {
            out.sql = quoteString(parseDatetime(e.text, q));
        } catch (const EngineError &err) {
            reraise(err, e.offset);
        }
        out.type = type(TDateTime, q);
        return out;
    }
    case ExprKind::Interval: {
        const int q = encodeInterval(e.qualifier.start, e.qualifier.end, e.qualifier.leading);
        try {
            out.sql = quoteString(formatInterval(parseInterval(e.text, q), q));
        } catch (const EngineError &err) {
            reraise(err, e.offset);
        }
        out.type = type(TInterval, q);
        return out;
    }
    case ExprKind::Units: {
        Typed a = expr(*e.args[0], scope);
        const int q = e.qualifier.start == UFraction ? encodeInterval(UFraction, 15)
                                                     : encodeInterval(e.qualifier.start, e.qualifier.start, 9);
        out.sql = "ifx_units(" + a.sql + "," + std::to_string(q) + at(e.offset) + ")";
        out.type = type(TInterval, q);
        out.aggregate = a.aggregate;
        return out;
    }
    case ExprKind::Sequence: {
        if (!m_ctx.catalog.findSequence(e.table)) raise(-206, e.table, e.offset, -111);
        out.sql = std::string(e.text == "nextval" ? "quodlin_nextval(" : "quodlin_currval(") + quoteString(e.table) + ")";
        out.type = kInt8;
        return out;
    }
    case ExprKind::Collection:
    case ExprKind::RowValue: {
        // Literal elements only: the value is its text, made at translation.
        ComplexText v;
        v.code = e.kind == ExprKind::RowValue ? TRow : e.text == "set" ? TSet : e.text == "multiset" ? TMultiset : TList;
        for (const ExprPtr &a : e.args) {
            const bool minus = a->kind == ExprKind::Unary && a->op == TokenKind::Minus && !a->args.empty()
                && (a->args[0]->kind == ExprKind::Integer || a->args[0]->kind == ExprKind::Number);
            const Expr &x = minus ? *a->args[0] : *a;
            if (x.kind != ExprKind::Integer && x.kind != ExprKind::Number && x.kind != ExprKind::String)
                raise(-9625, "collection and ROW elements other than literals", a->offset);
            v.items.push_back((minus ? "-" : "") + x.text);
            v.quoted.push_back(x.kind == ExprKind::String);
        }
        try {
            out.literalText = complexValueText(v, literalComplexType(v), m_ctx.env, {});
        } catch (const EngineError &err) {
            reraise(err, e.offset);
        }
        out.literal = true;
        out.sql = quoteString(out.literalText);
        out.type = type(v.code, 0);
        return out;
    }
    case ExprKind::Trim: {
        Typed a = expr(*e.args[0], scope);
        std::string pad = "' '";
        if (e.args.size() > 1) pad = expr(*e.args[1], scope).sql;
        out.sql = "ifx_trim(" + a.sql + ",'" + e.text + "'," + pad + ")";
        out.type = type(TVarChar, encodeVarchar(255));
        out.aggregate = a.aggregate;
        return out;
    }
    }
    raise(-201, {}, e.offset);
}

} // namespace quodlin::engine
