#!/usr/bin/env bash
# Long fuzz runs that accumulate (not part of the test command).
#
#   bash scripts/fuzz.sh [seconds] [target ...]
#
# Builds the libFuzzer targets (ASan + UBSan, build-native) when needed, then runs each target
# (all of them unless some are named, e.g. FuzzPackedDib) for the given seconds (default 3600)
# from its kept corpus in tests/fuzz/corpus/<target>. What the run finds is merged into the kept
# corpus with -merge=1 (only inputs that add coverage stay; regress-* inputs always stay), and
# one line per target is appended to tests/fuzz/RUNS.tsv, so that executions add up across
# sessions. Prints per target: executions, coverage (cov/ft), kept corpus size and every crash
# with the path of its reproducer.
#
# Environment: FUZZ_JOBS  parallel fuzzing processes (default: all cores, nproc)
#              FUZZ_MAX_LEN  largest input the fuzzer makes (default 2048 bytes)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-3600}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}
max_len=${FUZZ_MAX_LEN:-2048}
build=$root/build-native
ledger=$root/tests/fuzz/RUNS.tsv

if [[ ! $seconds =~ ^[0-9]+$ ]]; then
    echo "usage: bash scripts/fuzz.sh [seconds] [target ...]" >&2
    exit 2
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for src in tests/fuzz/*.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi
for t in "${targets[@]}"; do
    if [ ! -f "tests/fuzz/$t.cpp" ]; then
        echo "no fuzz target $t (tests/fuzz/$t.cpp)" >&2
        exit 2
    fi
done

# Build what is missing or out of date (the same configuration as the test command). Configuring
# every time lets a folder made before a target was added learn of it.
CC=clang CXX=clang++ cmake -S . -B "$build" -DKOVEL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build "$build" -j"$jobs" "${build_targets[@]}" >/dev/null ||
    { echo "building the fuzz targets failed" >&2; exit 1; }

[ -f "$ledger" ] || printf 'date\ttarget\tseconds\texecutions\tcov\tft\tcrashes\n' >"$ledger"

# Sum of the executions column of the ledger for one target.
ledger_total() {
    awk -F'\t' -v t="$1" '$2 == t { n += $4 } END { printf "%d", n }' "$ledger"
}

status=0
summary=()
for t in "${targets[@]}"; do
    kept=$root/tests/fuzz/corpus/$t
    work=$build/fuzz/$t/long
    mkdir -p "$kept" "$work/new" "$work/artifacts"
    log=$work/run.log
    started=$(date -u +%Y-%m-%dT%H:%M:%SZ)
    marker=$work/.started
    touch "$marker"
    echo "== $t: ${seconds}s, $jobs job(s), inputs up to $max_len bytes"
    # Fork mode keeps going after a crash and collects every reproducer in the artifacts folder.
    (cd "$work" && "$build/fuzz_$t" -fork="$jobs" -ignore_crashes=1 -ignore_timeouts=1 \
        -ignore_ooms=1 -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
        -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/new" "$kept" >"$log" 2>&1)
    # The last status line of fork mode: "#<executions>: cov: <n> ft: <n> corp: ...".
    last=$(grep -E '^#[0-9]+: cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
    execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$last")
    cov=$(sed -E 's/.* cov: ([0-9]+) .*/\1/' <<<"$last")
    ft=$(sed -E 's/.* ft: ([0-9]+) .*/\1/' <<<"$last")
    execs=${execs:-0} cov=${cov:-0} ft=${ft:-0}
    mapfile -t crashes < <(find "$work/artifacts" -type f -newer "$marker" \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)

    # Minimise: the kept corpus and the new inputs merged into a fresh folder, plus the named
    # regression inputs, replace the kept corpus.
    merged=$work/merged
    rm -rf "$merged"
    mkdir -p "$merged"
    if (cd "$work" && "$build/fuzz_$t" -merge=1 -max_len="$max_len" -timeout=20 \
        -rss_limit_mb=2560 "$merged" "$kept" "$work/new" >"$work/merge.log" 2>&1); then
        # Kept inputs that stay keep their names (the merge names files by their SHA-1).
        for f in "$kept"/*; do
            [ -f "$f" ] || continue
            sum=$(sha1sum "$f" | cut -d' ' -f1)
            if [ -f "$merged/$sum" ] && [ "$(basename "$f")" != "$sum" ]; then
                mv "$merged/$sum" "$merged/$(basename "$f")"
            fi
        done
        find "$kept" -maxdepth 1 -type f -name 'regress-*' -exec cp {} "$merged/" \;
        find "$kept" -maxdepth 1 -type f -delete
        cp "$merged"/* "$kept/"
        rm -rf "$work/new"
        mkdir -p "$work/new"
    else
        echo "   merge failed (kept corpus unchanged), see $work/merge.log" >&2
        status=1
    fi
    files=$(find "$kept" -maxdepth 1 -type f | wc -l)
    bytes=$(find "$kept" -maxdepth 1 -type f -printf '%s\n' | awk '{ n += $1 } END { printf "%d", n }')

    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$started" "$t" "$seconds" "$execs" "$cov" "$ft" \
        "${#crashes[@]}" >>"$ledger"
    line=$(printf '%-14s executions %12s (all runs %12s)  cov %5s  ft %6s  corpus %4s files %8.1f KB  crashes %s' \
        "$t" "$execs" "$(ledger_total "$t")" "$cov" "$ft" "$files" "$(awk -v b="$bytes" 'BEGIN { print b / 1024 }')" \
        "${#crashes[@]}")
    echo "   $line"
    summary+=("$line")
    for c in "${crashes[@]}"; do
        echo "   reproducer: $c"
        summary+=("    reproducer: $c")
        status=1
    done
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
