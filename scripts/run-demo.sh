#!/usr/bin/env bash
# Builds the program and the demo disc, prepares the Wine prefix with the disc
# as CD-ROM drive Q: and starts Q:\TazuStart.exe from the disc root.
# With $DISPLAY set it simply opens in a window. Without one it runs under
# Xvfb and takes a guided tour, pressing the buttons itself and saving a
# screenshot of each step to build/screenshots/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
if [ "$(id -u)" = 0 ]; then
    ./scripts/setup-deps.sh
fi

export TAZU_BUILD_WIN=${TAZU_BUILD_WIN:-$repo/build/win}
echo "run-demo: building $TAZU_BUILD_WIN" >&2
cmake -S "$repo" -B "$TAZU_BUILD_WIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$TAZU_BUILD_WIN" -j"$(nproc 2>/dev/null || echo 2)" --target demo_disc tazuauto >/dev/null

disc=$TAZU_BUILD_WIN/demo/disc1
# shellcheck source=wine-env.sh
. "$repo/scripts/wine-env.sh"
tazu_prepare_prefix "$disc" QUENDRIL1

if [ -n "${DISPLAY:-}" ]; then
    cd "$disc"
    exec wine 'Q:\TazuStart.exe'
fi

# ---- the guided tour under Xvfb ----
# The whole life of the demo game: install, readme, start, a second start
# after the game, DirectX setup, uninstall. It begins from a prefix without
# the game: an earlier installation in the demo prefix is removed first.
shots=$repo/build/screenshots
mkdir -p "$shots" "$repo/build/test-logs"
rm -f "$shots"/*.png
export E2E_LOG=$repo/build/test-logs/demo-wine.log
: > "$E2E_LOG"
# shellcheck source=../tests/e2e/lib.sh
. "$repo/tests/e2e/lib.sh"

# The tour's copy of the demo disc reads in small chunks, so that the copy
# form stays up long enough to be seen; everything else is the demo disc.
tour_disc=$TAZU_BUILD_WIN/demo/tour-disc
rm -rf "$tour_disc"
cp -r "$disc" "$tour_disc"
sed -i 's/^InstBufSize=[0-9]*/InstBufSize=4/' "$tour_disc/Setup.inf"
tazu_map_cdrom "$tour_disc" QUENDRIL1

UTIL_PID=
finish() {
    stop_process "$UTIL_PID"
    wineserver -k 2>/dev/null || true
    e2e_stop_xvfb
}
trap finish EXIT

# A wineserver of an earlier run may still serve another display.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
e2e_start_xvfb 97
wineserver -p 2>/dev/null || true
echo "run-demo: Xvfb on $DISPLAY" >&2

# No game from an earlier run: no record, install folder, shortcut, entry in
# the list of programs or kept uninstaller.
auto reg-delete-tree HKCU "Software\\$(setup_inf_value "$disc" RegKey)" || true
auto reg-delete-tree HKCU "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(setup_inf_value "$disc" RegKey)_$(setup_inf_value "$disc" GameTitle)" || true
rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/TazuStart"
rm -rf "$WINEPREFIX/drive_c/Program Files/$(setup_inf_value "$disc" DefInstPath)"
rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$(setup_inf_value "$disc" ProgramFolder)"

# Runs the tour read from standard input, one step a line:
#   shot <name>          screenshot build/screenshots/<nn>-<name>.png
#   sleep <seconds>
#   start [arguments]    starts Q:\TazuStart.exe, with arguments when given
#   expect-exit [s]      the utility ends with exit code 0 (within s seconds, 15)
#   apps                 opens Wine's "Add/Remove Programs" (control appwiz.cpl)
#   unmap-disc, map-disc takes the disc out of drive Q:, puts it back
#   <tazuauto command>   e.g. wait-window TfrmCdRom, click TfrmInstMain 109,
#                        msgbox-answer <part of the text> 6 (see tests/e2e/tazuauto.cpp)
tour() {
    local n=0 step args
    while read -r step args; do
        case $step in ''|'#'*) continue ;; esac
        echo "  $step $args" >&2
        case $step in
        shot)
            n=$((n + 1))
            # A window just shown needs a moment to be painted; import
            # reads message boxes that xwd -root leaves black under Xvfb.
            sleep 0.3
            import -display "$DISPLAY" -window root "$shots/$(printf '%02d' "$n")-$args.png" 2>/dev/null
            ;;
        sleep) sleep "$args" ;;
        start)
            if [ -n "$args" ]; then
                # shellcheck disable=SC2086
                (cd "$(e2e_q_folder)" && exec wine 'Q:\TazuStart.exe' $args) </dev/null >>"$E2E_LOG" 2>&1 &
                UTIL_PID=$!
            else
                start_utility
            fi
            ;;
        expect-exit)
            wait_process "$UTIL_PID" "${args:-15}" || { echo "run-demo: the utility did not end" >&2; return 1; }
            UTIL_PID=
            echo "run-demo: the utility ended with exit code $EXIT_CODE" >&2
            [ "$EXIT_CODE" = 0 ] || return 1
            ;;
        apps)
            (exec wine control appwiz.cpl) </dev/null >>"$E2E_LOG" 2>&1 &
            ;;
        unmap-disc)
            rm -f "$WINEPREFIX/dosdevices/q:"
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
            wineserver -p 2>/dev/null || true
            ;;
        map-disc)
            tazu_map_cdrom "$tour_disc" QUENDRIL1
            wineserver -p 2>/dev/null || true
            ;;
        browse-choose)
            # The folder may hold blanks: the rest of the line is one path.
            auto browse-choose "$args" 10000 >/dev/null || { echo "run-demo: step failed: $step $args" >&2; return 1; }
            ;;
        *)
            # shellcheck disable=SC2086
            auto "$step" $args >/dev/null || { echo "run-demo: step failed: $step $args" >&2; return 1; }
            ;;
        esac
    done
}

