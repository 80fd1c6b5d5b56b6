#!/usr/bin/env bash
# The console line end to end, with no hand in between: the virtual board
# records and sends its report on a pseudo-terminal; the PC companion reads
# it from that device, and its CSV must be what the dumped result sector
# holds. Then picocom, under tmux, opens the same kind of device and must
# show the same report.
#   console_to_pc_test.sh TILTMON-SIM TILTMON-REPORT SCENARIO
set -euo pipefail
sim=$1 report=$2 scenario=$3
python=/usr/bin/python3
work=$(mktemp -d)
socket=tiltmon-e2e-$$
sim_pid=
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Bounds on events that come within a second on a quiet machine.
patience=300

# Starts the simulator on the scenario; sets sim_pid and device once it has
# named its pseudo-terminal.
start_sim() {
    "$sim" --scenario "$scenario" --out "$work" --pty --pty-wait "$patience" >"$work/sim-$1.out" 2>"$work/sim-$1.err" &
    sim_pid=$!
    device=
    local deadline=$((SECONDS + patience))
    while ((SECONDS < deadline)) && kill -0 "$sim_pid" 2>/dev/null; do
        device=$(sed -n 's/^console on \(\/dev\/[^ ]*\) .*/\1/p' "$work/sim-$1.out" 2>/dev/null || true)
        [ -n "$device" ] && return 0
        sleep 0.1
    done
    fail "the simulator named no pseudo-terminal: $(cat "$work/sim-$1.err")"
}

wait_sim() {
    local code=0
    wait "$sim_pid" || code=$?
    sim_pid=
    [ "$code" -eq 0 ] || fail "the simulator ended with $code: $(cat "$work/sim-$1.err")"
}

# --- the companion reads the report from the device --------------------------
start_sim companion
"$report" --serial "$device" --timeout "$patience" --csv "$work/report.csv" --json "$work/report.json" \
    || fail "the companion could not read the report from $device"
wait_sim companion
[ -s "$work/result-sector.bin" ] || fail "the scenario dumped no result sector"
"$report" --dump "$work/result-sector.bin" --csv "$work/dump.csv" --quiet || fail "the companion refused the dump"
cmp "$work/report.csv" "$work/dump.csv" || fail "the report's CSV differs from the dump's"

# And against the sector's bytes themselves, not through the companion.
"$python" - "$work/report.csv" "$work/result-sector.bin" <<'PY' || fail "the CSV is not the result sector"
import csv, sys
rows = list(csv.reader(open(sys.argv[1])))
sector = open(sys.argv[2], "rb").read()
signed = lambda b: b - 256 if b > 127 else b
assert rows[0] == ["second", "x", "y"], rows[0]
samples = rows[1:]
assert len(samples) >= 10, len(samples)
for k, (second, x, y) in enumerate(samples):
    assert int(second) == k
    assert (int(x), int(y)) == (signed(sector[4 + 2 * k]), signed(sector[5 + 2 * k])), (k, x, y)
n = len(samples)
assert sector[4 + 2 * n] == 100 and sector[5 + 2 * n] == 100, "no end marker after the samples"
assert set(sector[6 + 2 * n:]) == {0xFF}, "bytes after the end marker"
PY

# --- picocom shows the same report ---------------------------------------------
command -v picocom >/dev/null || fail "picocom is not installed (Debian package picocom)"
command -v tmux >/dev/null || fail "tmux is not installed (Debian package tmux)"
start_sim picocom
# The pane outlives picocom, which ends when the simulator hangs up.
tmux -L "$socket" -f /dev/null new-session -d -x 100 -y 200 \
    "picocom -b 115200 -q --imap lfcrlf $device 2>$work/picocom.err" \; set-option -g remain-on-exit on ||
    fail "tmux could not start picocom"
marker='[X]:  100    [Y]:  100  degree'
# The simulator ends once picocom has read every byte; picocom may still be
# drawing the last of them.
# picocom ends after the simulator in any case: ended while the simulator
# still runs, it failed.
while kill -0 "$sim_pid" 2>/dev/null; do
    if [[ $(tmux -L "$socket" display-message -p '#{pane_dead}' 2>/dev/null) != 0 ]] && kill -0 "$sim_pid" 2>/dev/null; then
        fail "picocom ended before the report: $(cat "$work/picocom.err")"
    fi
    sleep 0.1
done
wait_sim picocom
deadline=$((SECONDS + patience))
until grep -qF "$marker" "$work/picocom.txt" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "picocom never showed the report's end: $(cat "$work/picocom.txt")"
    sleep 0.1
    tmux -L "$socket" capture-pane -p -S - -E - >"$work/picocom.txt" 2>/dev/null || true
done
tmux -L "$socket" kill-server

"$python" - "$work/picocom.txt" "$work/report.json" <<'PY' || fail "picocom showed another report"
import json, sys
shown = [line.rstrip() for line in open(sys.argv[1])]
record = json.load(open(sys.argv[2]))
e = record["extremes"]
expected = ["ZEB Tiltbox system v1.0", "",
            "[X] LEFT:      %3d degree" % e["left"], "[X] RIGHT:     %3d degree" % e["right"],
            "[Y] BACK:      %3d degree" % e["back"], "[Y] FRONT:     %3d degree" % e["front"]]
expected += ["[X]:  %3d    [Y]:  %3d  degree" % (x, y) for x, y in record["samples"]]
expected.append("[X]:  100    [Y]:  100  degree")
start = shown.index("ZEB Tiltbox system v1.0")
got = shown[start:start + len(expected)]
assert got == expected, "\n".join(got)
PY
echo "console end to end: the companion's CSV is the result sector; picocom shows the same report"
