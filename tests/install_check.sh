#!/usr/bin/env bash
# Installs the build under a scratch prefix: the program must be there, alone, stripped (the
# size a user expects, whatever the build type), and run.
# Arguments: the build folder, the program's file name (tarnwick, tarnwick.exe) and, for a
# cross-built program, the emulator that runs it.
set -u
build=$1
program=${2:-tarnwick}
emulator=("${@:3}")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
installed=$(cd "$prefix" && find . -type f -o -type l | sort)
if [ "$installed" != "./bin/$program" ]; then
  echo "installed: $installed; expected: ./bin/$program alone"
  exit 1
fi
"${emulator[@]}" "$prefix/bin/$program" -H 2>&1 | grep -q '^usage:$' || { echo "the installed program does not run"; exit 1; }
if grep -q '^TARNWICK_INSTALL_STRIP:BOOL=OFF$' "$build/CMakeCache.txt"; then
  echo "installed as built (TARNWICK_INSTALL_STRIP=OFF): not checked for debug information"
elif command -v objdump >/dev/null; then
  sections=$(objdump -h "$prefix/bin/$program" | grep -oE '\.(debug_[a-z_]+|symtab)' | sort -u | tr '\n' ' ')
  if [ -n "$sections" ]; then
    echo "the installed program is not stripped: it holds $sections($(wc -c <"$prefix/bin/$program") bytes)"
    exit 1
  fi
fi
exit 0
