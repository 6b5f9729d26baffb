#!/usr/bin/env bash
# Start benchmark: from process start to the menu visible, the utility on the
# demo disc in drive Q: (with no installation record, so the menu gathers
# the install file lists as on a first start), against bench/minwin, a
# program that only opens one window, under the same Wine prefix and
# wineserver. Both are started by bench/copyw_timer with CreateProcess,
# alternately, after one untimed start of each. The CD-ROM drive dialog the
# utility shows first is answered at once; the time from its appearance to
# that click is not counted. bench/minwin_cc6, the same window with the
# utility's manifest and common controls set up, is timed alongside: what
# the common controls 6 of the design cost apart from the rest.
# Not a test: nothing runs it but a person.
#
#   bench/start_bench.sh
# Results: build/startbench-logs/summary.txt (and one file per run there).
# Settings (environment): BENCH_BUILD, BENCH_PREFIX, BENCH_DISPLAY and
# BENCH_NO_BUILD as in copy_bench.sh, and
#   BENCH_RUNS      runs of each measurement  (10)
#   BENCH_GATHER=N  start from a copy of the demo disc whose TZD list file
#                   names N files (build/startbench-disc): the menu part
#                   ("from its OK to the menu") then times gathering N list
#                   entries
#   BENCH_BASELINE="<rev> ..."  also start the programs of these commits (as
#                   in copy_bench.sh), alternately with this tree's, from
#                   a copy of the disc
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BENCH_KEEP_PAYLOAD=1  # the demo disc is used as it is; nothing generated
BENCH_LIB_ONLY=1 . "$repo/bench/copy_bench.sh" || exit 1
runs=${BENCH_RUNS:-10}
logs=$repo/build/startbench-logs
mkdir -p "$logs"
E2E_LOG=$logs/wine.log
: >"$E2E_LOG"
minwin=$build/bench/minwin.exe
[ -f "$minwin" ] || die "missing $minwin"
minwin_cc6=$build/bench/minwin_cc6.exe
[ -f "$minwin_cc6" ] || die "missing $minwin_cc6"

finish_start() {
    wineserver -k 2>/dev/null || true
    e2e_stop_xvfb
}
trap finish_start EXIT

disc=$demo
if [ -n "${BENCH_GATHER:-}" ] || [ "${#baseline_revs[@]}" -gt 0 ]; then
    disc=$repo/build/startbench-disc
    rm -rf "$disc" && cp -r "$demo" "$disc" || die "cannot copy the demo disc"
fi
if [ -n "${BENCH_GATHER:-}" ]; then
    # Shift-JIS names as a disc has them, CR LF, none of them on the disc:
    # gathering reads names only.
    awk -v n="$BENCH_GATHER" 'BEGIN { for (i = 1; i <= n; i++) printf "sub\\データ%06d.tzd\r\n", i }' |
        iconv -f UTF-8 -t CP932 >"$disc/SetupTZD1.inf"
    say "start_bench: $disc with $BENCH_GATHER entries in SetupTZD1.inf"
fi
e2e_start_xvfb "$first_display"
tazu_prepare_prefix "$disc" "$(demo_value VolumeLabel1)" || die "cannot prepare the prefix"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p 2>/dev/null || true
ws_pid=$(wineserver_pid)
say "start_bench: Xvfb on $DISPLAY, prefix $WINEPREFIX, disc $disc${BENCH_PINNED:+, all on CPU $BENCH_PINNED}"
auto reg-delete-tree HKCU "$reg_key" >/dev/null
minwin_win=$(tazu_winpath "$minwin")
minwin_cc6_win=$(tazu_winpath "$minwin_cc6")

