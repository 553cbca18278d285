#!/usr/bin/env bash
# The MSI package under Wine's msiexec, as a user would use it: a per-user
# installation (no logon check unless asked for), the installed program's
# first run and quiet check, an upgrade to a higher version, the logon check
# added, the base in the user's folder when the program's own is not
# writable, the removal, which keeps the base, and a per-machine round trip. Everything it put into the
# prefix is gone at its end. Usage: hollin_install_e2e.sh HOLLIN_MSI WIXL
# HOLLIN_WXS BIN_DIR ICON VERSION MSIBUILD PROBE (as root for chattr).
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
msi=$1 wixl=$2 wxs=$3 bin_dir=$4 icon=$5 version=$6 msibuild=$7
export HOLLIN_PROBE=$8
# Wine would add every shortcut to the desktop's menus, outside the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

e2e_begin hollin-install
tmp=$app
win_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
local_win=$(win_env LOCALAPPDATA)
if [ -z "$local_win" ] || [ "$local_win" = "%LOCALAPPDATA%" ]; then fail "no LOCALAPPDATA in the prefix"; fi
local_dir=$(unix_path "$local_win")
app="${local_dir%/}/Programs/Hollin"
app_win="$local_win\\Programs\\Hollin"
user_base_dir="${local_dir%/}/Nordane/Hollin"
menu="$(unix_path "$(win_env APPDATA)")/Microsoft/Windows/Start Menu/Programs"
program_files=$(unix_path "$(win_env ProgramFiles)")
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
[ ! -e "$app" ] || fail "$app is there before the test"
[ ! -e "$user_base_dir" ] || fail "$user_base_dir is there before the test"
[ ! -e "$program_files/Hollin" ] || fail "$program_files/Hollin is there before the test"

frozen=
e2e_before_exit() { [ -z "$frozen" ] || chattr -i "$app"; }

# The next patch version, from the same files but for a mark in the web
# help, so that the upgrade can be told to have replaced them.
IFS=. read -r major minor patch <<<"$version"
next="$major.$minor.$((patch + 1))"
mkdir "$tmp/next"
cp "$bin_dir/hollin.exe" "$bin_dir/hollinc.exe" "$bin_dir/Hollin.hlp" "$bin_dir/Hollin.htm" "$bin_dir/Hollin.chm" "$tmp/next/"
echo "<!-- $next -->" >>"$tmp/next/Hollin.htm"
# (wixl finds sources by paths relative to its working folder only.)
(cd / && "$wixl" -a x64 -D Version="$next" -D BinDir=".$tmp/next" -D IconFile=".$icon" -o "$tmp/next.msi" "$wxs") ||
  fail "wixl could not build the package of $next"
bash "$(dirname "$wxs")/finish_msi.sh" "$msibuild" "$tmp/next.msi"

# msiexec ARGS...: one quiet run, which must succeed (its log on failure).
msiexec() {
  E2E_CMD="msiexec $*" RC=0
  wine msiexec "$@" /qn /l*v "$(win_path "$tmp/msi.log")" >/dev/null 2>&1 || RC=$?
  OUT=$(grep -a -i -m 20 'error\|fail' "$tmp/msi.log" 2>/dev/null || true)
  [ "$RC" = 0 ] || fail "msiexec $* did not succeed"
}
# hollin ARGS...: the installed program, which must end by itself.
hollin() {
  E2E_CMD="hollin.exe $*" RC=0
  OUT=$(cd "$tmp" && timeout 60 wine "$app/hollin.exe" "$@" 2>"$tmp/err.txt") || RC=$?
  E2E_ERR=$(cat "$tmp/err.txt")
  [ "$RC" != 124 ] || fail "hollin.exe $* did not end by itself"
}
run_value() { wine reg query "$run_key" /v Hollin 2>/dev/null | tr -d '\r' | sed -n 's/^ *Hollin *REG_SZ *//p'; }
# The versions of the entries named Hollin in Programs and Features (Wine
# keeps a per-user product's entry under HKLM, Windows under HKCU).
arp_versions() {
  local root
  for root in HKLM HKCU; do
    wine reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null | tr -d '\r' |
      awk '/^HKEY/ { if (n == "Hollin") print v; n = v = "" }
           /^ +DisplayName +REG_SZ/ { sub(/^ +DisplayName +REG_SZ +/, ""); n = $0 }
           /^ +DisplayVersion +REG_SZ/ { sub(/^ +DisplayVersion +REG_SZ +/, ""); v = $0 }
           END { if (n == "Hollin") print v }'
  done
}
listing() { (cd "$1" && ls -A | LC_ALL=C sort | tr '\n' ' '); }

# 1. Per user, by default: the program and its help side by side in the
#    user's Programs folder, a Start menu shortcut, no logon check.
msiexec /i "$(win_path "$msi")"
for f in hollin.exe Hollin.hlp Hollin.htm Hollin.chm; do
  cmp -s "$bin_dir/$f" "$app/$f" || fail "$f is not installed in $app as built"
