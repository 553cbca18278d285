#!/usr/bin/env bash
# A file type whose key the user may not read, against the real hollinc.exe
# under Wine (which honours a key's access list): after the base recorded
# it, the key's access list is set to refuse reading to everyone. A check
# must list the type as unreadable and exit 1 (never as removed, never 0);
# a restore writes nothing over that key, restores the rest and exits 4; an
# accept keeps the base's record of it; once the key may be read again,
# nothing has changed. So it goes for the command key of the types'
# program identifier. It runs in a Wine prefix of its own. Usage:
# hollin_unread_e2e.sh HOLLIN_PROBE_EXE HOLLINC_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin hollin-unread
cp "$2" "$app/hollinc.exe"
hollin() { run hollinc.exe "$@"; }

add "$UC\\.hollinunr" /ve /d HollinUnr.Doc
add "$UC\\.hollinunr2" /ve /d HollinUnr.Doc
add "$UC\\HollinUnr.Doc\\shell\\open\\command" /ve /d '"C:\Unr\grab.exe" "%1"'
add "$UC\\HollinUnr.Other\\shell\\open\\command" /ve /d '"C:\Unr\other.exe" "%1"'
hollin --check
expect_eq "first run" 2 "$RC"

# Nobody may read the key (its owner may still change its access list).
probe keyacl "$UC\\.hollinunr" 'D:(D;;KR;;;WD)(A;;KA;;;WD)'
reg_exe query "$UC\\.hollinunr" /ve && fail "Wine let reg.exe read a key that refuses reading: $SAID"
add "$UC\\.hollinunr2" /ve /d HollinUnr.Other

hollin --check
expect_eq "a check with a key that cannot be read" 1 "$RC"
expect_contains "listed as unreadable" ".hollinunr	unreadable	grab (HollinUnr.Doc) -> (unreadable)" "$OUT"
expect_contains "which key" 'The key HKEY_CURRENT_USER\Software\Classes\.hollinunr is there but cannot be read' "$OUT"
[[ "$OUT" != *".hollinunr	removed"* ]] || fail "listed as removed: $OUT"
hollin --check --format json
expect_contains "its kind in JSON" '{"type": ".hollinunr", "change": "unreadable"' "$OUT"

hollin --restore all
expect_eq "a restore that could not write one type" 4 "$RC"
expect_contains "the other restored" ".hollinunr2: restored." "$OUT"
expect_contains "why not that one" 'its key HKEY_CURRENT_USER\Software\Classes\.hollinunr cannot be read with your rights' "$OUT"
expect_contains "what to do" "look at its permissions with the system's registry editor" "$OUT"
expect_eq "the other type back" "REG_SZ    HollinUnr.Doc" "$(reg_default "$UC\\.hollinunr2")"

hollin --accept
expect_eq "an accept" 0 "$RC"
expect_contains "the record kept" "The base keeps its record of .hollinunr as it was." "$OUT"

probe keyacl "$UC\\.hollinunr" 'D:(A;;KA;;;WD)'
expect_eq "the key untouched" "REG_SZ    HollinUnr.Doc" "$(reg_default "$UC\\.hollinunr")"
hollin --check
expect_eq "readable again: as the base recorded it" 0 "$RC"

# A key read for what opens the types: their program identifier's command
# key. Both types it opens are unreadable, that key named; the identifier's
# own key refusing hides nothing below it.
probe keyacl "$UC\\HollinUnr.Doc\\shell\\open\\command" 'D:(D;;KR;;;WD)(A;;KA;;;WD)'
hollin --check
expect_eq "a check with a command key that cannot be read" 1 "$RC"
expect_contains "the type unreadable" ".hollinunr	unreadable" "$OUT"
expect_contains "the other type unreadable" ".hollinunr2	unreadable" "$OUT"
expect_contains "that key named" 'The key HKEY_CURRENT_USER\Software\Classes\HollinUnr.Doc\shell\open\command is there but cannot be read' "$OUT"
[[ "$OUT" != *"	removed"* ]] || fail "listed as removed: $OUT"
hollin --accept
expect_eq "an accept" 0 "$RC"
probe keyacl "$UC\\HollinUnr.Doc\\shell\\open\\command" 'D:(A;;KA;;;WD)'
probe keyacl "$UC\\HollinUnr.Doc" 'D:(D;;KR;;;WD)(A;;KA;;;WD)'
hollin --check
expect_eq "the identifier's own key refusing; its command read: as the base recorded it" 0 "$RC"
echo "unread e2e: all steps passed"
