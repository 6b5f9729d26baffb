#!/usr/bin/env bash
# Uninstall benchmark: 10,000 installed files removed through the utility's
# deleting window (the uninstall button of the menu, both questions answered
# Yes, so the save data and the log go too), against rm -r of the same tree
# and against a plain DeleteFileW loop under Wine (bench/copyw_timer delete),
# alternately. The utility is timed from the Yes to the save data question
# to the completion notice.
#
# Each round installs the files through the utility first (untimed), which
# writes the installation record and Setup.log the uninstall reads; the first
# installed tree is kept as the template the other two measurements delete a
# fresh copy of. Every measurement starts with no dirty pages (sync) and the
# tree's inodes in the cache, as after an installation.
# Not a test: nothing runs it but a person.
#
#   bench/uninstall_bench.sh
# Results: build/uninstbench-logs/summary.txt (and one file per run there).
# Settings (environment): BENCH_BUILD, BENCH_PREFIX, BENCH_DISPLAY,
# BENCH_KEEP_PAYLOAD and BENCH_NO_BUILD as in copy_bench.sh, and
#   BENCH_DISC      generated disc folder     (build/uninstbench-disc)
#   BENCH_RUNS      runs of each measurement  (5)
#   BENCH_FILES     files installed            (10000, at most 10000)
#   BENCH_BYTES     bytes of each file         (4096)
#   BENCH_TMPFS=1   install to drive T:, a folder in /dev/shm (see below)
#   BENCH_BASELINE="<rev> ..."  also install and uninstall with the programs
#                   of these commits (as in copy_bench.sh), alternately
#   BENCH_PERF=1    record the utility and the wineserver in the last run
#                   with perf (build/uninstbench-logs/perf-uninst.report)
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BENCH_DISC=${BENCH_DISC:-$repo/build/uninstbench-disc}
export BENCH_PAYLOADS=small
runs=${BENCH_RUNS:-5}
BENCH_LIB_ONLY=1 . "$repo/bench/copy_bench.sh" || exit 1
small_count=${BENCH_FILES:-10000} small_bytes=${BENCH_BYTES:-4096}
runs=${BENCH_RUNS:-5}
logs=$repo/build/uninstbench-logs
mkdir -p "$logs"
template=$repo/build/uninstbench-template
E2E_LOG=$logs/wine.log
: >"$E2E_LOG"

tmpfs_dir=
finish_uninst() {
    finish
    rm -rf "$template"
    if [ -n "$tmpfs_dir" ]; then
        rm -f "$WINEPREFIX/dosdevices/t:"
        rm -rf "$tmpfs_dir"
    fi
}
trap finish_uninst EXIT

# An installation through the utility, left open at the menu in the
# installed state (UTIL_PID).
install_untimed() {
    clean_dests
    open_menu || return 1
    click_install || return 1
    local box
    box=$(auto wait-msgbox 'インストールが完了しました' 600000) || { say "the installation did not complete"; return 1; }
    auto msgbox-press 7 10000 >/dev/null  # do not start the game now
    auto wait-window TfrmInstMain 10000 >/dev/null
    sync
}

# The installed files as Windows paths, in the log's order, then the log,
# then the group folders (with a trailing backslash).
write_delete_list() {  # <out>
    local d
    {
        iconv -f CP932 -t UTF-8 "$inst_unix/Setup.log" | tr -d '\r'
        echo "$inst_win\\Setup.log"
        for d in "$inst_unix"/*/; do d=${d%/}; echo "$inst_win\\${d##*/}\\"; done
    } | sed 's/$/\r/' >"$1"
}

make_disc
e2e_start_xvfb "$first_display"
tazu_prepare_prefix "$disc" "$(demo_value VolumeLabel1)" || die "cannot prepare the prefix"
# BENCH_TMPFS=1: the installation goes to drive T:, a folder in /dev/shm.
# The prefix's disk may cost far more than the deletion itself: on an ext4
# mounted with "discard" every unlink of a file whose blocks were written
# out waits for the device to discard them (from about 0.1 to over 1 ms a
# file, varying from run to run), in the wineserver for the utility and the
# DeleteFileW loop alike. On a tmpfs what is left is the deleting itself.
if [ "${BENCH_TMPFS:-0}" = 1 ]; then
    tmpfs_dir=$(mktemp -d /dev/shm/uninstbench.XXXXXX)
    ln -sfn "$tmpfs_dir" "$WINEPREFIX/dosdevices/t:"
    inst_win='T:\BenchInst' inst_unix=$tmpfs_dir/BenchInst
    template=$tmpfs_dir/template
