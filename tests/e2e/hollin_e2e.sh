#!/usr/bin/env bash
# The real hollin.exe in the test's Wine prefix, driven from another process
# as a user would: the first run records the base, a type taken over with
# reg.exe is listed at the next start, and a quiet check without changes ends
# by itself. Usage: hollin_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE (under a running Wine).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
M="Hollin Brellmark"
app=$(mktemp -d "${TMPDIR:-/tmp}/hollin-e2e.XXXXXX")
cp "$2" "$app/hollin.exe"

reg_default() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p'; }
txt_was=$(reg_default 'HKCR\.txt')
[ -n "$txt_was" ] || fail "the prefix has no program identifier for .txt"
put_back() {
  wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null 2>&1 || true
  wine reg delete 'HKCR\HollinE2E.Grabber' /f >/dev/null 2>&1 || true
  e2e_cleanup
  rm -rf "$app"
}
trap put_back EXIT

status_is() { probe status "$M"; expect_eq "$1" "icon	1
text	$2" "$OUT"; }

# 1. First run: the base is recorded and the welcome shows.
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
status_is "first run" "New BASE record created."
probe controls "$M"
expect_contains "welcome text" "Welcome to Brellmark! Hollin has just recorded a base list" "$OUT"
expect_contains "accept disabled" "Button	105	1	0	0	A&ccept Current" "$OUT"
[ -f "$app/Prev.isd" ] || fail "no base file beside the program"
probe close "$M"
wait_exit "$pid" 20
expect_eq "exit code after closing" 0 "$RC"

# 2. Another program takes .txt over; the next start lists it.
wine reg add 'HKCR\HollinE2E.Grabber\shell\open\command' /ve /d '"C:\Program Files\Grabber\grabber.exe" "%1"' /f >/dev/null
wine reg add 'HKCR\.txt' /ve /d HollinE2E.Grabber /f >/dev/null
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
status_is "a type taken over" "1 CHANGED item(s) - select from list to view details."
probe list "$M"
expect_contains "the changed type with the program that now opens it" "row	0	0	.txt	grabber" "$OUT"
expect_contains "second column" "Changed To Open With" "$OUT"
probe close "$M"
probe answer Brellmark "&No" 15000
wait_exit "$pid" 20
expect_eq "exit code after No" 0 "$RC"

# 3. .txt as it was: a quiet check shows only the status window and ends by
# itself about three seconds later.
wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null
started=$(date +%s%N)
start_bg "$app/hollin.exe" -h
pid=$BG_PID
probe wait Brellmark 30000
for _ in $(seq 100); do
  probe controls Brellmark
  [[ "$OUT" == *'OK!\r\nNo changes found.'* ]] && break
  sleep 0.1
done
expect_contains "status window's message" 'OK!\r\nNo changes found.' "$OUT"
expect_rc 1 wait "$M" 1
wait_exit "$pid" 20
expect_eq "exit code of a quiet check without changes" 0 "$RC"
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$elapsed" -ge 3000 ] || fail "the quiet check ended after $elapsed ms, before its 3 s"
echo "quiet check ended after $elapsed ms"
echo "e2e: all steps passed"
