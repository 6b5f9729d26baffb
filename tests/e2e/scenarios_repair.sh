# Scenarios of the repair group (record removal, record change) and of the
# DirectX setup launcher. Sourced by run.sh after scenarios_install.sh, whose
# helpers they use.
# shellcheck shell=bash disable=SC2154

default_dir="C:\\Program Files\\$def_inst_path"
moved_dir='C:\移動先\ソラの表'

# The record goes, the menu offers the installation again in the default
# folder, and a new installation writes a new record.
body_record_removal() {
    snap_start removal
    auto reg-set HKCU "$record_key" InstPath "C:\\消えたゲーム\\" || { fail "cannot write the record"; return; }
    to_menu || return
    local d
    auto click TfrmInstMain 106
    expect_box "removal question" "インストール情報の削除を行います。\\n\\nこの作業はインストール情報を強制的に削除しますので、\\nゲームを手で消してしまったなどでインストールが\\n行えなくなってしまった場合のみ実行してください。\\n作業終了後、インストールが可能になります。\\n\\n作業を開始してよろしいですか？" "6 7" 7 || return
    answer "インストール情報の削除を行います" 6 || return
    expect_box "removal done" "インストール情報の削除が完了しました。" "1" 1 || return
    answer "削除が完了しました" 1 || return
    auto wait-text TfrmInstMain 100 "をインストール (通常PCM音源版)" 5000 || { fail "menu not in the install state"; return; }
    d=$(auto dump TfrmInstMain)
    snap install-state
    check_ctl "$d" 100 btnStart1 1 8,8,377,25 "『$title』　をインストール (通常PCM音源版)"
    check_ctl "$d" 101 btnStart2 1 8,40,377,25 "『$title』　をインストール (M-WAVE対策版)"
    check_ctl "$d" 103 edtInst 1 16,104,305,20 "$default_dir"
    check "hidden btnDelete gbInstInfo" "$(ctl "$d" 102 4)$(ctl "$d" 104 4)" 00
    check "record after the removal" "$(record_inst_path)" ""

    # Installing from here uses the proposed folder and records it.
    auto click TfrmInstMain 100
    answer "新しく作成しますか" 6 || return
    if auto wait-window Notepad 30000; then auto close Notepad; else fail "no readme"; return; fi
    answer "を今すぐ起動しますか" 7 || return
    auto wait-text TfrmInstMain 100 "を開始" 5000 || fail "menu not in its installed layout"
    snap installed-again
    check "record InstPath" "$(record_inst_path)" "$default_dir\\"
    [ -f "$(unix_path "$default_dir")/Tazu.exe" ] || fail "no Tazu.exe in $default_dir"
    check "Setup.log" "$(log_lines "$(unix_path "$default_dir")/Setup.log")" "$(demo_log_lines "$default_dir\\")"
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit"
}
scenario_record_removal() { with_cleanup body_record_removal "$default_dir"; }

