#!/usr/bin/env bash
# Makes sure that the packages of the given lists are installed: as root it
# installs what is missing from Debian's packages, showing one progress line and
# keeping apt's own output in a log file; otherwise it prints the command that
# does the same install and fails.
#
#   scripts/deps.sh LIST...
#
# Each list holds "package:file" lines, the file showing that the package is
# there: scripts/packages what building and running need, scripts/packages-test
# what only the tests and benchmarks need. The Makefile reads the same lists to
# run this script only when a file is missing.
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: scripts/deps.sh LIST..." >&2; exit 2; }

missing=()
for list in "$@"; do
    while IFS= read -r entry || [ -n "$entry" ]; do
        case $entry in '' | '#'*) continue ;; esac
        package=${entry%%:*}
        witness=${entry#*:}
        [ -e "$witness" ] || missing+=("$package")
    done <"$list"
done
[ ${#missing[@]} -eq 0 ] && exit 0

# The one install, as root runs it and as the line printed for others says.
install=(apt-get install -y --no-install-recommends "${missing[@]}")

if [ "$EUID" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    if command -v sudo >/dev/null 2>&1; then
        echo "Install them with:  sudo apt-get update && sudo ${install[*]}" >&2
    else
        echo "Install them as root with:  su -c 'apt-get update && ${install[*]}'" >&2
    fi
    exit 1
fi

log=$(mktemp "${TMPDIR:-/tmp}/velquin-packages.XXXXXX.log")
started=$SECONDS
count=${#missing[@]}
if [ "$count" = 1 ]; then what="1 package and what it needs"; else what="$count packages and what they need"; fi
# On a terminal the line is redrawn with apt's progress; elsewhere it is
# written once, with the result after it.
if [ -t 2 ]; then on_terminal=1; else on_terminal=0; fi
show() {
    if [ $on_terminal = 1 ]; then
        printf '\r\033[KInstalling %s: %s' "$what" "$1" >&2
    fi
}
[ $on_terminal = 1 ] || printf 'Installing %s (log: %s)... ' "$what" "$log" >&2

# apt-get's machine-readable status (APT::Status-Fd) on descriptor 3: lines
# such as "dlstatus:3:41.2:Retrieving file 3 of 8" and
# "pmstatus:tmux:62.5:Installing tmux".
progress() {
    local kind _id percent
    while IFS=: read -r kind _id percent _; do
        case $kind in
            dlstatus) show "downloading ${percent%%.*}%" ;;
            pmstatus) show "installing ${percent%%.*}%" ;;
        esac
    done
}

status=0
export DEBIAN_FRONTEND=noninteractive
show "reading the package index"
if apt-get update >>"$log" 2>&1; then
    # Another install holding the lock is waited for, not failed on.
    { "${install[@]}" -o APT::Status-Fd=3 -o DPkg::Lock::Timeout=600 3>&1 >>"$log" 2>&1; } | progress || status=$?
else
    status=$?
fi

elapsed=$((SECONDS - started))
if [ $status -ne 0 ]; then
    if [ $on_terminal = 1 ]; then
        printf '\r\033[KInstalling %s failed after %d s.\n' "$what" "$elapsed" >&2
    else
        echo "failed after ${elapsed} s." >&2
    fi
    echo "apt-get could not install: ${missing[*]}" >&2
    echo "Its last lines:" >&2
    # Shown with no control character reaching the terminal.
    tail -n 5 "$log" | LC_ALL=C sed 's/[[:cntrl:]]/?/g; s/^/  /' >&2
    echo "Its whole output is in $log" >&2
    exit 1
fi
if [ $on_terminal = 1 ]; then
    printf '\r\033[KInstalled %s in %d s (log: %s)\n' "$what" "$elapsed" "$log" >&2
else
    echo "done in ${elapsed} s." >&2
fi
