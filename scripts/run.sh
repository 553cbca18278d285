#!/usr/bin/env bash
# Builds hollin.exe and starts it under Wine in a prefix of the project's own
# (.wine-run/ in the checkout), so that the base file and the settings it
# writes survive from one run to the next. Installs what is missing first.
# Arguments are passed to the program (for example -h for a quiet check).
# With a display the program shows on it; without one it runs on a virtual
# display, and a screenshot of its window after the first check is saved to
# build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target hollin_stage hollin_probe

mkdir -p .wine-run/app
# The program keeps its base file beside itself: it runs from its own folder.
cp build/windows/stage/* .wine-run/app/

. scripts/wine_env.sh
trap hollin_wine_down EXIT
HOLLIN_USE_DISPLAY=1 hollin_wine_up "$PWD/.wine-run/prefix"

if [ -z "${HOLLIN_XVFB_PID:-}" ]; then
  wine .wine-run/app/hollin.exe "$@" </dev/null
  exit
fi

echo "No display: running on a virtual one; a screenshot follows."
. tests/e2e/e2e_lib.sh
HOLLIN_PROBE=build/windows/tools/probe/hollin_probe.exe
# Wine's own desktop window draws the window frames, for this run only.
desktop='HKCU\Software\Wine\Explorer'
wine reg add "$desktop" /v Desktop /d Default /f >/dev/null
wine reg add "$desktop\\Desktops" /v Default /d 1024x768 /f >/dev/null
# The desktop is chosen when Wine's session starts: start it anew.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
setsid wineserver -p </dev/null >/dev/null 2>&1
trap 'wine reg delete "$desktop" /v Desktop /f >/dev/null 2>&1; e2e_cleanup; hollin_wine_down' EXIT
start_bg .wine-run/app/hollin.exe "$@"
title="Hollin Brellmark"
case " $* " in *" -h "*|*" -H "*) title=Brellmark ;; esac
probe wait "$title" 60000
# The first check has ended when the status text says how it ended.
for _ in $(seq 300); do
  probe_rc status "$title"
  [[ "$OUT" == *"found."* || "$OUT" == *"details."* || "$OUT" == *"created."* || "$RC" != 0 ]] && break
  sleep 0.1
done
sleep 0.5
import -window root build/screenshot.png
convert build/screenshot.png -trim +repage -trim +repage build/screenshot.png
echo "Screenshot saved: build/screenshot.png"
