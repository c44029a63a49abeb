#!/usr/bin/env bash
# Sets up, builds and starts Quodlin. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
exec ./build/bin/quodlin "$@"
