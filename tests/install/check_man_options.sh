#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option that tidmar-batch --help, sweep --help or merge --help names
# must be described in the manual page. Usage: check_man_options.sh TIDMAR_BATCH PAGE
set -eu
batch=$1
page=$2
status=0
for option in $({ "$batch" --help; "$batch" sweep --help; "$batch" merge --help; } | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    # roff writes each leading hyphen as \-.
    if ! grep -qF -- "\\-\\-${option#--}" "$page"; then
        echo "$option is not in $(basename "$page")"
        status=1
    fi
done
exit $status
