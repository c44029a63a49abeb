// Differential test of query translation: seeded random SELECT, UPDATE,
// DELETE and INSERT ... SELECT statements run on the engine and, written as
// plain SQL, on an in-memory SQLite database holding the same rows. Results
// (or the tables after DML) must agree. The generator keeps to what both
// dialects mean the same way:
//  - no '/' (Informix divides decimally: 7/2 = 3.5);
//  - VARCHAR only, no trailing blanks or empty strings (CHAR pads, '' is not NULL);
//  - no FIRST/LIMIT, whose row choice depends on order;
//  - scalar subqueries are aggregates without GROUP BY, so they give one row
//    (Informix fails with -284 on several rows where SQLite takes the first);
//  - grouped queries select only grouped columns and aggregates (-294);
//  - LIKE patterns without '\' (Informix's default escape), compared with
//    SQLite's case-sensitive LIKE;
//  - ANY/ALL, which SQLite lacks, are spelled out with EXISTS keeping their
//    three-valued result; MATCHES is GLOB; OUTER tables are LEFT JOINs with
//    the conditions touching them in ON;
//  - UPDATE's SET subqueries read other tables (-360), and SQLite's UPDATE is
//    given its rows first (it tests later rows against values already written);
//  - no comparison of text with numbers, no ORDER BY of columns outside the
//    result (-309, -294), nesting kept inside SQLite's parser stack.
// Rows are compared as multisets unless the query orders by every column.
#include "differential_common.h"
#include "engine/engine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

using namespace quodlin::engine;
using namespace difftest;

