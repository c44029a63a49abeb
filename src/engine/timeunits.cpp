#include "engine/timeunits.h"

#include "engine/types.h"

namespace quodlin::engine {

const char *timeUnitName(int code, bool asEnd)
{
    static constexpr const char *kNames[16] = {
        "YEAR", "", "MONTH", "", "DAY", "", "HOUR", "", "MINUTE", "",
        "SECOND", "FRACTION(1)", "FRACTION(2)", "FRACTION(3)", "FRACTION(4)", "FRACTION(5)"};
    if (code < 0 || code > 15)
        return "";
    if (!asEnd && code > USecond)
        return code == UFraction ? "FRACTION" : "";
    return kNames[code];
}

} // namespace quodlin::engine
