#!/usr/bin/env bash
# Installs the build under a scratch prefix: the program must be there, alone, stripped (the
# size a user expects, whatever the build type), and run.
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
if grep -q '^TARNWICK_INSTALL_STRIP:BOOL=OFF$' "$build/CMakeCache.txt"; then
  echo "installed as built (TARNWICK_INSTALL_STRIP=OFF): not checked for debug information"
elif command -v readelf >/dev/null; then
  sections=$(readelf -S -W "$prefix/bin/tarnwick" | grep -oE '\.(debug_[a-z_]+|symtab)' | sort -u | tr '\n' ' ')
  if [ -n "$sections" ]; then
    echo "the installed program is not stripped: it holds $sections($(wc -c <"$prefix/bin/tarnwick") bytes)"
    exit 1
  fi
fi
exit 0
