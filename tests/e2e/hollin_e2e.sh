#!/usr/bin/env bash
# The real hollin.exe in the test's Wine prefix, driven from another process
# as a user would: the first run records the base, a type taken over with
# reg.exe is listed at the next start, and a quiet check without changes ends
# by itself; then the user restores the recorded settings of the types taken
# over, with the warning and without it, and opens the help: in the help
# viewer where Wine reports Windows 7 (its default here), in HTML Help where
# it reports Windows 10 (set for hollin.exe alone). The program lies
# in a folder whose name holds "-h", which is no quiet-check switch. Usage:
# hollin_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin Tools-Hub
cp "$2" "$app/hollin.exe"
cp "$(dirname "$2")"/Hollin.hlp "$(dirname "$2")"/Hollin.htm "$(dirname "$2")"/Hollin.chm "$app/"
txt_identifier


# Four types of our own: a command outside any single code page, one with an
# environment reference, one whose command is a list of strings, and one that
# will be removed.
utf_command='C:\\Программы\\ÆØÅ\\日本.exe %1'
import_reg "[HKEY_CLASSES_ROOT\.hollinutf]
@=\"HollinE2E.Utf\"
[HKEY_CLASSES_ROOT\HollinE2E.Utf\shell\open\command]
@=\"$utf_command\""
expect_eq "the command as imported" "\"$utf_command\"" "$(exported_default 'HKCR\HollinE2E.Utf\shell\open\command')"
add 'HKCR\.hollinexp' /ve /d HollinE2E.Exp
add 'HKCR\HollinE2E.Exp\shell\open\command' /ve /t REG_EXPAND_SZ /d '%SystemRoot%\system32\notepad.exe %1'
add 'HKCR\.hollinmulti' /ve /d HollinE2E.Multi
add 'HKCR\HollinE2E.Multi\shell\open\command' /ve /t REG_MULTI_SZ /d 'C:\m\multi.exe %1\0second'
multi_was=$(reg_default 'HKCR\HollinE2E.Multi\shell\open\command')
expect_eq "the list of strings as added" 'REG_MULTI_SZ    C:\m\multi.exe %1\0second' "$multi_was"
add 'HKCR\.hollingone' /ve /d HollinE2E.Gone
add 'HKCR\HollinE2E.Gone\shell\open\command' /ve /d 'gone.exe %1'

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
add 'HKCR\HollinE2E.Grabber\shell\open\command' /ve /d '"C:\Program Files\Grabber\grabber.exe" "%1"'
add 'HKCR\.txt' /ve /d HollinE2E.Grabber
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
add 'HKCR\.txt' /ve /d "$txt_was"
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

# 4. Four types taken over and one removed; the user selects them all and
# restores, answering the warning with OK.
for t in .txt .hollinutf .hollinexp .hollinmulti; do add "HKCR\\$t" /ve /d HollinE2E.Grabber; done
delete 'HKCR\.hollingone'
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
status_is "five types changed" "5 CHANGED item(s) - select from list to view details."
probe list "$M"
expect_contains "a removed type" "row	1	0	.hollingone	(none)" "$OUT"
probe select "$M" 0 1 2 3 4
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
probe controls Brellmark
expect_contains "the warning" "You are about to modify your Windows Registry." "$OUT"
probe click Brellmark "&OK"
probe gone Brellmark 15000
status_is "after the restore" "Base settings restored. No changed entries found."
expect_eq ".txt points at its program again" "REG_SZ    $txt_was" "$(reg_default 'HKCR\.txt')"
expect_eq "a command outside any code page, byte for byte" "\"$utf_command\"" \
  "$(exported_default 'HKCR\HollinE2E.Utf\shell\open\command')"
expect_eq ".hollinutf" "REG_SZ    HollinE2E.Utf" "$(reg_default 'HKCR\.hollinutf')"
expect_eq "an environment reference stays expandable" 'REG_EXPAND_SZ    %SystemRoot%\system32\notepad.exe %1' \
  "$(reg_default 'HKCR\HollinE2E.Exp\shell\open\command')"
expect_eq "the removed type is back" "REG_SZ    HollinE2E.Gone" "$(reg_default 'HKCR\.hollingone')"
expect_eq "a command the takeover left alone is not rewritten" "$multi_was" \
  "$(reg_default 'HKCR\HollinE2E.Multi\shell\open\command')"

