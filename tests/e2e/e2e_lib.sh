# Helpers for the end-to-end test scripts; source this file. The script sets
# HOLLIN_PROBE to the path of hollin_probe.exe. Every helper that fails ends
# the script with a message naming the step, the last command and its output.
#
#   e2e_begin NAME       a Wine prefix, display and server of the script's own
#                        (a copy of a booted prefix, scripts/wine_env.sh), and
#                        the program folder $app (named NAME) in it; all of it
#                        goes at exit, with every program left running, after
#                        e2e_before_exit if the script defines it. What a
#                        script writes into the registry needs no putting back.
#   probe ARGS...        runs the probe; stdout in $OUT; fails unless it exits 0
#   probe_rc ARGS...     the same, but only sets $OUT and $RC
#   expect_rc CODE ARGS...  runs the probe and expects that exit code
#   expect_eq WHAT EXPECTED ACTUAL / expect_contains WHAT NEEDLE TEXT
#   start_bg EXE ARGS... starts a Windows program in the background ($BG_PID)
#   wait_exit PID SECS   waits for it to end; its exit code in $RC
#   run EXE ARGS...      $app/EXE run in $app, at most $E2E_TIMEOUT seconds
#                        (60 unless set); stdout in $OUT, exit code in $RC
#   txt_identifier       .txt's program identifier in the prefix ($txt_was)
#   start_guard / stop_guard  hollin.exe --guard of $app, up with its base
#                        recorded ($guard_pid); ended on request
#   list_rows            the main window's rows: "type<TAB>program [signals]"
#   select_types TYPE... selects those types' rows, the last one clicked

OUT= RC=0 BG_PID=
E2E_CMD= E2E_ERR=
E2E_PIDS=()
M="Hollin Brellmark"  # the main window's title
MC='HKLM\Software\Classes' UC='HKCU\Software\Classes'  # the machine's and the user's classes
SETTINGS='HKLM\SOFTWARE\Nordane\Hollin'

e2e_begin() {
  . "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine_env.sh"
  trap e2e_end EXIT
  hollin_wine_up
  app="$HOLLIN_WINE_TMP/$1"
  mkdir -p "$app"
}
e2e_end() {
  ! declare -F e2e_before_exit >/dev/null || e2e_before_exit || true
  e2e_cleanup
  hollin_wine_down
}

# Each step on standard error with the seconds since the start: a script
# that the test runner ends for taking too long shows where it waited.
step() { echo "[$SECONDS s] $*" >&2; }

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
  step "$E2E_CMD"
  RC=0
  OUT=$(wine "$HOLLIN_PROBE" "$@" 2>"$err") || RC=$?
  E2E_ERR=$(cat "$err")
  # The probe says why whenever it fails. Exit code 1 and not a word is
  # Wine's, not the probe's (Wine's diagnostics, which wine_env.sh keeps on,
  # said nothing either): it is tried once more, said aloud and noted for
  # the end of the test run.
  if [ "$RC" = 1 ] && [ -z "$OUT$E2E_ERR" ]; then
    e2e_retried "$E2E_CMD"
    RC=0
    OUT=$(wine "$HOLLIN_PROBE" "$@" 2>"$err") || RC=$?
    E2E_ERR=$(cat "$err")
  fi
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

