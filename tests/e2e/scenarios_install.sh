# Scenarios of the install command, the game start and the uninstall: the
# real copy form on a real disc, the readme in Notepad, the stand-in game,
# drives that are too small or fill up. Sourced by run.sh, which provides
# check/fail/ctl/win/check_ctl, start_to_cd_dialog, ok_to_main_window,
# expect_clean_exit, map_q, $disc, $shots, $scratch, $title, $app_title,
# $record_key and $reg_key. The helpers here serve scenarios_repair.sh too.
# shellcheck shell=bash disable=SC2154

# ---- helpers -------------------------------------------------------------------

shortcut_folder="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$(setup_inf_value "$disc" ProgramFolder)"
shortcut_file="$shortcut_folder/$title.lnk"

# The Unix path of a path on drive C: or on another drive of the prefix.
unix_path() {  # <windows path>
    local drive=${1:0:1} rest=${1:3}
    local root
    root=$(readlink -f "$WINEPREFIX/dosdevices/${drive,,}:")
    printf '%s/%s\n' "$root" "${rest//\\//}"
}

# Screenshots of one scenario are numbered in the order they are taken.
SNAP_TAG=
SNAP_N=0
snap_start() { SNAP_TAG=$1 SNAP_N=0; }
# A window that has just been shown needs a moment to be painted. The root
# window is read with import: xwd -root leaves message boxes black under Xvfb.
snap() {  # <name>
    SNAP_N=$((SNAP_N + 1))
    sleep 0.25
    import -display "$DISPLAY" -window root "$(printf '%s/%s-%02d-%s.png' "$shots" "$SNAP_TAG" "$SNAP_N" "$1")" 2>/dev/null
}

# Field of a message-box dump (see tazuauto msgbox).
box_field() {  # <dump> <field: caption text default focus>
    awk -F'\t' -v f="$2" '$1 == f { print $2; exit }' <<<"$1"
}
box_buttons() { awk -F'\t' '$1 == "button" { printf "%s ", $2 }' <<<"$1"; }

# Waits until a message box with exactly <text> is up (a box that is closing
# may still be there for a moment), checks its caption, buttons and default
# button, and takes a screenshot. Status 1 when it never came.
expect_box() {  # <what> <text> <button ids, e.g. "6 7"> <default id> [caption]
    local what=$1 text=$2 buttons=$3 def=$4 caption=${5:-$app_title}
    local box='' deadline=$((SECONDS + 15)) seen
    while ((SECONDS < deadline)); do
        box=$(auto msgbox 1000) && [ "$(box_field "$box" text)" = "$text" ] && break
        sleep 0.1
    done
    if [ "$(box_field "$box" text)" != "$text" ]; then
        seen=$(box_field "$box" text)
        fail "$what: no message box \"$text\"${seen:+ (on screen: \"$seen\")}"
        return 1
    fi
    # The focus arrives in the box a moment after it shows.
    local _
    for _ in 1 2 3 4 5; do
        [ -n "$(box_field "$box" focus)" ] && break
        sleep 0.2
        box=$(auto msgbox 1000)
    done
    check "$what: caption" "$(box_field "$box" caption)" "$caption"
    check "$what: buttons" "$(box_buttons "$box")" "$buttons "
    check "$what: default button" "$(box_field "$box" default)" "$def"
    # Under Wine a box shown just as another program's window closes now and
    # then ends up behind its owner, without the focus; that is Wine's
    # stacking, not the box, so it is only noted.
    if [ -n "$(box_field "$box" focus)" ]; then
        check "$what: focused button" "$(box_field "$box" focus)" "$def"
    else
        echo "  note: $what: no button has the focus (windows top down: $(auto list | cut -f1 | tr '\n' ' '))"
    fi
    snap "$(tr ' ' '-' <<<"$what")"
    return 0
}

# Presses <button> on the box whose text holds <part>.
answer() {  # <part of the text> <button id>
    auto msgbox-answer "$1" "$2" 10000 >/dev/null || { fail "cannot answer the box '$1' with $2"; return 1; }
}

# From a fresh start to the menu.
to_menu() { start_to_cd_dialog && ok_to_main_window; }

