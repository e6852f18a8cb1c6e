#!/usr/bin/env bash
# Runs one fuzz target for a time: fuzz/run.sh <target> <seconds> [libFuzzer options...]
#
# Builds the targets with clang (-DTARNWICK_FUZZ=ON) in build-fuzz/ (or $FUZZ_BUILD), seeds the
# target with every file of its kind (the extension `targets` gives) under tests/, examples/ and
# ../shared/corpus, and uses fuzz/<target>.dict when there is one. What the fuzzer learns is kept
# in <build>/fuzz-corpus/<target> for the next run; a finding is written to
# <build>/fuzz-findings/<target>/ and the script ends with the fuzzer's non-zero status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 2 ]; then
  echo "usage: fuzz/run.sh <target> <seconds> [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
extension=$(awk -v name="$target" '$1 == name { print $2 }' "$root/fuzz/targets")
if [ -z "$extension" ]; then
  echo "unknown fuzz target \"$target\"; fuzz/targets lists them" >&2
  exit 2
fi

build=${FUZZ_BUILD:-$root/build-fuzz}
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DTARNWICK_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target"

seeds=$build/fuzz-seeds/$target
corpus=$build/fuzz-corpus/$target
findings=$build/fuzz-findings/$target
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$findings"
# Named by content, so that the same file found twice is one seed. The shared corpus is used
# when it is there.
roots=("$root/tests" "$root/examples")
[ -d "$root/../shared/corpus" ] && roots+=("$root/../shared/corpus")
find "${roots[@]}" -type f -name "*.$extension" -print0 |
  while IFS= read -r -d '' file; do cp "$file" "$seeds/$(sha1sum <"$file" | cut -c1-40)"; done
echo "fuzz_$target: $(find "$seeds" -type f | wc -l) seed files, $(find "$corpus" -type f | wc -l) kept from earlier runs"

# Inputs up to 32 KiB: the small boards of tests/ hold every section, and short inputs run fast;
# a larger seed is cut to its first 32 KiB.
options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=32768 -close_fd_mask=3
         -print_final_stats=1 -artifact_prefix="$findings/")
[ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
exec "$build/fuzz/fuzz_$target" "${options[@]}" "$@" "$corpus" "$seeds"
