#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the browser edition into OUTDIR: the exact engine compiled to
# WebAssembly (embedded in tidmar-engine.js), the page, its scripts and the
# help text. OUTDIR then holds a static site, index.html at its top.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: scripts/build-web.sh OUTDIR" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
# Emscripten's optimiser runs on Node with Debian's JavaScript packages.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

engine=(lattice ran1 musselbed rule decisions neighbourrows schemes statistics fieldcodes)
sources=("$root/web/wasm/binding.cpp")
for name in "${engine[@]}"; do
  sources+=("$root/engine/$name.cpp")
done
exports=_tidmar_create,_tidmar_destroy,_tidmar_set,_tidmar_seed,_tidmar_pattern,_tidmar_resize
exports+=,_tidmar_advance,_tidmar_step,_tidmar_width,_tidmar_height,_tidmar_edit,_tidmar_counts
exports+=,_tidmar_pixels,_tidmar_field

# One file with the module inside, so that it loads the same way in a page,
# a worker and Node (whose fetch cannot read a file path). 128-bit SIMD for
# the loops the compiler vectorises, and the SSE2 path of the interior
# neighbour count on it (Emscripten's SSE2 maps to it; the asynchronous
# steps gain about a fifth); every browser of the last years has it.
em++ -std=c++20 -O3 -msimd128 -msse2 -Wall -Wextra -I"$root/engine" "${sources[@]}" \
  -sSINGLE_FILE=1 -sMODULARIZE=1 -sEXPORT_ES6=1 -sEXPORT_NAME=createTidmarEngine \
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sENVIRONMENT=web,worker \
  -sEXPORTED_FUNCTIONS="$exports" -sEXPORTED_RUNTIME_METHODS=HEAP32,HEAPU8 \
  -o "$out/tidmar-engine.js"

cp "$root"/web/*.html "$root"/web/*.js "$root"/web/*.css "$out/"
cp "$root/data/tidmarhelp.txt" "$out/tidmarhelp.txt"
