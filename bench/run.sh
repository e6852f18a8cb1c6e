#!/usr/bin/env bash
# The benchmark: times loading, -I, export and -B, and the export and -B with their picture
# (--svg), on synthetic boards of 1 000, 10 000 and 100 000 parts and prints a table of CPU time,
# throughput and peak memory.
#
#   bench/run.sh                      this tree alone
#   OLD=<commit> bench/run.sh         this tree and <commit> side by side, in one run
#
# Protocol: each job runs three times under /usr/bin/time; the table gives the least CPU time
# (user + system) of the three, the board file's megabytes per second of that time (for -B, the
# board and the session file together), and the largest peak resident memory of the three. CPU
# time, not elapsed time, so that other work on the machine does not count. Both versions are
# built alike (RelWithDebInfo, as the README builds) and run on the same generated files; their
# written files and reports are compared as well.
#
# SIZES (default "1000 10000 100000") and RUNS (default 3) change the protocol; TIMEOUT (seconds,
# default 900) and MEMORY (KiB of address space, default 16000000) bound every run, and a run
# that exceeds them is shown as such. Work files go to build-bench/ (WORK to change it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
sizes=${SIZES:-"1000 10000 100000"}
runs=${RUNS:-3}
timeout_s=${TIMEOUT:-900}
memory_kib=${MEMORY:-16000000}
work=$(readlink -f "${WORK:-build-bench}")
mkdir -p "$work"

log() { echo "$*" >&2; }

# ---- Builds --------------------------------------------------------------------------------
log "building this tree in $work/new-build"
cmake -S "$root" -B "$work/new-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$work/new-build" -j2 --target tarnwick make_board load_board >/dev/null
versions=(new)
declare -A exe loader
exe[new]=$work/new-build/tarnwick
loader[new]=$work/new-build/bench/load_board

if [ -n "${OLD:-}" ]; then
  log "building $OLD in $work/old-src"
  if [ -e "$work/old-src" ]; then git worktree remove --force "$work/old-src" 2>/dev/null || rm -rf "$work/old-src"; fi
  git worktree prune
  git worktree add --detach "$work/old-src" "$OLD" >/dev/null 2>&1
  cmake -S "$work/old-src" -B "$work/old-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$work/old-build" -j2 --target tarnwick >/dev/null
  # The loader is this tree's, built against the old library: loading has the same interface.
  g++ -std=c++20 -O2 -g -DNDEBUG -I "$work/old-src/src" "$root/bench/load_board.cpp" \
    "$work/old-build/libtarnwick_core.a" -o "$work/old-load_board"
  versions=(old new)
  exe[old]=$work/old-build/tarnwick
  loader[old]=$work/old-load_board
  old_label=$(git rev-parse --short "$OLD")
fi
new_label=$(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src bench || echo "+changes")

# ---- One measured run ----------------------------------------------------------------------
# measure DIR CMD...: prints "cpu_seconds peak_kib status" of one run in DIR.
measure() {
  local dir=$1; shift
  local out=$work/time.out
  (cd "$dir" && ulimit -v "$memory_kib" &&
    /usr/bin/time -f "%U %S %M %x" -o "$out" timeout "$timeout_s" "$@" >stdout 2>stderr) || true
  local u s m x
  read -r u s m x < <(tail -n 1 "$out")
  echo "$(echo "$u + $s" | bc -l) $m $x"
}

# best VERSION SIZE JOB: the protocol for one cell; prints "cpu peak status".
best() {
  local version=$1 size=$2 job=$3
  local dir=$work/run/$version/$size
  local cmd
  case $job in
    load) cmd=("${loader[$version]}" "b$size.fpc") ;;
    info) cmd=("${exe[$version]}" -I "b$size.fpc") ;;
    export) cmd=("${exe[$version]}" "b$size.fpc") ;;
    export_svg) cmd=("${exe[$version]}" --svg "b$size.fpc") ;;
    back) cmd=("${exe[$version]}" -B "b$size.fpc") ;;
    back_svg) cmd=("${exe[$version]}" --svg -B "b$size.fpc") ;;
  esac
  local least="" peak=0 status=0
  for ((r = 0; r < runs; ++r)); do
    local cpu m x
    read -r cpu m x < <(measure "$dir" "${cmd[@]}")
    [ "$m" -gt "$peak" ] && peak=$m
    if [ "$x" != 0 ]; then status=$x; break; fi
    if [ -z "$least" ] || [ "$(echo "$cpu < $least" | bc -l)" = 1 ]; then least=$cpu; fi
  done
  # Keep what the job wrote and said, for the comparison of the versions.
  sed -E 's/^Elapsed time: [0-9]+\.[0-9]{3} Sec$/Elapsed time: <masked> Sec/' "$dir/stderr" >"$dir/$job.stderr"
  mv "$dir/stdout" "$dir/$job.stdout"
  echo "${least:-0} $peak $status"
}

# ---- The runs ------------------------------------------------------------------------------
declare -A cpu peak status bytes
jobs=(load info export export_svg back back_svg)
# A version without pictures runs no job with --svg.
declare -A draws
for version in "${versions[@]}"; do
  draws[$version]=0
  "${exe[$version]}" --svg --version >/dev/null 2>&1 && draws[$version]=1
