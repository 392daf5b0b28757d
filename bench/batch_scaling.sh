#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times one tidmar-batch sweep with --jobs 1 and with --jobs 2 and prints
# both rates in runs per second and their ratio. The two summaries must be
# identical; the script fails if they are not.
#
#   bench/batch_scaling.sh [path/to/tidmar-batch] [replicates]
set -euo pipefail

tool=${1:-"$(dirname "$0")/../build/cli/tidmar-batch"}
replicates=${2:-4}
if [[ ! -x "$tool" ]]; then
  echo "batch_scaling.sh: no executable at '$tool' (build it first or pass its path)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sweep=(sweep --width 256 --height 256 --steps 150 --pattern line --seed 1000
       --vary a4=0.25:1:0.25 --replicates "$replicates" --quiet)
runs=$((4 * replicates))

seconds() {
  local start end
  start=$(date +%s.%N)
  "$tool" "${sweep[@]}" --jobs "$1" --summary "$work/jobs$1.csv"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

t1=$(seconds 1)
t2=$(seconds 2)
cmp -s "$work/jobs1.csv" "$work/jobs2.csv" || { echo "summaries differ between --jobs 1 and 2" >&2; exit 1; }

awk -v runs="$runs" -v t1="$t1" -v t2="$t2" -v cores="$(nproc)" 'BEGIN {
  printf "runs: %d (256 x 256 cells, 150 steps each), cores: %d\n", runs, cores
  printf "--jobs 1: %6.2f s  %6.3f runs/s\n", t1, runs / t1
  printf "--jobs 2: %6.2f s  %6.3f runs/s\n", t2, runs / t2
  printf "ratio:    %6.2f\n", t1 / t2
}'
