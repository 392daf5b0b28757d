#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times one sweep in exact mode and the same sweep in fast mode, one after the
# other, and prints both rates in runs per second and their ratio. Both run
# with the same --jobs; fast mode also with --threads.
#
#   bench/batch_modes.sh [path/to/tidmar-batch] [replicates] [jobs] [threads]
set -euo pipefail

tool=${1:-"$(dirname "$0")/../build/cli/tidmar-batch"}
replicates=${2:-4}
jobs=${3:-1}
threads=${4:-1}
if [[ ! -x "$tool" ]]; then
  echo "batch_modes.sh: no executable at '$tool' (build it first or pass its path)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A busy synchronous field: recolonisation, coupling and ocean forcing keep
# most cells changing.
sweep=(sweep --width 1000 --height 1000 --scheme sync --steps 20 --a2 0.6 --a0 0.5
       --d0 0.02 --seed 1000 --vary a4=0.5,0.9 --replicates "$replicates" --jobs "$jobs" --quiet)
runs=$((2 * replicates))

seconds() {
  local start end
  start=$(date +%s.%N)
  "$tool" "${sweep[@]}" "$@"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

exact=$(seconds --summary "$work/exact.csv")
fast=$(seconds --mode fast --threads "$threads" --summary "$work/fast.csv")

awk -v runs="$runs" -v te="$exact" -v tf="$fast" -v jobs="$jobs" -v threads="$threads" -v cores="$(nproc)" 'BEGIN {
  printf "runs: %d (1000 x 1000 cells, sync, 20 steps each), --jobs %d, cores: %d\n", runs, jobs, cores
  printf "exact:                %7.2f s  %7.3f runs/s\n", te, runs / te
  printf "fast (--threads %2d):  %7.2f s  %7.3f runs/s\n", threads, tf, runs / tf
  printf "ratio fast/exact:     %7.2f\n", te / tf
}'
