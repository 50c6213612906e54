#!/usr/bin/env bash
# Black-box tests of the terminal front end: runs a program that shows the
# bias dialog in a real terminal (a detached tmux pane of fixed size on a
# server of its own), drives it with keys and raw mouse reports, reads the
# screen back and checks what the terminal is left in afterwards.
#
#   tmux_test.sh PROGRAM CASE [GOLDEN]
#
# PROGRAM is either the test probe (terminal_dialog_probe, which prints how
# the dialog ended) or the real program, build/bin/velquin, with ce-tz and
# ce-reg beside it; CASE is one of the functions named case_* below, or the
# name CTest gives it (terminal_tmux.velquin.escape_writes_nothing); GOLDEN
# is the screen the golden case expects (CE_UPDATE_GOLDEN=1 rewrites it),
# velquin_80x24.golden beside this script unless given. Without arguments,
# or with a case it does not have, it lists its cases.
set -euo pipefail
# Columns are counted in characters, not bytes.
export LC_ALL=C.UTF-8

program=${1:-}
case_name=${2:-}
golden=${3:-$(dirname "$0")/velquin_80x24.golden}

# Never the tmux this may itself run in: a server of its own.
unset TMUX TMUX_PANE
socket="ce-terminal-test-$$-${RANDOM}"
work=$(mktemp -d "${TMPDIR:-/tmp}/ce-terminal-test.XXXXXX")
export CE_DEVICE_DIR="$work/device"
# The device's time zone, while it has no record of its own, is the host's.
export TZ=Europe/Berlin
mkdir -p "$CE_DEVICE_DIR"
timeout_s=${CE_TMUX_TIMEOUT:-10}

t() { tmux -L "$socket" -f /dev/null "$@"; }

cleanup() {
    t kill-server >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($case_name): $*" >&2
    echo "--- screen ---" >&2
    t capture-pane -p -t test >&2 2>/dev/null || true
    echo "--------------" >&2
    exit 1
}

# start_shell COLS ROWS [VAR=value...]: a plain shell in a fresh pane.
start_shell() {
    local cols=$1 rows=$2
    shift 2
    # The terminal front end by name: without it a window may be chosen
    # where a display is present.
    t new-session -d -s test -x "$cols" -y "$rows" \
        "env -u NO_COLOR -u ESCDELAY CE_DEVICE_UI=terminal TERM=tmux-256color LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=$TZ $* PS1='ready> ' bash --norc --noprofile"
    # Keep the pane at its size whatever clients come and go.
    t set-option -g window-size manual >/dev/null
    wait_for 'ready>'
}

screen() { t capture-pane -p -t test; }

# wait_for TEXT: polls the screen until TEXT is on it.
wait_for() {
    local deadline=$((SECONDS + timeout_s))
    until screen | grep -qF -- "$1"; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for: $1"
        sleep 0.05
    done
}

# wait_for_pattern REGEX: polls the screen until a line matches REGEX.
wait_for_pattern() {
    local deadline=$((SECONDS + timeout_s))
    until screen | grep -qE -- "$1"; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for a line like: $1"
        sleep 0.05
    done
}

# wait_stable: until the screen stops changing (a drawing may reach the
# terminal in more than one piece).
wait_stable() {
    local deadline=$((SECONDS + timeout_s)) before now
    before=$(screen)
    while sleep 0.1; now=$(screen); [ "$now" != "$before" ]; do
        [ $SECONDS -lt $deadline ] || fail "the screen keeps changing"
        before=$now
    done
}

# wait_gone TEXT: polls the screen until TEXT is no longer on it.
wait_gone() {
    local deadline=$((SECONDS + timeout_s))
    while screen | grep -qF -- "$1"; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for this to go: $1"
        sleep 0.05
    done
}

# run COMMAND: types a command line; its exit status shows as EXITk=n, k
# counting the commands run (the quotes keep the command line itself from
# reading so).
runs=0
run() {
    runs=$((runs + 1))
    t send-keys -t test -l -- "$* ; echo EXIT\"$runs=\$?\""
    t send-keys -t test Enter
}

start_dialog() {
    run "$program" "$@"
    wait_for "Velquin"
    wait_for "[OK]"
}

keys() { t send-keys -t test "$@"; sleep 0.05; }
type_text() { t send-keys -t test -l -- "$1"; sleep 0.05; }

exit_status() {
    wait_for_pattern "EXIT$runs=[0-9]+"
    screen | sed -n "s/.*EXIT$runs=\\([0-9][0-9]*\\).*/\\1/p" | tail -1
}

pane() { t display-message -p -t test "$1"; }

children_of() {
    grep -l "^PPid:[[:space:]]*$1\$" /proc/[0-9]*/status 2>/dev/null | cut -d/ -f3 || true
}

