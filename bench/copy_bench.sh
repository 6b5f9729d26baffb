#!/usr/bin/env bash
# Copy benchmark: the utility's install copy against plain CopyFileW, under
# Wine, on two payloads:
#   small  2,000 files of 64 KiB in one group (TAZ, through a list file)
#   big    8 files of 128 MiB (TZM, File keys)
# For each payload and InstBufSize it times the utility from the click on Yes
# in the create-folder question to the completion question (what the user
# waits for), and CopyFileW of the same files (same source folder on Q:, fresh
# destination on C:) with bench/copyw_timer, alternately, with the page cache
# warm and no dirty pages at the start; then prints best, median and ratios.
# A third measurement, a plain ReadFile/WriteFile loop of the utility's step,
# shows what the copy costs without any window work.
# One extra run on the big payload grabs the copy form twice mid-copy (bars
# moving), reads pgbAll's position, and times Cancel clicks to the question.
# Not a test: nothing runs it but a person.
#
#   bench/copy_bench.sh
# Results: build/copybench-logs/summary.txt (and one file per run there),
# screenshots: build/copybench-shots/copy-mid-{1,2}.png.
# Settings (environment):
#   BENCH_BUILD     Windows build tree       (build/copybench-win; built here with -j2)
#   BENCH_PREFIX    Wine prefix              (build/copybench-prefix)
#   BENCH_DISC      generated disc folder    (build/copybench-disc; deleted at the end)
#   BENCH_RUNS      runs of each measurement (5)
#   BENCH_BUFSIZES  InstBufSize values       ("32768")
#   BENCH_PAYLOADS  payloads                 ("small big")
#   BENCH_CANCELS   Cancel clicks timed      (5; 0 skips the probe run)
#   BENCH_DISPLAY   first Xvfb display tried (140)
#   BENCH_KEEP_PAYLOAD=1  keep the generated disc for the next run
#   BENCH_NO_BUILD=1      use the build tree as it is
#   BENCH_CHUNKED=0       skip the plain ReadFile/WriteFile loop runs (a third
#                         measurement: the copy without any window work)
#   BENCH_PERF=1          after the timed runs of a payload, one untimed run of
#                         each under perf record; reports in build/copybench-logs
#   BENCH_TRACE=1         at the end, one untimed run of each on the small
#                         payload with the wineserver tracing requests: prints
#                         the requests per copied file
#   BENCH_LIB_ONLY=1      when sourced: define the helpers, run nothing
#   BENCH_BASELINE="<rev> ..."  also time the programs of other commits (tags,
#                         branches, hashes: what this change replaces), each built
#                         in build/copybench-baseline-<hash>-win from a checkout of
#                         that commit; their runs alternate with this tree's and
#                         CopyFileW's, and the summary gives them side by side
#   BENCH_CPU=N           run the whole bench (Xvfb, the wineserver, every
#                         program timed) on CPU N alone. Under Wine a file or
#                         window call is a request to the wineserver; when the
#                         two processes sit on different CPUs each one also
#                         waits for the other to be woken there, which on a
#                         small virtual machine costs more than the work and
#                         varies from run to run (it is most of the spread of
#                         the unpinned figures). Both sides of a ratio run so.
set -uo pipefail

# The same script again under taskset (this one, or the bench that sourced it).
if [ -n "${BENCH_CPU:-}" ] && [ -z "${BENCH_PINNED:-}" ]; then
    export BENCH_PINNED=$BENCH_CPU
    exec taskset -c "$BENCH_CPU" "$0" "$@"
fi

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$repo/build/copybench-win}
export TAZU_WINEPREFIX=${BENCH_PREFIX:-$repo/build/copybench-prefix}
disc=${BENCH_DISC:-$repo/build/copybench-disc}
runs=${BENCH_RUNS:-5}
bufsizes=${BENCH_BUFSIZES:-32768}
payloads=${BENCH_PAYLOADS:-small big}
cancels=${BENCH_CANCELS:-5}
first_display=${BENCH_DISPLAY:-140}
logs=$repo/build/copybench-logs
shots=$repo/build/copybench-shots
mkdir -p "$logs" "$shots"

small_count=2000 small_bytes=65536
big_count=8 big_bytes=134217728

say() { printf '%s\n' "$*" >&2; }
die() { say "copy_bench: $*"; exit 1; }

