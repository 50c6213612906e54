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
clipboard_owner="$bin/../tests/window_clipboard_owner"
icon_check="$bin/../tests/window_icon_check"
focus_elsewhere="$bin/../tests/window_focus_elsewhere"

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
owner_pid=
cleanup() {
    set +e
    if [ -n "$velquin_pid" ]; then kill -KILL "$velquin_pid" 2>/dev/null; fi
    if [ -n "$owner_pid" ]; then kill "$owner_pid" 2>/dev/null; fi
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
# expect_bias NAME VALUE [WHY]: the record's bias NAME is VALUE.
expect_bias() {
    local got
    got=$(bias_of "$1")
    [ "$got" = "$2" ] || fail "$1 $got, expected $2${3:+ ($3)}"
}
stored_record() { "$bin/ce-reg" query 'HKLM\Time' /v TimeZoneInformation >/dev/null 2>&1; }
# still_open_unwritten SECONDS: after a moment, the dialog is still open and
# no time-zone record has been written.
still_open_unwritten() {
    sleep "$1"
    kill -0 "$velquin_pid" 2>/dev/null || fail "the dialog ended"
    ! stored_record || fail "a time-zone record was written"
}

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

# A registry the device cannot use: the device's screen says so below the
# dialog while it is up; the device's own message still goes to standard
# error, and the lost writes to the exit status.
case_broken_registry_notice_golden() {
    rmdir "$CE_DEVICE_DIR"
    echo "not a directory" >"$CE_DEVICE_DIR"
    start_xvfb
    start_velquin
    expect_picture "$(dirname "$golden")/velquin_broken_registry.png"
    keys Escape
    ends_with 74
    grep -q "^registry: " "$work/stderr" || fail "the device's message did not reach standard error"
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
    expect_bias DaylightBias -45
    expect_bias StandardBias 30
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
    expect_bias DaylightBias -15
}

case_caption_ok_confirms() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-20"
    click_at "${caption_ok[@]}"
    ends_with 0
    expect_bias DaylightBias -20
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
    still_open_unwritten 0.5
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
    expect_bias StandardBias -60
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
    expect_bias DaylightBias -15
}

# --- the display going away ------------------------------------------------

# Milliseconds since the epoch.
now_ms() { date +%s%3N; }

# The X server killed under the open dialog, twenty times in a row, idle on
# the button and with typing in a field, by SIGKILL and by SIGTERM: each time
# the program ends within a second with status 69 and one line naming the
# display, and the device is as it was (what was typed is not written).
case_display_killed_twenty_times() {
    # A device that has had its first run: nothing more is written to it.
    printf 'key Escape\n' | CE_DEVICE_UI=script "$program" >/dev/null 2>&1
    cp "$CE_DEVICE_DIR/registry.reg" "$work/registry.before"
    local round
    for round in $(seq 1 20); do
        rm -f "$CE_DEVICE_SCREENSHOT"
        start_xvfb
        start_velquin
        if [ $((round % 2)) = 0 ]; then
            keys Tab
            type_text "-45"
        fi
        local signal=KILL
        [ $((round % 4)) -ge 2 ] && signal=TERM
        local killed_at
        killed_at=$(now_ms)
        kill -s "$signal" "$xvfb_pid"
        while kill -0 "$velquin_pid" 2>/dev/null; do
            [ $(($(now_ms) - killed_at)) -lt 1000 ] || fail "round $round ($signal): still running a second after the display went away"
            sleep 0.02
        done
        local status=0
        wait "$velquin_pid" || status=$?
        velquin_pid=
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
        [ "$status" = 69 ] || fail "round $round ($signal): exit status $status, expected 69"
        [ "$(wc -l <"$work/stderr")" = 1 ] || fail "round $round ($signal): not one line: $(cat "$work/stderr")"
        grep -q "^velquin: lost the display $DISPLAY" "$work/stderr" || fail "round $round: message: $(cat "$work/stderr")"
        cmp -s "$work/registry.before" "$CE_DEVICE_DIR/registry.reg" || fail "round $round: the registry changed"
    done
    "$program" --help | grep -q '69 when the display' || fail "--help does not name status 69"
}