# The process of the program under test: a descendant of this test's pane
# (never one of another test running beside it).
program_pid() {
    local name pids next pid
    name=$(basename "$program" | cut -c1-15)
    pids=$(pane '#{pane_pid}')
    while [ -n "$pids" ]; do
        next=
        for pid in $pids; do
            if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ]; then
                echo "$pid"
                return
            fi
            next="$next $(children_of "$pid")"
        done
        pids=$(echo $next)
    done
}

# The column and row (from 0) where TEXT first appears on the screen.
position_of() {
    local text=$1 line before row=0
    while IFS= read -r line; do
        if [[ $line == *"$text"* ]]; then
            before=${line%%"$text"*}
            echo "${#before} $row"
            return
        fi
        row=$((row + 1))
    done < <(screen)
}

# wait_at TEXT "COL ROW": polls the screen until TEXT is there.
wait_at() {
    local deadline=$((SECONDS + timeout_s))
    until [ "$(position_of "$1")" = "$2" ]; do
        [ $SECONDS -lt $deadline ] || fail "'$1' is at $(position_of "$1"), not at $2"
        sleep 0.05
    done
}

chr() { printf "\\$(printf %03o "$1")"; }

# click COL ROW: a press and a release of the left button, encoded as the
# program asked the terminal to report them.
click() {
    local col=$1 row=$2
    if [ "$(pane '#{mouse_sgr_flag}')" = 1 ]; then
        type_text "$(printf '\033[<0;%d;%dM\033[<0;%d;%dm' $((col + 1)) $((row + 1)) $((col + 1)) $((row + 1)))"
    elif [ "$(pane '#{mouse_standard_flag}#{mouse_button_flag}#{mouse_any_flag}')" != 000 ]; then
        type_text "$(printf '\033[M')$(chr 32)$(chr $((col + 33)))$(chr $((row + 33)))$(printf '\033[M')$(chr 35)$(chr $((col + 33)))$(chr $((row + 33)))"
    else
        fail "the program did not turn on mouse reporting"
    fi
}

click_text() {
    local where
    where=$(position_of "$1")
    [ -n "$where" ] || fail "nothing on the screen reads: $1"
    set -- $where
    click $((${1} + ${offset:-0})) "$2"
}

# The terminal is back as the shell had it: no alternate screen, the cursor
# shown, no mouse reporting, echo and canonical input on.
assert_sane_terminal() {
    [ "$(pane '#{alternate_on}')" = 0 ] || fail "left in the alternate screen"
    [ "$(pane '#{cursor_flag}')" = 1 ] || fail "left with the cursor hidden"
    [ "$(pane '#{mouse_any_flag}#{mouse_button_flag}#{mouse_standard_flag}#{mouse_sgr_flag}')" = 0000 ] \
        || fail "left with mouse reporting on"
    keys C-l
    run "echo MODES: \$(stty -a | tr ' ;' '\n\n' | grep -xE -- '-?(echo|icanon|isig|icrnl|opost)')"
    wait_for_pattern '^MODES:'
    local modes
    modes=$(screen | grep -E '^MODES:' | head -1)
    for mode in echo icanon isig icrnl opost; do
        grep -qE "(^| )$mode( |$)" <<<"$modes" || fail "terminal mode $mode not restored: $modes"
    done
}

# wait_closed: until the dialog has gone and the program has ended.
wait_closed() {
    if [ "$(basename "$program")" = velquin ]; then
        wait_for_pattern "EXIT$runs=[0-9]+"
    else
        wait_for "ended "
    fi
}

# assert_ended "ended N ...": the probe prints how the dialog ended; the real
# program is checked by its exit status and by what it left in the device
# (cancelled: no time-zone record of the device's own).
assert_ended() {
    local expected=$1
    if [ "$(basename "$program")" = velquin ]; then
        [ "$expected" = "ended 2" ] || fail "this case needs the probe"
        [ "$(exit_status)" = 0 ] || fail "exit status"
        ! stored_record || fail "a time-zone record was written"
        return 0
    fi
    wait_for "ended "
    screen | grep -qF "$expected" || fail "expected '$expected'"
}

# --- the cases -------------------------------------------------------------

case_tab_order_typing_and_enter() {
    start_shell 80 24
    start_dialog
    wait_for "> OK <"
    # OK -> daylight field (its text selected, so typing replaces it).
    keys Tab
    type_text "-45"
    wait_for "[-45 "
    # -> standard field, edited in place: End, Backspace, then typed digits.
    keys Tab
    keys End BSpace
    type_text "30"
    wait_for "[30 "
    # -> OK, and Shift+Tab back to the standard field and forward again.
    keys Tab
    wait_for "> OK <"
    keys BTab
    wait_gone "> OK <"
    keys Tab
    wait_for "> OK <"
    screen | grep -qF "probe:" && fail "standard error reached the screen while the dialog was up"
    keys Enter
    assert_ended "ended 1 daylight -45 standard 30"
    screen | grep -qF "probe: field 1002 changed" || fail "held standard error was not printed afterwards"
    [ "$(exit_status)" = 0 ] || fail "exit status"
    assert_sane_terminal
}

