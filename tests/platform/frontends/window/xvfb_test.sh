#!/usr/bin/env bash
# Black-box tests of the window front end: runs the real program on a real X
# server of its own (Xvfb, started for each case on a free display), drives it
# with xdotool as a user would, and checks what it leaves in the device with
# the device's own tools, ce-tz and ce-reg, beside it.
#
#   xvfb_test.sh VELQUIN CLOSE_REQUEST CASE [GOLDEN]
#
# CLOSE_REQUEST is the helper that sends a window WM_DELETE_WINDOW; CASE is
# one of the functions named case_* below; GOLDEN is the picture the golden
# case expects (CE_UPDATE_GOLDEN=1 rewrites it).
set -euo pipefail

program=$1
close_request=$2
case_name=$3
golden=${4:-}
bin=$(dirname "$program")
golden_check="$bin/../tests/window_png_compare"

work=$(mktemp -d "${TMPDIR:-/tmp}/ce-window-test.XXXXXX")
export CE_DEVICE_DIR="$work/device"
export TZ=Europe/Berlin
export CE_DEVICE_ZOOM=1
export CE_DEVICE_SCREENSHOT="$work/screen.png"
unset CE_DEVICE_UI CE_DEVICE_SCREEN WAYLAND_DISPLAY SDL_VIDEODRIVER
# The bare server has no session bus beside it: say so, rather than have
# D-Bus try to start one (and leak in the attempt).
export DBUS_SESSION_BUS_ADDRESS=disabled:
mkdir -p "$CE_DEVICE_DIR"
# Generous: the machine may be busy with other builds.
deadline_s=${CE_XVFB_TIMEOUT:-30}

xvfb_pid=
velquin_pid=
cleanup() {
    set +e
    if [ -n "$velquin_pid" ]; then kill -KILL "$velquin_pid" 2>/dev/null; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($case_name): $*" >&2
    [ -s "$work/stderr" ] && { echo "--- program's standard error ---" >&2; cat "$work/stderr" >&2; }
    exit 1
}

# Polls COMMAND until it succeeds, for up to the deadline.
wait_until() {
    local what=$1
    shift
    local end=$((SECONDS + deadline_s))
    until "$@"; do
        [ $SECONDS -lt $end ] || fail "timed out waiting for $what"
        sleep 0.05
    done
}

start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    wait_until "the X server" xvfb_ready test -s "$work/display"
    export DISPLAY=":$(head -1 "$work/display")"
    wait_until "the X server to answer" xvfb_ready xdpyinfo
}

# xvfb_ready COMMAND...: COMMAND succeeds; a server that has ended fails the
# case at once with its own last words, which say why.
xvfb_ready() {
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        local status=0
        wait "$xvfb_pid" || status=$?
        xvfb_pid=
        # The line after "Fatal server error:", else its last line; the
        # lines before it (each once) often name the cause, such as "Mode of
        # /tmp/.X11-unix should be set to 1777".
        local reason
        reason=$(sed -n '/Fatal server error:/{n;s/^(EE) *//;s/(EE) *$//;p;q}' "$work/xvfb.log")
        [ -n "$reason" ] || reason=$(grep -v -e '^(EE) *$' -e '^[[:space:]]*$' "$work/xvfb.log" | tail -n 1)
        echo "--- Xvfb's output, each line once ---" >&2
        awk '!seen[$0]++' "$work/xvfb.log" | tail -n 20 >&2
        fail "Xvfb ended with status $status before it served a display: ${reason:-it said nothing}"
    fi
    "$@" >/dev/null 2>&1
}

# Starts the program in the background with standard input from /dev/null,
# as a desktop launcher starts it, and waits for its window.
start_velquin() {
    "$program" </dev/null >"$work/stdout" 2>"$work/stderr" &
    velquin_pid=$!
    wait_until "the window" find_window
    window=$(cat "$work/window")
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || true
    # Drawn and ready: the first picture has been written.
    wait_until "the first picture" test -s "$CE_DEVICE_SCREENSHOT"
}

find_window() {
    kill -0 "$velquin_pid" 2>/dev/null || fail "the program ended before its window appeared"
    xdotool search --onlyvisible --name '^Velquin$' >"$work/window" 2>/dev/null && [ -s "$work/window" ]
}

