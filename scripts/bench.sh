#!/usr/bin/env bash
# Runs the benchmarks: natively (optimised build) and under Wine (the Windows
# build, against the real registry and the Windows file API). On demand only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native-release >/dev/null
cmake --build --preset native-release
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== native"
for b in build/native-release/bench/*_bench; do
  [ -x "$b" ] && "$b"
done

echo "== Windows build under Wine"
. scripts/wine_env.sh
trap hollin_wine_down EXIT
hollin_wine_up
for b in build/windows/bench/*_bench.exe; do
  [ -f "$b" ] || continue
  (cd "$(mktemp -d)" && wine "$OLDPWD/$b" </dev/null)
done
wine build/windows/bench/scan_bench.exe --real </dev/null
