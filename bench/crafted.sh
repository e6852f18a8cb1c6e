#!/usr/bin/env bash
# Crafted boards that once took quadratic time in the padstack and drill tool search, timed
# beside an ordinary board of about their size:
#   pins_without_pads    one footprint of 65 536 pins without pads (each a padstack of its own)
#   distinct_pad_widths  one footprint of 32 768 pins, each with a pad width of its own
#   wires_at_one_point   a session of 32 000 wires of one net meeting at one point (-B), beside
#                        a session of as many wires that meet nothing
# Each board is read with `-I` (load and report) and exported (load and design file), and each
# session back-annotated onto the example board with `-B`, each run
# three times (RUNS); the least CPU time is shown. The report lists every padstack, so a board
# of 65 536 padstacks has a report as long, written to the console.
#
#   bench/crafted.sh <tarnwick> [<tarnwick of another version> ...]
#
# The ordinary board is examples/blinker.fpc's options, outline and nets around footprints of
# 16 pins of a few pad sizes: 32 768 pins, a file of about the crafted boards' size.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(readlink -f "${WORK:-build-bench}/crafted")
mkdir -p "$work"

# The options and board outline of the example, then a footprints section from stdin, then
# empty parts, nets and texts.
board() {
  sed -n '1,/^\[footprints\]/p' examples/blinker.fpc
  cat
  echo
  sed -n '/^\[board\]/,/^\[solder_mask_cutouts\]/p' examples/blinker.fpc | sed '$d'
  printf '[solder_mask_cutouts]\n\n[parts]\n\n[nets]\n\n[texts]\n\n[end]\n'
}

awk 'BEGIN { n = 65536; print "name: \"Crowd\"\n  units: NM\n  n_pins: " n;
             for (i = 1; i <= n; ++i) printf "    pin: \"%d\" 0 %d 0 0\n", i, i * 1000 }' |
  board >"$work/pins_without_pads.fpc"
awk 'BEGIN { n = 32768; print "name: \"Widths\"\n  units: NM\n  n_pins: " n;
             for (i = 1; i <= n; ++i) printf "    pin: \"%d\" 0 %d 0 0\n      top_pad: 1 %d 0 0 0\n", i, i * 1000, 254000 + i * 300 }' |
  board >"$work/distinct_pad_widths.fpc"
awk 'BEGIN { for (f = 1; f <= 2048; ++f) { print "name: \"F" f "\"\n  units: NM\n  n_pins: 16";
               for (i = 1; i <= 16; ++i) printf "    pin: \"%d\" 0 %d 0 0\n      top_pad: %d %d 0 0 0\n", i, i * 1000, 1 + i % 2, 508000 + (f % 4) * 254000;
               print "" } }' |
  board >"$work/ordinary.fpc"

# The example's session up to its network, then 32 000 wires of net VCC: from points of a
# lattice to one point, or each to a point of its own.
session() {
  sed -n '1,/(network_out/p' examples/blinker.ses | sed '$d'
  awk -v crowd="$1" 'BEGIN { print "    (network_out\n      (net VCC";
    for (i = 0; i < 32000; ++i) {
      x = 20000 + (i % 400) * 300; y = 20000 + int(i / 400) * 300
      printf "        (wire\n          (path Top 1000\n            %d %d\n            %d %d\n          )\n        )\n", x, y, crowd ? 150000 : x + 100, crowd ? 150000 : y + 100 }
    print "      )\n    )\n  )\n)" }'
}
cp examples/blinker.fpc "$work/wires_at_one_point.fpc"
cp examples/blinker.fpc "$work/ordinary_wires.fpc"
session 1 >"$work/wires_at_one_point.ses"
session 0 >"$work/ordinary_wires.ses"

printf '| board | MB | job |'
for exe in "$@"; do printf ' %s |' "$(basename "$(dirname "$exe")")/$(basename "$exe")"; done
printf '\n|---|---:|---|'
for _ in "$@"; do printf -- '---:|'; done
printf '\n'
for name in ordinary pins_without_pads distinct_pad_widths ordinary_wires wires_at_one_point; do
  file=$work/$name.fpc
  jobs=(-I export)
  case $name in *wires*) jobs=(-B); file=$work/$name.ses ;; esac
  for job in "${jobs[@]}"; do
    printf '| %s | %.1f | %s |' "$name" "$(echo "$(stat -c %s "$file") / 1000000" | bc -l)" "$job"
    for exe in "$@"; do
      best=
      for _ in $(seq "${RUNS:-3}"); do
        case $job in
          -I) args=(-I "$file") ;;
          -B) args=(-B "$work/$name.fpc") ;;
          *) args=("$file") ;;
        esac
        /usr/bin/time -o "$work/time" -f '%U %S' timeout 600 "$exe" "${args[@]}" >/dev/null 2>&1 || true
        t=$(tail -1 "$work/time" | awk '{ printf "%.2f", $1 + $2 }')
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
      done
      printf ' %s s |' "$best"
    done
    printf '\n'
  done
done
