#!/usr/bin/env bash
# End-to-end scenarios: the real TazuStart.exe on the demo disc, mapped as
# CD-ROM drive Q: of the Wine prefix, under its own Xvfb display, driven by
# tazuauto.exe. Prints "PASS <name>" or "FAIL <name>: <why>" per scenario and
# ends with "e2e: N passed, N failed" (status 1 on failures).
#   TAZU_BUILD_WIN   build folder of the Windows tree (default build/win)
#   TAZU_E2E_ONLY    run only the scenarios whose names match this regex
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
export TAZU_BUILD_WIN=${TAZU_BUILD_WIN:-$repo/build/win}
[[ $TAZU_BUILD_WIN = /* ]] || TAZU_BUILD_WIN=$repo/$TAZU_BUILD_WIN
# shellcheck source=../../scripts/wine-env.sh
. "$repo/scripts/wine-env.sh"
mkdir -p "$repo/build/test-logs"
export E2E_LOG=$repo/build/test-logs/e2e-wine.log
: > "$E2E_LOG"
# shellcheck source=lib.sh
. "$repo/tests/e2e/lib.sh"

disc=$TAZU_BUILD_WIN/demo/disc1
shots=$repo/build/screenshots/e2e
scratch=$repo/build/e2e-scratch
passed=0
failed=0

title=$(setup_inf_value "$disc" GameTitle)
def_inst_path=$(setup_inf_value "$disc" DefInstPath)
reg_key=$(setup_inf_value "$disc" RegKey)
record_key="Software\\$reg_key\\$title"
app_title="『$title』　起動ユーティリティ"

# ---- checks -------------------------------------------------------------------

problems=()
check() {  # <what> <got> <want>
    [ "$2" == "$3" ] || problems+=("$1: got '$2', want '$3'")
}
fail() { problems+=("$*"); }

# Field <n> of the dump line of control <id> (2 id, 3 class, 4 visible,
# 5 enabled, 6 x,y,w,h, 7 text).
ctl() {  # <dump> <id> <field>
    awk -F'\t' -v id="$2" -v n="$3" '$1 == "ctl" && $2 == id { print $n; exit }' <<<"$1"
}
# Field <n> of the window line (3 caption, 4 outer x,y,w,h, 5 client WxH, 6 screen WxH).
win() {  # <dump> <field>
    awk -F'\t' -v n="$2" '$1 == "win" { print $n; exit }' <<<"$1"
}

# Checks one control: visibility, position and size, and its text unless "-".
check_ctl() {  # <dump> <id> <name> <visible 0/1> <x,y,w,h> <text or ->
    local got
    got=$(ctl "$1" "$2" 2)
    if [ -z "$got" ]; then
        fail "$3 ($2) missing"
        return
    fi
    check "$3 visible" "$(ctl "$1" "$2" 4)" "$4"
    check "$3 rect" "$(ctl "$1" "$2" 6)" "$5"
    [ "$6" = - ] || check "$3 text" "$(ctl "$1" "$2" 7)" "$6"
}

# The window is centred on the screen by its outer size.
check_centred() {  # <dump> <what>
    local rect screen x y w h sw sh
    rect=$(win "$1" 4) screen=$(win "$1" 6)
    IFS=, read -r x y w h <<<"$rect"
    sw=${screen%x*} sh=${screen#*x}
    check "$2 position" "$x,$y" "$(((sw - w) / 2)),$(((sh - h) / 2))"
}

# Pixels of a blue text colour in a part of the form's client area on a
# screenshot (x, y relative to the client area).
blue_pixels() {  # <png> <dump> <x> <y> <w> <h>
    local ox oy ow oh cw ch border
    IFS=, read -r ox oy ow oh <<<"$(win "$2" 4)"
    IFS=x read -r cw ch <<<"$(win "$2" 5)"
    border=$(((ow - cw) / 2))
    convert "$1" -crop "${5}x${6}+$((ox + border + $3))+$((oy + oh - ch - border + $4))" \
        -depth 8 -format %c histogram:info:- |
        awk -F'[(),]' '$4 + 0 >= 128 && $2 + 0 <= 80 && $3 + 0 <= 80 { n += $1 } END { print n + 0 }'
}

# ---- steps ---------------------------------------------------------------------

UTIL_PID=
# Starts the utility and waits for the CD-ROM dialog.
start_to_cd_dialog() {
    start_utility
    auto wait-window TfrmCdRom 20000 || { fail "no CD-ROM dialog"; return 1; }
}

# Waits for the utility to end with exit code 0 and its mutex released.
expect_clean_exit() {  # <what>
    if ! wait_process "$UTIL_PID" 15; then
        fail "$1: the utility still runs"
        return 1
    fi
    check "$1: exit code" "$EXIT_CODE" 0
    auto mutex-exists TazuUtility >/dev/null && fail "$1: TazuUtility still exists"
    UTIL_PID=
    return 0
}

# From the CD-ROM dialog: OK, then the main window.
ok_to_main_window() {
    auto click TfrmCdRom 103 || { fail "cannot click OK"; return 1; }
    auto wait-window TfrmInstMain 20000 || { fail "no main window after OK"; return 1; }
}

# Remapping restarts the wineserver; keep the new one alive between programs.
map_q() {  # <folder> <label>
    tazu_map_cdrom "$1" "$2"
    wineserver -p 2>/dev/null
}
map_demo_disc() { map_q "$disc" QUENDRIL1; }

# A disc folder holding only what is listed; labelled <label>.
make_disc() {  # <name> <label> <files from the demo disc...>
    local dir=$scratch/$1 label=$2 f
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir"
    for f in "$@"; do cp -r "$disc/$f" "$dir/"; done
    map_q "$dir" "$label"
}

# ---- scenarios -----------------------------------------------------------------

# The game holds its mutex: the utility ends at once, silently.
scenario_game_running() {
    local hold_pid watch_file=$scratch/watch.txt
    (cd "$disc/InstData" && exec wine 'Q:\InstData\Tazu.exe' /hold 30) >>"$E2E_LOG" 2>&1 &
    hold_pid=$!
    local i
    for i in $(seq 100); do auto mutex-exists TazuEngineUnit >/dev/null && break; sleep 0.1; done
    if ! auto mutex-exists TazuEngineUnit >/dev/null; then
        stop_process "$hold_pid"
        fail "the stand-in game did not take TazuEngineUnit"
        return
    fi
    auto watch 6000 TazuUtility >"$watch_file" &
    local watch_pid=$!
    for i in $(seq 100); do grep -q watching "$watch_file" 2>/dev/null && break; sleep 0.05; done
    local started=$SECONDS
    start_utility
    if wait_process "$UTIL_PID" 10; then
        check "exit code" "$EXIT_CODE" 0
        ((SECONDS - started <= 5)) || fail "took $((SECONDS - started)) s to end"
    else
        fail "the utility still runs beside the game"
    fi
    UTIL_PID=
    wait "$watch_pid"
    grep -q '^mutex' "$watch_file" && fail "TazuUtility was created"
    grep -q '^window' "$watch_file" && fail "a window appeared: $(grep '^window' "$watch_file" | cut -f2 | tr '\n' ' ')"
    stop_process "$hold_pid"
}

# A second copy ends silently; the first keeps its window and mutex.
scenario_second_copy() {
    start_to_cd_dialog || return
    local first=$UTIL_PID
    start_utility
    if wait_process "$UTIL_PID" 10; then
        check "second copy exit code" "$EXIT_CODE" 0
    else
        fail "the second copy still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=$first
    kill -0 "$first" 2>/dev/null || fail "the first copy ended"
    check "CD-ROM dialogs on screen" "$(auto list | grep -c "^TfrmCdRom$(printf '\t')")" 1
    auto mutex-exists TazuUtility >/dev/null || fail "TazuUtility gone while the first copy runs"
    auto click TfrmCdRom 104
    expect_clean_exit "first copy after cancel"
}

# The CD-ROM dialog's contents; cancel ends the utility; the next start passes the guard.
scenario_cd_dialog() {
    start_to_cd_dialog || return
    local d
    d=$(auto dump TfrmCdRom)
    check "caption" "$(win "$d" 3)" "CD-ROMドライブ参照"
    check "client size" "$(win "$d" 5)" "298x123"
    check_centred "$d" "dialog"
    check_ctl "$d" 100 lblGameTitle 1 24,9,265,12 "『クエンド　～QUENDRIL～』  Disc1 の CD-ROM が"
    check_ctl "$d" 101 Label1 1 24,23,249,12 "挿入されいてるドライブを選択して下さい。"
    check "cbCdRom rect" "$(ctl "$d" 102 6)" 8,48,281,20
    check "cbCdRom enabled" "$(ctl "$d" 102 5)" 1
    check "drive items" "$(awk -F'\t' '$1 == "item" && $2 == 102 { printf "%s%s", $5, ($4 == 1 ? "*" : "") ";" }' <<<"$d")" "Q: ドライブ*;"
    check_ctl "$d" 103 btnOK 1 48,88,91,25 "&OK"
    check "btnOK enabled" "$(ctl "$d" 103 5)" 1
    check_ctl "$d" 104 btnCancel 1 160,88,89,25 "キャンセル(&C)"
    screenshot "$shots/cd_dialog.png"
    auto click TfrmCdRom 104
    expect_clean_exit "cancel" || return
    start_to_cd_dialog || return
    auto click TfrmCdRom 104
    expect_clean_exit "cancel after a restart"
}

# OK with disc 1 in Q: opens the main window; btnExit ends the utility.
scenario_main_window() {
    start_to_cd_dialog || return
    ok_to_main_window || return
    local d
    d=$(auto dump TfrmInstMain)
    check "caption" "$(win "$d" 3)" "$app_title"
    check "client size" "$(win "$d" 5)" "394x239"
    check_centred "$d" "main window"
    screenshot "$shots/main_window.png"
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit"
}

# Disc 1's label but no Setup.inf: the message, then the end.
scenario_missing_setup_inf() {
    make_disc no-setup-inf QUENDRIL1 TazuStart.exe
    start_to_cd_dialog || return
    auto click TfrmCdRom 103
    local box
    if ! box=$(auto msgbox 15000); then
        fail "no message box"
        return
    fi
    check "caption" "$(awk -F'\t' '$1 == "caption" { print $2 }' <<<"$box")" "TAZU Start Up Utility"
    check "text" "$(awk -F'\t' '$1 == "text" { print $2 }' <<<"$box")" \
        "インストール情報ファイルが見つかりません。\\nインストールを中止します。"
    check "buttons" "$(awk -F'\t' '$1 == "button" { printf "%s:%s;", $2, $3 }' <<<"$box")" "1:OK;"
    screenshot "$shots/missing_setup_inf.png"
    auto msgbox-press 1
    expect_clean_exit "after OK"
}

# A label that is not exactly QUENDRIL1: OK shows the dialog again, no message.
scenario_wrong_label() {
    local label
    for label in quendril1 QUENDRIL2; do
        make_disc "label-$label" "$label" TazuStart.exe Setup.inf
        start_to_cd_dialog || return
        auto click TfrmCdRom 103
        sleep 2
        auto wait-window TfrmCdRom 5000 || fail "$label: no CD-ROM dialog after OK"
        auto list | grep -q "^TfrmInstMain$(printf '\t')" && fail "$label: the main window opened"
        auto list | grep -q "^#32770$(printf '\t')" && fail "$label: a message box appeared"
        kill -0 "$UTIL_PID" 2>/dev/null || fail "$label: the utility ended after OK"
        auto click TfrmCdRom 104
        expect_clean_exit "$label: cancel" || return
    done
}

# The install state: captions, the proposed folder, visibility and layout.
scenario_install_state() {
    local watch_file=$scratch/watch.txt
    auto watch 20000 TazuUtility >"$watch_file" &
    local watch_pid=$! i
    for i in $(seq 100); do grep -q watching "$watch_file" 2>/dev/null && break; sleep 0.05; done
    start_to_cd_dialog || { kill "$watch_pid"; return; }
    ok_to_main_window || { kill "$watch_pid"; return; }
    local d
    d=$(auto dump TfrmInstMain)
    check_ctl "$d" 100 btnStart1 1 8,8,377,25 "『$title』　をインストール (通常PCM音源版)"
    check_ctl "$d" 101 btnStart2 1 8,40,377,25 "『$title』　をインストール (M-WAVE対策版)"
    check_ctl "$d" 102 btnDelete 0 8,40,377,25 -
    check_ctl "$d" 103 edtInst 1 16,104,305,20 "C:\\Program Files\\$def_inst_path"
    check_ctl "$d" 104 gbInstInfo 0 8,77,377,65 -
    check_ctl "$d" 105 btnInstPathChg 0 16,101,177,25 -
    check_ctl "$d" 106 btnInstInfoDel 0 200,101,177,25 -
    check_ctl "$d" 107 btnS 1 328,104,49,20 "参照"
    check_ctl "$d" 108 btnInstDirectX 1 8,157,377,25 "DirectX 8.1b をインストール"
    check_ctl "$d" 109 btnExit 1 8,189,377,25 "メニューを終了"
    check_ctl "$d" 110 lblInst 1 16,88,81,12 "インストール先："
    check_ctl "$d" 111 sbInst 1 0,220,394,19 -
    screenshot "$shots/install_state.png"
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit"
    kill "$watch_pid" 2>/dev/null
    wait "$watch_pid" 2>/dev/null
    if grep -q '^window	TfrmGetInstallFile' "$watch_file"; then
        echo "  note: gathering window seen"
    else
        echo "  note: gathering window not seen (it may show too briefly)"
    fi
}

# The installed state, from a record written before the start.
scenario_installed_state() {
    auto reg-set HKCU "$record_key" InstPath 'C:\Games\Demo\' || { fail "cannot write the record"; return; }
    start_to_cd_dialog || return
    ok_to_main_window || return
    local d
    d=$(auto dump TfrmInstMain)
    check_ctl "$d" 100 btnStart1 1 8,8,377,25 "『$title』　を起動"
    check_ctl "$d" 101 btnStart2 0 8,40,377,25 -
    check_ctl "$d" 102 btnDelete 1 8,40,377,25 "『$title』　を削除"
    check_ctl "$d" 103 edtInst 0 16,104,305,20 -
    check_ctl "$d" 104 gbInstInfo 1 8,77,377,65 " ゲームの起動や削除ができなくなってしまった場合に使用してください  "
    check_ctl "$d" 105 btnInstPathChg 1 16,101,177,25 "インストール情報変更(&C)"
    check_ctl "$d" 106 btnInstInfoDel 1 200,101,177,25 "インストール情報削除(&E)"
    check_ctl "$d" 107 btnS 0 328,104,49,20 -
    check_ctl "$d" 108 btnInstDirectX 1 8,157,377,25 "DirectX 8.1b をインストール"
    check_ctl "$d" 109 btnExit 1 8,189,377,25 "メニューを終了"
    check_ctl "$d" 110 lblInst 0 16,88,81,12 -
    screenshot "$shots/installed_state.png"
    local blue
    blue=$(blue_pixels "$shots/installed_state.png" "$d" 16 77 360 12)
    ((blue >= 20)) || fail "gbInstInfo caption not drawn in blue ($blue blue pixels)"
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit"
}

# ---- runner ----------------------------------------------------------------------

# Leaves no process, window or record behind for the next scenario.
reset_state() {
    if [ -n "$UTIL_PID" ] && kill -0 "$UTIL_PID" 2>/dev/null; then
        stop_process "$UTIL_PID"
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    UTIL_PID=
    auto reg-delete-tree HKCU "Software\\$reg_key" >/dev/null
}

run_scenario() {  # <name> <function>
    [ -n "${TAZU_E2E_ONLY:-}" ] && ! [[ $1 =~ $TAZU_E2E_ONLY ]] && return
    problems=()
    map_demo_disc
    reset_state
    echo "== $1" >>"$E2E_LOG"
    "$2"
    reset_state
    if ((${#problems[@]} == 0)); then
        echo "PASS $1"
        passed=$((passed + 1))
    else
        local why
        why=$(printf '%s; ' "${problems[@]}")
        echo "FAIL $1: ${why%; }"
        failed=$((failed + 1))
    fi
}

cleanup() {
    reset_state 2>/dev/null
    wineserver -k 2>/dev/null
    e2e_stop_xvfb
}

scenarios=(
    game_running scenario_game_running
    second_copy scenario_second_copy
    cd_dialog scenario_cd_dialog
    main_window scenario_main_window
    missing_setup_inf scenario_missing_setup_inf
    wrong_label scenario_wrong_label
    install_state scenario_install_state
    installed_state scenario_installed_state
)
# The commands' scenarios live beside this file; each appends to `scenarios`.
for more in "$repo"/tests/e2e/scenarios_*.sh; do
    [ -f "$more" ] || continue
    # shellcheck disable=SC1090
    . "$more"
done

missing=
[ -f "$E2E_AUTO_EXE" ] || missing="no $E2E_AUTO_EXE (build the Windows tree)"
[ -f "$disc/TazuStart.exe" ] || missing="no TazuStart.exe on the demo disc $disc"
if [ -n "$missing" ]; then
    for ((i = 0; i < ${#scenarios[@]}; i += 2)); do
        echo "FAIL ${scenarios[i]}: $missing"
        failed=$((failed + 1))
    done
    echo "e2e: $passed passed, $failed failed"
    exit 1
fi

rm -rf "$shots" "$scratch"
mkdir -p "$shots" "$scratch"
tazu_prepare_prefix "$disc" QUENDRIL1 >>"$E2E_LOG" 2>&1 || { echo "e2e: 0 passed, 1 failed"; exit 1; }
trap cleanup EXIT
# A wineserver of an earlier run may still serve another display.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
e2e_start_xvfb "${TAZU_E2E_DISPLAY:-96}"
# One server for the whole run; it would otherwise exit between scenarios.
wineserver -p 2>/dev/null

for ((i = 0; i < ${#scenarios[@]}; i += 2)); do
    run_scenario "${scenarios[i]}" "${scenarios[i + 1]}"
done

echo "screenshots: $shots" >&2
echo "e2e: $passed passed, $failed failed"
((failed == 0))
