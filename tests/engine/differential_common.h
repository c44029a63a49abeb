#pragma once
// Pieces both differential tests share: a statement fragment in its engine and
// plain-SQLite forms, result rows as text, and the seed list.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace difftest {

// Engine text and SQLite text of one fragment.
struct Sql {
    std::string ifx, lite;
    Sql() = default;
    Sql(std::string both) : ifx(both), lite(std::move(both)) {}
    Sql(const char *both) : ifx(both), lite(both) {}
    Sql(std::string i, std::string l) : ifx(std::move(i)), lite(std::move(l)) {}
};
inline Sql operator+(const Sql &a, const Sql &b) { return {a.ifx + b.ifx, a.lite + b.lite}; }
inline Sql operator+(const Sql &a, const char *b) { return {a.ifx + b, a.lite + b}; }
inline Sql operator+(const char *a, const Sql &b) { return {a + b.ifx, a + b.lite}; }

// Integral values print without a fraction, others with ten digits, so both
// sides' numbers compare as text.
inline std::string normalNumber(double d)
{
    if (std::fabs(d) < 1e15 && d == std::floor(d)) return std::to_string(std::int64_t(d));
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", d);
    return buf;
}

using Rows = std::vector<std::string>;

struct Outcome {
    bool ok = true;
    std::string error;
    Rows rows;
};

inline std::string joined(const Rows &rows)
{
    std::string s;
    for (const std::string &r : rows) s += "    " + r + "\n";
    return s.empty() ? "    (no rows)\n" : s;
}

// QUODLIN_DIFF_SEEDS=n adds n more seeds from `firstExtra` on, for a longer hunt by hand.
inline std::vector<unsigned> seeds(std::vector<unsigned> fixed, unsigned firstExtra)
{
    if (const char *more = std::getenv("QUODLIN_DIFF_SEEDS"))
        for (unsigned i = 0, n = unsigned(std::atoi(more)); i < n; ++i) fixed.push_back(firstExtra + i);
    return fixed;
}

} // namespace difftest
