#!/usr/bin/env bash
# Interrupts runs on a big board while they write (the export and -B) with SIGINT, SIGTERM and
# SIGHUP: each must end by the signal, leave no temporary file and keep the earlier output as it
# was. Arguments: the program and the board generator (bench/make_board); for a Windows program,
# also `windows` and the emulator: under Wine a SIGINT is the console's Ctrl-C, which ends a
# program with STATUS_CONTROL_C_EXIT (its low byte, 58, is what the shell sees).
set -u
set -m  # background runs get the signals a terminal would send, not SIGINT ignored
exe=$(realpath "$1")
make_board=$(realpath "$2")
system=${3:-posix}
emulator=("${@:4}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"${emulator[@]}" "$make_board" 40000 big >/dev/null || { echo "no board made"; exit 1; }

failed=0
# Runs the program with `switches` in the background, sends `signal` once its temporary file
# `output`.XXXXXX exists, and checks what is left.
interrupt() {
  local signal=$1 output=$2
  shift 2
  echo "earlier output" >"$output"
  "$exe" "$@" big.fpc >/dev/null 2>&1 &
  local pid=$! seen=0
  # Watched until the file appears or the run ends: a loaded machine or a sanitizer build may
  # take long to get there, so the bound is only against a run that hangs.
  local deadline=$((SECONDS + 300))
  while ((SECONDS < deadline)); do
    if compgen -G "$output.??????" >/dev/null; then seen=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
  done
  kill "-$signal" "$pid" 2>/dev/null
  wait "$pid"
  local status=$?
  if [ "$seen" = 0 ]; then
    echo "$signal $*: the run ended (status $status) before its temporary file was seen"
    failed=1
    return
  fi
  local expected=$((128 + $(kill -l "$signal")))
  [ "$system" = windows ] && expected=58
  [ "$status" = "$expected" ] || { echo "$signal $*: status $status, expected $expected"; failed=1; }
  local left
  left=$(compgen -G "$output.*")
  [ -z "$left" ] || { echo "$signal $*: left $left"; failed=1; }
  [ "$(cat "$output")" = "earlier output" ] || { echo "$signal $*: $output changed"; failed=1; }
}

signals=(INT TERM HUP)
[ "$system" = windows ] && signals=(INT)
for signal in "${signals[@]}"; do
  interrupt "$signal" big.dsn
  interrupt "$signal" big_routed.fpc -B
done
[ "$failed" = 0 ] && echo "every interrupted run left nothing behind"
exit $failed
