#!/usr/bin/env bash
# Installs the build dependencies on Debian/Ubuntu when some are missing.
# As root it installs them; through sudo when available; otherwise it prints
# the exact apt line and fails. `setup.sh ci` adds what the CI checks need
# beyond the build: clang with its sanitizer and libFuzzer runtimes and
# llvm-symbolizer (sanitizer reports name functions and lines), the
# desktop-file and AppStream validators, and the Debian package tools and
# checker (lintian).
# The sqlite3 shell is what the export benchmark measures the writers against.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libgraphviz-dev  # lays out the table diagrams and plan pictures
  libsqlite3-dev libboost-dev sqlite3
  unixodbc-dev odbcinst libsqliteodbc
  libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils  # pdftotext: the printing tests read their PDFs back
  # The ODBC tests against a real networked server start a private one.
  postgresql odbc-postgresql
)
if [ "${1:-}" = "ci" ]; then
  PACKAGES+=(
    clang libclang-rt-dev llvm
    desktop-file-utils appstream
    dpkg-dev file groff-base gzip lintian
  )
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "Missing build dependencies: ${missing[*]} (no apt-get here; install them by hand)" >&2
  exit 1
fi

line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO="sudo"
else
  echo "Missing build dependencies. Install them with:" >&2
  echo "  sudo apt-get update && sudo $line" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO $line
