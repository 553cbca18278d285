#!/usr/bin/env bash
# The probe against its fixture window: what it reads back and what the
# fixture receives from it (the fixture reports in its status bar).
# Usage: probe_selftest.sh HOLLIN_PROBE_EXE FIXTURE_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin probe
W="Probe Fixture"
status_is() { probe status "$W"; expect_eq "$1" "icon	1
text	$2" "$OUT"; }

start_bg "$2"
fixture=$BG_PID
probe wait "$W" 30000
expect_contains "wait gives the handle and process" "hwnd	" "$OUT"
pid=$(cut -f4 <<<"$OUT")
expect_rc 0 --pid "$pid" status "$W"
expect_rc 1 --pid "$((pid + 4))" status "$W"
probe --pid "$pid" windows
expect_eq "the process's visible top-level windows" "window	$pid	HollinProbeFixture	Probe Fixture" "$OUT"
probe --pid "$((pid + 4))" windows
expect_eq "no windows of another process" "" "$OUT"

# Reading
probe controls "$W"
expect_contains "option button, checked" "Button	12	1	1	1	Changes O&nly" "$OUT"
expect_contains "option button, not checked" "Button	13	1	1	0	&All" "$OUT"
expect_contains "disabled static, line ends escaped" 'Static	15	1	0	-	Line one\r\nline two' "$OUT"
probe list "$W"
expect_eq "list" 'column	0	90	Type
column	1	230	Opens with
row	0	0	.txt	C:\Tools\edit.exe %1
row	1	0	.htm	browse.exe "%1"
row	2	0	.log	' "$OUT"
status_is "status bar's first panel" "Ready"
probe menu "$W"
expect_eq "menu" '&File	-	0	1
&File > &Refresh\tF5	101	0	1
&File > E&xit	102	0	1
&Options	-	0	1
&Options > &Warn	201	1	1
&Options > &Locked	202	0	0' "$OUT"

# Not there, and usage
expect_rc 1 list Nowhere
expect_rc 1 wait Nowhere 300
expect_rc 1 click "$W" "&Nothing"
expect_rc 1 msgbox "$W"
expect_rc 2 frobnicate "$W"
expect_rc 2 key "$W" ctrl+NOKEY

# Driving
probe select "$W" 0 2
status_is "NM_CLICK from select" "click 2 id 10 selected 2"
probe list "$W"
expect_contains "rows 0 and 2 selected" "row	0	1	.txt" "$OUT"
expect_contains "row 1 not selected" "row	1	0	.htm" "$OUT"
expect_contains "rows 0 and 2 selected" "row	2	1	.log" "$OUT"
probe char "$W" ".h"
probe list "$W"
expect_eq "typing selects by the first letters" "0 1 0" "$(grep ^row <<<"$OUT" | cut -f3 | xargs)"
probe key "$W" ctrl+R
status_is "accelerator with a modifier" "ctrl-R"
probe key "$W" F5
status_is "accelerator F5" "refreshed"
probe key "$W" R
status_is "modifier released after the key" "refreshed"
probe command "$W" 103
status_is "WM_COMMAND by id" "ctrl-R"

probe click "$W" "&Ask"
probe wait Brellmark 10000
probe --pid "$pid" windows
expect_contains "a dialog among the windows" "window	$pid	#32770	Brellmark" "$OUT"
probe msgbox Brellmark
expect_eq "message box" 'text	Restore the selected types?\r\nThis cannot be undone.
button	&Yes
button	&No' "$OUT"
probe answer Brellmark "&No"
probe gone Brellmark 10000
status_is "the box's answer" "answer no"

probe close "$W"
wait_exit "$fixture" 20
expect_eq "fixture's exit code" 7 "$RC"
expect_rc 1 wait "$W" 200
echo "probe self-test passed"
