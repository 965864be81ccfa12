#!/usr/bin/env bash
# Runs every test: the platform-free code natively under ASan/UBSan (unit tests, bounded fuzz
# runs, round trips through independent decoders), the Windows cross builds (x86_64 and the i686
# compile check), and the Windows test program under Wine at display depths 8, 16 and 24.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh test

jobs=$(nproc)
logdir=$root/build-logs
mkdir -p "$logdir"
: >"$logdir/summary.txt"

# Records the closing line of one ctest run for the summary at the end.
note_ctest() {
    local name=$1 log=$2
    local line
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -1 || true)
    echo "$name: ${line:-no ctest summary}" >>"$logdir/summary.txt"
}

echo "== native build (clang, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-native -DKOVEL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$logdir/native-configure.log"
cmake --build build-native -j"$jobs" >"$logdir/native-build.log" 2>&1 ||
    { cat "$logdir/native-build.log"; exit 1; }
echo "== native tests"
status=0
(cd build-native && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$logdir/native-ctest.log" ||
    status=1
note_ctest native "$logdir/native-ctest.log"

echo "== Windows cross build, x86_64"
cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DKOVEL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Release >"$logdir/win64-configure.log"
cmake --build build-win64 -j"$jobs" >"$logdir/win64-build.log" 2>&1 ||
    { cat "$logdir/win64-build.log"; exit 1; }

echo "== Windows cross build, i686 (compile check only; 32-bit programs cannot run here)"
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DKOVEL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Release >"$logdir/win32-configure.log"
cmake --build build-win32 -j"$jobs" >"$logdir/win32-build.log" 2>&1 ||
    { cat "$logdir/win32-build.log"; exit 1; }

echo "== the programs need no MinGW DLL"
for exe in build-win64/palorin.exe build-win64/mendrival.exe; do
    if [ -f "$exe" ]; then
        if x86_64-w64-mingw32-objdump -p "$exe" | grep -iE "DLL Name: (libstdc|libgcc|libwinpthread|zlib)"; then
            echo "$exe depends on a MinGW DLL" >&2
            status=1
        fi
    fi
done

# The print tests need the PDF printer queue (CUPS started, the queue the default).
KOVEL_PDF_DIR=$(bash scripts/printer.sh)
export KOVEL_PDF_DIR

if [ -f scripts/wine-tests.sh ]; then
    echo "== Windows tests under Wine at display depths 8, 16 and 24"
    bash scripts/wine-tests.sh build-win64 2>&1 | tee "$logdir/wine-tests.log" || status=1
    grep -E "^depth [0-9]+: " "$logdir/wine-tests.log" >>"$logdir/summary.txt" || true
fi

echo "== summary"
cat "$logdir/summary.txt"
passed=0
failed=0
# ctest counts for the native run; gtest case counts for each Wine depth.
while read -r line; do
    if [[ $line =~ ([0-9]+)%\ tests\ passed,\ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[2]))
        passed=$((passed + BASH_REMATCH[3] - BASH_REMATCH[2]))
    elif [[ $line =~ ^depth\ [0-9]+:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
    fi
done <"$logdir/summary.txt"
if [ $failed -gt 0 ]; then status=1; fi
echo "total: $passed passed, $failed failed"
exit $status
