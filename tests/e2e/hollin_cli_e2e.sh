#!/usr/bin/env bash
# Runs for scripts of the real programs under Wine, as a logon script or a
# device-management tool would start them: the console program hollinc.exe
# for every step, from a shell pipe and from cmd, and hollin.exe with the
# same options. The exit code, the report on standard output and the
# message on standard error are all there is; no window ever opens, so each
# run ends by itself (but the one that shows the History view). Usage: hollin_cli_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE
# HOLLINC_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin hollin-cli
cp "$2" "$app/hollin.exe"
cp "$3" "$app/hollinc.exe"
exts='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts'
txt_identifier

# A run that opened a window would wait for ever: each must end (run).
hollin() { run hollinc.exe "$@"; }

# From cmd, as a script would run it: cmd waits for the console program and
# sets ERRORLEVEL to its exit code.
printf '@hollinc.exe %%*\r\n@echo exit code %%ERRORLEVEL%%\r\n' >"$app/run.cmd"
from_cmd() {
  E2E_CMD="cmd /c run.cmd $*"
  OUT=$(cd "$app" && timeout 60 wine cmd /c run.cmd "$@" 2>/dev/null | tr -d '\r') || true
}

for exe in hollinc.exe hollin.exe; do
  run $exe --bogus
  expect_eq "a wrong command line to $exe" 64 "$RC"
  expect_contains "the usage" "Exit codes:" "$E2E_ERR"
  expect_eq "nothing on standard output" "" "$OUT"
done
run hollinc.exe
expect_eq "hollinc.exe without options" 64 "$RC"
expect_contains "the usage" "hollinc.exe --check" "$E2E_ERR"
[ ! -e "$app/Prev.isd" ] || fail "a wrong command line wrote the base"
run hollinc.exe --check --base missing.xml
expect_eq "a failure" 5 "$RC"
expect_contains "what failed" 'missing.xml" does not exist.' "$E2E_ERR"

hollin --check
expect_eq "first run" 2 "$RC"
[ -f "$app/Prev.isd" ] || fail "no base recorded"
hollin /CHECK
expect_eq "no changes" 0 "$RC"
expect_contains "the report's outcome" "Outcome: no changes." "$OUT"
from_cmd --check
expect_contains "cmd's ERRORLEVEL" "exit code 0" "$OUT"
run hollin.exe --check
expect_eq "hollin.exe with options as before" 0 "$RC"

# A type whose name is no ASCII, through a pipe as UTF-8, byte for byte.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.日本]\r\n@="HollinCli.Grabber"\r\n' |
  iconv -f UTF-8 -t UTF-16 >"$app/nihon.reg"
add 'HKCR\HollinCli.Grabber\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"'
(cd "$app" && wine regedit /s nihon.reg)
hollin --check
expect_eq "a new type" 1 "$RC"
expect_contains "its name in UTF-8" $'\n.日本\tnew\t(none) -> grab (HollinCli.Grabber)' "$OUT"
from_cmd --check
expect_contains "cmd's ERRORLEVEL" "exit code 1" "$OUT"
delete 'HKCR\.日本'

add 'HKCR\HollinCli.Grabber\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"'
add 'HKCR\.txt' /ve /d HollinCli.Grabber
hollin --check
expect_eq "a type taken over" 1 "$RC"
expect_contains "the report" ".txt	changed	" "$OUT"
expect_contains "the program now" "-> grab (HollinCli.Grabber)" "$OUT"

hollin --check --format json --report "$(wine winepath -w "$app/report.json" 2>/dev/null | tr -d '\r')"
expect_eq "with a report file" 1 "$RC"
expect_eq "nothing on the console" "" "$OUT"
expect_contains "the JSON report" '"schema": "hollin-report/3"' "$(cat "$app/report.json")"
expect_contains "the changed type in it" '"current": {"progId": "HollinCli.Grabber"' "$(cat "$app/report.json")"

# A report that standard output cannot take (a full disk behind the
# redirection) is no report: the check fails and says why.
step "hollinc.exe --check >/dev/full"
RC=0
(cd "$app" && timeout 60 wine ./hollinc.exe --check >/dev/full 2>"$app/err.txt") || RC=$?
E2E_ERR=$(cat "$app/err.txt")
expect_eq "a check whose report was lost" 5 "$RC"
expect_contains "why" "Standard output cannot be written" "$E2E_ERR"

hollin --restore all
expect_eq "restore all" 0 "$RC"
expect_contains "what was restored" ".txt: restored." "$OUT"
expect_eq ".txt back" "$txt_was" \
  "$(wine reg query 'HKCR\.txt' /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')"
