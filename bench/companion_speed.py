#!/usr/bin/python3
"""How fast tiltmon-report reads a full-sector report and writes its CSV.

A full sector holds 65,533 samples and the marker; the figure to keep is well
under a second. Printed, never asserted.
"""

import os
import subprocess
import sys
import tempfile
import time

COMPANION = os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "tools", "companion")
TOOL = os.path.join(COMPANION, "tiltmon-report")
sys.path.insert(0, COMPANION)

from tiltmon_companion import report, writers  # noqa: E402
from tiltmon_companion.record import SAMPLE_CAPACITY, check  # noqa: E402

RUNS = 5


def full_sector_report() -> str:
    lines = ["", "ZEB Tiltbox system v1.0\r", "",
             "[X] LEFT:       90 degree", "[X] RIGHT:      90 degree",
             "[Y] BACK:       90 degree", "[Y] FRONT:      90 degree"]
    lines += ["[X]:  %3d    [Y]:  %3d  degree" % (k % 181 - 90, 90 - k % 181)
              for k in range(SAMPLE_CAPACITY)]
    lines.append("[X]:  100    [Y]:  100  degree")
    return "\r" + "\n".join(lines) + "\n"


def main() -> None:
    text = full_sector_report()
    print(f"full-sector report: {len(text.splitlines())} lines, {len(text)} bytes, best of {RUNS}")
    best = {"parse": float("inf"), "check": float("inf"), "csv": float("inf")}
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "record.csv")
        for _ in range(RUNS):
            start = time.perf_counter()
            record = report.parse_text(text, "bench")
            parsed = time.perf_counter()
            check(record)
            checked = time.perf_counter()
            writers.commit([(out, writers.csv_bytes(record))])
            written = time.perf_counter()
            for name, seconds in (("parse", parsed - start), ("check", checked - parsed),
                                  ("csv", written - checked)):
                best[name] = min(best[name], seconds)
        if len(record.samples) != SAMPLE_CAPACITY:
            sys.exit(f"the bench report read as {len(record.samples)} samples")
        # The whole command as a user runs it, interpreter start-up included.
        source = os.path.join(folder, "report.txt")
        with open(source, "w", encoding="ascii") as stream:
            stream.write(text)
        start = time.perf_counter()
        subprocess.run([sys.executable, TOOL, source, "--csv", out, "--quiet"], check=True)
        command = time.perf_counter() - start
    for name, seconds in best.items():
        print(f"  {name:6} {seconds * 1000:7.1f} ms")
    total = sum(best.values())
    print(f"  total  {total * 1000:7.1f} ms  (aim: under 1000 ms)")
    print(f"  tiltmon-report report.txt --csv: {command * 1000:.1f} ms, one run")


if __name__ == "__main__":
    main()
