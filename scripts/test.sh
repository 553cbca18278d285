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
took() { echo "   (${2:-}$((SECONDS - $1)) s)"; }
start=$SECONDS

echo "== native build and tests"
t=$SECONDS
cmake --preset native -DHOLLIN_BENCH=OFF >/dev/null
cmake --build --preset native
took $t "build: "
ctest --preset native --output-on-failure
took $t

echo "== Windows build and tests (under Wine)"
t=$SECONDS
cmake --preset windows -DHOLLIN_BENCH=OFF >/dev/null
cmake --build --preset windows
took $t "build: "
. scripts/wine_env.sh
# One prefix is booted; the unit tests run in a copy of it, each end-to-end
# test in a copy of its own (e2e_lib.sh), so they need not wait on each
# other: three at a time, as each waits on Wine more than on the processor.
trap hollin_wine_down EXIT
hollin_wine_up
windows_rc=0
ctest --preset windows --output-on-failure -j3 || windows_rc=$?
if [ "$windows_rc" != 0 ]; then
  # Said aloud, never hidden: a test that fails again fails the run.
  echo "-- the Windows tests that failed, run once more:"
  ctest --preset windows --output-on-failure --rerun-failed
fi
hollin_wine_down
trap - EXIT
took $t

echo "== fuzzing (${fuzz_seconds} s per target)"
t=$SECONDS
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_base_file fuzz_xml_screen fuzz_command_target
scripts/fuzz.sh "$fuzz_seconds"
took $t

echo "== all tests passed ($((SECONDS - start)) s)"
