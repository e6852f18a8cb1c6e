#!/usr/bin/env bash
# Installs the build under a scratch prefix: the program must be there, alone, and run.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
installed=$(cd "$prefix" && find . -type f -o -type l | sort)
if [ "$installed" != "./bin/tarnwick" ]; then
  echo "installed: $installed; expected: ./bin/tarnwick alone"
  exit 1
fi
"$prefix/bin/tarnwick" -H 2>&1 | grep -q '^usage:$' || { echo "the installed program does not run"; exit 1; }
