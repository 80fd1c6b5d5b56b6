"""The record as the device keeps it, and the check of its consistency."""

from dataclasses import dataclass, field

# The result sector, as the firmware lays it out.
SECTOR_SIZE = 0x20000
SECTOR_BASE = 0x08020000
HEADER_SIZE = 4  # X_Max, X_Min, Y_Max, Y_Min
SAMPLE_PAIRS = (SECTOR_SIZE - HEADER_SIZE) // 2  # 65534, the marker's pair included
SAMPLE_CAPACITY = SAMPLE_PAIRS - 1  # the last pair stays free for the marker
END_MARKER = 100
MAX_SAMPLE = 90  # a byte above this ends the samples
MIN_SAMPLE = -90
ERASED_BYTE = 0xFF  # reads -1 as a signed byte

# Ways a record ends.
MARKER = "marker"
NO_MARKER = "no_marker"
ERASED = "erased"

# How far the extremes can be trusted.
EXTREMES_READ = "read"
EXTREMES_NEVER_WRITTEN = "never_written"  # cut off: the header is still erased
EXTREMES_ALL_ZERO = "all_zero"  # a report sent before the record screen loaded them

# Kinds of note; the first two flag the record.
FOREIGN = "foreign"
INCONSISTENT = "inconsistent"
INFO = "info"

CONSISTENT = "consistent"

# Enough offenders to find them, not so many they bury the summary.
LISTED_OFFENDERS = 5


@dataclass
class Note:
    kind: str
    text: str


@dataclass
class Record:
    """One record: its extremes (signed, as stored) and its samples, one a second."""

    source_kind: str  # "report", "serial" or "dump"
    source_name: str
    x_max: int
    x_min: int
    y_max: int
    y_min: int
    samples: list  # (x, y) pairs, sample k recorded at second k
    ended_by: str
    extremes_status: str = EXTREMES_READ
    # A report's samples are on consecutive lines from this one.
    first_sample_line: int = None
    notes: list = field(default_factory=list)

    # The extremes as the report prints them: right and front as magnitudes.
    @property
    def left(self):
        return self.x_max

    @property
    def right(self):
        return abs(self.x_min)

    @property
    def back(self):
        return self.y_max

    @property
    def front(self):
        return abs(self.y_min)

    @property
    def recording_seconds(self):
        return len(self.samples)

    @property
    def from_report(self):
        return self.source_kind in ("report", "serial")

    def note(self, kind, text):
        self.notes.append(Note(kind, text))

    @property
    def verdict(self):
        kinds = {note.kind for note in self.notes}
        if FOREIGN in kinds:
            return FOREIGN
        if INCONSISTENT in kinds:
            return INCONSISTENT
        return CONSISTENT

    def sample_place(self, k, axis=0):
        """Where sample k was read, for a message: its second and line or offset."""
        if self.first_sample_line is not None:
            return f"second {k} (line {self.first_sample_line + k})"
        return f"second {k} (offset {HEADER_SIZE + 2 * k + axis:#07x})"


def hms(seconds):
    hours, rest = divmod(seconds, 3600)
    return f"{hours}:{rest // 60:02d}:{rest % 60:02d}"


def check(record):
    """Adds the record's consistency notes; the verdict follows from them."""
    if record.ended_by == ERASED:
        record.note(INFO, "no record: the result sector is erased, nothing to check")
        return
    _check_sample_range(record)
    if record.extremes_status == EXTREMES_NEVER_WRITTEN:
        record.note(INFO, "the extremes were never written (the header still reads -1, erased: "
                          "the record was cut off before it was closed); "
                          "the samples are not checked against them")
        return
    if record.from_report and record.samples and (
            record.x_max, record.x_min, record.y_max, record.y_min) == (0, 0, 0, 0):
        record.extremes_status = EXTREMES_ALL_ZERO
        record.note(INFO, "the extremes read 0: the report was sent after power-up before the "
                          "record screen was opened, so they were not loaded; "
                          "the samples are not checked against them")
        return
    if _check_extremes(record):
        _check_samples_within_extremes(record)


def _check_sample_range(record):
    # Bytes above 90 end the samples, so only the low side can be out of range.
    if not record.samples or min(map(min, record.samples)) >= MIN_SAMPLE:
        return
    low = [(k, axis, value) for k, pair in enumerate(record.samples)
           for axis, value in enumerate(pair) if value < MIN_SAMPLE]
    record.note(FOREIGN, f"{_count(len(low), 'sample value')} below {MIN_SAMPLE}, "
                         f"which the device never stores")
    for k, axis, value in low[:LISTED_OFFENDERS]:
        record.note(FOREIGN, f"{record.sample_place(k, axis)}: {'XY'[axis]} {value}")


def _check_extremes(record):
    """Notes extremes the device cannot have stored; True when they can be checked against."""
    usable = True
    for name, printed, value, sign in (("X_Max", "LEFT", record.x_max, 1),
                                       ("X_Min", "RIGHT", record.x_min, -1),
                                       ("Y_Max", "BACK", record.y_max, 1),
                                       ("Y_Min", "FRONT", record.y_min, -1)):
        if not MIN_SAMPLE <= value <= MAX_SAMPLE:
            record.note(FOREIGN, f"{name} ({printed}) reads {value}: outside "
                                 f"{MIN_SAMPLE}..{MAX_SAMPLE}, no tilt the device measures")
            usable = False
        elif value * sign < 0:
            side = "below" if sign > 0 else "above"
            record.note(INCONSISTENT, f"{name} ({printed}) reads {value}: the extremes start "
                                      f"at 0 with each record, so it cannot be {side} 0")
    return usable


def _check_samples_within_extremes(record):
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
    record.note(INCONSISTENT, f"{_count(len(offenders), 'sample value')} outside the extremes "
                              f"(X {record.x_min}..{record.x_max}, "
                              f"Y {record.y_min}..{record.y_max}): "
                              f"the samples are a subset of what was measured, so one of the two "
                              f"is wrong")
    for text in offenders[:LISTED_OFFENDERS]:
        record.note(INCONSISTENT, text)


def _count(n, noun):
    return f"1 {noun} lies" if n == 1 else f"{n} {noun}s lie"
