#!/usr/bin/env bash
# Assembles the demo discs from the UTF-8 sources in this folder and the
# built stand-in programs.
#   assemble-disc.sh <out-root> <bin-dir> [TazuStart.exe]
# Writes <out-root>/disc1 (one-disc demo) and <out-root>/two-disc/disc{1,2},
# and their images <out-root>/demo.iso and <out-root>/two-disc/disc{1,2}.iso.
# Texts become Shift-JIS (code page 932); the size keys of Setup.inf get the
# byte counts of what an installation copies.
set -euo pipefail

out=$1 bin=$2 starter=${3:-}
src=$(cd "$(dirname "$0")" && pwd)

# UTF-8 source -> Shift-JIS with CR LF line ends (or LF with "lf").
to_sjis() {  # <source> <dest> [lf]
    if [ "${3:-}" = lf ]; then
        iconv -f UTF-8 -t CP932 "$1" > "$2"
    else
        iconv -f UTF-8 -t CP932 "$1" | sed -z 's/\r*\n/\r\n/g' > "$2"
    fi
}

# Deterministic filler so that rebuilds give identical files.
make_data() {  # <path> <bytes> <tag>
    { yes "QUENDRIL demo data $3 " || true; } | head -c "$2" > "$1"
}

bytes() { stat -c %s "$1"; }

# Programs, readme, environment file, DirectX stand-ins and the utility.
common_files() {  # <disc-root>
    local d=$1
    mkdir -p "$d/InstData" "$d/Directx8.1b"
    cp "$bin/Tazu.exe" "$bin/ovit.dll" "$bin/ovit_mwv.dll" "$bin/Quendril.ico" "$d/InstData/"
    to_sjis "$src/disc/Tazu.env" "$d/InstData/Tazu.env"
    cp "$bin/DX81jpn.exe" "$bin/DX81NTjpn.exe" "$d/Directx8.1b/"
    to_sjis "$src/disc/readme.txt" "$d/readme.txt"
    # The second list file keeps LF line ends on purpose: the utility
    # must read both kinds.
    to_sjis "$src/disc/SetupDAT1.inf" "$d/SetupDAT1.inf"
    to_sjis "$src/disc/SetupTZD1.inf" "$d/SetupTZD1.inf" lf
    to_sjis "$src/disc/SetupTZS1.inf" "$d/SetupTZS1.inf"
    if [ -n "$starter" ]; then cp "$starter" "$d/TazuStart.exe"; fi
    # Inserted, the disc starts the utility and shows its icon.
    printf '[autorun]\r\nopen=TazuStart.exe\r\nicon=TazuStart.exe\r\n' > "$d/autorun.inf"
}

# Creates the data files of a manifest below the disc roots; disc n goes to $2, $3...
data_files() {  # <manifest> <disc1-root> [<disc2-root>]
    local manifest=$1 disc group name size root
    shift
    local roots=("$@")
    while read -r disc group name size; do
        case $disc in ''|'#'*) continue ;; esac
        root=${roots[$((disc - 1))]}
        mkdir -p "$root/InstData/$group"
        make_data "$root/InstData/$group/$name" "$size" "$group/$name"
    done < "$manifest"
}

group_bytes() {  # <group> <disc-root>... : bytes below InstData/<group> of all discs
    local group=$1 total=0 f
    shift
    for root in "$@"; do
        for f in "$root/InstData/$group"/*; do
            [ -f "$f" ] && total=$((total + $(bytes "$f")))
        done
    done
    echo "$total"
}

write_setup_inf() {  # <source> <dest> <disc-root>...
    local source=$1 dest=$2
    shift 2
    local d1=$1 ovit mwv
    ovit=$(bytes "$d1/InstData/ovit.dll") mwv=$(bytes "$d1/InstData/ovit_mwv.dll")
    # The larger library, so the free-space check covers either variant.
    ((mwv > ovit)) && ovit=$mwv
    local tazu=$(($(bytes "$d1/InstData/Tazu.exe") + $(bytes "$d1/InstData/Tazu.env") + ovit +
                  $(bytes "$d1/InstData/Quendril.ico")))
    sed -e "s/@TazuInstSize@/$tazu/" \
        -e "s/@DatInstSize@/$(group_bytes DAT "$@")/" \
        -e "s/@TazInstSize@/$(group_bytes TAZ "$@")/" \
        -e "s/@TzdInstSize@/$(group_bytes TZD "$@")/" \
        -e "s/@TzsInstSize@/$(group_bytes TZS "$@")/" \
        -e "s/@TzmInstSize@/$(group_bytes TZM "$@")/" "$source" > "$dest.utf8"
    to_sjis "$dest.utf8" "$dest"
    rm -f "$dest.utf8"
}

label() { printf '%s\n' "$2" > "$1/.windows-label"; }

# The disc folder mastered as an ISO 9660 image with Joliet names (so that
# the Japanese names survive) and the volume label; the label file that
# stands in for it in the folder stays out.
# xorriso greets on its error output at every start, whatever -quiet says:
# what it writes there is shown only when it fails.
image() {  # <disc-root> <label> <image>
    rm -f "$3"
    local said
    if ! said=$(xorriso -report_about SORRY -as mkisofs -quiet -J -joliet-long -input-charset utf-8 -V "$2" \
                -m .windows-label -o "$3" "$1" 2>&1 >/dev/null); then
        printf '%s\n' "$said" >&2
        return 1
    fi
}

# One-disc demo.
one=$out/disc1
rm -rf "$one"
mkdir -p "$one"
common_files "$one"
data_files "$src/disc/files.txt" "$one"
write_setup_inf "$src/disc/Setup.inf" "$one/Setup.inf" "$one"
label "$one" QUENDRIL1

# Two-disc demo: disc 1 as above plus the lists of disc 2; disc 2 holds only data.
two1=$out/two-disc/disc1 two2=$out/two-disc/disc2
rm -rf "$out/two-disc"
mkdir -p "$two1" "$two2"
common_files "$two1"
to_sjis "$src/two-disc/SetupTZS2.inf" "$two1/SetupTZS2.inf"
data_files "$src/disc/files.txt" "$two1" "$two2"
data_files "$src/two-disc/files.txt" "$two1" "$two2"
write_setup_inf "$src/two-disc/Setup.inf" "$two1/Setup.inf" "$two1" "$two2"
label "$two1" QUENDRIL1
label "$two2" QUENDRIL2
printf '[autorun]\r\nlabel=QUENDRIL2\r\n' > "$two2/autorun.inf"

if command -v xorriso >/dev/null; then
    image "$one" QUENDRIL1 "$out/demo.iso"
    image "$two1" QUENDRIL1 "$out/two-disc/disc1.iso"
    image "$two2" QUENDRIL2 "$out/two-disc/disc2.iso"
else
    echo "assemble-disc: no xorriso; the disc images are not made" >&2
fi
