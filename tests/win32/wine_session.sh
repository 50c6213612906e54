#!/usr/bin/env bash
# Runs a command (make test-win32: ctest on the desktop tree) inside a Wine
# session of its own, so that the tests touch nothing of the user's: an Xvfb
# display of its own, a fresh Wine prefix and HOME inside SESSION_DIR (made
# with one wineboot), a Wine server kept up for the whole run, and Wine's
# virtual desktop, which draws the dialogs' title bars without a window
# manager. Afterwards the server is stopped through its own prefix (which
# ends every Wine process of it), Xvfb is ended by its pid, and the prefix and
# HOME are removed; the session's logs stay in SESSION_DIR.
#
# Usage: wine_session.sh SESSION_DIR COMMAND [ARGUMENT...]
set -euo pipefail

session=$1
shift
rm -rf "$session"
mkdir -p "$session/home" "$session/tmp"

export CE_WINE_SESSION=$session
export WINEPREFIX=$session/prefix
export HOME=$session/home
export TMPDIR=$session/tmp
export XDG_CONFIG_HOME=$session/home/.config XDG_DATA_HOME=$session/home/.local/share
export WINEDEBUG=-all
# No Mono or Gecko downloads, no menu entries or file associations.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY

xvfb_pid=
server_pid=
stop() {
    local status=$?
    if [ -n "$server_pid" ]; then
        # The server ends every Wine process of the prefix with itself.
        wineserver -k > /dev/null 2>&1 || true
        wait "$server_pid" 2> /dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null || true
        wait "$xvfb_pid" 2> /dev/null || true
    fi
    # The prefix is some 700 MB; only the logs stay.
    rm -rf "$session/prefix" "$session/home" "$session/tmp"
    exit "$status"
}
trap stop EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display and writes its number once it accepts clients.
exec {display_fd}> "$session/display"
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp -noreset > "$session/xvfb.log" 2>&1 &
xvfb_pid=$!
exec {display_fd}>&-
for _ in $(seq 100); do
    [ -s "$session/display" ] && break
    kill -0 "$xvfb_pid" 2> /dev/null || { echo "wine_session.sh: Xvfb did not start:" >&2; cat "$session/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$session/display" ] || { echo "wine_session.sh: Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$session/display")"

# The server first, in the foreground of its own process, with its output
# apart: a server started by a wine process would hold the caller's pipes.
wineserver -f -p > "$session/wineserver.log" 2>&1 &
server_pid=$!

echo "wine_session.sh: preparing a Wine prefix on $DISPLAY (wineboot)" >&2
wineboot -i > "$session/wineboot.log" 2>&1 || { echo "wine_session.sh: wineboot failed:" >&2; cat "$session/wineboot.log" >&2; exit 1; }

# Wine's own System font, the same everywhere, and the virtual desktop.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f > /dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f > /dev/null 2>&1
# The desktop that wineboot started is not a virtual one: the server is
# restarted, and the next program starts the virtual desktop.
wineserver -k > /dev/null 2>&1 || true
wait "$server_pid" 2> /dev/null || true
wineserver -f -p > "$session/wineserver.log" 2>&1 &
server_pid=$!
# The first program starts the virtual desktop, which lives on for the run with
# what it inherited: here, no terminal and no test's pipes.
wine reg query 'HKCU\Software\Wine\Explorer' < /dev/null > "$session/desktop.log" 2>&1

status=0
"$@" || status=$?
exit "$status"
