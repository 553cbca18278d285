#!/usr/bin/env bash
# Takes the screenshots in docs/, at 96 DPI and again at 144 DPI (the same
# names with "-144dpi"): the main window after a first run, with types
# taken over, the detail panel in each view, the Current view, the warning
# before a restore, the question when the window closes with changes, the
# question of a second copy, the About box, the help in the HTML Help
# viewer and in the help viewer (its contents and a topic), the quiet
# check's status window, the panel of a type whose Explorer's choice
# changed, with its layers, the box of a restore of that choice, the panel
# with the risk signals of a takeover, its Details window and the health
# check, the History view, links taken over in the changes view, a latent
# takeover with its Details window, the guard's notice beside its icon in
# the notification area, a type whose key cannot be read with its Details
# window and the box of its restore ("scripts/screenshots.sh guard",
# "... history", "... links", "... latent" or "... unread" takes that one
# alone), and the boxes that
# only facts Wine cannot make bring up (a restore the registry refused, a
# start as an account that is no user's or as another than the one signed
# in), shown by tools/boxes with those facts made up.
# HOLLIN_SHOT_DPI=96 (or 144) takes one of the two sets alone.
# Runs hollin.exe in a private Wine prefix on a virtual display, driven by the
# probe from another process. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${HOLLIN_SHOT_DPI:-}" ]; then
  scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target hollin_stage hollin_probe hollin_boxes
  # Each set in a Wine prefix of its own.
  HOLLIN_SHOT_DPI=96 HOLLIN_SHOT_BUILT=1 "$0" "$@"
  HOLLIN_SHOT_DPI=144 HOLLIN_SHOT_BUILT=1 exec "$0" "$@"
fi
if [ -z "${HOLLIN_SHOT_BUILT:-}" ]; then
  scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target hollin_stage hollin_probe hollin_boxes
