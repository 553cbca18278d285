# Sourced by the scripts that run Windows programs under Wine.
#
# hollin_wine_up [prefix]: a Wine prefix (a private one in a temporary folder
# unless one is named), an Xvfb display of our own in that folder, and a
# persistent wineserver so that each Windows process starts in a fraction of a
# second. hollin_wine_down ends them and removes the temporary folder.
#
# The server and Wine's background services are started detached, with no
# standard streams: the services inherit the streams of the first program of
# a session, and a test runner that waits on such a pipe would wait for ever.

hollin_wine_up() {
  HOLLIN_WINE_TMP=$(mktemp -d "${TMPDIR:-/tmp}/hollin-wine.XXXXXX")
  export WINEPREFIX="${1:-$HOLLIN_WINE_TMP/prefix}"
  export WINEDEBUG=-all
  mkdir -p "$WINEPREFIX"
  if [ "${HOLLIN_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    # A display of our own, so that nothing pops up on the developer's screen
    # and every run sees the same screen.
    setsid Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp \
      9>"$HOLLIN_WINE_TMP/display" </dev/null >/dev/null 2>&1 &
    HOLLIN_XVFB_PID=$!
    for _ in $(seq 100); do
      [ -s "$HOLLIN_WINE_TMP/display" ] && break
      sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$HOLLIN_WINE_TMP/display")"
  fi
  setsid wineserver -p </dev/null >/dev/null 2>&1
  setsid -w wine wineboot -i </dev/null >/dev/null 2>&1
}

hollin_wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "${HOLLIN_XVFB_PID:-}" ]; then
    kill "$HOLLIN_XVFB_PID" >/dev/null 2>&1 || true
    HOLLIN_XVFB_PID=
  fi
  if [ -n "${HOLLIN_WINE_TMP:-}" ]; then
    rm -rf "$HOLLIN_WINE_TMP"
    HOLLIN_WINE_TMP=
  fi
}
