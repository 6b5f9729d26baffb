#!/usr/bin/env bash
# Builds the program and the demo disc, prepares the Wine prefix with the disc
# as CD-ROM drive Q: and starts Q:\TazuStart.exe from the disc root.
# With $DISPLAY set it simply opens in a window. Without one it runs under
# Xvfb and takes a guided tour, pressing the buttons itself and saving a
# screenshot of each step to build/screenshots/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
if [ "$(id -u)" = 0 ]; then
    ./scripts/setup-deps.sh
fi

export TAZU_BUILD_WIN=${TAZU_BUILD_WIN:-$repo/build/win}
echo "run-demo: building $TAZU_BUILD_WIN" >&2
cmake -S "$repo" -B "$TAZU_BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$TAZU_BUILD_WIN" -j"$(nproc 2>/dev/null || echo 2)" --target demo_disc tazuauto >/dev/null

disc=$TAZU_BUILD_WIN/demo/disc1
# shellcheck source=wine-env.sh
. "$repo/scripts/wine-env.sh"
tazu_prepare_prefix "$disc" QUENDRIL1

if [ -n "${DISPLAY:-}" ]; then
    cd "$disc"
    exec wine 'Q:\TazuStart.exe'
fi

# ---- the guided tour under Xvfb ----
shots=$repo/build/screenshots
mkdir -p "$shots" "$repo/build/test-logs"
rm -f "$shots"/*.png
export E2E_LOG=$repo/build/test-logs/demo-wine.log
: > "$E2E_LOG"
# shellcheck source=../tests/e2e/lib.sh
. "$repo/tests/e2e/lib.sh"

UTIL_PID=
finish() {
    stop_process "$UTIL_PID"
    wineserver -k 2>/dev/null || true
    e2e_stop_xvfb
}
trap finish EXIT

# A wineserver of an earlier run may still serve another display.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
e2e_start_xvfb 97
wineserver -p 2>/dev/null || true
echo "run-demo: Xvfb on $DISPLAY" >&2

# Runs the tour read from standard input, one step a line:
#   shot <name>          screenshot build/screenshots/<nn>-<name>.png
#   sleep <seconds>
#   expect-exit          the utility ends with exit code 0
#   <tazuauto command>   e.g. wait-window TfrmCdRom, click TfrmInstMain 109,
#                        msgbox-press 6 (see tests/e2e/tazuauto.cpp)
tour() {
    local n=0 step args
    while read -r step args; do
        case $step in ''|'#'*) continue ;; esac
        echo "  $step $args" >&2
        case $step in
        shot)
            n=$((n + 1))
            screenshot "$shots/$(printf '%02d' "$n")-$args.png"
            ;;
        sleep) sleep "$args" ;;
        expect-exit)
            wait_process "$UTIL_PID" 15 || { echo "run-demo: the utility did not end" >&2; return 1; }
            UTIL_PID=
            echo "run-demo: the utility ended with exit code $EXIT_CODE" >&2
            ;;
        *)
            # shellcheck disable=SC2086
            auto "$step" $args || { echo "run-demo: step failed: $step $args" >&2; return 1; }
            ;;
        esac
    done
}

start_utility
status=0
tour <<'EOF' || status=1
# Disc 1 is in Q:; the utility asks for the drive first.
wait-window TfrmCdRom 30000
shot cd-dialog
click TfrmCdRom 103
# The menu of a game that is not installed yet.
wait-window TfrmInstMain 30000
sleep 0.5
shot main-menu
# Quit with the menu's own button.
click TfrmInstMain 109
expect-exit
EOF

echo "Screenshots: $shots"
ls "$shots"/*.png 2>/dev/null | sed 's/^/  /'
exit "$status"