# --- Space on a push button --------------------------------------------------

# Held down, Space pushes the focused OK button in (drawn so) and confirms
# only when it comes up.
case_space_clicks_on_key_up() {
    start_xvfb
    start_velquin
    cp "$CE_DEVICE_SCREENSHOT" "$work/before.png"
    xdotool keydown space
    screen_changes_from "$work/before.png"
    sleep 0.5
    kill -0 "$velquin_pid" 2>/dev/null || fail "the dialog ended while Space was held"
    ! stored_record || fail "a time-zone record was written while Space was held"
    xdotool keyup space
    ends_with 0
    stored_record || fail "Space did not confirm the dialog"
}

# Space down on OK, Tab, Space up: the focus left the button, so no click.
case_space_then_tab_does_not_click() {
    start_xvfb
    start_velquin
    cp "$CE_DEVICE_SCREENSHOT" "$work/before.png"
    xdotool keydown space
    screen_changes_from "$work/before.png"
    keys Tab
    xdotool keyup space
    still_open_unwritten 0.5
    keys Escape
    ends_with 0
    ! stored_record || fail "a time-zone record was written"
}

# --- settings ----------------------------------------------------------------

# refused_with VARIABLE VALUE WHERE ENV...: the program refuses on one line
# naming the variable and its value, exit status 2, nothing created.
refused_with() {
    local variable=$1 value=$2 where=$3
    shift 3
    local status=0
    rm -rf "$CE_DEVICE_DIR"
    setsid -w env "$@" "$variable=$value" "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "$variable=$value ($where): exit status $status"
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "$variable=$value ($where): not one line: $(cat "$work/stderr")"
    grep -qF "$variable=$value " "$work/stderr" || fail "$variable=$value ($where): message: $(cat "$work/stderr")"
    [ ! -e "$CE_DEVICE_DIR" ] || fail "$variable=$value ($where): the device directory was created"
    [ ! -e "$CE_DEVICE_SCREENSHOT" ] || fail "$variable=$value ($where): a picture was written"
}

# Each unusable value, whichever front end would have run: the window on a
# display, the terminal without one (and without a terminal, as from a
# launcher), each asked for by name.
case_bad_settings_are_refused_by_name() {
    start_xvfb
    local value
    for value in 0 9 -1 1.5 abc 2x ' 3'; do
        refused_with CE_DEVICE_ZOOM "$value" default -u CE_DEVICE_UI
        refused_with CE_DEVICE_ZOOM "$value" "no display" -u CE_DEVICE_UI -u DISPLAY
        refused_with CE_DEVICE_ZOOM "$value" window CE_DEVICE_UI=window
        refused_with CE_DEVICE_ZOOM "$value" terminal CE_DEVICE_UI=terminal
    done
    for value in 63x64 0x0 4097x100 240 x320 240x320x2 garbage; do
        refused_with CE_DEVICE_SCREEN "$value" default -u CE_DEVICE_UI
        refused_with CE_DEVICE_SCREEN "$value" "no display" -u CE_DEVICE_UI -u DISPLAY
        refused_with CE_DEVICE_SCREEN "$value" script CE_DEVICE_UI=script
    done
}

# Zoom 4 of the 240 x 320 screen would be 960 x 1280 on a 1024 x 768
# display: the window opens at zoom 2 instead, with one line saying so.
case_zoom_is_fitted_to_the_display() {
    start_xvfb
    export CE_DEVICE_ZOOM=4
    start_velquin
    [ "$(wc -l <"$work/stderr")" = 1 ] || fail "not one line: $(cat "$work/stderr")"
    grep -q 'CE_DEVICE_ZOOM=4 .*1024x768.*zoom 2$' "$work/stderr" || fail "message: $(cat "$work/stderr")"
    local geometry
    geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    [ "$geometry" = 480x640 ] || fail "window of $geometry, expected 480x640"
    keys Escape
    ends_with 0
}

