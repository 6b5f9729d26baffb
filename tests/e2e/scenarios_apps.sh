# The game in Windows' list of installed programs, removed from there
# without the disc: Wine's own uninstaller reads the same key as Settings >
# Apps and Programs and Features. Sourced by run.sh with the other scenario
# files; uses the helpers of scenarios_install.sh.
# shellcheck shell=bash disable=SC2154

apps_key="${reg_key}_$title"
apps_entry="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$apps_key"
apps_kept_base="C:\\users\\$(id -un)\\AppData\\Local\\TazuStart"
apps_temp="C:\\users\\$(id -un)\\Temp"

# The entries Wine's uninstaller lists, one "key|||name" a line, as UTF-8.
apps_list() { wine uninstaller --list 2>>"$E2E_LOG" | iconv -f CP932 -t UTF-8 | tr -d '\r'; }

# A value of the game's entry as reg-dump shows it: "sz<TAB>text" or "dword<TAB>n".
apps_value() {  # <name>
    auto reg-dump HKCU "$apps_entry" 2>/dev/null | awk -F'\t' -v n="$1" '$1 == "value" && $3 == n { print $4 "\t" $5 }'
}

# What the temporary folder holds of the uninstaller's copies.
apps_temp_copies() { (cd "$(unix_path "$apps_temp")" 2>/dev/null && find . -maxdepth 1 -name 'TazuStart-*' | sort | tr '\n' ' '); }

body_apps_remove() {
    snap_start apps
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation" || return

    # The entry, as the list shows it and as the registry holds it.
    local kept="$apps_kept_base\\$apps_key"
    grep -qxF "$apps_key|||$title" <<<"$(apps_list)" || fail "not in the list: $(apps_list | tr '\n' ' ')"
    check "DisplayName" "$(apps_value DisplayName)" "sz	$title"
    check "InstallLocation" "$(apps_value InstallLocation)" "sz	$inst_dir\\"
    check "DisplayIcon" "$(apps_value DisplayIcon)" "sz	$inst_dir\\Quendril.ico"
    check "UninstallString" "$(apps_value UninstallString)" "sz	\"$kept\\TazuStart.exe\" /uninstall"
    check "QuietUninstallString" "$(apps_value QuietUninstallString)" "sz	\"$kept\\TazuStart.exe\" /uninstall /silent"
    check "NoModify NoRepair" "$(apps_value NoModify) $(apps_value NoRepair)" "dword	1 dword	1"
    check "InstallDate" "$(apps_value InstallDate)" "sz	$(date +%Y%m%d)"
    local size_kb
    # The game and the uninstaller kept with it.
    local kept_bytes
    kept_bytes=$(cat "$(unix_path "$kept")/TazuStart.exe" "$(unix_path "$kept")/Setup.inf" | wc -c)
    size_kb=$(awk -F= -v k="$kept_bytes" '/InstSize=/ { s += $2 } END { printf "%d", (s + k + 1023) / 1024 }' <(tr -d '\r' <"$disc/Setup.inf"))
    check "EstimatedSize" "$(apps_value EstimatedSize)" "dword	$size_kb"
    cmp -s "$disc/TazuStart.exe" "$(unix_path "$kept")/TazuStart.exe" || fail "the kept uninstaller is not the disc's program"
    check "the kept Setup.inf" "$(iconv -f CP932 -t UTF-8 "$(unix_path "$kept")/Setup.inf" | tr -d '\r' | tr '\n' ' ')" \
        "[Setting] GameTitle=$title DefInstPath=$def_inst_path ProgramFolder=$(setup_inf_value "$disc" ProgramFolder) RegKey=$reg_key ShortcutIcon=Quendril.ico "

    # The disc goes; the game is removed from the list.
    rm -f "$WINEPREFIX/dosdevices/q:"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    wineserver -p 2>/dev/null
    watch_start 60000 "$scratch/watch-apps.txt"
    (wine uninstaller --remove "$apps_key" </dev/null >>"$E2E_LOG" 2>&1) &
    local remove_pid=$!
    expect_box "uninstall question" "インストールされている\\n\\n『$title』\\n\\nの削除を開始します。" "6 7" 7 || { watch_stop; return; }
    auto list | grep -q "^TfrmCdRom	" && fail "the CD-ROM dialog came up"
    answer "の削除を開始します" 6 || { watch_stop; return; }
    expect_box "save data question" "セーブデータを削除しますか？\\n\\nセーブデータを削除する場合は「はい」を、\\nセーブデータを残す場合は「いいえ」を選択してください。" "6 7" 7 || { watch_stop; return; }
    answer "セーブデータを削除しますか" 6 || { watch_stop; return; }
    expect_box "uninstall done" "『$title』の削除が完了しました。" "1" 1 || { watch_stop; return; }
    answer "の削除が完了しました" 1
    wait_process "$remove_pid" 30 || { fail "Wine's uninstaller still runs"; stop_process "$remove_pid"; }
    local i
    for i in $(seq 100); do auto mutex-exists TazuUtility >/dev/null || break; sleep 0.1; done
    auto mutex-exists TazuUtility >/dev/null && fail "the uninstaller's copy still runs"
    watch_stop
    if watch_saw TfrmDeleteFiles; then echo "  note: deleting window seen"; else echo "  note: deleting window not seen (it may show too briefly)"; fi
    watch_saw TfrmInstMain && fail "the menu showed"
    watch_saw TfrmCdRom && fail "the CD-ROM dialog showed"

    # Nothing of the game is left; the copy in the temporary folder goes a
    # moment after it ended.
    check "install folder" "$(tree_of "$(unix_path "$inst_dir")")" ""
    [ -e "$(unix_path "$inst_dir")" ] && fail "install folder left"
    check "record" "$(auto reg-dump HKCU "Software\\$reg_key" 2>/dev/null)" ""
    [ -e "$shortcut_file" ] && fail "shortcut left"
    check "entry" "$(auto reg-dump HKCU "$apps_entry" 2>/dev/null)" ""
    grep -qF "$apps_key|||" <<<"$(apps_list)" && fail "still in the list"
    [ -e "$(unix_path "$apps_kept_base")" ] && fail "kept uninstaller left: $(tree_of "$(unix_path "$apps_kept_base")")"
    for i in $(seq 100); do [ -z "$(apps_temp_copies)" ] && break; sleep 0.1; done
    check "copies in the temporary folder" "$(apps_temp_copies)" ""
}
scenario_apps_remove() {
    with_cleanup body_apps_remove "$inst_dir"
    map_demo_disc
}

