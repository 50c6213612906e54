#!/usr/bin/env bash
# Makes sure that everything the build and the tests need is installed: as root
# it installs what is missing from Debian's packages, otherwise it prints the
# exact apt-get line and fails. The packages, each with a file that shows it is
# there, are listed in scripts/packages ("package:file", one a line), which the
# Makefile also reads to skip this script when nothing is missing. Another list
# may be named as the argument (scripts/packages-win32 for the desktop target).
set -euo pipefail

list="${1:-$(dirname "$0")/packages}"
missing=()
while IFS= read -r entry || [ -n "$entry" ]; do
    case $entry in ''|'#'*) continue ;; esac
    package=${entry%%:*}
    witness=${entry#*:}
    [ -e "$witness" ] || missing+=("$package")
done < "$list"

[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:  sudo apt-get update && sudo $line" >&2
    exit 1
fi

echo "Installing missing packages: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
