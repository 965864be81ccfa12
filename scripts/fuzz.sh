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
# Environment: FUZZ_JOBS  parallel fuzzing workers (default: all cores, nproc)
#              FUZZ_MAX_LEN  largest input the fuzzer makes (default 2048 bytes)
#              FUZZ_TOTAL  stop a target early once its executions over all runs in the ledger
#                          reach this number (e.g. 10000000); the seconds stay the upper bound
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-3600}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}
max_len=${FUZZ_MAX_LEN:-2048}
total_wanted=${FUZZ_TOTAL:-0}
build=$root/build-native
ledger=$root/tests/fuzz/RUNS.tsv

if [[ ! $seconds =~ ^[0-9]+$ || ! $total_wanted =~ ^[0-9]+$ ]]; then
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

bash scripts/setup.sh test || exit 1

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
    started=$(date -u +%Y-%m-%dT%H:%M:%SZ)
    marker=$work/.started
    touch "$marker"
    # Executions each worker may make (0: no limit but the time).
    runs=0
    if [ "$total_wanted" -gt 0 ]; then
        missing=$((total_wanted - $(ledger_total "$t")))
        if [ "$missing" -le 0 ]; then
            echo "== $t: $(ledger_total "$t") executions in the ledger already, not run"
            continue
        fi
        runs=$(((missing + jobs - 1) / jobs))
    fi
    echo "== $t: ${seconds}s, $jobs worker(s), inputs up to $max_len bytes"
    # Independent workers share the folder of new inputs (each reloads what the others found).
    # A worker that stops on a crash is started again for the time left, so a run keeps going
    # and collects every reproducer in the artifacts folder. Fork mode would do this too, but
    # restarting its short jobs cost half the executions of the fast targets.
    rm -f "$work"/worker-*.log "$work"/worker-*.execs
    run_began=$(date +%s)
    for ((w = 0; w < jobs; w++)); do
        (
            begin=$(date +%s)
            total=0
            part=0
            while :; do
                left=$((seconds - ($(date +%s) - begin)))
                [ "$left" -gt 0 ] || break
                limit=-1
                if [ "$runs" -gt 0 ]; then
                    limit=$((runs - total))
                    [ "$limit" -gt 0 ] || break
                fi
                wlog=$work/worker-$w.$part.log
                (cd "$work" && "$build/fuzz_$t" -max_total_time="$left" -runs="$limit" \
                    -max_len="$max_len" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
                    -artifact_prefix="$work/artifacts/" "$work/new" "$kept" >"$wlog" 2>&1)
                n=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$wlog" | tail -1)
                [ -n "$n" ] || n=$(grep -E '^#[0-9]+[[:space:]]' "$wlog" | tail -1 | sed -E 's/^#([0-9]+)[[:space:]].*/\1/')
                total=$((total + ${n:-0}))
                part=$((part + 1))
            done
            echo "$total" >"$work/worker-$w.execs"
        ) &
    done
    wait
    elapsed=$(($(date +%s) - run_began))
    execs=$(cat "$work"/worker-*.execs | awk '{ n += $1 } END { printf "%d", n }')
    # Coverage: the largest cov and ft any worker reported on its last status line.
    cov=0 ft=0
    for wlog in "$work"/worker-*.log; do
        last=$(grep -E '^#[0-9]+[[:space:]].* cov: [0-9]+ ft: [0-9]+' "$wlog" | tail -1)
        [ -n "$last" ] || continue
        c=$(sed -E 's/.* cov: ([0-9]+) .*/\1/' <<<"$last")
        f=$(sed -E 's/.* ft: ([0-9]+) .*/\1/' <<<"$last")
        [ "$c" -gt "$cov" ] && cov=$c
        [ "$f" -gt "$ft" ] && ft=$f
    done
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

    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$started" "$t" "$elapsed" "$execs" "$cov" "$ft" \
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