case_stderr_to_a_file_is_written_at_once() {
    start_shell 80 24
    start_dialog "2>$work/errors"
    keys Tab
    type_text "5"
    wait_for "[5 "
    local deadline=$((SECONDS + timeout_s))
    until grep -qF "probe: field 1002 changed" "$work/errors"; do
        [ $SECONDS -lt $deadline ] || fail "standard error to a file was held back"
        sleep 0.05
    done
    keys Escape
    assert_ended "ended 2"
}

case_edit_keys_and_sideways_scrolling() {
    start_shell 80 24
    start_dialog
    keys Tab Home Delete
    type_text "1"
    wait_for "[160 "
    keys End Left BSpace
    wait_for "[10 "
    keys Right
    type_text "23456789012345"
    # Longer than the field: the text scrolls so the caret stays in view.
    wait_for "[456789012345 ]"
    keys Home
    wait_for "[1023456789012]"
    keys Escape
    assert_ended "ended 2"
}

case_escape_cancels_at_once() {
    start_shell 80 24
    start_dialog
    local start end
    start=$(date +%s%N)
    keys Escape
    wait_closed
    end=$(date +%s%N)
    [ $(((end - start) / 1000000)) -lt 700 ] || fail "Escape took $(((end - start) / 1000000)) ms"
    assert_ended "ended 2"
    assert_sane_terminal
}

case_escape_waits_as_long_as_the_user_asked() {
    start_shell 80 24 ESCDELAY=1500
    start_dialog
    local start end
    start=$(date +%s%N)
    keys Escape
    wait_for "ended 2"
    end=$(date +%s%N)
    [ $(((end - start) / 1000000)) -ge 1400 ] || fail "Escape took only $(((end - start) / 1000000)) ms"
}

case_space_presses_the_focused_button() {
    start_shell 80 24
    start_dialog
    keys Space
    assert_ended "ended 1"
}

case_mouse_close_button() {
    start_shell 80 24
    start_dialog
    offset=1 click_text "[×]"
    assert_ended "ended 2"
    assert_sane_terminal
}

case_mouse_title_bar_ok() {
    start_shell 80 24
    start_dialog
    offset=1 click_text "[OK]"
    assert_ended "ended 1 daylight -60 standard 0"
}

case_mouse_ok_button_and_fields() {
    start_shell 80 24
    start_dialog
    # A click between "-" and "6" puts the caret there.
    offset=2 click_text "[-60"
    type_text "1"
    wait_for "[-160 "
    offset=1 click_text " OK "
    assert_ended "ended 1 daylight -160 standard 0"
}

case_resize_to_too_small_and_back() {
    start_shell 80 24
    start_dialog
    t resize-window -t test -x 30 -y 10
    wait_for "Terminal too small"
    wait_for "need 48x12, have 30x10"
    wait_for "Escape cancels"
    screen | grep -qF "Velquin" && fail "a clipped dialog is shown"
    # Nothing but cancelling is decided while the dialog is hidden.
    keys Enter Space Tab
    type_text "7"
    sleep 0.3
    screen | grep -qF "ended" && fail "a key decided the hidden dialog"
    t resize-window -t test -x 100 -y 30
    wait_at "┌ Velquin" "22 3"
    t resize-window -t test -x 80 -y 24
    wait_at "┌ Velquin" "12 0"
    keys Escape
    assert_ended "ended 2"
}

case_ctrl_l_redraws() {
    start_shell 80 24
    start_dialog
    # Something else writes over the dialog, straight to the terminal.
    printf '\033[5;20Hgarbage over the dialog' >"$(pane '#{pane_tty}')"
    wait_for "garbage over"
    keys C-l
    wait_gone "garbage over"
    wait_for "Default: -60"
    keys Escape
    assert_ended "ended 2"
}

case_ctrl_z_suspends_and_fg_resumes() {
    start_shell 80 24
    start_dialog
    keys Tab
    type_text "7"
    keys C-z
    wait_for "Stopped"
    assert_sane_terminal
    run "fg"
    wait_for "[7 "
    wait_for "DayLight Difference"
    keys Enter
    assert_ended "ended 1 daylight 7 standard 0"
}

case_started_too_small_then_enlarged() {
    start_shell 40 20
    run "$program"
    wait_for "need 48x12, have 40x20"
    t resize-window -t test -x 80 -y 24
    wait_at "┌ Velquin" "12 0"
    keys Escape
    assert_ended "ended 2"
}

