"""The record as the device keeps it, and the check of its consistency."""

from dataclasses import dataclass, field
from enum import StrEnum
from itertools import chain

# The result sector, as the firmware lays it out.
SECTOR_SIZE = 0x20000
SECTOR_BASE = 0x08020000
HEADER_SIZE = 4  # X_Max, X_Min, Y_Max, Y_Min
SAMPLE_PAIRS = (SECTOR_SIZE - HEADER_SIZE) // 2  # 65534, the marker's pair included
SAMPLE_CAPACITY = SAMPLE_PAIRS - 1  # the last pair stays free for the marker
END_MARKER = 100
MAX_SAMPLE = 90  # a byte above this ends the samples
MIN_SAMPLE = -MAX_SAMPLE
ERASED_BYTE = 0xFF  # reads -1 as a signed byte

# The extremes of a report whose header was never written: the device loads
# -1 from the erased header, or has loaded nothing yet (0) after power-up.
ERASED_EXTREMES = (-1, -1, -1, -1)
UNLOADED_EXTREMES = (0, 0, 0, 0)

# Enough offenders to find them, not so many they bury the summary.
LISTED_OFFENDERS = 5

Sample = tuple[int, int]


class SourceKind(StrEnum):
    REPORT = "report"  # a saved report: a file or standard input
    SERIAL = "serial"
    DUMP = "dump"


class Ending(StrEnum):
    """How the record's samples end."""
    MARKER = "marker"
    NO_MARKER = "no_marker"  # a record cut off by a loss of power
    STOPPED_EARLY = "stopped_early"  # a report whose capture ended before its marker line
    ERASED = "erased"


class ExtremesStatus(StrEnum):
    """How far the extremes can be trusted."""
    READ = "read"
    NEVER_WRITTEN = "never_written"  # the header is still erased
    ALL_ZERO = "all_zero"  # a report sent before the record screen loaded them


class Kind(StrEnum):
    """Kinds of note: all but INFO flag the record."""
    FOREIGN = "foreign"
    INCONSISTENT = "inconsistent"
    INCOMPLETE = "incomplete"
    INFO = "info"


class Verdict(StrEnum):
    CONSISTENT = "consistent"
    NO_RECORD = "no_record"
    INCOMPLETE = "incomplete"
    INCONSISTENT = "inconsistent"
    FOREIGN = "foreign"


# The worst kind of note decides; the order is the worst first.
_VERDICT_OF_KIND = ((Kind.FOREIGN, Verdict.FOREIGN), (Kind.INCONSISTENT, Verdict.INCONSISTENT),
                    (Kind.INCOMPLETE, Verdict.INCOMPLETE))


@dataclass
class Note:
    kind: Kind
    text: str


@dataclass
class Record:
    """One record: its extremes (signed, as stored) and its samples, one a second."""

    source_kind: SourceKind
    source_name: str
    x_max: int
    x_min: int
    y_max: int
    y_min: int
    samples: list[Sample]  # sample k recorded at second k
    ended_by: Ending
    extremes_status: ExtremesStatus = ExtremesStatus.READ
    # A report's samples are on consecutive lines from this one.
    first_sample_line: int | None = None
    notes: list[Note] = field(default_factory=list)

    # The extremes as the report prints them: right and front as magnitudes.
    @property
    def left(self) -> int:
        return self.x_max

    @property
    def right(self) -> int:
        return abs(self.x_min)

    @property
    def back(self) -> int:
        return self.y_max

    @property
    def front(self) -> int:
        return abs(self.y_min)

    @property
    def extremes(self) -> tuple[int, int, int, int]:
        return self.x_max, self.x_min, self.y_max, self.y_min

    @property
    def recording_seconds(self) -> int:
        return len(self.samples)

    @property
    def from_report(self) -> bool:
        return self.source_kind != SourceKind.DUMP

    def note(self, kind: Kind, text: str) -> None:
        self.notes.append(Note(kind, text))

    @property
    def verdict(self) -> Verdict:
        kinds = {note.kind for note in self.notes}
        for kind, verdict in _VERDICT_OF_KIND:
            if kind in kinds:
                return verdict
        return Verdict.NO_RECORD if self.ended_by == Ending.ERASED else Verdict.CONSISTENT

    def sample_place(self, k: int, axis: int = 0) -> str:
        """Where sample k was read, for a message: its second and line or offset."""
        if self.first_sample_line is not None:
            return f"second {k} (line {self.first_sample_line + k})"
        return f"second {k} (offset {HEADER_SIZE + 2 * k + axis:#07x})"


def hms(seconds: int) -> str:
    hours, rest = divmod(seconds, 3600)
    return f"{hours}:{rest // 60:02d}:{rest % 60:02d}"