# The quiet uninstall string as a deployment tool runs it and waits: the
# program it starts returns only when the removal has ended, with the
# removal's own exit code (6 while the utility runs elsewhere, as from the
# disc). The temporary folder is named with what a command prompt would
# read as commands and variables: the prompt that removes the copy reads
# none of it.
apps_odd_temp="$apps_temp\\a&b %i% ^(x)! 表"
apps_set_temp() {  # <Windows folder>
    wine reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d "$1" /f >>"$E2E_LOG" 2>&1
    wine reg add 'HKCU\Environment' /v TMP /t REG_SZ /d "$1" /f >>"$E2E_LOG" 2>&1
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
apps_run_kept() {  # <arguments...>; sets EXIT_CODE
    local kept="$apps_kept_base\\$apps_key\\TazuStart.exe"
    (cd / && exec wine "$kept" "$@") </dev/null >>"$E2E_LOG" 2>&1
    EXIT_CODE=$?
}
body_apps_quiet() {
    map_q "$disc" QUENDRIL1
    start_with_args /install "/dir=$inst_dir" /silent
    if ! wait_process "$UTIL_PID" 120; then
        fail "/install still runs"
        stop_process "$UTIL_PID"
        return
    fi
    UTIL_PID=
    check "/install exit code" "$EXIT_CODE" 0
    rm -f "$WINEPREFIX/dosdevices/q:"
    local odd
    odd=$(unix_path "$apps_odd_temp")
    rm -rf "$odd"
    mkdir -p "$odd"
    apps_set_temp "$apps_odd_temp"

    auto hold-mutex TazuUtility 20000 &
    local holder=$! i
    for i in $(seq 100); do auto mutex-exists TazuUtility >/dev/null && break; sleep 0.1; done
    apps_run_kept /uninstall /silent
    check "exit code while the utility runs" "$EXIT_CODE" 6
    check "record while the utility runs" "$(record_inst_path)" "$inst_dir\\"
    grep -qF "$apps_key|||" <<<"$(apps_list)" || fail "the entry went while the utility ran"
    stop_process "$holder"
    wineserver -w 2>/dev/null

    apps_run_kept /uninstall /silent
    [ -n "$(tree_of "$odd")" ] || fail "the copy did not run from the temporary folder"
    check "exit code" "$EXIT_CODE" 0
    # Right when it returned: nothing of the game is left that the caller sees.
    check "record when it returned" "$(auto reg-dump HKCU "Software\\$reg_key" 2>/dev/null)" ""
    check "entry when it returned" "$(auto reg-dump HKCU "$apps_entry" 2>/dev/null)" ""
    # The save data stays, as the quiet removal keeps it, with the log of it.
    check "install folder when it returned" "$(tree_of "$(unix_path "$inst_dir")")" "DAT DAT/TazSav00.dat Setup.log "
    for i in $(seq 100); do [ -z "$(tree_of "$odd")" ] && [ ! -e "$(unix_path "$apps_kept_base")" ] && break; sleep 0.1; done
    check "the temporary folder" "$(tree_of "$odd")" ""
    [ -e "$(unix_path "$apps_kept_base")" ] && fail "kept uninstaller left: $(tree_of "$(unix_path "$apps_kept_base")")"
    check "copies in the usual temporary folder" "$(apps_temp_copies)" ""
}
scenario_apps_quiet() {
    with_cleanup body_apps_quiet "$inst_dir"
    apps_set_temp "$apps_temp"
    rm -rf "$(unix_path "$apps_odd_temp")"
    map_demo_disc
}

scenarios+=(
    apps_remove scenario_apps_remove
    apps_quiet scenario_apps_quiet
)
