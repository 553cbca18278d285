#!/usr/bin/env bash
# The resident guard (hollin.exe --guard) under Wine beside writes such as
# Explorer makes into the user classes while a person browses (folder views
# under Local Settings, MuiCache), with a change left unanswered: they start
# no check and write no event; an identifier's command changed three keys
# down in the user classes amid them is told; a check that finds the same
# changes again writes no event. The guard's counts are asked of its hidden
# window (WM_APP + 3: checks, quiet wake-ups, events of changes). Usage:
# hollin_guard_quiet_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin hollin-quiet
cp "$2" "$app/hollin.exe"
classes='HKCU\Software\Classes'
shell="$classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell"

# A type of the user classes whose identifier is theirs too, one of the
# machine classes, and Explorer's keys as a desktop has them.
add "$classes\\.hgq" /ve /d HollinQuiet.Doc
add "$classes\\HollinQuiet.Doc\\shell\\open\\command" /ve /d 'C:\Doc\doc.exe "%1"'
add 'HKCR\HollinQuiet.M\shell\open\command' /ve /d 'C:\Doc\doc.exe "%1"'
add 'HKCR\HollinQuiet.G\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"'
add 'HKCR\.hgm' /ve /d HollinQuiet.M
add "$shell\\Bags\\9000\\Shell" /v Mode /t REG_DWORD /d 1
add "$shell\\MuiCache" /v 'C:\Quiet\a.exe.FriendlyAppName' /d A

start_guard
counts() {
  local which
  COUNTS=
  for which in 0 1 2; do
    probe --hidden send "Hollin guard" 0x8003 $which
    COUNTS+="${OUT#result	} "
  done
  read -r CHECKS QUIET EVENTS <<<"$COUNTS"
}

# A change nobody answers: one notice, one event.
add 'HKCR\.hgm' /ve /d HollinQuiet.G
probe wait Hollin 15000
probe controls Hollin
expect_contains "the notice" "1 file type now opens with grab (.hgm)." "$OUT"
probe click Hollin Close
probe gone Hollin 5000
counts
expect_eq "events of changes after the first" 1 "$EVENTS"
# Each check's scan came from the guard's scan process (and so did the
# first run's, which recorded the base), none from its own reading, which
# stands in only where that process gives no whole answer.
probe --hidden send "Hollin guard" 0x8003 5
[ "${OUT#result	}" -ge "$CHECKS" ] ||
  fail "of $CHECKS checks, ${OUT#result	} took the scan of the guard's scan process"
checks0=$CHECKS quiet0=$QUIET

# Explorer's writes, for a few seconds, then as long as they take to settle.
for i in $(seq 6); do
  add "$shell\\Bags\\900$((i % 2))\\Shell" /v Mode /t REG_DWORD /d "$i"
  add "$shell\\MuiCache" /v 'C:\Quiet\b.exe.FriendlyAppName' /d "B $i"
done
# The guard reads the user classes two seconds after the last write (at the
# latest five after the first); a slow machine may take longer.
for _ in $(seq 40); do
  counts
  [ "$QUIET" -eq "$quiet0" ] && [ "$CHECKS" -eq "$checks0" ] || break
  sleep 0.5
done
sleep 3
counts
expect_eq "checks after Explorer's writes" "$checks0" "$CHECKS"
[ "$QUIET" -gt "$quiet0" ] || fail "the writes did not wake the guard (quiet wake-ups $quiet0 -> $QUIET)"
expect_eq "events of changes after Explorer's writes" 1 "$EVENTS"
expect_rc 1 wait Hollin 200

# An identifier's command three keys down, amid the writes: told.
add "$classes\\HollinQuiet.Doc\\shell\\open\\command" /ve /d 'C:\Grab\grab.exe "%1"'
for i in $(seq 3); do
  add "$shell\\Bags\\9001\\Shell" /v Mode /t REG_DWORD /d "$((i + 10))"
done
probe wait Hollin 15000
probe controls Hollin
expect_contains "the notice of the command" "1 file type now opens with grab (.hgq)." "$OUT"
probe click Hollin Close
probe gone Hollin 5000
counts
expect_eq "events of changes after the command" 2 "$EVENTS"

# Check now finds the same changes: a check, no event.
checks1=$CHECKS
probe --hidden command "Hollin guard" 40102
counts
expect_eq "checks after Check now" "$((checks1 + 1))" "$CHECKS"
expect_eq "events of changes after Check now" 2 "$EVENTS"

stop_guard
echo "PASS"
