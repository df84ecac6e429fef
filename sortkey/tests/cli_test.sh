#!/bin/sh
# Command-line checks for the sortkey program.
# Usage: cli_test.sh PROGRAM CASE
set -u
prog=$1
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
input=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# expect STATUS STDOUT ARG... : runs the program with $input on standard input. A failing run
# must print nothing on standard output and exactly one "sortkey: " line on standard error.
expect() {
    want_status=$1
    want_out=$2
    shift 2
    out=$(printf '%s' "$input" | "$prog" "$@" 2>"$tmp/err")
    status=$?
    [ "$status" -eq "$want_status" ] || fail "args '$*': exit $status, want $want_status"
    [ "$out" = "$want_out" ] || fail "args '$*': output '$out', want '$want_out'"
    if [ "$want_status" -ne 0 ]; then
        [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q '^sortkey: ' "$tmp/err" ||
            fail "args '$*': stderr is not one 'sortkey: ' line: $(cat "$tmp/err")"
    fi
}

case $2 in
single_key)
    expect 0 "count 1: 5" 5
    expect 0 "count 4: 2 4 5 6" 5 2 4 6
    expect 0 "count 3: 2 4 6" 4 2 4 6
    expect 0 "count 2: 2 6" -4 2 4 6
    expect 0 "count 3: 2 4 6" -5 2 4 6
    expect 0 "count 1: 1" -32768 -32768 1
    expect 0 "count 1: -3" -- 0 -3 0
    ;;
stdin)
    input="5 -4
-7 +4  -32768"
    expect 0 "count 4: 2 4 5 6" - -32768 2 4 6
    expect 0 "insert 5 -> count 4: 2 4 5 6
remove 4 -> count 3: 2 5 6
remove 7 (not found) -> count 3: 2 5 6
insert 4 -> count 4: 2 4 5 6
remove -32768 (not found) -> count 4: 2 4 5 6
count 4: 2 4 5 6" -v - 2 4 6
    input=""
    expect 0 "count 2: 1 2" - 1 2
    ;;
bad_input)
    for key in 12x "" + 32768 -32769 99999999999999999999; do
        expect 2 "" "$key" 1 2
        expect 2 "" 1 "$key"
    done
    expect 2 "" 5 2 4 4
    expect 2 "" 5 6 4
    expect 2 ""
    expect 2 "" -x 5
    input="3 4x"
    expect 2 "" -
    ;;
full_list)
    # At most 32767 keys: an insertion that would add a 32768th key is refused.
    expect 0 "count 32767: $(seq -s ' ' -32766 -1) 5" 5 $(seq -32766 -1)
    expect 0 "count 32767: $(seq -s ' ' -32765 1)" 1 $(seq -32765 1)
    expect 0 "count 32766: $(seq -s ' ' -32766 -1)" 0 $(seq -32766 0)
    expect 1 "" 5 $(seq -32767 -1)
    input="-2 7"
    expect 1 "" - $(seq -32767 -1)
    expect 2 "" 5 $(seq -32768 0)
    ;;
help)
    "$prog" --help >"$tmp/out" 2>&1 || fail "--help exit status $?"
    grep -q '^Usage: sortkey' "$tmp/out" || fail "--help shows no usage"
    ;;
*)
    fail "unknown case '$2'"
    ;;
esac
