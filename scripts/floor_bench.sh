#!/usr/bin/env bash
# The check against its floor under Wine: floor.exe (the fewest registry
# calls that read everything a check reads) beside hollin.exe -h and
# hollinc.exe --check, interleaved, then beside the resident guard's check,
# on two registries built in a fresh prefix (bench/floor_setup.cpp): the
# classes alone, then everything (links, other default verbs, user classes,
# Explorer's keys). On demand only.
#
#   scripts/floor_bench.sh [REPS]   REPS: interleaved runs of each (default 7)
#
# HOLLIN_EXE_DIR names another folder of hollin.exe and hollinc.exe (a build
# kept aside); HOLLIN_NO_BUILD=1 builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-7}
if [ "${HOLLIN_NO_BUILD:-0}" != 1 ]; then
  cmake --preset windows -DHOLLIN_BENCH=ON >/dev/null
  cmake --build --preset windows --target hollin_stage floor floor_setup startup_bench guard_bench >/dev/null
fi
. scripts/wine_env.sh
trap 'hollin_wine_down' EXIT
hollin_wine_up
# No window manager runs here: unmanaged windows spare Wine's wait for one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
bin=build/windows/bench
for registry in classes everything; do
  wine $bin/floor_setup.exe $registry </dev/null
  dir=$HOLLIN_WINE_TMP/$registry
  mkdir -p "$dir"
  exes=${HOLLIN_EXE_DIR:-build/windows/stage}
  cp "$exes/hollin.exe" "$exes/hollinc.exe" "$dir/"
  # The first check records the base (exit code 2), the next finds nothing.
  rc=0; wine "$dir/hollinc.exe" --check >/dev/null </dev/null || rc=$?
  [ $rc = 2 ] || { echo "floor_bench: recording the base exited with $rc" >&2; exit 1; }
  wine "$dir/hollinc.exe" --check >/dev/null </dev/null
  wine $bin/floor.exe </dev/null
  wine $bin/startup_bench.exe --floor "$(winepath -w $bin/floor.exe)" "$(winepath -w "$dir/hollin.exe")" \
    "$(winepath -w "$dir/hollinc.exe")" "$reps" "$registry" </dev/null
  # The resident guard's check, woken in the same prefix.
  wine $bin/guard_bench.exe --floor "$(winepath -w $bin/floor.exe)" "$(winepath -w "$dir/hollin.exe")" \
    "$reps" "$registry" </dev/null
done
