#!/usr/bin/env bash
# Runs the benchmarks: natively (optimised build) and under Wine (the Windows
# build, against the real registry, the Windows file API and real windows),
# then the whole program under Wine, and prints a summary. On demand only.
#
#   scripts/bench.sh [REPS]   REPS: interleaved runs of each whole-program
#                             measurement (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-9}
scripts/setup.sh
log=$(mktemp "${TMPDIR:-/tmp}/hollin-bench.XXXXXX.log")
exec > >(tee "$log") 2>&1

cmake --preset native-release -DHOLLIN_BENCH=ON >/dev/null
cmake --build --preset native-release --target scan_bench base_bench view_bench
cmake --preset windows -DHOLLIN_BENCH=ON >/dev/null
cmake --build --preset windows --target hollin_stage scan_bench base_bench view_bench \
  class_root_setup startup_bench guard_bench tray_baseline guard_quiet_bench

echo "== native"
for b in scan_bench base_bench view_bench; do
  build/native-release/bench/$b
done

echo "== Windows build under Wine"
. scripts/wine_env.sh
trap 'hollin_wine_down; rm -f "$log"' EXIT
hollin_wine_up
bin=build/windows/bench
for b in scan_bench base_bench view_bench; do
  mkdir -p "$HOLLIN_WINE_TMP/$b"
  (cd "$HOLLIN_WINE_TMP/$b" && wine "$OLDPWD/$bin/$b.exe" </dev/null)
done
wine $bin/scan_bench.exe --real </dev/null

echo "== the whole program under Wine"
# No window manager runs on our display, and Wine waits up to 2 s for one
# whenever a window it takes for managed is hidden (the status window, when
# the main window comes up). Unmanaged windows behave as under a window
# manager that answers at once.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
app=$HOLLIN_WINE_TMP/app
mkdir -p "$app/ok" "$app/changed" "$app/explorer"
for folder in ok changed explorer; do cp build/windows/stage/hollin.exe "$app/$folder/"; done
wine $bin/class_root_setup.exe "$(winepath -w "$app/ok")" "$(winepath -w "$app/changed")" \
  "$(winepath -w "$app/explorer")" </dev/null
wine $bin/startup_bench.exe "$(winepath -w "$app/ok/hollin.exe")" \
  "$(winepath -w "$app/changed/hollin.exe")" "$(winepath -w "$bin/scan_bench.exe")" "$reps" </dev/null
# The check for scripts without and with Explorer's 20,000 keys.
wine $bin/startup_bench.exe --check "$(winepath -w "$app/ok/hollin.exe")" \
  "$(winepath -w "$app/explorer/hollin.exe")" "$reps" </dev/null

# The resident guard over the same class root: its working set beside a bare
# window with a notification icon, the notice's reaction, and its processor
# time over a minute idle. On Wine's desktop, where the notification area
# is; the desktop is chosen when Wine's session starts: start it anew.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
setsid wineserver -p </dev/null >/dev/null 2>&1
wine $bin/guard_bench.exe "$(winepath -w "$app/ok/hollin.exe")" 9 60 "$(winepath -w "$bin/tray_baseline.exe")" </dev/null

# The guard beside Explorer's writes into the user classes, which hold a real
# user's class hive (tests/registry/realworld) as on a desktop.
xz -dc tests/registry/realworld/Win10-RathbunVM-UsrClass.reg.xz | iconv -f UTF-16LE -t UTF-8 |
  sed 's/^\[\(-\?\)HKEY_CLASSES_ROOT/[\1HKEY_CURRENT_USER\\Software\\Classes/' | iconv -f UTF-8 -t UTF-16LE \
  >"$HOLLIN_WINE_TMP/user-classes.reg"
wine regedit /s "$(winepath -w "$HOLLIN_WINE_TMP/user-classes.reg")" </dev/null
# Under Wine the registry's work is the wineserver's: its processor time
# over the writes phase (the writer's own writes included) is sampled here.
ws=
for p in $(pgrep wineserver); do
  if grep -qx "WINEPREFIX=$WINEPREFIX" < <(tr '\0' '\n' </proc/"$p"/environ 2>/dev/null); then ws=$p; fi
done
tck=$(getconf CLK_TCK)
(while sleep 0.5; do echo "$(date +%s.%N) $(awk -v t="$tck" '{print ($14+$15)/t}' /proc/"$ws"/stat)"; done) \
  >"$HOLLIN_WINE_TMP/wineserver.log" 2>/dev/null &
sampler=$!
wine $bin/guard_quiet_bench.exe "$(winepath -w "$app/ok/hollin.exe")" 60 200 </dev/null | tee "$HOLLIN_WINE_TMP/quiet.out"
kill "$sampler"
read -r from to < <(sed -n 's/^writes phase: from \([0-9.]*\) to \([0-9.]*\).*/\1 \2/p' "$HOLLIN_WINE_TMP/quiet.out")
awk -v a="$from" -v b="$to" '$1 >= a && !s {s = $2; ts = $1} $1 <= b {e = $2; te = $1}
  END {printf "  wineserver processor time over the writes phase: %.2f s in %.1f s = %.2f %%\n", e - s, te - ts, 100 * (e - s) / (te - ts)}' \
  "$HOLLIN_WINE_TMP/wineserver.log"

echo "== summary"
grep -E '^== [a-zW]|MET|MISSED|^(floor process|quiet check|normal start|check,)|Current view|changes view|^(baseline|working set|idle guard|identifier.s command)|wineserver processor' "$log" || true
echo "bench.sh took ${SECONDS} s"
