#!/usr/bin/env bash
# The window front end on a virtual X display (Xvfb) of its own:
#  - the time from exec to the dialog's window on the display, against
#    Debian's `zenity --entry` on the same display in the same run;
#  - the CPU (user + system, from /proc) the program spends per keystroke,
#    typing into a short field and into one that grows long;
#  - the CPU it spends idling with the caret blinking;
#  - the first window again with an accessibility bus running, against
#    `zenity --forms` with the same bus.
# CPU time is what counts here: wall time on a busy machine says little.
# Goals (not checked with BENCH_SMOKE=1): the first window sooner than
# zenity's, well under a millisecond of CPU per keystroke, idle near zero.
# With the accessibility bus, the first window no later than zenity's.
set -euo pipefail
build=${BENCH_BUILD_DIR:?run through bench/run.sh or set BENCH_BUILD_DIR}
smoke=${BENCH_SMOKE:-0}
velquin=$build/bin/velquin
timer=$build/tests/window_map_timer

if [ ! -x "$velquin" ] || [ ! -x "$timer" ]; then
    echo "velquin or window_map_timer is not built" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ce-window-bench.XXXXXX")
xvfb_pid=
program_pid=
cleanup() {
    set +e
    if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")"
for _ in $(seq 600); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
export TZ=Europe/Berlin CE_DEVICE_ZOOM=1
unset CE_DEVICE_UI CE_DEVICE_SCREENSHOT WAYLAND_DISPLAY
# No session bus on the bare server, for both programs alike.
export DBUS_SESSION_BUS_ADDRESS=disabled:

runs=$([ "$smoke" = 1 ] && echo 1 || echo 7)
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# time_to_window COMMAND...: milliseconds from exec to the first window; the
# program is then ended.
time_to_window() {
    local line
    line=$("$timer" "$@")
    program_pid=${line#* }
    kill -TERM "$program_pid" 2>/dev/null || true
    # Not this shell's child: wait for it to go.
    for _ in $(seq 600); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.02; done
    program_pid=
    echo "${line% *}"
}

: >"$work/velquin.ms"
: >"$work/zenity.ms"
for i in $(seq "$runs"); do
    CE_DEVICE_DIR="$work/device-$i" time_to_window "$velquin" >>"$work/velquin.ms"
    if command -v zenity >/dev/null; then
        time_to_window zenity --entry --title=Velquin --text=Bias >>"$work/zenity.ms" 2>/dev/null
    fi
done
velquin_ms=$(median <"$work/velquin.ms")
echo "first window, median of $runs: velquin ${velquin_ms} ms"
zenity_ms=
if [ -s "$work/zenity.ms" ]; then
    zenity_ms=$(median <"$work/zenity.ms")
    echo "first window, median of $runs: zenity --entry ${zenity_ms} ms"
fi

# The same with an accessibility bus running, as on a desktop where a screen
# reader may listen: a session bus of its own (dbus-run-session) with the
# AT-SPI bus launcher, which both programs then join. `zenity --forms` is the
# peer here: a dialog with labels, fields and buttons on the bus, as ours is.
# Then the time until each dialog is there for a screen reader to read
# (bench/atspi_ready.py, with pyatspi).
launcher=/usr/libexec/at-spi-bus-launcher
bench_dir=$(cd "$(dirname "$0")" && pwd)
velquin_bus_ms=
zenity_bus_ms=
if command -v dbus-run-session >/dev/null && [ -x "$launcher" ]; then
    export -f time_to_window
    export timer runs work velquin launcher bench_dir
    dbus-run-session -- bash -c '
        set -euo pipefail
        # The sockets of the buses go with the rest at the end.
        export XDG_RUNTIME_DIR="$work/runtime"
        mkdir -m 700 "$XDG_RUNTIME_DIR"
        setsid "$launcher" --launch-immediately 2>/dev/null &
        launcher_pid=$!
        trap "kill -- -$launcher_pid 2>/dev/null || true" EXIT
        for _ in $(seq 600); do
            dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
                org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q "boolean true" && break
            sleep 0.05
        done
        : >"$work/velquin-bus.ms"
        : >"$work/zenity-bus.ms"
        for i in $(seq "$runs"); do
            CE_DEVICE_DIR="$work/device-bus-$i" time_to_window "$velquin" >>"$work/velquin-bus.ms"
            if command -v zenity >/dev/null; then
                time_to_window zenity --forms --title=Velquin --add-entry=Daylight --add-entry=Standard \
                    >>"$work/zenity-bus.ms" 2>/dev/null
            fi
        done
        : >"$work/velquin-ready.ms"
        : >"$work/zenity-ready.ms"
        for i in $(seq "$runs"); do
            CE_DEVICE_DIR="$work/device-ready-$i" /usr/bin/python3 "$bench_dir/atspi_ready.py" Velquin "$velquin" \
                >>"$work/velquin-ready.ms" || true
            if command -v zenity >/dev/null; then
                /usr/bin/python3 "$bench_dir/atspi_ready.py" zenity zenity --forms --title=Velquin \
                    --add-entry=Daylight --add-entry=Standard >>"$work/zenity-ready.ms" || true
            fi
        done' >/dev/null 2>&1 || true
    if [ ! -s "$work/velquin-bus.ms" ]; then
        echo "the first window with the accessibility bus could not be measured" >&2
        exit 1
    fi
    velquin_bus_ms=$(median <"$work/velquin-bus.ms")
    echo "first window with the accessibility bus, median of $runs: velquin ${velquin_bus_ms} ms"
    if [ -s "$work/zenity-bus.ms" ]; then
        zenity_bus_ms=$(median <"$work/zenity-bus.ms")
        echo "first window with the accessibility bus, median of $runs: zenity --forms ${zenity_bus_ms} ms"
    fi
    if [ -s "$work/velquin-ready.ms" ]; then
        echo "dialog readable on the accessibility bus, median of $runs: velquin $(median <"$work/velquin-ready.ms") ms"
    fi
    if [ -s "$work/zenity-ready.ms" ]; then
        echo "dialog readable on the accessibility bus, median of $runs: zenity --forms $(median <"$work/zenity-ready.ms") ms"
    fi
fi

# CPU per keystroke and while idle, in clock ticks of the program's process.
ticks() { awk '{ print $14 + $15 }' "/proc/$program_pid/stat"; }
hz=$(getconf CLK_TCK)
CE_DEVICE_DIR="$work/device-keys" "$velquin" </dev/null >/dev/null 2>&1 &
program_pid=$!
window=
for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --name '^Velquin$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.05
done
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key Tab
sleep 0.3

pairs=$([ "$smoke" = 1 ] && echo 20 || echo 500)
# A character and a backspace, over and over: the field stays short.
keys=()
for _ in $(seq "$pairs"); do keys+=(1 BackSpace); done
before=$(ticks)
xdotool key --delay 1 "${keys[@]}"
sleep 0.3
after=$(ticks)
short_us=$(( (after - before) * 1000000 / hz / (2 * pairs) ))
echo "CPU per keystroke, short field: ${short_us} us ($((2 * pairs)) keystrokes, $((after - before)) ticks)"

# Typing on and on: the field grows to as many characters as keystrokes.
long=$([ "$smoke" = 1 ] && echo 40 || echo 1000)
keys=()
for _ in $(seq "$long"); do keys+=(7); done
before=$(ticks)
xdotool key --delay 1 "${keys[@]}"
sleep 0.3
after=$(ticks)
long_us=$(( (after - before) * 1000000 / hz / long ))
echo "CPU per keystroke, field growing to $long characters: ${long_us} us ($((after - before)) ticks)"

idle_s=$([ "$smoke" = 1 ] && echo 1 || echo 10)
before=$(ticks)
sleep "$idle_s"
after=$(ticks)
idle_ms=$(( (after - before) * 1000 / hz ))
echo "CPU while idle with the caret blinking: ${idle_ms} ms in ${idle_s} s"
xdotool key Escape
wait "$program_pid" 2>/dev/null || true
program_pid=

[ "$smoke" = 1 ] && exit 0
status=0
if [ -n "$zenity_ms" ] && awk "BEGIN { exit !($velquin_ms >= $zenity_ms) }"; then
    echo "goal missed: the first window is not sooner than zenity's" >&2
    status=1
fi
if [ -n "$zenity_bus_ms" ] && awk "BEGIN { exit !($velquin_bus_ms > $zenity_bus_ms) }"; then
    echo "goal missed: with the accessibility bus, the first window is slower than zenity's" >&2
    status=1
fi
if [ "$short_us" -ge 1000 ] || [ "$long_us" -ge 1000 ]; then
    echo "goal missed: a keystroke takes a millisecond of CPU or more" >&2
    status=1
fi
if [ "$idle_ms" -gt $((idle_s * 10)) ]; then
    echo "goal missed: more than 1% of a CPU while idle" >&2
    status=1
fi
exit $status