# ---- build ---------------------------------------------------------------------

if [ "${BENCH_NO_BUILD:-0}" != 1 ]; then
    say "copy_bench: building $build"
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" >"$logs/cmake.log" 2>&1 || die "cmake failed (see $logs/cmake.log)"
    cmake --build "$build" -j2 --target demo_disc tazuauto copyw_timer minwin >>"$logs/cmake.log" 2>&1 ||
        die "build failed (see $logs/cmake.log)"
fi
demo=$build/demo/disc1
timer=$build/bench/copyw_timer.exe
if [ ! -f "$demo/TazuStart.exe" ] || [ ! -f "$timer" ]; then die "missing $demo/TazuStart.exe or $timer"; fi

# The programs of the commits this one is measured against: a detached
# checkout of each, built as this tree is. Only their TazuStart.exe is used;
# the disc, the timer and the automation stay this tree's.
baseline_revs=() baseline_exes=()
for rev in ${BENCH_BASELINE:-}; do
    base_rev=$(git -C "$repo" rev-parse --verify "${rev}^{commit}" 2>/dev/null) ||
        die "BENCH_BASELINE: no commit $rev"
    base_src=$repo/build/copybench-baseline-${base_rev:0:12}-src base_build=$repo/build/copybench-baseline-${base_rev:0:12}-win
    if [ "$(git -C "$base_src" rev-parse HEAD 2>/dev/null)" != "$base_rev" ]; then
        rm -rf "$base_src" "$base_build"
        git -C "$repo" worktree prune
        git -C "$repo" worktree add -q --detach "$base_src" "$base_rev" || die "cannot check out $rev"
    fi
    if [ "${BENCH_NO_BUILD:-0}" != 1 ] || [ ! -f "$base_build/demo/disc1/TazuStart.exe" ]; then
        say "copy_bench: building the baseline ${base_rev:0:12} in $base_build"
        { cmake -S "$base_src" -B "$base_build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$base_src/cmake/mingw-w64.cmake" &&
            cmake --build "$base_build" -j2 --target demo_disc; } >"$logs/cmake-baseline.log" 2>&1 ||
            die "baseline build failed (see $logs/cmake-baseline.log)"
    fi
    [ -f "$base_build/demo/disc1/TazuStart.exe" ] || die "missing $base_build/demo/disc1/TazuStart.exe"
    baseline_revs+=("${base_rev:0:12}")
    baseline_exes+=("$base_build/demo/disc1/TazuStart.exe")
done

export TAZU_BUILD_WIN=$build
# shellcheck source=../scripts/wine-env.sh
. "$repo/scripts/wine-env.sh"
export E2E_LOG=$logs/wine.log
: >"$E2E_LOG"
# shellcheck source=../tests/e2e/lib.sh
. "$repo/tests/e2e/lib.sh"

# ---- the disc ------------------------------------------------------------------

# [Setting] value of the demo's Setup.inf, as UTF-8.
demo_value() { setup_inf_value "$demo" "$1"; }
bytes() { stat -c %s "$1"; }

# Filler of exactly <bytes> bytes.
filler() {  # <bytes> <tag>
    { yes "QUENDRIL bench data $2 " || true; } | head -c "$1"
}

make_disc() {
    mkdir -p "$disc/InstData/TAZ" "$disc/InstData/TZM"
    cp "$demo/TazuStart.exe" "$disc/"
    local f
    for f in Tazu.exe Tazu.env ovit.dll ovit_mwv.dll "$(demo_value ShortcutIcon)"; do
        cp "$demo/InstData/$f" "$disc/InstData/"
    done
    # No readme.txt: no viewer starts after the copy.
    rm -f "$disc/readme.txt"

    local n=0 name
    [[ " $payloads " == *" small "* ]] || n=-1
    for f in "$disc"/InstData/TAZ/*.taz; do [ "$(bytes "$f" 2>/dev/null)" = "$small_bytes" ] && n=$((n + 1)); done
    if [ "$n" != -1 ] && [ "$n" != "$small_count" ]; then
        say "copy_bench: generating $small_count files of $small_bytes bytes"
        rm -rf "$disc/InstData/TAZ" && mkdir -p "$disc/InstData/TAZ"
        filler $((small_count * small_bytes)) small |
            (cd "$disc/InstData/TAZ" && split -b "$small_bytes" -d -a 4 --additional-suffix=.taz - data_)
    fi
    : >"$disc/list-small.utf8"
    for f in "$disc"/InstData/TAZ/*.taz; do printf '%s\r\n' "${f##*/}" >>"$disc/list-small.utf8"; done
    iconv -f UTF-8 -t CP932 "$disc/list-small.utf8" >"$disc/SetupTAZ1.inf"
    rm -f "$disc/list-small.utf8"

    [[ " $payloads " == *" big "* ]] || return 0
    for n in $(seq "$big_count"); do
        name=$disc/InstData/TZM/big$n.tzm
        if [ "$(bytes "$name" 2>/dev/null)" != "$big_bytes" ]; then
            say "copy_bench: generating ${name##*/} ($big_bytes bytes)"
            filler "$big_bytes" "big$n" >"$name"
        fi
    done
}

