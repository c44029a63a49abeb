// OLAP window functions: the aggregates and the ranking, offset and
// distribution functions with OVER (PARTITION BY ... ORDER BY ... frame),
// on SQLite's window functions. SUM and AVG stay exact decimals through the
// engine's own window aggregates; other types follow the plain aggregates.
#include "engine/translate_internal.h"
#include "engine/translate_typing.h"

#include "engine/error.h"

namespace quodlin::engine {

using namespace ast;
using namespace typing;

namespace {

const TypeDesc kBigInt{TBigInt, 8, 0};

bool oneOf(const std::string &f, std::initializer_list<const char *> names)
{
    for (const char *n : names)
        if (f == n) return true;
    return false;
}

} // namespace

Typed Translator::window(const Expr &e, Scope &scope)
{
    const std::string &f = e.text;
    const WindowSpec &w = *e.over;
    Typed out;
    std::vector<Typed> args;
    for (const ExprPtr &a : e.args) {
        args.push_back(expr(*a, scope));
        out.aggregate = out.aggregate || args.back().aggregate;
    }
    auto argc = [&](std::size_t min, std::size_t max) {
        if (args.size() < min || args.size() > max || e.star || e.distinct) raise(-201, {}, e.offset);
    };
    auto sortable = [](const Typed &t) { return isDecimal(t.type) ? collated(t.sql) : t.sql; };

    // OVER (...): partitions and order compare as the values do (decimals by number).
    std::string over = " OVER (";
    for (std::size_t i = 0; i < w.partition.size(); ++i) {
        const Typed p = expr(*w.partition[i], scope);
        over += (i ? "," : "PARTITION BY ") + sortable(p);
    }
    for (std::size_t i = 0; i < w.order.size(); ++i) {
        const OrderItem &o = w.order[i];
        const Typed v = expr(*o.expr, scope);
        over += (i ? "," : w.partition.empty() ? "ORDER BY " : " ORDER BY ") + sortable(v);
        if (o.desc) over += " DESC";
        if (o.nulls) over += o.nulls == 1 ? " NULLS FIRST" : " NULLS LAST";
    }
    if (w.hasFrame) {
        auto bound = [&](const FrameBound &b) -> std::string {
            using K = FrameBound::Kind;
            switch (b.kind) {
            case K::UnboundedPreceding: return "UNBOUNDED PRECEDING";
            case K::UnboundedFollowing: return "UNBOUNDED FOLLOWING";
            case K::CurrentRow: return "CURRENT ROW";
            default: break;
            }
            // An offset is an unsigned integer constant.
            if (b.offset->kind != ExprKind::Integer) raise(-201, {}, b.offset->offset);
            return b.offset->text + (b.kind == K::Preceding ? " PRECEDING" : " FOLLOWING");
        };
        if (w.start.kind == FrameBound::Kind::UnboundedFollowing || w.end.kind == FrameBound::Kind::UnboundedPreceding)
            raise(-201, {}, e.offset);
        over += std::string(w.partition.empty() && w.order.empty() ? "" : " ") + (w.rows ? "ROWS" : "RANGE")
            + " BETWEEN " + bound(w.start) + " AND " + bound(w.end);
    }
    over += ")";

    if (oneOf(f, {"row_number", "rank", "dense_rank", "percent_rank", "cume_dist"})) {
        argc(0, 0);
        out.sql = f + "()" + over;
        out.type = f == "percent_rank" || f == "cume_dist" ? kFloat : kBigInt;
        return out;
    }
    if (f == "ntile") {
        argc(1, 1);
        out.sql = "ntile(" + args[0].sql + ")" + over;
        out.type = kBigInt;
        return out;
    }
    if (f == "lag" || f == "lead") {
        argc(1, 3);
        out.type = args[0].type;
        out.sql = f + "(" + args[0].sql;
        if (args.size() > 1) out.sql += "," + args[1].sql;
        if (args.size() > 2) out.sql += "," + branchSql(args[2], out.type, e.args[2]->offset);
        out.sql += ")" + over;
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    if (f == "first_value" || f == "last_value") {
        argc(1, 1);
        out.type = args[0].type;
        out.sql = f + "(" + args[0].sql + ")" + over;
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    const TypeDesc t = args.empty() ? TypeDesc{TNull, 0, 0} : args[0].type;
    const bool floating = t.code == TFloat || t.code == TSmallFloat;
    if (f == "ratio_to_report") {
        // The share of the partition's total; NULL where the total is 0.
        argc(1, 1);
        if (!w.order.empty() || w.hasFrame) raise(-201, {}, e.offset);
        if (floating) {
            out.sql = "(CAST(" + args[0].sql + " AS REAL)/nullif(sum(" + args[0].sql + ")" + over + ",0))";
            out.type = kFloat;
        } else {
            out.sql = collated("ifx_dec_div(" + decimalSql(args[0], e.args[0]->offset) + ",nullif((ifx_sum("
                               + args[0].sql + ")" + over + " COLLATE ifx_decimal),'0')" + at(e.offset) + ")");
            out.type = decimalFloat();
        }
        return out;
    }
    if (!oneOf(f, {"count", "sum", "avg", "min", "max", "stdev", "variance", "range"})) raise(-201, {}, e.offset);
    // SQLite's window aggregates take no DISTINCT.
    if (e.distinct) raise(-201, {}, e.offset);
    if (f == "count" && e.star) {
        out.sql = "count(*)" + over;
        out.type = kInteger;
        return out;
    }
    argc(1, 1);
    const std::string arg = sortable(args[0]);
    out.type = aggregateType(f, t);
    if (f == "range") {
        const std::string mm = "max(" + arg + ")" + over + ",min(" + arg + ")" + over;
        if (isDecimal(t)) out.sql = collated("ifx_dec_sub(" + mm + ")");
        else if (isInteger(t.code)) out.sql = "ifx_int((max(" + arg + ")" + over + "-min(" + arg + ")" + over + ")," + std::to_string(TInt8) + ")";
        else out.sql = "(max(" + arg + ")" + over + "-min(" + arg + ")" + over + ")";
    } else if (f == "stdev" || f == "variance") {
        out.sql = "ifx_" + f + "(" + arg + ")" + over;
    } else if ((f == "sum" || f == "avg") && !floating) {
        out.sql = collated("ifx_" + f + "(" + arg + ")" + over);
    } else {
        out.sql = f + "(" + arg + ")" + over;
        if (isDecimal(t)) out.sql = collated(out.sql);
    }
    return out;
}

} // namespace quodlin::engine