# The demo disc, copied as disc <name> with InstBufSize <bytes>, in drive Q:.
# Small chunks make the copy last long enough to watch it.
make_slow_disc() {  # <name> <InstBufSize> [keep readme: yes|no]
    local dir=$scratch/$1
    rm -rf "$dir"
    cp -r "$disc" "$dir"
    [ "${3:-yes}" = yes ] || rm -f "$dir/readme.txt"
    sed -i "s/^InstBufSize=[0-9]*/InstBufSize=$2/" "$dir/Setup.inf"
    map_q "$dir" QUENDRIL1
}

# Sets size keys of a disc's Setup.inf (the file stays Shift-JIS).
set_inf_key() {  # <disc folder> <key> <value>
    sed -i "s/^$2=[0-9]*/$2=$3/" "$1/Setup.inf"
}

# Makes a data file of the disc in Q: bigger (zeros at the end) and counts
# the growth in its group's size key, so that a copy surely lasts.
grow_file() {  # <path below InstData> <bytes> <size key>
    local q file old key_value
    q=$(e2e_q_folder)
    file=$q/InstData/$1
    old=$(stat -c %s "$file")
    truncate -s "$2" "$file"
    key_value=$(tr -d '\r' <"$q/Setup.inf" | sed -n "s/^$3=//p")
    set_inf_key "$q" "$3" $((key_value + $2 - old))
}

# The lines of a Setup.log as UTF-8, without line ends.
log_lines() { iconv -f CP932 -t UTF-8 "$1" | tr -d '\r'; }

