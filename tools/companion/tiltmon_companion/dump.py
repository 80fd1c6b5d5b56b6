"""A raw dump of the result sector, read by the device's own rules.

The samples end at the first pair with a byte above 90 (the marker); without
one they end after the last pair holding a programmed byte. An erased byte
reads -1 and does not end them. Whatever the device would not have left there
is flagged with its offset.
"""

import re
from array import array

from .errors import CompanionError
from .record import (END_MARKER, ERASED_BYTE, HEADER_SIZE, MAX_SAMPLE, SECTOR_BASE, SECTOR_SIZE,
                     Ending, ExtremesStatus, Kind, Record, SourceKind)

_ERASED_HEADER = bytes([ERASED_BYTE]) * HEADER_SIZE
# Signed 91..127: bytes from 128 up read negative and do not end the samples.
_ABOVE_MAX = re.compile(b"[" + re.escape(bytes([MAX_SAMPLE + 1])) + rb"-\x7f]")


def decode(data: bytes, place: str) -> Record:
    """The record in a sector's bytes; place names the dump in messages."""
    if len(data) != SECTOR_SIZE:
        last = SECTOR_BASE + SECTOR_SIZE - 1
        size = len(data) if len(data) <= SECTOR_SIZE else f"more than {SECTOR_SIZE}"
        raise CompanionError(place, f"{size} bytes, a result-sector dump has {SECTOR_SIZE} "
                                    f"(flash {SECTOR_BASE:#010x}..{last:#010x})")
    signed = array("b", data)
    x_max, x_min, y_max, y_min = signed[:HEADER_SIZE]
    header_erased = data[:HEADER_SIZE] == _ERASED_HEADER

    count = _marker_pair(data)
    if count is not None:
        ended_by = Ending.MARKER
        end = HEADER_SIZE + 2 * count + 2
    else:
        # Without a marker, the record is what was programmed; the erased tail is not.
        programmed = len(data[HEADER_SIZE:].rstrip(bytes([ERASED_BYTE])))
        count = (programmed + 1) // 2
        ended_by = Ending.NO_MARKER if programmed or not header_erased else Ending.ERASED
        end = SECTOR_SIZE

    area = signed[HEADER_SIZE:HEADER_SIZE + 2 * count]
    record = Record(SourceKind.DUMP, place, x_max, x_min, y_max, y_min,
                    list(zip(area[0::2], area[1::2])), ended_by)
    if header_erased and ended_by != Ending.MARKER:
        record.extremes_status = ExtremesStatus.NEVER_WRITTEN

    if ended_by == Ending.MARKER:
        _check_marker(record, data, count)
        _check_after_marker(record, data, end)
    elif ended_by == Ending.NO_MARKER and not header_erased:
        record.note(Kind.FOREIGN, "offset 0x00000: the header holds extremes but no end marker "
                                  "follows; the device writes both when it closes a record, so "
                                  "this is a power loss between the two or not its sector")
    return record


def _marker_pair(data: bytes) -> int | None:
    """The pair that holds the first byte above 90, or None: the device's end test."""
    found = _ABOVE_MAX.search(data, HEADER_SIZE)
    return None if found is None else (found.start() - HEADER_SIZE) // 2


def _check_marker(record: Record, data: bytes, count: int) -> None:
    offset = HEADER_SIZE + 2 * count
    marker = (data[offset], data[offset + 1])
    if marker != (END_MARKER, END_MARKER):
        record.note(Kind.FOREIGN, f"offset {offset:#07x}: the end marker reads {marker[0]}, "
                                  f"{marker[1]}; the device writes {END_MARKER}, {END_MARKER}")


def _check_after_marker(record: Record, data: bytes, end: int) -> None:
    rest = data[end:]
    programmed = len(rest) - rest.count(ERASED_BYTE)
    if programmed:
        first = end + next(i for i, byte in enumerate(rest) if byte != ERASED_BYTE)
        record.note(Kind.FOREIGN, f"offset {first:#07x}: {programmed} programmed "
                                  f"byte{'s' if programmed != 1 else ''} after the end marker, "
                                  f"where the device leaves the sector erased")
