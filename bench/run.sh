#!/bin/sh
# Runs the benchmark programs in batch mode and prints a table of median
# seconds and statements per second. Usage: bench/run.sh [BUILD_DIR] [RUNS]
# The reference programs come from ../shared/bench when that folder exists
# (their checksums and statement counts are in its CHECKSUMS file); the
# project's own programs are bench/*.BAS. With bwbasic installed, each
# program is also timed under it, side by side; with a C++ compiler, ARITH's
# loop compiled natively (bench/native/arith.cpp) is timed for scale.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-$HERE/../build}" && pwd)
RUNS=${2:-3}
TARNWICK=$BUILD/src/tarnwick
REF=${TARNWICK_BENCH_REF:-$HERE/../../shared/bench}
[ -x "$TARNWICK" ] || { echo "build first: $TARNWICK not found" >&2; exit 2; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

time_one() { # command... -> seconds
    s=$(date +%s.%N)
    "$@" > "$WORK/out.txt" 2>/dev/null < /dev/null || true
    e=$(date +%s.%N)
    echo "$e - $s" | bc -l
}

time_bw() { # program -> seconds under bwbasic
    s=$(date +%s.%N)
    echo SYSTEM | timeout 300 bwbasic "$1" > "$WORK/bw_out.txt" 2>/dev/null || true
    e=$(date +%s.%N)
    echo "$e - $s" | bc -l
}

printf '%-10s %10s %12s %14s %10s %8s\n' program seconds statements "stmts/s" bwbasic ratio
for prog in "$REF"/*.BAS "$HERE"/*.BAS; do
    [ -f "$prog" ] || continue
    name=$(basename "$prog" .BAS)
    cp "$prog" "$WORK/$name.BAS"
    times=""
    for i in $(seq "$RUNS"); do
        times="$times $(cd "$WORK" && time_one "$TARNWICK" --batch "$name.BAS")"
    done
    secs=$(echo $times | tr ' ' '\n' | median)
    sum=$(grep -o 'CHECKSUM *-\?[0-9]*' "$WORK/out.txt" | awk '{print $2}')
    stmts=""
    if [ -f "$REF/CHECKSUMS" ]; then
        n=$(grep -o '^20 N=[0-9]*' "$prog" | cut -d= -f2)
        row=$(awk -v p="$name" -v n="$n" '$1==p && $2==n {print $3, $4}' "$REF/CHECKSUMS")
        if [ -n "$row" ]; then
            want=${row% *}
            stmts=${row#* }
            [ "$sum" = "$want" ] || echo "warning: $name checksum $sum, expected $want" >&2
        fi
    fi
    rate=""
    [ -n "$stmts" ] && rate=$(echo "$stmts / $secs" | bc)
    bw=""
    ratio=""
    # Only the reference programs: bwbasic has no graphics or screen statements.
    if [ "$(dirname "$prog")" = "$REF" ] && command -v bwbasic > /dev/null 2>&1; then
        # bwbasic stops at END and reads commands from its input: SYSTEM ends it.
        cp "$prog" "$WORK/bw_$name.BAS"
        bw=$(cd "$WORK" && time_bw "bw_$name.BAS")
        ratio=$(echo "$bw / $secs" | bc -l | xargs printf '%.0f')
        bw=$(printf '%.3f' "$bw")
    fi
    printf '%-10s %10.3f %12s %14s %10s %8s\n' "$name" "$secs" "$stmts" "$rate" "$bw" "$ratio"
    if [ "$name" = ARITH ]; then arith=$secs; fi
done

# The same ARITH loop compiled natively with doubles, for scale.
if [ -n "$arith" ] && command -v c++ > /dev/null 2>&1 &&
    c++ -O2 -o "$WORK/arith_native" "$HERE/native/arith.cpp" 2>/dev/null; then
    times=""
    for i in $(seq "$RUNS"); do times="$times $(time_one "$WORK/arith_native")"; done
    native=$(echo $times | tr ' ' '\n' | median)
    printf 'native ARITH loop %.3f s; ARITH takes %.1f times as long\n' "$native" "$(echo "$arith / $native" | bc -l)"
fi
