#pragma once
// Numeric formatting masks as TO_CHAR(number, mask) applies them (the
// ESQL/C rfmtdec rules): digit positions '#' (blank fill), '&' (zero
// fill), '*' (asterisk fill) and '<' (left-justified, no fill); ',' groups
// thousands where digits stand on both sides; one '.'; '-', '+', '(' ')'
// and '$' show a sign or the currency symbol, once, just left of the
// number when written as a run ("$$$,$$$.##"), in place when written
// alone. Other characters are copied. A value too wide for its positions
// fills the mask with '*'; without a sign position a negative number shows
// its digits only. Pure functions.
#include "engine/decimal.h"

#include <string>
#include <string_view>

namespace quodlin::engine {

std::string formatNumberMask(const Decimal &value, std::string_view mask);
// TO_NUMBER's reading of a formatted number: blanks, '$' and ',' dropped,
// a sign or parentheses around it negate; nullopt when no number remains.
std::optional<Decimal> parseFormattedNumber(std::string_view text);

} // namespace quodlin::engine
