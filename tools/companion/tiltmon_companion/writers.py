"""The record written out: CSV, JSON and a PNG plot.

Every output is made in memory first, then written to a temporary file beside
its destination and renamed into place only when all of them were written. A
file it replaces is kept aside until every rename has succeeded, so a failed
rename or a signal puts the old files back: the outputs appear all or none.
"""

import io
import json
import os
import secrets
import stat
import tempfile
from collections.abc import Sequence
from contextlib import suppress
from dataclasses import dataclass

from . import interrupts
from .errors import CompanionError
from .record import ExtremesStatus, Record, Verdict, hms

CSV_HEADER = "second,x,y"


def csv_bytes(record: Record) -> bytes:
    rows = [CSV_HEADER]
    rows.extend([f"{k},{x},{y}" for k, (x, y) in enumerate(record.samples)])
    rows.append("")
    return "\n".join(rows).encode("ascii")


def json_bytes(record: Record) -> bytes:
    head: dict[str, object] = {
        "source": {"kind": record.source_kind, "name": record.source_name},
        "extremes": {
            "left": record.left, "right": record.right,
            "back": record.back, "front": record.front,
            "x_max": record.x_max, "x_min": record.x_min,
            "y_max": record.y_max, "y_min": record.y_min,
            "status": record.extremes_status,
        },
        "count": len(record.samples),
        "recording_seconds": record.recording_seconds,
        "ended_by": record.ended_by,
        "verdict": record.verdict,
        "notes": [{"kind": note.kind, "text": note.text} for note in record.notes],
    }
    # One pair a line: a full sector stays readable and small.
    text = json.dumps(head, indent=2)
    pairs = ",\n".join([f"    [{x}, {y}]" for x, y in record.samples])
    samples = f'"samples": [\n{pairs}\n  ]' if pairs else '"samples": []'
    return f"{text[:-2]},\n  {samples}\n}}\n".encode("ascii")


def plot_png(record: Record) -> bytes:
    import matplotlib
    matplotlib.use("Agg")  # no display: a file only
    from matplotlib.figure import Figure
    from matplotlib.backends.backend_agg import FigureCanvasAgg

    count = len(record.samples)
    scale, unit = (3600, "h") if count > 3 * 3600 else (60, "min") if count > 300 else (1, "s")
    times = [k / scale for k in range(count)]

    figure = Figure(figsize=(11, 5.5), dpi=100)
    FigureCanvasAgg(figure)
    axes = figure.add_subplot()
    style = {"marker": "." if count <= 300 else None, "linewidth": 1.0}
    axes.plot(times, [x for x, _ in record.samples], color="tab:blue", label="X", **style)
    axes.plot(times, [y for _, y in record.samples], color="tab:orange", label="Y", **style)
    if record.extremes_status == ExtremesStatus.READ:
        for value, color, dash, name in (
                (record.x_max, "tab:blue", "--", f"X_Max (LEFT {record.left}°)"),
                (record.x_min, "tab:blue", ":", f"X_Min (RIGHT {record.right}°)"),
                (record.y_max, "tab:orange", "--", f"Y_Max (BACK {record.back}°)"),
                (record.y_min, "tab:orange", ":", f"Y_Min (FRONT {record.front}°)")):
            axes.axhline(value, color=color, linestyle=dash, linewidth=1.2, label=name)
    if not count:
        empty = "no record: the sector is erased" if record.verdict == Verdict.NO_RECORD \
            else "no samples"
        axes.text(0.5, 0.5, empty, transform=axes.transAxes, ha="center", fontsize=14)

    values = [v for pair in record.samples for v in pair] + [record.x_min, record.y_min,
                                                             record.x_max, record.y_max]
    axes.set_ylim(min(-95, min(values) - 5), max(95, max(values) + 5))
    axes.set_yticks(range(-90, 91, 30))
    axes.set_xlim(0, max(times[-1], 1 / scale) if times else 1)
    axes.grid(True, alpha=0.3)
    axes.set_xlabel(f"recording time ({unit})")
    axes.set_ylabel("tilt (degree)")
    axes.set_title(f"Tilt record from {os.path.basename(record.source_name)}\n"
                   f"{count} samples, {hms(record.recording_seconds)}, "
                   f"ended by {record.ended_by.replace('_', ' ')}, "
                   f"{record.verdict.replace('_', ' ')}",
                   fontsize=11)
    axes.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=9)
    figure.tight_layout()
    out = io.BytesIO()
    figure.savefig(out, format="png")
    return out.getvalue()


