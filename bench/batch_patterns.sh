#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times a sweep with --patterns-every 10 and the default classes (gap and
# mussel, with their size series) against the same sweep without, in exact
# and fast mode, at 256 x 256 and 1000 x 1000, the two alternating, and
# prints the cost of the patches as a ratio of the times (best of rounds),
# of the wall clock and of the CPU time, which other work on a shared
# machine disturbs less.
#
#   bench/batch_patterns.sh [path/to/tidmar-batch] [rounds]
set -euo pipefail

tool=${1:-"$(dirname "$0")/../build/cli/tidmar-batch"}
rounds=${2:-3}
if [[ ! -x "$tool" ]]; then
  echo "batch_patterns.sh: no executable at '$tool' (build it first or pass its path)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The wall-clock and the CPU seconds (user and system) of one run of the tool.
seconds() {
  local TIMEFORMAT='%R %U %S'
  { time "$tool" "$@" > /dev/null; } 2>&1 | awk '{ print $1, $2 + $3 }'
}

for mode in exact fast; do
  for side in 256 1000; do
    steps=$((side == 256 ? 400 : 40))
    sweep=(sweep --mode "$mode" --width "$side" --height "$side" --scheme sync --steps "$steps" --a2 0.6 --a0 0.5
           --d0 0.02 --seed 1000 --replicates 2 --jobs 1 --quiet --summary "$work/s.csv")
    plain="1e9 1e9"
    patches="1e9 1e9"
    least() { awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
      print (y[1] < x[1] ? y[1] : x[1]), (y[2] < x[2] ? y[2] : x[2]) }'; }
    for _ in $(seq "$rounds"); do
      plain=$(least "$plain" "$(seconds "${sweep[@]}")")
      patches=$(least "$patches" "$(seconds "${sweep[@]}" --patterns-every 10 --patterns "$work/p.csv")")
    done
    awk -v m="$mode" -v s="$side" -v n="$steps" -v a="$plain" -v b="$patches" 'BEGIN {
      split(a, x, " "); split(b, y, " ");
      printf "%s %d x %d, %d steps: %.2f s without, %.2f s with patches every 10 steps: %.3fx (CPU %.2f s / %.2f s: %.3fx)\n",
             m, s, s, n, x[1], y[1], y[1] / x[1], x[2], y[2], y[2] / x[2] }'
  done
done