# The main files in the order the utility copies them (ovit.dll: the PCM install).
main_files() { printf '%s\n' Tazu.exe Tazu.env ovit.dll "$(demo_value ShortcutIcon)"; }

# Group and file names of a payload, one "GROUP name" a line.
payload_files() {  # small|big
    local f
    if [ "$1" = small ]; then
        for f in "$disc"/InstData/TAZ/*.taz; do echo "TAZ ${f##*/}"; done
    else
        for f in "$disc"/InstData/TZM/*.tzm; do echo "TZM ${f##*/}"; done
    fi
}

payload_bytes() {  # small|big
    if [ "$1" = small ]; then echo $((small_count * small_bytes)); else echo $((big_count * big_bytes)); fi
}

# Setup.inf (Shift-JIS, CR LF) for a payload and a buffer size.
write_setup_inf() {  # small|big <InstBufSize>
    local ovit mwv tazu taz=0 tzm=0 taz_keys="" tzm_keys="" n=0 f
    ovit=$(bytes "$disc/InstData/ovit.dll") mwv=$(bytes "$disc/InstData/ovit_mwv.dll")
    ((mwv > ovit)) && ovit=$mwv
    tazu=$(($(bytes "$disc/InstData/Tazu.exe") + $(bytes "$disc/InstData/Tazu.env") + ovit +
            $(bytes "$disc/InstData/$(demo_value ShortcutIcon)")))
    if [ "$1" = small ]; then
        taz=$(payload_bytes small)
        taz_keys="File1=:"
    else
        tzm=$(payload_bytes big)
        for f in "$disc"/InstData/TZM/*.tzm; do
            n=$((n + 1))
            tzm_keys+="File$n=${f##*/}"$'\n'
        done
    fi
    {
        echo "[Setting]"
        echo "GameTitle=$(demo_value GameTitle)"
        echo "DefInstPath=$(demo_value DefInstPath)"
        echo "ProgramFolder=$(demo_value ProgramFolder)"
        echo "RegKey=$(demo_value RegKey)"
        echo "ShortcutIcon=$(demo_value ShortcutIcon)"
        echo "InstBufSize=$2"
        echo "TotalDisc=1"
        echo "TazuInstSize=$tazu"
        echo "DatInstSize=0"
        echo "TazInstSize=$taz"
        echo "TzdInstSize=0"
        echo "TzsInstSize=0"
        echo "TzmInstSize=$tzm"
        echo "VolumeLabel1=$(demo_value VolumeLabel1)"
        echo "DiscName1=$(demo_value DiscName1)"
        echo
        echo "[DAT1]"
        echo
        echo "[TAZ1]"
        [ -n "$taz_keys" ] && echo "$taz_keys"
        echo
        echo "[TZD1]"
        echo
        echo "[TZS1]"
        echo
        echo "[TZM1]"
        printf '%s' "$tzm_keys"
    } | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$disc/Setup.inf"
}

# The CopyFileW list of a payload: "Q:\source TAB relative destination".
write_copy_list() {  # small|big <file>
    local f group name
    {
        while read -r f; do printf 'Q:\\InstData\\%s\t%s\r\n' "$f" "$f"; done < <(main_files)
        while read -r group name; do
            printf 'Q:\\InstData\\%s\\%s\t%s\\%s\r\n' "$group" "$name" "$group" "$name"
        done < <(payload_files "$1")
    } >"$2"
}

