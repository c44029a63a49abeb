#pragma once
// The benchmarks' resident-memory peak (Linux only; elsewhere it reads 0).
#include <fstream>
#include <string>

namespace quodlin::bench {

// The resident peak counts from here on.
inline void resetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline double peakRssMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

} // namespace quodlin::bench
