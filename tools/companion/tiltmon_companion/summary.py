"""The short account of a record printed for the person at the desk."""

from .record import (CONSISTENT, EXTREMES_NEVER_WRITTEN, ERASED, MARKER, INFO, hms)

_SOURCES = {"report": "report file", "serial": "serial line", "dump": "result-sector dump"}


def _ending(record):
    if record.ended_by == MARKER:
        return "end marker (a closed record)"
    if record.ended_by == ERASED:
        return "no record: the sector is erased"
    if record.source_kind == "dump":
        return "no marker: cut off by a power loss"
    return ("no marker line: the record was cut off by a power loss, "
            "or the report stopped early")


def _verdict(record):
    if record.verdict == CONSISTENT:
        return "consistent"
    return f"FLAGGED: {record.verdict} (see the notes marked !)"


def summary(record, written=()):
    if record.extremes_status == EXTREMES_NEVER_WRITTEN:
        extremes = "never written (the header is erased)"
    else:
        extremes = (f"LEFT {record.left}°  RIGHT {record.right}°  "
                    f"BACK {record.back}°  FRONT {record.front}°")
    lines = [
        f"Record from {record.source_name} ({_SOURCES[record.source_kind]})",
        f"  extremes:   {extremes}",
        f"  samples:    {len(record.samples)}",
        f"  recording:  {hms(record.recording_seconds)}",
        f"  ended by:   {_ending(record)}",
        f"  check:      {_verdict(record)}",
    ]
    lines.extend(f"    {'-' if note.kind == INFO else '!'} {note.text}" for note in record.notes)
    lines.extend(f"  written:    {path}" for path in written)
    return "\n".join(lines)
