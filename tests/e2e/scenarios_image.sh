# The utility on a mounted disc image, as players mostly meet it today: the
# label comes from the image's volume descriptor, the names from its Joliet
# tree, and every file is read-only. Sourced by run.sh after the install
# scenarios, whose helpers it uses.
# shellcheck shell=bash disable=SC2154

IMAGE_DEV= IMAGE_MNT=
# Mounts <image> (the kernel's iso9660, or fuseiso where the kernel has none)
# with a loop device beside it, and maps both as CD-ROM drive Q: without a
# label file: Wine reads the label from the device. Status 1 with IMAGE_WHY.
map_image() {  # <image>
    IMAGE_MNT=$scratch/image-mnt
    mkdir -p "$IMAGE_MNT"
    if [ "$(id -u)" != 0 ]; then
        IMAGE_WHY="a loop device needs root"
        return 1
    fi
    if ! IMAGE_DEV=$(losetup -f --show -r "$1" 2>&1); then
        IMAGE_WHY="no loop device: $IMAGE_DEV"
        IMAGE_DEV=
        return 1
    fi
    if ! mount -t iso9660 -o ro,iocharset=utf8 "$IMAGE_DEV" "$IMAGE_MNT" 2>/dev/null &&
       ! fuseiso "$1" "$IMAGE_MNT" 2>/dev/null; then
        IMAGE_WHY="neither the kernel's iso9660 nor fuseiso can mount the image here"
        unmap_image
        return 1
    fi
    ln -sfn "$IMAGE_MNT" "$WINEPREFIX/dosdevices/q:"
    ln -sfn "$IMAGE_DEV" "$WINEPREFIX/dosdevices/q::"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    wineserver -p 2>/dev/null
}
unmap_image() {
    rm -f "$WINEPREFIX/dosdevices/q::"
    if mountpoint -q "$IMAGE_MNT" 2>/dev/null; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        umount "$IMAGE_MNT" 2>/dev/null || fusermount -u "$IMAGE_MNT" 2>/dev/null
    fi
    [ -n "$IMAGE_DEV" ] && losetup -d "$IMAGE_DEV" 2>/dev/null
    IMAGE_DEV=
    map_q "$disc" QUENDRIL1
}

# Install from the image, start the game, uninstall: the whole life through
# the real windows; the installed files can be written (nothing keeps the
# read-only state of the medium).
body_mounted_image() {
    snap_start image
    local iso=$TAZU_BUILD_WIN/demo/demo.iso
    [ -f "$iso" ] || { fail "no $iso (xorriso missing when the demo disc was built?)"; return; }
    if ! map_image "$iso"; then
        echo "  note: skipped: $IMAGE_WHY"
        return
    fi
    [ -e "$IMAGE_MNT/.windows-label" ] && fail "the image holds a label file"
    start_to_cd_dialog || { unmap_image; return; }
    snap cd-dialog
    ok_to_main_window || { unmap_image; return; }
    snap menu
    install_quietly "$inst_dir" || { unmap_image; return; }
    local dir f
    dir=$(unix_path "$inst_dir")
    check "Setup.log" "$(log_lines "$dir/Setup.log")" "$(demo_log_lines "$inst_dir\\")"
    for f in Tazu.exe Tazu.env ovit.dll DAT/TazSav00.dat TAZ/opening.taz; do
        [ "$(stat -c %A "$dir/$f" | cut -c3)" = w ] || fail "$f is read-only after the installation"
    done
    auto click TfrmInstMain 100
    if auto wait-window TazuDemoGame 15000; then
        snap game
        expect_clean_exit "after starting the game"
        auto click TazuDemoGame 1
        auto wait-gone TazuDemoGame 5000 || fail "the game did not close"
        local _
        for _ in $(seq 50); do auto mutex-exists TazuEngineUnit >/dev/null || break; sleep 0.1; done
    else
        fail "the game did not start"
    fi
    to_menu || { unmap_image; return; }
    auto click TfrmInstMain 102
    answer "の削除を開始します" 6 || { unmap_image; return; }
    answer "セーブデータを削除しますか" 7 || { unmap_image; return; }
    expect_box "uninstall done" "『$title』の削除が完了しました。" "1" 1
    answer "の削除が完了しました" 1
    expect_clean_exit "after the uninstall"
    check "install folder after the uninstall" "$(tree_of "$dir")" "DAT DAT/TazSav00.dat Setup.log "
    unmap_image
}
scenario_mounted_image() { with_cleanup body_mounted_image "$inst_dir"; }

scenarios+=(mounted_image scenario_mounted_image)
