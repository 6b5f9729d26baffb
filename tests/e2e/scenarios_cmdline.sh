# Scenarios of the runs from the command line and of a standard user's
# install folder. Sourced by run.sh after the install scenarios, whose
# helpers they use.
# shellcheck shell=bash disable=SC2154

# Starts Q:\TazuStart.exe with arguments in the background; sets UTIL_PID.
start_with_args() {  # <arguments...>
    (cd "$(e2e_q_folder)" && exec wine 'Q:\TazuStart.exe' "$@") </dev/null >>"$E2E_LOG" 2>&1 &
    UTIL_PID=$!
}

# The run's log as text, and whether it holds a line.
# Each line of the log is stamped with its time; the file starts with the
# UTF-8 byte-order mark.
run_log_has() {  # <log, Unix path> <line>
    run_log_lines "$1" | grep -qxF "$2"
}
run_log_lines() {  # <log, Unix path>
    tr -d '\r' <"$1" | sed '1s/^\xEF\xBB\xBF//; s/^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] //'
}

# /install /passive with a log: only the copy form shows, no question is
# asked; then /uninstall /silent: no window at all.
body_cmdline_install_uninstall() {
    snap_start cmdline
    make_slow_disc cmdline 1 yes
    local log_install log_uninstall
    log_install=$(unix_path 'C:\cmdline-install.log')
    log_uninstall=$(unix_path 'C:\cmdline-uninstall.log')
    rm -f "$log_install" "$log_uninstall"
    watch_start 60000 "$scratch/watch-cmdline.txt"
    start_with_args /install "/dir=$inst_dir" /passive '/log=C:\cmdline-install.log'
    if auto wait-window TfrmCopyFile 20000; then
        snap passive-copy
    else
        fail "no copy form in the passive run"
    fi
    if wait_process "$UTIL_PID" 120; then
        check "/install exit code" "$EXIT_CODE" 0
    else
        fail "/install still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    watch_stop
    check "windows of the passive run" "$(grep '^window' "$WATCH_FILE" | cut -f2 | sort -u | tr '\n' ' ')" "TfrmCopyFile "
    check "Setup.log" "$(log_lines "$(unix_path "$inst_dir")/Setup.log")" "$(demo_log_lines "$inst_dir\\")"
    check "record InstPath" "$(record_inst_path)" "$inst_dir\\"
    [ -f "$shortcut_file" ] || fail "no shortcut after /install"
    run_log_has "$log_install" "コピー：$inst_dir\\TZM\\bgm_field.tzm" || fail "the log lacks the last copied file"
    run_log_has "$log_install" "終了コード：0" || fail "the log lacks the result"
    run_log_lines "$log_install" | grep -q '^空き容量：[0-9]* バイト' || fail "the log lacks the free space"
    head -c 3 "$log_install" | od -An -tx1 | tr -d ' \n' | grep -qx efbbbf || fail "the log does not start with the UTF-8 mark"
    tr -d '\r' <"$log_install" | sed '1s/^\xEF\xBB\xBF//' | grep -qv '^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] ' &&
        fail "a log line without its time"

    watch_start 20000 "$scratch/watch-silent.txt"
    start_with_args /uninstall /silent /deletesaves '/log=C:\cmdline-uninstall.log'
    if wait_process "$UTIL_PID" 60; then
        check "/uninstall exit code" "$EXIT_CODE" 0
    else
        fail "/uninstall still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    watch_stop
    grep -q '^window' "$WATCH_FILE" && fail "a window appeared in the silent run: $(grep '^window' "$WATCH_FILE" | cut -f2 | tr '\n' ' ')"
    check "install folder after /uninstall" "$(tree_of "$(unix_path "$inst_dir")")" ""
    check "record after /uninstall" "$(auto reg-dump HKCU "Software\\$reg_key" 2>/dev/null)" ""
    [ -e "$shortcut_file" ] && fail "shortcut left after /uninstall"
    run_log_has "$log_uninstall" "削除：$inst_dir\\DAT\\TazSav00.dat" || fail "the log lacks the deleted save data"
    rm -f "$log_install" "$log_uninstall"
}
scenario_cmdline_install_uninstall() { with_cleanup body_cmdline_install_uninstall "$inst_dir"; }