# A text as messages show it: a backslash that would begin an escape
# (\n, \r, \t, \xHH, \uHHHH, another backslash) is doubled.
shown_text() {
  printf '%s' "$1" | perl -pe 's/\\(?=[nrt\\]|x[0-9A-Fa-f]{2}|u[0-9A-Fa-f]{4})/\\\\/g'
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

run() {
  local exe=$1
  shift
  E2E_CMD="$exe $*"
  step "$E2E_CMD"
  RC=0
  OUT=$(cd "$app" && timeout "${E2E_TIMEOUT:-60}" wine "./$exe" "$@" 2>"$app/err.txt" | cat; exit "${PIPESTATUS[0]}") || RC=$?
  E2E_ERR=$(cat "$app/err.txt")
  [ "$RC" != 124 ] || fail "$exe $* did not end by itself"
}

txt_identifier() {
  txt_was=$(reg_default 'HKCR\.txt' | sed -n 's/^REG_[A-Z_]* *//p')
  [ -n "$txt_was" ] || fail "the prefix has no program identifier for .txt"
}

start_guard() {
  start_bg "$app/hollin.exe" --guard
  guard_pid=$BG_PID
  for _ in $(seq 100); do [ -f "$app/Prev.isd" ] && break; sleep 0.1; done
  [ -f "$app/Prev.isd" ] || fail "the guard recorded no base"
  probe --hidden wait "Hollin guard" 5000
}
stop_guard() {
  (cd "$app" && timeout 20 wine ./hollin.exe --guard --stop) || fail "--guard --stop failed"
  wait_exit "$guard_pid" 10
}

list_rows() { probe list "$M"; grep '^row' <<<"$OUT" | awk -F'\t' '{ print $4 "\t" $5 ($6 != "" ? " [" $6 "]" : "") }'; }
select_types() {
  probe list "$M"
  local rows=() t r
  for t in "$@"; do
    r=$(awk -F'\t' -v t="$t" '$1 == "row" && $4 == t { print $2 }' <<<"$OUT")
    [ -n "$r" ] || fail "no row for $t in the list"
    rows+=("$r")
  done
  probe select "$M" "${rows[@]}"
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

# The registry through reg.exe: SAID holds what it said. Wine's reg.exe now
# and then ends with exit code 1 and says nothing (about one run in 400 of
# reg export, seen with reg add too): such a run, and only such a one, is
# tried once more, aloud (e2e_retried).
#   add ARGS... / delete ARGS...  reg add (delete) ARGS /f, which must succeed
#   reg_default KEY      the key's default value as reg query shows it
#                        ("REG_SZ    text", "REG_SZ    (value not set)"), or ""
#   export_key KEY FILE  the key and all below it as reg export writes it
SAID=
reg_exe() {
  local rc=0
  step "reg $*"
  SAID=$(timeout 60 wine reg "$@" 2>&1) || rc=$?
  [ "$rc" = 1 ] && [ -z "$SAID" ] || return "$rc"
  e2e_retried "reg $*"
  rc=0
  SAID=$(timeout 60 wine reg "$@" 2>&1) || rc=$?
  return "$rc"
}
# A Wine program that ended with exit code 1 and not a word, run once more:
# said on standard error and, where the test command asks for it
# ($HOLLIN_E2E_RETRIES), noted in that file, which it shows at its end.
e2e_retried() {
  step "$1: exit code 1 and not a word from it or from Wine: run once more"
  [ -z "${HOLLIN_E2E_RETRIES:-}" ] ||
    echo "$(basename "$0") at ${SECONDS} s: $1: exit code 1 and not a word; run once more" >>"$HOLLIN_E2E_RETRIES"
  sleep 0.2
}
add() { reg_exe add "$@" /f || fail "reg add $* (exit code $?): $SAID"; }
delete() { reg_exe delete "$@" /f || fail "reg delete $* (exit code $?): $SAID"; }
reg_default() {
  reg_exe query "$1" /ve || true
  tr -d '\r' <<<"$SAID" | sed -n 's/^ *(Default) *//p'
}
export_key() {
  rm -f "$2"
  reg_exe export "$1" "$(win_path "$2")" /y || fail "reg export $1 to $(win_path "$2") (exit code $?): $SAID"
}
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# The main window's status bar, which must say TEXT.
# The main window's detail panel: its longest text.
panel() { probe controls "$M"; grep -P '^Static\t' <<<"$OUT" | cut -f6- | awk '{ print length, $0 }' | sort -rn | head -n1 | cut -d' ' -f2-; }
# The Details window of the row selected: its text, then it is closed.
details() {
  probe command "$M" 1023
  probe wait "$1" 15000
  probe controls "$1"
  grep -P '^Edit\t' <<<"$OUT" | cut -f6-
  probe close "$1"
  probe gone "$1" 15000 >/dev/null
}
status_is() { probe status "$M"; expect_eq "$1" "icon	1
text	$2" "$OUT"; }

# Programs the script started and left running end with it.
e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap e2e_cleanup EXIT