# 5. Taken over again: Esc in the warning changes nothing; with the warning
# switched off (Ctrl+W) the next restore asks nothing.
add 'HKCR\.txt' /ve /d HollinE2E.Grabber
probe key "$M" F5
status_is "taken over again" "1 CHANGED item(s) - select from list to view details."
probe select "$M" 0
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
probe key Brellmark ESC
probe gone Brellmark 15000
status_is "Esc changed nothing" "1 CHANGED item(s) - select from list to view details."
expect_eq ".txt still taken over" "REG_SZ    HollinE2E.Grabber" "$(reg_default 'HKCR\.txt')"
probe key "$M" ctrl+W
probe click "$M" "&Restore Base"
for _ in $(seq 50); do
  probe status "$M"
  [[ "$OUT" == *restored* ]] && break
  sleep 0.1
done
expect_rc 1 wait Brellmark 1
status_is "restored without the warning" "Base settings restored. No changed entries found."
expect_eq ".txt restored again" "REG_SZ    $txt_was" "$(reg_default 'HKCR\.txt')"

# 6. On Windows 7, Help Topics opens the help file in the system's help
# viewer (its title is the viewer's own making: the process tells).
viewer_started() {  # PATTERN WHAT: within 20 s, then the viewer goes again
  for _ in $(seq 100); do
    pgrep -f "$1" >/dev/null && break
    sleep 0.2
  done
  pgrep -f "$1" >/dev/null || fail "$2"
  pkill -f "winhlp32.exe .*Hollin.hlp" || true
}
probe command "$M" 1040
viewer_started "winhlp32.exe .*Hollin.hlp" "no help viewer was started for Hollin.hlp"
# F1 on a highlighted menu item opens that item's topic (Action > Restore
# Base for Selected Type(s): topic 4).
probe key "$M" alt+A
sleep 0.5
probe key "$M" DOWN
sleep 0.3
probe key "$M" F1
viewer_started "winhlp32.exe -i 4 .*Hollin.hlp" "F1 on the menu item opened no help at its topic"
probe key "$M" ESC
probe key "$M" ESC
probe close "$M"
wait_exit "$pid" 20
expect_eq "exit code after the restores" 0 "$RC"

# 7. On Windows 10 and later, Help Topics opens Hollin.chm in the HTML Help
# viewer, a window of the program's own process titled as the file, and the
# stub viewer is never started. Wine has no HTML engine here (no Gecko): the
# page shows blank, and which page the viewer opened, its trace tells.
add 'HKCU\Software\Wine\AppDefaults\hollin.exe' /v Version /d win10
WINEDEBUG=-all,trace+htmlhelp wine "$app/hollin.exe" </dev/null >/dev/null 2>"$app/viewer.log" &
pid=$!
E2E_PIDS+=("$pid")
probe wait "$M" 30000
viewer_opened() {  # PAGE WHAT: the viewer's window, and that page, within 20 s
  probe wait "Hollin Help" 20000
  for _ in $(seq 100); do
    grep -q "navigate_url L\".*Hollin.chm::/$1\"" "$app/viewer.log" && break
    sleep 0.2
  done
  grep -q "navigate_url L\".*Hollin.chm::/$1\"" "$app/viewer.log" ||
    fail "$2: the viewer opened $(grep -o 'navigate_url.*' "$app/viewer.log" | tail -n 1)"
  ! pgrep -f "winhlp32.exe" >/dev/null || fail "$2: winhlp32.exe was started"
  probe close "Hollin Help"
  probe gone "Hollin Help" 10000
}
probe command "$M" 1040
viewer_opened topic-0.htm "Help Topics opened no contents of Hollin.chm"
probe key "$M" alt+A
sleep 0.5
probe key "$M" DOWN
sleep 0.3
probe key "$M" F1
viewer_opened topic-4.htm "F1 on the menu item opened no help at its topic"
grep -q 'FindContextAlias returning "topic-4.htm"' "$app/viewer.log" ||
  fail "F1 on the menu item: the file's context map did not lead 4 to its page"
probe key "$M" ESC
probe key "$M" ESC
probe close "$M"
wait_exit "$pid" 20
expect_eq "exit code after the help" 0 "$RC"
echo "e2e: all steps passed"
