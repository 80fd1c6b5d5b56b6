"""Where a record comes from: a report file, standard input, a serial line or
a sector dump. Each returns the record or raises CompanionError."""

import sys
import time

from . import dump, report
from .errors import CompanionError

# The console's bytes are ASCII; anything else before the banner is line noise,
# and latin-1 reads every byte so it can be skipped or quoted.
ENCODING = "latin-1"

# How long one serial read waits: short, so the time-out is kept to this much.
_POLL = 0.05


def _read_bytes(path):
    try:
        with open(path, "rb") as stream:
            return stream.read()
    except OSError as error:
        raise CompanionError(path, f"cannot read: {error.strerror}") from None


def from_file(path):
    return report.parse_text(_read_bytes(path).decode(ENCODING), path)


def from_stdin(stream=None):
    stream = stream or sys.stdin.buffer
    try:
        data = stream.read()
    except OSError as error:
        raise CompanionError("<stdin>", f"cannot read: {error.strerror}") from None
    return report.parse_text(data.decode(ENCODING), "<stdin>")


def from_dump(path):
    return dump.decode(_read_bytes(path), path)


def from_serial(device, baud, timeout):
    """Reads a report live until its marker line, or until timeout seconds of
    silence once it has started (a report may end without a marker)."""
    import serial  # pyserial: only this source needs it

    try:
        port = serial.Serial(device, baudrate=baud, bytesize=serial.EIGHTBITS,
                             parity=serial.PARITY_NONE, stopbits=serial.STOPBITS_ONE,
                             timeout=_POLL)
    except (serial.SerialException, OSError, ValueError) as error:
        raise CompanionError(device, f"cannot open the serial device: {error}") from None
    with port:
        # Opening flushed what came before: from here on nothing is lost.
        print(f"{device}: waiting for the report ({baud} bit/s, 8N1)", file=sys.stderr, flush=True)
        return _read_report(port, device, timeout, serial.SerialException)


def _read_report(port, device, timeout, port_error):
    parser = report.ReportParser(device, "serial")
    pending = b""
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
            *lines, pending = (pending + chunk).split(b"\n")
            if lines:
                parser.feed([line.decode(ENCODING) for line in lines])
            if not parser.started and len(pending) > 1 << 16:
                pending = pending[-256:]  # a line this long before the banner is noise
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
