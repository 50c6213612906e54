#!/usr/bin/env bash
# The terminal front end's cost per keystroke and for long text, measured on
# the real program in a real terminal (a tmux pane of its own), beside
# dialog's inputbox doing the same typing when dialog is installed.
#
# Figures are CPU time of the program's process (from /proc/PID/schedstat,
# nanoseconds on the CPU), not wall time: the machine may be busy.
#   keystroke     typing a digit and Backspace into a short field, per key
#   paste 30k     one 30,000-character bracketed paste, shown
#   Home+End      Home and then End in the 30,000-character field
#   keystroke at 30k  as keystroke, at the end of that field: stays near
#                 the short-field figure when editing is linear
#   burst 30k     the 30,000 characters typed as one burst (unbracketed)
set -euo pipefail
build=${BENCH_BUILD_DIR:-build}
velquin=$build/bin/velquin
smoke=${BENCH_SMOKE:-0}
if [ "$smoke" = 1 ]; then
    pairs=20 long=300
else
    pairs=500 long=30000
fi

socket="ce-bench-terminal-$$-0"
runs=0
work=$(mktemp -d "${TMPDIR:-/tmp}/ce-bench-terminal.XXXXXX")
t() { tmux -L "$socket" -f /dev/null "$@"; }
cleanup() {
    t kill-server >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

screen() { t capture-pane -p -t bench; }
wait_for() {
    local deadline=$((SECONDS + ${2:-60}))
    until screen | grep -qF -- "$1"; do
        if [ $SECONDS -ge $deadline ]; then
            echo "timed out waiting for: $1" >&2
            screen >&2
            exit 1
        fi
        sleep 0.05
    done
}

# start COMMAND: runs it in a fresh 80x24 pane on a server of its own.
start() {
    t kill-server >/dev/null 2>&1 || true
    runs=$((runs + 1))
    socket="ce-bench-terminal-$$-$runs"
    t new-session -d -s bench -x 80 -y 24 \
        "env CE_DEVICE_UI=terminal CE_DEVICE_DIR=$work/device TZ=Europe/Berlin TERM=tmux-256color LANG=C.UTF-8 LC_ALL=C.UTF-8 $1; sleep 60"
    t set-option -g window-size manual >/dev/null
}

pid_of() {
    local pid
    for _ in $(seq 200); do
        pid=$(pgrep -n -x "$1" -s "$(t display-message -p -t bench '#{pane_pid}')" 2>/dev/null || true)
        [ -n "$pid" ] && { echo "$pid"; return; }
        sleep 0.05
    done
    echo "cannot find the process of $1" >&2
    exit 1
}

# Nanoseconds on the CPU; from the clock ticks of user and system time where
# the kernel keeps no scheduler statistics.
cpu_ns() {
    if [ -r "/proc/$1/schedstat" ]; then
        cut -d' ' -f1 "/proc/$1/schedstat"
    else
        awk -v hz="$(getconf CLK_TCK)" '{ printf "%d\n", ($14 + $15) * 1e9 / hz }' "/proc/$1/stat"
    fi
}

# type_pairs N: N times a digit and Backspace, then 1234, each key on its
# own (the program reads and draws each before the next arrives, as it
# does for a typist).
type_pairs() {
    for ((i = 0; i < $1; i++)); do
        t send-keys -t bench 5
        t send-keys -t bench BSpace
    done
    t send-keys -t bench -l 1234
}

per_key_us() { awk -v ns="$1" -v keys="$2" 'BEGIN { printf "%.1f", ns / keys / 1000 }'; }
seconds() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }

keys=$((2 * pairs + 4))

# --- velquin ---------------------------------------------------------------------
start "$velquin"
wait_for "Default: -60"
pid=$(pid_of velquin)
t send-keys -t bench Tab End
wait_for "[-60 "
sleep 0.3
before=$(cpu_ns "$pid")
type_pairs "$pairs"
wait_for "[-601234 "
after=$(cpu_ns "$pid")
velquin_key=$(per_key_us $((after - before)) $keys)
echo "velquin keystroke:        $velquin_key us CPU per key ($keys keys)"

# One long paste, then Home and End.
printf '1%0*d7' $((long - 2)) 0 >"$work/long"
t load-buffer -b long "$work/long"
t send-keys -t bench Home S-End BSpace
wait_for "[ "
before=$(cpu_ns "$pid")
t paste-buffer -p -b long -t bench
wait_for "00007 ]"
after=$(cpu_ns "$pid")
paste_ns=$((after - before))
echo "velquin paste of $long:   $(seconds $paste_ns) s CPU"
before=$(cpu_ns "$pid")
t send-keys -t bench Home
wait_for "[1000000000000]"
t send-keys -t bench End
wait_for "00007 ]"
after=$(cpu_ns "$pid")
home_end_ns=$((after - before))
echo "velquin Home+End at $long: $(seconds $home_end_ns) s CPU"

# Keys at the end of the long text cost what they cost in a short field.
# (The text is at the field's limit: four characters make room first.)
t send-keys -t bench BSpace BSpace BSpace BSpace
wait_for "00000 ]"
before=$(cpu_ns "$pid")
type_pairs "$pairs"
wait_for "0001234 ]"
after=$(cpu_ns "$pid")
velquin_long_key=$(per_key_us $((after - before)) $keys)
echo "velquin keystroke at $long: $velquin_long_key us CPU per key ($keys keys)"

# The same text typed as a burst of keys (a paste the terminal does not
# bracket): drawn once the burst has been read, not key by key.
t send-keys -t bench Home S-End BSpace
wait_for "[ "
before=$(cpu_ns "$pid")
text=$(cat "$work/long")
for ((at = 0; at < ${#text}; at += 1000)); do
    t send-keys -t bench -l "${text:at:1000}"
done
wait_for "00007 ]"
after=$(cpu_ns "$pid")
echo "velquin $long typed as a burst: $(per_key_us $((after - before)) "$long") us CPU per key"
t send-keys -t bench Escape

# --- dialog, when installed ------------------------------------------------------
dialog_key=
if command -v dialog >/dev/null; then
    start "dialog --max-input 32000 --inputbox 'DayLight Difference' 10 40 -60"
    wait_for "DayLight"
    pid=$(pid_of dialog)
    wait_for "-60"
    sleep 1.2 # dialog's own Escape delay, should the start have sent one
    before=$(cpu_ns "$pid")
    type_pairs "$pairs"
    wait_for "-601234"
    after=$(cpu_ns "$pid")
    dialog_key=$(per_key_us $((after - before)) $keys)
    echo "dialog keystroke:         $dialog_key us CPU per key ($keys keys)"
    t send-keys -t bench Escape
else
    echo "dialog keystroke:         (dialog is not installed)"
fi

[ "$smoke" = 1 ] && exit 0

# Goals: a long paste and Home/End answered within a fraction of a second;
# a keystroke of the order of dialog's, whatever the text's length.
status=0
goal() { echo "goal: $1"; awk "BEGIN { exit !($2) }" || { echo "  MISSED" >&2; status=1; }; }
goal "paste of $long under 0.5 s CPU" "$paste_ns < 500000000"
goal "Home+End at $long under 0.1 s CPU" "$home_end_ns < 100000000"
goal "a key in a $long-character field under 3x a key in a short one" "$velquin_long_key < 3 * $velquin_key"
if [ -n "$dialog_key" ]; then
    goal "a keystroke of the order of dialog's (under 4x)" "$velquin_key < 4 * $dialog_key"
fi
exit $status
