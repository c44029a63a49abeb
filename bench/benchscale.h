#pragma once
// QUODLIN_BENCH_SCALE divides the benchmarks' sizes (CI runs them small).
#include <cstdlib>

namespace quodlin::bench {

inline int benchScale()
{
    const char *v = std::getenv("QUODLIN_BENCH_SCALE");
    const int n = v ? std::atoi(v) : 1;
    return n > 0 ? n : 1;
}

// QUODLIN_BENCH_TABLES=N sets a generated database's table count outright
// (to see how a cost grows); otherwise `tables` divided by the scale.
inline int benchTables(int tables)
{
    const char *v = std::getenv("QUODLIN_BENCH_TABLES");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : tables / benchScale();
}

} // namespace quodlin::bench
