#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times a sweep with --patterns-every 10 and the default classes (gap and
# mussel, with their size series) against the same sweep without, in exact
# and fast mode, at 256 x 256 and 1000 x 1000, the two alternating, and
# prints the cost of the patches as a ratio of the times (best of rounds).
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

seconds() {
  local start end
  start=$(date +%s.%N)
  "$tool" "$@" > /dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

for mode in exact fast; do
  for side in 256 1000; do
    steps=$((side == 256 ? 400 : 40))
    sweep=(sweep --mode "$mode" --width "$side" --height "$side" --scheme sync --steps "$steps" --a2 0.6 --a0 0.5
           --d0 0.02 --seed 1000 --replicates 2 --jobs 1 --quiet --summary "$work/s.csv")
    plain=1e9
    patches=1e9
    for _ in $(seq "$rounds"); do
      t=$(seconds "${sweep[@]}")
      plain=$(awk -v a="$plain" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
      t=$(seconds "${sweep[@]}" --patterns-every 10 --patterns "$work/p.csv")
      patches=$(awk -v a="$patches" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
    done
    awk -v m="$mode" -v s="$side" -v n="$steps" -v a="$plain" -v b="$patches" 'BEGIN {
      printf "%s %d x %d, %d steps: %.2f s without, %.2f s with patches every 10 steps: %.3fx\n", m, s, s, n, a, b, b / a }'
  done
done