fi
DPI=$HOLLIN_SHOT_DPI
S=""  # the names' suffix
[ "$DPI" = 96 ] || S="-${DPI}dpi"
. scripts/wine_env.sh
. tests/e2e/e2e_lib.sh
HOLLIN_PROBE=build/windows/tools/probe/hollin_probe.exe
hollin_wine_up
app="$HOLLIN_WINE_TMP/app"
mkdir -p "$app"
cp build/windows/stage/* "$app/"
cp build/windows/tools/boxes/hollin_boxes.exe "$app/"
trap 'e2e_cleanup; hollin_wine_down' EXIT
M="Hollin Brellmark"
shot() {
  local name="docs/${1%.png}$S.png"
  probe park
  sleep 1
  import -window root "$HOLLIN_WINE_TMP/root.png"
  convert "$HOLLIN_WINE_TMP/root.png" -trim +repage -trim +repage "$name"
  echo "$name"
}
# Every program of the prefix runs on Wine's own desktop window, which draws
# the window frames; it is filled with one colour, which -trim cuts away.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
# The screen's DPI: every size follows from the twips of the design, the
# fonts from their points.
if [ "$DPI" = 96 ]; then
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null
else
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1000x740 /f >/dev/null
fi
# Wine reports Windows 7 unless told otherwise; the help of Windows 10 and
# later is the one to show.
wine reg add 'HKCU\Software\Wine\AppDefaults\hollin.exe' /v Version /d win10 /f >/dev/null
# The desktop is chosen when Wine's session starts: start it anew, its
# services started detached as hollin_wine_up starts them. The first program
# of a session would otherwise start them holding its standard streams, and
# a run whose output is read (the registry helpers of e2e_lib.sh) would wait
# on them for ever.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
setsid wineserver -p </dev/null >/dev/null 2>&1
setsid -w wine wineboot </dev/null >/dev/null 2>&1
run() { start_bg "$app/hollin.exe" "$@"; }
# The end of a set of shots: the main window closed (its question about the
# changes answered No where the set says "asks"), then each key the set
# wrote deleted.
end_shots() {
  local asks=$1 key
  shift
  probe close "$M"
  [ "$asks" != asks ] || probe answer Brellmark "&No" 15000
  probe gone "$M" 15000
  for key; do delete "$key"; done
}
UA='HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations'
# Waits for a window whose title holds $1 (one no one knows beforehand);
# its title in $TITLE.
wait_titled() {
  TITLE=
  for _ in $(seq 100); do
    probe windows
    TITLE=$(awk -F'\t' -v want="$1" 'index($4, want) { print $4; exit }' <<<"$OUT")
    [ -z "$TITLE" ] || return 0
    sleep 0.2
  done
  fail "no window titled like $1"
}
# One of the boxes tools/boxes shows with made-up facts.
box_shot() {
  start_bg "$app/hollin_boxes.exe" "$1"
  probe wait "$2" 15000
  shot "$1.png"
  probe answer "$2" OK 15000
  probe gone "$2" 15000
}

# The guard: three types taken over at once give one notice, at the corner
# of the screen where the notification area shows the guard's icon.
guard_shots() {
  local g="$HOLLIN_WINE_TMP/guard"
  mkdir -p "$g"
  cp build/windows/stage/hollin.exe "$g/"
  wine reg add 'HKCR\HollinShot.Grab\shell\open\command' /ve /d '"C:\Program Files\Grab\Grab.exe" "%1"' /f >/dev/null
  for t in .pdf .rtf; do wine reg add "HKCR\\$t" /ve /d txtfile /f >/dev/null; done
  start_bg "$g/hollin.exe" --guard
  for _ in $(seq 100); do [ -f "$g/Prev.isd" ] && break; sleep 0.1; done
  probe --hidden wait "Hollin guard" 15000
  sleep 1
  wine regedit /s "$(winepath -w "$PWD/scripts/screenshots-guard.reg")"
  probe wait Hollin 15000
  shot guard-notice.png
  (cd "$g" && wine ./hollin.exe --guard --stop)
  for t in .pdf .rtf; do wine reg delete "HKCR\\$t" /f >/dev/null; done
  wine reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null
}
# Links: http taken over in the user classes, mailto by Explorer's choice;
# the changes view lists them after the file types, the panel of http.
links_shots() {
  local l="$HOLLIN_WINE_TMP/links"
  mkdir -p "$l"
  cp build/windows/stage/hollin.exe "$l/"
  start_bg "$l/hollin.exe"
  probe wait "$M" 30000
  probe close "$M"
  probe gone "$M" 15000
  sleep 1
  wine reg add 'HKCU\Software\Classes\http' /v 'URL Protocol' /d '' /f >/dev/null
  wine reg add 'HKCU\Software\Classes\http\shell\open\command' /ve /d '"C:\Program Files\Grab\Grab.exe" -url "%1"' /f >/dev/null
  wine reg add 'HKCU\Software\Classes\Grab.Mail\shell\open\command' /ve /d '"C:\Program Files\Grab\GrabMail.exe" "%1"' /f >/dev/null
  wine reg add 'HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\mailto\UserChoice' /v ProgId /d Grab.Mail /f >/dev/null
  wine reg add 'HKCR\.rtf' /ve /d Grab.Doc /f >/dev/null
  wine reg add 'HKCR\Grab.Doc\shell\open\command' /ve /d '"C:\Program Files\Grab\Grab.exe" "%1"' /f >/dev/null
  start_bg "$l/hollin.exe"
  probe wait "$M" 30000
  probe list "$M"
  probe select "$M" "$(awk -F'\t' '$1 == "row" && $4 == "http:" { print $2 }' <<<"$OUT")"
  shot links-changed.png
  end_shots asks 'HKCU\Software\Classes\http' 'HKCU\Software\Classes\Grab.Mail' "$UA\\mailto\\UserChoice" \
    'HKCR\.rtf' 'HKCR\Grab.Doc'
}
if [ "${1:-}" == links ]; then
  links_shots
  exit 0
fi
# A latent takeover: mailto is Explorer's choice of a program of its own;
# then another program writes mailto's command in the user classes, which
# decide nothing while the choice stands. The list marks it latent, the
# status counts it apart, the panel and the Details window name the layer.
latent_shots() {
  local l="$HOLLIN_WINE_TMP/latent"
  mkdir -p "$l"
  cp build/windows/stage/hollin.exe "$l/"
  wine reg add 'HKCU\Software\Classes\Mail.Own\shell\open\command' /ve /d '"C:\Program Files\Mail\mail.exe" "%1"' /f >/dev/null
  wine reg add 'HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\mailto\UserChoice' /v ProgId /d Mail.Own /f >/dev/null
  (cd "$l" && wine ./hollin.exe --check >/dev/null 2>&1) || true
  wine reg add 'HKCU\Software\Classes\mailto\shell\open\command' /ve /d '"C:\Program Files\Grab\GrabMail.exe" "%1"' /f >/dev/null
  start_bg "$l/hollin.exe"
  probe wait "$M" 30000
  probe list "$M"
  probe select "$M" "$(awk -F'\t' '$1 == "row" && $4 == "mailto:" { print $2 }' <<<"$OUT")"
  shot latent.png
  probe command "$M" 1023  # Action > Details...
  probe wait "Details of link mailto: - Hollin" 15000
  shot details-latent.png
  probe close "Details of link mailto: - Hollin"
  probe gone "Details of link mailto: - Hollin" 15000
  end_shots - 'HKCU\Software\Classes\mailto' 'HKCU\Software\Classes\Mail.Own' "$UA\\mailto\\UserChoice"
}
if [ "${1:-}" == latent ]; then
  latent_shots
  exit 0
fi
# A type whose key the user may not read (its access list refuses reading):
# its row and panel, its Details window, the box of a restore that writes
# nothing over it, and the guard's notice.
unread_shots() {
  local u="$HOLLIN_WINE_TMP/unread"
  mkdir -p "$u"
  cp build/windows/stage/hollin.exe "$u/"
  wine reg add 'HKCU\Software\Classes\.tlock' /ve /d Grab.Lock /f >/dev/null
  wine reg add 'HKCU\Software\Classes\Grab.Lock\shell\open\command' /ve /d '"C:\Program Files\Grab\Grab.exe" "%1"' /f >/dev/null
  (cd "$u" && wine ./hollin.exe --check >/dev/null 2>&1) || true
  probe keyacl 'HKCU\Software\Classes\.tlock' 'D:(D;;KR;;;WD)(A;;KA;;;WD)'
  start_bg "$u/hollin.exe"
  probe wait "$M" 30000
  probe list "$M"
  probe select "$M" "$(awk -F'\t' '$1 == "row" && $4 == ".tlock" { print $2 }' <<<"$OUT")"
  shot unread.png
  probe command "$M" 1023  # Action > Details...
  wait_titled "Details of"
  shot details-unread.png
  probe close "$TITLE"
  probe gone "$TITLE" 15000
  probe key "$M" ctrl+W  # no warning before the restore
  probe click "$M" "&Restore Base"
  probe wait Brellmark 15000
  shot restore-unread.png
  probe answer Brellmark OK 15000
  probe key "$M" ctrl+W  # the warning as it was
  probe close "$M"
  probe answer Brellmark "&No" 15000
  probe gone "$M" 15000
  # The guard's notice of it.
  start_bg "$u/hollin.exe" --guard
  probe --hidden wait "Hollin guard" 15000
  probe wait Hollin 15000
  shot guard-unread.png
  (cd "$u" && wine ./hollin.exe --guard --stop)
  probe keyacl 'HKCU\Software\Classes\.tlock' 'D:(A;;KA;;;WD)'
  for key in 'HKCU\Software\Classes\.tlock' 'HKCU\Software\Classes\Grab.Lock'; do delete "$key"; done
}
if [ "${1:-}" == unread ]; then
  unread_shots
  exit 0
fi
# The History view after three accepts, the oldest base selected
# ("scripts/screenshots.sh history" takes that one alone).
history_shots() {
  local h="$HOLLIN_WINE_TMP/history" t
  mkdir -p "$h"
  cp build/windows/stage/hollin.exe "$h/"
  wine reg add 'HKCR\HollinShot.Grab\shell\open\command' /ve /d '"C:\Program Files\Grab\Grab.exe" "%1"' /f >/dev/null
  (cd "$h" && wine ./hollin.exe --check >/dev/null 2>&1) || true
  for t in .txt .pdf .rtf; do
    wine reg add "HKCR\\$t" /ve /d HollinShot.Grab /f >/dev/null
    (cd "$h" && wine ./hollin.exe --accept >/dev/null 2>&1) || true
  done
  start_bg "$h/hollin.exe"
  probe wait "$M" 30000
  probe command "$M" 1014  # View > History
  sleep 1
  probe select "$M" 2
  shot history.png
  end_shots - 'HKCR\.pdf' 'HKCR\.rtf'
  wine reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null
}
if [ "${1:-}" != history ]; then
  guard_shots
  [ "${1:-}" != guard ] || exit 0
fi
history_shots
[ "${1:-}" != history ] || exit 0
links_shots
latent_shots
unread_shots

run
probe wait "$M" 30000
shot main-first-run.png
probe command "$M" 1041  # Help > About Hollin
probe wait "About Hollin" 15000
shot about.png
probe click "About Hollin" OK
probe gone "About Hollin" 15000
probe command "$M" 1040  # Help > Help Topics: Hollin.chm (Wine told to report Windows 10)
probe wait "Hollin Help" 20000
shot help-chm.png
probe close "Hollin Help"
probe gone "Hollin Help" 15000
# A second copy asks first.
run
probe wait Brellmark 15000
shot second-copy.png
probe answer Brellmark "&No" 15000
probe gone Brellmark 15000
probe close "$M"
sleep 1

# The help file in the help viewer of earlier Windows: its contents, and a
# topic as F1 on a menu item opens it (winhlp32 -i N).
hlp=$(winepath -w "$app/Hollin.hlp")
start_bg winhlp32 "$hlp"
wait_titled "Hollin"
shot help-contents.png
probe close "$TITLE"
probe gone "$TITLE" 15000
start_bg winhlp32 -i 3 "$hlp"
wait_titled "Hollin"
shot help-topic.png
probe close "$TITLE"
probe gone "$TITLE" 15000

# The boxes of facts that Wine cannot make.
box_shot restore-refused Brellmark
box_shot restore-refused-own Brellmark
box_shot account-refused Brellmark
box_shot account-other Brellmark

wine reg add 'HKCR\Grabber.Document\shell\open\command' /ve /d '"C:\Program Files\Grabber\grabber.exe" "%1"' /f >/dev/null
txt_was=$(wine reg query 'HKCR\.txt' /ve | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*[[:space:]]*//p')
wine reg add 'HKCR\.txt' /ve /d Grabber.Document /f >/dev/null
wine reg add 'HKCR\.ini' /ve /d Grabber.Document /f >/dev/null
run
probe wait "$M" 30000
shot main-changes.png
probe select "$M" 1
shot panel-changes.png
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
shot warning.png
probe click Brellmark "&Cancel"
probe gone Brellmark 15000
probe click "$M" "C&urrent Settings"
shot main-current.png
probe char "$M" txt
shot panel-current.png
probe click "$M" "&Base Settings"
sleep 2  # a new type-ahead search
probe char "$M" ini
shot panel-base.png
probe close "$M"
probe wait Brellmark 15000
shot close-question.png
probe answer Brellmark "&No" 15000
sleep 1

wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null
wine reg add 'HKCR\.ini' /ve /d inifile /f >/dev/null
run -h
probe wait Brellmark 30000
for _ in $(seq 50); do
  probe controls Brellmark
  [[ "$OUT" == *'OK!'* ]] && break
  sleep 0.1
done
shot status-window.png
probe gone Brellmark 30000

# The layers of a type: the machine classes name one program, Explorer's
# choice a packaged app (with an identifier as long as the system makes
# them); then another program takes the choice over. A base of its own, in
# another folder.
layers="$HOLLIN_WINE_TMP/layers"
mkdir -p "$layers"
cp build/windows/stage/hollin.exe "$layers/"
MC='HKLM\Software\Classes' UC='HKCU\Software\Classes'
FX='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts'
appx=AppXq4m8v2d7xkz1r9wtn3hcy6pjbe0s5gfa
wine reg add "$MC\\.pdf" /ve /d Folio.Document /f >/dev/null
wine reg add "$MC\\Folio.Document\\shell\\open\\command" /ve /d '"C:\Program Files\Folio\folio.exe" "%1"' /f >/dev/null
wine reg add "$UC\\$appx\\Application" /v ApplicationName \
  /d '@{Vendor.Reader_2.4.1.0_x64__8v2d7xkz1r9wt?ms-resource://Vendor.Reader/Resources/AppName}' /f >/dev/null
