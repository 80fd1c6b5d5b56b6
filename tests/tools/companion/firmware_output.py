"""What the device sends and stores, made the way its firmware makes them."""

import os
import subprocess
import sys
from collections.abc import Iterable

ROOT = os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "..")
COMPANION = os.path.join(ROOT, "tools", "companion")
TOOL = os.path.join(COMPANION, "tiltmon-report")
sys.path.insert(0, COMPANION)

SECTOR_SIZE = 131072
MARKER = (100, 100)

Pair = tuple[int, int]


def report_text(extremes: tuple[int, int, int, int], samples: Iterable[Pair],
                marker: Pair | None = MARKER, before: str = "") -> str:
    """The remote report, byte for byte as the firmware's printf sends it."""
    x_max, x_min, y_max, y_min = extremes
    text = before + "\r\nZEB Tiltbox system v1.0\r\n\n"
    text += "[X] LEFT:      %3d degree\n" % x_max
    text += "[X] RIGHT:     %3d degree\n" % abs(x_min)
    text += "[Y] BACK:      %3d degree\n" % y_max
    text += "[Y] FRONT:     %3d degree\n" % abs(y_min)
    for x, y in list(samples) + ([marker] if marker else []):
        text += "[X]:  %3d    [Y]:  %3d  degree\n" % (x, y)
    return text


def sector(header: Iterable[int] | None, samples: Iterable[Pair], marker: Pair | None = MARKER,
           extra: Iterable[Pair] = ()) -> bytes:
    """A result sector: header (None: erased), samples, the marker; extra is
    (offset, byte) pairs written over the rest."""
    data = bytearray(b"\xff" * SECTOR_SIZE)
    if header is not None:
        data[0:4] = bytes(v & 0xFF for v in header)
    for k, pair in enumerate(list(samples) + ([marker] if marker else [])):
        data[4 + 2 * k:6 + 2 * k] = bytes(v & 0xFF for v in pair)
    for offset, byte in extra:
        data[offset] = byte
    return bytes(data)


def run(*args: str, stdin: str | None = None) -> "subprocess.CompletedProcess[str]":
    """tiltmon-report as its user runs it."""
    return subprocess.run([TOOL, *args], input=stdin, capture_output=True, text=True, timeout=60)