def check_destination(path: str) -> None:
    """Refuses up front an output that cannot be made, before any input is read."""
    folder = os.path.dirname(path) or "."
    if os.path.isdir(path):
        raise CompanionError(path, "is a folder, not an output file")
    if os.path.exists(path) and not stat.S_ISREG(os.stat(path).st_mode):
        # It would be replaced by a file, not written into: a device stays a device.
        raise CompanionError(path, "is not a regular file (a device or a pipe); "
                                   "name a file to write")
    if not os.path.isdir(folder):
        raise CompanionError(path, f"no folder {folder} to write into")
    if not os.access(folder, os.W_OK):
        raise CompanionError(path, f"the folder {folder} is not writable")


@dataclass
class _Output:
    path: str
    temporary: str
    backup: str | None = None  # the file it replaces, kept aside until all are in place
    installed: bool = False


def commit(outputs: Sequence[tuple[str, bytes]]) -> None:
    """Writes every (path, bytes) pair: all of them, or none. On a signal
    (interrupts.Interrupted) nothing is written either."""
    staged: list[_Output] = []
    current = None
    committed = False
    try:
        for path, content in outputs:
            current = path
            with interrupts.held():  # no temporary file without its name kept
                handle, temporary = tempfile.mkstemp(
                    dir=os.path.dirname(path) or ".", prefix=f".{os.path.basename(path)}.",
                    suffix=".part")
                staged.append(_Output(path, temporary))
            _write(handle, temporary, content)
        # The renames are one step: a signal waits until they are done or undone.
        with interrupts.held():
            try:
                for output in staged:
                    current = output.path
                    _install(output)
            except OSError:
                _roll_back(staged)
                raise
            if interrupts.pending():
                _roll_back(staged)
            else:
                committed = True
    except OSError as error:
        raise CompanionError(current or "", f"cannot write: {error.strerror}") from None
    finally:
        with interrupts.held():
            for output in staged:
                if not output.installed:
                    _remove(output.temporary)
                if committed and output.backup is not None:
                    _remove(output.backup)


def _write(handle: int, temporary: str, content: bytes) -> None:
    with os.fdopen(handle, "wb") as stream:
        stream.write(content)
        stream.flush()
        os.fsync(stream.fileno())
    # mkstemp makes it private; the output gets the mode any new file would.
    os.chmod(temporary, 0o666 & ~_umask())


def _install(output: _Output) -> None:
    if os.path.lexists(output.path):
        output.backup = _keep_aside(output.path)
    os.replace(output.temporary, output.path)
    output.installed = True


def _keep_aside(path: str) -> str:
    """A hard link to the file path names, under a hidden name beside it; on a
    file system without hard links (a FAT stick) the file itself moves there."""
    folder, name = os.path.split(path)
    while True:
        backup = os.path.join(folder, f".{name}.{secrets.token_hex(4)}.old")
        try:
            os.link(path, backup, follow_symlinks=False)
        except FileExistsError:
            continue
        except OSError:
            os.replace(path, backup)
        return backup


def _roll_back(staged: list[_Output]) -> None:
    """Puts back what the installed outputs replaced; a file that cannot be
    put back keeps its copy aside rather than lose it."""
    for output in reversed(staged):
        if not output.installed:
            continue
        with suppress(OSError):
            if output.backup is not None:
                os.replace(output.backup, output.path)
            else:
                os.unlink(output.path)
            output.installed = False


def _remove(path: str) -> None:
    with suppress(FileNotFoundError):
        os.unlink(path)


def _umask() -> int:
    mask = os.umask(0)
    os.umask(mask)
    return mask
