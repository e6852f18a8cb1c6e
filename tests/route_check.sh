#!/usr/bin/env bash
# The route job (-R) with the stand-in router, through the program as users run it: each way the
# router is found, its progress, each way it can end (routed, connections left open, a session
# but no exit, a hang past the time limit, no session, a broken one, no start, too old a Java),
# the exit status and the summary of each, an interrupted route, and boards in folders whose
# names a shell would act on. No case may leave a process of the router running, a temporary
# folder or a temporary file behind, or the board changed.
#
# Arguments: the program (or the script that starts it under an emulator), the stand-in router,
# the examples folder (the board and the session the stand-in hands back); for a Windows program
# also `windows` and the emulator.
set -u
set -m  # background runs get the signals a terminal would send, not SIGINT ignored
exe=$(realpath "$1")
stand_in=$(realpath "$2")
examples=$(realpath "$3")
system=${4:-posix}
emulator=("${@:5}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset TARNWICK_ROUTER JAVA_HOME

failed=0
fail() {
  echo "$current: $*"
  failed=1
}

# The temporary folder the program sees: every run's own folder must be gone from it afterwards.
temporary=$work/temporary
mkdir -p "$temporary"
if [ "$system" = windows ]; then
  export WINEDEBUG=-all
  program_suffix=.exe
  # Wine takes TEMP and TMP from its own settings, unless they are set for the program.
  export TEMP=$temporary TMP=$temporary
else
  program_suffix=
  export TMPDIR=$temporary
fi
prepared=$examples/blinker.ses
# The same session with two connections left open (THR's wire to R2.2 and LED's only wire gone).
two_open=$(dirname "$(realpath "$0")")/data/blinker_two_open.ses

# A fresh folder `$1` (under $work) with the example board; it becomes the current one.
board_folder() {
  current=$1
  folder=$work/$1
  mkdir -p "$folder"
  cp "$examples/blinker.fpc" "$folder/"
  cd "$folder" || exit 1
  # The router runs in a folder of its own: what it writes for the test is named in full.
  stand_in_options=(-- "--stand_in.session=$prepared" "--stand_in.beat=$folder/beat")
}

# Runs the program with the arguments; its console in $folder/console, its status in $status.
route() {
  "$exe" "$@" >"$folder/stdout" 2>"$folder/console"
  status=$?
}

expect_status() {
  [ "$status" = "$1" ] || { fail "exit status $status, expected $1"; sed 's/^/    /' "$folder/console" | tail -15; }
}

expect_console() {
  grep -qF -- "$1" "$folder/console" || fail "no console line with: $1"
}

expect_summary() {
  grep -qF -- "$1" "$folder/summary.json" || fail "summary without: $1"
}

# Nothing of the run is left: no process of the router (its beat file stops growing), no folder
# of the run's own, no temporary file beside the board, and the board as it was.
expect_clean() {
  if [ -f "$folder/beat" ]; then
    local before after
    before=$(wc -c <"$folder/beat")
    sleep 0.6
    after=$(wc -c <"$folder/beat")
    [ "$before" = "$after" ] || fail "a process of the router is still running"
  fi
  local left
  left=$(ls -A "$temporary")
  [ -z "$left" ] || { fail "left in the temporary folder: $left"; rm -rf "${temporary:?}"/*; }
  left=$(cd "$folder" && compgen -G "*.??????")
  [ -z "$left" ] || fail "left beside the board: $left"
  cmp -s "$examples/blinker.fpc" "$folder/blinker.fpc" || fail "the board changed"
}

# --- Routed: the files, the messages and the summary ------------------------------------------
board_folder routed
route -R "--router=$stand_in" --passes=3 --summary=summary.json blinker.fpc "${stand_in_options[@]}" \
  "--stand_in.args=$folder/arguments" "--stand_in.extra=a b"
expect_status 0
expect_console '  File "blinker.dsn" created.'
expect_console "  Router \"$stand_in\" (named by --router)"
expect_console '  Routing "blinker.dsn": at most 3 passes; the router'"'"'s log goes to "blinker_router.log"'
expect_console '  Routing: pass 1 of 3 done, 2 unrouted, 1 violation, 1.75 s'
expect_console '  Routing: pass 3 of 3 done, 0 unrouted, 0 violations, 4.75 s'
expect_console '  Router (Freerouting 9.8.7) finished after 3 passes'
expect_console '  Route complete: every connection routed'
cmp -s "$prepared" blinker_routed.ses || fail "blinker_routed.ses is not the session the router wrote"
grep -q 'Auto-router pass #3' blinker_router.log || fail "the router's log is not kept"
# Freerouting's arguments with plain names, then what came after "--", as it stands.
printf '%s\n' --gui.enabled=false -de board.dsn -do board.ses -mp 3 --user_data_path=settings \
  "--stand_in.session=$prepared" "--stand_in.beat=$folder/beat" "--stand_in.args=$folder/arguments" \
  "--stand_in.extra=a b" >expected
cmp -s expected arguments || fail "the router's arguments: $(tr '\n' ' ' <arguments)"
expect_summary '"result": "routed"'
expect_summary '"exit_status": 0,'
expect_summary '"version": "9.8.7"'
expect_summary '"incomplete_count": 0'
expect_clean
# The back-annotation is -B's: the same routed board and the same messages.
mkdir by_hand && cp "$examples/blinker.fpc" by_hand/ && cp "$prepared" by_hand/blinker_routed.ses
(cd by_hand && "$exe" -B blinker.fpc blinker_routed.ses >/dev/null 2>console)
cmp -s blinker_routed.fpc by_hand/blinker_routed.fpc || fail "the routed board differs from -B's"
sed -n '/Loading session file/,/created,/p' console >route_part
sed -n '/Loading session file/,/created,/p' by_hand/console >by_hand_part
cmp -s route_part by_hand_part || fail "the back-annotation's messages differ from -B's"

# --- Connections left open: their own exit status ----------------------------------------------
board_folder unrouted
route -R "--router=$stand_in" --passes=2 --summary=summary.json blinker.fpc -- "--stand_in.session=$two_open" "--stand_in.beat=$folder/beat" \
  --stand_in.unrouted=2
expect_status 6
expect_console '  Unrouted: 2 connections in 2 nets'
expect_console '    net THR: U1.6 to R2.2'
expect_console '    net LED: R3.2 to D1.1'
grep -qxF '  Route incomplete: 2 connections left unrouted' console || fail "not counted by the routed board"
expect_summary '"result": "unrouted"'
expect_summary '"unrouted": 2,'
expect_summary '"unrouted_counted_by": "routed_board",'
expect_summary '"pin": "R3.2",'
expect_clean
# The router's own count is not what decides: a router that says nothing is open, where the
# routed board leaves two, does not make the route complete.
board_folder unrouted_router_says_none
route -R "--router=$stand_in" --passes=2 blinker.fpc -- "--stand_in.session=$two_open" "--stand_in.beat=$folder/beat"
expect_status 6
expect_console '  Route incomplete: 2 connections left unrouted'
expect_clean
# Nor one that says some are open, where the routed board leaves none.
board_folder router_says_some
route -R "--router=$stand_in" --passes=2 blinker.fpc "${stand_in_options[@]}" --stand_in.unrouted=2
expect_status 0
expect_console '  Route complete: every connection routed'
[ -f blinker_routed.fpc ] || fail "no routed board"
expect_clean

# --- Other versions' wording, decimals with a comma, the log passed through with -V -----------
board_folder wording
route -R -V "--router=$stand_in" --passes=2 blinker.fpc "${stand_in_options[@]}" --stand_in.wording=2.3 --stand_in.comma
expect_status 0
expect_console '  Routing: fanout pass 1 done, 0.50 s'
expect_console '  Routing: pass 2 of 2 done, 0 unrouted, 1 violation, 3.25 s'
expect_console 'INFO   [1D63F5\C7CF34] Auto-routing pass #2 on board'
expect_clean
board_folder newest
route -R "--router=$stand_in" --passes=2 blinker.fpc "${stand_in_options[@]}" --stand_in.wording=newest --stand_in.unrouted=1
expect_status 0
expect_console '  Routing: pass 2 of 2 done, 1 unrouted, 1 violation, 63.25 s'
expect_clean

# --- A session written, but no exit: it is ended, and what it started with it ----------------
board_folder stays
route -R "--router=$stand_in" --passes=2 blinker.fpc "${stand_in_options[@]}" --stand_in.mode=stay --stand_in.spawn
expect_status 0
expect_console 'it did not exit once its session was whole, and was ended'
expect_clean
# Half a session, a pause, the rest: only the whole one is taken.
board_folder slow
route -R "--router=$stand_in" --passes=1 blinker.fpc "${stand_in_options[@]}" --stand_in.mode=slow
expect_status 0
cmp -s "$prepared" blinker_routed.ses || fail "the session taken is not the whole one"
expect_clean

# --- A time limit: the router, given its own time-out before ours, saves its best board ------
board_folder time_limit
route -R "--router=$stand_in" --time-limit=3 --summary=summary.json blinker.fpc "${stand_in_options[@]}" \
  --stand_in.mode=slow_passes --stand_in.unrouted=2 "--stand_in.args=$folder/arguments"
expect_status 0
grep -qx -- '--router.job_timeout=00:00:02' arguments || fail "no time-out of the router's own: $(tr '\n' ' ' <arguments)"
expect_console '  Routing "blinker.dsn": at most 20 passes, time limit 3 s;'
expect_console '  Route complete: every connection routed'
cmp -s "$prepared" blinker_routed.ses || fail "the session the router saved is not taken"
expect_summary '"ended": "exited"'
expect_summary '"time_limit_seconds": 3.0,'
expect_clean

# --- Failures: the error, the design file and the log kept, nothing else ---------------------
# Each: name, exit status, console text, then the program's switches, "--" and the router's.
failure() {
  local name=$1 expected=$2 text=$3
  shift 3
  local switches=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do switches+=("$1"); shift; done
  shift
  board_folder "$name"
  route -R "${switches[@]}" --passes=2 --summary=summary.json blinker.fpc "${stand_in_options[@]}" "$@"
  expect_status "$expected"
  expect_console "$text"
  expect_console 'log is "blinker_router.log"'
  [ -f blinker.dsn ] && [ -f blinker_router.log ] || fail "the design file or the log is gone"
  [ ! -e blinker_routed.fpc ] && [ ! -e blinker_routed.ses ] || fail "a session or a routed board was written"
  expect_summary '"result": "failed"'
  expect_clean
}
failure hang 104 'Error 50024: The router ran past the time limit of 2 s without a session file and was ended' \
  "--router=$stand_in" --time-limit=2 -- --stand_in.mode=hang --stand_in.spawn
failure no_session 102 'Error 50022: The router ended (exit status 0) without writing a session file' \
  "--router=$stand_in" -- --stand_in.mode=no_session
failure broken 103 "Error 50023: The router's session file is no whole session (it ends before its parentheses close)" \
  "--router=$stand_in" -- --stand_in.mode=broken
failure exits 102 'Error 50022: The router ended (exit status 3) without writing a session file' \
  "--router=$stand_in" -- --stand_in.mode=fail

# A board that does not load: its error in the summary, in place of an earlier run's.
board_folder missing_board
printf '{ "result": "routed" }\n' >summary.json
route -R "--router=$stand_in" --summary=summary.json missing.fpc
expect_status $((13006 & 255))
expect_summary '"result": "failed"'
expect_summary '"code": 13006'
expect_clean

# A router that cannot be started: a file that is no program.
printf 'no program\n' >"$work/not_a_program$program_suffix"
failure not_started 100 "Error 50020: Unable to start the router" "--router=$work/not_a_program$program_suffix" --

# A .jar runs with the Java that JAVA_HOME names; one too new for that Java says which it needs.
mkdir -p "$work/java/bin"
cp "$stand_in" "$work/java/bin/java$program_suffix"
printf 'stand-in jar\nclass-version=65\n' >"$work/too_new.jar"
printf 'stand-in jar\n' >"$work/router.jar"
export JAVA_HOME=$work/java
failure too_new 101 'Error 50021: The router "' "--router=$work/too_new.jar" --
expect_console 'needs Java 21, newer than "'
expect_console '(it is Java 17): install it, or Freerouting'"'"'s installer, which brings its own'
board_folder jar
route -R "--router=$work/router.jar" --passes=1 --summary=summary.json blinker.fpc "${stand_in_options[@]}"
expect_status 0
if [ "$system" = windows ]; then
  # Wine hands JAVA_HOME on as a name on a drive of its own (Z:\tmp\...).
  expect_console "  Router \"$work/router.jar\" (named by --router), run by \"Z:"
  expect_console '\java\bin\java.exe"'
else
  expect_console "  Router \"$work/router.jar\" (named by --router), run by \"$work/java/bin/java\""
fi
expect_clean
unset JAVA_HOME

# --- Where the router is looked for ----------------------------------------------------------
board_folder from_environment
TARNWICK_ROUTER=$stand_in route -R --passes=1 blinker.fpc "${stand_in_options[@]}"
expect_status 0
expect_console "(named by TARNWICK_ROUTER)"
expect_clean
board_folder on_path
mkdir bin
cp "$stand_in" "bin/freerouting$program_suffix"
if [ "$system" = windows ]; then
  WINEPATH="$folder/bin" route -R --passes=1 blinker.fpc "${stand_in_options[@]}"
else
  PATH="$folder/bin:$PATH" route -R --passes=1 blinker.fpc "${stand_in_options[@]}"
fi
expect_status 0
expect_console "(on the PATH)"
expect_clean
board_folder not_found
route -R --passes=1 blinker.fpc
expect_status 90
expect_console "Error 50010: Router not found: no --router=<path>, no TARNWICK_ROUTER, no freerouting.jar beside tarnwick"
expect_console "Get Freerouting from https://github.com/freerouting/freerouting/releases and name its .jar or program with --router=<path>"
[ ! -e blinker.dsn.?????? ] || fail "a temporary design file is left"
expect_clean

# --- Names a shell would act on, and names in another script ---------------------------------
if [ "$system" = windows ]; then
  odd="dir with spaces 'single' ; \$(touch x) & %PATH%"
else
  odd="dir with spaces 'single' \"double\" ; \$(touch x) \`touch y\`"
fi
for name in "$odd" "Платы" ; do
  board_folder "$name"
  mv blinker.fpc "Плата №1.fpc"
  route -R "--router=$stand_in" --passes=1 "$folder/Плата №1.fpc" "${stand_in_options[@]}"
  expect_status 0
  [ -f "Плата №1_routed.fpc" ] && [ -f "Плата №1_routed.ses" ] && [ -f "Плата №1_router.log" ] || fail "files missing: $(ls)"
  [ ! -e x ] && [ ! -e y ] && [ ! -e "$work/x" ] || fail "a command in the name was run"
  mv "Плата №1.fpc" blinker.fpc
  expect_clean
done

# --- An interrupted route: the router ends, nothing temporary is left -----------------------
signals=(INT TERM HUP)
[ "$system" = windows ] && signals=(INT)
for signal in "${signals[@]}"; do
  board_folder "interrupted_$signal"
  "$exe" -R "--router=$stand_in" blinker.fpc "${stand_in_options[@]}" --stand_in.mode=hang --stand_in.spawn \
    >/dev/null 2>"$folder/console" &
  pid=$!
  # Interrupted once the router runs (its beat file grows), whatever the machine's speed.
  deadline=$((SECONDS + 120))
  while ((SECONDS < deadline)) && [ "$(cat beat 2>/dev/null | wc -c)" -lt 3 ]; do sleep 0.1; done
  kill "-$signal" "$pid"
  wait "$pid"
  status=$?
  expected=$((128 + $(kill -l "$signal")))
  [ "$system" = windows ] && expected=58
  expect_status "$expected"
  [ ! -e blinker_routed.fpc ] || fail "a routed board was written"
  expect_clean
done

exit $failed
