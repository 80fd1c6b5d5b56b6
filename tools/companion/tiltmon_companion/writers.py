"""The record written out: CSV, JSON and a PNG plot.

Every output is made in memory first, then written to a temporary file beside
its destination and renamed into place only when all of them were written:
an error leaves no output behind and an existing file as it was.
"""

import io
import json
import os
import tempfile

from .errors import CompanionError
from .record import EXTREMES_READ, hms

CSV_HEADER = "second,x,y"


def csv_bytes(record):
    rows = [CSV_HEADER]
    rows.extend([f"{k},{x},{y}" for k, (x, y) in enumerate(record.samples)])
    rows.append("")
    return "\n".join(rows).encode("ascii")


def json_bytes(record):
    head = {
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


def plot_png(record):
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
    if record.extremes_status == EXTREMES_READ:
        for value, color, dash, name in (
                (record.x_max, "tab:blue", "--", f"X_Max (LEFT {record.left}°)"),
                (record.x_min, "tab:blue", ":", f"X_Min (RIGHT {record.right}°)"),
                (record.y_max, "tab:orange", "--", f"Y_Max (BACK {record.back}°)"),
                (record.y_min, "tab:orange", ":", f"Y_Min (FRONT {record.front}°)")):
            axes.axhline(value, color=color, linestyle=dash, linewidth=1.2, label=name)
    if not count:
        axes.text(0.5, 0.5, "no samples", transform=axes.transAxes, ha="center", fontsize=14)

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
                   f"ended by {record.ended_by.replace('_', ' ')}, {record.verdict}",
                   fontsize=11)
    axes.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=9)
    figure.tight_layout()
    out = io.BytesIO()
    figure.savefig(out, format="png")
    return out.getvalue()


def check_destination(path):
    """Refuses up front an output that cannot be made, before any input is read."""
    folder = os.path.dirname(path) or "."
    if os.path.isdir(path):
        raise CompanionError(path, "is a folder, not an output file")
    if not os.path.isdir(folder):
        raise CompanionError(path, f"no folder {folder} to write into")
    if not os.access(folder, os.W_OK):
        raise CompanionError(path, f"the folder {folder} is not writable")


def commit(outputs):
    """Writes every (path, bytes) pair: all of them, or none."""
    staged = []
    current = None
    try:
        for path, content in outputs:
            current = path
            staged.append((_stage(path, content), path))
        for temporary, path in staged:
            current = path
            os.replace(temporary, path)
    except OSError as error:
        for temporary, _ in staged:
            if os.path.exists(temporary):
                os.unlink(temporary)
        raise CompanionError(current, f"cannot write: {error.strerror}") from None


def _stage(path, content):
    folder = os.path.dirname(path) or "."
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=f".{os.path.basename(path)}.",
                                         suffix=".part")
    try:
        with os.fdopen(handle, "wb") as stream:
            stream.write(content)
            stream.flush()
            os.fsync(stream.fileno())
        # mkstemp makes it private; the output gets the mode any new file would.
        os.chmod(temporary, 0o666 & ~_umask())
    except OSError:
        os.unlink(temporary)
        raise
    return temporary


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask
