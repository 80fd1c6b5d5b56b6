"""The remote report as the device prints it on its console line.

A capture of the line (a saved log, standard input, the live line) holds other
console traffic too, and may hold several reports, some cut short. The reader
takes whole lines as they come (from a file at once, from a serial line in
pieces), skips the traffic and reads the last whole report; the record tells
which reports it skipped and why.
"""

import re
from dataclasses import dataclass
from enum import IntEnum

from .errors import CompanionError, shown
from .record import (END_MARKER, ERASED_EXTREMES, LISTED_OFFENDERS, MAX_SAMPLE,
                     UNLOADED_EXTREMES, Ending, ExtremesStatus, Kind, Record, Sample, SourceKind)

BANNER = "ZEB Tiltbox system v1.0"
SAMPLE_FORMAT = "[X]:  %3d    [Y]:  %3d  degree"
EXTREME_FORMATS = ("[X] LEFT:      %3d degree", "[X] RIGHT:     %3d degree",
                   "[Y] BACK:      %3d degree", "[Y] FRONT:     %3d degree")

# "%3d" of every signed byte, and of every magnitude of one, back to its value:
# one look-up both checks the field is the device's and reads it.
_SIGNED = {"%3d" % v: v for v in range(-128, 128)}
_MAGNITUDE = {"%3d" % v: v for v in range(0, 129)}
_SAMPLE = re.compile(r"\[X\]:  (.{3,4})    \[Y\]:  (.{3,4})  degree")
# What a terminal program's log adds at a line's end; the device sends none of it.
_TRAILING_BLANKS = " \t\r"


class _Stage(IntEnum):
    AFTER_BANNER = 0
    EXTREMES = 1
    SAMPLES = 2
    DONE = 3  # the marker line was read
    ENDED = 4  # without a marker line, at an empty line: the device sends none within a report


@dataclass
class _Flaw:
    line: int
    message: str
    got: str = ""  # the line that does not parse, shown safely


class _Report:
    """One report, from its banner on."""

    def __init__(self, banner_line: int) -> None:
        self.banner_line = banner_line
        self.last_line = banner_line  # the last line read as part of it
        self.stage = _Stage.AFTER_BANNER
        self.extremes: list[int] = []
        self.samples: list[Sample] = []
        self.first_sample_line: int | None = None
        self.marker: Sample | None = None
        # The first line that does not parse: whether it garbles the report or
        # ends it depends on the line after it.
        self.pending: _Flaw | None = None
        self.broken: _Flaw | None = None
        self.trailing_lines = 0

    @property
    def record_extremes(self) -> tuple[int, ...]:
        left, right, back, front = self.extremes
        return left, -right, back, -front

    def flaw(self) -> _Flaw | None:
        """Why the report, as read so far, cannot be read: None if it can."""
        if self.broken is not None:
            return self.broken
        if self.pending is not None:
            return self.pending
        if self.stage == _Stage.AFTER_BANNER or (self.stage == _Stage.EXTREMES
                                                 and not self.extremes):
            return _Flaw(self.last_line, "the report ends after the banner, before its extremes")
        if self.stage == _Stage.EXTREMES:
            return _Flaw(self.last_line, f"the report ends after {len(self.extremes)} of its "
                                         f"{len(EXTREME_FORMATS)} extreme lines")
        return None

    @property
    def whole(self) -> bool:
        """Ended by its marker line, or a cut-off record's report, which has none."""
        if self.flaw() is not None:
            return False
        return self.stage == _Stage.DONE or self.record_extremes in (ERASED_EXTREMES,
                                                                     UNLOADED_EXTREMES)

    def why_skipped(self) -> str:
        flaw = self.flaw()
        if flaw is not None:
            return f"line {flaw.line}: {flaw.message}"
        if not self.whole:
            return f"it stopped early at line {self.last_line}, without a marker line"
        return "a later whole report follows"