case_ctrl_c_closes_like_the_close_button() {
    start_shell 80 24
    start_dialog
    keys Tab
    type_text "99"
    keys C-c
    assert_ended "ended 2"
    [ "$(exit_status)" = 0 ] || fail "exit status"
    assert_sane_terminal
}

# signal NAME STATUS: the signal sent from outside closes the dialog, the
# terminal is restored and the process ends as that signal ends it.
signal_case() {
    local name=$1 status=$2
    start_shell 80 24
    # Through a non-interactive shell: an interactive one drops the rest of
    # the command line when its child dies of SIGINT.
    run "sh -c '\"\$0\"; echo STATUS\"=\$?\"' $program"
    wait_for "[OK]"
    local pid
    pid=$(program_pid)
    [ -n "$pid" ] || fail "cannot find the program's process"
    kill -s "$name" "$pid"
    wait_for_pattern "STATUS=[0-9]+"
    local got
    got=$(screen | sed -n 's/.*STATUS=\([0-9][0-9]*\).*/\1/p' | tail -1)
    [ "$got" = "$status" ] || fail "exit status $got after SIG$name, expected $status"
    screen | grep -qF "ended" && fail "the dialog ended normally after SIG$name"
    assert_sane_terminal
}
case_sigterm() { signal_case TERM 143; }
case_sighup() { signal_case HUP 129; }
case_sigquit() { signal_case QUIT 131; }
case_sigint() { signal_case INT 130; }

# crash_case HOW: the probe crashes as PROBE_CRASH=HOW says once a field
# changes; the terminal must be restored all the same.
crash_case() {
    start_shell 80 24 PROBE_CRASH=$1
    start_dialog
    keys Tab
    type_text "1"
    local got
    got=$(exit_status)
    # Killed by the signal, or ended by a sanitizer that reported it.
    [ "$got" != 0 ] || fail "exit status 0 after a crash"
    assert_sane_terminal
}
case_crash_restores_the_terminal() { crash_case 1; }
# A crash that has used up the stack: the handler runs on a stack of its own.
case_stack_overflow_restores_the_terminal() { crash_case stack; }

# A megabyte of Escape bytes at once: the first two are the Escape key, the
# rest is discarded; nothing crashes. What the terminal still holds after the
# program has ended is drained before the shell can read it.
case_a_megabyte_of_escapes() {
    start_shell 80 24
    head -c 1048576 /dev/zero | tr '\0' '\033' >"$work/escapes"
    t load-buffer "$work/escapes"
    # What the program printed and the terminal's modes go to files: the
    # leftover bytes the shell's terminal echoes would scroll them away.
    run "$program >$work/ended; stty -a >$work/modes; stty -echo -icanon min 0 time 20; cat >/dev/null;" \
        "stty echo icanon; clear"
    wait_for "[OK]"
    t paste-buffer -t test
    # A megabyte through the terminal takes a while on a busy machine.
    timeout_s=$((timeout_s * 3))
    wait_for_pattern "EXIT$runs=[0-9]+"
    grep -qF "ended 2" "$work/ended" || fail "the dialog did not end by Escape: $(cat "$work/ended")"
    local modes mode
    modes=$(tr ' ;' '\n\n' <"$work/modes")
    for mode in echo icanon isig icrnl opost; do
        grep -qx -- "$mode" <<<"$modes" || fail "terminal mode $mode not restored"
    done
    assert_sane_terminal
}

case_escape_sequences_in_texts_are_shown_not_obeyed() {
    start_shell 80 24
    t select-pane -t test -T "before"
    local title
    title=$(pane '#{pane_title}')
    run "PROBE_DEFAULT=\$'\\e]2;owned\\a\\e[2J' $program"
    wait_for "Velquin"
    wait_for "␛]2;owned␇␛[2J"
    [ "$(pane '#{pane_title}')" = "$title" ] || fail "the pane title changed to $(pane '#{pane_title}')"
    keys Escape
    assert_ended "ended 2"
    [ "$(pane '#{pane_title}')" = "$title" ] || fail "the pane title changed to $(pane '#{pane_title}')"
}

case_no_color() {
    start_shell 80 24 NO_COLOR=1
    start_dialog
    wait_stable
    local shown
    shown=$(t capture-pane -p -e -t test)
    grep -qE $'\e\\[[0-9;]*(3[0-7]|4[0-7]|38;5;[0-9]+|48;5;[0-9]+)m' <<<"$shown" && fail "colours drawn with NO_COLOR set"
    grep -qE $'\e\\[[0-9;]*7m' <<<"$shown" || fail "no reverse video for the title bar in monochrome"
    keys Escape
    assert_ended "ended 2"
}

