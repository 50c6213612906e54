#!/usr/bin/env bash
# The registry at scale: what a program start, a query, an add and an import
# cost on a device whose registry holds one key with 10,000 and 100,000
# values, against a later run of the program on an empty device measured in
# the same run. Figures are CPU time (user + system, the mean of ten runs, from
# GNU time), which a busy machine disturbs far less than wall time, and
# the peak resident memory.
#   BENCH_BUILD_DIR   the build tree (default: build)
#   BENCH_SMOKE=1     small sizes, one run each, no goals checked
set -euo pipefail
build=${BENCH_BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}
smoke=${BENCH_SMOKE:-0}
velquin=$build/bin/velquin
ce_reg=$build/bin/ce-reg
gnu_time=/usr/bin/time
for tool in "$velquin" "$ce_reg" "$gnu_time"; do
    [ -x "$tool" ] || { echo "registry.sh: $tool is missing (make builds the programs; GNU time is the Debian package time)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$smoke" = 1 ]; then sizes="100 1000"; runs=1; else sizes="10000 100000"; runs=10; fi

# A registry file with one key holding N values, as a user's import might.
make_hive() {
    awk -v n="$1" 'BEGIN {
        print "Windows Registry Editor Version 5.00"; print ""
        print "[HKEY_LOCAL_MACHINE\\Software\\Bulk]"
        for (i = 0; i < n; i++) printf "\"Value%06d\"=\"text of value %d\"\n", i, i
    }' > "$2"
}

# Runs "$@" $runs times in a row on the device $device, under one GNU time so
# that its 10 ms resolution spreads over the runs; prints "CPU_SECONDS PEAK_KB",
# the CPU time of one run and the largest peak memory of any.
measure() {
    CE_DEVICE_DIR=$device CE_DEVICE_UI=script TZ=Europe/Berlin \
        "$gnu_time" -f '%U %S %M' -o "$work/time" \
        sh -c 'n=$1; shift; while [ "$n" -gt 0 ]; do "$@" </dev/null >/dev/null || exit 1; n=$((n - 1)); done' \
        sh "$runs" "$@" 2>"$work/err" \
        || { echo "registry.sh: failed: $*" >&2; cat "$work/err" >&2; exit 1; }
    read -r user sys kb < <(tail -n 1 "$work/time")
    awk -v u="$user" -v s="$sys" -v n="$runs" -v kb="$kb" 'BEGIN { printf "%.4f %d\n", (u + s) / n, kb }'
}

# A device on which the program has run once already (its defaults recorded).
fresh_device() {
    device=$work/device-$1
    rm -rf "$device"
    mkdir -p "$device"
    [ -n "${2:-}" ] && cp "$2" "$device/registry.reg"
    CE_DEVICE_DIR=$device CE_DEVICE_UI=script TZ=Europe/Berlin "$velquin" </dev/null >/dev/null
}

status=0
check() { # what value goal
    if [ "$smoke" = 1 ]; then return; fi
    if awk -v v="$2" -v g="$3" 'BEGIN { exit !(v <= g) }'; then
        printf '  goal %-38s %8s <= %s: met\n' "$1" "$2" "$3"
    else
        printf '  goal %-38s %8s <= %s: MISSED\n' "$1" "$2" "$3"
        status=1
    fi
}

fresh_device empty
read -r empty_cpu empty_kb < <(measure "$velquin")
printf '%-44s %8s s CPU %8s KB\n' "later run, empty device" "$empty_cpu" "$empty_kb"
baseline=$(awk -v c="$empty_cpu" 'BEGIN { print (c < 0.0005 ? 0.0005 : c) }')

for n in $sizes; do
    hive=$work/hive-$n.reg
    make_hive "$n" "$hive"
    size_kb=$(( $(stat -c %s "$hive") / 1024 ))
    echo "-- one key with $n values (file of $size_kb KB)"
    fresh_device "$n" "$hive"
    read -r run_cpu run_kb < <(measure "$velquin")
    ratio=$(awk -v a="$run_cpu" -v b="$baseline" 'BEGIN { printf "%.1f", a / b }')
    printf '%-44s %8s s CPU %8s KB  (%sx the empty device)\n' "later run" "$run_cpu" "$run_kb" "$ratio"
    read -r query_cpu query_kb < <(measure "$ce_reg" query 'HKLM\Software\Bulk')
    printf '%-44s %8s s CPU %8s KB\n' "ce-reg query of the key" "$query_cpu" "$query_kb"
    read -r add_cpu add_kb < <(measure "$ce_reg" add 'HKLM\Software\Bulk' /v Added /d text /f)
    printf '%-44s %8s s CPU %8s KB\n' "ce-reg add of one value" "$add_cpu" "$add_kb"
    fresh_device "import-$n"
    read -r import_cpu import_kb < <(measure "$ce_reg" import "$hive")
    printf '%-44s %8s s CPU %8s KB\n' "ce-reg import of the file" "$import_cpu" "$import_kb"
    case $n in
    10000) check "later run with 10,000 values (x empty)" "$ratio" 5 ;;
    100000)
        check "later run with 100,000 values (s)" "$run_cpu" 0.5
        check "query with 100,000 values (s)" "$query_cpu" 0.5
        check "add with 100,000 values (s)" "$add_cpu" 0.5
        check "import of 100,000 values (s)" "$import_cpu" 3
        ;;
    esac
done
exit $status
