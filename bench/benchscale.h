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

} // namespace quodlin::bench
