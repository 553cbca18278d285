#!/usr/bin/env bash
# The programs on a desktop where others write too, under Wine:
# - system DLLs planted beside hollin.exe and hollinc.exe (version, wtsapi32,
#   wintrust, crypt32, xmllite), with Wine told to take a DLL found in the
#   program's folder first, as Windows does for DLLs that are no KnownDLLs:
#   none may be loaded, and every run ends as it should;
# - a guard started while another process holds the session's guard mutex
#   and refuses it to this one (as an elevated guard's looks to a standard
#   one): it starts no second guard;
# - Ctrl+C on the console while hollinc.exe restores many types: it ends
#   the type it writes, stops, says what was restored, and exits with 4.
# Usage: hollin_desktop_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE HOLLINC_EXE
# PLANTED_DIR DESKTOP_AID_EXE OBJDUMP.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin hollin-desktop
cp "$2" "$app/hollin.exe"
cp "$3" "$app/hollinc.exe"
planted=(version wtsapi32 wintrust crypt32 xmllite)
for name in "${planted[@]}"; do cp "$4/$name.dll" "$app/"; done
aid=$5  # copied into the folder below
objdump=$6

# Wine takes a DLL of the program's folder first only when told to.
overrides=$(IFS=,; echo "${planted[*]}")=n,b
planted_run() { WINEDLLOVERRIDES="$overrides${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" run "$@"; }
# The mark a planted DLL left: its name as the loader spelt it ("WTSAPI32.dll"
# for an import), in any case.
mark() { find "$app" -maxdepth 1 -iname "$1.dll.loaded" | head -n1; }
no_marks() {
  local name
  for name in "${planted[@]}"; do
    [ -z "$(mark "$name")" ] || fail "$1: the planted $name.dll was loaded"
  done
}