# ends_with STATUS: the program ends, with that exit status.
ends_with() {
    local end=$((SECONDS + deadline_s))
    while kill -0 "$velquin_pid" 2>/dev/null; do
        [ $SECONDS -lt $end ] || fail "the program did not end"
        sleep 0.05
    done
    local status=0
    wait "$velquin_pid" || status=$?
    velquin_pid=
    [ "$status" = "$1" ] || fail "exit status $status, expected $1"
}

keys() { xdotool key --clearmodifiers "$@"; }
type_text() { xdotool type --delay 30 -- "$1"; }
# Pointer positions on the device's 240 x 320 screen (zoom 1), where the
# 218 x 304 dialog is centred: its client area starts at 14, 34.
ok_button=(113 195)
caption_ok=(198 22)
caption_close=(216 22)
daylight_field=(170 57)
outside=(120 300)
move_to() { xdotool mousemove --window "$window" "$1" "$2"; }
click_at() { move_to "$1" "$2"; xdotool click 1; }

tz_state() { "$bin/ce-tz" --json; }
bias_of() { tz_state | sed -n "s/.*\"$1\": *\(-\{0,1\}[0-9]*\).*/\1/p"; }
stored_record() { "$bin/ce-reg" query 'HKLM\Time' /v TimeZoneInformation >/dev/null 2>&1; }

# Waits until the screen shows the golden picture (or rewrites it).
expect_picture() {
    local picture=$1
    if [ "${CE_UPDATE_GOLDEN:-}" = 1 ]; then
        sleep 1
        cp "$CE_DEVICE_SCREENSHOT" "$picture"
        return
    fi
    local end=$((SECONDS + deadline_s))
    until "$golden_check" "$picture" "$CE_DEVICE_SCREENSHOT" >"$work/compare" 2>&1; do
        [ $SECONDS -lt $end ] || fail "the screen differs from $picture: $(cat "$work/compare")"
        sleep 0.1
    done
}

# Waits until the screen is not the picture it was.
screen_changes_from() {
    local before=$1
    wait_until "the screen to change" bash -c "! cmp -s '$before' '$CE_DEVICE_SCREENSHOT'"
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$velquin_pid/stat"; }

# --- the cases -------------------------------------------------------------

case_window_appears_by_default_titled_velquin() {
    start_xvfb
    start_velquin
    [ "$(xdotool getwindowname "$window")" = Velquin ] || fail "window title $(xdotool getwindowname "$window")"
    keys Escape
    ends_with 0
}

case_first_run_golden() {
    start_xvfb
    start_velquin
    expect_picture "$golden"
    keys Escape
    ends_with 0
}

case_tab_typing_and_enter_write_the_biases() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-45"
    keys Tab
    type_text "30"
    keys Return
    ends_with 0
    [ "$(bias_of DaylightBias)" = -45 ] || fail "daylight bias $(bias_of DaylightBias), expected -45"
    [ "$(bias_of StandardBias)" = 30 ] || fail "standard bias $(bias_of StandardBias), expected 30"
}

case_escape_writes_nothing() {
    start_xvfb
    local before
    before=$(tz_state)
    start_velquin
    keys Tab
    type_text "-45"
    keys Escape
    ends_with 0
    [ "$(tz_state)" = "$before" ] || fail "the time-zone record changed"
    ! stored_record || fail "a time-zone record was written"
}

case_click_on_ok_after_typing_confirms() {
    start_xvfb
    start_velquin
    click_at "${daylight_field[@]}"
    keys End BackSpace BackSpace BackSpace
    type_text "-15"
    click_at "${ok_button[@]}"
    ends_with 0
    [ "$(bias_of DaylightBias)" = -15 ] || fail "daylight bias $(bias_of DaylightBias), expected -15"
}

case_caption_ok_confirms() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-20"
    click_at "${caption_ok[@]}"
    ends_with 0
    [ "$(bias_of DaylightBias)" = -20 ] || fail "daylight bias $(bias_of DaylightBias), expected -20"
}

case_caption_close_cancels() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-20"
    click_at "${caption_close[@]}"
    ends_with 0
    ! stored_record || fail "a time-zone record was written"
}

case_press_on_ok_released_outside_does_nothing() {
    start_xvfb
    start_velquin
    cp "$CE_DEVICE_SCREENSHOT" "$work/before.png"
    move_to "${ok_button[@]}"
    xdotool mousedown 1
    # Sunk while held over it.
    screen_changes_from "$work/before.png"
    cp "$CE_DEVICE_SCREENSHOT" "$work/held.png"
    move_to "${outside[@]}"
    screen_changes_from "$work/held.png"
    xdotool mouseup 1
    # Still open, nothing written; it answers the keyboard afterwards.
    sleep 0.5
    kill -0 "$velquin_pid" 2>/dev/null || fail "the dialog ended"
    ! stored_record || fail "a time-zone record was written"
    keys Escape
    ends_with 0
    ! stored_record || fail "a time-zone record was written"
}

