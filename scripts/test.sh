#!/usr/bin/env bash
# Runs every test: the portable code natively (AddressSanitizer and UBSan),
# the Windows build under Wine, and the fuzzers for a bounded time.
# Installs what is missing first. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

fuzz_seconds=${HOLLIN_FUZZ_SECONDS:-60}

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native --output-on-failure

echo "== Windows build and tests (under Wine)"
cmake --preset windows >/dev/null
cmake --build --preset windows
. scripts/wine_env.sh
trap hollin_wine_down EXIT
hollin_wine_up
ctest --preset windows --output-on-failure
hollin_wine_down
trap - EXIT

echo "== fuzzing (${fuzz_seconds} s per target)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/fuzz.sh "$fuzz_seconds"

echo "== all tests passed"