done
for size in $sizes; do
  log "generating a board of $size parts"
  mkdir -p "$work/boards"
  [ -f "$work/boards/b$size.ses" ] || "$work/new-build/bench/make_board" "$size" "$work/boards/b$size"
  bytes[$size.fpc]=$(stat -c %s "$work/boards/b$size.fpc")
  bytes[$size.ses]=$(stat -c %s "$work/boards/b$size.ses")
  for version in "${versions[@]}"; do
    dir=$work/run/$version/$size
    rm -rf "$dir" && mkdir -p "$dir"
    ln "$work/boards/b$size.fpc" "$work/boards/b$size.ses" "$dir/"
    for job in "${jobs[@]}"; do
      if [ "${job%_svg}" != "$job" ] && [ "${draws[$version]}" = 0 ]; then
        status[$version.$size.$job]=none
        continue
      fi
      log "  $version $job"
      read -r c p s < <(best "$version" "$size" "$job")
      cpu[$version.$size.$job]=$c
      peak[$version.$size.$job]=$p
      status[$version.$size.$job]=$s
    done
  done
done

# ---- The table -----------------------------------------------------------------------------
mb() { printf "%.1f" "$(echo "$1 / 1000000" | bc -l)"; }
cell() {  # cell VERSION SIZE JOB: "CPU s | MB/s | peak MB"
  local key=$1.$2.$3 s=${status[$1.$2.$3]}
  if [ "$s" = none ]; then echo "- | - | -"; return; fi
  if [ "$s" = 124 ]; then echo "> $timeout_s s | - | -"; return; fi
  if [ "$s" != 0 ]; then echo "failed ($s) | - | $(mb $((peak[$key] * 1024)))"; return; fi
  local read_bytes=${bytes[$2.fpc]}
  [ "${3%_svg}" = back ] && read_bytes=$((read_bytes + bytes[$2.ses]))
  local c=${cpu[$key]}
  local rate="-"
  [ "$(echo "$c > 0" | bc -l)" = 1 ] && rate=$(echo "scale=1; $read_bytes / 1000000 / $c" | bc -l)
  printf "%.2f s | %s | %s\n" "$c" "$rate" "$(mb $((peak[$key] * 1024)))"
}
declare -A names=([load]=loading [info]=-I [export]=export [export_svg]="export --svg" [back]=-B [back_svg]="-B --svg")

echo
echo "Least CPU time (user + system) of $runs runs; MB/s of board file (for -B board and session);"
echo "peak resident memory. $(nproc) cores, $(uname -m); new = $new_label${old_label:+, old = $old_label}."
echo
if [ ${#versions[@]} = 2 ]; then
  echo "| parts | board MB | job | old CPU | old MB/s | old peak MB | new CPU | new MB/s | new peak MB |"
  echo "|---:|---:|---|---:|---:|---:|---:|---:|---:|"
else
  echo "| parts | board MB | job | CPU | MB/s | peak MB |"
  echo "|---:|---:|---|---:|---:|---:|"
fi
for size in $sizes; do
  for job in "${jobs[@]}"; do
    row="| $size | $(mb "${bytes[$size.fpc]}") | ${names[$job]} |"
    for version in "${versions[@]}"; do row="$row $(cell "$version" "$size" "$job") |"; done
    echo "$row"
  done
done

# The targets, for the last version and the two largest sizes.
last=${versions[-1]}
set -- $sizes
if [ $# -ge 2 ]; then
  big=${!#}
  small=$(echo "$sizes" | awk '{print $(NF-1)}')
  ratio() { echo "scale=2; $1 / $2" | bc -l; }
  file_growth=$(ratio "${bytes[$big.fpc]}" "${bytes[$small.fpc]}")
  echo
  for version in "${versions[@]}"; do
    e_big=${cpu[$version.$big.export]}; e_small=${cpu[$version.$small.export]}
    b_big=${cpu[$version.$big.back]}; b_small=${cpu[$version.$small.back]}
    if [ "${status[$version.$big.export]}${status[$version.$big.back]}" != 00 ]; then
      echo "- $version: a run at $big parts did not finish; no ratios."
      continue
    fi
    max_peak=0
    for job in load info export back; do [ "${peak[$version.$big.$job]}" -gt "$max_peak" ] && max_peak=${peak[$version.$big.$job]}; done
    echo "- $version: export of $big parts $(echo "scale=1; ${bytes[$big.fpc]} / 1000000 / $e_big" | bc -l) MB/s;" \
      "from $small to $big parts export grows $(ratio "$(ratio "$e_big" "$e_small")" "$file_growth")" \
      "and -B $(ratio "$(ratio "$b_big" "$b_small")" "$file_growth") times faster than the file;" \
      "-B takes $(ratio "$b_big" "$e_big") times the export; peak memory $(ratio "$((max_peak * 1024))" "${bytes[$big.fpc]}") times the board file."
    if [ "${status[$version.$big.export_svg]}${status[$version.$big.back_svg]}" = 00 ]; then
      p_export=$(echo "${cpu[$version.$big.export_svg]} - $e_big" | bc -l)
      p_back=$(echo "${cpu[$version.$big.back_svg]} - $b_big" | bc -l)
      printf -- "- %s: the picture of %s parts adds %.2f s to the export (%.0f %%) and %.2f s to -B (%.0f %%).\n" \
        "$version" "$big" "$p_export" "$(echo "100 * $p_export / $e_big" | bc -l)" "$p_back" \
        "$(echo "100 * $p_back / $b_big" | bc -l)"
    fi
  done
fi

# Both versions must write and say the same.
if [ ${#versions[@]} = 2 ]; then
  differ=0
  for size in $sizes; do
    for f in info.stdout info.stderr export.stderr back.stdout back.stderr "b$size.dsn" "b${size}_routed.fpc"; do
      if ! cmp -s "$work/run/old/$size/$f" "$work/run/new/$size/$f"; then
        echo "- outputs differ: $size parts, $f"
        differ=1
      fi
    done
  done
  [ $differ = 0 ] && echo "- old and new wrote byte-identical design files, routed boards and reports at every size."
fi
[ -n "${OLD:-}" ] && git worktree remove --force "$work/old-src" >/dev/null 2>&1 || true
