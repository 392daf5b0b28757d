#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks that the package is
# complete: executables, help, desktop entry, icon, AppStream data, manual
# pages and documents. Runs the desktop and AppStream validators when they are
# installed. Usage: check_install.sh BUILD_DIR WITH_GUI(ON|OFF)
set -eu
build=$1
gui=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

status=0
need() {
    if [ ! -s "$prefix/$1" ]; then
        echo "missing from the package: $1"
        status=1
    fi
}
need bin/tidmar-batch
need share/man/man1/tidmar-batch.1
need share/doc/tidmar/LICENSE
need share/doc/tidmar/CHANGELOG.md
need share/doc/tidmar/README.md
need share/doc/tidmar/tidmarhelp.txt
if [ "$gui" = ON ]; then
    need bin/tidmar
    need share/man/man1/tidmar.1
    need share/applications/tidmar.desktop
    need share/metainfo/org.tidmar.tidmar.metainfo.xml
    need share/icons/hicolor/scalable/apps/tidmar.svg
    for size in 16 32 48 64 128 256; do
        need share/icons/hicolor/${size}x$size/apps/tidmar.png
    done
fi

# The installed tool runs and names the version the package describes.
version=$("$prefix/bin/tidmar-batch" --version | cut -d' ' -f2)
if [ "$gui" = ON ] && ! grep -q "release version=\"$version\"" "$prefix/share/metainfo/org.tidmar.tidmar.metainfo.xml"; then
    echo "the AppStream release is not version $version"
    status=1
fi
for page in "$prefix"/share/man/man1/*.1; do
    if ! grep -q "^\.TH .*\"Tidmar III $version\"" "$page"; then
        echo "$(basename "$page") does not name version $version"
        status=1
    fi
done

# The validators print nothing for a sound package.
if [ "$gui" = ON ] && command -v desktop-file-validate > /dev/null; then
    report=$(desktop-file-validate "$prefix/share/applications/tidmar.desktop" 2>&1) || status=1
    [ -z "$report" ] || { echo "$report"; status=1; }
fi
if [ "$gui" = ON ] && command -v appstreamcli > /dev/null; then
    appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.tidmar.tidmar.metainfo.xml" \
        > "$prefix/appstream.txt" 2>&1 || status=1
    if grep -q '^[EWIP]:' "$prefix/appstream.txt"; then
        cat "$prefix/appstream.txt"
        status=1
    fi
fi
exit $status
