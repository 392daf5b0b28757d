#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Python module installed as Python users install it, each time into a
# fresh venv (with the system's packages, for numpy): by cmake --install with
# the venv as prefix, and by pip install . offline, which builds the module
# for the venv's interpreter. Each venv then imports its own copy and steps
# a bed. Usage: check_python_install.sh BUILD_DIR SOURCE_DIR PYTHON [pip]
set -eu
build=$1
source=$2
python=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# From the work folder: the current folder comes first on sys.path.
check() {
    cd "$work" && "$1/bin/python" -c "
import sys, tidmar
assert tidmar.__file__.startswith(sys.prefix), tidmar.__file__
bed = tidmar.Bed(12, 10, seed=3)
bed.step(4)
assert bed.step_count == 4
"
}

"$python" -m venv --system-site-packages --without-pip "$work/cmake"
cmake --install "$build" --prefix "$work/cmake" > /dev/null
check "$work/cmake"

if [ "${4:-}" = pip ]; then
    "$python" -m venv --system-site-packages --without-pip "$work/pip"
    (cd "$work" && "$work/pip/bin/python" -m pip install --quiet --no-build-isolation --no-index "$source")
    check "$work/pip"
fi