# The game folder moved behind the utility's back: the record change points
# record, log and shortcut at the new place, from where the game starts.
body_record_change() {
    snap_start change
    map_q "$disc" QUENDRIL1
    to_menu || return
    install_quietly "$inst_dir" || return
    auto click TfrmInstMain 109
    expect_clean_exit "btnExit after the installation" || return
    local old new
    old=$(unix_path "$inst_dir")
    mkdir -p "$(dirname "$(unix_path "$moved_dir")")"
    mv "$old" "$(unix_path "$moved_dir")"
    new=$(unix_path "$moved_dir")

    to_menu || return
    # The record still names the old place.
    auto click TfrmInstMain 100
    expect_box "start from the old place" "『$title』の起動に失敗しました。" "1" 1 || return
    answer "起動に失敗しました" 1 || return
    auto wait-gone '#32770' 5000

    auto click TfrmInstMain 105
    expect_box "change question" "インストール情報の変更を行います。\\n\\nこの作業はインストール情報を強制的に変更しますので、\\nドライブ構成が変わったなどでゲームの起動や削除が\\n行えなくなってしまった場合のみ実行してください。\\n\\n作業を開始してよろしいですか？" "6 7" 7 || return
    answer "インストール情報の変更を行います" 6 || return
    local browser
    sleep 0.5
    snap folder-browser
    if ! browser=$(auto browse-choose "$moved_dir" 10000); then
        fail "cannot choose $moved_dir in the folder browser"
        return
    fi
    grep -qxF "text	『$title』がインストールされているフォルダを選択して下さい。" <<<"$browser" ||
        fail "folder browser title: $(cut -f2 <<<"$browser" | tr '\n' ' ')"
    expect_box "change done" "インストール情報の変更が完了しました。" "1" 1 || return
    answer "変更が完了しました" 1 || return

    check "Setup.log in the new place" "$(log_lines "$new/Setup.log")" "$(demo_log_lines "$moved_dir\\")"
    check_crlf "Setup.log in the new place" "$new/Setup.log"
    [ -e "$new/Setup.log.old" ] && fail "Setup.log.old left"
    check "record InstPath" "$(record_inst_path)" "$moved_dir\\"
    if [ -f "$shortcut_file" ]; then
        holds_utf16 "$shortcut_file" "$moved_dir\\Quendril.ico" || fail "the shortcut does not point at the new place"
    else
        fail "no shortcut after the change"
    fi
    local d
    d=$(auto dump TfrmInstMain)
    check_installed_layout "after the change" "$d" "『$title』　を起動"

    auto click TfrmInstMain 100
    if ! auto wait-window TazuDemoGame 15000; then
        fail "the game did not start from the new place"
        return
    fi
    snap game-from-the-new-place
    expect_clean_exit "after starting the game"
    check "game's sound library" "$(auto value TazuDemoGame 100 | sed 's/.*\\n//')" "サウンドライブラリ：ovit (通常PCM音源版)"
    auto click TazuDemoGame 1
    auto wait-gone TazuDemoGame 5000 || fail "the game did not close"

    # Uninstalled there, save data and all: the new place goes, the record too.
    to_menu || return
    auto click TfrmInstMain 102
    answer "の削除を開始します" 6 || return
    answer "セーブデータを削除しますか" 6 || return
    answer "の削除が完了しました" 1 || return
    expect_clean_exit "after the uninstall in the new place"
    [ -e "$new" ] && fail "the moved folder is still there after the uninstall: $(find "$new" | head -5 | tr '\n' ' ')"
    [ -n "$(record_inst_path)" ] && fail "the record is still there after the uninstall"
}
scenario_record_change() { with_cleanup body_record_change "$inst_dir" "$moved_dir" 'C:\移動先'; }

# DirectX setup: the menu's commands wait while it runs; closing the menu
# meanwhile ends the utility and leaves the setup running.
body_directx() {
    snap_start directx
    to_menu || return
    auto click TfrmInstMain 108
    if ! auto wait-window TazuDemoDxSetup 10000; then
        fail "the DirectX setup did not start"
        return
    fi
    local d
    d=$(auto dump TfrmInstMain)
    snap setup-running
    check "setup window text" "$(auto value TazuDemoDxSetup 100 | sed 's/\\r\\n/|/g')" \
        "DirectX 8.1b セットアップ（デモ用の代役）||実行中のプログラム：DX81NTjpn.exe|何もインストールせずに数秒で終了します。"
    check "disabled btnStart1 btnStart2 btnDelete edtInst btnS btnInstDirectX btnExit" \
        "$(ctl "$d" 100 5)$(ctl "$d" 101 5)$(ctl "$d" 102 5)$(ctl "$d" 103 5)$(ctl "$d" 107 5)$(ctl "$d" 108 5)$(ctl "$d" 109 5)" 0000000
    check "enabled btnInstPathChg btnInstInfoDel" "$(ctl "$d" 105 5)$(ctl "$d" 106 5)" 11
    check "menu window enabled" "$(win "$d" 8)" 1
    auto click TazuDemoDxSetup 1
    auto wait-gone TazuDemoDxSetup 5000 || fail "the setup did not close"
    local _
    for _ in $(seq 30); do
        d=$(auto dump TfrmInstMain)
        [ "$(ctl "$d" 108 5)" = 1 ] && break
        sleep 0.1
    done
    snap after-setup
    check "enabled after the setup: btnStart1 btnStart2 btnDelete edtInst btnS btnInstDirectX btnExit" \
        "$(ctl "$d" 100 5)$(ctl "$d" 101 5)$(ctl "$d" 102 5)$(ctl "$d" 103 5)$(ctl "$d" 107 5)$(ctl "$d" 108 5)$(ctl "$d" 109 5)" 1101111

    # Closing the menu while the setup runs.
    auto click TfrmInstMain 108
    auto wait-window TazuDemoDxSetup 10000 || { fail "the DirectX setup did not start again"; return; }
    auto close TfrmInstMain
    expect_clean_exit "menu closed during the setup"
    auto list | cut -f1 | grep -qx TazuDemoDxSetup || fail "the setup ended with the utility"
    snap setup-outlives-the-menu
    auto click TazuDemoDxSetup 1
    auto wait-gone TazuDemoDxSetup 5000 || fail "the setup did not close"
}
scenario_directx() { with_cleanup body_directx; }

scenarios+=(
    record_removal scenario_record_removal
    record_change scenario_record_change
    directx scenario_directx
)
