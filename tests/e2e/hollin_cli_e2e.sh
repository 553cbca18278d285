#!/usr/bin/env bash
# Runs for scripts of the real programs under Wine, as a logon script or a
# device-management tool would start them: the console program hollinc.exe
# for every step, from a shell pipe and from cmd, and hollin.exe with the
# same options. The exit code, the report on standard output and the
# message on standard error are all there is; no window ever opens, so each
# run ends by itself. Usage: hollin_cli_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE
# HOLLINC_EXE (under a running Wine).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
app=$(mktemp -d "${TMPDIR:-/tmp}/hollin-cli.XXXXXX")
cp "$2" "$app/hollin.exe"
cp "$3" "$app/hollinc.exe"
txt_was=$(wine reg query 'HKCR\.txt' /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')
[ -n "$txt_was" ] || fail "the prefix has no program identifier for .txt"
put_back() {
  wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null 2>&1 || true
  wine reg delete 'HKCR\HollinCli.Grabber' /f >/dev/null 2>&1 || true
  wine reg delete "$exts\\.txt" /f >/dev/null 2>&1 || true
  wine reg delete 'HKCR\.日本' /f >/dev/null 2>&1 || true
  e2e_cleanup
  rm -rf "$app"
}
exts='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts'
trap put_back EXIT

# run EXE ARGS...: one run, in the app folder, through a pipe; its standard
# output in $OUT, its standard error in $E2E_ERR, its exit code in $RC. A run
# that opened a window would wait for ever: each must end within 60 s.
run() {
  local exe=$1
  shift
  E2E_CMD="$exe $*"
  RC=0
  OUT=$(cd "$app" && timeout 60 wine "./$exe" "$@" 2>"$app/err.txt" | cat; exit "${PIPESTATUS[0]}") || RC=$?
  E2E_ERR=$(cat "$app/err.txt")
  [ "$RC" != 124 ] || fail "$exe $* did not end by itself"
}
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
wine reg add 'HKCR\HollinCli.Grabber\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"' /f >/dev/null
(cd "$app" && wine regedit /s nihon.reg)
hollin --check
expect_eq "a new type" 1 "$RC"
expect_contains "its name in UTF-8" $'\n.日本\tnew\t(none) -> grab (HollinCli.Grabber)' "$OUT"
from_cmd --check
expect_contains "cmd's ERRORLEVEL" "exit code 1" "$OUT"
wine reg delete 'HKCR\.日本' /f >/dev/null

wine reg add 'HKCR\HollinCli.Grabber\shell\open\command' /ve /d 'C:\Grab\grab.exe "%1"' /f >/dev/null
wine reg add 'HKCR\.txt' /ve /d HollinCli.Grabber /f >/dev/null
hollin --check
expect_eq "a type taken over" 1 "$RC"
expect_contains "the report" ".txt	changed	" "$OUT"
expect_contains "the program now" "-> grab (HollinCli.Grabber)" "$OUT"

hollin --check --format json --report "$(wine winepath -w "$app/report.json" 2>/dev/null | tr -d '\r')"
expect_eq "with a report file" 1 "$RC"
expect_eq "nothing on the console" "" "$OUT"
expect_contains "the JSON report" '"schema": "hollin-report/3"' "$(cat "$app/report.json")"
expect_contains "the changed type in it" '"current": {"progId": "HollinCli.Grabber"' "$(cat "$app/report.json")"

hollin --restore all
expect_eq "restore all" 0 "$RC"
expect_contains "what was restored" ".txt: restored." "$OUT"
expect_eq ".txt back" "$txt_was" \
  "$(wine reg query 'HKCR\.txt' /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')"
hollin --check
expect_eq "nothing changed after the restore" 0 "$RC"

# Explorer's choice as Windows 11 24H2 and later keep it, set with reg.exe
# beside a stale legacy one: read and listed, never written.
wine reg add "$exts\\.txt\\UserChoice" /v ProgId /d "$txt_was" /f >/dev/null
wine reg add "$exts\\.txt\\UserChoiceLatest\\ProgId" /v ProgId /d HollinCli.Grabber /f >/dev/null
hollin --check --format csv
expect_eq "a choice where Windows 11 keeps it" 1 "$RC"
expect_contains "the choice in force" ".txt,changed,$txt_was," "$OUT"
expect_contains "its program" ",HollinCli.Grabber," "$OUT"
hollin --restore .txt
expect_eq "a restore cannot write Explorer's choice" 4 "$RC"
expect_eq "the choice as it was" HollinCli.Grabber \
  "$(wine reg query "$exts\\.txt\\UserChoiceLatest\\ProgId" /v ProgId 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')"
wine reg delete "$exts\\.txt" /f >/dev/null
hollin --check
expect_eq "no choice, no change" 0 "$RC"

# The base as an administrators' associations file, written and read back
# through the system's XML parser.
hollin --export-defaults defaults.xml
expect_eq "export" 0 "$RC"
expect_contains "the exported file" '<DefaultAssociations>' "$(cat "$app/defaults.xml")"
hollin --check --base defaults.xml
expect_eq "a check against the exported file" 0 "$RC"
wine reg add 'HKCR\.txt' /ve /d HollinCli.Grabber /f >/dev/null
hollin --check --base defaults.xml --format csv
expect_eq "a takeover against the associations file" 1 "$RC"
expect_contains "in CSV" ".txt,changed,$txt_was," "$OUT"
wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null

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

# A damaged base: named, exit code 3, the file byte for byte as it was.
head -c 60 "$app/Prev.isd" >"$app/damaged" && cp "$app/damaged" "$app/Prev.isd"
hollin --check
expect_eq "a damaged base" 3 "$RC"
expect_contains "the base named" "Prev.isd" "$E2E_ERR"
cmp -s "$app/damaged" "$app/Prev.isd" || fail "the damaged base was changed"
expect_rc 1 wait "Hollin Brellmark" 1
echo "cli e2e: all steps passed"
