#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line at the top of every tracked source file that
# lacks one (after a #! line). Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
line='SPDX-License-Identifier: GPL-3.0-or-later'
git ls-files -z -- '*.cpp' '*.h' '*.py' '*.sh' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' '.ci/run' |
while IFS= read -r -d '' file; do
    grep -q "$line" "$file" && continue
    case "$file" in
        *.cpp|*.h) comment="// $line" ;;
        *) comment="# $line" ;;
    esac
    if head -n 1 "$file" | grep -q '^#!'; then
        { head -n 1 "$file"; echo "$comment"; tail -n +2 "$file"; } > "$file.spdx"
    else
        { echo "$comment"; cat "$file"; } > "$file.spdx"
    fi
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
done
