// Functions: aggregates, NVL/DECODE and their relatives, dates, strings,
// numbers and bits mapped onto SQLite's functions and the dialect functions
// of sqlfunctions.h, each with Informix's result type; then SPL functions.
#include "engine/translate_internal.h"

#include "engine/file_access.h"
#include "engine/translate_typing.h"
#include "engine/spl_resolve.h"

#include "engine/decimal.h"
#include "engine/error.h"

#include <algorithm>

namespace quodlin::engine {

using namespace ast;
using namespace typing;

Typed Translator::function(const Expr &e, Scope &scope)
{
    if (e.over) return window(e, scope);
    const std::string &f = e.text;
    Typed out;
    std::vector<Typed> args;
    args.reserve(e.args.size());
    {
        const bool aggregate = f == "count" || f == "sum" || f == "avg" || f == "min" || f == "max" || f == "stdev"
            || f == "variance" || f == "range";
        // Counted down on the way out, also when an argument fails.
        struct Depth {
            int &d;
            bool on;
            ~Depth() { if (on) --d; }
        } depth{m_aggregateDepth, aggregate};
        if (aggregate) ++m_aggregateDepth;
        for (const ExprPtr &a : e.args) args.push_back(expr(*a, scope));
    }
    auto argc = [&](std::size_t min, std::size_t max) {
        if (args.size() < min || args.size() > max || e.star) raise(-201, {}, e.offset);
    };
    auto call = [&](const char *name, bool withOffset = false) {
        std::string s = name;
        s += '(';
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (i) s += ',';
            s += args[i].sql;
        }
        if (withOffset) s += at(e.offset);
        s += ')';
        return s;
    };
    auto dateArg = [&](std::size_t i) {
        // A string given to a date function is a DATE under DBDATE.
        if (args[i].literal && isText(args[i].type)) args[i].sql = convertTo(args[i], kDate, e.args[i]->offset), args[i].type = kDate;
    };
    for (const Typed &a : args) out.aggregate = out.aggregate || a.aggregate;

    // Aggregates
    if (f == "count" || f == "sum" || f == "avg" || f == "min" || f == "max" || f == "stdev"
        || f == "variance" || f == "range") {
        for (const Typed &a : args)
            if (a.aggregate) raise(-544, {}, e.offset);
        out.aggregate = true;
        if (f == "count" && e.star) {
            out.sql = "count(*)";
            out.type = kInteger;
            return out;
        }
        argc(1, 1);
        const std::string distinct = e.distinct ? "DISTINCT " : "";
        const TypeDesc &t = args[0].type;
        const bool floating = t.code == TFloat || t.code == TSmallFloat;
        // Decimals compare by the collation; SUM and AVG of anything but
        // FLOAT are exact (an INT8 sum needs more than 64 bits).
        const std::string arg = isDecimal(t) ? collated(args[0].sql) : args[0].sql;
        if (f == "range") {
            const std::string mm = "max(" + arg + "),min(" + arg + ")";
            if (isDecimal(t)) out.sql = collated("ifx_dec_sub(" + mm + ")");
            else if (isInteger(t.code)) out.sql = "ifx_int((max(" + arg + ")-min(" + arg + "))," + std::to_string(TInt8) + ")";
            else out.sql = "(max(" + arg + ")-min(" + arg + "))";
        } else if (f == "stdev" || f == "variance") {
            out.sql = "ifx_" + f + "(" + distinct + arg + ")";
        } else if ((f == "sum" || f == "avg") && !floating) {
            out.sql = collated("ifx_" + f + "(" + distinct + arg + ")");
        } else {
            out.sql = f + "(" + distinct + arg + ")";
            if (isDecimal(t)) out.sql = collated(out.sql);
        }
        out.type = aggregateType(f, t);
        return out;
    }
    if (e.distinct || e.star) raise(-201, {}, e.offset);