# Windows binds a program's imports before any of its code runs: each DLL
# in the import table must be a KnownDLL, which Windows takes only from the
# system folder.
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32 "
for exe in hollin.exe hollinc.exe; do
  imports=$("$objdump" -p "$app/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
  [ -n "$imports" ] || fail "no import table read from $exe"
  for dll in $imports; do
    [[ "$known" == *" $dll "* ]] || fail "$exe imports $dll.dll, which Windows looks for in the program's folder first"
  done
done

# The test's own checks. With these overrides a program that loads one of
# the names finds the planted DLL in its folder, and the DLL leaves its
# mark. Wine's own user32 imports version.dll (Windows' does not): in any
# program under Wine it is bound before the program's first line, so it is
# left to the import table's check above; the other names are planted.
cp "$aid" "$app/desktop_aid.exe"
for name in "${planted[@]}"; do
  (cd "$app" && WINEDLLOVERRIDES="$overrides" timeout 60 wine ./desktop_aid.exe load "$name.dll") >/dev/null 2>&1 || true
  [ -n "$(mark "$name")" ] || fail "a program of the folder that loads $name.dll does not get the planted one"
  rm -f "$(mark "$name")"
done
(cd "$app" && WINEDLLOVERRIDES="$overrides" timeout 60 wine ./desktop_aid.exe noop) >/dev/null 2>&1 || true
wine_own=()
for name in "${planted[@]}"; do
  if [ -n "$(mark "$name")" ]; then
    wine_own+=("$name")
    rm -f "$(mark "$name")"
  fi
done
[ "${wine_own[*]}" = version ] ||
  fail "Wine's own DLLs load (${wine_own[*]}) from the program's folder, where only version was expected: see which the test can plant"
planted=(wtsapi32 wintrust crypt32 xmllite)

for exe in hollinc.exe hollin.exe; do
  rm -f "$app/Prev.isd"
  planted_run $exe --check
  expect_eq "$exe's first check" 2 "$RC"
  no_marks "$exe --check"
  # The health check asks for signatures (wintrust, crypt32) and version
  # resources (version) of every program; the JSON report goes through
  # XmlLite's neighbour, the report writer, the associations file through
  # XmlLite itself.
  planted_run $exe --check --health --format json
  [ "$RC" = 0 ] || [ "$RC" = 1 ] || fail "$exe --check --health ended with $RC"
  expect_contains "$exe's health report" '"outcome":' "$OUT"
  no_marks "$exe --check --health"
  planted_run $exe --export-defaults defaults.xml
  expect_eq "$exe --export-defaults" 0 "$RC"
  no_marks "$exe --export-defaults"
done

# Ctrl+C during a restore of many types, sent to the console hollinc.exe
# shares with the helper once the first type is back. The types are named
# so that the registry's order and the restore's are the same.
rm -f "$app/Prev.isd"
types=2000
{
  printf 'REGEDIT4\n\n[HKEY_CLASSES_ROOT\\HollinCtrlC.Doc\\shell\\open\\command]\n@="C:\\\\Doc\\\\doc.exe \\"%%1\\""\n\n'
  printf '[HKEY_CLASSES_ROOT\\HollinCtrlC.Grab\\shell\\open\\command]\n@="C:\\\\Grab\\\\grab.exe \\"%%1\\""\n\n'
  for i in $(seq -w 0 $((types - 1))); do printf '[HKEY_CLASSES_ROOT\\.hc%s]\n@="HollinCtrlC.Doc"\n\n' "$i"; done
} >"$app/doc.reg"
sed 's/@="HollinCtrlC.Doc"/@="HollinCtrlC.Grab"/' "$app/doc.reg" >"$app/grab.reg"
wine regedit /s "$(wine winepath -w "$app/doc.reg" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
run hollinc.exe --check
expect_eq "the base of the Ctrl+C case" 2 "$RC"
wine regedit /s "$(wine winepath -w "$app/grab.reg" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
E2E_CMD="desktop_aid ctrl-c hollinc.exe --restore all"
RC=0
OUT=$(cd "$app" && timeout 180 wine ./desktop_aid.exe ctrl-c .hc0000 HollinCtrlC.Doc \
      'hollinc.exe --restore all --report stopped.txt' 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}") || RC=$?
expect_eq "the helper's Ctrl+C" sent "$OUT"
expect_eq "a restore stopped by Ctrl+C" 4 "$RC"
report=$(tr -d '\r' <"$app/stopped.txt")
expect_contains "the report of the stopped restore" "Stopped on request (Ctrl+C): " "$report"
run hollinc.exe --check --report left.txt
expect_eq "types left changed after the stop" 1 "$RC"
left=$(grep -c '^\.hc' "$app/left.txt" || true)
[ "$left" -gt 0 ] && [ "$left" -lt "$types" ] ||
  fail "after Ctrl+C $left of $types types are still changed; some, not all, should be"
expect_contains "the report's count" "Stopped on request (Ctrl+C): $left of " "$report"

# A guard while another process holds the session's guard mutex and this
# one may not open it: that one is the guard, none starts here. (At logon
# it ends at once; asked by hand it looks for the running guard's window
# for a moment, finds none here, and ends.)
rm -f "$app/Prev.isd"
E2E_CMD="desktop_aid hold-mutex"
wine "$app/desktop_aid.exe" hold-mutex 'Local\Hollin.Guard' 60 >"$app/aid.txt" 2>/dev/null &
E2E_PIDS+=("$!")
aid_pid=$!
for _ in $(seq 100); do grep -q held "$app/aid.txt" 2>/dev/null && break; sleep 0.1; done
grep -q held "$app/aid.txt" || fail "the helper could not make the mutex"
for args in "--guard --logon" "--guard"; do
  # shellcheck disable=SC2086
  start_bg "$app/hollin.exe" $args
  wait_exit "$BG_PID" 20
  expect_eq "hollin.exe $args beside a guard whose mutex it may not open" 0 "$RC"
  [ ! -f "$app/Prev.isd" ] || fail "hollin.exe $args started a second guard (it recorded a base)"
done
kill "$aid_pid" 2>/dev/null || true
echo "PASS"