warm_cache() {  # small|big
    local group
    group=$([ "$1" = small ] && echo TAZ || echo TZM)
    cat "$disc"/InstData/* "$disc/InstData/$group"/* >/dev/null 2>&1
    cat "$disc"/InstData/* "$disc/InstData/$group"/* >/dev/null 2>&1
}

# ---- Wine, Xvfb, the utility ----------------------------------------------------

c_drive=$WINEPREFIX/drive_c
inst_win='C:\BenchInst' inst_unix=$c_drive/BenchInst
copy_win='C:\BenchCopy' copy_unix=$c_drive/BenchCopy
reg_key="Software\\$(setup_inf_value "$demo" RegKey)"
UTIL_PID=
WATCH_PID=
LAST_UTIL_PID=0
ws_pid=0

finish() {
    [ -n "$WATCH_PID" ] && kill "$WATCH_PID" 2>/dev/null
    stop_process "$UTIL_PID"
    wineserver -k 2>/dev/null || true
    e2e_stop_xvfb
    rm -rf "$inst_unix" "$copy_unix"
    if [ "${BENCH_KEEP_PAYLOAD:-0}" != 1 ]; then
        rm -rf "$disc"
        say "copy_bench: generated disc removed (BENCH_KEEP_PAYLOAD=1 keeps it)"
    fi
}

timer() { wine "$timer" "$@" </dev/null 2>>"$E2E_LOG"; }

# The wineserver of this prefix (for its CPU time).
wineserver_pid() {
    local p
    for p in $(pgrep -u "$(id -u)" wineserver); do
        if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return
        fi
    done
    echo 0
}

# Both destinations gone, the record gone, dirty pages written, the
# payload read again: every measurement starts from the same state. (The
# machine may take cold pages back between runs, the payload's among them:
# a measurement would then read part of it from the disk.)
current_payload=
clean_dests() {
    rm -rf "$inst_unix" "$copy_unix"
    auto reg-delete-tree HKCU "$reg_key" >/dev/null
    sync
    if [ -n "$current_payload" ]; then warm_cache "$current_payload"; fi
}

# Starts the utility and brings it to the main window with the install
# folder typed in.
open_menu() {
    start_utility
    auto wait-window TfrmCdRom 60000 || { say "no CD-ROM dialog"; return 1; }
    local index
    index=$(auto dump TfrmCdRom | awk -F'\t' '$1 == "item" && $2 == 102 && $5 ~ /^Q:/ { print $3; exit }')
    [ -n "$index" ] || { say "drive Q: is not offered"; return 1; }
    auto select TfrmCdRom 102 "$index" && auto click TfrmCdRom 103 || return 1
    auto wait-window TfrmInstMain 60000 || { say "no main window"; return 1; }
    auto set-text TfrmInstMain 103 "$inst_win"
}

# Clicks the install button and says yes to creating the folder.
click_install() {
    auto click TfrmInstMain 100 || return 1
    local box
    box=$(auto msgbox 30000) || { say "no question after the install click"; return 1; }
    grep -q '作成しますか' <<<"$box" || { say "unexpected box: $box"; return 1; }
    auto msgbox-press 6 5000
}

wait_line() {  # <file> <regex> <seconds>
    local i
    for i in $(seq $(($3 * 20))); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# The utility ends by itself or after the exit button; stops it otherwise.
close_utility() {
    wait_process "$UTIL_PID" 30 || { say "the utility did not end"; stop_process "$UTIL_PID"; }
    UTIL_PID=
}

# Puts the program of <which> (this, or the index of a baseline) on the disc.
use_program() {  # this|<baseline index>
    if [ "$1" = this ]; then cp "$demo/TazuStart.exe" "$disc/TazuStart.exe"; else cp "${baseline_exes[$1]}" "$disc/TazuStart.exe"; fi
}

# One timed install; prints "install copyform finish start" seconds and CPU
# lines to <out>: from the Yes in the create-folder question to the
# completion question, the copy form alone, from its end to the question,
# from the Yes to the copy form. With <perf-data>, perf records the utility, the wineserver and
# Xvfb meanwhile (not a timed run then).
run_install() {  # <out> [perf-data]
    local out=$1 watch=$logs/watch.txt perf_pid=
    clean_dests
    open_menu || return 1
    : >"$watch"
    LAST_UTIL_PID=$UTIL_PID
    timer watch-install 900000 "$UTIL_PID" "$ws_pid" "$E2E_XVFB_PID" >"$watch" &
    WATCH_PID=$!
    wait_line "$watch" '^watching' 30 || { say "the watcher did not start"; return 1; }
    if [ -n "${2:-}" ]; then
        perf record -q -F 1999 -g -p "$UTIL_PID,$ws_pid,$E2E_XVFB_PID" -o "$2" >/dev/null 2>&1 &
        perf_pid=$!
        sleep 1
    fi
    # The watcher answers the create-folder question: its clock starts there.
    auto click TfrmInstMain 100 || return 1
    wait "$WATCH_PID"
    local rc=$?
    WATCH_PID=
    if [ -n "$perf_pid" ]; then
        kill -INT "$perf_pid"
        wait "$perf_pid"
    fi
    cp "$watch" "$out"
    if [ "$rc" != 0 ] || ! grep -q '^box.*インストールが完了しました' "$watch"; then
        say "install run failed: $(tr '\n' ' ' <"$watch")"
        return 1
    fi
    auto msgbox-press 7 10000  # do not start the game now
    auto wait-window TfrmInstMain 10000
    auto click TfrmInstMain 109
    close_utility
}

run_copyw() {  # <list> <out> [perf-data]
    clean_dests
    local perf=()
    [ -n "${3:-}" ] && perf=(perf record -q -F 1999 -g -o "$3" --)
    "${perf[@]}" wine "$timer" copy "$(tazu_winpath "$1")" "$copy_win" "$ws_pid" "$E2E_XVFB_PID" \
        </dev/null >"$2" 2>>"$E2E_LOG" || { say "CopyFileW run failed"; return 1; }
}

# The same files by a plain ReadFile/WriteFile loop of <chunk> bytes: the copy
# without any window work.
run_chunked() {  # <list> <out> <chunk>
    clean_dests
    timer chunked "$3" 0 "$(tazu_winpath "$1")" "$copy_win" "$ws_pid" "$E2E_XVFB_PID" >"$2" ||
        { say "chunked copy run failed"; return 1; }
}

# Where the CPU time went in a perf recording: by process and library, then
# the hottest symbols.
perf_summary() {  # <perf-data> <out>
    {
        echo "## by process and library (self time)"
        perf report -i "$1" --no-children --sort comm,dso --stdio 2>/dev/null | grep -v '^#' | grep -v '^$' | head -30
        echo "## hottest symbols (self time)"
        perf report -i "$1" --no-children --sort comm,dso,sym --stdio -g none 2>/dev/null | grep -v '^#' |
            grep -v '^$' | head -40
    } >"$2"
}

# Best and median of the numbers on standard input.
stats() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "- -"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.3f %.3f\n", v[1], m }'
}

# "min-max" of the numbers in <file>.
spread() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%s-%s", lo, hi; else printf "-" }'; }

# CPU seconds of every process measured in a result file (user + system).
cpu_total() {  # <file>
    awk -F'\t' '$1 == "cpu" && $3 != "?" { t += $3 + $4 } $1 == "self" { t += $2 + $3 } END { printf "%.2f\n", t }' "$1"
}

# "user+sys" of the CPU line of <pid> in a result file.
cpu_of() {  # <file> <pid>
    awk -F'\t' -v p="$2" '$1 == "cpu" && $2 == p { printf "%s+%s", $3, $4 }' "$1"
}

# ---- main ----------------------------------------------------------------------

# Sourced with BENCH_LIB_ONLY=1: the helpers above, for experiments by hand.
if [ "${BENCH_LIB_ONLY:-0}" = 1 ]; then return 0 2>/dev/null || exit 0; fi

trap finish EXIT
make_disc
e2e_start_xvfb "$first_display"
tazu_prepare_prefix "$disc" "$(demo_value VolumeLabel1)" || die "cannot prepare the prefix"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p 2>/dev/null || true
ws_pid=$(wineserver_pid)
say "copy_bench: Xvfb on $DISPLAY, prefix $WINEPREFIX, disc $disc${BENCH_PINNED:+, all on CPU $BENCH_PINNED}"

summary=$logs/summary.txt
: >"$summary"
[ -n "${BENCH_PINNED:-}" ] && echo "(all on CPU $BENCH_PINNED)" >>"$summary"
status=0
for payload in $payloads; do
    list=$logs/copy-$payload.txt
    write_copy_list "$payload" "$list"
    files=$(($(wc -l <"$list")))
    mib=$(($(payload_bytes "$payload") / 1048576))
    say "== payload $payload: $files files, $mib MiB of payload"
    current_payload=$payload
    : >"$logs/copyw-$payload.all"
    : >"$logs/copyw-cpu-$payload.all"
    for buf in $bufsizes; do
        write_setup_inf "$payload" "$buf"
        : >"$logs/inst-$payload-$buf.all"
        : >"$logs/form-$payload-$buf.all"
        : >"$logs/inst-cpu-$payload-$buf.all"
        : >"$logs/chunked-$payload-$buf.all"
        for b in "${!baseline_revs[@]}"; do : >"$logs/base$b-$payload-$buf.all"; done
        for i in $(seq "$runs"); do
            for b in "${!baseline_revs[@]}"; do
                use_program "$b"
                r=$logs/base$b-$payload-$buf-$i.txt
                if run_install "$r"; then
                    read -r _ t _ < <(grep '^install' "$r")
                    echo "$t" >>"$logs/base$b-$payload-$buf.all"
                    say "  ${baseline_revs[$b]} buf=$buf run $i: ${t}s (CPU s user+sys: utility $(cpu_of "$r" "$LAST_UTIL_PID"))"
                else
                    status=1
                    stop_process "$UTIL_PID"
                    UTIL_PID=
                fi
            done
            use_program this
            r=$logs/inst-$payload-$buf-$i.txt
            if run_install "$r"; then
                read -r _ t _ f _ z _ a < <(grep '^install' "$r")
                echo "$t" >>"$logs/inst-$payload-$buf.all"
                echo "$f" >>"$logs/form-$payload-$buf.all"
                cpu_total "$r" >>"$logs/inst-cpu-$payload-$buf.all"
                say "  utility   buf=$buf run $i: ${t}s (${a}s to the copy form, which took ${f}s, then ${z}s to the question;" \
                    "CPU s user+sys: utility $(cpu_of "$r" "$LAST_UTIL_PID") wineserver $(cpu_of "$r" "$ws_pid")" \
                    "Xvfb $(cpu_of "$r" "$E2E_XVFB_PID"))"
            else
                status=1
                stop_process "$UTIL_PID"
                UTIL_PID=
            fi
            c=$logs/copyw-$payload-$buf-$i.txt
            if run_copyw "$list" "$c"; then
                read -r _ t _ < <(grep '^copyw' "$c")
                echo "$t" >>"$logs/copyw-$payload.all"
                cpu_total "$c" >>"$logs/copyw-cpu-$payload.all"
                say "  CopyFileW             run $i: ${t}s (CPU s user+sys: self $(awk -F'\t' '$1 == "self" { printf "%s+%s", $2, $3 }' "$c")" \
                    "wineserver $(cpu_of "$c" "$ws_pid"))"
            else
                status=1
            fi
            if [ "${BENCH_CHUNKED:-1}" = 1 ]; then
                # The utility's step: InstBufSize, at most 64 KiB.
                chunk=$((buf < 65536 ? buf : 65536))
                k=$logs/chunked-$payload-$buf-$i.txt
                if run_chunked "$list" "$k" "$chunk"; then
                    read -r _ t _ < <(grep '^chunked' "$k")
                    echo "$t" >>"$logs/chunked-$payload-$buf.all"
                    say "  plain loop of $chunk bytes run $i: ${t}s (CPU s user+sys: self $(awk -F'\t' '$1 == "self" { printf "%s+%s", $2, $3 }' "$k")" \
                        "wineserver $(cpu_of "$k" "$ws_pid"))"
                else
                    status=1
                fi
            fi
        done
    done
    if [ "${BENCH_PERF:-0}" = 1 ]; then
        buf=${bufsizes%% *}
        write_setup_inf "$payload" "$buf"
        say "  perf: one more (untimed) run of each under perf record"
        if run_install "$logs/perf-inst-$payload.txt" "$logs/perf-inst-$payload.data"; then
            perf_summary "$logs/perf-inst-$payload.data" "$logs/perf-inst-$payload.report"
        fi
        if run_copyw "$list" "$logs/perf-copyw-$payload.txt" "$logs/perf-copyw-$payload.data"; then
            perf_summary "$logs/perf-copyw-$payload.data" "$logs/perf-copyw-$payload.report"
        fi
        say "  perf: $logs/perf-inst-$payload.report $logs/perf-copyw-$payload.report"
    fi
    read -r cbest cmed < <(stats <"$logs/copyw-$payload.all")
    read -r _ ccpu < <(stats <"$logs/copyw-cpu-$payload.all")
    for buf in $bufsizes; do
        read -r ibest imed < <(stats <"$logs/inst-$payload-$buf.all")
        read -r _ fmed < <(stats <"$logs/form-$payload-$buf.all")
        read -r _ icpu < <(stats <"$logs/inst-cpu-$payload-$buf.all")
        read -r kbest kmed < <(stats <"$logs/chunked-$payload-$buf.all")
        awk -v p="$payload" -v b="$buf" -v ib="$ibest" -v im="$imed" -v fm="$fmed" -v cb="$cbest" -v cm="$cmed" \
            -v ic="$icpu" -v cc="$ccpu" -v n="$runs" -v files="$files" -v mib="$mib" -v kb="$kbest" -v km="$kmed" \
            -v chunk=$((buf < 65536 ? buf : 65536)) -v is="$(spread "$logs/inst-$payload-$buf.all")" \
            -v cs="$(spread "$logs/copyw-$payload.all")" -v ks="$(spread "$logs/chunked-$payload-$buf.all")" '
            function ratio(a, c) { return (c > 0 && a != "-") ? sprintf("%.2f", a / c) : "-" }
            BEGIN {
            rb = ratio(ib, cb); rm = ratio(im, cm)
            printf "%s payload (%d files, %d MiB), InstBufSize=%s, %d runs each:\n", p, files, mib, b, n
            printf "  utility   (Yes to the folder question -> completion question): best %ss  median %ss  (%s; copy form alone: median %ss)\n", ib, im, is, fm
            printf "  CopyFileW (same files, Q: -> C:):                                   best %ss  median %ss  (%s)\n", cb, cm, cs
            printf "  ratio utility/CopyFileW: best %s  median %s   goal <= 0.90: %s\n", rb, rm,
                   (rm != "-" && rm + 0 <= 0.90) ? "met" : "MISSED"
            if (kb != "-")
                printf "  for comparison, a plain ReadFile/WriteFile loop of %d bytes: best %ss  median %ss  (%s; utility/loop median %s)\n",
                       chunk, kb, km, ks, ratio(im, km)
            printf "  CPU seconds of all processes (median): utility+wineserver+Xvfb %s, CopyFileW+wineserver %s (ratio %s)\n",
                   ic, cc, ratio(ic, cc) }' |
            tee -a "$summary"
        for b in "${!baseline_revs[@]}"; do
            read -r bbest bmed < <(stats <"$logs/base$b-$payload-$buf.all")
            awk -v rev="${baseline_revs[$b]}" -v bb="$bbest" -v bm="$bmed" -v bs="$(spread "$logs/base$b-$payload-$buf.all")" \
                -v cm="$cmed" -v im="$imed" 'BEGIN {
                printf "  baseline %s, same runs: best %ss  median %ss  (%s); ratio to CopyFileW: median %s; this tree/baseline: %s\n",
                       rev, bb, bm, bs, (cm > 0 && bm != "-") ? sprintf("%.2f", bm / cm) : "-",
                       (bm > 0 && im != "-") ? sprintf("%.2f", im / bm) : "-" }' | tee -a "$summary"
        done
    done
done

# ---- bars moving and Cancel latency on the big payload -------------------------

if [ "$cancels" -gt 0 ] && [[ " $payloads " == *" big "* ]]; then
    say "== Cancel latency on the big payload ($cancels clicks)"
    write_setup_inf big "${bufsizes%% *}"
    warm_cache big
    probe=$logs/probe.txt
    clean_dests
    if open_menu; then
        rm -f "$shots"/copy-mid-*.bmp "$shots"/copy-mid-*.png
        timer probe "$(tazu_winpath "$shots")\\copy-mid" "$cancels" 900000 >"$probe" &
        WATCH_PID=$!
        click_install
        wait "$WATCH_PID" || say "the probe stopped early (the copy was nearly done)"
        WATCH_PID=
        # Normally the last question was answered Yes: the rollback runs, then
        # the utility reports the unfinished installation and closes. When the
        # probe stopped early, the copy ends with the completion question.
        box=$(auto msgbox 120000)
        if grep -q '正しく終了しませんでした' <<<"$box"; then
            auto msgbox-press 1 5000
        elif grep -q '完了しました' <<<"$box"; then
            auto msgbox-press 7 5000
            auto wait-window TfrmInstMain 10000
            auto click TfrmInstMain 109
        else
            say "unexpected box after the probe: $box"
        fi
        close_utility
        for b in "$shots"/copy-mid-*.bmp; do
            [ -f "$b" ] && convert "$b" "${b%.bmp}.png" && rm -f "$b"
        done
        awk -F'\t' '$1 == "pos" { printf "pgbAll at +%ss: %s%%\n", $2, $3 }' "$probe" | tee -a "$summary"
        awk -F'\t' '$1 == "cancel" { print $3; printf "Cancel %s: %s ms to the question (pgbAll %s%%)\n", $2, $3, $6 > "/dev/stderr" }' \
            "$probe" 2>&1 >"$logs/cancel.all" | tee -a "$summary"
        read -r lbest lmed < <(stats <"$logs/cancel.all")
        echo "Cancel latency over $(wc -l <"$logs/cancel.all") clicks: best ${lbest} ms, median ${lmed} ms, worst $(sort -g "$logs/cancel.all" | tail -1) ms" |
            tee -a "$summary"
        grep -q '中止しますか' "$probe" || say "the cancel question was not seen"
        echo "Screenshots: $(ls "$shots"/copy-mid-*.png 2>/dev/null | tr '\n' ' ')" | tee -a "$summary"
    else
        status=1
        stop_process "$UTIL_PID"
        UTIL_PID=
    fi
fi

# ---- wineserver requests per copied file (BENCH_TRACE=1) ------------------------

# Requests the thread that created <dir>\TAZ\<first> sent to the wineserver
# until it created <dir>\TAZ\<last>, per file, most frequent first.
requests_per_file() {  # <trace> <dir> <first> <last> <files between>
    awk -v dir="$2" -v first="$3" -v last="$4" -v n="$5" '
        function named(file) { return index($0, "create_file(") && index($0, dir "\\\\TAZ\\\\" file) }
        tid == "" && named(first) { tid = substr($0, 1, index($0, ":") - 1); on = 1 }
        on && substr($0, 1, length(tid) + 1) == tid ":" && match($0, /^[0-9a-f]+: [a-z_0-9]+\(/) {
            rest = substr($0, RLENGTH + 1)
            if (rest !~ /^\) = /) { count[substr($0, length(tid) + 3, RLENGTH - length(tid) - 3)]++; total++ }
        }
        on && named(last) { on = 0 }
        END {
            printf "total %.1f\n", total / n
            for (r in count) if (count[r] / n >= 0.5) printf "%s %.1f\n", r, count[r] / n
        }' "$1" | sort -k2 -gr | awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $2 } END { print "" }'
}

if [ "${BENCH_TRACE:-0}" = 1 ] && [[ " $payloads " == *" small "* ]]; then
    say "== wineserver requests per file (small payload, one untimed run of each)"
    trace=$logs/server-trace.txt
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wineserver -f -p -d1 2>"$trace" &
    trace_pid=$!
    sleep 1
    ws_pid=$(wineserver_pid)
    write_setup_inf small "${bufsizes%% *}"
    write_copy_list small "$logs/copy-small.txt"
    names=$(payload_files small | awk '{ print $2 }')
    first=$(head -1 <<<"$names") last=$(tail -1 <<<"$names") between=$(($(wc -l <<<"$names") - 1))
    if run_install "$logs/trace-inst.txt" && run_copyw "$logs/copy-small.txt" "$logs/trace-copyw.txt"; then
        wineserver -k 2>/dev/null || true
        wait "$trace_pid"
        echo "wineserver requests per copied file, utility:   $(requests_per_file "$trace" BenchInst "$first" "$last" "$between")" |
            tee -a "$summary"
        echo "wineserver requests per copied file, CopyFileW: $(requests_per_file "$trace" BenchCopy "$first" "$last" "$between")" |
            tee -a "$summary"
    else
        status=1
    fi
    rm -f "$trace"
fi

say ""
say "==== summary ($summary)"
cat "$summary"
exit "$status"