hollin --check
expect_eq "nothing changed after the restore" 0 "$RC"

# Explorer's choice as Windows 11 24H2 and later keep it, set with reg.exe
# beside a stale legacy one: read and listed, never written.
add "$exts\\.txt\\UserChoice" /v ProgId /d "$txt_was"
add "$exts\\.txt\\UserChoiceLatest\\ProgId" /v ProgId /d HollinCli.Grabber
hollin --check --format csv
expect_eq "a choice where Windows 11 keeps it" 1 "$RC"
expect_contains "the choice in force" ".txt,changed,$txt_was," "$OUT"
expect_contains "its program" ",HollinCli.Grabber," "$OUT"
hollin --restore .txt
expect_eq "a restore cannot write Explorer's choice" 4 "$RC"
expect_eq "the choice as it was" HollinCli.Grabber \
  "$(wine reg query "$exts\\.txt\\UserChoiceLatest\\ProgId" /v ProgId 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')"
delete "$exts\\.txt"
hollin --check
expect_eq "no choice, no change" 0 "$RC"

# The base as an administrators' associations file, written and read back
# through the system's XML parser.
hollin --export-defaults defaults.xml
expect_eq "export" 0 "$RC"
expect_contains "the exported file" '<DefaultAssociations>' "$(cat "$app/defaults.xml")"
hollin --check --base defaults.xml
expect_eq "a check against the exported file" 0 "$RC"
add 'HKCR\.txt' /ve /d HollinCli.Grabber
hollin --check --base defaults.xml --format csv
expect_eq "a takeover against the associations file" 1 "$RC"
expect_contains "in CSV" ".txt,changed,$txt_was," "$OUT"
add 'HKCR\.txt' /ve /d "$txt_was"

# A folder by the name that saves lock is no other save: the accept is
# refused at once, saying so, and the base stays as it was.
add 'HKCR\.txt' /ve /d HollinCli.Grabber
mkdir "$app/Prev.isd.lock"
cp "$app/Prev.isd" "$app/base-before"
hollin --accept
expect_eq "an accept whose lock is a folder" 5 "$RC"
expect_contains "why" 'Prev.isd.lock" (the lock its saves take turns by) is a folder' "$E2E_ERR"
cmp -s "$app/Prev.isd" "$app/base-before" || fail "the refused accept changed the base"
rmdir "$app/Prev.isd.lock"
add 'HKCR\.txt' /ve /d "$txt_was"

# The history: three accepts, each keeping the base it replaced, listed in
# the report and in the window's History view; a restore from the first of
# them brings .txt back and keeps the base it replaced as generation 1.
add 'HKCR\HollinCli.Other\shell\open\command' /ve /d 'C:\Other\other.exe "%1"'
for step in 1 2 3; do
  case $step in
    1) add 'HKCR\.txt' /ve /d HollinCli.Grabber ;;
    2) add 'HKCR\HollinCli.Grabber\shell\open\command' /ve /d 'C:\Grab\grab2.exe "%1"' ;;
    3) add 'HKCR\.txt' /ve /d HollinCli.Other ;;
  esac >/dev/null
  hollin --accept
  expect_eq "accept $step" 0 "$RC"
done
hollin --history
expect_eq "the history" 0 "$RC"
expect_contains "three earlier bases" "3 earlier base(s)." "$OUT"
expect_contains "the oldest, and what the next base changed of it" $'\n3\t20' "$OUT"
expect_contains "what the next base changed" $'types\tchanged .txt\n' "$OUT"
hollin --history --format json
expect_contains "in JSON" '{"number": 3, "recorded": "20' "$OUT"
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "Hollin Brellmark" 30000
probe command "Hollin Brellmark" 1014  # View > History
for _ in $(seq 100); do
  probe status "Hollin Brellmark"
  [[ "$OUT" == *"earlier BASEs"* ]] && break
  sleep 0.1
done
expect_contains "the history view's status" "3 earlier BASEs - select one to see it" "$OUT"
probe list "Hollin Brellmark"
expect_eq "the history view's rows" "1 2 3" "$(grep -P '^row\t' <<<"$OUT" | cut -f4 | tr '\n' ' ' | sed 's/ $//')"
expect_contains "what the next base changed" " types - changed .txt" "$OUT"
probe close "Hollin Brellmark"
wait_exit "$pid" 20
expect_eq "exit code of the window" 0 "$RC"
hollin --restore-from 9
expect_eq "no such generation" 5 "$RC"
expect_contains "why" "there is no generation 9 of the base: the history holds 3" "$E2E_ERR"
hollin --restore-from 3
expect_eq "a restore from the first generation" 0 "$RC"
expect_contains "what was restored" ".txt: restored." "$OUT"
expect_eq ".txt as the first generation had it" "$txt_was" \
  "$(wine reg query 'HKCR\.txt' /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')"
