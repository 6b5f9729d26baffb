#!/usr/bin/env bash
# Runs every test tier and ends with one line "N passed, N failed":
#   1. native tests against the fakes (plain, then under ASan and UBSan),
#   2. the win32 layer's tests under Wine,
#   3. the end-to-end tests of the real program under Wine and Xvfb,
#   4. tazucheck on the demo disc and its images (no error, no warning),
#   5. the path model's fuzz target for a bounded time (TAZU_FUZZ_SECONDS, 30).
# Before them, the include check: no cycle among the modules
# (scripts/check-includes.sh). Installs what is missing and builds
# everything first.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
jobs=$(nproc 2>/dev/null || echo 2)
logs=$repo/build/test-logs
passed=0
failed=0

if [ "$(id -u)" = 0 ]; then
    ./scripts/setup-deps.sh || { echo "0 passed, 1 failed"; exit 1; }
fi
mkdir -p "$logs"

# ---- the include graph of the modules has no cycle ----
if "$repo/scripts/check-includes.sh" > "$logs/includes.log" 2>&1; then
    echo "includes: 1 passed, 0 failed"
    passed=$((passed + 1))
else
    cat "$logs/includes.log" >&2
    echo "includes: 0 passed, 1 failed"
    failed=$((failed + 1))
fi

# Adds the counts of a GoogleTest run; a run that printed no summary (it
# crashed or never started) counts as one failure.
count_gtest() {  # <name> <log> <exit status>
    local p f
    p=$(grep -aoE '^\[  PASSED  \] [0-9]+ test' "$2" | grep -oE '[0-9]+' | tail -1)
    f=$(grep -aoE '^\[  FAILED  \] [0-9]+ test' "$2" | grep -oE '[0-9]+' | tail -1)
    p=${p:-0}
    f=${f:-0}
    if [ "$p" = 0 ] && [ "$f" = 0 ] || { [ "$3" != 0 ] && [ "$f" = 0 ]; }; then
        f=$((f + 1))
        echo "$1: the test program did not finish (status $3); see $2" >&2
        tail -20 "$2" >&2
    fi
    grep -aE '^\[  FAILED  \] [A-Za-z]' "$2" | sort -u >&2
    echo "$1: $p passed, $f failed"
    passed=$((passed + p))
    failed=$((failed + f))
}

build() {  # <build dir> <cmake args...>
    local dir=$1
    shift
    { cmake -S "$repo" -B "$dir" "$@" && cmake --build "$dir" -j"$jobs"; } > "$logs/$(basename "$dir")-build.log" 2>&1
}

# ---- tier 1: native ----
if build "$repo/build/native" -DCMAKE_BUILD_TYPE=Debug; then
    TAZU_SWEEP_STRIDE=${TAZU_SWEEP_STRIDE:-1} "$repo/build/native/tests/native/native_tests" > "$logs/native.log" 2>&1
    count_gtest native "$logs/native.log" $?
    "$repo/build/native/tests/tazucheck/tazucheck_tests" > "$logs/tazucheck-tests.log" 2>&1
    count_gtest tazucheck "$logs/tazucheck-tests.log" $?
else
    echo "native: build failed; see $logs/native-build.log" >&2
    tail -30 "$logs/native-build.log" >&2
    failed=$((failed + 1))
fi
if build "$repo/build/asan" -DCMAKE_BUILD_TYPE=Debug -DTAZU_SANITIZE=ON; then
    TAZU_SWEEP_STRIDE=${TAZU_SWEEP_STRIDE:-9} ASAN_OPTIONS=detect_leaks=1 "$repo/build/asan/tests/native/native_tests" > "$logs/asan.log" 2>&1
    count_gtest native-asan "$logs/asan.log" $?
else
    echo "native-asan: build failed; see $logs/asan-build.log" >&2
    failed=$((failed + 1))
fi

# ---- the path model and the log reader under libFuzzer, for a bounded time ----
# The corpus grows in build/fuzz-corpus from the seeds in tests/fuzz/seeds.
fuzz_seconds=${TAZU_FUZZ_SECONDS:-30}
if build "$repo/build/fuzz" -DTAZU_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang; then
    mkdir -p "$repo/build/fuzz-corpus"
    if "$repo/build/fuzz/tests/fuzz/path_fuzz" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        "$repo/build/fuzz-corpus" "$repo/tests/fuzz/seeds" > "$logs/fuzz.log" 2>&1; then
        echo "fuzz: 1 passed, 0 failed ($(grep -aoE 'Done [0-9]+ runs' "$logs/fuzz.log" | tail -1) in ${fuzz_seconds} s, corpus $(ls "$repo/build/fuzz-corpus" | wc -l) inputs)"
        passed=$((passed + 1))
    else
        echo "fuzz: a finding; see $logs/fuzz.log" >&2
        tail -30 "$logs/fuzz.log" >&2
        failed=$((failed + 1))
    fi