fi

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p 2>/dev/null || true
ws_pid=$(wineserver_pid)
write_setup_inf small 32768
list=$logs/delete-list.txt
summary=$logs/summary.txt
: >"$summary"
: >"$logs/uninst.all"
: >"$logs/rm.all"
: >"$logs/delete.all"
status=0
say "uninstall_bench: Xvfb on $DISPLAY, prefix $WINEPREFIX, $small_count files of $small_bytes bytes in $inst_unix${BENCH_PINNED:+, all on CPU $BENCH_PINNED}"
# One install (untimed) and its timed uninstall by the program on the disc;
# the time goes to <all>.
uninstall_once() {  # <out> <all> <label> <run>
    local r=$1 rc files
    if ! install_untimed; then
        status=1
        stop_process "$UTIL_PID"
        UTIL_PID=
        return
    fi
    files=$(($(wc -l <"$inst_unix/Setup.log")))
    if [ ! -d "$template" ]; then
        cp -a "$inst_unix" "$template"
        write_delete_list "$list"
    fi
    sync
    timer watch-uninstall 600000 "$UTIL_PID" "$ws_pid" >"$r" &
    WATCH_PID=$!
    wait_line "$r" '^watching' 30
    perf_pid=
    if [ "${BENCH_PERF:-0}" = 1 ] && [ "$4" = "$runs" ] && [ "$3" = utility ]; then
        # The last run is recorded too (its time then counts the recording).
        perf record -q -F 4999 -g -p "$UTIL_PID,$ws_pid" -o "$logs/perf-uninst.data" >/dev/null 2>&1 &
        perf_pid=$!
        sleep 1
    fi
    auto click TfrmInstMain 102
    wait "$WATCH_PID"
    rc=$?
    WATCH_PID=
    if [ -n "$perf_pid" ]; then
        kill -INT "$perf_pid"
        wait "$perf_pid"
        perf_summary "$logs/perf-uninst.data" "$logs/perf-uninst.report"
        say "  perf of the last run: $logs/perf-uninst.report"
    fi
    if [ "$rc" = 0 ] && [ ! -e "$inst_unix" ]; then
        read -r _ t < <(grep '^uninstall' "$r")
        echo "$t" >>"$2"
        say "  $3 run $4: ${t}s for $files files (CPU s user+sys: utility $(cpu_of "$r" "$UTIL_PID")" \
            "wineserver $(cpu_of "$r" "$ws_pid"))"
    else
        say "  $3 run $4 failed: $(tr '\n' ' ' <"$r")$( [ -e "$inst_unix" ] && echo "; files remain")"
        status=1
    fi
    auto msgbox-press 1 10000 >/dev/null
    close_utility
}

for b in "${!baseline_revs[@]}"; do : >"$logs/base$b.all"; done
for i in $(seq "$runs"); do
    for b in "${!baseline_revs[@]}"; do
        use_program "$b"
        uninstall_once "$logs/base$b-$i.txt" "$logs/base$b.all" "${baseline_revs[$b]}" "$i"
        use_program this
    done
    uninstall_once "$logs/uninst-$i.txt" "$logs/uninst.all" utility "$i"
    [ -d "$template" ] || continue

    # rm -r of a fresh copy of the same tree.
    clean_dests
    cp -a "$template" "$inst_unix" && sync
    t0=$(date +%s%N)
    rm -r "$inst_unix"
    t1=$(date +%s%N)
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
    echo "$t" >>"$logs/rm.all"
    say "  rm -r        run $i: ${t}s"

    # DeleteFileW of the same files, then the folders.
    clean_dests
    cp -a "$template" "$inst_unix" && sync
    d=$logs/delete-$i.txt
    if timer delete "$(tazu_winpath "$list")" "$inst_win" "$ws_pid" >"$d" && [ ! -e "$inst_unix" ]; then
        read -r _ t _ < <(grep '^delete' "$d")
        echo "$t" >>"$logs/delete.all"
        say "  DeleteFileW  run $i: ${t}s (CPU s user+sys: wineserver $(cpu_of "$d" "$ws_pid"))"
    else
        say "  DeleteFileW  run $i failed"
        status=1
    fi
done

read -r ub um < <(stats <"$logs/uninst.all")
read -r rb rm_ < <(stats <"$logs/rm.all")
read -r db dm < <(stats <"$logs/delete.all")
spread() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%s-%s", lo, hi; else printf "-" }'; }
awk -v where="$inst_unix${BENCH_PINNED:+ (all on CPU $BENCH_PINNED)}" -v n="$runs" -v files="$small_count" -v bytes="$small_bytes" -v ub="$ub" -v um="$um" -v rb="$rb" -v rm="$rm_" \
    -v db="$db" -v dm="$dm" -v us="$(spread "$logs/uninst.all")" -v rs="$(spread "$logs/rm.all")" \
    -v ds="$(spread "$logs/delete.all")" '
    function ratio(a, c) { return (c > 0 && a != "-") ? sprintf("%.2f", a / c) : "-" }
    BEGIN {
    printf "uninstall of %d files of %d bytes (and the 4 main files, the log, the folders) in %s, %d runs each:\n", files, bytes, where, n
    printf "  utility (Yes to the save data question -> completion notice): best %ss  median %ss  (%s)\n", ub, um, us
    printf "  DeleteFileW loop under Wine:                                    best %ss  median %ss  (%s)\n", db, dm, ds
    printf "  rm -r:                                                          best %ss  median %ss  (%s)\n", rb, rm, rs
    printf "  ratio utility/DeleteFileW: median %s   goal <= 1.05: %s\n", ratio(um, dm),
           (um != "-" && dm != "-" && um / dm <= 1.05) ? "met" : "MISSED" }' | tee -a "$summary"
for b in "${!baseline_revs[@]}"; do
    read -r bb bm < <(stats <"$logs/base$b.all")
    awk -v rev="${baseline_revs[$b]}" -v bb="$bb" -v bm="$bm" -v bs="$(spread "$logs/base$b.all")" -v dm="$dm" 'BEGIN {
        printf "  baseline %s, same runs: best %ss  median %ss  (%s); ratio to DeleteFileW: median %s\n",
               rev, bb, bm, bs, (dm > 0 && bm != "-") ? sprintf("%.2f", bm / dm) : "-" }' | tee -a "$summary"
done
exit "$status"