# Every line of a Setup.log ends in CR LF.
check_crlf() {  # <what> <log file>
    local lines crlf
    lines=$(wc -l <"$2")
    crlf=$(grep -c $'\r$' "$2")
    check "$1: lines ending in CR LF" "$crlf" "$lines"
    [ "$(tail -c 2 "$2" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "$1: the last line does not end in CR LF"
}

# What a full installation of the demo disc writes into Setup.log, in order.
demo_log_lines() {  # <install folder, Windows form with backslash>
    local f
    for f in Tazu.exe Tazu.env ovit.dll Quendril.ico \
        DAT\\TazSav00.dat DAT\\system.dat DAT\\config.dat \
        TAZ\\opening.taz TAZ\\stage01.taz TAZ\\stage02.taz \
        TZD\\chara.tzd TZD\\items.tzd TZD\\enemy.tzd \
        TZS\\se_system.tzs TZS\\se_battle.tzs TZS\\voice01.tzs \
        TZM\\bgm_title.tzm TZM\\bgm_field.tzm; do
        printf '%s%s\n' "$1" "$f"
    done
}

# Files and folders below <dir>, relative, sorted, on one line.
tree_of() { (cd "$1" 2>/dev/null && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }

# The record's InstPath as the registry holds it, empty when missing.
record_inst_path() {
    auto reg-dump HKCU "$record_key" 2>/dev/null | awk -F'\t' '$1 == "value" && $3 == "InstPath" { print $5 }'
}

# Whether a file holds the UTF-16 form of <text> (as a shell link stores paths).
holds_utf16() {  # <file> <text>
    local hay needle
    hay=$(od -An -v -tx1 "$1" | tr -d ' \n')
    needle=$(printf '%s' "$2" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
    [[ $hay == *"$needle"* ]]
}

# Starts `tazuauto watch` in the background; WATCH_PID, WATCH_FILE.
watch_start() {  # <ms> <file>
    WATCH_FILE=$2
    : >"$WATCH_FILE"
    auto watch "$1" TazuUtility >"$WATCH_FILE" &
    WATCH_PID=$!
    local _
    for _ in $(seq 100); do grep -q watching "$WATCH_FILE" 2>/dev/null && break; sleep 0.05; done
}
watch_stop() {
    kill "$WATCH_PID" 2>/dev/null
    wait "$WATCH_PID" 2>/dev/null
}
watch_saw() { grep -q "^window	$1\$" "$WATCH_FILE"; }

# Closes what a scenario may have left open (Notepad, the stand-in game and
# DirectX setup) and, should one of them not go, ends every program of the
# prefix.
close_other_programs() {
    local cls left=
    for cls in Notepad TazuDemoGame TazuDemoDxSetup; do
        if auto list | cut -f1 | grep -qx "$cls"; then
            auto close "$cls"
            auto wait-gone "$cls" 3000 || left=1
        fi
    done
    if [ -n "$left" ] || auto mutex-exists TazuEngineUnit >/dev/null; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        wineserver -p 2>/dev/null
    fi
}

# Removes installations, shortcuts and the record that a scenario made,
# with the game's entry in the list of programs and the uninstaller it keeps.
clean_installs() {  # <install folders (Windows paths)...>
    local f
    for f in "$@"; do rm -rf "$(unix_path "$f")"; done
    rm -rf "$shortcut_folder"
    auto reg-delete-tree HKCU "Software\\$reg_key" >/dev/null
    auto reg-delete-tree HKCU "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${reg_key}_$title" >/dev/null
    rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/TazuStart"
    rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/Temp"/TazuStart-*
}

# Checks the menu in the layout a finished installation leaves.
check_installed_layout() {  # <what> <dump> <btnStart1 caption>
    local d=$2
    check "$1: btnStart1" "$(ctl "$d" 100 4)$(ctl "$d" 100 5) $(ctl "$d" 100 7)" "11 $3"
    check "$1: btnDelete" "$(ctl "$d" 102 4)$(ctl "$d" 102 5) $(ctl "$d" 102 7)" "11 『$title』　を削除"
    check "$1: hidden btnStart2 lblInst edtInst btnS" \
        "$(ctl "$d" 101 4)$(ctl "$d" 110 4)$(ctl "$d" 103 4)$(ctl "$d" 107 4)" 0000
    check "$1: visible gbInstInfo btnInstDirectX btnExit" \
        "$(ctl "$d" 104 4)$(ctl "$d" 108 4)$(ctl "$d" 109 4)" 111
    check "$1: enabled btnInstPathChg btnInstInfoDel btnInstDirectX btnExit" \
        "$(ctl "$d" 105 5)$(ctl "$d" 106 5)$(ctl "$d" 108 5)$(ctl "$d" 109 5)" 1111
}

# Installs the demo disc in Q: into <folder> (missing) and answers the
# readme and the completion question; leaves the menu up. Status 1 on a fault.
install_quietly() {  # <folder>
    auto set-text TfrmInstMain 103 "$1" || { fail "cannot type the folder"; return 1; }
    auto click TfrmInstMain 100
    answer "新しく作成しますか" 6 || return 1
    if auto wait-window Notepad 30000; then
        auto close Notepad
    else
        fail "no readme after the installation of $1"
        return 1
    fi
    answer "を今すぐ起動しますか" 7 || return 1
    auto wait-text TfrmInstMain 100 "を開始" 5000 || { fail "menu not in its installed layout"; return 1; }
}

# tmpfs mounted as drive T: of the prefix; status 1 (with TMPFS_WHY) when
# this machine does not allow it.
TMPFS_DIR=
mount_small_drive() {  # <size, e.g. 512k>
    TMPFS_DIR=$scratch/tmpfs-t
    mkdir -p "$TMPFS_DIR"
    # Left mounted by a run that was stopped midway.
    mountpoint -q "$TMPFS_DIR" && umount "$TMPFS_DIR"
    if [ "$(id -u)" != 0 ]; then
        TMPFS_WHY="mounting a tmpfs needs root"
        return 1
    fi
    if ! TMPFS_WHY=$(mount -t tmpfs -o "size=$1,mode=0777" tmpfs "$TMPFS_DIR" 2>&1); then
        TMPFS_WHY="mount -t tmpfs is not permitted here: $TMPFS_WHY"
        return 1
    fi
    ln -sfn "$TMPFS_DIR" "$WINEPREFIX/dosdevices/t:"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    wineserver -p 2>/dev/null
    return 0
}
unmount_small_drive() {
    [ -n "$TMPFS_DIR" ] || return 0
    rm -f "$WINEPREFIX/dosdevices/t:"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    mountpoint -q "$TMPFS_DIR" && umount "$TMPFS_DIR"
    rmdir "$TMPFS_DIR" 2>/dev/null
    TMPFS_DIR=
    wineserver -p 2>/dev/null
}

# Runs a scenario body between clean-ups, so that nothing it leaves behind
# (a program, an install folder, a mounted drive) disturbs the next one.
with_cleanup() {  # <body> <install folders...>
    local body=$1
    shift
    close_other_programs
    clean_installs "$@"
    "$body"
    close_other_programs
    unmount_small_drive
    clean_installs "$@"
}

# ---- scenarios -----------------------------------------------------------------

inst_dir='C:\ソラの表'

# A full installation through the real copy form, readme and completion.
body_install_full() {
    snap_start install
    make_slow_disc slow-1 1
    # The copy is fast enough now that the last samples could outlive it.
    grow_file TZM/bgm_field.tzm 4000000 TzmInstSize
    to_menu || return
    auto set-text TfrmInstMain 103 "$inst_dir"
    snap menu-folder-typed
    auto click TfrmInstMain 100
    expect_box "create question" "インストール先のフォルダが存在しません。\\n新しく作成しますか？" "6 7" 6 || return
    answer "新しく作成しますか" 6 || return
    auto wait-window TfrmCopyFile 10000 || { fail "no copy form"; return; }
    # The bars, the percentages and the size panel move while it copies.
    local samples
    samples=$(auto sample TfrmCopyFile 3 250 105 106 104 103 100 108)
    snap mid-copy
    local menu copy
    menu=$(auto dump TfrmInstMain)
    copy=$(auto dump TfrmCopyFile)
    check "copy form caption" "$(win "$copy" 3)" "$app_title"
    check "copy form client size" "$(win "$copy" 5)" "418x146"
    local mx my mw mh cx cy cw ch
    IFS=, read -r mx my mw mh <<<"$(win "$menu" 4)"
    IFS=, read -r cx cy cw ch <<<"$(win "$copy" 4)"
    check "copy form centred over the menu" "$cx,$cy" "$((mx + (mw - cw) / 2)),$((my + (mh - ch) / 2))"
    check_ctl "$copy" 107 btnCancel 1 156,88,105,25 "キャンセル(&C)"
    check_ctl "$copy" 101 Label1 1 16,32,47,12 "ファイル："
    check_ctl "$copy" 102 Label2 1 32,56,30,12 "全体："
    check "menu visible and disabled under the copy form" "$(win "$menu" 7)$(win "$menu" 8)" 10

    samples+=$'\n'$(auto sample TfrmCopyFile 3 250 105 106 104 103 100 108)
    snap later-in-the-copy
    echo "$samples" >>"$E2E_LOG"
    local n_all n_per
    n_all=$(cut -f3 <<<"$samples" | sort -u | wc -l)
    n_per=$(cut -f4 <<<"$samples" | sort -u | wc -l)
    ((n_all >= 2)) || fail "pgbAll did not move: $(cut -f3 <<<"$samples" | tr '\n' ' ')"
    ((n_per >= 2)) || fail "lblAllPer did not change: $(cut -f4 <<<"$samples" | tr '\n' ' ')"
    awk -F'\t' 'NR > 1 && $3 + 0 < prev { bad = 1 } { prev = $3 + 0 } END { exit bad }' <<<"$samples" ||
        fail "pgbAll went back"
    # The size panel is made anew as the copy goes on (in megabytes while
    # its figure is below a gigabyte, as here).
    cut -f7 <<<"$samples" | sed -E 's/^[^0-9]*([0-9.]+)MB.*/\1/' |
        awk 'NR == 1 { first = $1 } { last = $1 } END { exit !(last + 0 < first + 0) }' ||
        fail "pnlSize's remaining size did not fall: $(cut -f7 <<<"$samples" | tr '\n' '|')"
    local all allper fileper label size
    while IFS=$'\t' read -r _ _ all allper fileper label size; do
        [[ $allper =~ ^\ *[0-9]+%$ ]] || fail "lblAllPer '$allper' is not a percentage"
        [[ $fileper =~ ^\ *[0-9]+%$ ]] || fail "lblFilePer '$fileper' is not a percentage"
        # Read after the bar, while the copy goes on.
        ((${allper//[ %]/} >= all)) || fail "lblAllPer '$allper' behind pgbAll $all"
        [[ $label == *" をコピーしています..." ]] || fail "lblInstFile '$label'"
        [[ $size =~ ^インストール残り容量：\ *[0-9]+\.[0-9][MG]B　　インストール先ディスク空き容量：\ *[0-9]+\.[0-9][MGT]B$ ]] ||
            fail "pnlSize '$size'"
    done <<<"$samples"

    # The readme in Notepad; the command buttons wait meanwhile.
    if ! auto wait-window Notepad 30000; then
        fail "no readme in Notepad"
        return
    fi
    menu=$(auto dump TfrmInstMain)
    snap readme
    check "Notepad caption" "$(auto list | awk -F'\t' '$1 == "Notepad" { print $2 }')" "readme.txt - メモ帳"
    check "btnStart1 btnDelete btnExit enabled during the readme" \
        "$(ctl "$menu" 100 5)$(ctl "$menu" 102 5)$(ctl "$menu" 109 5)" 000
    check "btnStart1 during the readme" "$(ctl "$menu" 100 7)" "『$title』　を開始"
    auto close Notepad
    expect_box "completion question" "インストールが完了しました。\\n\\n『$title』\\n\\nを今すぐ起動しますか？" "6 7" 6 || return
    answer "を今すぐ起動しますか" 7 || return
    auto wait-gone '#32770' 5000
    menu=$(auto dump TfrmInstMain)
    snap installed-menu
    check_installed_layout "after the installation" "$menu" "『$title』　を開始"
    local focus
    focus=$(awk -F'\t' '$1 == "focus" { print $2 }' <<<"$menu")
    check "keyboard focus after the installation" "$focus" 100

    # What the installation left on disk and in the registry.
    local dir log
    dir=$(unix_path "$inst_dir")
    log="$dir/Setup.log"
    check "Setup.log" "$(log_lines "$log")" "$(demo_log_lines "$inst_dir\\")"
    check_crlf "Setup.log" "$log"
    local env
    env=$(iconv -f CP932 -t UTF-8 "$dir/Tazu.env" | tr -d '\r' | sed -n '/^\[Environment\]/,/^\[/p')
    check "Tazu.env groups" "$(grep -E '^(TAZ|TZD|TZS|TZM)=' <<<"$env" | tr '\n' ' ')" "TAZ=H TZD=H TZS=H TZM=H "
    check "Tazu.env other keys" "$(grep -E '^(Screen|Sound)=' <<<"$env" | tr '\n' ' ')" "Screen=640x480 Sound=PCM "
    local src f
    src=$(e2e_q_folder)/InstData
    for f in Tazu.exe ovit.dll Quendril.ico DAT/TazSav00.dat TAZ/opening.taz TZM/bgm_field.tzm; do
        cmp -s "$src/$f" "$dir/$f" || fail "$f differs from the disc"
    done
    cmp -s "$src/ovit.dll" "$dir/ovit.dll" || fail "ovit.dll is not the PCM variant"
    [ -f "$shortcut_file" ] || fail "no shortcut $shortcut_file"
    [ -f "$shortcut_file" ] && ! holds_utf16 "$shortcut_file" "$inst_dir\\Quendril.ico" &&
        fail "the shortcut does not take its icon from the install folder"
    check "record InstPath" "$(record_inst_path)" "$inst_dir\\"
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation"
}
scenario_install_full() { with_cleanup body_install_full "$inst_dir"; }

# Cancel in the copy form: No goes on, Yes rolls back and ends the utility.
body_install_cancel() {
    snap_start cancel
    make_slow_disc slow-1 1 no
    # Plenty of copy left after opening.taz, however fast the machine.
    grow_file TZM/bgm_field.tzm 8000000 TzmInstSize
    to_menu || return
    auto set-text TfrmInstMain 103 "$inst_dir"
    auto click TfrmInstMain 100
    answer "新しく作成しますか" 6 || return
    auto wait-window TfrmCopyFile 10000 || { fail "no copy form"; return; }
    # Past the save data, so that the rollback takes everything.
    auto wait-text TfrmCopyFile 100 "opening.taz" 20000 || { fail "the copy did not reach opening.taz"; return; }
    auto click TfrmCopyFile 107
    local question="インストールを中止しますか？\\n\\n中止すると正しくインストールは行われません。\\n正しくインストールを行うには再度インストールを行う必要があります。"
    expect_box "cancel question" "$question" "6 7" 7 || return
    local before after
    before=$(auto value TfrmCopyFile 106)
    sleep 0.5
    check "pgbAll while the question is up" "$(auto value TfrmCopyFile 106)" "$before"
    answer "インストールを中止しますか" 7 || return
    sleep 1
    after=$(auto value TfrmCopyFile 106)
    snap copy-goes-on
    ((after > before)) || fail "the copy did not go on after No (pgbAll $before, then $after)"
    auto list | grep -q '^#32770' && fail "a message box is up after No"

    auto click TfrmCopyFile 107
    expect_box "cancel question again" "$question" "6 7" 7 || return
    watch_start 8000 "$scratch/watch-cancel.txt"
    answer "インストールを中止しますか" 6 || { watch_stop; return; }
    expect_box "end warning" "インストールは正しく終了しませんでした。" "1" 1
    local gone
    gone=$(auto list | cut -f1 | grep -c '^TfrmCopyFile$')
    check "copy form gone at the warning" "$gone" 0
    answer "正しく終了しませんでした" 1
    expect_clean_exit "after the cancelled installation"
    watch_stop
    if watch_saw TfrmDeleteFiles; then echo "  note: rollback window seen"; else echo "  note: rollback window not seen (it may show too briefly)"; fi
    [ -e "$(unix_path "$inst_dir")" ] && fail "install folder left: $(tree_of "$(unix_path "$inst_dir")")"
    check "record InstPath" "$(record_inst_path)" ""
    [ -e "$shortcut_folder" ] && fail "start-menu folder created"
}
scenario_install_cancel() { with_cleanup body_install_cancel "$inst_dir"; }

# A drive with too little free space: refused before any copy, rolled back.
body_install_no_space() {
    snap_start nospace
    if ! mount_small_drive 512k; then
        echo "  note: skipped: $TMPFS_WHY"
        return
    fi
    make_slow_disc nospace 32768 no
    to_menu || return
    # Two folders that the command makes.
    auto set-text TfrmInstMain 103 'T:\ゲーム\ソラの表'
    auto click TfrmInstMain 100
    answer "新しく作成しますか" 6 || return
    local total
    total=$(awk -F= '/InstSize=/ { s += $2 } END { printf "%4.1f", s / 1048576 }' <(tr -d '\r' <"$(e2e_q_folder)/Setup.inf"))
    expect_box "space message" "インストール先の空き容量が足りません。\\n空き容量を十分に確保してから再度インストールしてください。\\n\\n必要容量：${total}MB" "1" 1 || return
    local copy size
    copy=$(auto dump TfrmCopyFile)
    size=$(ctl "$copy" 108 7)
    [[ $size =~ ^インストール残り容量：\ *[0-9.]+MB　　インストール先ディスク空き容量：\ *0\.[0-9]MB$ ]] ||
        fail "pnlSize '$size'"
    check "T: before any copy" "$(tree_of "$TMPFS_DIR")" "ゲーム ゲーム/ソラの表 ゲーム/ソラの表/Setup.log "
    watch_start 5000 "$scratch/watch-nospace.txt"
    answer "空き容量が足りません" 1 || { watch_stop; return; }
    expect_box "end warning" "インストールは正しく終了しませんでした。" "1" 1
    answer "正しく終了しませんでした" 1
    expect_clean_exit "after the refused installation"
    watch_stop
    if watch_saw TfrmDeleteFiles; then echo "  note: rollback window seen"; else echo "  note: rollback window not seen (it may show too briefly)"; fi
    # Nothing stays from before, so the log and the folders made for the
    # installation go as well.
    check "T: after the rollback" "$(tree_of "$TMPFS_DIR")" ""
    check "record InstPath" "$(record_inst_path)" ""
}
scenario_install_no_space() { with_cleanup body_install_no_space; }

# The drive fills up during the copy: the installation ends after the file
# that did not fit; the save data found in the folder survives.
body_install_disk_full() {
    snap_start diskfull
    if ! mount_small_drive 768k; then
        echo "  note: skipped: $TMPFS_WHY"
        return
    fi
    # Configured sizes small enough to pass the space check.
    make_slow_disc diskfull 32768 no
    local key
    for key in TazuInstSize DatInstSize TazInstSize TzdInstSize TzsInstSize TzmInstSize; do
        set_inf_key "$(e2e_q_folder)" "$key" 1000
    done
    mkdir -p "$TMPFS_DIR/Game/DAT"
    printf 'earlier save data\r\n' >"$TMPFS_DIR/Game/DAT/TazSav00.dat"
    to_menu || return
    auto set-text TfrmInstMain 103 'T:\Game'
    auto click TfrmInstMain 100
    expect_box "existing folder notice" "インストール先のフォルダは既に存在します。\\nセーブデータが残っている場合は、残っているセーブデータがそのまま使用されます。" "1" 1 || return
    answer "既に存在します" 1 || return
    if ! expect_box "end warning" "インストールは正しく終了しませんでした。" "1" 1; then
        auto msgbox >>"$E2E_LOG"
        return
    fi
    # The rollback kept the log, since no save data came new.
    local log=$TMPFS_DIR/Game/Setup.log
    check "last line of Setup.log at the warning" "$(log_lines "$log" | tail -1)" 'T:\Game\TAZ\opening.taz'
    check "lines of Setup.log at the warning" "$(log_lines "$log" | wc -l)" 8
    check_crlf "Setup.log" "$log"
    answer "正しく終了しませんでした" 1
    expect_clean_exit "after the failed installation"
    check "T:\\Game after the rollback" "$(tree_of "$TMPFS_DIR/Game")" "DAT DAT/TazSav00.dat Setup.log "
    check "save data" "$(cat "$TMPFS_DIR/Game/DAT/TazSav00.dat")" $'earlier save data\r'
    check "record InstPath" "$(record_inst_path)" ""
}
scenario_install_disk_full() { with_cleanup body_install_disk_full; }

# Install, start the game from the menu, the utility stays away while the
# game runs, then uninstall keeping the save data.
body_game_life() {
    snap_start life
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 100
    if ! auto wait-window TazuDemoGame 15000; then
        fail "the game did not start"
        return
    fi
    snap game
    expect_clean_exit "after starting the game"
    auto mutex-exists TazuEngineUnit >/dev/null || fail "the game does not hold TazuEngineUnit"
    check "game's sound library" "$(auto value TazuDemoGame 100)" \
        "クエンド　～ソラの表～ 体験版（デモ用の代役プログラム）\\r\\n\\r\\nサウンドライブラリ：ovit (通常PCM音源版)"

    # While the game runs the utility ends at once, showing nothing.
    watch_start 5000 "$scratch/watch-life.txt"
    local started=$SECONDS
    start_utility
    if wait_process "$UTIL_PID" 10; then
        check "beside the game: exit code" "$EXIT_CODE" 0
        ((SECONDS - started <= 5)) || fail "beside the game it took $((SECONDS - started)) s to end"
    else
        fail "the utility still runs beside the game"
        return
    fi
    UTIL_PID=
    watch_stop
    grep -q '^mutex' "$WATCH_FILE" && fail "TazuUtility was created beside the game"
    grep -q '^window' "$WATCH_FILE" && fail "a window appeared beside the game: $(grep '^window' "$WATCH_FILE" | cut -f2 | tr '\n' ' ')"

    auto click TazuDemoGame 1
    auto wait-gone TazuDemoGame 5000 || fail "the game did not close"
    local _
    for _ in $(seq 50); do auto mutex-exists TazuEngineUnit >/dev/null || break; sleep 0.1; done
    auto mutex-exists TazuEngineUnit >/dev/null && { fail "TazuEngineUnit stays after the game"; return; }

    to_menu || return
    local d
    d=$(auto dump TfrmInstMain)
    snap installed-at-start
    check_installed_layout "installed at start" "$d" "『$title』　を起動"

    auto click TfrmInstMain 102
    expect_box "uninstall question" "インストールされている\\n\\n『$title』\\n\\nの削除を開始します。" "6 7" 7 || return
    answer "の削除を開始します" 6 || return
    expect_box "save data question" "セーブデータを削除しますか？\\n\\nセーブデータを削除する場合は「はい」を、\\nセーブデータを残す場合は「いいえ」を選択してください。" "6 7" 7 || return
    watch_start 6000 "$scratch/watch-uninstall.txt"
    answer "セーブデータを削除しますか" 7 || { watch_stop; return; }
    expect_box "uninstall done" "『$title』の削除が完了しました。" "1" 1
    answer "の削除が完了しました" 1
    expect_clean_exit "after the uninstall"
    watch_stop
    if watch_saw TfrmDeleteFiles; then echo "  note: deleting notice seen"; else echo "  note: deleting notice not seen (it may show too briefly)"; fi
    check "install folder after the uninstall" "$(tree_of "$(unix_path "$inst_dir")")" "DAT DAT/TazSav00.dat Setup.log "
    check "record after the uninstall" "$(auto reg-dump HKCU "Software\\$reg_key" 2>/dev/null)" ""
    [ -e "$shortcut_file" ] && fail "shortcut left"
    [ -e "$shortcut_folder" ] && fail "start-menu folder left"
}
scenario_game_life() { with_cleanup body_game_life "$inst_dir"; }

scenarios+=(
    install_full scenario_install_full
    install_cancel scenario_install_cancel
    install_no_space scenario_install_no_space
    install_disk_full scenario_install_disk_full
    game_life scenario_game_life
)