case_colour() {
    start_shell 80 24
    start_dialog
    wait_stable
    t capture-pane -p -e -t test | grep -qE $'\e\\[[0-9;]*44m' || fail "no blue title bar in colour"
    keys Escape
    assert_ended "ended 2"
}

# The frame in the terminal's own line-drawing characters (shifted in with
# SO and out with SI), not in + - |.
case_ascii_lines_without_utf8() {
    start_shell 80 24 LANG=C LC_ALL=C
    start_dialog
    wait_for "[X]"
    wait_stable
    t capture-pane -p -e -t test | grep -qF $'\x0el\x0f Velquin \x0eqqqq' || fail "the frame is not drawn with line drawing"
    keys Escape
    assert_ended "ended 2"
}


# unusable_terminal_case HOW MESSAGE
unusable_terminal_case() {
    start_shell 200 24
    run "$1"
    local got
    got=$(exit_status)
    [ "$got" != 0 ] || fail "exit status 0"
    screen | grep -qF "$2" || fail "no message saying: $2"
    [ "$(pane '#{alternate_on}')" = 0 ] || fail "left in the alternate screen"
    screen | grep -qF "Velquin" && fail "the dialog was drawn"
    return 0
}
# Without a terminal on standard input or output the dialog is drawn on the
# controlling terminal; without one of those either, it cannot be shown.
case_no_terminal_at_all() {
    unusable_terminal_case "setsid -w $program < /dev/null > $work/out" \
        "standard input is not a terminal and the process has no controlling terminal"
}

case_stdin_from_dev_null() {
    start_shell 80 24
    start_dialog "< /dev/null"
    keys Tab
    type_text "-45"
    wait_for "[-45 "
    keys Enter
    assert_ended "ended 1 daylight -45 standard 0"
    assert_sane_terminal
}

case_stdout_to_a_pipe() {
    start_shell 80 24
    start_dialog "| cat"
    keys Escape
    assert_ended "ended 2"
    assert_sane_terminal
}

case_stdout_to_a_file() {
    start_shell 80 24
    start_dialog "> $work/out"
    keys Escape
    [ "$(exit_status)" = 0 ] || fail "exit status"
    if [ "$(basename "$program")" != velquin ]; then
        grep -qF "ended 2" "$work/out" || fail "the result did not go to the file: $(cat "$work/out")"
    fi
    assert_sane_terminal
}
case_term_dumb() { unusable_terminal_case "TERM=dumb $program" "TERM=dumb cannot move the cursor"; }
case_term_unset() { unusable_terminal_case "env -u TERM $program" "TERM is not set"; }


# --- keys every terminal sends ------------------------------------------------

# The daylight field as the screen shows it.
daylight_field() { screen | sed -n 's/.*DayLight Difference *\(\[[^]]*\]\).*/\1/p' | head -1; }

# still_open: the dialog is still up after longer than the Escape delay.
still_open() {
    sleep 0.4
    screen | grep -qF "ended" && fail "the dialog ended: $1"
    screen | grep -qF "DayLight Difference" || fail "the dialog is gone: $1"
    screen | grep -qF "EXIT$runs=" && fail "the program ended: $1"
    return 0
}

case_key_storm() {
    start_shell 80 24 TERM=xterm-256color
    start_dialog
    local before
    before=$(daylight_field)
    # On the OK button and in a field, every key a terminal sends for
    # keys the dialog does not use, or uses only to move, leaves it open.
    for focus in button field; do
        keys Home End F5 F12 M-x C-Left S-Right PPage NPage IC F1 M-Left C-Home
        type_text $'\e[99;99z\e[1;5H\e[200;1~\e]0;x\a\e[<0;1;1m'
        still_open "after the storm on the $focus"
        [ "$focus" = button ] && keys Tab
    done
    keys Home
    still_open "after the storm"
    [ "$(daylight_field)" = "$before" ] || fail "the field changed: $(daylight_field), was $before"
    keys Escape
    assert_ended "ended 2"
    assert_sane_terminal
}

# Home and End as each family of terminal sends them, typed as raw bytes.
case_home_and_end_of_every_terminal() {
    start_shell 80 24
    start_dialog
    keys Tab
    type_text "12"
    local home end
    for home in $'\e[1~' $'\e[7~' $'\e[H' $'\eOH'; do
        type_text "$home"
        type_text "3"
        keys BSpace
    done
    for end in $'\e[4~' $'\e[8~' $'\e[F' $'\eOF'; do
        type_text "$end"
        type_text "4"
        keys BSpace
    done
    type_text $'\e[1~'
    type_text "9"
    wait_for "[912 "
    still_open "after Home and End"
    keys Escape
    assert_ended "ended 2"
}

