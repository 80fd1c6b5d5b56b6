"""The report read live from a serial device: a pseudo-terminal stands in for COM1."""

import fcntl
import os
import select
import signal
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


def bytes_read(process: "subprocess.Popen[bytes]") -> int:
    """What the process has read so far, by the kernel's count."""
    with open(f"/proc/{process.pid}/io") as stream:
        return next(int(line.split()[1]) for line in stream if line.startswith("rchar:"))


class SerialReport(unittest.TestCase):
    def setUp(self) -> None:
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name
        self.out = os.path.join(self.folder, "out.csv")

    def wait_until_open(self, tool: "subprocess.Popen[bytes]") -> str:
        """The tool says when it has opened the device and flushed what came before."""
        deadline, said = time.monotonic() + PATIENCE, b""
        assert tool.stderr is not None
        while b"waiting for the report" not in said:
            if time.monotonic() > deadline or tool.poll() is not None:
                self.fail(f"tiltmon-report never opened {self.device}: {said.decode(errors='replace')}")
            if select.select([tool.stderr], [], [], 0.1)[0]:
                said += os.read(tool.stderr.fileno(), 4096)
        return said.decode(errors="replace")

    def wait_until_read(self, tool: "subprocess.Popen[bytes]", slave: int, count: int,
                        before: int) -> None:
        """Until the tool has read count more bytes than before (its own count
        of bytes read) and none waits on the device."""
        deadline = time.monotonic() + PATIENCE
        while bytes_read(tool) - before < count or int.from_bytes(
                fcntl.ioctl(slave, termios.FIONREAD, b"\0" * 4), "little"):
            if time.monotonic() > deadline or tool.poll() is not None:
                self.fail(f"tiltmon-report left bytes unread on {self.device}")
            time.sleep(0.01)

    def read(self, *chunks: str, end: str = "", timeout: float = PATIENCE) -> tuple[int, str, str]:
        """Runs tiltmon-report on a fresh device and sends the chunks once it
        listens, each after the tool has read the one before; then the device
        goes away (end "hang-up") or the tool gets Ctrl-C (end "Ctrl-C"), or
        neither. timeout is the tool's own: of silence once a report has
        begun, or for the report to begin."""
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
        if end == "hang-up":
            os.close(master)
        else:
            self.addCleanup(os.close, master)
        if end == "Ctrl-C":
            tool.send_signal(signal.SIGINT)
        stdout, stderr = tool.communicate(timeout=PATIENCE + timeout)
        return tool.returncode, stdout.decode(), said + stderr.decode()

    def test_report_after_console_traffic_and_a_cut_off_one(self) -> None:
        text = report_text(EXTREMES, SAMPLES)
        code, stdout, stderr = self.read("\nscan\nscan", text[:-40], text[:100], text[100:])
        self.assertEqual(code, 0, stderr)
        self.assertIn("end marker", stdout)
        self.assertIn("skipped the report from line 4: line 12: cut off mid-line", stdout)
        with open(self.out) as stream:
            self.assertEqual(stream.read(), "second,x,y\n0,1,2\n1,30,-12\n2,-12,5\n")

    def test_silence_after_whole_lines_ends_without_marker(self) -> None:
        code, stdout, stderr = self.read(report_text(EXTREMES, SAMPLES, marker=None), timeout=SILENCE)
        self.assertEqual(code, 1, stderr)
        self.assertIn("no marker line: the report stopped early", stdout)
        self.assertTrue(os.path.exists(self.out))

    def test_cut_short_writes_nothing(self) -> None:
        text = report_text(EXTREMES, SAMPLES)
        cases: list[tuple[str, list[str], str, float, int, str]] = [
            # name, what is sent, how it ends, the tool's time-out, exit code, what it says
            ("silent mid-line", [text[:-40]], "", SILENCE, 2,
             'DEVICE:10: the report ends mid-line, without a line feed: "[X]:  -12    [Y]:    5"'),
            ("silent mid-extremes", [text[:text.index("[X] RIGHT")]], "", SILENCE, 2,
             "DEVICE:4: the report ends after 1 of its 4 extreme lines"),
            ("hang-up mid-report", [text[:-31]], "hang-up", PATIENCE, 2,
             "the device hung up or failed mid-report"),
            ("no banner", ["scan\n"], "", 1, 2, "DEVICE: no report within 1 s"),
            ("Ctrl-C while waiting", [], "Ctrl-C", PATIENCE, 130,
             "tiltmon-report: interrupted (SIGINT); nothing was written"),
            ("Ctrl-C mid-report", [text[:-31]], "Ctrl-C", PATIENCE, 130,
             "tiltmon-report: interrupted (SIGINT); nothing was written"),
        ]
        for name, chunks, end, timeout, exit_code, message in cases:
            with self.subTest(name):
                code, _, stderr = self.read(*chunks, end=end, timeout=timeout)
                self.assertEqual(code, exit_code)
                self.assertIn(message.replace("DEVICE", self.device), stderr)
                self.assertNotIn("Traceback", stderr)
                self.assertEqual(os.listdir(self.folder), [])

    def test_missing_device(self) -> None:
        result = subprocess.run([TOOL, "--serial", "/dev/no-such-tty"], capture_output=True,
                                text=True, timeout=PATIENCE)
        self.assertEqual(result.returncode, 2)
        self.assertIn("/dev/no-such-tty: cannot open the serial device", result.stderr)


if __name__ == "__main__":
    unittest.main()
