#!/usr/bin/env bash
# Runs a Windows test executable under Wine, inside the session that
# wine_session.sh (make test-win32) set up: its own display, prefix and home.
# Outside such a session it refuses, rather than use the user's own Wine.
set -euo pipefail
if [ -z "${CE_WINE_SESSION:-}" ] || [ "${WINEPREFIX:-}" != "$CE_WINE_SESSION/prefix" ]; then
    echo "wine_run.sh: not inside a Wine test session; run the tests with make test-win32" >&2
    exit 1
fi
exec wine "$@"