case_a_sequence_split_by_a_pause_is_one_key() {
    # The pauses are timed inside the tmux server, but a busy machine may
    # still stretch them: a wait well beyond them keeps the case about the
    # assembling of the pieces, not about the machine's load.
    start_shell 80 24 ESCDELAY=600
    start_dialog
    keys Tab
    type_text "12"
    # Home as ESC [ 1 ~, its bytes 30 ms apart, as a slow link delivers them.
    t send-keys -t test -l -- $'\e' \; run-shell -d 0.03 '' \; send-keys -t test -l -- '[' \; \
        run-shell -d 0.03 '' \; send-keys -t test -l -- '1~'
    type_text "9"
    wait_for "[912 "
    still_open "after a split sequence"
    keys Escape
    assert_ended "ended 2"
}

case_shift_and_ctrl_arrows_select_and_move() {
    start_shell 80 24 TERM=xterm-256color
    start_dialog
    keys Tab End S-Left S-Left
    type_text "5"
    wait_for "[-5 "
    # By word: Ctrl+Left to the start, Shift+Ctrl+Right over the word.
    type_text " 77"
    keys C-Left C-Left
    type_text "1"
    wait_for "[1-5 77 "
    keys End S-Home
    type_text "8"
    wait_for "[8 "
    keys Enter
    assert_ended "ended 1 daylight 8 standard 0"
}

case_escape_after_a_pause() {
    start_shell 80 24
    start_dialog
    keys Tab
    type_text "12"
    # Escape, then a key long after the Escape delay: Escape closes (the
    # two are not Alt with the key).
    t send-keys -t test -l -- $'\e'
    sleep 1
    type_text "3"
    assert_ended "ended 2"
}

# --- pastes ---------------------------------------------------------------------

paste() {
    printf '%s' "$1" >"$work/paste"
    t load-buffer -b velquin "$work/paste"
    t paste-buffer -p -d -b velquin -t test
}

case_bracketed_paste() {
    start_shell 80 24
    start_dialog
    # With a button focused a paste does nothing.
    paste "5"
    still_open "a paste on the OK button"
    keys Tab
    paste $'-45\necho PASTE_REACHED_THE_SHELL\n'
    wait_for "[-45 "
    still_open "a paste with line breaks"
    keys Enter
    assert_ended "ended 1 daylight -45 standard 0"
    sleep 0.5
    screen | grep -qF "PASTE_REACHED" && fail "the rest of the paste reached the shell"
    assert_sane_terminal
}

case_pending_input_is_discarded_at_exit() {
    start_shell 80 24
    start_dialog
    # Typed on, unbracketed, faster than the dialog reads it: the Enter
    # ends the dialog and the rest is the dialog's, not the shell's.
    type_text $'\r'"echo TYPED_REACHED_THE_SHELL"$'\r'
    assert_ended "ended 1"
    sleep 0.5
    screen | grep -qF "TYPED_REACHED" && fail "typed-ahead input reached the shell"
    assert_sane_terminal
}

# CPU time (clock ticks) the program has used so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

case_a_long_paste_is_quick() {
    start_shell 80 24
    start_dialog
    local pid before after
    pid=$(program_pid)
    [ -n "$pid" ] || fail "cannot find the program's process"
    keys Tab
    before=$(cpu_ticks "$pid")
    paste "$(printf '%029999d7' 0)"
    wait_for "00000007 ]"
    keys Home
    wait_for "[0000000000000]"
    keys End
    wait_for "00000007 ]"
    after=$(cpu_ticks "$pid")
    [ $((after - before)) -lt "$(getconf CLK_TCK)" ] \
        || fail "the paste and Home/End took $((after - before)) ticks of CPU"
    keys Escape
    assert_ended "ended 2"
}

# --- small terminals --------------------------------------------------------------

small_terminal_case() {
    start_shell "$1" "$2"
    start_dialog
    wait_stable
    local text
    for text in "Velquin" "DayLight Difference" "Standard Difference:" "Default: -60" "Visit:" "> OK <" "[-60" "[0 "; do
        screen | grep -qF -- "$text" || fail "$text is not shown whole"
    done
    keys Tab
    type_text "-45"
    wait_for "[-45 "
    keys Enter
    assert_ended "ended 1 daylight -45 standard 0"
}
case_small_54x22() { small_terminal_case 54 22; }
case_small_60x18() { small_terminal_case 60 18; }

case_escape_cancels_from_the_too_small_notice() {
    start_shell 40 10
    run "$program"
    wait_for "Escape cancels"
    keys Escape
    assert_ended "ended 2"
    assert_sane_terminal
}

case_ctrl_c_cancels_from_the_too_small_notice() {
    start_shell 40 10
    run "$program"
    wait_for "Escape cancels"
    keys C-c
    assert_ended "ended 2"
}

# --- how it looks ------------------------------------------------------------------

