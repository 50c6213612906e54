#!/usr/bin/env bash
# Runs every benchmark of the project (bench/*.sh, in name order) against one
# build tree and prints their figures. Each benchmark measures its baseline or
# its peer in the same run, so the figures compare on whatever machine runs them.
#   bench/run.sh [BUILD_DIR]     BUILD_DIR defaults to build
# BENCH_SMOKE=1 runs each one at small sizes with no goals checked: CI uses it to
# prove the benchmarks still run, not to measure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
export BENCH_BUILD_DIR=$build
export BENCH_SMOKE=${BENCH_SMOKE:-0}

status=0
for bench in "$here"/*.sh; do
    [ "$(basename "$bench")" = run.sh ] && continue
    echo "== $(basename "$bench" .sh)"
    bash "$bench" || { echo "benchmark $(basename "$bench") failed" >&2; status=1; }
done
exit $status