status=0
tour <<'EOF' || status=1
start
# Disc 1 is in Q:; the utility asks for the drive first.
wait-window TfrmCdRom 30000
shot cd-dialog
click TfrmCdRom 103
# The menu of a game that is not installed yet.
wait-window TfrmInstMain 30000
shot main-menu
# Install into the proposed folder, which does not exist yet.
click TfrmInstMain 100
wait-msgbox 新しく作成しますか 10000
shot create-folder-question
msgbox-answer 新しく作成しますか 6
wait-window TfrmCopyFile 10000
sleep 0.4
shot copying
# The readme beside the utility opens in Notepad.
wait-window Notepad 30000
shot readme
close Notepad
wait-msgbox を今すぐ起動しますか 10000
shot completion-question
msgbox-answer を今すぐ起動しますか 7
wait-text TfrmInstMain 100 を開始 10000
shot installed-menu
# Start the game from the menu; the menu closes.
click TfrmInstMain 100
wait-window TazuDemoGame 15000
expect-exit
shot game
click TazuDemoGame 1
wait-gone TazuDemoGame 10000
# The utility again, now with the game installed.
start
wait-window TfrmCdRom 30000
click TfrmCdRom 103
wait-window TfrmInstMain 30000
shot installed-at-start
# The DirectX setup stand-in; the menu waits for it.
click TfrmInstMain 108
wait-window TazuDemoDxSetup 10000
shot directx-setup
click TazuDemoDxSetup 1
wait-gone TazuDemoDxSetup 10000
# Point the record at the folder the game is in (a moved game would be
# elsewhere; here it is the same folder).
click TfrmInstMain 105
wait-msgbox インストール情報の変更を行います 10000
shot record-change-question
msgbox-answer インストール情報の変更を行います 6
sleep 0.5
shot folder-browser
browse-choose C:\Program Files\ソラの表
wait-msgbox インストール情報の変更が完了しました 10000
shot record-change-done
msgbox-answer インストール情報の変更が完了しました 1
# Forget the installation: the menu is in its install state again.
click TfrmInstMain 106
wait-msgbox インストール情報の削除を行います 10000
shot record-removal-question
msgbox-answer インストール情報の削除を行います 6
wait-msgbox インストール情報の削除が完了しました 10000
msgbox-answer インストール情報の削除が完了しました 1
wait-text TfrmInstMain 100 をインストール 10000
shot install-state-again
# Install again over the files that are still there.
click TfrmInstMain 100
wait-msgbox 既に存在します 10000
shot folder-exists-notice
msgbox-answer 既に存在します 1
wait-window Notepad 30000
close Notepad
wait-msgbox を今すぐ起動しますか 10000
msgbox-answer を今すぐ起動しますか 7
wait-text TfrmInstMain 100 を開始 10000
# Uninstall, save data included.
click TfrmInstMain 102
wait-msgbox の削除を開始します 10000
shot uninstall-question
msgbox-answer の削除を開始します 6
wait-msgbox セーブデータを削除しますか 10000
shot save-data-question
msgbox-answer セーブデータを削除しますか 6
wait-msgbox の削除が完了しました 10000
shot uninstall-done
msgbox-answer の削除が完了しました 1
expect-exit
# From a script: /install /passive shows only the copy form and asks
# nothing, and writes a log in C:\.
start /install /passive /log=C:\tour-install.log
wait-window TfrmCopyFile 30000
sleep 0.4
shot unattended-install
expect-exit 120
# The game is in Windows' list of installed programs, and is removed from
# there without the disc: the list starts the uninstaller the installation
# kept, which asks the menu's questions.
unmap-disc
apps
wait-window #32770 20000
sleep 1
shot apps-list
select-item #32770 1011 クエンド　～ソラの表～
shot apps-selected
click #32770 1012
wait-msgbox の削除を開始します 20000
shot apps-uninstall-question
msgbox-answer の削除を開始します 6
wait-msgbox セーブデータを削除しますか 10000
shot apps-save-data-question
msgbox-answer セーブデータを削除しますか 6
wait-msgbox の削除が完了しました 20000
shot apps-uninstall-done
msgbox-answer の削除が完了しました 1
sleep 1
close #32770
wait-gone #32770 10000
apps
wait-window #32770 20000
sleep 1
shot apps-list-after-removal
close #32770
wait-gone #32770 10000
map-disc
# /install /silent shows nothing at all, and neither does /uninstall
# /silent, which writes its log in C:\.
start /install /silent
expect-exit 120
start /uninstall /silent /deletesaves /log=C:\tour-uninstall.log
expect-exit 60
EOF

echo "Screenshots: $shots"
ls "$shots"/*.png 2>/dev/null | sed 's/^/  /'
exit "$status"
