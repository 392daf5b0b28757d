#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot-main.png and docs/screenshot-timeseries.png: the main
# window and the time-series window after a short run.
# Builds the screenshot tool if needed and runs it on a virtual X display, so
# that fonts and widget style are those of the desktop.
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDMAR_BUILD_TESTS=ON
fi
cmake --build "$build" --parallel "$(nproc)" --target tidmar-screenshots
mkdir -p docs
xvfb-run -a -s '-screen 0 1280x1024x24' "$build/tests/shell/tidmar-screenshots" docs
