#!/usr/bin/env bash
# Runs every test: the portable code natively (AddressSanitizer and UBSan),
# the Windows build under Wine, and the fuzzers for a bounded time.
# Installs what is missing first. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

# Longer fuzzing is scripts/fuzz.sh's, by hand; the benchmarks are
# scripts/bench.sh's and are not built here.
fuzz_seconds=${HOLLIN_FUZZ_SECONDS:-5}
took() { echo "   ($((SECONDS - $1)) s)"; }

echo "== native build and tests"
t=$SECONDS
cmake --preset native -DHOLLIN_BENCH=OFF >/dev/null
cmake --build --preset native
ctest --preset native --output-on-failure
took $t

echo "== Windows build and tests (under Wine)"
t=$SECONDS
cmake --preset windows -DHOLLIN_BENCH=OFF >/dev/null
cmake --build --preset windows
. scripts/wine_env.sh
# Half of the end-to-end tests in a prefix and display of their own, beside
# the rest: each half waits on Wine more than on the processor.
(
  trap hollin_wine_down EXIT
  hollin_wine_up
  ctest --preset windows --output-on-failure -L second_prefix >"build/windows/second_prefix.log" 2>&1
) &
second=$!
trap 'kill $second 2>/dev/null; hollin_wine_down' EXIT
hollin_wine_up
first=0
ctest --preset windows --output-on-failure -LE second_prefix || first=$?
hollin_wine_down
rc=0
wait $second || rc=$?
trap - EXIT
echo "-- the tests in the second prefix:"
cat build/windows/second_prefix.log
[ "$first" = 0 ] && [ "$rc" = 0 ] || { echo "Windows tests failed" >&2; exit 1; }
took $t

echo "== fuzzing (${fuzz_seconds} s per target)"
t=$SECONDS
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_base_file fuzz_reg_file
scripts/fuzz.sh "$fuzz_seconds"
took $t

echo "== all tests passed"