namespace {


enum class Ty { Int, Str };

struct ColDef {
    const char *name;
    Ty type;
};
struct TableDef {
    const char *name;
    std::vector<ColDef> cols;
};

// Column names overlap on purpose: bare names must resolve or be qualified.
const std::vector<TableDef> kTables = {
    {"t1", {{"a", Ty::Int}, {"b", Ty::Int}, {"c", Ty::Str}}},
    {"t2", {{"a", Ty::Int}, {"d", Ty::Int}, {"e", Ty::Str}}},
    {"t3", {{"a", Ty::Int}, {"g", Ty::Str}}},
};

struct GTable {
    const TableDef *def;
    std::string alias;  // empty: referenced by its name
    Sql derived;        // a derived table: its query, with the columns of `def`
    bool isDerived = false;
    std::string ref() const { return alias.empty() ? def->name : alias; }
};
using Level = std::vector<GTable>;

const char *const kStrings[] = {"a", "b", "ab", "ba", "bb", "c", "abc"};
const char *const kPatterns[] = {"a%", "%b", "_", "a_", "%", "%a%", "b%b", "_b%"};

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int pick(int n) { return int(m_rng() % unsigned(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string intLiteral() { return std::to_string(pick(7) - 1); }
    std::string strLiteral() { return std::string("'") + kStrings[pick(7)] + "'"; }
    Sql literal(Ty t) { return t == Ty::Int ? Sql(intLiteral()) : Sql(strLiteral()); }

    // A reference to a column of type `t` of a table on some level (the
    // innermost mostly, outer ones for correlation).
    enum class Where { Any, Inner, Outer };
    bool columnRef(const std::vector<Level> &levels, Ty t, Sql &out, Where where = Where::Any)
    {
        struct Cand { int level; int table; const ColDef *col; };
        std::vector<Cand> cands;
        const int first = where == Where::Inner ? int(levels.size()) - 1 : 0;
        const int last = where == Where::Outer ? int(levels.size()) - 1 : int(levels.size());
        for (int l = first; l < last; ++l)
            for (int i = 0; i < int(levels[std::size_t(l)].size()); ++i)
                for (const ColDef &c : levels[std::size_t(l)][std::size_t(i)].def->cols)
                    if (c.type == t) cands.push_back({l, i, &c});
        if (cands.empty()) return false;
        // Prefer the innermost level, so most references are local.
        Cand c = cands[std::size_t(pick(int(cands.size())))];
        if (c.level != int(levels.size()) - 1 && chance(40)) {
            std::vector<Cand> inner;
            for (const Cand &x : cands)
                if (x.level == int(levels.size()) - 1) inner.push_back(x);
            if (!inner.empty()) c = inner[std::size_t(pick(int(inner.size())))];
        }
        const GTable &tab = levels[std::size_t(c.level)][std::size_t(c.table)];
        // The table another of the same ref name on a deeper level hides:
        // both dialects then mean the inner one, so take that.
        int level = c.level;
        const GTable *target = &tab;
        for (int l = c.level + 1; l < int(levels.size()); ++l)
            for (const GTable &g : levels[std::size_t(l)])
                if (g.ref() == tab.ref()) { level = l; target = &g; }
        bool hasCol = false;
        for (const ColDef &cd : target->def->cols)
            if (std::string(cd.name) == c.col->name && cd.type == t) hasCol = true;
        if (!hasCol) return false;
        const std::string name = c.col->name;
        const std::string qualified = target->ref() + "." + name;
        const int way = m_forceQualified ? 9 : pick(10);
        // SQLite resolves bare names in ON clauses against the whole join, so
        // its side is always qualified.
        if (way < 3 && bareResolvesTo(levels, name, level, target)) {
            out = Sql(name, qualified);
            return true;
        }
        if (way < 5 && !target->alias.empty() && tableNameResolvesTo(levels, target)) {
            out = Sql(std::string(target->def->name) + "." + name, qualified);
            return true;
        }
        out = Sql(qualified);
        return true;
    }

    // A bare name resolves to the innermost level having it, once.
    static bool bareResolvesTo(const std::vector<Level> &levels, const std::string &name, int level,
                               const GTable *target)
    {
        for (int l = int(levels.size()) - 1; l >= 0; --l) {
            int n = 0;
            const GTable *hit = nullptr;
            for (const GTable &g : levels[std::size_t(l)])
                for (const ColDef &c : g.def->cols)
                    if (name == c.name) { ++n; hit = &g; }
            if (n == 0) continue;
            return n == 1 && l == level && hit == target;
        }
        return false;
    }

    // A qualifier naming an aliased table by its table name: only where no
    // alias or unaliased table answers to that name and one table has it.
    static bool tableNameResolvesTo(const std::vector<Level> &levels, const GTable *target)
    {
        if (target->isDerived) return false;
        const std::string name = target->def->name;
        int withName = 0;
        for (const Level &lv : levels)
            for (const GTable &g : lv) {
                if (g.ref() == name) return false;
                if (name == g.def->name && !g.isDerived) ++withName;
            }
        return withName == 1;
    }

    // FROM clause: comma list or an ANSI join chain; adds the level's tables.
    Sql fromClause(std::vector<Level> &levels, int maxTables, std::vector<Sql> &joinConds)
    {
        Level lv;
        const int n = 1 + pick(maxTables);
        std::vector<std::string> used;
        for (Level &l : levels)
            for (GTable &g : l) used.push_back(g.ref());
        for (int i = 0; i < n; ++i) {
            GTable g;
            do
                g.def = &kTables[std::size_t(pick(int(kTables.size())))];
            while (g.def == m_exclude);
            bool clash = false;
            for (const GTable &o : lv)
                if (o.ref() == g.def->name) clash = true;
            if (m_noShadow)
                for (const std::string &u : used)
                    if (u == g.def->name) clash = true;
            // Aliases are sometimes reused from outer levels to test shadowing.
            if (clash || chance(55)) {
                static const char *const aliases[] = {"x", "y", "z", "w"};
                do {
                    g.alias = aliases[pick(4)];
                    clash = false;
                    for (const GTable &o : lv)
                        if (o.ref() == g.alias) clash = true;
                    if (!clash && (m_noShadow || chance(60)))
                        for (const std::string &u : used)
                            if (u == g.alias) clash = true;
                } while (clash);
            }
            if (m_derivedDepth == 0 && !m_noShadow && chance(12)) {
                if (g.alias.empty()) g.alias = "dt";
                for (const GTable &o : lv)
                    if (o.ref() == g.alias) g.alias += "2";
                g.derived = derivedTable(*g.def);
                g.isDerived = true;
            }
            lv.push_back(g);
        }
        levels.push_back(lv);
        auto item = [&](const GTable &g) {
            if (g.isDerived) return "(" + g.derived + ") " + g.alias;
            return g.alias.empty() ? Sql(g.def->name) : Sql(std::string(g.def->name) + " " + g.alias);
        };
        Sql from = item(lv[0]);
        const bool ansi = n > 1 && chance(50);
        for (int i = 1; i < n; ++i) {
            if (!ansi) {
                from = from + ", " + item(lv[std::size_t(i)]);
                continue;
            }
            // The ON clause may only see the tables joined so far.
            std::vector<Level> onLevels(levels.begin(), levels.end() - 1);
            onLevels.push_back(Level(lv.begin(), lv.begin() + i + 1));
            Sql on = joinCondition(onLevels, i);
            const int kind = pick(10);
            if (kind == 0) {
                from = from + " cross join " + item(lv[std::size_t(i)]);
                continue;
            }
            const char *join = kind < 4 ? " left join " : kind < 7 ? " inner join " : kind < 9 ? " right join " : " left outer join ";
            from = from + join + item(lv[std::size_t(i)]) + " on " + on;
        }
        // Comma joins put their conditions in WHERE, which sees every table.
        if (!ansi)
            for (int i = 1; i < n; ++i)
                if (chance(70)) joinConds.push_back(joinCondition(levels, i));
        return from;
    }

    // A query with the columns of `shape` (labelled with its names), plain or grouped.
    Sql derivedTable(const TableDef &shape)
    {
        ++m_derivedDepth;
        ++m_subDepth;
        std::vector<Level> levels;
        std::vector<Sql> conds;
        Sql from = fromClause(levels, 2, conds);
        if (chance(50)) conds.push_back(predicate(levels, 1));
        Sql s("select ");
        const bool grouped = chance(30);
        Sql groupCol;
        for (std::size_t i = 0; i < shape.cols.size(); ++i) {
            Sql c;
            if (grouped && i == 0) {
                if (!columnRef(levels, shape.cols[i].type, c, Where::Inner)) c = literal(shape.cols[i].type);
                groupCol = c;
            } else if (grouped) {
                Sql arg;
                if (!columnRef(levels, shape.cols[i].type, arg, Where::Inner)) arg = literal(shape.cols[i].type);
                c = (chance(50) ? "max(" : "min(") + arg + ")";
                if (shape.cols[i].type == Ty::Int && chance(30)) c = Sql("count(*)");
            } else if (!columnRef(levels, shape.cols[i].type, c, Where::Inner)) {
                c = literal(shape.cols[i].type);
            }
            s = s + (i ? ", " : "") + c + " as " + shape.cols[i].name;
        }
        s = s + " from " + from;
        for (std::size_t i = 0; i < conds.size(); ++i) s = s + (i ? " and " : " where ") + conds[i];
        // A literal in place of the grouped column needs no GROUP BY.
        const char head = groupCol.ifx.empty() ? '\'' : groupCol.ifx[0];
        if (grouped && head != '\'' && head != '-' && !std::isdigit(static_cast<unsigned char>(head)))
            s = s + " group by " + groupCol;
        --m_derivedDepth;
        --m_subDepth;
        return s;
    }

    // Equates a column of table `i` of the innermost level with an earlier one.
    Sql joinCondition(const std::vector<Level> &levels, int i, bool more = true)
    {
        const Level &lv = levels.back();
        const GTable &right = lv[std::size_t(i)];
        const GTable &left = lv[std::size_t(pick(i))];
        const ColDef &rc = right.def->cols[std::size_t(pick(int(right.def->cols.size())))];
        std::vector<const ColDef *> same;
        for (const ColDef &c : left.def->cols)
            if (c.type == rc.type) same.push_back(&c);
        const ColDef &lc = *same[std::size_t(pick(int(same.size())))];
        Sql cond(left.ref() + "." + lc.name + (chance(80) ? " = " : " < ") + right.ref() + "." + rc.name);
        if (more && chance(20)) cond = "(" + cond + " and " + predicate(levels, 0) + ")";
        return cond;
    }

    // An integer-valued expression (sometimes arithmetic).
    Sql intExpr(const std::vector<Level> &levels)
    {
        Sql c;
        if (!columnRef(levels, Ty::Int, c)) return Sql(intLiteral());
        if (chance(15)) {
            const char *ops[] = {" + ", " - ", " * "};
            return "(" + c + ops[pick(3)] + intLiteral() + ")";
        }
        if (chance(4)) return "-" + c;
        if (chance(4) && m_caseDepth == 0) {
            ++m_caseDepth;
            Sql w = predicate(levels, 2);
            Sql e = "case when " + w + " then " + c + " else " + intLiteral() + " end";
            --m_caseDepth;
            return e;
        }
        return c;
    }

    Sql operand(const std::vector<Level> &levels, Ty t)
    {
        if (t == Ty::Int) return intExpr(levels);
        Sql c;
        if (!columnRef(levels, t, c)) return literal(t);
        return c;
    }

    const char *compareOp()
    {
        static const char *const ops[] = {" = ", " <> ", " < ", " <= ", " > ", " >= ", " != "};
        return ops[pick(7)];
    }

    Sql predicate(const std::vector<Level> &levels, int depth)
    {
        // SQLite's parser stack ends at about eight nested subqueries, for the
        // engine's translation as for plain SQL: stay well inside.
        const int kind = pick(depth >= 2 || m_subDepth >= 3 ? 7 : 12);
        const Ty t = chance(65) ? Ty::Int : Ty::Str;
        switch (kind) {
        case 0: case 1:
            return operand(levels, t) + compareOp() + (chance(60) ? literal(t) : operand(levels, t));
        case 2:
            return operand(levels, t) + (chance(50) ? " is null" : " is not null");
        case 3: {
            Sql s = operand(levels, t) + (chance(30) ? " not in (" : " in (");
            const int n = 1 + pick(3);
            for (int i = 0; i < n; ++i) s = s + (i ? ", " : "") + (chance(25) ? operand(levels, t) : literal(t));
            return s + ")";
        }
        case 4:
            return operand(levels, t) + (chance(25) ? " not between " : " between ") + (chance(20) ? operand(levels, t) : literal(t))
                + " and " + literal(t);
        case 5: {
            Sql c;
            if (!columnRef(levels, Ty::Str, c)) return Sql("1 = 1");
            if (chance(30)) {
                // MATCHES is GLOB: *, ? and [...], case-sensitive.
                static const char *const globs[] = {"a*", "*b", "?", "[ab]*", "*[c]", "?b*", "*"};
                const std::string g = globs[pick(7)];
                const bool no = chance(25);
                return {c.ifx + (no ? " not matches '" : " matches '") + g + "'",
                        (no ? "not (" : "(") + c.lite + " glob '" + g + "')"};
            }
            if (chance(10)) return c + " like " + operand(levels, Ty::Str);
            return c + (chance(25) ? " not like '" : " like '") + kPatterns[pick(8)] + "'";
        }
        case 6:
            return "not (" + predicate(levels, depth + 1) + ")";
        case 7: case 8:
            return "(" + predicate(levels, depth + 1) + (chance(50) ? " and " : " or ") + predicate(levels, depth + 1) + ")";
        case 9: {
            // IN (subquery)
            std::vector<Level> inner = levels;
            Sql sub = subSelect(inner, t, depth, false);
            if (chance(20)) {
                std::vector<Level> other = levels;
                sub = sub + (chance(50) ? " union " : " union all ") + subSelect(other, t, depth + 1, false);
            }
            return operand(levels, t) + (chance(30) ? " not in (" : " in (") + sub + ")";
        }
        case 10: {
            std::vector<Level> inner = levels;
            Sql sub = subSelect(inner, t, depth, false);
            if (chance(20)) sub = "select *" + Sql(sub.ifx.substr(sub.ifx.find(" from ")), sub.lite.substr(sub.lite.find(" from ")));
            return (chance(30) ? "not exists (" : "exists (") + sub + ")";
        }
        default: {
            const int form = pick(3);
            if (form == 0) {
                // scalar aggregate subquery
                std::vector<Level> inner = levels;
                Sql sub = subSelect(inner, t, depth, true);
                return operand(levels, t) + compareOp() + "(" + sub + ")";
            }
            return quantified(levels, t, depth);
        }
        }
    }

    Sql quantified(const std::vector<Level> &levels, Ty t, int depth)
    {
        std::vector<Level> inner = levels;
        const bool all = chance(50);
        std::string op = compareOp();
        if (op == " != ") op = " <> ";
        Sql sub = subSelect(inner, t, depth, false, true);
        Sql x = operand(levels, t);
        const std::string word = all ? " all (" : (chance(50) ? " any (" : " some (");
        const std::string ifx = x.ifx + op + word + sub.ifx + ")";
        const std::string from = "(select 1 from (" + sub.lite + ") as qs where ";
        const std::string cmp = "(" + x.lite + op + "qs.v)";
        std::string lite;
        if (all)
            lite = "(case when exists " + from + "not " + cmp + ") then 0 when exists " + from + cmp
                + " is null) then null else 1 end)";
        else
            lite = "(case when exists " + from + cmp + ") then 1 when exists " + from + cmp
                + " is null) then null else 0 end)";
        return {ifx, lite};
    }

    // SELECT of one column of type `t` for subqueries; `aggregate` for scalar ones.
    Sql subSelect(std::vector<Level> &levels, Ty t, int depth, bool aggregate, bool named = false)
    {
        ++m_subDepth;
        Sql s = subSelectBody(levels, t, depth, aggregate, named);
        --m_subDepth;
        return s;
    }

    Sql subSelectBody(std::vector<Level> &levels, Ty t, int depth, bool aggregate, bool named)
    {
        std::vector<Sql> joins;
        Sql from = fromClause(levels, 2, joins);
        Sql item;
        if (aggregate) {
            Sql c;
            if (!columnRef(levels, t, c, Where::Inner)) c = Sql(t == Ty::Int ? "1" : "'a'");
            const int f = pick(t == Ty::Int ? 4 : 3);
            item = t == Ty::Str ? Sql(f == 2 ? "count(" : f == 0 ? "min(" : "max(") + c + ")"
                                : Sql(f == 0 ? "min(" : f == 1 ? "max(" : f == 2 ? "sum(" : "count(") + c + ")";
            if (t == Ty::Str && f == 2) item = Sql(chance(50) ? "max(" : "min(") + c + ")";
        } else if (!columnRef(levels, t, item, Where::Inner)) {
            item = literal(t);
        }
        Sql s = "select " + item;
        if (named) s.lite += " as v";
        s = s + " from " + from;
        std::vector<Sql> conds = joins;
        // Correlation with the enclosing levels, the point of most subqueries.
        if (chance(75)) {
            Sql outer, local;
            const Ty ct = chance(70) ? Ty::Int : Ty::Str;
            if (columnRef(levels, ct, outer, Where::Outer) && columnRef(levels, ct, local, Where::Inner))
                conds.push_back(local + compareOp() + outer);
        }
        if (chance(50)) conds.push_back(predicate(levels, depth + 1));
        for (std::size_t i = 0; i < conds.size(); ++i) s = s + (i ? " and " : " where ") + conds[i];
        return s;
    }

    // A whole query; `columns` gets the output column count, `ordered` tells
    // whether ORDER BY covers every output column.
    Sql query(int &columns, bool &ordered)
    {
        ordered = false;
        const int shape = pick(11);
        if (shape < 2) return unionQuery(columns, ordered);
        if (shape == 10) return chance(50) ? outerQuery(columns, ordered) : nestedOuterQuery(columns, ordered);
        std::vector<Level> levels;
        std::vector<Sql> conds;
        Sql from = fromClause(levels, 3, conds);
        if (chance(75)) conds.push_back(predicate(levels, 0));
        std::vector<Sql> items;
        Sql tail;
        if (shape < 4) {
            // GROUP BY: grouped columns and aggregates only.
            const int ng = 1 + pick(2);
            std::vector<Sql> groups;
            for (int i = 0; i < ng; ++i) {
                Sql g;
                if (!columnRef(levels, chance(60) ? Ty::Int : Ty::Str, g)) continue;
                // An expression is grouped when written the same in both places.
                if (chance(15) && g.lite.find('c') == std::string::npos && g.lite.find('e') == std::string::npos
                    && g.lite.find('g') == std::string::npos)
                    g = "(" + g + " + 1)";
                groups.push_back(g);
                items.push_back(chance(50) ? g : Sql(g.lite));
            }
            const int na = 1 + pick(2);
            for (int i = 0; i < na; ++i) items.push_back(aggregate(levels));
            if (!groups.empty() && chance(15)) {
                std::vector<Level> inner = levels;
                items.push_back("(" + groupedSubquery(inner, groups.front()) + ")");
            }
            if (groups.empty() && chance(50)) {
                Sql agg = aggregate(levels);
                tail = " having " + agg + compareOp() + intLiteralFor(agg);
            }
            if (!groups.empty()) {
                tail = Sql(" group by ");
                const bool positions = chance(20);
                for (std::size_t i = 0; i < groups.size(); ++i)
                    tail = tail + (i ? ", " : "") + (positions ? Sql(std::to_string(i + 1)) : groups[i]);
                if (chance(50)) {
                    Sql agg = aggregate(levels);
                    tail = tail + " having " + agg + compareOp() + intLiteralFor(agg);
                    if (chance(30)) {
                        // A subquery over the group, correlated by a grouped column.
                        std::vector<Level> inner = levels;
                        tail = tail + " and " + agg + compareOp() + "(" + groupedSubquery(inner, groups.front()) + ")";
                    }
                }
            }
        } else {
            const int n = 1 + pick(3);
            for (int i = 0; i < n; ++i) {
                Sql c;
                Sql d;
                if (chance(15) && columnRef(levels, Ty::Int, c)) c = "(" + c + " + " + intLiteral() + ")";
                else if (chance(6) && columnRef(levels, Ty::Str, c) && columnRef(levels, Ty::Str, d)) c = c + " || " + d;
                else if (chance(6) && columnRef(levels, Ty::Str, c)) c = (chance(50) ? "upper(" : "length(") + c + ")";
                else if (!columnRef(levels, chance(60) ? Ty::Int : Ty::Str, c)) c = Sql(intLiteral());
                items.push_back(c);
            }
            if (shape == 4 && chance(50)) {
                // Scalar subquery in the select list.
                std::vector<Level> inner = levels;
                items.push_back("(" + subSelect(inner, Ty::Int, 1, true) + ")");
            }
        }
        Sql s = Sql(shape >= 5 && chance(25) ? "select distinct " : "select ");
        std::vector<std::string> labels(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            s = s + (i ? ", " : "") + items[i];
            if (chance(25)) {
                labels[i] = "k" + std::to_string(i + 1);
                s = s + (chance(50) ? " as " : " ") + labels[i];
            }
        }
        s = s + " from " + from;
        for (std::size_t i = 0; i < conds.size(); ++i) s = s + (i ? " and " : " where ") + conds[i];
        s = s + tail;
        columns = int(items.size());
        if (chance(40)) {
            s = s + orderBy(columns, &items, &labels);
            ordered = true;
        }
        return s;
    }

    Sql groupedSubquery(std::vector<Level> &levels, const Sql &grouped)
    {
        // The grouped column goes in as written for SQLite: qualified by an
        // alias the subquery must not hide.
        std::vector<Sql> joins;
        m_noShadow = true;
        Sql from = fromClause(levels, 1, joins);
        m_noShadow = false;
        Sql c;
        if (!columnRef(levels, Ty::Int, c, Where::Inner)) c = Sql("1");
        Sql s = "select count(" + c + ") from " + from;
        Sql other;
        const bool isInt = grouped.lite.find(".a") != std::string::npos || grouped.lite.find(".b") != std::string::npos
            || grouped.lite.find(".d") != std::string::npos;
        if (columnRef(levels, isInt ? Ty::Int : Ty::Str, other, Where::Inner)) s = s + " where " + other + " = " + Sql(grouped.lite);
        return s;
    }

    Sql intLiteralFor(const Sql &agg)
    {
        // Aggregates here are over integers.
        if (agg.ifx.rfind("count", 0) == 0 || agg.ifx.rfind("sum", 0) == 0) return Sql(std::to_string(pick(4)));
        return Sql(intLiteral());
    }

    Sql aggregate(const std::vector<Level> &levels)
    {
        Sql c;
        switch (pick(7)) {
        case 0: return Sql("count(*)");
        case 1: return columnRef(levels, Ty::Int, c) ? (chance(30) ? "sum(" + c + " * 2 + 1)" : "sum(" + c + ")") : Sql("count(*)");
        case 2: return columnRef(levels, Ty::Int, c) ? "max(" + c + ")" : Sql("count(*)");
        case 3: return columnRef(levels, Ty::Int, c) ? "min(" + c + ")" : Sql("count(*)");
        case 4: return columnRef(levels, Ty::Int, c) ? "count(" + c + ")" : Sql("count(*)");
        case 5: return columnRef(levels, chance(50) ? Ty::Int : Ty::Str, c) ? "count(distinct " + c + ")" : Sql("count(*)");
        default: return columnRef(levels, Ty::Int, c) ? "sum(distinct " + c + ")" : Sql("count(*)");
        }
    }

    // Every output column, by position, in a random order and direction.
    // Items are named by label or by their expression when given.
    Sql orderBy(int columns, const std::vector<Sql> *items = nullptr, const std::vector<std::string> *labels = nullptr)
    {
        std::vector<int> pos(static_cast<std::size_t>(columns));
        for (int i = 0; i < columns; ++i) pos[std::size_t(i)] = i + 1;
        for (int i = columns - 1; i > 0; --i) std::swap(pos[std::size_t(i)], pos[std::size_t(pick(i + 1))]);
        Sql s(" order by ");
        for (int i = 0; i < columns; ++i)
        {
            const std::size_t k = std::size_t(pos[std::size_t(i)] - 1);
            Sql key(std::to_string(k + 1));
            if (labels && !(*labels)[k].empty() && chance(60)) key = Sql((*labels)[k]);
            else if (items && chance(40) && (*items)[k].lite.find('(') == std::string::npos
                     && (*items)[k].lite.find(' ') == std::string::npos)
                key = (*items)[k];
            s = s + (i ? ", " : "") + key + (chance(30) ? " desc" : "");
        }
        return s;
    }

    // Informix OUTER tables: a condition touching one goes into its LEFT
    // JOIN's ON clause, the others stay in WHERE.
    Sql outerQuery(int &columns, bool &ordered)
    {
        static const char *const aliases[] = {"x", "y", "z", "w"};
        std::vector<GTable> dom, opt;
        const int nd = 1 + pick(2), no = 1 + pick(2);
        for (int i = 0; i < nd + no; ++i) {
            GTable g;
            g.def = &kTables[std::size_t(pick(int(kTables.size())))];
            g.alias = aliases[i];
            if (chance(30)) {
                bool clash = false;
                for (const GTable &o : dom) clash = clash || o.ref() == g.def->name;
                for (const GTable &o : opt) clash = clash || o.ref() == g.def->name;
                if (!clash) g.alias.clear();
            }
            (i < nd ? dom : opt).push_back(g);
        }
        auto item = [](const GTable &g) { return g.alias.empty() ? std::string(g.def->name) : std::string(g.def->name) + " " + g.alias; };
        m_forceQualified = true;
        Sql ifxFrom, liteFrom;
        std::string ifx, lite;
        for (std::size_t i = 0; i < dom.size(); ++i) {
            ifx += (i ? ", " : "") + item(dom[i]);
            lite += (i ? ", " : "") + item(dom[i]);
        }
        std::vector<Sql> where;
        for (const GTable &o : opt) {
            std::vector<Level> both{dom};
            both.back().push_back(o);
            // Conjuncts are placed one by one: each must touch the OUTER table.
            Sql on = joinCondition(both, int(both.back().size()) - 1, false);
            if (chance(50)) on = on + " and " + predicate(std::vector<Level>{Level{o}}, 2);  // no subquery: it might not read o
            ifx += ", outer " + item(o);
            lite += " left join " + item(o) + " on " + on.lite;
            where.push_back(on);
        }
        if (chance(60)) where.push_back(predicate(std::vector<Level>{dom}, 0));
        m_forceQualified = false;
        std::vector<Level> levels{dom};
        for (const GTable &o : opt) levels.back().push_back(o);
        const int n = 1 + pick(3);
        Sql s("select ");
        for (int i = 0; i < n; ++i) {
            Sql c;
            if (!columnRef(levels, chance(60) ? Ty::Int : Ty::Str, c)) c = Sql(intLiteral());
            s = s + (i ? ", " : "") + c;
        }
        s = s + Sql(" from " + ifx, " from " + lite);
        // The ON conditions are WHERE conjuncts for Informix only.
        std::string ifxWhere, liteWhere;
        for (std::size_t i = 0; i < where.size(); ++i) {
            ifxWhere += (ifxWhere.empty() ? " where " : " and ") + where[i].ifx;
            if (i >= opt.size()) liteWhere += (liteWhere.empty() ? " where " : " and ") + where[i].lite;
        }
        s = s + Sql(ifxWhere, liteWhere);
        columns = n;
        if (chance(40)) {
            s = s + orderBy(columns);
            ordered = true;
        }
        return s;
    }

    // OUTER (a, b) and OUTER (a, OUTER b): a group joined inside, then to the
    // dominant tables; each condition goes to the innermost group it touches.
    Sql nestedOuterQuery(int &columns, bool &ordered)
    {
        static const char *const aliases[] = {"x", "y", "z", "w"};
        std::vector<GTable> all;
        for (int i = 0; i < 3; ++i) {
            GTable g;
            g.def = &kTables[std::size_t(pick(int(kTables.size())))];
            g.alias = aliases[i];
            all.push_back(g);
        }
        const GTable &d = all[0], &o1 = all[1], &o2 = all[2];
        const bool nested = chance(50);
        auto item = [](const GTable &g) { return std::string(g.def->name) + " " + g.alias; };
        m_forceQualified = true;
        std::vector<Level> l01{Level{d, o1}}, l12{Level{o1, o2}}, lo2{Level{o2}};
        Sql c01 = joinCondition(l01, 1, false);
        Sql c12 = joinCondition(l12, 1, false);
        if (chance(40)) c12 = c12 + " and " + predicate(lo2, 2);
        Sql dom;
        if (chance(50)) dom = predicate(std::vector<Level>{Level{d}}, 0);
        m_forceQualified = false;
        std::string ifx = " from " + item(d) + ", outer (" + item(o1) + (nested ? ", outer " : ", ") + item(o2) + ")";
        std::string lite = " from " + item(d) + " left join (" + item(o1)
            + (nested ? " left join " + item(o2) + " on " + c12.lite + ") on " + c01.lite
                      : " join " + item(o2) + " on " + c12.lite + ") on " + c01.lite);
        std::string ifxWhere = " where " + c01.ifx + " and " + c12.ifx;
        std::string liteWhere;
        if (!dom.ifx.empty()) {
            ifxWhere += " and " + dom.ifx;
            liteWhere = " where " + dom.lite;
        }
        std::vector<Level> levels{Level{d, o1, o2}};
        columns = 1 + pick(3);
        Sql s("select ");
        for (int i = 0; i < columns; ++i) {
            Sql c;
            if (!columnRef(levels, chance(60) ? Ty::Int : Ty::Str, c)) c = Sql(intLiteral());
            s = s + (i ? ", " : "") + c;
        }
        s = s + Sql(ifx + ifxWhere, lite + liteWhere);
        if (chance(40)) {
            s = s + orderBy(columns);
            ordered = true;
        }
        return s;
    }

    Sql unionQuery(int &columns, bool &ordered)
    {
        columns = 1 + pick(2);
        std::vector<Ty> types;
        for (int i = 0; i < columns; ++i) types.push_back(chance(60) ? Ty::Int : Ty::Str);
        const int parts = 2 + pick(2);
        std::vector<std::string> labels(static_cast<std::size_t>(columns));
        Sql s;
        for (int p = 0; p < parts; ++p) {
            std::vector<Level> levels;
            std::vector<Sql> conds;
            Sql from = fromClause(levels, 2, conds);
            if (chance(60)) conds.push_back(predicate(levels, 1));
            Sql core("select ");
            for (int i = 0; i < columns; ++i) {
                Sql c;
                if (!columnRef(levels, types[std::size_t(i)], c)) c = literal(types[std::size_t(i)]);
                core = core + (i ? ", " : "") + c;
                // The first query's labels name the result's columns.
                if (p == 0 && chance(30)) {
                    labels[std::size_t(i)] = "u" + std::to_string(i + 1);
                    core = core + " " + labels[std::size_t(i)];
                }
            }
            core = core + " from " + from;
            for (std::size_t i = 0; i < conds.size(); ++i) core = core + (i ? " and " : " where ") + conds[i];
            if (p) s = s + (chance(50) ? " union all " : " union ");
            s = s + core;
        }
        if (chance(40)) {
            s = s + orderBy(columns, nullptr, &labels);
            ordered = true;
        }
        return s;
    }

    // UPDATE, DELETE or INSERT ... SELECT.
    Sql dml()
    {
        const TableDef &t = kTables[std::size_t(pick(int(kTables.size())))];
        const int kind = pick(3);
        if (kind == 2) {
            // INSERT ... SELECT takes a plain query of the table's column types.
            std::vector<Level> levels;
            std::vector<Sql> conds;
            Sql from = fromClause(levels, 2, conds);
            if (chance(70)) conds.push_back(predicate(levels, 0));
            // Some columns named in another order, the others left NULL.
            std::vector<std::size_t> cols;
            for (std::size_t i = 0; i < t.cols.size(); ++i)
                if (!chance(25)) cols.push_back(i);
            if (cols.empty()) cols.push_back(0);
            const bool named = cols.size() < t.cols.size() || chance(30);
            if (named)
                for (std::size_t i = cols.size(); i > 1; --i) std::swap(cols[i - 1], cols[std::size_t(pick(int(i)))]);
            Sql s = Sql("insert into ") + t.name;
            if (named) {
                s = s + " (";
                for (std::size_t i = 0; i < cols.size(); ++i) s = s + (i ? ", " : "") + t.cols[cols[i]].name;
                s = s + ")";
            }
            s = s + (chance(20) ? " select distinct " : " select ");
            for (std::size_t i = 0; i < cols.size(); ++i) {
                Sql c = chance(85) ? operand(levels, t.cols[cols[i]].type) : Sql("null");
                s = s + (i ? ", " : "") + c;
            }
            s = s + " from " + from;
            for (std::size_t i = 0; i < conds.size(); ++i) s = s + (i ? " and " : " where ") + conds[i];
            if (chance(20)) {
                std::vector<Level> more;
                std::vector<Sql> moreConds;
                Sql from2 = fromClause(more, 1, moreConds);
                s = s + (chance(50) ? " union select " : " union all select ");
                for (std::size_t i = 0; i < cols.size(); ++i) s = s + (i ? ", " : "") + operand(more, t.cols[cols[i]].type);
                s = s + " from " + from2;
            }
            return s;
        }
        std::vector<Level> levels;
        GTable target;
        target.def = &t;
        if (chance(30)) target.alias = "q";
        levels.push_back({target});
        // SQLite wants AS before the alias of the table changed.
        const Sql head(std::string(t.name) + (target.alias.empty() ? "" : " " + target.alias),
                       std::string(t.name) + (target.alias.empty() ? "" : " as " + target.alias));
        Sql s;
        if (kind == 0) {
            s = "update " + head + " set ";
            const int n = 1 + pick(int(t.cols.size()));
            std::vector<int> cols;
            for (int i = 0; i < int(t.cols.size()); ++i) cols.push_back(i);
            for (int i = int(cols.size()) - 1; i > 0; --i) std::swap(cols[std::size_t(i)], cols[std::size_t(pick(i + 1))]);
            for (int i = 0; i < n; ++i) {
                const ColDef &c = t.cols[std::size_t(cols[std::size_t(i)])];
                Sql v;
                const int form = pick(4);
                if (form == 0) v = literal(c.type);
                else if (form == 1) v = operand(levels, c.type);
                else if (form == 2) v = Sql("null");
                else {
                    // Informix refuses SET subqueries reading the table changed (-360).
                    std::vector<Level> inner = levels;
                    m_exclude = &t;
                    v = "(" + subSelect(inner, c.type, 1, true) + ")";
                    m_exclude = nullptr;
                }
                s = s + (i ? ", " : "") + c.name + " = " + v;
            }
        } else {
            s = "delete from " + head;
        }
        if (chance(90)) {
            Sql cond = predicate(levels, 0);
            // SQLite's UPDATE tests each row after changing the ones before:
            // the standard meaning picks the rows first.
            if (kind == 0) {
                const std::string ref = target.alias.empty() ? std::string(t.name) : target.alias;
                cond.lite = "rowid in (select " + ref + ".rowid from " + head.lite + " where " + cond.lite + ")";
            }
            s = s + " where " + cond;
        }
        return s;
    }

private:
    std::mt19937 m_rng;
    int m_derivedDepth = 0;
    int m_caseDepth = 0;
    int m_subDepth = 0;
    bool m_forceQualified = false;
    bool m_noShadow = false;        // no alias or table name of an enclosing query again  // conditions made over part of the FROM list
    const TableDef *m_exclude = nullptr;  // a table subqueries may not read
};

// Values as text both sides agree on: integral numbers without a fraction.

std::string normalText(const std::string &s)
{
    // DECIMAL results come back as text ("7", "7.0").
    char *end = nullptr;
    if (!s.empty() && (std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-')) {
        const double d = std::strtod(s.c_str(), &end);
        if (end && *end == '\0') return normalNumber(d);
    }
    return "'" + s + "'";
}


std::string engineValue(const Value &v)
{
    switch (v.kind) {
    case Value::Kind::Null: return "NULL";
    case Value::Kind::Integer: return std::to_string(v.integer);
    case Value::Kind::Float: return normalNumber(v.real);
    default: return normalText(v.text);
    }
}

std::string liteValue(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL: return "NULL";
    case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return normalNumber(sqlite3_column_double(st, i));
    default: return normalText(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
    }
}



class DifferentialTest : public TwoDatabases {
protected:
    void SetUp() override
    {
        open("diff");
        liteExec("pragma case_sensitive_like = on");

        std::mt19937 rng(20261206);
        for (const TableDef &t : kTables) {
            std::string ddl = std::string("create table ") + t.name + " (";
            std::string seedDdl = std::string("create table ") + t.name + "_seed (";
            for (std::size_t i = 0; i < t.cols.size(); ++i) {
                const std::string col = std::string(i ? ", " : "") + t.cols[i].name
                    + (t.cols[i].type == Ty::Int ? " integer" : " varchar(10)");
                ddl += col;
                seedDdl += col;
            }
            m_engine->execute(ddl + ")");
            m_engine->execute(seedDdl + ")");
            liteExec(ddl + ")");
            liteExec(seedDdl + ")");
            for (int r = 0; r < 8; ++r) {
                std::string row = std::string("insert into ") + t.name + "_seed values (";
                for (std::size_t i = 0; i < t.cols.size(); ++i) {
                    row += i ? ", " : "";
                    if (rng() % 5 == 0) row += "null";
                    else if (t.cols[i].type == Ty::Int) row += std::to_string(int(rng() % 5));
                    else row += std::string("'") + kStrings[rng() % 7] + "'";
                }
                row += ")";
                m_engine->execute(row);
                liteExec(row);
            }
        }
        restore();
    }
    void restore()
    {
        for (const TableDef &t : kTables) {
            const std::string sql = std::string("delete from ") + t.name + "; insert into " + t.name
                + " select * from " + t.name + "_seed";
            m_engine->execute(sql);
            liteExec(sql);
        }
    }

    Outcome runEngine(const std::string &sql)
    {
        return engineRows(sql, [](Statement &st, int i) { return engineValue(st.value(i)); });
    }
    Outcome runLite(const std::string &sql) { return liteRows(sql, liteValue); }

    Rows contents(bool engine)
    {
        Rows all;
        for (const TableDef &t : kTables) {
            const std::string sql = std::string("select '") + t.name + "', * from " + t.name;
            Outcome o = engine ? runEngine(sql) : runLite(sql);
            all.insert(all.end(), o.rows.begin(), o.rows.end());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

    // Runs `count` statements of one seed; returns the mismatches found.
    int runSeed(unsigned seed, int count, bool dml, int &compared)
    {
        Generator g(seed);
        int failures = 0;
        for (int n = 0; n < count; ++n) {
            Sql s;
            int columns = 0;
            bool ordered = false;
            if (dml) {
                s = g.dml();
                // Rolled back afterwards: cheaper than reloading the rows.
                m_engine->execute("begin work");
                liteExec("begin");
            } else {
                s = g.query(columns, ordered);
            }
            Outcome lite = runLite(s.lite);
            Outcome eng = runEngine(s.ifx);
            if (dml) {
                if (lite.ok) lite.rows = contents(false);
                if (eng.ok) eng.rows = contents(true);
            } else if (!ordered) {
                std::sort(lite.rows.begin(), lite.rows.end());
                std::sort(eng.rows.begin(), eng.rows.end());
            }
            if (dml) {
                m_engine->execute("rollback work");
                liteExec("rollback");
            }
            compare(eng, lite, s, seed, n, compared, failures);
        }
        return failures;
    }
};


TEST_F(DifferentialTest, QueriesAgreeWithPlainSqlite)
{
    int compared = 0;
    for (unsigned seed : seeds({11u, 23u, 37u, 41u}, 1000u))
        runSeed(seed, 500, false, compared);
    // The generator must stay mostly inside the shared subset to mean anything.
    EXPECT_GT(compared, 1800);
}

TEST_F(DifferentialTest, ChangesAgreeWithPlainSqlite)
{
    int compared = 0;
    for (unsigned seed : seeds({5u, 17u, 29u}, 1000u))
        runSeed(seed, 200, true, compared);
    EXPECT_GT(compared, 500);
}

} // namespace
