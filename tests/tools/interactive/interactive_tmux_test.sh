#!/usr/bin/env bash
# The interactive mode in a real terminal (tmux): the operator's menu journey
# with the keys, a record started and stopped, the tilt keys; the terminal
# handed back as it was after q, Ctrl-C and SIGTERM; a terminal made too
# small pausing the board; a terminal too small at the start refused with
# the size needed and exit code 2.
#
# usage: interactive_tmux_test.sh <program> [arguments...]
#   e.g. interactive_tmux_test.sh build/host/tools/simulator/tiltmon-sim --interactive --speed 20
set -u
(($# >= 1)) || { echo "usage: $0 <program> [arguments...]" >&2; exit 2; }
[[ -x $1 ]] || { echo "interactive_tmux_test: $1 is not a program" >&2; exit 1; }
command -v tmux >/dev/null || { echo "interactive_tmux_test: tmux is not installed" >&2; exit 1; }

socket=tiltmon-test-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null' EXIT
t() { tmux -L "$socket" "$@"; }
# Each expectation gets this long; the board is fast, the machine may be busy.
patience=30

# Runs the program in a detached session of the given size. The shell around
# it reports its exit code and whether the terminal's mode came back.
start() {
    local session=$1 columns=$2 rows=$3
    shift 3
    t new-session -d -s "$session" -x "$columns" -y "$rows" bash -c \
        'mode=$(stty -g); "$@"; code=$?; [[ $(stty -g) == "$mode" ]] && echo MODE=restored || echo MODE=changed
         echo "EXIT=$code"; sleep 600' run "$@"
}

screen() { t capture-pane -p -J -t "$1"; }

fail() {
    echo "interactive_tmux_test: $2" >&2
    echo "--- what the terminal of '$1' shows:" >&2
    screen "$1" >&2
    exit 1
}

# Waits until the screen shows the text (a fixed string).
expect() {
    local session=$1 text=$2 deadline=$((SECONDS + patience))
    while ((SECONDS < deadline)); do
        screen "$session" | grep -qF -- "$text" && return 0
        sleep 0.2
    done
    fail "$session" "no \"$text\" within $patience s"
}

keys() { t send-keys -t "$1" "${@:2}"; }

# After the program has ended: exit code, the terminal's mode, the normal
# screen back, the cursor shown, no frame left behind.
expect_handed_back() {
    local session=$1 code=$2
    expect "$session" "EXIT=$code"
    screen "$session" | grep -qF "MODE=restored" || fail "$session" "the terminal's mode was not restored"
    [[ $(t display-message -p -t "$session" '#{alternate_on} #{cursor_flag}') == "0 1" ]] ||
        fail "$session" "the alternate screen is still on or the cursor hidden"
    ! screen "$session" | grep -qF "LCD text" || fail "$session" "the frame was left on the screen"
}

# --- the journey --------------------------------------------------------------
start journey 120 50 "$@"
expect journey "1│ ->  NEW RECORD"
expect journey "LED1 ●  LED2 ○"
keys journey Right
expect journey "3│ ->  SHOW RECORD"
keys journey .
expect journey "5│ ->  REMOTE MODE"
keys journey Left ,
expect journey "1│ ->  NEW RECORD"

keys journey Enter
expect journey "0│RECORDING..."
expect journey "LED1 ●  LED2 ●"
keys journey a a w
expect journey "Tilt X     +10° left"
expect journey "Tilt Y     +5° back"
expect journey "scan"  # a sample stored on the way
# Too small a terminal pauses the board and drops the keys (an Enter here
# would stop the record); grown back, the record goes on.
t resize-window -t journey -x 80 -y 24
expect journey "The board is paused meanwhile."
keys journey Enter
t resize-window -t journey -x 120 -y 50
expect journey "Tilt X     +10° left"
keys journey d
expect journey "Tilt X     +5° left"
screen journey | grep -qF "0│RECORDING..." || fail journey "the record did not go on after the terminal grew back"
keys journey Enter
expect journey "1│ ->  NEW RECORD"
expect journey "LED1 ●  LED2 ○"
keys journey q
expect_handed_back journey 0

# --- Ctrl-C and SIGTERM end it too, the terminal put back ---------------------
start interrupted 120 50 "$@"
expect interrupted "1│ ->  NEW RECORD"
keys interrupted C-c
expect_handed_back interrupted 0

start terminated 120 50 "$@"
expect terminated "1│ ->  NEW RECORD"
shell=$(t display-message -p -t terminated '#{pane_pid}')
program=$(pgrep -P "$shell" | head -n 1)
[[ -n $program ]] || fail terminated "the program's process was not found"
kill -TERM "$program"
expect_handed_back terminated 143

# --- too small a terminal ---------------------------------------------------------
start small 60 20 "$@"
expect small "EXIT=2"
expect small "needs a terminal of at least 100 x 45 characters; this one is 60 x 20"
expect small "MODE=restored"

echo "interactive_tmux_test: passed"