# A disk that fills up during an unattended installation: exit code 5 and
# nothing left behind.
body_cmdline_disk_full() {
    if ! mount_small_drive 768k; then
        echo "  note: skipped: $TMPFS_WHY"
        return
    fi
    make_slow_disc cmdline-full 32768 no
    local key
    for key in TazuInstSize DatInstSize TazInstSize TzdInstSize TzsInstSize TzmInstSize; do
        set_inf_key "$(e2e_q_folder)" "$key" 1000
    done
    start_with_args /install '/dir=T:\Game' /silent
    if wait_process "$UTIL_PID" 60; then
        check "exit code" "$EXIT_CODE" 5
    else
        fail "/install still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    check "T: after the rollback" "$(tree_of "$TMPFS_DIR")" ""
    check "record InstPath" "$(record_inst_path)" ""
    [ -e "$shortcut_file" ] && fail "shortcut left"
}
scenario_cmdline_disk_full() { with_cleanup body_cmdline_disk_full; }

# No disc: the run still writes the log it was asked for, ending with the
# reason and the code; the error output has the reason in one line.
body_cmdline_no_disc_log() {
    make_disc cmdline-no-disc QUENDRIL1 TazuStart.exe
    local log out=$scratch/no-disc.out err=$scratch/no-disc.err code
    log=$(unix_path 'C:\cmdline-nodisc.log')
    rm -f "$log"
    (cd "$(e2e_q_folder)" && exec wine 'Q:\TazuStart.exe' /install /silent /norestart '/log=C:\cmdline-nodisc.log') \
        </dev/null >"$out" 2>"$err"
    code=$?
    check "exit code" "$code" 3
    if [ -f "$log" ]; then
        check "the log's last lines" "$(run_log_lines "$log" | tail -2 | tr '\n' '|')" \
            "終了の理由：Setup.inf のあるディスクが見つかりません|終了コード：3|"
        run_log_lines "$log" | grep -q '^/norestart：' || fail "the log does not say what /norestart meant"
    else
        fail "no log without a disc"
    fi
    check "error output" "$(grep -a '^TazuStart: ' "$err")" "TazuStart: Setup.inf のあるディスクが見つかりません（終了コード 3）"
    check "standard output" "$(cat "$out")" ""
    rm -f "$log"
}
scenario_cmdline_no_disc_log() { with_cleanup body_cmdline_no_disc_log; }

# A standard user: Program Files cannot be written (a read-only bind mount
# over the prefix's), so the menu proposes the user's own programs folder;
# the game installs there with its shortcut and uninstalls.
body_per_user_folder() {
    snap_start per-user
    local pf=$WINEPREFIX/drive_c/Program\ Files
    if [ "$(id -u)" != 0 ]; then
        echo "  note: skipped: a read-only bind mount needs root"
        return
    fi
    if ! mount --bind "$pf" "$pf" 2>/dev/null || ! mount -o remount,bind,ro "$pf" 2>/dev/null; then
        mountpoint -q "$pf" && umount "$pf"
        echo "  note: skipped: bind mounts are not permitted here"
        return
    fi
    local user_dir d
    user_dir="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\$def_inst_path"
    map_q "$disc" QUENDRIL1
    to_menu || { umount "$pf"; return; }
    d=$(auto dump TfrmInstMain)
    snap per-user-proposal
    check_ctl "$d" 103 edtInst 1 16,104,305,20 "$user_dir"
    auto click TfrmInstMain 100
    answer "新しく作成しますか" 6 || { umount "$pf"; return; }
    if auto wait-window Notepad 30000; then auto close Notepad; else fail "no readme"; fi
    answer "を今すぐ起動しますか" 7 || { umount "$pf"; return; }
    auto wait-text TfrmInstMain 100 "を開始" 5000 || fail "menu not in its installed layout"
    snap per-user-installed
    check "record InstPath" "$(record_inst_path)" "$user_dir\\"
    check "Setup.log" "$(log_lines "$(unix_path "$user_dir")/Setup.log")" "$(demo_log_lines "$user_dir\\")"
    if [ -f "$shortcut_file" ]; then
        holds_utf16 "$shortcut_file" "$user_dir\\Quendril.ico" || fail "the shortcut does not point into $user_dir"
    else
        fail "no shortcut"
    fi
    auto click TfrmInstMain 102
    answer "の削除を開始します" 6 || { umount "$pf"; return; }
    answer "セーブデータを削除しますか" 6 || { umount "$pf"; return; }
    answer "の削除が完了しました" 1
    expect_clean_exit "after the uninstall"
    check "the user's folder after the uninstall" "$(tree_of "$(unix_path "$user_dir")")" ""
    [ -e "$shortcut_file" ] && fail "shortcut left"
    umount "$pf"
    rm -rf "$(unix_path "$user_dir")"
}
scenario_per_user_folder() { with_cleanup body_per_user_folder; }

scenarios+=(
    cmdline_install_uninstall scenario_cmdline_install_uninstall
    cmdline_disk_full scenario_cmdline_disk_full
    cmdline_no_disc_log scenario_cmdline_no_disc_log
    per_user_folder scenario_per_user_folder
)
