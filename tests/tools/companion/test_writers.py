"""The outputs appear all or none: a failed rename or a signal leaves the old files."""

import errno
import os
import signal
import tempfile
import unittest
from contextlib import AbstractContextManager, nullcontext
from typing import Any
from unittest import mock

from tiltmon_companion import interrupts
from tiltmon_companion.errors import CompanionError
from tiltmon_companion.writers import commit


class AllOrNone(unittest.TestCase):
    def test_faults_leave_the_old_files(self) -> None:
        rows: list[tuple[str, str, int, str, type[BaseException] | None]] = [
            # name, the call that faults, which of its calls, how, what commit raises
            ("no fault", "fsync", 0, "", None),
            ("the second rename fails", "replace", 2, "fails", CompanionError),
            ("Ctrl-C while the second is written", "fsync", 2, "signal", interrupts.Interrupted),
            ("Ctrl-C between the renames", "replace", 1, "signal", interrupts.Interrupted),
            ("no hard links: the old file moves aside", "link", 1, "fails", None),
        ]
        for name, call, nth, fault, raised in rows:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder, \
                    interrupts.handled():
                old = os.path.join(folder, "a.csv")
                with open(old, "wb") as out:
                    out.write(b"old")
                real, calls = getattr(os, call), []

                def faulty(*args: Any, **options: Any) -> Any:
                    calls.append(args)
                    if len(calls) == nth and fault == "fails":
                        raise OSError(errno.EIO, os.strerror(errno.EIO))
                    if len(calls) == nth:
                        os.kill(os.getpid(), signal.SIGINT)
                    return real(*args, **options)

                expected: AbstractContextManager[Any] = nullcontext()
                if raised is not None:
                    expected = self.assertRaises(raised)
                with mock.patch.object(os, call, faulty), expected:
                    commit([(old, b"new"), (os.path.join(folder, "b.json"), b"new")])
                left = {}
                for entry in os.listdir(folder):
                    with open(os.path.join(folder, entry), "rb") as stream:
                        left[entry] = stream.read()
                self.assertEqual(left, {"a.csv": b"new", "b.json": b"new"} if raised is None
                                 else {"a.csv": b"old"})


if __name__ == "__main__":
    unittest.main()
