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

scenarios+=(
    nul_log_line scenario_nul_log_line
    root_record scenario_root_record
)
