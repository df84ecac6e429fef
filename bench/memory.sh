#!/bin/sh
# Long-run memory check: runs bench/soak/SOAK.BAS (string building, arrays,
# DIM/ERASE, sequential and random files, GOSUB, in an endless loop) in batch
# mode for SECONDS and samples the resident size every INTERVAL seconds.
# Usage: bench/memory.sh [BUILD_DIR] [SECONDS] [INTERVAL]
# Prints one line per sample and a summary; the run passes when the resident
# size after the first minute stays within 1 MiB of its value at that minute.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-$HERE/../build}" && pwd)
SECONDS_TOTAL=${2:-600}
INTERVAL=${3:-10}
TARNWICK=$BUILD/src/tarnwick
[ -x "$TARNWICK" ] || { echo "build first: $TARNWICK not found" >&2; exit 2; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp "$HERE/soak/SOAK.BAS" "$WORK/"
cd "$WORK"
"$TARNWICK" --batch --timeout "$SECONDS_TOTAL" SOAK.BAS > out.txt 2>&1 &
PID=$!
rss() { awk '/^VmRSS/ {print $2}' "/proc/$PID/status" 2>/dev/null; }
t=0
: > samples.txt
printf '%8s %10s\n' seconds "rss KiB"
while kill -0 "$PID" 2>/dev/null; do
    r=$(rss)
    [ -n "$r" ] || break
    printf '%8s %10s\n' "$t" "$r"
    echo "$t $r" >> samples.txt
    sleep "$INTERVAL"
    t=$((t + INTERVAL))
done
status=0
wait "$PID" || status=$?
# The program loops for ever: only the timeout (exit 124) may end it.
passes=$(grep -o 'PASS *[0-9]*' out.txt | tail -1 | awk '{print $2}')
echo "passes through the loop: ${passes:-0}"
if [ "$status" != 124 ]; then
    echo "the program stopped early (exit $status):"
    tail -3 out.txt
    exit 1
fi
awk -v limit=1024 '
    { if ($1 >= 60 && base == "") base = $2
      if (base != "" && $2 > max) max = $2
      if (base != "" && (min == "" || $2 < min)) min = $2
      last = $2 }
    END {
      if (base == "") { print "run too short for a summary"; exit 0 }
      printf "at 60 s: %d KiB, after: min %d KiB, max %d KiB, last %d KiB, growth %d KiB\n", base, min, max, last, max - base
      if (max - base > limit) { print "resident size grew"; exit 1 }
    }' samples.txt
