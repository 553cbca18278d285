#!/usr/bin/env bash
# The package's tables, read back with msiinfo (msitools): what it installs
# and for whom, the logon check as a choice, the upgrade, and that no
# removal reaches the base file. Usage: msi_tables_test.sh HOLLIN_MSI VERSION
set -euo pipefail
msi=$1 version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
rows() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }  # after the three header lines
prop() { rows Property | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
long_name() { local n=${1%%:*}; echo "${n##*|}"; }  # "short|long" or "target:source"

# Who it is and for whom: the CMake project's version; per user unless asked
# (no ALLUSERS in the package, and no elevation asked for: bit 3 of the word
# count).
[ "$(prop ProductVersion)" = "$version" ] || fail "ProductVersion $(prop ProductVersion), the project is $version"
[ -z "$(prop ALLUSERS)" ] || fail "the package sets ALLUSERS=$(prop ALLUSERS): not per user by default"
source_flags=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
(( source_flags & 8 )) || fail "the package asks for elevation (word count $source_flags)"

# The program, its console twin and its help, exactly these five (where they
# go, the end-to-end test sees).
names=$(rows File | while IFS=$'\t' read -r _ _ name _; do long_name "$name"; done | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "Hollin.chm Hollin.hlp Hollin.htm hollin.exe hollinc.exe " ] || fail "the files are: $names"

# The Start menu shortcut to the installed hollin.exe.
exe_key=$(rows File | awk -F'\t' '{ n = $3; sub(/^.*\|/, "", n) } n == "hollin.exe" { print $1 }')
rows Shortcut | awk -F'\t' -v t="[#$exe_key]" '$2 == "ProgramMenuFolder" && $3 == "Hollin" && $5 == t' | grep -q . ||
  fail "no shortcut Hollin in ProgramMenuFolder to [#$exe_key]: $(rows Shortcut)"

# Rows by installation context: each component's condition (ALLUSERS=1 per
# machine, NOT ALLUSERS=1 per user, either for a removal), its attributes,
# and its features.
condition() { rows Component | awk -F'\t' -v c="$1" '$1 == c { print $5 "/" $4 }'; }
features_of() { rows FeatureComponents | awk -F'\t' -v c="$1" '$2 == c { print $1 }'; }

# The logon check: the user's Run value per user, the machine's (in the
# 64-bit view, attribute 256) per machine, both in its own feature only, and
# that feature off unless asked for.
run=$(rows Registry | awk -F'\t' '$3 == "Software\\Microsoft\\Windows\\CurrentVersion\\Run"' | LC_ALL=C sort -t$'\t' -k2)
[ "$(wc -l <<<"$run")" = 2 ] || fail "not two Run values: $run"
for want in '1/NOT ALLUSERS=1 OR REMOVE/4' '2/ALLUSERS=1 OR REMOVE/260'; do
  IFS=$'\t' read -r _ root _ name value component <<<"$(awk -F'\t' -v r="${want%%/*}" '$2 == r' <<<"$run")"
  [ "$root/$(condition "$component")" = "$want" ] || fail "the Run value of root $root is $root/$(condition "$component"), not $want"
  [ "$name/$value" = 'Hollin/"[INSTALLFOLDER]hollin.exe" --guard --logon' ] || fail "the Run value is $name/$value"
  [ "$(features_of "$component")" = LogonCheck ] || fail "the Run value's component is in the features: $(features_of "$component")"
done

# The event source, per machine only: the installed program as its message
# file (REG_EXPAND_SZ) and the three types, with the program.
source=$(rows Registry | awk -F'\t' '$2 == 2 && $3 == "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Hollin" { print $4 "=" $5 "/" $6 }' | LC_ALL=C sort)
component=${source##*/}
[ "$source" = "EventMessageFile=#%[INSTALLFOLDER]hollin.exe/$component
TypesSupported=#7/$component" ] || fail "the event source's rows are: $source"
[ "$(condition "$component")" = "ALLUSERS=1 OR REMOVE/4" ] || fail "the event source is installed when $(condition "$component")"
[ "$(features_of "$component")" = Program ] || fail "the event source's component is in the features: $(features_of "$component")"
IFS=$'\t' read -r _ _ title _ _ level _ <<<"$(rows Feature | awk -F'\t' '$1 == "LogonCheck"')"
[ "$title" = "Check at every logon" ] || fail "the logon check's title is \"$title\""
install_level=$(prop INSTALLLEVEL)
(( level > ${install_level:-1} )) || fail "the logon check is installed by default (Level $level, INSTALLLEVEL ${install_level:-1})"

# A major upgrade: every older version of this UpgradeCode is found and
# removed before the new one is installed.
older=$(rows Upgrade | awk -F'\t' -v u="$(prop UpgradeCode)" -v v="$version" \
  '$1 == u && $2 == "" && $3 == v && int($5 / 2) % 2 == 0 && int($5 / 512) % 2 == 0 { print $7 }')
[ -n "$older" ] || fail "no Upgrade row finds the older versions of $(prop UpgradeCode): $(rows Upgrade)"
rows InstallExecuteSequence | cut -f1 | grep -qx RemoveExistingProducts || fail "RemoveExistingProducts is not sequenced"

# Nothing removes the base: no RemoveFile row matches Prev.isd or its
# backup (file names ignore letter case), and no custom action runs code.
shopt -s nocasematch
while IFS=$'\t' read -r key _ name _; do
  [ -n "$name" ] || continue
  pattern=$(long_name "$name")
  for base in Prev.isd Prev.isd.bak; do
    # shellcheck disable=SC2053  # the name is a pattern
    [[ $base != $pattern ]] || fail "RemoveFile row $key ($pattern) removes $base"
  done
done < <(rows RemoveFile)
shopt -u nocasematch
# The only code run is the program's own: the stop of its guard (type 34, a
# program in a folder, +64: whatever it returns, the installation goes on),
# and its start after an upgrade (+128: not waited for).
stranger() {
  rows CustomAction | awk -F'\t' '$2 % 64 != 51 && !($2 == 98 && $4 ~ /^"\[[A-Z_]+\]hollin\.exe" --guard --stop$/) &&
    !($1 == "StartGuardAfterUpgrade" && $2 == 226 && $3 == "INSTALLFOLDER" && $4 == "\"[INSTALLFOLDER]hollin.exe\" --guard --logon")'
}
[ -z "$(stranger)" ] || fail "a custom action that runs code: $(stranger)"
stops=$(rows InstallExecuteSequence | awk -F'\t' '$1 ~ /^StopGuard/ && $3 > 1000 && $3 < 1400 { n++ } END { print n + 0 }')
[ "$stops" = 2 ] || fail "the guard's stops are not sequenced between CostFinalize and InstallValidate: $(rows InstallExecuteSequence)"

# The guard back after an upgrade, for the user who installs: started once
# the old version is gone (after RemoveExistingProducts), only on an
# upgrade, where the guard starts at that user's logon (the Run value found
# before: the user's, or the machine's in its 64-bit view), never for the
# system's accounts.
start=$(rows CustomAction | awk -F'\t' '$1 == "StartGuardAfterUpgrade" { print $2 "/" $3 "/" $4 }')
[ "$start" = '226/INSTALLFOLDER/"[INSTALLFOLDER]hollin.exe" --guard --logon' ] || fail "the guard's start after an upgrade is: $start"
seq_of() { rows InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
(( $(seq_of StartGuardAfterUpgrade) > $(seq_of RemoveExistingProducts) && $(seq_of RemoveExistingProducts) > $(seq_of InstallFinalize) )) ||
  fail "the guard is started before the old version is gone: $(rows InstallExecuteSequence)"
when=$(rows InstallExecuteSequence | awk -F'\t' '$1 == "StartGuardAfterUpgrade" { print $2 }')
for part in WIX_UPGRADE_DETECTED 'NOT REMOVE' '(HOLLIN_GUARD_AT_LOGON OR HOLLIN_GUARD_AT_LOGON_MACHINE)' \
  'UserSID<>"S-1-5-18"' 'UserSID<>"S-1-5-19"' 'UserSID<>"S-1-5-20"'; do
  [[ "$when" == *"$part"* ]] || fail "the guard's start after an upgrade lacks $part: $when"
done
[[ "$when" != *" OR "*" OR "* ]] || fail "the guard's start after an upgrade has another way in: $when"
locators=$(rows AppSearch | while IFS=$'\t' read -r property signature; do
  rows RegLocator | awk -F'\t' -v p="$property" -v s="$signature" '$1 == s { print p "=" $2 "/" $3 "/" $4 "/" $5 }'
done | grep HOLLIN_GUARD_AT_LOGON | LC_ALL=C sort)
[ "$locators" = 'HOLLIN_GUARD_AT_LOGON=1/Software\Microsoft\Windows\CurrentVersion\Run/Hollin/2
HOLLIN_GUARD_AT_LOGON_MACHINE=2/Software\Microsoft\Windows\CurrentVersion\Run/Hollin/18' ] ||
  fail "the Run values looked for before an upgrade: $locators"
echo "msi tables: all checks passed"
