#!/usr/bin/env bash
# Checks what a user installs, from the normal build in build/ (./test.sh makes
# it): an install into a temporary DESTDIR (listed), the desktop entry and
# AppStream file validated, the manual pages free of formatter warnings, the
# installed quodlin-cli working from there with nothing of the build tree, one
# version everywhere, and the Debian package built, inspected and passed by
# lintian without an error or warning.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh ci

build=build
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=com.veltrane.Quodlin
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
fail() { echo "package check: $*" >&2; exit 1; }

stage=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$stage" "$home"' EXIT

echo "== install into a temporary DESTDIR"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
(cd "$stage" && find . \( -type f -o -type l \) -printf '%M %8s %p\n' | sort -k3)

expected=(
  usr/bin/quodlin usr/bin/quodlin-cli
  "usr/share/applications/$app_id.desktop"
  "usr/share/metainfo/$app_id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  usr/share/man/man1/quodlin.1.gz usr/share/man/man1/quodlin-cli.1.gz
  usr/share/doc/quodlin/copyright usr/share/doc/quodlin/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
  actual=$(file -b "$stage/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
  [[ "$actual" == *"$size x $size"* ]] || fail "the ${size}px icon is $actual"
done
for f in "${expected[@]}"; do
  [ -f "$stage/$f" ] || fail "$f is not installed"
done

echo "== desktop entry and AppStream metadata"
desktop-file-validate "$stage/usr/share/applications/$app_id.desktop"
grep -qx 'Exec=quodlin' "$stage/usr/share/applications/$app_id.desktop" || fail "Exec line takes arguments"
appstreamcli validate --no-net --explain "$stage/usr/share/metainfo/$app_id.metainfo.xml"
grep -q "<release version=\"$version\"" "$stage/usr/share/metainfo/$app_id.metainfo.xml" \
  || fail "the metainfo release is not $version"

echo "== manual pages"
for page in quodlin quodlin-cli; do
  warnings=$(zcat "$stage/usr/share/man/man1/$page.1.gz" | groff -man -ww -z -Tutf8 2>&1 || true)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

for bin in quodlin quodlin-cli; do
  if readelf -d "$stage/usr/bin/$bin" | grep -E 'RPATH|RUNPATH'; then
    fail "$bin keeps a library path of the build machine"
  fi
done

echo "== the installed quodlin-cli"
cli="$stage/usr/bin/quodlin-cli"
out=$("$cli" --version)
[[ "$out" == "quodlin-cli $version "* ]] || fail "quodlin-cli --version printed '$out', not $version"
echo "$out"
# From another folder, so nothing relative to the build tree can be found.
count=$(cd / && QUODLIN_HOME="$home" "$cli" -d demo sql "select count(*) from systables")
echo "$count"
[[ "$count" =~ [1-9][0-9] ]] || fail "the demo database did not answer"

echo "== Debian package"
rm -f "$build"/quodlin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$build/quodlin_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb was not made"
dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6core6 libsqlite3-0 libodbc qt6-qpa-plugins; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
for f in "${expected[@]}"; do
  [[ "$contents" == *" ./$f"* ]] || fail "the package lacks $f"
done
echo "== lintian"
# Every error and warning fails the check (informational tags are shown).
lintian --fail-on error,warning --display-info "$deb" || fail "lintian reported errors or warnings"
echo "package check passed: $deb"