start_utility_timed() { timer start 60000 'Q:\TazuStart.exe' 'Q:\' >"$1"; }
start_minwin_timed() { timer start 60000 "${2:-$minwin_win}" 'C:\' BenchMinimalWindow >"$1"; }

start_utility_timed "$logs/warm-utility.txt" || die "the utility did not start: $(cat "$logs/warm-utility.txt")"
start_minwin_timed "$logs/warm-minwin.txt" || die "minwin did not start"
start_minwin_timed "$logs/warm-minwin_cc6.txt" "$minwin_cc6_win" || die "minwin_cc6 did not start"
: >"$logs/utility.all"
: >"$logs/minwin_cc6.all"
: >"$logs/menu.all"
: >"$logs/minwin.all"
for b in "${!baseline_revs[@]}"; do : >"$logs/base$b.all"; : >"$logs/base$b-menu.all"; done
# One timed start of the program on the disc: its figures go to <all> and
# <menu-all>.
start_once() {  # <out> <all> <menu-all> <label> <run>
    local t d k
    if start_utility_timed "$1"; then
        read -r _ t _ d _ k < <(grep '^start' "$1")
        echo "$t" >>"$2"
        echo "$k" >>"$3"
        say "  $4 run $5: ${t}s (to the CD-ROM drive dialog ${d}s, from its OK to the menu ${k}s)"
    else
        status=1
    fi
}

# One timed start of a minimal window: its time goes to <label>.all.
minwin_once() {  # <out> <exe> <label> <run>
    local t
    if start_minwin_timed "$1" "$2"; then
        read -r _ t < <(grep '^window' "$1")
        echo "$t" >>"$logs/$3.all"
        say "  $3 run $4: ${t}s"
    else
        status=1
    fi
}

status=0
for i in $(seq "$runs"); do
    for b in "${!baseline_revs[@]}"; do
        cp "${baseline_exes[$b]}" "$disc/TazuStart.exe"
        start_once "$logs/base$b-$i.txt" "$logs/base$b.all" "$logs/base$b-menu.all" "${baseline_revs[$b]}" "$i"
        cp "$demo/TazuStart.exe" "$disc/TazuStart.exe"
    done
    start_once "$logs/utility-$i.txt" "$logs/utility.all" "$logs/menu.all" utility "$i"
    minwin_once "$logs/minwin-$i.txt" "$minwin_win" minwin "$i"
    minwin_once "$logs/minwin_cc6-$i.txt" "$minwin_cc6_win" minwin_cc6 "$i"
done

spread() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { if (NR) printf "%s-%s", lo, hi; else printf "-" }'; }
read -r ub um < <(stats <"$logs/utility.all")
read -r mb mm < <(stats <"$logs/minwin.all")
read -r cb cm < <(stats <"$logs/minwin_cc6.all")
read -r kb km < <(stats <"$logs/menu.all")
awk -v n="$runs" -v ub="$ub" -v um="$um" -v mb="$mb" -v mm="$mm" -v us="$(spread "$logs/utility.all")" \
    -v kb="$kb" -v km="$km" -v ks="$(spread "$logs/menu.all")" -v gather="${BENCH_GATHER:-}" \
    -v cb="$cb" -v cm="$cm" -v cs="$(spread "$logs/minwin_cc6.all")" -v ms="$(spread "$logs/minwin.all")" -v cpu="${BENCH_PINNED:+ (all on CPU $BENCH_PINNED)}" 'BEGIN {
    printf "start to a visible window, %d runs each%s:\n", n, cpu
    printf "  utility (process start -> menu, the drive dialog answered at once): best %ss  median %ss  (%s)\n", ub, um, us
    printf "  minwin  (process start -> its window):                            best %ss  median %ss  (%s)\n", mb, mm, ms
    if (um != "-" && mm != "-")
        printf "  utility - minwin: median %.0f ms   goal <= 60 ms: %s\n", (um - mm) * 1000, (um - mm <= 0.060) ? "met" : "MISSED"
    printf "  minwin_cc6 (the same, with common controls 6 as the utility):   best %ss  median %ss  (%s)\n", cb, cm, cs
    if (um != "-" && cm != "-")
        printf "  utility - minwin_cc6: median %.0f ms\n", (um - cm) * 1000
    printf "  from the drive dialog'"'"'s OK to the menu%s: best %ss  median %ss  (%s)%s\n", gather != "" ? " (gathering " gather " list entries)" : "",
           kb, km, ks, gather != "" ? sprintf("   goal < 0.1 s: %s", km < 0.1 ? "met" : "MISSED") : "" }' |
    tee "$logs/summary.txt"
for b in "${!baseline_revs[@]}"; do
    read -r bb bm < <(stats <"$logs/base$b.all")
    read -r _ bk < <(stats <"$logs/base$b-menu.all")
    awk -v rev="${baseline_revs[$b]}" -v bb="$bb" -v bm="$bm" -v bs="$(spread "$logs/base$b.all")" -v mm="$mm" -v bk="$bk" 'BEGIN {
        printf "  baseline %s, same runs: best %ss  median %ss  (%s); - minwin: median %.0f ms; from the OK to the menu: median %ss\n",
               rev, bb, bm, bs, (bm - mm) * 1000, bk }' | tee -a "$logs/summary.txt"
done
exit "$status"