else
    echo "fuzz: build failed; see $logs/fuzz-build.log" >&2
    failed=$((failed + 1))
fi

# ---- tiers 2 and 3: Windows ----
export TAZU_BUILD_WIN=$repo/build/win
if build "$TAZU_BUILD_WIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake"; then
    # shellcheck source=scripts/wine-env.sh
    . "$repo/scripts/wine-env.sh"
    if tazu_prepare_prefix "$TAZU_BUILD_WIN/demo/disc1" > "$logs/prefix.log" 2>&1; then
        # A 1 MiB volume as drive S: for the full-disk case (mounting needs root).
        small=$repo/build/small-drive
        mkdir -p "$small"
        if mountpoint -q "$small" || mount -t tmpfs -o size=1m tmpfs "$small" 2>/dev/null; then
            ln -sfn "$small" "$WINEPREFIX/dosdevices/s:"
            export TAZU_SMALL_DRIVE=S:
        else
            echo "win32: no small drive (mounting a tmpfs needs root); the full-disk case is skipped" >&2
        fi
        xvfb-run -a -s "-screen 0 1024x768x24" wine "$TAZU_BUILD_WIN/tests/win32/win32_tests.exe" \
            > "$logs/win32.log" 2>&1
        count_gtest win32 "$logs/win32.log" $?
        rm -f "$WINEPREFIX/dosdevices/s:"
        mountpoint -q "$small" && umount "$small"
        unset TAZU_SMALL_DRIVE
        wineserver -k 2>/dev/null
        "$repo/tests/e2e/run.sh" > "$logs/e2e.log" 2>&1
        status=$?
        grep -aE '^(PASS|FAIL) ' "$logs/e2e.log" | grep -a '^FAIL' >&2
        line=$(grep -aE '^e2e: [0-9]+ passed, [0-9]+ failed' "$logs/e2e.log" | tail -1)
        if [ -n "$line" ]; then
            echo "$line"
            p=$(echo "$line" | sed -E 's/^e2e: ([0-9]+) passed.*/\1/')
            f=$(echo "$line" | sed -E 's/.* ([0-9]+) failed.*/\1/')
            passed=$((passed + p))
            failed=$((failed + f))
            [ "$status" != 0 ] && [ "$f" = 0 ] && failed=$((failed + 1))
        else
            echo "e2e: did not finish (status $status); see $logs/e2e.log" >&2
            tail -20 "$logs/e2e.log" >&2
            failed=$((failed + 1))
        fi
    else
        echo "wine prefix could not be prepared; see $logs/prefix.log" >&2
        failed=$((failed + 1))
    fi
else
    echo "win: build failed; see $logs/win-build.log" >&2
    tail -30 "$logs/win-build.log" >&2
    failed=$((failed + 1))
fi

# ---- the demo discs pass tazucheck ----
# The native tazucheck of tier 1 on the demo disc of the Windows tree, as a
# folder and as the images mastered from it, each counted as one test: a
# change that breaks the demo disc fails here.
check=$repo/build/native/tools/tazucheck/tazucheck
demo=$TAZU_BUILD_WIN/demo
for discs in "disc1" "demo.iso" "two-disc/disc1.iso two-disc/disc2.iso"; do
    name="tazucheck demo ${discs// / + }"
    args=()
    for d in $discs; do args+=("$demo/$d"); done
    if [ -x "$check" ] && [ -e "${args[0]}" ]; then
        "$check" "${args[@]}" > "$logs/tazucheck.log" 2>&1
        status=$?
        if [ "$status" = 0 ] && [ "$(tail -1 "$logs/tazucheck.log")" = "0 errors, 0 warnings" ]; then
            echo "$name: 1 passed, 0 failed"
            passed=$((passed + 1))
        else
            echo "$name: findings (status $status)" >&2
            cat "$logs/tazucheck.log" >&2
            failed=$((failed + 1))
        fi
    else
        echo "$name: tazucheck or the demo disc was not built" >&2
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