hollin --check
expect_eq "nothing changed against the generation made the base" 0 "$RC"
hollin --history
expect_contains "the base it replaced kept" "4 earlier base(s)." "$OUT"

# No report lands on the base or the associations file read, however
# Windows spells them: refused before anything is read or written.
cp "$app/Prev.isd" "$app/kept"
win_app=$(wine winepath -w "$app" 2>/dev/null | tr -d '\r')
for to in 'PREV.ISD.' '.\Prev.isd' "$win_app\\x\\..\\Prev.isd " 'Prev.isd.bak' 'Prev.isd::$DATA'; do
  hollin --check --report "$to"
  expect_eq "a report onto the base as $to" 64 "$RC"
  expect_contains "the refusal" "nothing was read or written" "$E2E_ERR"
done
hollin --check --base defaults.xml --report 'DEFAULTS.XML. '
expect_eq "a report onto the associations file" 64 "$RC"
cmp -s "$app/kept" "$app/Prev.isd" || fail "a refused report changed the base"
# Nor in the history, nor beside the base, by a short name or a folder link.
probe shortname "$win_app\Prev.history"
short=$OUT
[[ "${short^^}" != *'PREV.HISTORY' ]] || fail "no short name for the history: $short"
# A folder link made through Windows where it can be (Wine 8 makes neither a
# junction nor a symbolic link), else the Unix link Wine shows as one.
link() {
  probe_rc link "$win_app\\$1" "$win_app\\$2"
  [ "$RC" = 0 ] || ln -s "$app/$1" "$app/$2"
}
link Prev.history via-history
link . via-app
history_was=$(ls "$app/Prev.history")
for to in "$short\00000050-20300101T000000Z.isd" "$win_app\via-history\00000050-20300101T000000Z.isd" \
          "$win_app\via-app\Prev.isd.bak"; do
  for run in "--check --report" "--export-defaults"; do
    hollin $run "$to"
    expect_eq "$run onto $to" 64 "$RC"
    expect_contains "the refusal names the target" "$(shown_text "$to")" "$E2E_ERR"
    expect_contains "and what it would hit" "$([[ $to == *.bak ]] && echo 'the base file' || echo 'Prev.history')" "$E2E_ERR"
  done
done
expect_eq "the history as it was" "$history_was" "$(ls "$app/Prev.history")"
rm -f "$app/via-history" "$app/via-app" 2>/dev/null || rmdir "$app/via-history" "$app/via-app"

# Another copy holding the base's turn (the probe, as the program holds it):
# an accept waits, says so, and goes on once the turn is given back.
rm -f "$app/release" "$app/release.held"
start_bg "$HOLLIN_PROBE" hold "$(win_path "$app/Prev.isd")" "$(win_path "$app/release")"
holder=$BG_PID
for _ in $(seq 200); do [ -e "$app/release.held" ] && break; sleep 0.1; done
[ -e "$app/release.held" ] || fail "the probe took no turn"
step "hollinc.exe --accept beside it"
(cd "$app" && timeout 60 wine ./hollinc.exe --accept >/dev/null 2>"$app/wait.txt") &
waiter=$!
for _ in $(seq 300); do grep -q "waiting up to 30 seconds" "$app/wait.txt" 2>/dev/null && break; sleep 0.1; done
E2E_ERR=$(cat "$app/wait.txt")
expect_contains "the accept waits for the turn" "is writing the base" "$E2E_ERR"
touch "$app/release"
RC=0
wait "$waiter" || RC=$?
expect_eq "the accept, once the turn was given back" 0 "$RC"
wait_exit "$holder" 10

# A damaged base: named, exit code 3, the file byte for byte as it was.
head -c 60 "$app/Prev.isd" >"$app/damaged" && cp "$app/damaged" "$app/Prev.isd"
hollin --check
expect_eq "a damaged base" 3 "$RC"
expect_contains "the base named" "Prev.isd" "$E2E_ERR"
cmp -s "$app/damaged" "$app/Prev.isd" || fail "the damaged base was changed"
expect_rc 1 wait "Hollin Brellmark" 1
echo "cli e2e: all steps passed"
