# Wine environment for the demo and the end-to-end tests. Source it:
#   . scripts/wine-env.sh
#   tazu_prepare_prefix build/win/demo/disc1     # once per run; fast when ready
#   tazu_map_cdrom <folder> <label>               # another disc in drive Q:
# The prefix lives in build/wineprefix unless TAZU_WINEPREFIX names another.

TAZU_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TAZU_WINEPREFIX:-$TAZU_REPO/build/wineprefix}
export WINEARCH=win32
# An existing 64-bit prefix (named by TAZU_WINEPREFIX) refuses WINEARCH=win32.
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && unset WINEARCH
# TAZU_WINEDEBUG traces a run (a bench, a probe): WINEDEBUG for every program.
export WINEDEBUG=${TAZU_WINEDEBUG:--all}
# No Mono or Gecko install prompts on the first boot.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 932 for the programs that ask for the ANSI code page.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

TAZU_PREFIX_STAMP=$WINEPREFIX/.tazu-prefix-ready

# True when the prefix is 64-bit (then HKLM values for drives need /reg:64).
tazu_prefix_is_64() { [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; }

# Registry settings of the prefix, imported once with regedit. The file is
# UTF-16 so the Japanese font names survive whatever the code page is.
_tazu_write_prefix_reg() {  # <file>
    # REG_MULTI_SZ as regedit's hex(7): UTF-16LE bytes, each string and the
    # list ended by a zero character.
    local link hex
    link=$(printf 'ipagp.ttf,IPAPGothic\0ipag.ttf,IPAGothic\0\0' | iconv -f UTF-8 -t UTF-16LE |
           od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
    hex="hex(7):$link"
    {
        printf '\xff\xfe'
        sed 's/$/\r/' <<EOF | iconv -f UTF-8 -t UTF-16LE
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]
"Tahoma"=$hex
"MS Shell Dlg"=$hex
"MS Shell Dlg 2"=$hex
"Microsoft Sans Serif"=$hex

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]
"winemenubuilder.exe"=""

EOF
    } > "$1"
}

# Creates the prefix on first use, then maps <disc-folder> as CD-ROM drive Q:.
tazu_prepare_prefix() {  # <disc-folder> [label]
    local disc=${1:?tazu_prepare_prefix: disc folder} label=${2:-QUENDRIL1}
    if [ ! -f "$TAZU_PREFIX_STAMP" ]; then
        echo "wine-env: creating the Wine prefix $WINEPREFIX (first time only)" >&2
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        local reg=$WINEPREFIX/tazu-settings.reg
        _tazu_write_prefix_reg "$reg"
        wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
        local bits=()
        tazu_prefix_is_64 && bits=(/reg:64)
        wine reg add 'HKLM\Software\Wine\Drives' /v q: /t REG_SZ /d cdrom /f "${bits[@]}" >/dev/null 2>&1
        wineserver -w
        if ! grep -q '"q:"="cdrom"' "$WINEPREFIX/system.reg"; then
            echo "wine-env: could not register drive Q: as a CD-ROM drive" >&2
            return 1
        fi
        touch "$TAZU_PREFIX_STAMP"
    fi
    # Wine draws the title-bar buttons with Marlett; it finds the font only
    # in the Windows font folder, otherwise the buttons show as "0 1 r".
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
        mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
    tazu_map_cdrom "$disc" "$label"
}

# Points drive Q: at <folder> with volume label <label>. Restarts the
# wineserver only when the mapping changed, so repeated runs stay fast.
tazu_map_cdrom() {  # <folder> <label>
    local folder label=${2:?tazu_map_cdrom: label} link=$WINEPREFIX/dosdevices/q:
    folder=$(cd "${1:?tazu_map_cdrom: folder}" && pwd) || return 1
    local want_label
    want_label=$(printf '%s\n' "$label")
    if [ "$(readlink "$link" 2>/dev/null)" = "$folder" ] &&
       [ "$(cat "$folder/.windows-label" 2>/dev/null)" = "$want_label" ]; then
        return 0
    fi
    printf '%s\n' "$label" > "$folder/.windows-label"
    ln -sfn "$folder" "$link"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

# The Windows path of a Unix file in this prefix (for arguments to programs).
tazu_winpath() { winepath -w "$1" 2>/dev/null; }