done
[ ! -e "$program_files/Hollin" ] || fail "a per-user installation went to $program_files/Hollin"
[ -f "$menu/Hollin.lnk" ] || fail "no shortcut Hollin.lnk in $menu"
grep -aqi 'Programs\\Hollin\\hollin.exe' "$menu/Hollin.lnk" || fail "the shortcut does not lead to the installed hollin.exe"
expect_eq "the Run value without the logon check" "" "$(run_value)"
expect_eq "the entry in Programs and Features" "$version" "$(arp_versions)"

# 2. The installed program's first run records the base beside it and keeps
#    no backup (there was no base before); then the quiet check ends by
#    itself; an accept that changes the base keeps the previous one.
hollin --check
expect_eq "exit code of the first run" 2 "$RC"
[ -f "$app/Prev.isd" ] || fail "no base beside the installed program"
[ ! -e "$app/Prev.isd.bak" ] || fail "a first run left a backup"
hollin -h
expect_eq "exit code of the quiet check" 0 "$RC"
add 'HKCR\.hollininst' /ve /d txtfile
hollin --accept
expect_eq "exit code of an accept" 0 "$RC"
[ -f "$app/Prev.isd.bak" ] || fail "no previous base kept"
cp "$app/Prev.isd" "$app/Prev.isd.bak" "$tmp/"

# 3. A higher version replaces this one in place: one entry, the new files,
#    the base as it was.
msiexec /i "$(win_path "$tmp/next.msi")"
expect_eq "the entries in Programs and Features after the upgrade" "$next" "$(arp_versions)"
cmp -s "$tmp/next/Hollin.htm" "$app/Hollin.htm" || fail "the upgrade did not replace the files"
for f in Prev.isd Prev.isd.bak; do
  cmp -s "$tmp/$f" "$app/$f" || fail "the upgrade changed or removed $f"
done

# 4. The logon check, asked for: the quiet check of the installed program.
msiexec /i "$(win_path "$tmp/next.msi")" ADDLOCAL=LogonCheck
expect_eq "the Run value with the logon check" "\"$app_win\\hollin.exe\" --guard --logon" "$(run_value)"

# 5. Where the program's folder is not writable, the base goes to the
#    user's folder and nothing into the program's.
mkdir "$tmp/aside"
mv "$app/Prev.isd" "$app/Prev.isd.bak" "$tmp/aside/"
before=$(listing "$app")
chattr +i "$app" || fail "chattr +i $app (as root, on a file system that has it)"
frozen=1
hollin --check
chattr -i "$app"
frozen=
expect_eq "exit code of the first run in a folder not writable" 2 "$RC"
[ -f "$user_base_dir/Prev.isd" ] || fail "no base in $user_base_dir"
expect_eq "the program's folder after that run" "$before" "$(listing "$app")"
rm -rf "$user_base_dir"
mv "$tmp/aside/"* "$app/"

# 6. The removal takes the program, the shortcut and the logon check and
#    leaves the base; the guard running from the program's folder ends
#    before its files go.
start_bg "$app/hollin.exe" --guard
guard_pid=$BG_PID
probe --hidden wait "Hollin guard" 15000
msiexec /x "$(win_path "$tmp/next.msi")"
wait_exit "$guard_pid" 15
expect_eq "the guard's exit code after the removal" 0 "$RC"
expect_eq "what is left in the program's folder" "Prev.history Prev.isd Prev.isd.bak " "$(listing "$app")"
for f in Prev.isd Prev.isd.bak; do
  cmp -s "$tmp/$f" "$app/$f" || fail "the removal changed $f"
done
[ ! -e "$menu/Hollin.lnk" ] || fail "the shortcut is still there"
expect_eq "the Run value after the removal" "" "$(run_value)"
expect_eq "the entries in Programs and Features after the removal" "" "$(arp_versions)"

# 7. Per machine when asked: Program Files, the logon check under the
#    machine's Run key, the event source with its message file; the
#    removal finds it all there.
machine_run='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
event_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Hollin'
value_of() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *//p"; }
msiexec /i "$(win_path "$msi")" ALLUSERS=1 ADDLOCAL=ALL
for f in hollin.exe hollinc.exe Hollin.hlp Hollin.htm Hollin.chm; do
  cmp -s "$bin_dir/$f" "$program_files/Hollin/$f" || fail "$f is not installed in $program_files/Hollin as built"
done
[ ! -e "$app/hollin.exe" ] || fail "a per-machine installation went to $app"
pf_win=$(win_path "$program_files/Hollin")
expect_eq "the machine's Run value" "REG_SZ    \"$pf_win\\hollin.exe\" --guard --logon" "$(value_of "$machine_run" Hollin)"
expect_eq "no Run value of the installing user" "" "$(run_value)"
expect_eq "the event source's message file" "REG_EXPAND_SZ    $pf_win\\hollin.exe" "$(value_of "$event_key" EventMessageFile)"
expect_eq "the event source's types" "REG_DWORD    0x7" "$(value_of "$event_key" TypesSupported)"
msiexec /x "$(win_path "$msi")"
[ ! -e "$program_files/Hollin" ] || fail "the removal left $program_files/Hollin"
expect_eq "the machine's Run value after the removal" "" "$(value_of "$machine_run" Hollin)"
expect_eq "the event source after the removal" "" "$(value_of "$event_key" EventMessageFile)"
echo "install e2e: all steps passed"