class ReportParser:
    """Reads a capture line by line; place names the input in messages."""

    def __init__(self, place: str, source_kind: SourceKind = SourceKind.REPORT) -> None:
        self.place = place
        self.source_kind = source_kind
        self.lines_read = 0
        self.current: _Report | None = None
        self.last_whole: _Report | None = None
        self.skipped: list[_Report] = []

    @property
    def started(self) -> bool:
        return self.current is not None

    @property
    def done(self) -> bool:
        """A whole report has ended: a live reader need not wait for more."""
        report = self.current
        return report is not None and (report.stage == _Stage.DONE
                                       or report.stage == _Stage.ENDED and report.whole)

    def feed(self, lines: list[str]) -> None:
        """Reads complete lines, their line feeds removed."""
        i, n = 0, len(lines)
        while i < n:
            report = self.current
            if (report is not None and report.stage == _Stage.SAMPLES
                    and report.pending is None and report.broken is None):
                i = self._samples(report, lines, i)
                if i == n:
                    break
            self.lines_read += 1
            self._line(lines[i].rstrip(_TRAILING_BLANKS), self.lines_read)
            i += 1

    def _samples(self, report: _Report, lines: list[str], i: int) -> int:
        """The hot loop: a full sector is 65,534 of these lines. Reads the
        device's own sample lines from i on; returns where it stopped."""
        append = report.samples.append
        signed = _SIGNED
        for j in range(i, len(lines)):
            line = lines[j]
            if not (len(line) == 30 and line[:6] == "[X]:  " and line[9:19] == "    [Y]:  "
                    and line[22:] == "  degree"):
                break
            x = signed.get(line[6:9])
            y = signed.get(line[19:22])
            if x is None or y is None:
                break
            if x > MAX_SAMPLE or y > MAX_SAMPLE:
                report.marker = (x, y)
                report.stage = _Stage.DONE
                j += 1
                break
            append((x, y))
        else:
            j = len(lines)
        if j > i:
            self.lines_read += j - i
            report.last_line = self.lines_read
        return j

    def _line(self, text: str, lineno: int) -> None:
        if text == BANNER:
            # Wherever it comes, the banner begins a report: the console may
            # have left a line open, or a report may have been cut short.
            self._end_current()
            self.current = _Report(lineno)
            return
        report = self.current
        if report is None or report.broken is not None:
            return  # console traffic, or the rest of a garbled report
        if report.stage >= _Stage.DONE:
            report.trailing_lines += bool(text)
            return
        if report.pending is not None:
            report.broken = report.pending
            return
        if not text and report.stage != _Stage.AFTER_BANNER:
            # The device sends no empty line within a report: it ended before this one.
            if report.stage == _Stage.EXTREMES:
                report.broken = report.flaw()
            else:
                report.stage = _Stage.ENDED
            return
        flaw = self._read(report, text, lineno)
        if flaw is None:
            report.last_line = lineno
        else:
            report.pending = flaw

    def _read(self, report: _Report, text: str, lineno: int) -> _Flaw | None:
        """Reads one line of the report; the flaw if it is not what comes there."""
        if report.stage == _Stage.AFTER_BANNER:
            if text:
                return _Flaw(lineno, f'expected the empty line after the banner, '
                                     f'got "{shown(text)}"', shown(text))
            report.stage = _Stage.EXTREMES
            return None
        if report.stage == _Stage.EXTREMES:
            form = EXTREME_FORMATS[len(report.extremes)]
            value = _extreme(text, form, signed=len(report.extremes) % 2 == 0)
            if value is None:
                return _Flaw(lineno, f'expected "{form}", got "{shown(text)}"', shown(text))
            report.extremes.append(value)
            if len(report.extremes) == len(EXTREME_FORMATS):
                report.stage = _Stage.SAMPLES
                report.first_sample_line = lineno + 1
            return None
        match = _SAMPLE.fullmatch(text)
        x = y = None
        if match:
            x, y = _SIGNED.get(match.group(1)), _SIGNED.get(match.group(2))
        if x is None or y is None:
            return _Flaw(lineno, f'expected a sample line "{SAMPLE_FORMAT}", got "{shown(text)}"',
                         shown(text))
        if x > MAX_SAMPLE or y > MAX_SAMPLE:
            report.marker = (x, y)
            report.stage = _Stage.DONE
        else:
            report.samples.append((x, y))
        return None

    def _end_current(self) -> None:
        """The current report ended where the next one begins."""
        report = self.current
        if report is None:
            return
        pending = report.pending
        if pending is not None and report.broken is None:
            report.broken = _Flaw(pending.line, f'cut off mid-line: "{pending.got}" is followed '
                                                f"by the next report's banner")
        if report.whole:
            if self.last_whole is not None:
                self.skipped.append(self.last_whole)
            self.last_whole = report
        else:
            self.skipped.append(report)
        self.current = None

    def finish(self, tail: str = "") -> Record:
        """The input ended (end of file, or silence on a line); tail is what
        followed the last line feed. Returns the record or raises."""
        if tail:
            self._tail(tail)
        report, whole = self.current, self.last_whole
        if report is None:
            raise CompanionError(self.place, f'no report: no "{BANNER}" line in '
                                             f'{self.lines_read} lines')
        if report.whole or whole is None:
            if report.flaw() is not None:
                raise self._unreadable(report)
            if whole is not None:
                self.skipped.append(whole)
            return self._record(report)
        self.skipped.append(report)
        return self._record(whole)

    def _tail(self, tail: str) -> None:
        self.lines_read += 1
        text = tail.rstrip(_TRAILING_BLANKS)
        report = self.current
        if (report is None or text in ("", BANNER) or report.stage >= _Stage.DONE
                or report.broken is not None or report.pending is not None):
            self._line(text, self.lines_read)
        elif self._read(report, text, self.lines_read) is None:
            report.last_line = self.lines_read
        else:
            report.broken = _Flaw(self.lines_read, f"the report ends mid-line, without a line "
                                                   f'feed: "{shown(tail)}"')

    def _unreadable(self, report: _Report) -> CompanionError:
        flaw = report.flaw()
        assert flaw is not None
        others = " (and no report before it in the capture is whole)" if self.skipped else ""
        return CompanionError(f"{self.place}:{flaw.line}", flaw.message + others)

    def _record(self, report: _Report) -> Record:
        extremes = report.record_extremes
        if report.stage == _Stage.DONE:
            ended_by = Ending.MARKER
        elif not report.whole:
            ended_by = Ending.STOPPED_EARLY
        else:
            ended_by = Ending.NO_MARKER if report.samples else Ending.ERASED
        x_max, x_min, y_max, y_min = extremes
        record = Record(self.source_kind, self.place, x_max, x_min, y_max, y_min, report.samples,
                        ended_by, first_sample_line=report.first_sample_line)
        if ended_by != Ending.MARKER and extremes == ERASED_EXTREMES:
            record.extremes_status = ExtremesStatus.NEVER_WRITTEN
        elif ended_by == Ending.ERASED and extremes == UNLOADED_EXTREMES:
            record.extremes_status = ExtremesStatus.ALL_ZERO
        self._note_others(record, report)
        if report.marker is not None and report.marker != (END_MARKER, END_MARKER):
            x, y = report.marker
            record.note(Kind.FOREIGN, f"line {report.last_line}: the end marker reads X {x}, "
                                      f"Y {y}; the device writes {END_MARKER}, {END_MARKER}")
        return record

    def _note_others(self, record: Record, report: _Report) -> None:
        if report.trailing_lines:
            end = "marker line" if report.stage == _Stage.DONE else "last line"
            record.note(Kind.INFO, f"{report.trailing_lines} lines after its {end} "
                                   f"(line {report.last_line}) are not part of the report: "
                                   f"skipped")
        if not self.skipped:
            return
        which = "the last whole one" if report.whole else "the last, as none is whole"
        record.note(Kind.INFO, f"the capture holds {len(self.skipped) + 1} reports: read "
                               f"{which}, from line {report.banner_line}")
        skipped = sorted(self.skipped, key=lambda other: other.banner_line)
        for other in skipped[:LISTED_OFFENDERS]:
            record.note(Kind.INFO, f"skipped the report from line {other.banner_line}: "
                                   f"{other.why_skipped()}")
        if len(skipped) > LISTED_OFFENDERS:
            record.note(Kind.INFO, f"skipped {len(skipped) - LISTED_OFFENDERS} more reports")


def _extreme(text: str, form: str, signed: bool) -> int | None:
    prefix, suffix = form.split("%3d")
    if not (text.startswith(prefix) and text.endswith(suffix)):
        return None
    return (_SIGNED if signed else _MAGNITUDE).get(text[len(prefix):len(text) - len(suffix)])


def parse_text(text: str, place: str, source_kind: SourceKind = SourceKind.REPORT) -> Record:
    """The record in a whole capture (a file or standard input)."""
    lines = text.split("\n")
    parser = ReportParser(place, source_kind)
    parser.feed(lines[:-1])
    return parser.finish(lines[-1])
