"""Ctrl-C, a closed terminal or a kill, turned into one exception that the
writers can clean up after, and held off where a step must not be split."""

import signal
from collections.abc import Iterator
from contextlib import contextmanager
from types import FrameType

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Interrupted(BaseException):
    """Not an Exception: no handler of errors swallows it by accident."""

    def __init__(self, signum: int) -> None:
        super().__init__(signal.Signals(signum).name)
        self.signum = signum

    @property
    def exit_code(self) -> int:
        return 128 + self.signum  # as the shell reports a process the signal ended


class _State:
    holding = 0
    pending: int | None = None


def _on_signal(signum: int, frame: FrameType | None) -> None:
    if _State.holding:
        _State.pending = _State.pending or signum
    else:
        raise Interrupted(signum)


def install() -> None:
    """From here on the signals raise Interrupted (or wait while held)."""
    for number in SIGNALS:
        signal.signal(number, _on_signal)


def ignore() -> None:
    """From here on the signals change nothing: the work is done."""
    for number in SIGNALS:
        signal.signal(number, signal.SIG_IGN)


@contextmanager
def handled() -> Iterator[None]:
    """install() for a while: the previous handlers come back at its end."""
    previous = {number: signal.getsignal(number) for number in SIGNALS}
    install()
    try:
        yield
    finally:
        for number, handler in previous.items():
            signal.signal(number, handler)
        _State.pending = None


@contextmanager
def held() -> Iterator[None]:
    """Within it, a signal waits; it is raised when the outermost hold ends."""
    _State.holding += 1
    try:
        yield
    finally:
        _State.holding -= 1
        if not _State.holding and _State.pending is not None:
            signum, _State.pending = _State.pending, None
            raise Interrupted(signum)


def pending() -> bool:
    """A signal came while held."""
    return _State.pending is not None
