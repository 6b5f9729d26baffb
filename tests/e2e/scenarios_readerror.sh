# A disc that reads badly: the demo disc seen through eio_disc.py, a FUSE
# passthrough that fails chosen reads with EIO, as CD-ROM drive Q:. The
# installation goes from the command line onto a 16 TB tmpfs as drive T:,
# whose free space the size panel must show whole. Sourced by run.sh after
# the install and command-line scenarios, whose helpers it uses.
# shellcheck shell=bash disable=SC2154

EIO_PID= EIO_MNT= EIO_LOG=
# Mounts <folder> read-only through the passthrough with <faults> (see
# eio_disc.py) and maps it as drive Q:. Status 1 with EIO_WHY when FUSE
# cannot run here.
map_eio_disc() {  # <folder> <faults...>
    local folder=$1 _
    shift
    EIO_MNT=$scratch/eio-mnt EIO_LOG=$scratch/eio.log
    mkdir -p "$EIO_MNT"
    mountpoint -q "$EIO_MNT" && fusermount -u "$EIO_MNT"
    if [ ! -e /dev/fuse ]; then
        EIO_WHY="no /dev/fuse on this machine"
        return 1
    fi
    if ! /usr/bin/python3 -c 'import fusepy' 2>/dev/null; then
        EIO_WHY="python3-fusepy is not installed (scripts/setup-deps.sh installs it)"
        return 1
    fi
    /usr/bin/python3 "$repo/tests/e2e/eio_disc.py" "$folder" "$EIO_MNT" "$@" 2>"$EIO_LOG" &
    EIO_PID=$!
    for _ in $(seq 100); do
        mountpoint -q "$EIO_MNT" && break
        kill -0 "$EIO_PID" 2>/dev/null || break
        sleep 0.05
    done
    if ! mountpoint -q "$EIO_MNT"; then
        EIO_WHY="the FUSE mount did not come up: $(head -c 300 "$EIO_LOG")"
        stop_process "$EIO_PID"
        EIO_PID=
        return 1
    fi
    # The label file is in <folder> already: map_q would write it, and the
    # mount is read-only.
    ln -sfn "$EIO_MNT" "$WINEPREFIX/dosdevices/q:"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    wineserver -p 2>/dev/null
}
# Maps the demo disc again (which lets the wineserver go of the mount) and
# unmounts; the passthrough then ends.
unmap_eio_disc() {
    [ -n "$EIO_PID" ] || return 0
    map_q "$disc" QUENDRIL1
    fusermount -u "$EIO_MNT" 2>/dev/null
    wait_process "$EIO_PID" 5 || stop_process "$EIO_PID"
    EIO_PID=
}

# Reads of opening.taz (700,000 bytes) from its 13th chunk of 32 KiB on fail:
# twice, so the copy reads again from that chunk's start and installs; then
# always, so the installation fails and is rolled back.
body_read_errors() {
    snap_start read-errors
    local src=$scratch/eio-disc file='InstData/TAZ/opening.taz' dir='T:\Game' log
    rm -rf "$src"
    cp -r "$disc" "$src"
    printf 'QUENDRIL1\n' >"$src/.windows-label"
    if ! mount_small_drive 16t; then
        echo "  note: installing to C: instead of a 16 TB drive: $TMPFS_WHY"
        dir=$inst_dir
    fi
    if ! map_eio_disc "$src" "$file=400000:2"; then
        echo "  note: skipped: $EIO_WHY"
        return
    fi
    log=$(unix_path 'C:\read-errors.log')
    rm -f "$log"
    start_with_args /install "/dir=$dir" /passive '/log=C:\read-errors.log'
    # The copy form waits a second before each new try: time to look at it.
    local _ panel=
    for _ in $(seq 300); do
        grep -q 'opening\.taz' "$log" 2>/dev/null && break
        sleep 0.1
    done
    if auto wait-window TfrmCopyFile 2000; then
        panel=$(ctl "$(auto dump TfrmCopyFile)" 108 7)
        snap retrying
    else
        fail "no copy form while the read is tried again"
    fi
    if [ -n "$TMPFS_DIR" ]; then
        [[ $panel =~ 空き容量：\ *[0-9]+\.[0-9]TB$ ]] || fail "pnlSize on a 16 TB drive: '$panel'"
    fi
    if wait_process "$UTIL_PID" 120; then
        check "exit code after two read errors" "$EXIT_CODE" 0
    else
        fail "/install still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    cmp -s "$src/$file" "$(unix_path "$dir")/TAZ/opening.taz" || fail "the installed opening.taz differs from the disc"
    check "read errors met" "$(grep -c '^eio' "$EIO_LOG")" 2
    check "log lines naming the file" "$(tr -d '\r' <"$log" | grep -c 'Q:\\InstData\\TAZ\\opening\.taz')" 2
    check "record InstPath" "$(record_inst_path)" "$dir\\"
    clean_installs "$dir"
    unmap_eio_disc

    map_eio_disc "$src" "$file=400000:-1" || { fail "cannot mount the disc again: $EIO_WHY"; return; }
    start_with_args /install "/dir=$dir" /silent
    if wait_process "$UTIL_PID" 120; then
        check "exit code when the reads keep failing" "$EXIT_CODE" 5
    else
        fail "/install still runs"
        stop_process "$UTIL_PID"
    fi
    UTIL_PID=
    (($(grep -c '^eio' "$EIO_LOG") > 1)) || fail "the failed read was not tried again"
    check "install folder after the rollback" "$(tree_of "$(unix_path "$dir")")" ""
    check "record InstPath" "$(record_inst_path)" ""
    unmap_eio_disc
    rm -f "$log"
}
scenario_read_errors() {
    with_cleanup body_read_errors "$inst_dir"
    unmap_eio_disc
}

scenarios+=(
    read_errors scenario_read_errors
)
