"""Where a record comes from: a report file, standard input, a serial line or
a sector dump. Each returns the record or raises CompanionError."""

import sys
import time
from typing import BinaryIO, Protocol

from . import dump, report
from .errors import CompanionError
from .record import SECTOR_SIZE, Record, SourceKind

# The console's bytes are ASCII; anything else before the banner is line noise,
# and latin-1 reads every byte so it can be skipped or quoted.
ENCODING = "latin-1"

# A report of a whole sector is about 2 MiB; a capture may hold several and
# the console's traffic between them. Far more is not a capture of the line
# (a device file, a disk image), and is refused before it fills the memory.
CAPTURE_LIMIT = 32 << 20

# How long one serial read waits: short, so the time-out is kept to this much.
_POLL = 0.05
# Before the banner, a line this long is noise: only its end is kept.
_NOISE_LINE = 1 << 16


def _too_long(place: str) -> CompanionError:
    return CompanionError(place, f"more than {CAPTURE_LIMIT >> 20} MiB: far more than a capture "
                                 f"of the device's console (a whole sector's report is about "
                                 f"2 MiB); refused, nothing written")


def _read_bytes(stream: BinaryIO, place: str, limit: int) -> bytes:
    """At most limit + 1 bytes: one more tells the input is too long."""
    try:
        return stream.read(limit + 1)
    except OSError as error:
        raise CompanionError(place, f"cannot read: {error.strerror}") from None


def _open(path: str) -> BinaryIO:
    try:
        return open(path, "rb")
    except OSError as error:
        raise CompanionError(path, f"cannot read: {error.strerror}") from None


def _capture(data: bytes, place: str) -> Record:
    if len(data) > CAPTURE_LIMIT:
        raise _too_long(place)
    return report.parse_text(data.decode(ENCODING), place)


def from_file(path: str) -> Record:
    with _open(path) as stream:
        return _capture(_read_bytes(stream, path, CAPTURE_LIMIT), path)


def from_stdin(stream: BinaryIO | None = None) -> Record:
    if stream is None:
        if sys.stdin is None:
            raise CompanionError("<stdin>", "standard input is closed: give a file or a device")
        stream = sys.stdin.buffer
    return _capture(_read_bytes(stream, "<stdin>", CAPTURE_LIMIT), "<stdin>")


def from_dump(path: str) -> Record:
    with _open(path) as stream:
        return dump.decode(_read_bytes(stream, path, SECTOR_SIZE), path)


class Port(Protocol):
    """What the serial reader needs of pyserial's Serial."""

    @property
    def in_waiting(self) -> int: ...

    def read(self, size: int = 1) -> bytes: ...


def from_serial(device: str, baud: int, timeout: float) -> Record:
    """Reads a report live until its marker line, or until timeout seconds of
    silence once it has started (a report may end without a marker)."""
    import serial  # pyserial: only this source needs it

    try:
        port = serial.Serial(device, baudrate=baud, bytesize=serial.EIGHTBITS,
                             parity=serial.PARITY_NONE, stopbits=serial.STOPBITS_ONE,
                             timeout=_POLL)
    except (serial.SerialException, OSError, ValueError, OverflowError) as error:
        raise CompanionError(device, f"cannot open the serial device: {error}") from None
    with port:
        # Opening flushed what came before: from here on nothing is lost.
        print(f"{device}: waiting for the report ({baud} bit/s, 8N1)", file=sys.stderr, flush=True)
        return _read_report(port, device, timeout, serial.SerialException)


def _read_report(port: Port, device: str, timeout: float,
                 port_error: type[Exception]) -> Record:
    parser = report.ReportParser(device, SourceKind.SERIAL)
    pending = bytearray()  # what followed the last line feed
    total = 0
    opened = last_data = time.monotonic()
    while not parser.done:
        try:
            chunk = port.read(max(1, port.in_waiting))
        except (port_error, OSError) as error:
            where = "mid-report" if parser.started else "before any report came"
            raise CompanionError(device, f"the device hung up or failed {where} "
                                         f"({error}); nothing was written") from None
        now = time.monotonic()
        if chunk:
            last_data = now
            total += len(chunk)
            if total > CAPTURE_LIMIT:
                raise _too_long(device)
            pending += chunk
            if b"\n" in chunk:
                *lines, rest = pending.split(b"\n")
                pending = bytearray(rest)
                parser.feed([line.decode(ENCODING) for line in lines])
            if not parser.started and len(pending) > _NOISE_LINE:
                del pending[:-256]
        if not parser.started:
            # Console traffic does not hold the wait open: the banner is due in time.
            if now - opened >= timeout:
                raise CompanionError(device, f"no report within {timeout:g} s")
        elif not chunk and now - last_data >= timeout:
            # Silence once the report has started ends it; mid-line or
            # mid-extremes that is a report cut short, and finish says so.
            try:
                return parser.finish(pending.decode(ENCODING))
            except CompanionError as error:
                raise CompanionError(error.place, f"{error.message} (the device went silent "
                                                  f"for {timeout:g} s)") from None
    return parser.finish()
