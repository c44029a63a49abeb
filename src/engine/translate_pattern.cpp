// LIKE and MATCHES: the dialect's matcher, and for a character column
// against a constant pattern that starts with literal characters a range
// on those characters that an index on the column serves. The range
// narrows the rows the matcher sees: every value the pattern matches lies
// inside it under the column's RTRIM collation, so results are unchanged;
// for a prefix and one trailing wildcard it is the whole test.
#include "engine/sqlfunctions.h"
#include "engine/translate_internal.h"
#include "engine/translate_typing.h"

namespace quodlin::engine {

namespace {

// A text literal of any bytes (an upper bound may end inside a UTF-8
// sequence): hex when it is not plain ASCII.
std::string bytesLiteral(const std::string &bytes)
{
    bool ascii = true;
    for (unsigned char ch : bytes)
        ascii = ascii && ch >= 0x20 && ch < 0x7F;
    if (ascii)
        return quoteString(bytes);
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "CAST(X'";
    for (unsigned char ch : bytes) {
        out += digits[ch >> 4];
        out += digits[ch & 15];
    }
    return out + "' AS TEXT)";
}

} // namespace

std::string patternSql(const Typed &value, const Typed &pattern, const Typed *escape, const ast::Expr *escapeExpr,
                       bool matches, bool negated)
{
    std::string match = std::string(matches ? "ifx_matches(" : "ifx_like(") + value.sql + "," + pattern.sql;
    if (escape) match += "," + escape->sql;
    match += ")";
    if (negated) return "(NOT " + match + ")";
    // The escape as the matcher reads it: backslash by default, none for ''.
    char esc = '\\';
    if (escapeExpr) {
        if (escapeExpr->kind != ast::ExprKind::String || escapeExpr->text.size() > 1) return "(" + match + ")";
        esc = escapeExpr->text.empty() ? 0 : escapeExpr->text[0];
    }
    if (!typing::isPlainColumn(value) || !isCharacter(value.type.code, value.type.extendedId) || !pattern.literal
        || pattern.type.code != TChar)
        return "(" + match + ")";
    std::string low = patternPrefix(pattern.literalText, matches, esc);
    if (low.empty()) return "(" + match + ")";
    // The least text above every text that starts with the prefix: its last
    // byte below 0xFF raised by one; none when all of them are 0xFF.
    std::string high = low;
    while (!high.empty() && static_cast<unsigned char>(high.back()) == 0xFF) high.pop_back();
    std::string range = value.sql + ">=" + bytesLiteral(low);
    if (!high.empty()) {
        high.back() = static_cast<char>(static_cast<unsigned char>(high.back()) + 1);
        range += " AND " + value.sql + "<" + bytesLiteral(high);
    }
    // A pattern that is its prefix and one trailing wildcard selects exactly
    // the range, so the matcher need not run on each row. Not when a blank
    // ends the prefix or its bound: CHAR values match padded, and the
    // collation ignores trailing blanks.
    const char wild = matches ? '*' : '%';
    const std::string &raw = pattern.literalText;
    if (!high.empty() && high.back() != ' ' && low.back() != ' ' && esc != wild && raw.size() == low.size() + 1
        && raw.back() == wild && raw.compare(0, low.size(), low) == 0)
        return "(" + range + ")";
    return "(" + range + " AND " + match + ")";
}

} // namespace quodlin::engine
