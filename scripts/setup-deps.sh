#!/usr/bin/env bash
# Installs the Debian packages the build, the demo run and the tests need.
# Safe to run again: it only installs what is missing.
set -euo pipefail

pkgs=(cmake make g++ googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
      wine wine32:i386 fonts-wine xvfb xauth x11-apps imagemagick
      fonts-ipafont-gothic fonts-ipafont-mincho locales file
      clang libclang-rt-14-dev
      xorriso fuseiso libiso9660-dev pkg-config
      fuse python3-fusepy)

need=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
fi
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || need+=("$p")
done
if ((${#need[@]})); then
    [ "$(id -u)" = 0 ] || { echo "setup-deps: run as root to install: ${need[*]}" >&2; exit 1; }
    apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# Code page 932 for programs that ask: a ja_JP.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || true
fi
