#!/usr/bin/env bash
# Runs the libFuzzer targets of build-asan/ (made by scripts/sanitize.sh), each
# for SECONDS (default 60). Fails on a crash, a leak, a sanitizer report or an
# input that runs longer than 10 s; the input that did it is kept in
# build-asan/fuzz/findings/. New inputs that reach more code stay in the
# corpus folders, so later runs go on from there.
#   scripts/fuzz.sh [SECONDS] [engine|layer ...] [-- libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  targets+=("$1")
  shift
done
[ "${1:-}" = "--" ] && shift
[ ${#targets[@]} -eq 0 ] && targets=(engine layer)

dir=build-asan/fuzz
source scripts/sanitizer-env.sh
mkdir -p "$dir/findings"
status=0
for t in "${targets[@]}"; do
  corpus="$dir/corpus-$t"
  mkdir -p "$corpus"
  case "$t" in
    engine) seeds="$dir/seeds-engine" ;;
    layer) seeds="fuzz/seeds-layer" ;;
    *) echo "unknown fuzz target $t" >&2; exit 2 ;;
  esac
  echo "== fuzz_$t for ${seconds}s"
  log="$dir/fuzz-$t.log"
  if "$dir/fuzz_$t" "$corpus" "$seeds" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2560 -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$dir/findings/$t-" "$@" >"$log" 2>&1; then
    grep -E '^(stat::|Done)' "$log" || true
  else
    tail -n 100 "$log"
    echo "fuzz_$t FAILED (log: $log)"
    status=1
  fi
done
exit $status