wine reg add "$UC\\$appx\\Application" /v AppUserModelID /d 'Vendor.Reader_8v2d7xkz1r9wt!App' /f >/dev/null
wine reg add "$UC\\$appx\\Shell\\open" /v DelegateExecute /d '{4ED3A719-CEA8-4BD9-910D-E252F997AFC2}' /f >/dev/null
wine reg add "$FX\\.pdf\\UserChoice" /v ProgId /d "$appx" /f >/dev/null
start_bg "$layers/hollin.exe"
probe wait "$M" 30000
probe close "$M"
probe gone "$M" 15000
sleep 1
wine reg add "$FX\\.pdf\\UserChoice" /v ProgId /d Grabber.Document /f >/dev/null
start_bg "$layers/hollin.exe"
probe wait "$M" 30000
probe select "$M" 0
shot panel-layers.png
probe close "$M"
probe answer Brellmark "&No" 15000
probe gone "$M" 15000  # or the next start is a second copy, which asks first

# A restore of the type whose Explorer's choice changed: nothing is written
# there; Windows' Default apps page is asked for (Wine has none) and one box
# says which program the base recorded and what to do.
start_bg "$layers/hollin.exe"
probe wait "$M" 30000
probe key "$M" ctrl+W  # no warning before the restore
probe select "$M" 0
probe click "$M" "&Restore Base"
probe wait Brellmark 15000
shot restore-choice.png
probe answer Brellmark OK
probe gone Brellmark 15000
probe close "$M"
probe answer Brellmark "&No" 15000
probe gone "$M" 15000

