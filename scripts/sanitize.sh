#!/usr/bin/env bash
# The sanitizer build in build-asan/ (clang, AddressSanitizer +
# UndefinedBehaviorSanitizer, libFuzzer coverage): builds the engine, database
# layer and command-line test programs and the fuzz targets, then runs those
# tests. Any sanitizer report fails the test it happens in. Separate from
# build/ so ./test.sh stays quick. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh ci

dir=build-asan
if [ ! -f "$dir/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
  # No -Werror here: clang warns about other things than g++, and the
  # normal build already holds the code to its warnings.
  CC=clang CXX=clang++ cmake -S . -B "$dir" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" \
    -DQUODLIN_SANITIZE=ON -DQUODLIN_FUZZ=ON \
    -DQUODLIN_TEST_FOLDERS="engine;db;cli" \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
fi
# The test programs already run during the build (test discovery).
source scripts/sanitizer-env.sh
export QT_QPA_PLATFORM=offscreen
cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" --target \
  test_engine test_db test_cli quodlin-cli fuzz_engine fuzz_layer fuzz_seeds

ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc 2>/dev/null || echo 2)" --timeout 900 "$@"
