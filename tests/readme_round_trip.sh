#!/usr/bin/env bash
# Runs the README's round trip, word for word, in a scratch git repository holding the example
# and .gitignore: every file it writes must be one that git ignores, and no tracked file may
# change. The real router routes when it is there (and TARNWICK_SKIP_ROUTER is unset); else a
# stand-in writes the example's own session as the router's.
set -u
source_dir=$1
exe=$2
router=$3
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

mkdir -p "$scratch/shared"
if [ -z "${TARNWICK_SKIP_ROUTER:-}" ] && [ -x "$router/run.sh" ] && command -v java >/dev/null; then
  ln -s "$router" "$scratch/shared/router"
else
  echo "the router is not run: a stand-in writes the example's session"
  mkdir "$scratch/shared/router"
  printf '#!/bin/sh\ncp examples/blinker.ses "$2"\n' >"$scratch/shared/router/run.sh"
  chmod +x "$scratch/shared/router/run.sh"
fi

(cd "$repo" && bash -e "$scratch/commands") >"$scratch/log" 2>&1 || { cat "$scratch/log"; fail "the README's round trip failed"; }

for written in examples/blinker.dsn "$session" examples/blinker_routed.fpc examples/blinker_routed.svg; do
  [ -s "$repo/$written" ] || fail "the round trip did not write $written"
done
changed=$(git -C "$repo" status --porcelain --untracked-files=all)
[ -z "$changed" ] || fail "the round trip leaves files git does not ignore, or changes tracked ones: $changed"
exit 0
