#!/usr/bin/env bash
# Takes the screenshots in docs/: the main window after a first run, with
# types taken over, the detail panel in each view, the Current view, the
# warning before a restore, the About box, and the quiet check's status
# window.
# Runs hollin.exe in a private Wine prefix on a virtual display, driven by the
# probe from another process. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target hollin hollin_probe
. scripts/wine_env.sh
. tests/e2e/e2e_lib.sh
HOLLIN_PROBE=build/windows/tools/probe/hollin_probe.exe
hollin_wine_up
app="$HOLLIN_WINE_TMP/app"
mkdir -p "$app"
cp build/windows/src/hollin.exe build/windows/src/Hollin.hlp build/windows/src/Hollin.htm "$app/"
trap 'e2e_cleanup; hollin_wine_down' EXIT
M="Hollin Brellmark"
shot() { sleep 1; import -window root "$HOLLIN_WINE_TMP/root.png";  convert "$HOLLIN_WINE_TMP/root.png" -trim +repage -trim +repage "docs/$1"; echo "docs/$1"; }
# Every program of the prefix runs on Wine's own desktop window, which draws
# the window frames; it is filled with one colour, which -trim cuts away.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null
# The desktop is chosen when Wine's session starts: start it anew.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
setsid wineserver -p </dev/null >/dev/null 2>&1
run() { start_bg "$app/hollin.exe" "$@"; }

run
probe wait "$M" 30000
shot main-first-run.png
probe command "$M" 1041  # Help > About Hollin
probe wait "About Hollin" 15000
shot about.png
probe click "About Hollin" OK
probe gone "About Hollin" 15000
probe close "$M"
sleep 1

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