# A screen that does not fit the display even at zoom 1 (4096 x 64 at zoom
# 8 asked for) is refused before the device is touched, with status 2, as
# the other refusals are: by default and when the window is asked for.
case_too_large_a_screen_is_refused_before_the_device() {
    start_xvfb
    local ui
    for ui in "" window; do
        local status=0
        rm -rf "$CE_DEVICE_DIR"
        CE_DEVICE_UI=$ui CE_DEVICE_SCREEN=4096x64 CE_DEVICE_ZOOM=8 setsid -w "$program" </dev/null >"$work/stdout" 2>"$work/stderr" || status=$?
        [ "$status" = 2 ] || fail "UI '$ui': exit status $status: $(cat "$work/stderr")"
        [ "$(wc -l <"$work/stderr")" = 1 ] || fail "UI '$ui': not one line: $(cat "$work/stderr")"
        grep -q '^velquin: CE_DEVICE_SCREEN=4096x64 does not fit .*1024x768' "$work/stderr" || fail "UI '$ui': message: $(cat "$work/stderr")"
        [ ! -e "$CE_DEVICE_DIR" ] || fail "UI '$ui': the device was touched"
    done
}

# --- the title bar -------------------------------------------------------------

# Dragged by its caption 30 pixels left and 10 down, the dialog stays there:
# its OK button is then clicked where it now is.
case_caption_drag_moves_the_dialog() {
    start_xvfb
    start_velquin
    cp "$CE_DEVICE_SCREENSHOT" "$work/before.png"
    move_to 100 22
    xdotool mousedown 1
    move_to 85 27
    move_to 70 32
    xdotool mouseup 1
    screen_changes_from "$work/before.png"
    still_open_unwritten 0.3
    click_at $((ok_button[0] - 30)) $((ok_button[1] + 10))
    ends_with 0
    stored_record || fail "the OK button was not where the dialog was dropped"
}

# --- edit keys -------------------------------------------------------------------

# In a field, Up and Down move as Left and Right, and with Shift select.
case_up_and_down_move_in_a_field() {
    start_xvfb
    start_velquin
    keys Tab End Up shift+Down
    type_text "5"
    keys Return
    ends_with 0
    expect_bias DaylightBias -65
}

# Shift+Delete cuts the daylight field's selected text, Shift+Insert pastes
# it in place of the standard field's.
case_shift_delete_cuts_and_shift_insert_pastes() {
    start_xvfb
    start_velquin
    keys Tab shift+Delete Tab shift+Insert
    keys Return
    ends_with 0
    expect_bias DaylightBias 0 "cut"
    expect_bias StandardBias -60
}

case_ctrl_insert_copies() {
    start_xvfb
    start_velquin
    keys Tab ctrl+Insert Tab shift+Insert
    keys Return
    ends_with 0
    expect_bias DaylightBias -60
    expect_bias StandardBias -60
}

# Ctrl+Z swaps the text with the one before the last change: typing is
# undone, and undoing again brings it back.
case_ctrl_z_undoes() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-15"
    keys ctrl+z Tab
    type_text "25"
    keys ctrl+z ctrl+z
    keys Return
    ends_with 0
    expect_bias DaylightBias -60 "undone"
    expect_bias StandardBias 25 "undone and redone"
}

# The daylight field's text, selected by Tab, shows in the selection's navy
# while the window has the focus, and goes back to white when another window
# takes it (the field loses the focus with its window).
case_selection_hides_when_the_window_loses_the_focus() {
    start_xvfb
    start_velquin
    keys Tab
    "$focus_elsewhere" "$window" 146 50 000080 FFFFFF >"$work/focus" 2>&1 || fail "$(cat "$work/focus")"
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || true
    keys Escape
    ends_with 0
}

