#!/bin/sh
# Builds the benchmarks in a Release configuration without sanitizers (build-bench) and runs the
# encoder benchmark and the colour-reduction benchmark. Compilers can be chosen with CC and CXX
# (clang by default). Arguments go to the encoder benchmark.
#
# The colour-reduction comparison needs packages that only the benchmark uses (never linked into
# the programs): libimagequant's C library, ImageMagick's C library, Pillow and scikit-image.
set -e
cd "$(dirname "$0")/.."
bench_pkgs="libimagequant-dev libmagickcore-6.q16-dev python3-pil python3-skimage"
missing=""
for p in $bench_pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "bench: installing$missing"
    SUDO=""
    [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing \
        >/dev/null
fi
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B build-bench -DKOVEL_BENCH=ON \
    -DKOVEL_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release -DKOVEL_WERROR=ON >/dev/null
cmake --build build-bench -j2 --target bench_EncodeBench bench_QuantizeBench
build-bench/bench_EncodeBench "$@"
build-bench/bench_QuantizeBench
