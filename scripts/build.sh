#!/usr/bin/env bash
# Configures (once) and builds into build/. Incremental when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."

"./scripts/setup.sh"

generator=()
if [ ! -f build/CMakeCache.txt ] && [ ! -f build/Makefile ] && command -v ninja >/dev/null 2>&1; then
  generator=(-G Ninja)
fi
extra=()
if [ "${CI:-}" = "true" ]; then
  extra+=(-DQUODLIN_WERROR=ON)
fi
if [ ! -f build/CMakeCache.txt ] || { [ ! -f build/build.ninja ] && [ ! -f build/Makefile ]; } || [ "${#extra[@]}" -gt 0 ]; then
  cmake -S . -B build "${generator[@]}" "${extra[@]}"
fi
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)" "$@"
