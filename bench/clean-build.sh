#!/usr/bin/env bash
# What a clean build costs, beside the same build of the project as it stood
# before its build was made faster: the figure a newcomer's first `make test`
# pays, measured on whatever machine runs it.
#
# Both trees are configured and built from nothing into a directory of their
# own, with Ninja, two jobs and no compiler cache, in turn (never at once);
# the figure is the CPU time of configuring and building (user + system, the
# compilers included), which a busy machine changes less than wall time.
#   BENCH_BUILD_BASELINE=COMMIT  the baseline (default: the commit below)
# The baseline's sources come from this checkout's history; without it (a
# shallow clone, no git) only this tree is measured, and the reason is given. BENCH_SMOKE=1 builds one small
# library of each, with no goal checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=${BENCH_SMOKE:-0}
# The last commit before the build was made faster: thirty test executables,
# every file compiled on its own with no precompiled header, all with full
# debug information.
baseline=${BENCH_BUILD_BASELINE:-43930c0}
jobs=2

command -v /usr/bin/time >/dev/null || { echo "clean-build.sh: GNU time is needed (the Debian package time)" >&2; exit 1; }
command -v ninja >/dev/null || { echo "clean-build.sh: ninja is needed (the Debian package ninja-build)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ce-bench-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

# No compiler cache: a cached build measures the cache, not the compiler.
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
export CCACHE_DISABLE=1

# measure NAME SOURCE_DIR: prints "CPU WALL", in seconds, of its clean build.
measure() {
    local name=$1 source=$2 build=$work/$1 target=()
    [ "$smoke" = 1 ] && target=(--target ce_text)
    if ! /usr/bin/time -o "$work/$name.configure" -f '%U %S %e' \
            cmake -S "$source" -B "$build" -G Ninja >"$build.log" 2>&1 \
        || ! /usr/bin/time -o "$work/$name.build" -f '%U %S %e' \
            cmake --build "$build" -j "$jobs" "${target[@]}" >>"$build.log" 2>&1; then
        echo "clean-build.sh: the $name tree failed to build:" >&2
        tail -20 "$build.log" >&2
        return 1
    fi
    cat "$work/$name.configure" "$work/$name.build" \
        | awk '{ cpu += $1 + $2; wall += $3 } END { printf "%.1f %.1f\n", cpu, wall }'
    rm -rf "$build"
}

figures=$(measure current "$root")
read -r current_cpu current_wall <<<"$figures"
printf '%-36s %8s s CPU %8s s wall\n' "this tree, clean build" "$current_cpu" "$current_wall"

# Why there is no baseline to build, when there is none.
no_baseline=
if ! command -v git >/dev/null; then
    no_baseline="git is not installed (the Debian package git), so the baseline $baseline cannot be read"
elif ! git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
    no_baseline="$root is not a git checkout, so it has no baseline $baseline"
elif ! git -C "$root" cat-file -e "$baseline^{commit}" 2>/dev/null; then
    no_baseline="baseline $baseline is not in this checkout's history (a shallow clone?)"
fi
if [ -n "$no_baseline" ]; then
    echo "$no_baseline: only this tree was measured"
    exit 0
fi
mkdir -p "$work/baseline-src"
git -C "$root" archive "$baseline" | tar -x -C "$work/baseline-src"
figures=$(measure baseline "$work/baseline-src")
read -r baseline_cpu baseline_wall <<<"$figures"
printf '%-36s %8s s CPU %8s s wall\n' "baseline $baseline, clean build" "$baseline_cpu" "$baseline_wall"

[ "$smoke" = 1 ] && exit 0
ratio=$(awk -v a="$current_cpu" -v b="$baseline_cpu" 'BEGIN { printf "%.2f", a / b }')
if awk -v r="$ratio" 'BEGIN { exit !(r <= 0.5) }'; then
    printf '  goal %-36s %8s <= 0.50: met\n' "CPU against the baseline" "$ratio"
else
    printf '  goal %-36s %8s <= 0.50: MISSED\n' "CPU against the baseline" "$ratio"
    exit 1
fi
