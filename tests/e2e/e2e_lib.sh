# Helpers for the end-to-end test scripts; source this file. The script sets
# HOLLIN_PROBE to the path of hollin_probe.exe; the Wine prefix and display
# are the caller's (scripts/wine_env.sh). Every helper that fails ends the
# script with a message naming the step, the last command and its output.
#
#   probe ARGS...        runs the probe; stdout in $OUT; fails unless it exits 0
#   probe_rc ARGS...     the same, but only sets $OUT and $RC
#   expect_rc CODE ARGS...  runs the probe and expects that exit code
#   expect_eq WHAT EXPECTED ACTUAL / expect_contains WHAT NEEDLE TEXT
#   start_bg EXE ARGS... starts a Windows program in the background ($BG_PID)
#   wait_exit PID SECS   waits for it to end; its exit code in $RC

OUT= RC=0 BG_PID=
E2E_CMD= E2E_ERR=
E2E_PIDS=()

fail() {
  {
    echo "FAIL: $1"
    if [ -n "$E2E_CMD" ]; then
      echo "  last command: $E2E_CMD (exit code $RC)"
      printf '%s\n' "$OUT" | sed 's/^/  | /'
      [ -z "$E2E_ERR" ] || printf '%s\n' "$E2E_ERR" | sed 's/^/  stderr| /'
    fi
  } >&2
  exit 1
}

probe_rc() {
  local err
  err=$(mktemp)
  E2E_CMD="probe $*"
  RC=0
  OUT=$(wine "$HOLLIN_PROBE" "$@" 2>"$err") || RC=$?
  E2E_ERR=$(cat "$err")
  rm -f "$err"
}

probe() {
  probe_rc "$@"
  [ "$RC" = 0 ] || fail "probe $1 did not succeed"
}

expect_rc() {
  local want=$1
  shift
  probe_rc "$@"
  expect_eq "exit code of probe $*" "$want" "$RC"
}

expect_eq() {
  [ "$3" == "$2" ] || fail "$1: expected
$(printf '%s\n' "$2" | sed 's/^/  > /')
got
$(printf '%s\n' "$3" | sed 's/^/  < /')"
}

expect_contains() {
  [[ "$3" == *"$2"* ]] || fail "$1: no \"$2\" in
$(printf '%s\n' "$3" | sed 's/^/  < /')"
}

start_bg() {
  wine "$@" </dev/null >/dev/null 2>&1 &
  BG_PID=$!
  E2E_PIDS+=("$BG_PID")
}

wait_exit() {
  local pid=$1 tenths=$(($2 * 10))
  while kill -0 "$pid" 2>/dev/null; do
    ((tenths-- > 0)) || fail "process $pid still running after $2 s"
    sleep 0.1
  done
  RC=0
  wait "$pid" || RC=$?
}

# Text outside ASCII goes in and out through UTF-16 .reg files, whatever the
# locale of the shell: in with the registry editor, out with reg export (in
# the script's folder $app).
#   import_reg TEXT      imports the UTF-8 lines of TEXT (after the header)
#   exported_value KEY [NAME]  a value's text as reg export writes it (escaped,
#                        quoted); the default value without NAME
win_path() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
import_reg() {
  { printf '\xFF\xFE'; printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n' "$1" | iconv -f UTF-8 -t UTF-16LE; } >"$app/in.reg"
  wine regedit /s "$(win_path "$app/in.reg")" >/dev/null 2>&1
}
exported_value() {
  local name='@'
  [ $# -lt 2 ] || name="\"$2\""
  rm -f "$app/out.reg"
  wine reg export "$1" "$(win_path "$app/out.reg")" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$app/out.reg" | tr -d '\r' | awk -v n="$name=" 'index($0, n) == 1 { print substr($0, length(n) + 1); exit }'
}
exported_default() { exported_value "$1"; }

# Programs the script started and left running end with it.
e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap e2e_cleanup EXIT
