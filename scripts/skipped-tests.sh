#!/usr/bin/env bash
# Prints each test that the last ctest run in BUILD_DIR skipped, with the reason
# the test gave (GoogleTest's GTEST_SKIP() << "reason"), which ctest's own
# summary leaves out. Prints nothing when no test was skipped.
#   scripts/skipped-tests.sh [BUILD_DIR]
set -euo pipefail
log="${1:-build}/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0

awk '
    /^[0-9]+\/[0-9]+ Test: / { name = $3; reason = ""; collecting = 0; next }
    /: Skipped$/ { collecting = 1; reason = ""; next }
    /^\[  SKIPPED \] / {
        if (collecting) {
            skipped[++count] = name ": " (reason == "" ? "(no reason given)" : reason)
            collecting = 0
        }
        next
    }
    collecting { reason = (reason == "" ? $0 : reason " " $0) }
    END {
        if (count == 0) exit
        print "Skipped tests and why:"
        for (i = 1; i <= count; i++) print "  " skipped[i]
    }
' "$log"