def check(record: Record) -> None:
    """Adds the record's consistency notes; the verdict follows from them."""
    if record.ended_by == Ending.ERASED:
        record.note(Kind.INFO, "no record: the result sector is erased, nothing to check")
        return
    if record.ended_by == Ending.STOPPED_EARLY:
        record.note(Kind.INCOMPLETE, "the report stopped early: it has no marker line, yet its "
                                     "extremes are a closed record's, whose report always ends "
                                     "with one; the samples after the last line read are "
                                     "missing")
    _check_capacity(record)
    _check_sample_range(record)
    if record.extremes_status == ExtremesStatus.NEVER_WRITTEN:
        record.note(Kind.INFO, "the extremes were never written (the header still reads -1, "
                               "erased: the record was cut off before it was closed); "
                               "the samples are not checked against them")
        return
    if record.from_report and record.samples and record.extremes == UNLOADED_EXTREMES:
        record.extremes_status = ExtremesStatus.ALL_ZERO
        record.note(Kind.INFO, "the extremes read 0: the report was sent after power-up before "
                               "the record screen was opened, so they were not loaded; "
                               "the samples are not checked against them")
        return
    if _check_extremes(record):
        _check_samples_within_extremes(record)


def _check_capacity(record: Record) -> None:
    if len(record.samples) > SAMPLE_CAPACITY:
        verb = "sent" if record.from_report else "stored"
        record.note(Kind.FOREIGN, f"{len(record.samples):,} samples: the result sector holds at "
                                  f"most {SAMPLE_CAPACITY:,} ({hms(SAMPLE_CAPACITY)}), so the "
                                  f"device cannot have {verb} them")


def _check_sample_range(record: Record) -> None:
    # Bytes above 90 end the samples, so only the low side can be out of range.
    if not record.samples or min(chain.from_iterable(record.samples)) >= MIN_SAMPLE:
        return
    low = [(k, axis, value) for k, pair in enumerate(record.samples)
           for axis, value in enumerate(pair) if value < MIN_SAMPLE]
    record.note(Kind.FOREIGN, f"{_count(len(low), 'sample value')} below {MIN_SAMPLE}, "
                              f"which the device never stores")
    for k, axis, value in low[:LISTED_OFFENDERS]:
        record.note(Kind.FOREIGN, f"{record.sample_place(k, axis)}: {'XY'[axis]} {value}")


def _check_extremes(record: Record) -> bool:
    """Notes extremes the device cannot have stored; True when they can be checked against."""
    usable = True
    for name, printed, value, sign in (("X_Max", "LEFT", record.x_max, 1),
                                       ("X_Min", "RIGHT", record.x_min, -1),
                                       ("Y_Max", "BACK", record.y_max, 1),
                                       ("Y_Min", "FRONT", record.y_min, -1)):
        if not MIN_SAMPLE <= value <= MAX_SAMPLE:
            record.note(Kind.FOREIGN, f"{name} ({printed}) reads {value}: outside "
                                      f"{MIN_SAMPLE}..{MAX_SAMPLE}, no tilt the device measures")
            usable = False
        elif value * sign < 0:
            side = "below" if sign > 0 else "above"
            record.note(Kind.INCONSISTENT, f"{name} ({printed}) reads {value}: the extremes "
                                           f"start at 0 with each record, so it cannot be "
                                           f"{side} 0")
    return usable


def _check_samples_within_extremes(record: Record) -> None:
    xs = [x for x, _ in record.samples]
    ys = [y for _, y in record.samples]
    if not xs or (record.x_min <= min(xs) and max(xs) <= record.x_max
                  and record.y_min <= min(ys) and max(ys) <= record.y_max):
        return
    offenders = []
    for k, (x, y) in enumerate(record.samples):
        if x > record.x_max:
            offenders.append(f"{record.sample_place(k, 0)}: X {x} above X_Max {record.x_max}")
        elif x < record.x_min:
            offenders.append(f"{record.sample_place(k, 0)}: X {x} below X_Min {record.x_min}")
        if y > record.y_max:
            offenders.append(f"{record.sample_place(k, 1)}: Y {y} above Y_Max {record.y_max}")
        elif y < record.y_min:
            offenders.append(f"{record.sample_place(k, 1)}: Y {y} below Y_Min {record.y_min}")
    record.note(Kind.INCONSISTENT, f"{_count(len(offenders), 'sample value')} outside the "
                                   f"extremes (X {record.x_min}..{record.x_max}, "
                                   f"Y {record.y_min}..{record.y_max}): the samples are a subset "
                                   f"of what was measured, so one of the two is wrong")
    for text in offenders[:LISTED_OFFENDERS]:
        record.note(Kind.INCONSISTENT, text)


def _count(n: int, noun: str) -> str:
    return f"1 {noun} lies" if n == 1 else f"{n} {noun}s lie"
