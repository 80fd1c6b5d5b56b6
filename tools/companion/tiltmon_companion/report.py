"""The remote report as the device prints it on its console line.

The parser takes whole lines as they come (from a file at once, from a serial
line in pieces) and builds the record; anything before the banner is other
console traffic and is skipped.
"""

import re

from .errors import CompanionError, shown
from .record import (END_MARKER, EXTREMES_NEVER_WRITTEN, ERASED, FOREIGN, INFO, MARKER,
                     MAX_SAMPLE, NO_MARKER, Record)

BANNER = "ZEB Tiltbox system v1.0"
SAMPLE_FORMAT = "[X]:  %3d    [Y]:  %3d  degree"
EXTREME_FORMATS = ("[X] LEFT:      %3d degree", "[X] RIGHT:     %3d degree",
                   "[Y] BACK:      %3d degree", "[Y] FRONT:     %3d degree")

# "%3d" of every signed byte, and of every magnitude of one, back to its value:
# one look-up both checks the field is the device's and reads it.
_SIGNED = {"%3d" % v: v for v in range(-128, 128)}
_MAGNITUDE = {"%3d" % v: v for v in range(0, 129)}
_SAMPLE = re.compile(r"\[X\]:  (.{3,4})    \[Y\]:  (.{3,4})  degree")

_BEFORE_BANNER, _AFTER_BANNER, _EXTREMES, _SAMPLES, _DONE = range(5)


class ReportParser:
    """Reads one report line by line; place names the input in messages."""

    def __init__(self, place, source_kind="report"):
        self.place = place
        self.source_kind = source_kind
        self.state = _BEFORE_BANNER
        self.lines_read = 0
        self.extremes = []
        self.samples = []
        self.first_sample_line = None
        self.marker = None
        self.marker_line = None
        self.trailing_lines = 0

    @property
    def started(self):
        return self.state != _BEFORE_BANNER

    @property
    def done(self):
        return self.state == _DONE

    @property
    def between_lines(self):
        """True where the report may end without a marker: after the extremes."""
        return self.state == _SAMPLES

    def feed(self, lines):
        """Reads complete lines (line feeds removed); True once the marker line was read."""
        i, n = 0, len(lines)
        while i < n:
            if self.state == _SAMPLES:
                i = self._samples(lines, i)
                continue
            line = lines[i]
            self.lines_read += 1
            i += 1
            if self.state == _DONE:
                if line.strip():
                    self.trailing_lines += 1
            elif self.state == _BEFORE_BANNER:
                # The banner's CR LF may end a line the console left open, so the
                # banner is always a line of its own.
                if line.rstrip("\r") == BANNER:
                    self.state = _AFTER_BANNER
            elif self.state == _AFTER_BANNER:
                if line.rstrip("\r"):
                    raise self._error(self.lines_read, "expected the empty line after the "
                                                       f'banner, got "{shown(line)}"')
                self.state = _EXTREMES
            else:
                self.extremes.append(self._extreme(line))
                if len(self.extremes) == len(EXTREME_FORMATS):
                    self.state = _SAMPLES
                    self.first_sample_line = self.lines_read + 1
        return self.done

    def _samples(self, lines, i):
        # The hot loop: a full sector is 65,534 of these lines.
        append = self.samples.append
        signed = _SIGNED
        first = self.lines_read + 1 - i
        for j in range(i, len(lines)):
            line = lines[j]
            if (len(line) == 30 and line[:6] == "[X]:  " and line[9:19] == "    [Y]:  "
                    and line[22:] == "  degree"):
                x = signed.get(line[6:9])
                y = signed.get(line[19:22])
                if x is None or y is None:
                    x, y = self._sample(line, first + j)
            else:
                x, y = self._sample(line, first + j)
            if x > MAX_SAMPLE or y > MAX_SAMPLE:
                self.marker = (x, y)
                self.marker_line = first + j
                self.lines_read = first + j
                self.state = _DONE
                return j + 1
            append((x, y))
        self.lines_read = first + len(lines) - 1
        return len(lines)

    def _sample(self, line, lineno):
        match = _SAMPLE.fullmatch(line.rstrip("\r"))
        if match:
            x = _SIGNED.get(match.group(1))
            y = _SIGNED.get(match.group(2))
            if x is not None and y is not None:
                return x, y
        raise self._error(lineno, f'expected a sample line "{SAMPLE_FORMAT}", got "{shown(line)}"')

    def _extreme(self, line):
        form = EXTREME_FORMATS[len(self.extremes)]
        prefix, suffix = form.split("%3d")
        text = line.rstrip("\r")
        table = _SIGNED if len(self.extremes) % 2 == 0 else _MAGNITUDE
        if text.startswith(prefix) and text.endswith(suffix):
            value = table.get(text[len(prefix):len(text) - len(suffix)])
            if value is not None:
                return value
        raise self._error(self.lines_read, f'expected "{form}", got "{shown(line)}"')

    def _error(self, lineno, message):
        return CompanionError(f"{self.place}:{lineno}", message)

    def finish(self, tail=""):
        """The input ended (end of file, or silence on a line); tail is what
        followed the last line feed. Returns the record or raises."""
        if tail and self.done:
            self.trailing_lines += bool(tail.strip())
        elif tail and self.started:
            try:
                self.feed([tail])
            except CompanionError:
                raise self._error(self.lines_read + 1,
                                  f'the report ends mid-line, without a line feed: "{shown(tail)}"'
                                  ) from None
        if self.state == _BEFORE_BANNER:
            raise CompanionError(self.place, f'no report: no "{BANNER}" line in '
                                             f'{self.lines_read} lines')
        if self.state == _AFTER_BANNER or (self.state == _EXTREMES and not self.extremes):
            raise self._error(self.lines_read,
                              "the report ends after the banner, before its extremes")
        if self.state == _EXTREMES:
            raise self._error(self.lines_read, f"the report ends after {len(self.extremes)} of "
                                               f"its {len(EXTREME_FORMATS)} extreme lines")
        return self._record()

    def _record(self):
        left, right, back, front = self.extremes
        if self.done:
            ended_by = MARKER
        else:
            ended_by = NO_MARKER if self.samples else ERASED
        record = Record(self.source_kind, self.place, left, -right, back, -front, self.samples,
                        ended_by, first_sample_line=self.first_sample_line)
        # A cut-off record's header is erased: the extremes load as -1 each.
        if ended_by == NO_MARKER and self.extremes == [-1, 1, -1, 1]:
            record.extremes_status = EXTREMES_NEVER_WRITTEN
        if self.trailing_lines:
            record.note(INFO, f"{self.trailing_lines} lines after the marker line "
                              f"(line {self.marker_line}) are not part of the report: skipped")
        if self.marker is not None and self.marker != (END_MARKER, END_MARKER):
            x, y = self.marker
            record.note(FOREIGN, f"line {self.marker_line}: the end marker reads X {x}, Y {y}; "
                                 f"the device writes {END_MARKER}, {END_MARKER}")
        return record


def parse_text(text, place, source_kind="report"):
    """The record in a whole report text (a file or standard input)."""
    lines = text.split("\n")
    parser = ReportParser(place, source_kind)
    parser.feed(lines[:-1])
    return parser.finish(lines[-1])
