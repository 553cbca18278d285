#!/usr/bin/env bash
# The real hollin.exe and hollinc.exe against links (URL protocols) and a
# type's default verb, set with reg.exe: the first run records the base with
# Wine's own http and mailto (its browser opens both); then http is taken
# over in the user classes, mailto through Explorer's choice under
# UrlAssociations, and a type of our own gets a new verb of its own, named
# the default by its shell key. The next start lists each by the program
# that now runs it, links apart from the file types; the panel names the
# link and the verb. A restore writes the classes layers back and leaves
# Explorer's choice byte for byte as it was; --check --base reads an
# associations file that names http. It runs in a Wine prefix of its own.
# Usage: hollin_links_e2e.sh HOLLIN_PROBE_EXE HOLLIN_EXE HOLLINC_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
started=$(date +%s%N)
e2e_begin hollin-links
cp "$2" "$app/hollin.exe"
cp "$3" "$app/hollinc.exe"

UA='HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations'
# A registry text (REGEDIT4) imported in one run of regedit, much quicker
# under Wine than a reg.exe run per value.
import_text() {
  printf '%s\n' "REGEDIT4" "" "$1" >"$app/import.reg"
  wine regedit /s "$(win_path "$app/import.reg")" || fail "regedit /s of: $1"
}
add "$SETTINGS" /v Warn /d 0
import_text '[HKEY_LOCAL_MACHINE\Software\Classes\.hollinverb]
@="HollinVerb.One"
[HKEY_LOCAL_MACHINE\Software\Classes\HollinVerb.One\shell\open\command]
@="\"C:\\Verb\\verbopen.exe\" \"%1\""'



# 1. The first run records the base, Wine's links with it.
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
probe close "$M"
wait_exit "$pid" 20
expect_eq "exit code after the first run" 0 "$RC"

# 2. Taken over: http in the user classes, mailto by Explorer's choice, and
# .hollinverb's default verb switched to a new verb with its own command.
import_text '[HKEY_CURRENT_USER\Software\Classes\http]
"URL Protocol"=""
[HKEY_CURRENT_USER\Software\Classes\http\shell\open\command]
@="\"C:\\Grab\\grabweb.exe\" \"%1\""
[HKEY_CURRENT_USER\Software\Classes\HollinLink.Grab\shell\open\command]
@="\"C:\\Grab\\grabmail.exe\" \"%1\""
[HKEY_CURRENT_USER\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\mailto\UserChoice]
"ProgId"="HollinLink.Grab"
"Hash"="q0P3cHollinLink="
[HKEY_LOCAL_MACHINE\Software\Classes\HollinVerb.One\shell]
@="grab"
[HKEY_LOCAL_MACHINE\Software\Classes\HollinVerb.One\shell\grab\command]
@="\"C:\\Grab\\grabverb.exe\" \"%1\""'
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
# The file types first, then the links (under their own group where the
# list shows groups); none of the programs exists.
expect_eq "each change by the program that now runs it, links after types" ".hollinverb	grabverb [missing]
http:	grabweb [missing]
mailto:	grabmail [missing]" "$(list_rows)"
select_types http:
text=$(panel)
expect_contains "the panel names the link" "CHANGE for link HTTP" "$text"
# Wine chooses http itself in Explorer's choice (UserChoice ProgId "http"):
# that names the link's own key, whose user classes' command now runs.
expect_contains "the panel's layers of the link" "NOW: grabweb (Explorer's choice)" "$text"
expect_contains "the Details window: the link's program before" "In the base\\r\\n  Program identifier: http\\r\\n" \
  "$(details "Details of link http: - Hollin")"
select_types .hollinverb
text=$(panel)
expect_contains "the panel names the verb" 'NOW: grabverb, verb "grab" (machine classes)' "$text"
expect_contains "the Details window's verb" 'Verb: grab\r\n' "$(details "Details of file type .hollinverb - Hollin")"

# 3. The restore writes the classes layers back; Explorer's choice stays as
# it is, and the box says where to choose.
export_key "$UA" "$app/choice-before.reg"
select_types .hollinverb http: mailto:
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
probe msgbox Brellmark
expect_contains "the box names the link and its recorded program" "mailto: winebrowser" "$OUT"
probe answer Brellmark OK
probe gone Brellmark 15000
export_key "$UA" "$app/choice-after.reg"
cmp -s "$app/choice-before.reg" "$app/choice-after.reg" || fail "Explorer's choice of a link changed by a restore"
expect_eq "the user classes' command of http is gone" "REG_SZ    (value not set)" \
  "$(reg_default "$UC\\http\\shell\\open\\command")"
expect_eq "the shell key names no verb again" "REG_SZ    (value not set)" "$(reg_default "$MC\\HollinVerb.One\\shell")"
for _ in $(seq 100); do
  probe status "$M"
  [[ "$OUT" == *"1 CHANGED"* ]] && break
  sleep 0.1
done
expect_eq "only the choice stays listed" "mailto:	grabmail [missing]" "$(list_rows)"
probe close "$M"
probe answer Brellmark "&No" 15000
wait_exit "$pid" 20

# 4. An associations file that names http and mailto: http with another
# program than the one the machine has, mailto with the one Explorer chose.
cat >"$app/defaults.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<DefaultAssociations>
  <Association Identifier="http" ProgId="HollinLink.Web" ApplicationName="Web" />
  <Association Identifier="mailto" ProgId="HollinLink.Grab" ApplicationName="Grab" />
</DefaultAssociations>
EOF
rc=0
out=$(cd "$app" && wine ./hollinc.exe --check --base defaults.xml --format csv 2>&1) || rc=$?
out=$(tr -d '\r' <<<"$out")
expect_eq "exit code of --check --base an associations file" 1 "$rc"
expect_contains "http compared, as a link" "http,changed,HollinLink.Web,,Web,http," "$out"
[[ "$out" != *"mailto,"* ]] || fail "mailto listed though Explorer chose what the file names: $out"
echo "links e2e: all steps passed in $(( ($(date +%s%N) - started) / 1000000 )) ms"
