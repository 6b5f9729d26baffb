#!/usr/bin/env bash
# The include graph of the modules has no cycle. A module is a .h/.cpp
# pair of src/ or tools/ (src/install/report.h and .cpp are install/report);
# A -> B when A.h or A.cpp includes B.h. Prints the pairs to tsort, which
# names the members of a loop on its error output and fails.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

# "<module> <module>" for every include between two modules.
pairs() {
    local file mod inc target
    find src tools -name '*.h' -o -name '*.cpp' | LC_ALL=C sort | while read -r file; do
        mod=${file%.*}
        mod=${mod#src/}
        echo "$mod $mod"  # every module, also one that includes none
        sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' "$file" | while read -r inc; do
            for target in "src/${inc%.*}" "tools/${inc%.*}"; do
                if [ -e "$target.h" ]; then
                    # The win32 entry hands over to the utility's entry;
                    # nothing of shell/main sees the platform.
                    [ "$mod" = platform/win32/winmain ] && [ "$target" = src/shell/main ] && break
                    [ "${target#src/}" != "$mod" ] && echo "$mod ${target#src/}"
                    break
                fi
            done
        done
    done
}

if out=$(pairs | tsort 2>&1 >/dev/null) && [ -z "$out" ]; then
    echo "includes: no cycle among the modules"
    exit 0
fi
echo "includes: the modules include each other in a cycle:" >&2
echo "$out" >&2
exit 1
