#!/usr/bin/env bash
# Builds hollin.exe and starts it under Wine in a prefix of the project's own
# (.wine-run/ in the checkout), so that the base file and the settings it
# writes survive from one run to the next. Installs what is missing first.
# Arguments are passed to the program (for example -h for a quiet check).
# With a display the program shows on it; without one it runs on a virtual
# display and a screenshot is saved to build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target hollin

mkdir -p .wine-run/app
# The program keeps its base file beside itself: it runs from its own folder.
cp build/windows/src/hollin.exe .wine-run/app/hollin.exe

. scripts/wine_env.sh
trap hollin_wine_down EXIT
HOLLIN_USE_DISPLAY=1 hollin_wine_up "$PWD/.wine-run/prefix"

if [ -n "${HOLLIN_XVFB_PID:-}" ]; then
  echo "No display: running on a virtual one; a screenshot follows."
  # Wine's own desktop window draws the window frames (there is no window
  # manager on the virtual display).
  wine explorer /desktop=Hollin,1024x768 .wine-run/app/hollin.exe "$@" </dev/null &
  app=$!
  sleep "${HOLLIN_SHOT_DELAY:-6}"
  import -window root build/screenshot.png
  echo "Screenshot saved: build/screenshot.png"
  kill "$app" 2>/dev/null || true
else
  wine .wine-run/app/hollin.exe "$@" </dev/null
fi
