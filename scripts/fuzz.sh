#!/usr/bin/env bash
# Runs each libFuzzer target of the fuzz build for a bounded time, starting
# from a copy of its seed corpus (the seeds in the tree stay as they are).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/hollin-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
found=0
for target in "$PWD"/build/fuzz/tests/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  found=1
  mkdir -p "$work/$name"
  seeds="tests/fuzz/corpus_${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/$name/"
  echo "-- $name"
  if ! (cd "$work" && "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/" "$work/$name") >"$work/$name.log" 2>&1; then
    # The input that failed is kept, and the fault is named, not cut off.
    mkdir -p build/fuzz-artifacts
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* build/fuzz-artifacts/ 2>/dev/null || true
    grep -E 'fault|ERROR|SUMMARY|^    #[0-9] ' "$work/$name.log" | head -n 30
    echo "$name failed; its input is kept in build/fuzz-artifacts" >&2
    exit 1
  fi
  tail -n 12 "$work/$name.log"
done
[ "$found" = 1 ] || { echo "no fuzz targets were built" >&2; exit 1; }
