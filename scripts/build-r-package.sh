#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the R package's source tarball, tidmar_<version>.tar.gz, into OUTDIR:
# a copy of r/ with the shared C++ sources it needs staged under src/, so that
# R CMD INSTALL builds it with R, Rcpp and a compiler alone.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
version=$(sed -n 's/^project(TidmarIII VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
commit=$(git -C "$root" rev-parse HEAD 2>/dev/null || true)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
package=$stage/tidmar
cp -R "$root/r" "$package"
rm -f "$package/CMakeLists.txt"

# The libraries the glue calls, without Qt: the engines and the run library.
libraries=(engine engine/fast batch version)
includes=""
objects=$(cd "$package/src" && ls *.cpp | sed 's/\.cpp$/.o/' | tr '\n' ' ')
for library in "${libraries[@]}"; do
    mkdir -p "$package/src/$library"
    cp "$root/$library"/*.h "$package/src/$library/"
    for source in "$root/$library"/*.cpp; do
        name=$(basename "$source")
        [ "$library/$name" = batch/main.cpp ] && continue
        cp "$source" "$package/src/$library/"
        objects+="$library/${name%.cpp}.o "
    done
    includes+="-I$library "
done
printf '#define TIDMAR_VERSION "%s"\n#define TIDMAR_COMMIT "%s"\n' "$version" "$commit" \
    > "$package/src/version/commit.h"
libs="$(pkg-config --libs Qt6Gui Qt6Svg)"
includes+="$(pkg-config --cflags Qt6Gui Qt6Svg)"

sed -e "s|@INCLUDES@|$includes|" -e "s|@LIBS@|$libs|" -e "s|@OBJECTS@|$objects|" \
    "$package/src/Makevars.in" > "$package/src/Makevars"
rm "$package/src/Makevars.in"
sed -i "s/^Version: .*/Version: $version/" "$package/DESCRIPTION"

cd "$out"
R CMD build --no-build-vignettes --no-manual "$package"
echo "$out/tidmar_$version.tar.gz"
