#!/usr/bin/env bash
# Runs the README's round trip, and then its route in one step, word for word, in a scratch git
# repository holding the example and .gitignore: every file they write must be one that git
# ignores, and no tracked file may change. The real router routes when it is there (and
# TARNWICK_SKIP_ROUTER is unset); else a stand-in writes the example's own session as the
# router's (for the route, the tests' stand-in router, started as Java for the jar).
set -u
source_dir=$1
exe=$2
router=$3
stand_in=$4
command -v git >/dev/null || { echo "skipped: no git on this machine"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }

# The round trip: the indented block below its heading.
awk '/^## The round trip/ { on = 1; next }
     on && /^    / { print substr($0, 5); seen = 1; next }
     on && seen && /^[^ ]/ { exit }' "$source_dir/README.md" >"$scratch/commands"
[ -s "$scratch/commands" ] || fail "no round trip found in the README"
session=$(awk '/run\.sh/ { print $3 }' "$scratch/commands")
[ -n "$session" ] || fail "the README's round trip does not run the router"

repo=$scratch/repo
mkdir -p "$repo/examples" "$repo/build"
cp "$source_dir/.gitignore" "$repo/"
cp "$source_dir/examples/blinker.fpc" "$source_dir/examples/blinker.ses" "$repo/examples/"
ln -s "$exe" "$repo/build/tarnwick"
git -C "$repo" init -q
git -C "$repo" add .gitignore examples
git -C "$repo" -c user.name=test -c user.email=test@localhost commit -q -m example || fail "git commit failed"

# The route in one step: the first command under its heading.
awk '/^## Routing in one step/ { on = 1; next }
     on && /^    / { print substr($0, 5); exit }' "$source_dir/README.md" >"$scratch/route"
grep -q -- ' -R ' "$scratch/route" || fail "no route in one step found in the README"

mkdir -p "$scratch/shared"
if [ -z "${TARNWICK_SKIP_ROUTER:-}" ] && [ -x "$router/run.sh" ] && command -v java >/dev/null; then
  ln -s "$router" "$scratch/shared/router"
else
  echo "the router is not run: a stand-in writes the example's session"
  mkdir "$scratch/shared/router"
  printf '#!/bin/sh\ncp examples/blinker.ses "$2"\n' >"$scratch/shared/router/run.sh"
  chmod +x "$scratch/shared/router/run.sh"
  printf 'stand-in jar\n--stand_in.session=%s\n' "$source_dir/examples/blinker.ses" >"$scratch/shared/router/freerouting.jar"
  mkdir -p "$scratch/java/bin"
  cp "$stand_in" "$scratch/java/bin/java"
  export JAVA_HOME=$scratch/java
fi

(cd "$repo" && bash -e "$scratch/commands") >"$scratch/log" 2>&1 || { cat "$scratch/log"; fail "the README's round trip failed"; }

for written in examples/blinker.dsn "$session" examples/blinker_routed.fpc examples/blinker_routed.svg; do
  [ -s "$repo/$written" ] || fail "the round trip did not write $written"
done
changed=$(git -C "$repo" status --porcelain --untracked-files=all)
[ -z "$changed" ] || fail "the round trip leaves files git does not ignore, or changes tracked ones: $changed"

rm -f "$repo/examples/blinker.dsn" "$repo/examples/blinker_routed.fpc"
(cd "$repo" && bash -e "$scratch/route") >"$scratch/log" 2>&1 || { cat "$scratch/log"; fail "the README's route failed"; }
for written in examples/blinker.dsn examples/blinker_routed.ses examples/blinker_router.log examples/blinker_routed.fpc; do
  [ -s "$repo/$written" ] || fail "the route did not write $written"
done
grep -q 'Route complete: every connection routed' "$scratch/log" || { cat "$scratch/log"; fail "the route is not complete"; }
changed=$(git -C "$repo" status --porcelain --untracked-files=all)
[ -z "$changed" ] || fail "the route leaves files git does not ignore, or changes tracked ones: $changed"
exit 0
