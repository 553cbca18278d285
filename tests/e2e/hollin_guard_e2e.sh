#!/usr/bin/env bash
# The resident guard (hollin.exe --guard) under Wine, driven from other
# processes: types taken over with reg.exe and regedit, the notice read and
# answered through its window, the icon menu's commands sent as WM_COMMAND
# (Wine carries neither menus nor WM_NOTIFY across processes), one guard per
# session, and its end on request. Usage: hollin_guard_e2e.sh
# HOLLIN_PROBE_EXE HOLLIN_EXE FIXTURE_EXE (the probe's own window, as a
# notice's process that never shows the notice).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1 FIXTURE=$3
e2e_begin hollin-guard
cp "$2" "$app/hollin.exe"
txt_identifier
pause_cmd=40103  # the icon menu's Pause for 1 hour, and Resume

# Types of the test's own, in the base from the start.
add 'HKCR\HollinGuard.Doc\shell\open\command' /ve /d 'C:\Doc\doc.exe "%1"'
add 'HKCR\HollinGuard.Grab\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"'
add 'HKCR\HollinGuard.Other\shell\open\command' /ve /d 'C:\Other\other.exe "%1"'
add 'HKCR\.hga' /ve /d HollinGuard.Doc
add 'HKCR\.hgb' /ve /d HollinGuard.Doc

start_guard

# The notice is shown by a process of the guard's own, which ends with it.
notice_process_ended() {
  local left
  for _ in $(seq 50); do
    left=$(pgrep -af "$(basename "$app")" | grep -- '--notice') || return 0
    sleep 0.1
  done
  fail "the notice's process still runs after the notice went ($1): $left"
}

# Another start at logon leaves the running guard alone and shows nothing;
# one by hand brings its window forward.
(cd "$app" && timeout 20 wine ./hollin.exe --guard --logon) || fail "a second guard at logon did not end by itself"
expect_rc 1 wait Hollin 500
(cd "$app" && timeout 20 wine ./hollin.exe --guard) || fail "a second guard did not end by itself"
probe wait Hollin 5000
probe controls Hollin
expect_contains "the guard's window says what it guards" "guards what opens" "$OUT"
probe click Hollin Close
probe gone Hollin 5000
notice_process_ended "Close"
kill -0 "$guard_pid" 2>/dev/null || fail "the first guard ended"

# .txt taken over from another process: one notice.
add 'HKCR\.txt' /ve /d HollinGuard.Grab
start=$(date +%s%N)
probe wait Hollin 10000
# How soon it comes is the guard benchmark's to measure (bench/guard_bench).
echo "notice after $((($(date +%s%N) - start) / 1000000)) ms"
probe controls Hollin
expect_contains "the notice" "1 file type now opens with grab (.txt)." "$OUT"

# Review opens the window with exactly that type.
probe click Hollin "&Review"
probe gone Hollin 5000
probe wait "Hollin Brellmark" 15000
probe list "Hollin Brellmark"
expect_eq "the types reviewed" ".txt" "$(grep '^row' <<<"$OUT" | cut -f4)"
probe close "Hollin Brellmark"
probe answer Brellmark "&No" 10000
probe gone "Hollin Brellmark" 10000

# Keep: .txt as it opens now is the base; the next change of another type
# is the only one told.
add 'HKCR\.hga' /ve /d HollinGuard.Other
probe wait Hollin 10000
probe controls Hollin
expect_contains "the next notice" "1 file type now opens with other (.hga)." "$OUT"
kept=$(md5sum <"$app/Prev.isd")
probe click Hollin "&Keep"
probe gone Hollin 5000
notice_process_ended "Keep"
# The guard saves the base after its notice is gone: the check waits for it.
for _ in $(seq 100); do [ "$(md5sum <"$app/Prev.isd")" = "$kept" ] || break; sleep 0.1; done
OUT=$(cd "$app" && timeout 60 wine ./hollin.exe --check 2>&1) || true
expect_contains "the base after Keep still differs in the type reviewed" ".txt	changed" "$OUT"
[[ "$OUT" != *".hga"* ]] || fail "Keep did not take .hga into the base: $OUT"
add 'HKCR\.hgb' /ve /d HollinGuard.Grab
probe wait Hollin 10000
probe controls Hollin
expect_contains "only the type changed since" "1 file type now opens with grab (.hgb)." "$OUT"
probe click Hollin Close
probe gone Hollin 5000

# Paused, a change waits; on Resume (the same menu command) it is told.
probe --hidden command "Hollin guard" $pause_cmd
add 'HKCR\.hgb' /ve /d HollinGuard.Other
expect_rc 1 wait Hollin 3500
probe --hidden command "Hollin guard" $pause_cmd
probe wait Hollin 5000
probe controls Hollin
expect_contains "the change made while paused" "(.hgb)" "$OUT"
probe click Hollin Close
probe gone Hollin 5000

# A notice's process that never says its window is there holds no notice
# back: the guard ends it after a while and starts another. Here the
# program's file is a window of another kind while the notice starts.
mv "$app/hollin.exe" "$app/hollin-real.exe"
cp "$FIXTURE" "$app/hollin.exe"
add 'HKCR\.hga' /ve /d HollinGuard.Grab
probe wait "Probe Fixture" 20000
mv -f "$app/hollin-real.exe" "$app/hollin.exe"
probe wait Hollin 30000
probe controls Hollin
expect_contains "the notice after a start that showed nothing" "1 file type now opens with grab (.hga)." "$OUT"
probe gone "Probe Fixture" 5000
probe click Hollin Close
probe gone Hollin 5000

# 2,000 types at once, in one import: one notice naming them all, the first
# to come.
{
  echo 'REGEDIT4'
  for i in $(seq 0 1999); do printf '[HKEY_CLASSES_ROOT\\.hgs%d]\n@="HollinGuard.Grab"\n' "$i"; done
} >"$app/many.reg"
{
  echo 'REGEDIT4'
  for i in $(seq 0 1999); do printf '[-HKEY_CLASSES_ROOT\\.hgs%d]\n' "$i"; done
} >"$app/undo.reg"
wine regedit /s "$(wine winepath -w "$app/many.reg" 2>/dev/null | tr -d '\r')"
probe wait Hollin 40000
probe controls Hollin
expect_contains "one notice for the import" "2,000 file types now open with grab (.hgs" "$OUT"
probe click Hollin Close

# The guard ends on request, its icon with it, and nothing is left running.
stop_guard
expect_eq "the guard's exit code" 0 "$RC"
expect_rc 1 --hidden wait "Hollin guard" 200
! pgrep -f "$(basename "$app")" >/dev/null || fail "a hollin.exe still runs: $(pgrep -af "$(basename "$app")")"
echo "PASS"
