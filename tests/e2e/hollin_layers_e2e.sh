#!/usr/bin/env bash
# The real hollin.exe against the layers behind a type, set with reg.exe in
# each of them for types of our own: the machine classes, the user classes
# over them, Explorer's choice (UserChoice) of a packaged app and of an
# Applications entry with its own command, and the newer UserChoiceLatest
# over UserChoice. The first run records the base; then the types are taken
# over in different layers, and the next start must list exactly those whose
# opener changed, by the name of the program that now opens them, and show
# the layers in the detail panel. Restoring writes the user classes back and
# leaves Explorer's choice byte for byte as it was; for a changed choice the
# user is sent to Windows' Default apps page, with one box (Wine has no
# Settings: the box alone says where to choose).
# It runs in a Wine prefix of its own. Usage: hollin_layers_e2e.sh
# HOLLIN_PROBE_EXE HOLLIN_EXE.
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
HOLLIN_PROBE=$1
started=$(date +%s%N)
e2e_begin hollin-layers
cp "$2" "$app/hollin.exe"

FX='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts'
add "$SETTINGS" /v Warn /d 1

# The rows of our own types in the list shown, and of the whole list, sorted.
our_rows() { list_rows | grep '^\.hollinlay' | sort; }
all_rows() { list_rows | sort; }
# The text of the detail panel (the label with the most text).
wait_status() {  # TEXT: within 10 s
  for _ in $(seq 100); do
    probe status "$M"
    [ "$OUT" == "icon	1
text	$1" ] && return
    sleep 0.1
  done
  status_is "the status within 10 s" "$1"
}

# The layers, by type:
#   .hollinlay1  the machine classes decide
#   .hollinlay2  the user classes over the machine classes
#   .hollinlay3  Explorer's choice: a packaged app (no command; named by its
#                package, which Wine cannot resolve)
#   .hollinlay4  Explorer's choice: an Applications entry with its own command
#   .hollinlay5  the user classes, with a command of their own, over the
#                machine classes
#   .hollinlay6  UserChoiceLatest over UserChoice
add "$MC\\.hollinlay1" /ve /d HollinLay.One
add "$MC\\HollinLay.One\\shell\\open\\command" /ve /d '"C:\Lay\one.exe" "%1"'
add "$MC\\.hollinlay2" /ve /d HollinLay.M2
add "$MC\\HollinLay.M2\\shell\\open\\command" /ve /d '"C:\Lay\mtwo.exe" "%1"'
add "$UC\\.hollinlay2" /ve /d HollinLay.U2
add "$UC\\HollinLay.U2\\shell\\open\\command" /ve /d '"C:\Lay\utwo.exe" "%1"'
add "$MC\\.hollinlay3" /ve /d HollinLay.M3
add "$MC\\HollinLay.M3\\shell\\open\\command" /ve /d '"C:\Lay\mthree.exe" "%1"'
add "$UC\\AppXhollinlay3\\Application" /v ApplicationName \
  /d '@{Vendor.App_1.0.0.0_x64__abc?ms-resource://Vendor.App/Resources/Name}'
add "$UC\\AppXhollinlay3\\Application" /v AppUserModelID /d 'Vendor.App_abc!App'
add "$UC\\AppXhollinlay3\\Shell\\open" /v DelegateExecute /d '{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}'
add "$FX\\.hollinlay3\\UserChoice" /v ProgId /d AppXhollinlay3
add "$FX\\.hollinlay3\\UserChoice" /v Hash /d 'q0P3cHollinLay3='
add "$MC\\.hollinlay4" /ve /d HollinLay.M4
add "$MC\\HollinLay.M4\\shell\\open\\command" /ve /d '"C:\Lay\mfour.exe" "%1"'
add "$UC\\Applications\\layfour.exe\\shell\\open\\command" /ve /d '"C:\Lay\layfour.exe" "%1"'
add "$FX\\.hollinlay4\\UserChoice" /v ProgId /d 'Applications\layfour.exe'
add "$FX\\.hollinlay4\\UserChoice" /v Hash /d 'q0P3cHollinLay4='
add "$MC\\.hollinlay5" /ve /d HollinLay.M5
add "$MC\\HollinLay.M5\\shell\\open\\command" /ve /d '"C:\Lay\mfive.exe" "%1"'
add "$UC\\.hollinlay5" /ve /d HollinLay.U5
add "$UC\\HollinLay.U5\\shell\\open\\command" /ve /d '"C:\Lay\ufive.exe" "%1"'
add "$MC\\.hollinlay6" /ve /d HollinLay.M6
add "$MC\\HollinLay.M6\\shell\\open\\command" /ve /d '"C:\Lay\msix.exe" "%1"'
add "$UC\\Applications\\laysix.exe\\shell\\open\\command" /ve /d '"C:\Lay\laysix.exe" "%1"'
add "$FX\\.hollinlay6\\UserChoiceLatest" /v ProgId /d 'Applications\laysix.exe'
add "$FX\\.hollinlay6\\UserChoice" /v ProgId /d 'Applications\laysix.exe'

# 1. First run: the base is recorded; each type is shown by the program its
# deciding layer names.
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
probe click "$M" "C&urrent Settings"
expect_eq "what opens each type, by its deciding layer" ".hollinlay1	one
.hollinlay2	utwo
.hollinlay3	Vendor.App
.hollinlay4	layfour
.hollinlay5	ufive
.hollinlay6	laysix" "$(our_rows)"
probe close "$M"
wait_exit "$pid" 20
expect_eq "exit code after the first run" 0 "$RC"

# 2. Taken over, each in another layer:
#   .hollinlay1  a user-classes identifier over the machine classes (Wine's
#                class root does not show it)
#   .hollinlay2  the user-classes identifier changed
#   .hollinlay3  Explorer's choice changed to another identifier
#   .hollinlay4  the command of the Applications entry Explorer's choice names
# and changed where it does not decide what opens the type:
#   .hollinlay6  the older UserChoice (UserChoiceLatest decides)
add "$UC\\.hollinlay1" /ve /d HollinLay.Grab1
add "$UC\\HollinLay.Grab1\\shell\\open\\command" /ve /d '"C:\Grab\grabone.exe" "%1"'
add "$UC\\HollinLay.Grab2\\shell\\open\\command" /ve /d '"C:\Grab\grabtwo.exe" "%1"'
add "$UC\\.hollinlay2" /ve /d HollinLay.Grab2
add "$UC\\HollinLay.Grab3\\shell\\open\\command" /ve /d '"C:\Grab\grabthree.exe" "%1"'
add "$FX\\.hollinlay3\\UserChoice" /v ProgId /d HollinLay.Grab3
add "$UC\\Applications\\layfour.exe\\shell\\open\\command" /ve /d '"C:\Grab\grabfour.exe" "%1"'
add "$FX\\.hollinlay6\\UserChoice" /v ProgId /d HollinLay.Grab3
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
winpid=$(cut -f4 <<<"$OUT")  # the program's own process id, as Windows numbers it
# (None of the programs exists: each is marked missing.)
expect_eq "exactly the types whose opener changed, by the program that now opens them" ".hollinlay1	grabone [missing]
.hollinlay2	grabtwo [missing]
.hollinlay3	grabthree [missing]
.hollinlay4	grabfour [missing]" "$(all_rows)"

# The detail panel names the program and the deciding layer, now and before,
# with every layer's identifier.
select_types .hollinlay3
text=$(panel)
expect_contains "the panel's facts after its own text" "\\r\\n\\r\\nRUNS: " "$text"
expect_contains "the panel of a changed choice" "NOW: grabthree (Explorer's choice)" "$text"
text=$(details "Details of file type .hollinlay3 - Hollin")
expect_contains "the Details window: every layer now and before" \
  "Layers now: choice HollinLay.Grab3, user -, machine HollinLay.M3\\r\\nLayers in the base: choice AppXhollinlay3, user -, machine HollinLay.M3" "$text"
expect_contains "what the system runs" "\\r\\nWindows runs: " "$text"
select_types .hollinlay2
text=$(panel)
expect_contains "the panel of a changed user classes' identifier" "NOW: grabtwo (user classes)" "$text"
expect_contains "the Details window: the user classes now and before" \
  "Layers now: choice -, user HollinLay.Grab2, machine HollinLay.M2\\r\\nLayers in the base: choice -, user HollinLay.U2, machine HollinLay.M2" \
  "$(details "Details of file type .hollinlay2 - Hollin")"

# 3. With the warning switched off (Ctrl+W), .hollinlay1 and .hollinlay2
# are restored in the user classes; Explorer's choice stays as it is, byte
# for byte, and no key is made for it.
export_key "$FX" "$app/choice-before.reg"
choice_unchanged() {  # WHAT
  export_key "$FX" "$app/choice-after.reg"
  cmp -s "$app/choice-before.reg" "$app/choice-after.reg" ||
    fail "Explorer's choice changed by $1:
$(diff <(iconv -f UTF-16 -t UTF-8 "$app/choice-before.reg") <(iconv -f UTF-16 -t UTF-8 "$app/choice-after.reg"))"
}
probe key "$M" ctrl+W
select_types .hollinlay1 .hollinlay2
probe click "$M" "&Restore Base"
for _ in $(seq 100); do
  probe status "$M"
  [[ "$OUT" == *restored* ]] && break
  sleep 0.1
done
choice_unchanged "a restore of the user classes"
expect_eq "the user classes' identifier written back" "REG_SZ    HollinLay.U2" "$(reg_default "$UC\\.hollinlay2")"
expect_eq "a user classes' identifier the base did not have is gone" "REG_SZ    (value not set)" \
  "$(reg_default "$UC\\.hollinlay1")"
status_is "after the restore" "Base settings restored. 2 CHANGED item(s) - select from list to view details."

# 4. Restoring the type whose choice changed writes nothing there: Windows'
# Default apps page is asked for, and one box names the type with the
# program the base recorded and says what to do; no other window comes up
# (no chooser). Wine has no Settings: the page is not there to open, and the
# box says where to choose on Windows.
probe windows
windows_before=$OUT
select_types .hollinlay3
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
probe msgbox Brellmark
box=$OUT
expect_contains "the box names the type and the recorded program" '.hollinlay3: Vendor.App' "$box"
if [[ "$box" == *"Default apps page of the recorded program opens now"* ]]; then
  echo "Windows' Default apps page opened"
else
  expect_contains "the box says the page is not there and what to do" "Windows' Default apps page is not there to open (error " "$box"
  expect_contains "the box says what to do in Settings" \
    "In Settings > Apps > Default apps, choose the program named beside each type listed. Refresh (F5) then shows whether it took." "$box"
  [[ "$box" != *"could not be opened"* ]] || fail "the box calls the page unopenable: $box"
fi
said=$(grep -P '^text\t' <<<"$box")
echo "the restore's box ends: ${said##*\\r\\n}"
probe windows
new=$(grep -v -x -F -f <(printf '%s\n' "$windows_before") <<<"$OUT" | grep -v -P '\tBrellmark$' || true)
[ -z "$new" ] || fail "a window besides the box came up (a chooser?):
$new"
probe answer Brellmark OK
probe gone Brellmark 15000
# No second box follows (under Wine one takes a second or two to come up).
for _ in $(seq 6); do
  sleep 1
  probe_rc msgbox Brellmark
  [ "$RC" != 0 ] || fail "a second box came up: $OUT"
done
choice_unchanged "a restore of a type whose choice changed"
wait_status "Not all BASE settings were restored. 2 CHANGED item(s) - select from list to view details."

probe close "$M"
probe answer Brellmark "&No" 15000
wait_exit "$pid" 20
expect_eq "exit code after the restores" 0 "$RC"

# 5. The classes' command of an identifier that does not decide what opens
# the type changes; the list names the program that still opens the type:
#   .hollinlay5  the machine classes' command (the user classes decide, with
#                a command of their own): not listed, as on Windows, where
#                the class root merges the user classes over the machine
#                classes and its command does not change (the scan merges
#                the layers itself, so Wine shows the same)
#   .hollinlay6  the machine classes' command (Explorer's choice decides):
#                latent, the classes under the choice
add "$MC\\HollinLay.M5\\shell\\open\\command" /ve /d '"C:\Grab\grabfive.exe" "%1"'
add "$MC\\HollinLay.M6\\shell\\open\\command" /ve /d '"C:\Grab\grabsix.exe" "%1"'
start_bg "$app/hollin.exe"
pid=$BG_PID
probe wait "$M" 30000
expect_eq "a change of the class root's command is listed, by what still opens the type" ".hollinlay3	grabthree [missing]
.hollinlay4	grabfour [missing]
.hollinlay6	laysix [latent missing]" "$(all_rows)"
probe close "$M"
probe answer Brellmark "&No" 15000
wait_exit "$pid" 20
expect_eq "exit code after the last start" 0 "$RC"
echo "layers e2e: all steps passed in $(( ($(date +%s%N) - started) / 1000000 )) ms"
