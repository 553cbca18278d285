#!/usr/bin/env bash
# The risk signals of the real hollin.exe under Wine: a health check of the
# fresh prefix (no base read or written), then, after a first run, three
# takeovers made with reg.exe: a type of our own opened by a program in
# %TEMP% (a copy of an unsigned program, so WinVerifyTrust's answer is
# seen), one opened by an unquoted path with blanks whose shorter name
# exists, and exefile's command changed. Each signal must be in the JSON
# report, in the list and in the detail panel, and the health check lists
# them. It runs in a Wine prefix of its own.
# Usage: hollin_risk_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin hollin-risk
cp "$2" "$app/hollin.exe"

temp_w=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
temp_u=$(unix_path "$temp_w")
drive_c=$(unix_path 'C:\')
[ -d "$temp_u" ] && [ -d "$drive_c" ] || fail "no %TEMP% ($temp_w) or C:\\ in the prefix"
exefile="$MC\\exefile\\shell\\open\\command"
add "$SETTINGS" /v Warn /d 1

# hollin ARGS...: one run for scripts in the app folder; output in $OUT,
# exit code in $RC; it must end by itself.
hollin() { E2E_TIMEOUT=120 run hollin.exe "$@"; }

# 1. The health check of the fresh prefix: a report and an exit code that
# agree, and no base.
hollin --check --health
case "$RC" in
  0) expect_contains "a healthy prefix" "Outcome: no risks." "$OUT" ;;
  1) expect_contains "a prefix with risks" "type(s) with risk signals." "$OUT" ;;
  *) fail "the health check of the fresh prefix ended with $RC" ;;
esac
echo "health of the fresh prefix (exit code $RC):"
printf '%s\n' "$OUT" | sed 's/^/  | /'
[ ! -e "$app/Prev.isd" ] || fail "the health check wrote a base"
fresh_health=$OUT

hollin --check
expect_eq "first run" 2 "$RC"

# 2. The takeovers. The handlers are copies of programs nobody signed: the
# one in %TEMP% of hollin.exe, whose version resource names its maker.
mkdir -p "$temp_u/hollinrisk" "$drive_c/HollinRisk Box/sub"
cp "$app/hollin.exe" "$temp_u/hollinrisk/grab.exe"
cp "$HOLLIN_PROBE" "$drive_c/HollinRisk Box/sub/app.exe"
cp "$HOLLIN_PROBE" "$drive_c/HollinRisk.exe"
add "$UC\\.hollinrisk1" /ve /d HollinRisk.Temp
add "$UC\\HollinRisk.Temp\\shell\\open\\command" /ve /t REG_EXPAND_SZ /d '"%TEMP%\hollinrisk\grab.exe" "%1"'
add "$UC\\.hollinrisk2" /ve /d HollinRisk.Unquoted
add "$UC\\HollinRisk.Unquoted\\shell\\open\\command" /ve /d 'C:\HollinRisk Box\sub\app.exe %1'
# Wine's class root is the machine classes: exefile's command is changed there.
add "$exefile" /ve /d '"C:\HollinRisk Box\sub\app.exe" "%1" %*'

# Whether the user may change a program is asked of the file system's
# rights (AccessCheck). In a Wine prefix every folder is the user's own, so
# each handler the test planted shows user-folder, the drive's root too
# (where Windows lets a standard user add no file).
hollin --check --format json
expect_eq "three types taken over" 1 "$RC"
json=$OUT
temp_json=$(sed 's/\\/\\\\/g' <<<"$temp_w")
expect_contains "a handler in %TEMP%, unsigned by WinVerifyTrust" \
  "\"runs\": \"$temp_json\\\\hollinrisk\\\\grab.exe\", \"signals\": [\"unsigned\", \"user-folder\"], \"signer\": \"\", \"company\": \"Nordane\", \"product\": \"Brellmark\", \"verb\": \"\", \"handler\": \"\"}" "$json"
expect_contains "an unquoted path whose shorter name exists" \
  '"runs": "C:\\HollinRisk.exe", "signals": ["unsigned", "user-folder", "unquoted"]' "$json"
expect_contains "exefile's command changed" \
  '"runs": "C:\\HollinRisk Box\\sub\\app.exe", "signals": ["unsigned", "user-folder", "runs-code", "command-changed"]' "$json"

# 3. The window: the words in the list, a line each in the panel.
rows() { probe list "$M"; grep -P '^row\t' <<<"$OUT" | awk -F'\t' '{ print $4 "\t" $5 ($6 != "" ? " [" $6 "]" : "") }' | sort; }
select_type() {
  probe list "$M"
  local r
  r=$(awk -F'\t' -v t="$1" '$1 == "row" && $4 == t { print $2 }' <<<"$OUT")
  [ -n "$r" ] || fail "no row for $1 in the list"
  probe select "$M" "$r"
}
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
expect_eq "the signals beside each program" ".exe	app [unsigned user-folder runs-code command-changed]
.hollinrisk1	grab [unsigned user-folder]
.hollinrisk2	app [unsigned user-folder unquoted]" "$(rows)"
select_type .hollinrisk1
text=$(panel)
expect_contains "the panel's own text first" "CHANGE for file type .HOLLINRISK1 - \\r\\n\\r\\nCURRENT default Open command:" "$text"
expect_contains "the panel of the handler in %TEMP%, after an empty line" "\\r\\n\\r\\nRUNS: $temp_w\\hollinrisk\\grab.exe\\r\\n" "$text"
text=$(details "Details of file type .hollinrisk1 - Hollin")
expect_contains "the Details window: what runs" "Runs: $temp_w\\hollinrisk\\grab.exe\\r\\n" "$text"
expect_contains "the Details window: its maker" "Company: Nordane\\r\\n  Product: Brellmark\\r\\n" "$text"
expect_contains "the Details window: why, a line each" "Why: unsigned\\r\\nWhy: in a user folder ($temp_w\\hollinrisk)\\r\\n" "$text"
select_type .hollinrisk2
expect_contains "the Details window of the unquoted path" \
  'Why: unquoted: C:\HollinRisk.exe runs in place of C:\HollinRisk Box\sub\app.exe' "$(details "Details of file type .hollinrisk2 - Hollin")"
select_type .exe
expect_contains "the Details window of exefile" "Why: opening such a file runs it\\r\\nWhy: not the standard command" "$(details "Details of file type .exe - Hollin")"

# The health check in the window lists them too (View > Health Check).
probe menu "$M"
expect_contains "the menu item" '&View > &Health Check\tCtrl+H	1013' "$OUT"
probe command "$M" 1013
for _ in $(seq 100); do
  probe status "$M"
  [[ "$OUT" == *"with risk signals"* ]] && break
  sleep 0.1
done
expect_contains "the health view's status" "file type(s) with risk signals - select from list to view details." "$OUT"
health_rows=$(rows)
for t in .exe .hollinrisk1 .hollinrisk2; do expect_contains "$t in the health view" "$t	" "$health_rows"; done
probe close "$M"
probe answer Brellmark "&No" 15000
wait_exit "$pid" 20
expect_eq "exit code of the window" 0 "$RC"

# 4. The health check for scripts lists them with the rest of the prefix.
hollin --check --health
expect_eq "the health check after the takeovers" 1 "$RC"
for t in .exe .hollinrisk1 .hollinrisk2; do expect_contains "$t in the health report" "$t	risk	" "$OUT"; done
[ -n "$fresh_health" ]
echo "risk e2e: all steps passed"