# The risk signals of takeovers: .txt opened by an unsigned program in
# %TEMP%, .ini by an unquoted path with blanks; the panel of the first, and
# the health check.
temp_u=$(wine winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')" | tr -d '\r')
drive_c=$(wine winepath -u 'C:\' | tr -d '\r')
mkdir -p "$temp_u/Grab" "$drive_c/Program Files/Grab Tools"
cp "$HOLLIN_PROBE" "$temp_u/Grab/grab.exe"
cp "$HOLLIN_PROBE" "$drive_c/Program Files/Grab Tools/grabtool.exe"
wine reg add 'HKCR\Grab.Temp\shell\open\command' /ve /t REG_EXPAND_SZ /d '"%TEMP%\Grab\grab.exe" "%1"' /f >/dev/null
wine reg add 'HKCR\Grab.Tools\shell\open\command' /ve /d 'C:\Program Files\Grab Tools\grabtool.exe %1' /f >/dev/null
wine reg add 'HKCR\.txt' /ve /d Grab.Temp /f >/dev/null
wine reg add 'HKCR\.ini' /ve /d Grab.Tools /f >/dev/null
start_bg "$layers/hollin.exe"
probe wait "$M" 30000
probe list "$M"
probe select "$M" "$(awk -F'\t' '$1 == "row" && $4 == ".txt" { print $2 }' <<<"$OUT")"
shot panel-risk.png
probe command "$M" 1023  # Action > Details...
probe wait "Details of file type .txt - Hollin" 15000
shot details.png
probe close "Details of file type .txt - Hollin"
probe gone "Details of file type .txt - Hollin" 15000
probe command "$M" 1013  # View > Health Check
sleep 2
shot main-health.png
probe close "$M"
probe answer Brellmark "&No" 15000
probe gone "$M" 15000
wine reg add 'HKCR\.txt' /ve /d "$txt_was" /f >/dev/null
wine reg add 'HKCR\.ini' /ve /d inifile /f >/dev/null

