"""The short account of a record printed for the person at the desk."""

from collections.abc import Sequence

from .errors import PLACE_LIMIT, shown
from .record import Ending, ExtremesStatus, Kind, Record, SourceKind, Verdict, hms

_SOURCES = {SourceKind.REPORT: "report file", SourceKind.SERIAL: "serial line",
            SourceKind.DUMP: "result-sector dump"}


def _ending(record: Record) -> str:
    if record.ended_by == Ending.MARKER:
        return "end marker (a closed record)"
    if record.ended_by == Ending.ERASED:
        return "no record: the sector is erased"
    if record.ended_by == Ending.STOPPED_EARLY:
        return "no marker line: the report stopped early"
    if record.source_kind == SourceKind.DUMP:
        return "no marker: cut off by a power loss"
    return ("no marker line: the record was cut off by a power loss, "
            "or the report stopped early")


def _extremes(record: Record) -> str:
    if record.ended_by == Ending.ERASED:
        return "none: no record was made"
    if record.extremes_status == ExtremesStatus.NEVER_WRITTEN:
        return "never written (the header is erased)"
    return (f"LEFT {record.left}°  RIGHT {record.right}°  "
            f"BACK {record.back}°  FRONT {record.front}°")


def _verdict(record: Record) -> str:
    verdict = record.verdict
    if verdict == Verdict.CONSISTENT:
        return "consistent"
    if verdict == Verdict.NO_RECORD:
        return "FLAGGED: no record (the result sector is erased)"
    return f"FLAGGED: {verdict} (see the notes marked !)"


def summary(record: Record, written: Sequence[str] = ()) -> str:
    lines = [
        f"Record from {shown(record.source_name, PLACE_LIMIT)} ({_SOURCES[record.source_kind]})",
        f"  extremes:   {_extremes(record)}",
        f"  samples:    {len(record.samples)}",
        f"  recording:  {hms(record.recording_seconds)}",
        f"  ended by:   {_ending(record)}",
        f"  check:      {_verdict(record)}",
    ]
    lines.extend(f"    {'-' if note.kind == Kind.INFO else '!'} {note.text}"
                 for note in record.notes)
    lines.extend(f"  written:    {shown(path, PLACE_LIMIT)}" for path in written)
    return "\n".join(lines)
