# Sourced by the scripts that run Windows programs under Wine.
#
# hollin_wine_up [prefix]: a Wine prefix (a private one in a temporary folder
# unless one is named), an Xvfb display of our own in that folder, and a
# persistent wineserver so that each Windows process starts in a fraction of a
# second. hollin_wine_down ends them and removes the temporary folder.
#
# A private prefix is a copy of a booted one, $HOLLIN_WINE_TEMPLATE: booting
# takes ten seconds or more, a copy one or two. hollin_wine_up boots that
# template first when there is none yet and exports it, so that the
# end-to-end tests it runs each copy it into a prefix of their own;
# hollin_wine_down removes it again.
#
# The server and Wine's background services are started detached, with no
# standard streams: the services inherit the streams of the first program of
# a session, and a test runner that waits on such a pipe would wait for ever.

hollin_wine_up() {
  if [ -z "${1:-}" ] && [ ! -d "${HOLLIN_WINE_TEMPLATE:-}" ]; then
    hollin_wine_template
  fi
  HOLLIN_WINE_TMP=$(mktemp -d "${TMPDIR:-/tmp}/hollin-wine.XXXXXX")
  export WINEPREFIX="${1:-$HOLLIN_WINE_TMP/prefix}"
  # Wine's own diagnostics stay on: where Wine ends a program that cannot
  # have its display (exit code 1), this is the one line that says why.
  export WINEDEBUG=-all,err+winediag
  local boot=-i
  if [ -z "${1:-}" ]; then
    cp -a "$HOLLIN_WINE_TEMPLATE" "$WINEPREFIX"
    boot=
  fi
  mkdir -p "$WINEPREFIX"
  if [ "${HOLLIN_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    # A display of our own, so that nothing pops up on the developer's screen
    # and every run sees the same screen. It does not reset when its last
    # client leaves (as Wine's desktop process does a second after the last
    # program of the prefix ends): while an X server resets it refuses
    # connections (measured: 20 to 43 of 300 quick ones), and Wine gives up
    # a program whose display is refused.
    setsid Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset \
      9>"$HOLLIN_WINE_TMP/display" </dev/null >/dev/null 2>&1 &
    HOLLIN_XVFB_PID=$!
    for _ in $(seq 100); do
      [ -s "$HOLLIN_WINE_TMP/display" ] && break
      sleep 0.1
    done
    [ -s "$HOLLIN_WINE_TMP/display" ] ||
      { echo "hollin_wine_up: Xvfb gave no display within 10 s" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$HOLLIN_WINE_TMP/display")"
  fi
  setsid wineserver -p </dev/null >/dev/null 2>&1 ||
    { echo "hollin_wine_up: no wineserver for $WINEPREFIX" >&2; return 1; }
  setsid -w wine wineboot $boot </dev/null >/dev/null 2>&1 ||
    { echo "hollin_wine_up: wineboot failed in $WINEPREFIX" >&2; return 1; }
}

# The booted prefix that hollin_wine_up copies: made once, its server ended
# (which saves its registry), in a temporary folder of its own.
hollin_wine_template() {
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/hollin-template.XXXXXX")
  (
    hollin_wine_up "$dir/prefix"
    hollin_wine_down
  )
  HOLLIN_WINE_TEMPLATE_TMP=$dir
  export HOLLIN_WINE_TEMPLATE=$dir/prefix
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
  if [ -n "${HOLLIN_WINE_TEMPLATE_TMP:-}" ]; then
    rm -rf "$HOLLIN_WINE_TEMPLATE_TMP"
    HOLLIN_WINE_TEMPLATE_TMP=
    unset HOLLIN_WINE_TEMPLATE
  fi
}