# The attributes a captured line gives the text just before MARK.
look_before() {
    t capture-pane -p -e -t test | grep -F -- "$2" | head -1 \
        | sed "s/$1.*//" | grep -oE $'\e\\[[0-9;]*m' | tr -d '\n'
}

focus_case() {
    start_shell 80 24 "$@"
    start_dialog
    keys Tab End
    wait_stable
    local focused unfocused
    focused=$(t capture-pane -p -e -t test | grep -F "DayLight" | head -1 | sed 's/\[-60.*//' | grep -oE $'\e\\[[0-9;]*m' | tail -3 | tr -d '\n')
    unfocused=$(t capture-pane -p -e -t test | grep -F "Standard Diff" | head -1 | sed 's/\[0 .*//' | grep -oE $'\e\\[[0-9;]*m' | tail -3 | tr -d '\n')
    [ -n "$focused" ] || fail "no attributes on the focused field"
    [ "$focused" != "$unfocused" ] || fail "the focused field looks like the other: $(cat -v <<<"$focused")"
    keys Escape
    assert_ended "ended 2"
}
case_focus_visible_in_colour() { focus_case; }
case_focus_visible_without_colour() { focus_case NO_COLOR=1; }

case_vt100_leaves_no_dialog_behind() {
    start_shell 80 24 TERM=vt100
    start_dialog
    wait_for "DayLight Difference"
    keys Escape
    assert_ended "ended 2"
    sleep 0.2
    screen | grep -qF "DayLight Difference" && fail "the dialog was left on the screen"
    return 0
}

# --- the real program --------------------------------------------------------
# These run build/bin/velquin with the device's tools beside it.

bin=$(dirname "$program")
tz_state() { "$bin/ce-tz" --json; }
bias_of() { tz_state | sed -n "s/.*\"$1\": *\(-\{0,1\}[0-9]*\).*/\1/p"; }
stored_record() { "$bin/ce-reg" query 'HKLM\Time' /v TimeZoneInformation >/dev/null 2>&1; }

start_velquin_shell() { start_shell 80 24; }

