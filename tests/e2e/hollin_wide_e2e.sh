#!/usr/bin/env bash
# Text that no single code page holds, through the program as Windows before
# 10 1903 runs it: hollin_acp (no UTF-8 code page in its manifest) in a
# Russian locale (code page 1251) and in a folder whose name holds "ü",
# which that code page lacks. Types, program identifiers and commands in
# Cyrillic, CJK and beyond the BMP are recorded at the first run, listed by
# their exact names once taken over (in the window and in the report), and
# restored byte for byte. Usage: hollin_wide_e2e.sh HOLLIN_PROBE_EXE
# HOLLIN_ACP_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
e2e_begin Prüfung-ü
locales="$HOLLIN_WINE_TMP/locale"
mkdir -p "$locales"
cp "$2" "$app/hollin.exe"
localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8" >/dev/null 2>&1 || true
[ -f "$locales/ru_RU.UTF-8/LC_CTYPE" ] || fail "no Russian locale could be made"
russian=(env LOCPATH="$locales" LC_ALL=ru_RU.UTF-8 wine)

# Type, its program identifier, its command; and the program that takes
# them all over.
names=('.файл' 'Холлин.Файл' 'C:\Программы\Холлин\файл.exe "%1"'
       '.文書' '文書.ファイル' 'C:\プログラム\文書.exe "%1"'
       '.эмодзи😀' 'Smile😀.File' 'C:\Emoji😀\smile😀.exe "%1"')
grab='Захват.文字😀' grab_command='C:\Захват\захват😀.exe "%1"'
reg_text() { local t=${1//\\/\\\\}; printf '"%s"' "${t//\"/\\\"}"; }  # as a .reg file writes it

add "$SETTINGS" /v Warn /d 1

types= rows=
for ((i = 0; i < ${#names[@]}; i += 3)); do
  types+="[HKEY_CLASSES_ROOT\\${names[i]}]
@=$(reg_text "${names[i + 1]}")
[HKEY_CLASSES_ROOT\\${names[i + 1]}\\shell\\open\\command]
@=$(reg_text "${names[i + 2]}")
"
  rows+="${names[i]}	захват😀 [missing]"$'\n'
done
rows=$(sort -t$'\t' -k1 <<<"${rows%$'\n'}")
import_reg "$types"
expect_eq "a command as imported" "$(reg_text "${names[8]}")" \
  "$(exported_default "HKCR\\${names[7]}\\shell\\open\\command")"

# The first run records the base beside the program, in the folder with "ü",
# and keeps that folder among its settings.
"${russian[@]}" "$app/hollin.exe" </dev/null >/dev/null 2>&1 &
E2E_PIDS+=("$!")
pid=$!
probe wait "$M" 30000
probe status "$M"
expect_eq "first run" "icon	1
text	New BASE record created." "$OUT"
[ -f "$app/Prev.isd" ] || fail "no base file beside the program"
expect_eq "the program's folder, kept" "$(reg_text "$(win_path "$app")")" "$(exported_value "$SETTINGS" InstallPath)"
probe close "$M"
wait_exit "$pid" 20

# Another program takes all three over.
takeover="[HKEY_CLASSES_ROOT\\$grab\\shell\\open\\command]
@=$(reg_text "$grab_command")
"
for ((i = 0; i < ${#names[@]}; i += 3)); do takeover+="[HKEY_CLASSES_ROOT\\${names[i]}]
@=$(reg_text "$grab")
"; done
import_reg "$takeover"

# The report names each type and the program now in force exactly.
E2E_CMD="hollin.exe --check"
RC=0
OUT=$(cd "$app" && timeout 60 "${russian[@]}" ./hollin.exe --check 2>/dev/null) || RC=$?
expect_eq "a check after the takeover" 1 "$RC"
for ((i = 0; i < ${#names[@]}; i += 3)); do
  expect_contains "${names[i]} in the report" "${names[i]}	changed	" "$OUT"
done
expect_contains "the program now in force" "-> захват😀 ($grab)" "$OUT"

# The window lists them by the same names (the program taking them over does
# not exist: each is marked missing); the user restores them all.
"${russian[@]}" "$app/hollin.exe" </dev/null >/dev/null 2>&1 &
E2E_PIDS+=("$!")
pid=$!
probe wait "$M" 30000
# Our types' rows in the list: "row<TAB>type<TAB>program", by type.
our_rows() {
  probe list "$M"
  awk -F'\t' 'NR == FNR { want[$1] = 1; next } $1 == "row" && ($4 in want) { print $2 "\t" $4 "\t" $5 ($6 != "" ? " [" $6 "]" : "") }' \
    <(cut -f1 <<<"$rows") - <<<"$OUT" | sort -t$'\t' -k2
}
expect_eq "the rows of the types taken over" "$rows" "$(our_rows | cut -f2,3)"
probe select "$M" $(our_rows | cut -f1)
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
probe click Brellmark "&OK"
probe gone Brellmark 15000
probe status "$M"
expect_contains "after the restore" "Base settings restored." "$OUT"
probe close "$M"
wait_exit "$pid" 20

# What was written back is what was there, byte for byte.
for ((i = 0; i < ${#names[@]}; i += 3)); do
  expect_eq "${names[i]} points at its program again" "$(reg_text "${names[i + 1]}")" \
    "$(exported_default "HKCR\\${names[i]}")"
  expect_eq "the command of ${names[i + 1]}" "$(reg_text "${names[i + 2]}")" \
    "$(exported_default "HKCR\\${names[i + 1]}\\shell\\open\\command")"
done
RC=0
(cd "$app" && timeout 60 "${russian[@]}" ./hollin.exe --check >/dev/null 2>&1) || RC=$?
expect_eq "a check after the restore" 0 "$RC"
echo "wide e2e: all steps passed"
