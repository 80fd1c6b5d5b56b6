"""The report read live from a serial device: a pseudo-terminal stands in for COM1."""

import fcntl
import os
import select
import subprocess
import tempfile
import termios
import time
import tty
import unittest

from firmware_output import TOOL, report_text

EXTREMES = (30, -12, 5, -40)
SAMPLES = [(1, 2), (30, -12), (-12, 5)]
# Bounds on events that come at once on a quiet machine; generous for a busy one.
PATIENCE = 60
# The tool's own time-out where data must come first: the test sends at once,
# and this much leaves a busy machine room to do so.
SILENCE = 3


def bytes_read(process):
    """What the process has read so far, by the kernel's count."""
    with open(f"/proc/{process.pid}/io") as stream:
        return next(int(line.split()[1]) for line in stream if line.startswith("rchar:"))


class SerialReport(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name
        self.out = os.path.join(self.folder, "out.csv")

    def wait_until_open(self, tool):
        """The tool says when it has opened the device and flushed what came before."""
        deadline, said = time.monotonic() + PATIENCE, b""
        while b"waiting for the report" not in said:
            if time.monotonic() > deadline or tool.poll() is not None:
                self.fail(f"tiltmon-report never opened {self.device}: {said.decode(errors='replace')}")
            if select.select([tool.stderr], [], [], 0.1)[0]:
                said += os.read(tool.stderr.fileno(), 4096)
        return said.decode(errors="replace")

    def wait_until_read(self, tool, slave, count, before):
        """Until the tool has read count more bytes than before (its own count
        of bytes read) and none waits on the device."""
        deadline = time.monotonic() + PATIENCE
        while bytes_read(tool) - before < count or int.from_bytes(
                fcntl.ioctl(slave, termios.FIONREAD, b"\0" * 4), "little"):
            if time.monotonic() > deadline or tool.poll() is not None:
                self.fail(f"tiltmon-report left bytes unread on {self.device}")
            time.sleep(0.01)

    def read(self, *chunks, hang_up=False, timeout=PATIENCE):
        """Runs tiltmon-report on a fresh device and sends the chunks once it
        listens, each after the tool has read the one before; with hang_up the
        device then goes away. timeout is the tool's own: of silence once a
        report has begun, or for the report to begin."""
        master, slave = os.openpty()
        tty.setraw(slave)  # as the port is set up: no echo, no CR LF changes
        self.addCleanup(os.close, slave)
        self.device = os.ttyname(slave)
        tool = subprocess.Popen([TOOL, "--serial", self.device, "--timeout", str(timeout),
                                 "--csv", self.out], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        said = self.wait_until_open(tool)
        for chunk in chunks:
            before = bytes_read(tool)
            os.write(master, chunk.encode("ascii"))
            self.wait_until_read(tool, slave, len(chunk), before)
        if hang_up:
            os.close(master)
        else:
            self.addCleanup(os.close, master)
        stdout, stderr = tool.communicate(timeout=PATIENCE + timeout)
        return tool.returncode, stdout.decode(), said + stderr.decode()

    def test_report_after_console_traffic(self):
        text = report_text(EXTREMES, SAMPLES)
        code, stdout, stderr = self.read("\nscan\nscan", text[:100], text[100:])
        self.assertEqual(code, 0, stderr)
        self.assertIn("end marker", stdout)
        with open(self.out) as stream:
            self.assertEqual(stream.read(), "second,x,y\n0,1,2\n1,30,-12\n2,-12,5\n")

    def test_silence_after_whole_lines_ends_without_marker(self):
        code, stdout, stderr = self.read(report_text(EXTREMES, SAMPLES, marker=None), timeout=SILENCE)
        self.assertEqual(code, 0, stderr)
        self.assertIn("no marker line", stdout)
        self.assertTrue(os.path.exists(self.out))

    def test_cut_short_writes_nothing(self):
        text = report_text(EXTREMES, SAMPLES)
        cases = [
            ("silent mid-line", [text[:-40]], False, SILENCE,
             'DEVICE:10: the report ends mid-line, without a line feed: "[X]:  -12    [Y]:    5"'),
            ("silent mid-extremes", [text[:text.index("[X] RIGHT")]], False, SILENCE,
             "DEVICE:4: the report ends after 1 of its 4 extreme lines"),
            ("hang-up mid-report", [text[:-31]], True, PATIENCE,
             "the device hung up or failed mid-report"),
            ("no banner", ["scan\n"], False, 1, "DEVICE: no report within 1 s"),
        ]
        for name, chunks, hang_up, timeout, message in cases:
            with self.subTest(name):
                code, _, stderr = self.read(*chunks, hang_up=hang_up, timeout=timeout)
                self.assertEqual(code, 2)
                self.assertIn(message.replace("DEVICE", self.device), stderr)
                self.assertEqual(os.listdir(self.folder), [])

    def test_missing_device(self):
        result = subprocess.run([TOOL, "--serial", "/dev/no-such-tty"], capture_output=True,
                                text=True, timeout=PATIENCE)
        self.assertEqual(result.returncode, 2)
        self.assertIn("/dev/no-such-tty: cannot open the serial device", result.stderr)


if __name__ == "__main__":
    unittest.main()