case_velquin_golden_80x24() {
    start_velquin_shell
    start_dialog
    wait_for "Default: -60"
    wait_stable
    screen >"$work/screen"
    if [ "${CE_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$work/screen" "$golden"
    fi
    diff -u "$golden" "$work/screen" >&2 || fail "the dialog differs from the golden capture $golden"
    keys Escape
    [ "$(exit_status)" = 0 ] || fail "exit status"
}

case_velquin_typed_biases_are_written() {
    start_velquin_shell
    start_dialog
    wait_for "[-60 "
    keys Tab
    type_text "-45"
    keys Tab
    type_text "30"
    wait_for "[30 "
    keys Enter
    [ "$(exit_status)" = 0 ] || fail "exit status"
    [ "$(bias_of DaylightBias)" = -45 ] || fail "daylight bias $(bias_of DaylightBias), expected -45"
    [ "$(bias_of StandardBias)" = 30 ] || fail "standard bias $(bias_of StandardBias), expected 30"
    stored_record || fail "the device holds no time-zone record of its own"
    assert_sane_terminal
}

case_velquin_escape_writes_nothing() {
    start_velquin_shell
    local before
    before=$(tz_state)
    start_dialog
    keys Tab
    type_text "-45"
    keys Escape
    [ "$(exit_status)" = 0 ] || fail "exit status"
    [ "$(tz_state)" = "$before" ] || fail "the time-zone record changed"
    stored_record && fail "a time-zone record was written"
    return 0
}

case_velquin_mouse_close_writes_nothing() {
    start_velquin_shell
    start_dialog
    keys Tab
    type_text "-45"
    offset=1 click_text "[×]"
    [ "$(exit_status)" = 0 ] || fail "exit status"
    stored_record && fail "a time-zone record was written"
    assert_sane_terminal
}

case_velquin_ctrl_c_writes_nothing() {
    start_velquin_shell
    start_dialog
    keys Tab
    type_text "-45"
    keys C-c
    [ "$(exit_status)" = 0 ] || fail "exit status"
    stored_record && fail "a time-zone record was written"
    assert_sane_terminal
}

case_velquin_mouse_title_bar_ok_writes() {
    start_velquin_shell
    start_dialog
    keys Tab
    type_text "-30"
    offset=1 click_text "[OK]"
    [ "$(exit_status)" = 0 ] || fail "exit status"
    [ "$(bias_of DaylightBias)" = -30 ] || fail "daylight bias $(bias_of DaylightBias), expected -30"
}

case_velquin_sigterm_writes_nothing() {
    start_velquin_shell
    start_dialog
    keys Tab
    type_text "-45"
    local pid
    pid=$(program_pid)
    [ -n "$pid" ] || fail "cannot find the program's process"
    kill -s TERM "$pid"
    [ "$(exit_status)" = 143 ] || fail "exit status after SIGTERM"
    stored_record && fail "a time-zone record was written"
    assert_sane_terminal
}

case_velquin_registry_text_cannot_set_the_title() {
    start_velquin_shell
    "$bin/ce-reg" add 'HKLM\Software\Corvane\Tembrel\DEFAULTS' /v DayLight /d $'Default: \e]2;owned\a\e[2J' /f >/dev/null
    "$bin/ce-reg" add 'HKLM\Software\Corvane\Tembrel\DEFAULTS' /v Standard /d 'Default: 0' /f >/dev/null
    t select-pane -t test -T "before"
    local title
    title=$(pane '#{pane_title}')
    start_dialog
    wait_for "Default: ␛]2;owned␇␛[2J"
    [ "$(pane '#{pane_title}')" = "$title" ] || fail "the pane title changed to $(pane '#{pane_title}')"
    keys Escape
    [ "$(exit_status)" = 0 ] || fail "exit status"
    [ "$(pane '#{pane_title}')" = "$title" ] || fail "the pane title changed to $(pane '#{pane_title}')"
}

case_velquin_no_terminal_at_all() {
    start_shell 200 24
    run "setsid -w $program < /dev/null > $work/out"
    local got
    got=$(exit_status)
    [ "$got" != 0 ] || fail "exit status 0"
    screen | grep -qF "velquin: standard input is not a terminal and the process has no controlling terminal" \
        || fail "no message"
    [ -z "$(ls -A "$CE_DEVICE_DIR")" ] || fail "the device was touched: $(ls -A "$CE_DEVICE_DIR")"
}

case_velquin_key_storm_writes_nothing() {
    start_shell 80 24 TERM=xterm-256color
    start_dialog
    keys Tab Home End F5 F12 M-x C-Left S-Right PPage IC
    type_text $'\e[99;99z'
    still_open "after the storm"
    keys Escape
    [ "$(exit_status)" = 0 ] || fail "exit status"
    stored_record && fail "a time-zone record was written"
    return 0
}

case_velquin_bracketed_paste_is_stored() {
    start_velquin_shell
    start_dialog
    keys Tab
    paste $'-45\necho PASTE_REACHED_THE_SHELL\n'
    wait_for "[-45 "
    still_open "a paste with line breaks"
    keys Enter
    [ "$(exit_status)" = 0 ] || fail "exit status"
    [ "$(bias_of DaylightBias)" = -45 ] || fail "daylight bias $(bias_of DaylightBias), expected -45"
    sleep 0.3
    screen | grep -qF "PASTE_REACHED" && fail "the rest of the paste reached the shell"
    return 0
}

# A registry the device cannot use: a notice below the dialog says so while
# it is up, and the device's own message follows once the terminal is back.
case_velquin_registry_notice() {
    start_velquin_shell
    rmdir "$CE_DEVICE_DIR"
    echo "not a directory" >"$CE_DEVICE_DIR"
    start_dialog
    wait_for "registry cannot be used: changes will not be kept"
    screen | grep -qF "registry: " && fail "the device's message reached the screen while the dialog was up"
    keys Escape
    exit_status >/dev/null
    screen | grep -qF "registry: " || fail "the device's message was not printed afterwards"
    assert_sane_terminal
}

usage() {
    echo "usage: $0 PROGRAM CASE [GOLDEN]"
    echo "  PROGRAM  build/tests/terminal_dialog_probe, or build/bin/velquin for the velquin_* cases"
    echo "  CASE     one of the cases below, or its name in CTest (terminal_tmux.probe.sigint,"
    echo "           terminal_tmux.velquin.escape_writes_nothing); ctest --test-dir build -N -L tmux lists those"
    echo "cases:"
    declare -F | sed -n 's/^declare -f case_/  /p'
}

# A name as CTest shows it: terminal_tmux.probe.CASE or terminal_tmux.velquin.CASE
# (the program's own cases without their velquin_ prefix).
case ${case_name} in
    terminal_tmux.probe.*) case_name=${case_name#terminal_tmux.probe.} ;;
    terminal_tmux.velquin.*)
        case_name=${case_name#terminal_tmux.velquin.}
        declare -F "case_velquin_$case_name" >/dev/null && case_name=velquin_$case_name
        ;;
    case_*) case_name=${case_name#case_} ;;
esac
if [ -z "$program" ] || [ -z "$case_name" ]; then
    usage >&2
    exit 2
fi
if ! declare -F "case_$case_name" >/dev/null; then
    echo "$0: no case \"$case_name\"" >&2
    usage >&2
    exit 2
fi
[ -x "$program" ] || { echo "$0: $program is not an executable program" >&2; exit 2; }

"case_$case_name"
echo "ok: $case_name"
