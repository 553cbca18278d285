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

# The program and its help, exactly these four (where they go, the
# end-to-end test sees).
names=$(rows File | while IFS=$'\t' read -r _ _ name _; do long_name "$name"; done | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "Hollin.chm Hollin.hlp Hollin.htm hollin.exe " ] || fail "the files are: $names"

# The Start menu shortcut to the installed hollin.exe.
exe_key=$(rows File | awk -F'\t' '{ n = $3; sub(/^.*\|/, "", n) } n == "hollin.exe" { print $1 }')
rows Shortcut | awk -F'\t' -v t="[#$exe_key]" '$2 == "ProgramMenuFolder" && $3 == "Hollin" && $5 == t' | grep -q . ||
  fail "no shortcut Hollin in ProgramMenuFolder to [#$exe_key]: $(rows Shortcut)"

# The logon check: the user's Run value, in its own feature only, and that
# feature off unless asked for.
run=$(rows Registry | awk -F'\t' '$3 == "Software\\Microsoft\\Windows\\CurrentVersion\\Run"')
[ "$(wc -l <<<"$run")" = 1 ] || fail "not one Run value: $run"
IFS=$'\t' read -r _ root _ name value component <<<"$run"
[ "$root/$name/$value" = '1/Hollin/"[INSTALLFOLDER]hollin.exe" --guard --logon' ] || fail "the Run value is $root/$name/$value"
features=$(rows FeatureComponents | awk -F'\t' -v c="$component" '$2 == c { print $1 }')
[ "$features" = LogonCheck ] || fail "the Run value's component is in the features: $features"
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
rows CustomAction | awk -F'\t' '$2 % 64 != 51 { print; bad = 1 } END { exit bad }' >/dev/null ||
  fail "a custom action that runs code: $(rows CustomAction | awk -F'\t' '$2 % 64 != 51')"
echo "msi tables: all checks passed"
