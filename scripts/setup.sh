#!/usr/bin/env bash
# Installs what the build, the program and the tests need, only when it is missing.
#   scripts/setup.sh run    compilers, Wine and a virtual display (enough to run the program)
#   scripts/setup.sh test   all of that plus the sanitizer/fuzzer toolchain and the decoders
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-test}

run_pkgs=(
    cmake make ninja-build
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
    zlib1g-dev libz-mingw-w64-dev
    wine wine64 fonts-wine
    fonts-dejavu-core fonts-wqy-microhei fonts-symbola
    xvfb xauth x11-utils xdotool imagemagick
    fp-utils python3
    googletest
)
test_pkgs=(
    clang libclang-rt-14-dev
    libtiff-dev libgif-dev libtiff-tools giflib-tools netpbm python3-pil ffmpeg
    libpng-dev pngcheck
    cups cups-bsd printer-driver-cups-pdf poppler-utils
)

pkgs=("${run_pkgs[@]}")
if [ "$mode" = test ]; then
    pkgs+=("${test_pkgs[@]}")
fi

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# Node.js may come from another packaging that bundles npm; only install Debian's when absent.
if [ "$mode" = test ] && ! command -v npm >/dev/null; then
    missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# wine32 makes /usr/bin/wine pick a loader these machines cannot execute; never keep it.
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "setup: wine32 breaks the 64-bit wine here; remove it (apt-get remove wine32:i386)" >&2
    exit 1
fi

if [ "$mode" = test ] && [ -f tests/oracles/package-lock.json ]; then
    if [ ! -d tests/oracles/node_modules ] ||
        ! cmp -s tests/oracles/package-lock.json tests/oracles/node_modules/.package-lock.json.copy; then
        (cd tests/oracles && npm ci --silent --no-audit --no-fund >/dev/null &&
            cp package-lock.json node_modules/.package-lock.json.copy)
    fi
fi
