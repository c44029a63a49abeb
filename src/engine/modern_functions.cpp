// The SQLite side of the functions newer Informix servers added beside the
// classic ones: the bitwise functions, ASCII and CHR, CHARINDEX and INSTR
// with a start position and an occurrence, and TO_CHAR/TO_NUMBER of numbers
// with a formatting mask (number_format.h).
#include "engine/decimal.h"
#include "engine/number_format.h"
#include "engine/sqlfunction_util.h"
#include "engine/sqlfunctions.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace quodlin::engine {

using namespace fn;

namespace {

using Body = void (*)(sqlite3_context *, int, sqlite3_value **);

// Registered with and without the trailing offset argument.
void add(sqlite3 *db, const char *name, int nargs, Body body)
{
    for (int n : {nargs, nargs + 1})
        sqlite3_create_function_v2(db, name, n, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, body, nullptr, nullptr, nullptr);
}

Decimal decimalOf(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return Decimal::fromInt(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return Decimal::fromDouble(sqlite3_value_double(v));
    default: return Decimal::parseOrRaise(text(v));
    }
}

// A bit function's argument as INT8: fractions truncated, -1284 past its range.
std::int64_t int8Of(sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_INTEGER) return sqlite3_value_int64(v);
    const std::optional<std::int64_t> i = decimalOf(v).truncated(0).toInt64();
    if (!i) raise(-1284);
    return *i;
}

// Byte positions of UTF-8 characters: position k (1-based) starts at starts[k-1].
std::vector<std::size_t> characterStarts(const std::string &s)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
    return starts;
}

// The character position of the byte offset `byte`.
std::int64_t positionOf(const std::vector<std::size_t> &starts, std::size_t byte)
{
    return std::int64_t(std::lower_bound(starts.begin(), starts.end(), byte) - starts.begin()) + 1;
}

} // namespace

void registerModernFunctions(sqlite3 *db)
{
    // ifx_bit(op, a[, b]): op 0 AND, 1 OR, 2 XOR, 3 NOT, 4 ANDNOT.
    add(db, "ifx_bit", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::int64_t a = int8Of(v[1]), b = int8Of(v[2]);
            switch (sqlite3_value_int(v[0])) {
            case 0: sqlite3_result_int64(c, a & b); break;
            case 1: sqlite3_result_int64(c, a | b); break;
            case 2: sqlite3_result_int64(c, a ^ b); break;
            default: sqlite3_result_int64(c, a & ~b); break;
            }
        }, true, 3);
    });
    add(db, "ifx_bitnot", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { sqlite3_result_int64(c, ~int8Of(v[0])); }, true, 1);
    });
    // ifx_ascii(s, padded): the code of the first character; a CHAR of
    // blanks only (kept empty) starts with a blank.
    add(db, "ifx_ascii", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string s = text(v[0]);
            if (s.empty()) {
                if (sqlite3_value_int(v[1])) sqlite3_result_int(c, ' ');
                else sqlite3_result_null(c);
                return;
            }
            const unsigned char *p = reinterpret_cast<const unsigned char *>(s.data());
            int code = p[0];
            int extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
            if (extra) code &= 0x3F >> extra;
            for (int i = 1; i <= extra && std::size_t(i) < s.size(); ++i) code = (code << 6) | (p[i] & 0x3F);
            sqlite3_result_int(c, code);
        }, true, 2);
    });
    add(db, "ifx_chr", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::int64_t code = int8Of(v[0]);
            if (code < 0 || code > 255) raise(-385);
            std::string s;
            if (code < 0x80) s += char(code);
            else { s += char(0xC0 | (code >> 6)); s += char(0x80 | (code & 0x3F)); }
            resultText(c, s);
        }, true, 1);
    });
    // ifx_charindex(substring, source, start): 0 when absent; a start
    // below 1 searches from the first character.
    add(db, "ifx_charindex", 3, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string sub = text(v[0]), src = text(v[1]);
            const std::vector<std::size_t> starts = characterStarts(src);
            const std::int64_t start = std::max<std::int64_t>(1, int8Of(v[2]));
            if (start > std::int64_t(starts.size())) { sqlite3_result_int(c, 0); return; }
            const std::size_t at = src.find(sub, starts[std::size_t(start - 1)]);
            sqlite3_result_int64(c, at == std::string::npos ? 0 : positionOf(starts, at));
        }, true, 3);
    });
    // ifx_instr(source, substring, start, count): the count-th occurrence
    // from start (a negative start counts from the end and searches
    // backwards); NULL for an empty string or a count below 1, 0 when absent.
    add(db, "ifx_instr", 4, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            const std::string src = text(v[0]), sub = text(v[1]);
            const std::int64_t start = int8Of(v[2]), count = int8Of(v[3]);
            if (src.empty() || sub.empty() || count < 1) { sqlite3_result_null(c); return; }
            const std::vector<std::size_t> starts = characterStarts(src);
            const std::int64_t length = std::int64_t(starts.size());
            if (start == 0 || start > length || -start > length) { sqlite3_result_int(c, 0); return; }
            std::int64_t found = 0;
            if (start > 0) {
                std::size_t from = starts[std::size_t(start - 1)];
                for (;;) {
                    const std::size_t at = src.find(sub, from);
                    if (at == std::string::npos) break;
                    if (++found == count) { sqlite3_result_int64(c, positionOf(starts, at)); return; }
                    from = at + 1;
                }
            } else {
                std::size_t from = starts[std::size_t(length + start)];
                for (;;) {
                    const std::size_t at = src.rfind(sub, from);
                    if (at == std::string::npos) break;
                    if (++found == count) { sqlite3_result_int64(c, positionOf(starts, at)); return; }
                    if (at == 0) break;
                    from = at - 1;
                }
            }
            sqlite3_result_int(c, 0);
        }, true, 4);
    });
    // ifx_num_char(number, mask): TO_CHAR of a number.
    add(db, "ifx_num_char", 2, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] { resultText(c, formatNumberMask(decimalOf(v[0]), text(v[1]))); }, true, 2);
    });
    // ifx_to_number(text): TO_NUMBER, a DECIMAL from a plain or formatted number.
    add(db, "ifx_to_number", 1, [](sqlite3_context *c, int n, sqlite3_value **v) {
        guarded(c, n, v, [&] {
            if (sqlite3_value_type(v[0]) != SQLITE_TEXT) { resultText(c, expressionResult(decimalOf(v[0])).normalized().text()); return; }
            const std::optional<Decimal> d = parseFormattedNumber(text(v[0]));
            if (!d) raise(-1213);
            resultText(c, expressionResult(*d).normalized().text());
        }, true, 1);
    });
}

} // namespace quodlin::engine