    if (f == "nvl") {
        argc(2, 2);
        out.type = branchType(args[0].type, args[1].type);
        out.sql = "coalesce(" + branchSql(args[0], out.type, e.args[0]->offset) + "," + branchSql(args[1], out.type, e.args[1]->offset) + ")";
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    if (f == "nullif") {
        argc(2, 2);
        Typed subject = args[0], match = args[1];
        decimalOperands(subject, {&match}, {e.args[0]->offset, e.args[1]->offset});
        out.sql = "(CASE WHEN " + subject.sql + "=" + match.sql + " THEN NULL ELSE " + args[0].sql + " END)";
        out.type = args[0].type;
        return out;
    }
    if (f == "nvl2") {
        argc(3, 3);
        out.type = branchType(args[1].type, args[2].type);
        out.sql = "(CASE WHEN " + args[0].sql + " IS NOT NULL THEN " + branchSql(args[1], out.type, e.args[1]->offset)
            + " ELSE " + branchSql(args[2], out.type, e.args[2]->offset) + " END)";
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    if (f == "coalesce" || f == "greatest" || f == "least") {
        if (args.size() < 2 || args.size() > 127) raise(-201, {}, e.offset);
        for (const Typed &a : args) out.type = branchType(out.type, a.type);
        // SQLite's max()/min() of several arguments are NULL when one is,
        // and compare by the first collation among them.
        out.sql = f == "coalesce" ? "coalesce(" : f == "greatest" ? "max(" : "min(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::string a = branchSql(args[i], out.type, e.args[i]->offset);
            if (i == 0 && f != "coalesce" && isDecimal(out.type)) a = collated(a);
            out.sql += (i ? "," : "") + a;
        }
        out.sql += ")";
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    if (f == "decode") {
        if (args.size() < 3) raise(-201, {}, e.offset);
        std::size_t i = 1;
        for (; i + 1 < args.size(); i += 2) out.type = branchType(out.type, args[i + 1].type);
        if (i < args.size()) out.type = branchType(out.type, args[i].type);
        out.sql = "(CASE";
        for (i = 1; i + 1 < args.size(); i += 2) {
            Typed subject = args[0], match = args[i];
            decimalOperands(subject, {&match}, {e.args[0]->offset, e.args[i]->offset});
            out.sql += " WHEN " + subject.sql + " IS " + match.sql + " THEN " + branchSql(args[i + 1], out.type, e.args[i + 1]->offset);
        }
        if (i < args.size()) out.sql += " ELSE " + branchSql(args[i], out.type, e.args[i]->offset);
        out.sql += " END)";
        if (isDecimal(out.type)) out.sql = collated(out.sql);
        return out;
    }
    // Dates
    if (f == "day" || f == "month" || f == "year" || f == "weekday" || f == "quarter") {
        argc(1, 1);
        dateArg(0);
        out.sql = "ifx_" + f + "(" + args[0].sql + ")";
        out.type = type(TSmallInt, 2);
        return out;
    }
    if (f == "mdy") { argc(3, 3); out.sql = call("ifx_mdy", true); out.type = kDate; return out; }
    if (f == "date") {
        argc(1, 1);
        if (args[0].literal && isText(args[0].type)) { dateArg(0); out.sql = args[0].sql; }
        else out.sql = call("ifx_date", true);
        out.type = kDate;
        return out;
    }
    if (f == "extend") {
        argc(1, 1);
        dateArg(0);
        const TypeDesc &t = args[0].type;
        const int from = t.code == TDateTime ? t.collength : 0;
        int to = e.qualifier.valid() ? encodeDatetime(e.qualifier.start, e.qualifier.end)
                                     : (t.code == TDateTime ? t.collength : encodeDatetime(UYear, 13));
        out.sql = "ifx_extend(" + args[0].sql + "," + std::to_string(from) + "," + std::to_string(to) + at(e.offset) + ")";
        out.type = type(TDateTime, to);
        return out;
    }
    if (f == "last_day" || f == "add_months" || f == "months_between" || f == "next_day") {
        argc(f == "last_day" ? 1 : 2, f == "last_day" ? 1 : 2);
        dateArg(0);
        if (f == "months_between") dateArg(1);
        out.sql = call(("ifx_" + f).c_str());
        out.type = f == "months_between" ? decimalFloat() : kDate;
        return out;
    }
    if (f == "to_char" && !args.empty() && (isNumeric(args[0].type.code) || (args[0].type.code == TNull && args.size() > 1))) {
        argc(1, 2);
        out.type = type(TVarChar, encodeVarchar(255));
        if (args.size() == 1) out.sql = displayTextSql(args[0]);
        else out.sql = "ifx_num_char(" + args[0].sql + "," + args[1].sql + at(e.offset) + ")";
        return out;
    }
    if (f == "to_number") {
        argc(1, 2);
        out.sql = collated("ifx_to_number(" + args[0].sql + at(e.offset) + ")");
        out.type = decimalFloat();
        return out;
    }
    if (f == "to_char") {
        argc(1, 2);
        const int q = args[0].type.code == TDateTime ? args[0].type.collength : 0;
        out.sql = "ifx_to_char(" + args[0].sql + "," + std::to_string(args[0].type.code == TDate ? -1 : q) + ","
            + (args.size() > 1 ? args[1].sql : "NULL") + ")";
        out.type = type(TVarChar, encodeVarchar(255));
        return out;
    }
    if (f == "to_date") {
        argc(1, 2);
        const int q = encodeDatetime(UYear, 15);
        out.sql = "ifx_to_date(" + args[0].sql + "," + (args.size() > 1 ? args[1].sql : "NULL") + "," + std::to_string(q) + at(e.offset) + ")";
        out.type = type(TDateTime, q);
        return out;
    }
    // Strings
    if (f == "ltrim" || f == "rtrim") {
        argc(1, 2);
        out.sql = call(f.c_str());
        out.type = type(TVarChar, encodeVarchar(255));
        return out;
    }
    if (f == "substr" || f == "substring") {
        argc(2, 3);
        if (f == "substr" && isChar(args[0].type.code) && !args[0].literal && args[0].type.collength > 0) {
            // A negative start counts back from the end of the declared
            // length, blanks included. The part is a CHAR again: kept without
            // its trailing blanks like every CHAR value, padded by ||.
            const bool positive = args[1].literal && isNumeric(args[1].type.code)
                && args[1].sql.find('-') == std::string::npos;
            int length = args[0].type.collength;
            if (!positive)
                args[0].sql = "(CASE WHEN " + args[1].sql + "<0 THEN ifx_rpad(" + args[0].sql + ","
                    + std::to_string(length) + ") ELSE " + args[0].sql + " END)";
            if (args.size() > 2 && args[2].literal && isNumeric(args[2].type.code))
                length = int(std::clamp<long>(smallNumber(args[2].literalText), 1, length));
            out.sql = "rtrim(" + call("ifx_substr") + ")";
            out.type = type(TChar, length);
            return out;
        }
        out.sql = call(f == "substr" ? "ifx_substr" : "ifx_substring");
        out.type = type(TVarChar, encodeVarchar(255));
        return out;
    }
    if (f == "length" || f == "len") { argc(1, 1); out.sql = call("ifx_length"); out.type = kInteger; return out; }
    if (f == "char_length" || f == "character_length") { argc(1, 1); out.sql = call("length"); out.type = kInteger; return out; }
    if (f == "octet_length") { argc(1, 1); out.sql = call("ifx_octet_length"); out.type = kInteger; return out; }
    if (f == "upper" || f == "lower" || f == "initcap" || f == "reverse") {
        argc(1, 1);
        out.sql = call(f == "upper" ? "upper" : f == "lower" ? "lower" : f == "initcap" ? "ifx_initcap" : "ifx_reverse");
        out.type = isText(args[0].type) ? args[0].type : type(TVarChar, encodeVarchar(255));
        return out;
    }
    if (f == "lpad" || f == "rpad") { argc(2, 3); out.sql = call(f == "lpad" ? "ifx_lpad" : "ifx_rpad"); out.type = type(TVarChar, encodeVarchar(255)); return out; }
    if (f == "replace") {
        argc(2, 3);
        if (args.size() == 2) out.sql = "replace(" + args[0].sql + "," + args[1].sql + ",'')";
        else out.sql = call("replace");
        out.type = type(TVarChar, encodeVarchar(255));
        return out;
    }
    if (f == "concat") { argc(2, 2); out.sql = "(" + args[0].sql + "||" + args[1].sql + ")"; out.type = type(TVarChar, encodeVarchar(255)); return out; }
    if (f == "instr") {
        argc(2, 4);
        out.sql = "ifx_instr(" + args[0].sql + "," + args[1].sql + "," + (args.size() > 2 ? args[2].sql : "1") + ","
            + (args.size() > 3 ? args[3].sql : "1") + at(e.offset) + ")";
        out.type = kInteger;
        return out;
    }
    if (f == "charindex") {
        argc(2, 3);
        if (args.size() == 2) out.sql = "instr(" + args[1].sql + "," + args[0].sql + ")";
        else out.sql = call("ifx_charindex", true);
        out.type = kInteger;
        return out;
    }
    // Files are the user's to name: only in a statement run directly (lob_files.cpp).
    if ((f == "filetoblob" || f == "filetoclob" || f == "lotofile") && !m_ctx.errorOffsets && !outsideAccessAllowed()) {
        std::string name = f;
        for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        raise(-9630, name, e.offset);
    }
    if (f == "filetoblob" || f == "filetoclob") {
        // The optional table and column pick storage options Informix has and the engine has not.
        argc(2, 4);
        for (const Typed &a : args)
            if (!isText(a.type) && a.type.code != TNull) raise(-674, f, e.offset);
        out.sql = std::string(f == "filetoblob" ? "ifx_filetoblob(" : "ifx_filetoclob(") + args[0].sql + "," + args[1].sql + at(e.offset) + ")";
        out.type = type(TUdtFixed, 72);
        out.type.extendedId = f == "filetoblob" ? kXidBlob : kXidClob;
        return out;
    }
    if (f == "lotofile") {
        argc(3, 3);
        const TypeDesc &lob = args[0].type;
        if (!(lob.code == TUdtFixed && (lob.extendedId == kXidBlob || lob.extendedId == kXidClob)) || !isText(args[1].type)
            || !isText(args[2].type))
            raise(-674, f, e.offset);
        out.sql = call("ifx_lotofile", true);
        out.type = type(TUdtVar, 2048);
        out.type.extendedId = kXidLVarChar;
        return out;
    }
    if (f == "ascii") {
        argc(1, 1);
        out.sql = "ifx_ascii(" + args[0].sql + "," + (isChar(args[0].type.code) ? "1" : "0") + ")";
        out.type = kInteger;
        return out;
    }
    if (f == "chr") { argc(1, 1); out.sql = call("ifx_chr", true); out.type = type(TVarChar, encodeVarchar(1)); return out; }
    if (f == "left") { argc(2, 2); out.sql = "substr(" + args[0].sql + ",1," + args[1].sql + ")"; out.type = type(TVarChar, encodeVarchar(255)); return out; }
    if (f == "right") { argc(2, 2); out.sql = "ifx_right(" + args[0].sql + "," + args[1].sql + ")"; out.type = type(TVarChar, encodeVarchar(255)); return out; }
    // Numbers
    static const char *const math1[] = {"abs", "sqrt", "exp", "logn", "ln", "log10", "ceil", "floor", "sign", "sin",
                                        "cos", "tan", "asin", "acos", "atan", "hex"};
    for (const char *m : math1) {
        if (f == m) {
            argc(1, 1);
            const bool exact = isDecimal(args[0].type) && (f == "abs" || f == "sign" || f == "ceil" || f == "floor");
            out.sql = std::string(exact ? "ifx_dec_math('" : "ifx_math('") + m + "'," + args[0].sql + ")";
            if (exact && f != "sign") out.sql = collated(out.sql);
            out.type = f == "abs" ? args[0].type : f == "hex" ? type(TChar, 10) : f == "sign" || f == "ceil" || f == "floor" ? decimalFloat() : kFloat;
            if (f == "abs" && out.type.code == TNull) out.type = decimalFloat();
            return out;
        }
    }
    if (f == "bitand" || f == "bitor" || f == "bitxor" || f == "bitandnot" || f == "bitnot") {
        const bool unary = f == "bitnot";
        argc(unary ? 1 : 2, unary ? 1 : 2);
        // Two integers of one type keep it, of two types the wider; any
        // other number makes the result DECIMAL(32).
        const TypeDesc &a = args[0].type, &b = args.back().type;
        if (isInteger(a.code) && isInteger(b.code)) {
            const bool int8 = decimalShape(a).precision > 10 || decimalShape(b).precision > 10;
            out.type = int8 ? kInt8 : decimalShape(a).precision == 5 && decimalShape(b).precision == 5 ? type(TSmallInt, 2) : kInteger;
        } else {
            out.type = decimalFloat();
        }
        const char *op = f == "bitand" ? "0" : f == "bitor" ? "1" : f == "bitxor" ? "2" : "4";
        std::string bits = unary ? "ifx_bitnot(" + args[0].sql + at(e.offset) + ")"
                                 : "ifx_bit(" + std::string(op) + "," + args[0].sql + "," + args[1].sql + at(e.offset) + ")";
        if (isDecimal(out.type)) out.sql = collated("ifx_dec(" + bits + ")");
        else out.sql = "ifx_int(" + bits + "," + std::to_string(out.type.code == TInt8 ? TInt8 : TInteger) + at(e.offset) + ")";
        return out;
    }
    if (f == "mod") {
        argc(2, 2);
        out.type = numericResult(args[0].type, args[1].type);
        const std::string &divisor = args[1].sql;
        const bool constantDivisor = args[1].literal && !divisor.empty()
            && divisor.find_first_not_of("0123456789") == std::string::npos && divisor.find_first_not_of('0') != std::string::npos;
        if (isDecimal(out.type))
            out.sql = collated("ifx_dec_mod(" + decimalSql(args[0], e.args[0]->offset) + "," + decimalSql(args[1], e.args[1]->offset) + at(e.offset) + ")");
        else if (isInteger(args[0].type.code) && isInteger(args[1].type.code) && constantDivisor)
            // SQLite's remainder of integers takes the dividend's sign as
            // ifx_mod does; a nonzero constant divisor leaves nothing to check.
            out.sql = "(" + args[0].sql + "%" + divisor + ")";
        else
            out.sql = call("ifx_mod", true);
        return out;
    }
    if (f == "pow" || f == "power" || f == "atan2" || f == "root") {
        argc(f == "root" ? 1 : 2, 2);
        out.sql = "ifx_math2('" + f + "'," + args[0].sql + "," + (args.size() > 1 ? args[1].sql : "2") + ")";
        out.type = kFloat;
        return out;
    }
    if (f == "round" || f == "trunc") {
        argc(1, 2);
        if (isDateLike(args[0].type.code)) raise(-999, {}, e.offset);
        const TypeDesc &t = args[0].type;
        const std::string digits = args.size() > 1 ? args[1].sql : "0";
        out.type = isInteger(t.code) ? t : decimalFloat();
        if (isInteger(t.code) || t.code == TFloat || t.code == TSmallFloat)
            out.sql = "ifx_" + f + "(" + args[0].sql + "," + digits + ")";
        else
            out.sql = collated("ifx_dec_" + f + "(" + decimalSql(args[0], e.args[0]->offset) + "," + digits + at(e.offset) + ")");
        return out;
    }
    if (f == "dbinfo") {
        argc(1, 2);
        out.sql = call("ifx_dbinfo");
        const std::string what = args[0].literal ? args[0].literalText : std::string();
        if (what == "dbname" || what == "dbhostname" || what == "version") out.type = type(TVarChar, encodeVarchar(128));
        else if (what == "utc_to_datetime") out.type = type(TDateTime, encodeDatetime(UYear, USecond));
        else out.type = kInt8;
        return out;
    }
    if (f == "user") { argc(0, 0); out.sql = "ifx_user()"; out.type = type(TVarChar, encodeVarchar(32)); return out; }
    if (f == "today") { argc(0, 0); out.sql = "ifx_today()"; out.type = kDate; return out; }
    if (e.table.empty() && !e.distinct && !e.star) {
        std::vector<TypeDesc> argTypes;
        for (const Typed &a : args) argTypes.push_back(a.type);
        if (auto r = ::quodlin::engine::spl::resolveFunction(m_ctx.catalog, f, argTypes)) {
            out.sql = "ifx_spl_call(" + std::to_string(r->procid);
            for (std::size_t i = 0; i < args.size(); ++i) {
                ColumnInfo param;
                param.coltype = r->params[i].code;
                param.collength = r->params[i].collength;
                param.extendedId = r->params[i].extendedId;
                out.sql += "," + storeValue(args[i], param, e.args[i]->offset);
            }
            out.sql += ")";
            out.type = r->result;
            return out;
        }
    }
    raise(-674, f, e.offset);
}

} // namespace quodlin::engine
