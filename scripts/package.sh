#!/usr/bin/env bash
# Builds the Windows release and writes the two downloads into build/:
#   hollin-<version>.msi           the Windows Installer package
#   hollin-<version>-portable.zip  a folder Hollin\ with hollin.exe,
#                                  hollinc.exe (the console program for
#                                  scripts), Hollin.chm, Hollin.hlp and
#                                  Hollin.htm
# The version is the CMake project's. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target hollin_stage hollin_msi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
[ -n "$version" ] || { echo "no project version in build/windows/CMakeCache.txt" >&2; exit 1; }
msi=build/hollin-$version.msi
zip=build/hollin-$version-portable.zip
cp "build/windows/installer/hollin-$version.msi" "$msi"

stage=$(mktemp -d build/portable.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Hollin"
cp build/windows/stage/* "$stage/Hollin/"
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/$zip" --format=zip Hollin)

for f in "$msi" "$zip"; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done
