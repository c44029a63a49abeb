#pragma once
// Version facts the embedded engine reports (DBINFO('version', ...), systables ' VERSION').
namespace quodlin::engine {
inline constexpr const char *kServerProduct = "Quodlin Embedded Informix";
inline constexpr const char *kServerVersion = "14.10.FC1";
inline constexpr int kServerMajor = 14;
inline constexpr int kServerMinor = 10;
const char *versionString();
}
