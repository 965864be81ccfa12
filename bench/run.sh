#!/bin/sh
# Builds the benchmarks in a Release configuration without sanitizers (build-bench) and runs the
# encoder benchmark. Compilers can be chosen with CC and CXX (clang by default).
set -e
cd "$(dirname "$0")/.."
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B build-bench -DKOVEL_BENCH=ON \
    -DKOVEL_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release -DKOVEL_WERROR=ON >/dev/null
cmake --build build-bench -j2 --target bench_EncodeBench
build-bench/bench_EncodeBench "$@"
