#!/usr/bin/env bash
# Makes sure that everything the build and the tests need is installed: as root
# it installs what is missing from Debian's packages, otherwise it prints the
# exact apt-get line and fails.
set -euo pipefail

# Debian package, and a file that shows it is there.
required=(
    "cmake:/usr/bin/cmake"
    "make:/usr/bin/make"
    "g++:/usr/bin/g++"
    "pkg-config:/usr/bin/pkg-config"
    "llvm:/usr/bin/llvm-rc"
    "clang:/usr/bin/clang"
    "libncurses-dev:/usr/include/ncursesw/curses.h"
    "libicu-dev:/usr/include/unicode/ucal.h"
    "nlohmann-json3-dev:/usr/include/nlohmann/json.hpp"
    "libgtest-dev:/usr/include/gtest/gtest.h"
    "googletest:/usr/src/googletest/CMakeLists.txt"
    "tmux:/usr/bin/tmux"
    "hyperfine:/usr/bin/hyperfine"
    "time:/usr/bin/time"
    "libsdl2-dev:/usr/include/SDL2/SDL.h"
    "libsdl2-ttf-dev:/usr/include/SDL2/SDL_ttf.h"
    "libpng-dev:/usr/include/png.h"
    "libx11-dev:/usr/include/X11/Xlib.h"
    "fonts-dejavu-extra:/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf"
    "xvfb:/usr/bin/Xvfb"
    "xauth:/usr/bin/xauth"
    "xdotool:/usr/bin/xdotool"
    "x11-utils:/usr/bin/xdpyinfo"
    "zenity:/usr/bin/zenity"
    "dialog:/usr/bin/dialog"
)

missing=()
for entry in "${required[@]}"; do
    package=${entry%%:*}
    witness=${entry#*:}
    [ -e "$witness" ] || missing+=("$package")
done

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
