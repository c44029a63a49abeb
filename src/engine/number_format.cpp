#include "engine/number_format.h"

#include <vector>

namespace quodlin::engine {

namespace {

bool isDigitPosition(char c) { return c == '#' || c == '&' || c == '*' || c == '<'; }
bool isFloating(char c) { return c == '$' || c == '-' || c == '+' || c == '('; }

// What a sign or currency position shows for a value of this sign (blank: nothing).
char symbolFor(char c, bool negative)
{
    switch (c) {
    case '$': return '$';
    case '-': return negative ? '-' : ' ';
    case '+': return negative ? '-' : '+';
    case '(': return negative ? '(' : ' ';
    case ')': return negative ? ')' : ' ';
    default: return c;
    }
}

char fillFor(char c) { return c == '&' ? '0' : c == '*' ? '*' : ' '; }

constexpr char kRemoved = '\0';  // a '<' position left empty: dropped from the result

} // namespace

std::string formatNumberMask(const Decimal &value, std::string_view mask)
{
    const std::size_t point = mask.find('.');
    const std::string_view intMask = mask.substr(0, point == std::string_view::npos ? mask.size() : point);
    const std::string_view fracMask = point == std::string_view::npos ? std::string_view() : mask.substr(point + 1);
    int fracPositions = 0;
    for (char c : fracMask) fracPositions += isDigitPosition(c) ? 1 : 0;
    const Decimal rounded = value.abs().rounded(fracPositions).withScale(fracPositions);
    const bool negative = value.isNegative() && !rounded.isZero();
    std::string text = rounded.text();
    std::string intDigits = text.substr(0, text.find('.'));
    const std::string fracDigits = fracPositions > 0 ? text.substr(text.find('.') + 1) : std::string();
    if (intDigits == "0") intDigits.clear();

    // Runs of one floating character (commas may stand inside): the first
    // position keeps the symbol's place, the others hold digits.
    const std::size_t n = intMask.size();
    std::vector<int> runStart(n, -1);
    for (std::size_t i = 0; i < n;) {
        const char c = intMask[i];
        std::size_t j = i + 1, count = 1;
        if (isFloating(c)) {
            while (j < n && (intMask[j] == c || intMask[j] == ',')) {
                if (intMask[j] == c) ++count;
                ++j;
            }
            while (j > i + 1 && intMask[j - 1] == ',') --j;
        }
        if (count >= 2)
            for (std::size_t k = i; k < j; ++k) runStart[k] = int(i);
        i = count >= 2 ? j : i + 1;
    }

    std::string out(n, ' ');
    std::vector<int> leftmostDigit(n, -1);  // per run start: the leftmost digit placed in it
    long next = long(intDigits.size()) - 1;
    char fill = ' ';
    for (std::size_t pos = n; pos-- > 0;) {
        const char c = intMask[pos];
        const int run = runStart[pos];
        const bool digit = run >= 0 ? (pos != std::size_t(run) && c != ',') : isDigitPosition(c);
        if (digit) {
            if (next >= 0) {
                out[pos] = intDigits[std::size_t(next--)];
                if (run >= 0) leftmostDigit[std::size_t(run)] = int(pos);
            } else {
                out[pos] = run >= 0 ? ' ' : c == '<' ? kRemoved : fillFor(c);
            }
            fill = run >= 0 ? ' ' : c == '<' ? kRemoved : fillFor(c);
        } else if (c == ',') {
            out[pos] = next >= 0 ? ',' : fill;
        } else if (run >= 0) {
            out[pos] = ' ';
        } else {
            out[pos] = symbolFor(c, negative);
        }
    }
    if (next >= 0) return std::string(mask.size(), '*');
    for (std::size_t i = 0; i < n; ++i) {
        if (runStart[i] != int(i)) continue;
        std::size_t end = i;
        while (end + 1 < n && runStart[end + 1] == int(i)) ++end;
        const int first = leftmostDigit[i];
        out[first >= 0 ? std::size_t(first - 1) : end] = symbolFor(intMask[i], negative);
    }

    std::string result;
    result.reserve(mask.size());
    for (char c : out)
        if (c != kRemoved) result += c;
    if (point == std::string_view::npos) return result;
    result += '.';
    std::size_t f = 0;
    for (char c : fracMask) {
        if (isDigitPosition(c)) result += fracDigits[f++];
        else result += symbolFor(c, negative);
    }
    return result;
}

std::optional<Decimal> parseFormattedNumber(std::string_view text)
{
    std::string digits;
    bool negative = false;
    for (char c : text) {
        if (c == ' ' || c == '$' || c == ',' || c == '+') continue;
        if (c == '(' || c == ')' || c == '-') {
            negative = true;
            continue;
        }
        digits += c;
    }
    std::optional<Decimal> d = Decimal::parse(digits);
    if (d && negative) d = d->negated();
    return d;
}

} // namespace quodlin::engine
