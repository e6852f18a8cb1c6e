#!/usr/bin/env bash
# Installs the build under a scratch prefix: the program must be there, stripped (the size a
# user expects, whatever the build type), and run; beside it on Linux the manual page, compressed
# with no name or time in it (the same bytes in every build) and reading back as the source's
# page; nothing else.
# Arguments: the build folder, the program's file name (tarnwick, tarnwick.exe) and, for a
# cross-built program, the emulator that runs it.
set -u
build=$1
program=${2:-tarnwick}
emulator=("${@:3}")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }
installed=$(cd "$prefix" && find . -type f -o -type l | sort | tr '\n' ' ')
man_page=share/man/man1/tarnwick.1.gz
case $program in
  *.exe) expected="./bin/$program " ;;
  *) expected="./bin/$program ./$man_page " ;;
esac
if [ "$installed" != "$expected" ]; then
  echo "installed: $installed; expected: $expected"
  exit 1
fi
if [ -f "$prefix/$man_page" ]; then
  source_dir=$(sed -n 's/^tarnwick_SOURCE_DIR:STATIC=//p' "$build/CMakeCache.txt")
  gzip -dc "$prefix/$man_page" | cmp - "$source_dir/docs/tarnwick.1" ||
    { echo "the installed manual page is not docs/tarnwick.1"; exit 1; }
  # gzip's header: byte 3 holds the flags (8: a file name follows), bytes 4 to 7 the time.
  header=$(od -An -tx1 -j3 -N5 "$prefix/$man_page" | tr -d ' \n')
  [ "$header" = 0000000000 ] || { echo "the manual page's gzip header holds a name or a time: $header"; exit 1; }
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
