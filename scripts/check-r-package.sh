#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the R package's source tarball into OUTDIR and runs R CMD check on
# it there (installing it into OUTDIR/tidmar.Rcheck); fails on any ERROR or
# WARNING. The package's tests compare with tidmar-batch when TIDMAR_BATCH
# names it.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$1"
mkdir -p "$1"
tarball=$("$root/scripts/build-r-package.sh" "$1" | tail -n 1)
cd "$1"
export MAKEFLAGS="-j$(nproc)"
export _R_CHECK_FORCE_SUGGESTS_=false  # ggplot2 is optional
# No package repository: the check looks for none on the network.
printf 'options(repos = character())\n' > Rprofile
export R_PROFILE_USER="$PWD/Rprofile"
R CMD check --no-manual "$tarball"
status=$(grep '^Status:' tidmar.Rcheck/00check.log)
case "$status" in
*ERROR* | *WARNING*)
    echo "R CMD check: $status" >&2
    exit 1
    ;;
esac

# The README's R example, as written, with the package just checked.
sed -n '/<!-- r-example -->/,/<!-- end r-example -->/p' "$root/README.md" | grep -v '^<!--\|^```' > readme-example.R
R_LIBS="$PWD/tidmar.Rcheck${R_LIBS:+:$R_LIBS}" Rscript readme-example.R
