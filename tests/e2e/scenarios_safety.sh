# Scenarios of tampered and unlucky records and logs: what Windows itself
# would read from them, on real files. Sourced by run.sh after the install
# scenarios, whose helpers they use.
# shellcheck shell=bash disable=SC2154

victim_dir='C:\users\Public\Documents'

# A Setup.log line with a NUL: Windows would see only the path before it,
# a document of the user's. The uninstall deletes the game and nothing else.
body_nul_log_line() {
    snap_start nul-line
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation" || return

    local victims log
    victims=$(unix_path "$victim_dir")
    mkdir -p "$victims"
    printf 'MINE' >"$victims/thesis.doc"
    log=$(unix_path "$inst_dir")/Setup.log
    {
        printf '%s\0%s\r\n' "$victim_dir\\thesis.doc" "\\..\\..\\..\\..\\ソラの表\\x" | iconv -f UTF-8 -t CP932
        printf '%s\r\n' "$inst_dir\\..\\users\\Public\\Documents\\thesis.doc" | iconv -f UTF-8 -t CP932
    } >>"$log"

    to_menu || return
    auto click TfrmInstMain 102
    answer "の削除を開始します" 6 || return
    answer "セーブデータを削除しますか" 6 || return
    expect_box "uninstall done" "『$title』の削除が完了しました。" "1" 1 || return
    answer "の削除が完了しました" 1
    expect_clean_exit "after the uninstall"
    check "the user's document" "$(cat "$victims/thesis.doc" 2>/dev/null)" MINE
    check "install folder after the uninstall" "$(tree_of "$(unix_path "$inst_dir")")" ""
    rm -f "$victims/thesis.doc"
}
scenario_nul_log_line() { with_cleanup body_nul_log_line "$inst_dir"; }

# A record naming the drive root, with a log there that lists files of the
# drive: a root is never an install folder, so the menu offers the
# installation, and nothing on the drive is touched.
body_root_record() {
    snap_start root-record
    map_q "$disc" QUENDRIL1
    local root
    root=$(unix_path 'C:\')
    printf 'MINE' >"$root/victim.txt"
    printf 'C:\\victim.txt\r\nC:\\Tazu.exe\r\n' >"$root/Setup.log"
    printf 'EXE' >"$root/Tazu.exe"
    auto reg-set HKCU "$record_key" InstPath 'C:\Games\..\' || { fail "cannot write the record"; return; }
    to_menu || return
    auto wait-text TfrmInstMain 100 "をインストール (通常PCM音源版)" 5000 || fail "menu not in the install state"
    snap menu
    local d
    d=$(auto dump TfrmInstMain)
    check "hidden btnDelete gbInstInfo" "$(ctl "$d" 102 4)$(ctl "$d" 104 4)" 00
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit"
    check "files on the drive" "$(cat "$root/victim.txt" "$root/Tazu.exe" "$root/Setup.log" 2>/dev/null | tr -d '\r\n')" \
        'MINEEXEC:\victim.txtC:\Tazu.exe'
    rm -f "$root/victim.txt" "$root/Setup.log" "$root/Tazu.exe"
}
scenario_root_record() { with_cleanup body_root_record; }

# Every file of a folder with its checksum, one a line.
sums_of() { (cd "$1" 2>/dev/null && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum); }

# An earlier installation without a record (as the record removal, or another
# user, leaves it), with a Tazu.env the player edited; a re-install over it
# is killed during the copy, once it has replaced Tazu.exe and Tazu.env. The
# next start undoes it before the menu: every earlier file is back byte for
# byte, nothing of the killed run stays, and the menu offers the installation.
body_reinstall_killed() {
    snap_start reinstall-killed
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation" || return
    local dir before
    dir=$(unix_path "$inst_dir")
    printf 'Volume=7 ; set by the player\r\n' >>"$dir/Tazu.env"
    auto reg-set HKCU "$record_key" InstPath '' || { fail "cannot empty the record"; return; }
    before=$(sums_of "$dir")

    make_slow_disc reinstall 1 no
    start_with_args /install "/dir=$inst_dir" /passive
    auto wait-window TfrmCopyFile 20000 || { fail "no copy form"; stop_process "$UTIL_PID"; return; }
    # Killed once ovit.dll was moved aside: Tazu.exe and Tazu.env are replaced.
    local i
    for i in $(seq 600); do
        [ -e "$dir/ovit.dll.~TazuStart1" ] && break
        sleep 0.05
    done
    [ -e "$dir/ovit.dll.~TazuStart1" ] || fail "the copy did not reach ovit.dll"
    snap killed-during-copy
    kill -9 "$UTIL_PID" 2>/dev/null
    wait "$UTIL_PID" 2>/dev/null
    UTIL_PID=
    ls "$dir" | grep -q 'TazuStart' || fail "no backup or journal while the copy ran: $(ls "$dir" | tr '\n' ' ')"

    map_q "$disc" QUENDRIL1
    start_to_cd_dialog || return
    auto click TfrmCdRom 103 || { fail "cannot click OK"; return; }
    auto wait-window TfrmDeleteFiles 20000 && snap recovering
    auto wait-window TfrmInstMain 30000 || { fail "no menu after the recovery"; return; }
    auto wait-text TfrmInstMain 100 "をインストール (通常PCM音源版)" 5000 || fail "menu not in the install state"
    snap menu-after-recovery
    check "the earlier installation, byte for byte" "$(sums_of "$dir")" "$before"
    check "the edited Tazu.env" "$(tr -d '\r' <"$dir/Tazu.env" | tail -1)" "Volume=7 ; set by the player"
    check "the marker" "$(auto reg-dump HKCU "$record_key" 2>/dev/null | awk -F'\t' '$1 == "value" && $3 == "Installing"')" ""
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the recovery"
}
scenario_reinstall_killed() { with_cleanup body_reinstall_killed "$inst_dir"; }

# /log= naming a save of the installed game: a bad argument, and the save
# is as it was.
body_log_into_install_folder() {
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation" || return
    local save
    save=$(unix_path "$inst_dir")/DAT/TazSav01.dat
    printf 'MY SAVE' >"$save"
    start_with_args /uninstall /keepsaves "/log=$inst_dir\\DAT\\TazSav01.dat"
    if wait_process "$UTIL_PID" 60; then
        check "exit code" "$EXIT_CODE" 2
    else
        fail "the run still goes on"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    check "the save" "$(cat "$save")" "MY SAVE"
    check "record InstPath" "$(record_inst_path)" "$inst_dir\\"
}
scenario_log_into_install_folder() { with_cleanup body_log_into_install_folder "$inst_dir"; }

scenarios+=(
    nul_log_line scenario_nul_log_line
    root_record scenario_root_record
    reinstall_killed scenario_reinstall_killed
    log_into_install_folder scenario_log_into_install_folder
)
