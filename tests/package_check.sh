#!/usr/bin/env bash
# Makes the packages of the build with cpack and checks what a user gets from them.
# Linux: the .deb, installed into a scratch root (dpkg -x), holds the program and its manual
# page, names its version and exports the example board byte for byte as the build's own program
# does; the tarball holds the same program and page. Windows build: the zip holds the program, the README with the
# picture it shows and the example board with its session, in one folder.
# Arguments: the build folder, the source folder, the built program.
set -u
build=$1
source_dir=$2
program=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool on this machine"; exit 77; }
  done
}
need cpack
generators=$(sed -n 's/^set(CPACK_GENERATOR "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || fail "no package version in $build/CPackConfig.cmake"
make_packages() {
  cpack --config "$build/CPackConfig.cmake" -B "$scratch/packages" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
}

if [ "$generators" = ZIP ]; then
  need unzip
  make_packages
  zips=("$scratch"/packages/*.zip)
  [ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || fail "expected one .zip, found: ${zips[*]}"
  top=$(basename "${zips[0]}" .zip)
  listed=$(unzip -Z1 "${zips[0]}" | grep -v '/$' | sort | tr '\n' ' ')
  expected="$top/README.md $top/bin/$(basename "$program") $top/docs/blinker_routed.svg $top/examples/blinker.fpc $top/examples/blinker.ses "
  [ "$listed" = "$expected" ] || fail "the zip holds: $listed; expected: $expected"
  unzip -q "${zips[0]}" -d "$scratch/unpacked" || fail "unzip failed"
  for file in README.md docs/blinker_routed.svg examples/blinker.fpc examples/blinker.ses; do
    cmp "$source_dir/$file" "$scratch/unpacked/$top/$file" || fail "the zip's $file is not the source's"
  done
  exit 0
fi

[ "$generators" = "DEB;TGZ" ] || fail "unexpected package generators: $generators"
need dpkg-deb tar
make_packages
debs=("$scratch"/packages/*.deb)
tarballs=("$scratch"/packages/*.tar.gz)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
[ ${#tarballs[@]} -eq 1 ] && [ -f "${tarballs[0]}" ] || fail "expected one .tar.gz, found: ${tarballs[*]}"
deb=${debs[0]}

# The package's version is the program's: "Tarnwick 1.301R".
[ "$("$program" --version)" = "Tarnwick $version" ] || fail "the built program's version is not the package's $version"
[ "$(dpkg-deb -f "$deb" Package)" = tarnwick ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), program $version"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "the package names no libraries it needs: $(dpkg-deb -f "$deb" Depends)"

root=$scratch/root
dpkg-deb -x "$deb" "$root" || fail "dpkg -x failed"
files=$(cd "$root" && find . -type f -o -type l | sort | tr '\n' ' ')
expected="./usr/bin/tarnwick ./usr/share/man/man1/tarnwick.1.gz "
[ "$files" = "$expected" ] || fail "the package holds: $files; expected: $expected"
gzip -dc "$root/usr/share/man/man1/tarnwick.1.gz" | cmp - "$source_dir/docs/tarnwick.1" ||
  fail "the package's manual page is not docs/tarnwick.1"
[ "$("$root/usr/bin/tarnwick" --version)" = "Tarnwick $version" ] || fail "the installed program does not run"

# The packaged program does what the built one does.
mkdir "$scratch/packaged" "$scratch/built"
cp "$source_dir/examples/blinker.fpc" "$scratch/packaged/"
cp "$source_dir/examples/blinker.fpc" "$scratch/built/"
(cd "$scratch/packaged" && "$root/usr/bin/tarnwick" blinker.fpc 2>console) ||
  fail "the packaged program failed: $(cat "$scratch/packaged/console")"
(cd "$scratch/built" && "$program" blinker.fpc 2>console) || fail "the built program failed"
cmp "$scratch/packaged/blinker.dsn" "$scratch/built/blinker.dsn" || fail "the packaged program writes another design file"
sed -i -E 's/^Elapsed time: .*/Elapsed time/' "$scratch/packaged/console" "$scratch/built/console"
cmp "$scratch/packaged/console" "$scratch/built/console" || fail "the packaged program's console differs"

top=tarnwick-$version-Linux
listed=$(tar -tzf "${tarballs[0]}" | grep -v '/$' | sort | tr '\n' ' ')
[ "$listed" = "$top/bin/tarnwick $top/share/man/man1/tarnwick.1.gz " ] || fail "the tarball holds: $listed"
mkdir "$scratch/tarball"
tar -xzf "${tarballs[0]}" -C "$scratch/tarball"
cmp "$scratch/tarball/$top/bin/tarnwick" "$root/usr/bin/tarnwick" || fail "the tarball's program is not the package's"
cmp "$scratch/tarball/$top/share/man/man1/tarnwick.1.gz" "$root/usr/share/man/man1/tarnwick.1.gz" ||
  fail "the tarball's manual page is not the package's"
exit 0