case_window_manager_close_request_cancels() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-20"
    "$close_request" "$window"
    ends_with 0
    ! stored_record || fail "a time-zone record was written"
}

# signal_cancels SIGNAL STATUS: the signal closes the dialog as its close
# button does, then ends the process by the signal.
signal_cancels() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-20"
    kill -s "$1" "$velquin_pid"
    ends_with "$2"
    ! stored_record || fail "a time-zone record was written"
}
case_sigterm_cancels() { signal_cancels TERM 143; }
case_sigint_cancels() { signal_cancels INT 130; }
case_sighup_cancels() { signal_cancels HUP 129; }

case_idle_uses_no_cpu() {
    start_xvfb
    start_velquin
    # With the focus on the OK button nothing blinks; in a field, the caret
    # blinks twice a second and nothing else happens.
    # Measured once the first frame's work is done: on a loaded machine it can
    # still be under way when the window appears.
    local before after
    sleep 1
    before=$(cpu_ticks)
    sleep 3
    after=$(cpu_ticks)
    [ $((after - before)) -le 3 ] || fail "$((after - before)) ticks of CPU in 3 s of idling on the button"
    keys Tab
    sleep 1
    before=$(cpu_ticks)
    sleep 3
    after=$(cpu_ticks)
    [ $((after - before)) -le 5 ] || fail "$((after - before)) ticks of CPU in 3 s of idling in a field"
    keys Escape
    ends_with 0
}

# Without a display and without any terminal (setsid: no controlling
# terminal either, as from a cron job).
case_no_display_and_no_terminal_is_refused() {
    local status=0
    setsid -w env -u DISPLAY -u WAYLAND_DISPLAY "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "exit status $status"
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "not one line: $(cat "$work/stderr")"
    grep -q '^velquin: ' "$work/stderr" || fail "message: $(cat "$work/stderr")"
    status=0
    setsid -w env -u DISPLAY -u WAYLAND_DISPLAY CE_DEVICE_UI=window "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "forced window: exit status $status"
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "forced window: not one line: $(cat "$work/stderr")"
    grep -q 'DISPLAY' "$work/stderr" || fail "forced window: message: $(cat "$work/stderr")"
    # A display named but not there: the default falls back to the
    # terminal (and there is none); the forced window says which display.
    status=0
    setsid -w env -u WAYLAND_DISPLAY DISPLAY=:4093 "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "display not there: exit status $status"
    grep -q 'not a terminal' "$work/stderr" || fail "display not there: $(cat "$work/stderr")"
    status=0
    setsid -w env -u WAYLAND_DISPLAY DISPLAY=:4093 CE_DEVICE_UI=window "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "forced window, display not there: exit status $status"
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "forced window, display not there: not one line: $(cat "$work/stderr")"
    grep -q ':4093' "$work/stderr" || fail "forced window, display not there: $(cat "$work/stderr")"
    [ -z "$(ls -A "$CE_DEVICE_DIR")" ] || fail "the device was touched: $(ls -A "$CE_DEVICE_DIR")"
    [ ! -e "$CE_DEVICE_SCREENSHOT" ] || fail "a picture was written"
}

case_drag_selects_and_ctrl_c_copies() {
    start_xvfb
    start_velquin
    # Drag from before the daylight field's text to past its right edge,
    # copy what is selected, and paste it into the standard field in place
    # of its own text.
    move_to 140 57
    xdotool mousedown 1
    move_to 170 57
    move_to 205 57
    xdotool mouseup 1
    keys ctrl+c
    keys Tab
    keys ctrl+v
    keys Return
    ends_with 0
    [ "$(bias_of StandardBias)" = -60 ] || fail "standard bias $(bias_of StandardBias), expected -60"
}

case_double_click_selects_a_word() {
    start_xvfb
    start_velquin
    # The daylight field holds "-60": a double click on the digits selects
    # them, and typing replaces them.
    move_to 162 57
    xdotool click --repeat 2 --delay 80 1
    type_text "15"
    keys Return
    ends_with 0
    [ "$(bias_of DaylightBias)" = -15 ] || fail "daylight bias $(bias_of DaylightBias), expected -15"
}

"case_$case_name"
