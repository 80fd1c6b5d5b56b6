"""The report read live from a serial device: a pseudo-terminal stands in for COM1."""

import os
import subprocess
import tempfile
import time
import tty
import unittest

from firmware_output import TOOL, report_text

EXTREMES = (30, -12, 5, -40)
SAMPLES = [(1, 2), (30, -12), (-12, 5)]


class SerialReport(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name
        self.out = os.path.join(self.folder, "out.csv")

    def read(self, *chunks, hang_up=False):
        """Runs tiltmon-report on a fresh device while the chunks arrive, a pause between them."""
        master, slave = os.openpty()
        tty.setraw(slave)  # as the port is set up: no echo, no CR LF changes
        self.addCleanup(os.close, slave)
        self.device = os.ttyname(slave)
        tool = subprocess.Popen([TOOL, "--serial", self.device, "--timeout", "1",
                                 "--csv", self.out], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        for chunk in chunks:
            time.sleep(0.3)
            os.write(master, chunk.encode("ascii"))
        if hang_up:
            time.sleep(0.3)
            os.close(master)
        else:
            self.addCleanup(os.close, master)
        stdout, stderr = tool.communicate(timeout=30)
        return tool.returncode, stdout, stderr

    def test_report_after_console_traffic(self):
        text = report_text(EXTREMES, SAMPLES)
        code, stdout, stderr = self.read("\nscan\nscan", text[:100], text[100:])
        self.assertEqual(code, 0, stderr)
        self.assertIn("end marker", stdout)
        with open(self.out) as stream:
            self.assertEqual(stream.read(), "second,x,y\n0,1,2\n1,30,-12\n2,-12,5\n")

    def test_silence_after_whole_lines_ends_without_marker(self):
        code, stdout, stderr = self.read(report_text(EXTREMES, SAMPLES, marker=None))
        self.assertEqual(code, 0, stderr)
        self.assertIn("no marker line", stdout)
        self.assertTrue(os.path.exists(self.out))

    def test_cut_short_writes_nothing(self):
        text = report_text(EXTREMES, SAMPLES)
        cases = [
            ("silent mid-line", [text[:-40]], False,
             'DEVICE:10: the report ends mid-line, without a line feed: "[X]:  -12    [Y]:    5"'),
            ("silent mid-extremes", [text[:text.index("[X] RIGHT")]], False,
             "DEVICE:4: the report ends after 1 of its 4 extreme lines"),
            ("hang-up mid-report", [text[:-31]], True,
             "the device hung up or failed mid-report"),
            ("no banner", ["scan\n"], False, "DEVICE: no report within 1 s"),
        ]
        for name, chunks, hang_up, message in cases:
            with self.subTest(name):
                code, _, stderr = self.read(*chunks, hang_up=hang_up)
                self.assertEqual(code, 2)
                self.assertIn(message.replace("DEVICE", self.device), stderr)
                self.assertIn(self.device, stderr)
                self.assertEqual(os.listdir(self.folder), [])

    def test_missing_device(self):
        result = subprocess.run([TOOL, "--serial", "/dev/no-such-tty"], capture_output=True,
                                text=True, timeout=30)
        self.assertEqual(result.returncode, 2)
        self.assertIn("/dev/no-such-tty: cannot open the serial device", result.stderr)

if __name__ == "__main__":
    unittest.main()