# A text three times the field's width. Dragged from its start to past the
# field's right edge and held there, the selection goes on and the text
# scrolls until all of it is selected; from its end to past the left edge,
# back to the start.
case_drag_past_the_edge_scrolls() {
    start_xvfb
    start_velquin
    keys Tab
    type_text "-00000000000000000000000045"
    keys Home
    move_to 141 57
    xdotool mousedown 1
    move_to 170 57
    move_to 215 57
    sleep 2
    xdotool mouseup 1
    keys ctrl+c Tab ctrl+v shift+Tab End
    move_to 196 57
    xdotool mousedown 1
    move_to 150 57
    move_to 120 57
    sleep 2
    xdotool mouseup 1
    keys ctrl+c Tab Tab Tab ctrl+v Return
    ends_with 0
    expect_bias StandardBias -45 "all of it selected to the right"
    expect_bias DaylightBias -45 "all of it selected to the left"
}

# Text selected in the daylight field becomes X's PRIMARY selection, and a
# middle click at the start of the standard field pastes it there.
case_selection_is_primary_and_middle_click_pastes() {
    start_xvfb
    start_velquin
    move_to 139 57
    xdotool mousedown 1
    move_to 170 57
    move_to 197 57
    xdotool mouseup 1
    move_to 141 111
    xdotool click 2
    keys Return
    ends_with 0
    expect_bias StandardBias -600
}

# A Shift+click 0.15 s after a click, 9 pixels away, extends the selection:
# it is no double click (the device's double-click area is 4 x 4 pixels).
case_shift_click_soon_after_a_click_extends() {
    start_xvfb
    start_velquin
    click_at 141 57
    sleep 0.15
    move_to 150 57
    xdotool keydown shift click 1 keyup shift
    type_text "9"
    keys Return
    ends_with 0
    expect_bias DaylightBias 90
}

# --- a clipboard owner that answers late or never -------------------------------

# start_owner ARGS...: the clipboard owner, once it holds the clipboard.
start_owner() {
    "$clipboard_owner" "$@" >"$work/owner" 2>&1 &
    owner_pid=$!
    wait_until "the clipboard owner" grep -q ready "$work/owner"
}

# The owner answers "5" three seconds after Ctrl+V; meanwhile the window
# takes keys ("-1" replaces the selected text), and the answer lands where
# the caret is when it comes.
case_slow_clipboard_owner_pastes_where_the_caret_is() {
    start_xvfb
    start_velquin
    start_owner slow 3 5
    keys Tab ctrl+v
    wait_until "the request" grep -q asked "$work/owner"
    type_text "-1"
    sleep 0.5
    cp "$CE_DEVICE_SCREENSHOT" "$work/typed.png"
    ! grep -q answered "$work/owner" || fail "the owner answered before the typing could be seen (a busy machine?)"
    wait_until "the answer" grep -q answered "$work/owner"
    screen_changes_from "$work/typed.png"
    keys Return
    ends_with 0
    kill "$owner_pid" 2>/dev/null || true
    expect_bias DaylightBias -15
}

# An owner that never answers: the window goes on taking keys and drawing.
case_clipboard_owner_that_never_answers() {
    start_xvfb
    start_velquin
    start_owner never
    keys Tab ctrl+v
    wait_until "the request" grep -q asked "$work/owner"
    cp "$CE_DEVICE_SCREENSHOT" "$work/before.png"
    type_text "-7"
    screen_changes_from "$work/before.png"
    keys Return
    ends_with 0
    kill "$owner_pid" 2>/dev/null || true
    expect_bias DaylightBias -7
}

# --- the host window's icon -----------------------------------------------------

case_host_window_has_the_icon() {
    start_xvfb
    start_velquin
    "$icon_check" "$window" "$CE_DEVICE_SCREENSHOT" >"$work/icon" 2>&1 || fail "$(cat "$work/icon")"
    keys Escape
    ends_with 0
}

"case_$case_name"
