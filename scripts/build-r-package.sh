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

# The libraries the glue calls, all without Qt: the engines, the analysis, file and
# study libraries and the option readers (without tidmar-batch's main).
libraries=(engine engine/fast version analysis fileio study cli)
includes="-I. "
objects=$(cd "$package/src" && ls *.cpp | sed 's/\.cpp$/.o/' | tr '\n' ' ')
for library in "${libraries[@]}"; do
    mkdir -p "$package/src/$library"
    cp "$root/$library"/*.h "$package/src/$library/"
    for source in "$root/$library"/*.cpp; do
        name=$(basename "$source")
        [ "$library/$name" = cli/main.cpp ] && continue
        cp "$source" "$package/src/$library/"
        objects+="$library/${name%.cpp}.o "
    done
    includes+="-I$library "
done
printf '#define TIDMAR_VERSION "%s"\n#define TIDMAR_COMMIT "%s"\n' "$version" "$commit" \
    > "$package/src/version/commit.h"
# nlohmann-json (MIT licence), header-only, goes along as it is.
json=${NLOHMANN_JSON_INCLUDE_DIR:-/usr/include}/nlohmann
if [ ! -f "$json/json.hpp" ]; then
    echo "$0: no nlohmann/json.hpp in ${json%/nlohmann} (install nlohmann-json3-dev or set NLOHMANN_JSON_INCLUDE_DIR)" >&2
    exit 1
fi
cp -R "$json" "$package/src/nlohmann"
# The analysis library needs GSL.
libs="-lgsl -lgslcblas"

# The sources' list and places; configure fills in the compiler's flags.
sed -i -e "s|@INCLUDES@|$includes|" -e "s|@LIBS@|$libs|" -e "s|@OBJECTS@|$objects|" \
    "$package/src/Makevars.in"
sed -i "s/^Version: .*/Version: $version/" "$package/DESCRIPTION"

cd "$out"
R CMD build --no-build-vignettes --no-manual "$package"
echo "$out/tidmar_$version.tar.gz"
