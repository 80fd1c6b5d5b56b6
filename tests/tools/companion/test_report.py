"""The remote report read from a file or standard input, through to the outputs."""

import csv
import json
import os
import tempfile
import unittest

from firmware_output import report_text, run
from tiltmon_companion import report
from tiltmon_companion.record import Record, check

EXTREMES = (30, -12, 5, -40)
SAMPLES = [(1, 2), (30, -12), (-12, 5), (0, -40), (-1, -1)]


def parsed(text: str) -> Record:
    record = report.parse_text(text, "r.txt")
    check(record)
    return record


class ReportJourney(unittest.TestCase):
    def setUp(self) -> None:
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name: str, content: str | None = None) -> str:
        path = os.path.join(self.folder.name, name)
        if content is not None:
            with open(path, "w", encoding="ascii", newline="") as stream:
                stream.write(content)
        return path

    def test_good_report_round_trips_to_every_output(self) -> None:
        source = self.path("r.txt", report_text(EXTREMES, SAMPLES, before="\nscan\nscan"))
        out = {kind: self.path(f"out.{kind}") for kind in ("csv", "json", "png")}
        result = run(source, "--csv", out["csv"], "--json", out["json"], "--plot", out["png"])
        self.assertEqual(result.returncode, 0, result.stderr)
        for text in ("LEFT 30°  RIGHT 12°  BACK 5°  FRONT 40°", "samples:    5", "0:00:05",
                     "end marker", "consistent"):
            self.assertIn(text, result.stdout)
        with open(out["csv"], newline="") as stream:
            rows = list(csv.reader(stream))
        self.assertEqual(rows[0], ["second", "x", "y"])
        self.assertEqual(rows[1:], [[str(k), str(x), str(y)] for k, (x, y) in enumerate(SAMPLES)])
        with open(out["json"]) as stream:
            record = json.load(stream)
        self.assertEqual(record["extremes"], {"left": 30, "right": 12, "back": 5, "front": 40,
                                              "x_max": 30, "x_min": -12, "y_max": 5, "y_min": -40,
                                              "status": "read"})
        self.assertEqual(record["samples"], [list(pair) for pair in SAMPLES])
        self.assertEqual((record["count"], record["recording_seconds"], record["ended_by"],
                          record["verdict"]), (5, 5, "marker", "consistent"))
        with open(out["png"], "rb") as stream:
            self.assertEqual(stream.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(sorted(os.listdir(self.folder.name)),
                         ["out.csv", "out.json", "out.png", "r.txt"])

    def test_flagged_record_is_still_written_and_says_so(self) -> None:
        out = self.path("out.json")
        result = run("--json", out, "-", stdin=report_text(EXTREMES, SAMPLES + [(31, 0), (-13, 6)]))
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("FLAGGED: inconsistent", result.stdout)
        self.assertIn("second 5 (line 13): X 31 above X_Max 30", result.stdout)
        self.assertIn("second 6 (line 14): X -13 below X_Min -12", result.stdout)
        self.assertIn("second 6 (line 14): Y 6 above Y_Max 5", result.stdout)
        with open(out) as stream:
            self.assertEqual(json.load(stream)["verdict"], "inconsistent")

    def test_unreadable_input_writes_nothing_and_keeps_old_output(self) -> None:
        good = report_text(EXTREMES, SAMPLES)
        cases = {
            "garbled": (good.replace("[X]:   30    [Y]:  -12", "[X]:   3O    [Y]:  -12"),
                        'r.txt:9: expected a sample line "[X]:  %3d    [Y]:  %3d  degree", '
                        'got "[X]:   3O    [Y]:  -12  degree"'),
            "after banner": (good[:good.index("[X] LEFT")],
                             "r.txt:3: the report ends after the banner"),
            "mid-extremes": (good[:good.index("[Y] BACK")],
                             "r.txt:5: the report ends after 2 of its 4"),
            "mid-line": (good[:-12], 'r.txt:13: the report ends mid-line, without a line feed: '
                                     '"[X]:  100    [Y]:  "'),
            "no banner": ("scan\nscan\nSTM_ASSERT: lcd.cpp:12\n", 'r.txt: no report'),
            "escapes, a long line": (good.replace("[X]:   30", "[X]: \x1b[2J" + "9" * 5000),
                                     'r.txt:9: expected a sample line "[X]:  %3d    [Y]:  %3d  '
                                     'degree", got "[X]: \\x1b[2J' + "9" * 60 + '..."'),
            "no whole report": (good[:-40] + good[:-40],
                                "r.txt:23: the report ends mid-line, without a line feed: "
                                '"[X]:   -1    [Y]:   -1" (and no report before it in the '
                                "capture is whole)"),
        }
        for name, (text, message) in cases.items():
            with self.subTest(name):
                source = self.path("r.txt", text)
                old = self.path("out.csv", "kept\n")
                result = run(source, "--csv", old, "--json", self.path("new.json"))
                self.assertEqual(result.returncode, 2)
                self.assertIn(message.replace("r.txt", source), result.stderr)
                self.assertLess(len(result.stderr), 400)
                self.assertEqual(sorted(os.listdir(self.folder.name)), ["out.csv", "r.txt"])
                with open(old) as stream:
                    self.assertEqual(stream.read(), "kept\n")

    def test_bad_usage_is_refused_before_reading(self) -> None:
        source = self.path("r.txt", report_text(EXTREMES, SAMPLES))
        device = ["--serial", "/dev/no-such-tty"]
        for args, message in (
                ([source, "--dump", source], "give one source, not SOURCE and --dump"),
                ([source, "--csv", source], f"{source} is both the input and an output"),
                ([source, "--timeout", "3"], "--baud and --timeout apply to --serial only"),
                ([source, "--csv", self.path("no/such/out.csv")], "no folder"),
                ([source, "--csv", "/dev/null"], "/dev/null: is not a regular file"),
                ([*device, "--baud", "2147483648"],
                 "--baud 2147483648: not a whole bit rate from 300 to 100000000"),
                ([*device, "--baud", "299"], "--baud 299: not a whole bit rate"),
                ([*device, "--baud", "1e5"], "--baud 1e5: not a whole bit rate"),
                ([*device, "--baud", "\x1b[31m"], "--baud \\x1b[31m: not a whole bit rate"),
                ([*device, "--timeout", "inf"], "--timeout inf: give a number of seconds above 0, "
                                                "at most 86400"),
                ([*device, "--timeout", "nan"], "--timeout nan: give a number of seconds"),
                (["\x1b[2J"], "\\x1b[2J: cannot read: No such file or directory"),
                (["/dev/zero"], "/dev/zero: more than 32 MiB"),
                (["/dev/zero", "--csv", self.path("out.csv")], "/dev/zero: more than 32 MiB")):
            with self.subTest(args=args[1:]):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr)
                self.assertNotIn("\x1b", result.stderr)
                self.assertNotIn("Traceback", result.stderr)
        self.assertEqual(os.listdir(self.folder.name), ["r.txt"])


class ReportReading(unittest.TestCase):
    def test_states_and_verdicts(self) -> None:
        cases = [
            # name, text, ended_by, verdict, extremes status, a note's text
            ("extremes not loaded", report_text((0, 0, 0, 0), SAMPLES),
             "marker", "consistent", "all_zero", "the extremes read 0: the report was sent after "
                                                 "power-up before the record screen was opened"),
            ("cut off: header erased, no marker", report_text((-1, -1, -1, -1), SAMPLES, None),
             "no_marker", "consistent", "never_written", "the extremes were never written"),
            ("cut off, extremes not loaded", report_text((0, 0, 0, 0), SAMPLES, None),
             "no_marker", "consistent", "all_zero", "the extremes read 0"),
            ("stopped early: real extremes, no marker", report_text(EXTREMES, SAMPLES, None),
             "stopped_early", "incomplete", "read", "the report stopped early"),
            ("stopped early after the extremes", report_text(EXTREMES, [], None),
             "stopped_early", "incomplete", "read", "the report stopped early"),
            ("erased sector", report_text((-1, -1, -1, -1), [], None),
             "erased", "no_record", "never_written", "no record: the result sector is erased"),
            ("erased sector, extremes not loaded", report_text((0, 0, 0, 0), [], None),
             "erased", "no_record", "all_zero", "no record: the result sector is erased"),
            ("more samples than the sector holds", report_text(EXTREMES, [(0, 0)] * 65534),
             "marker", "foreign", "read", "65,534 samples: the result sector holds at most 65,533"),
            ("blanks at the ends of lines", report_text(EXTREMES, SAMPLES).replace("\n", " \t \n"),
             "marker", "consistent", "read", ""),
            ("foreign -128, a 32-character line", report_text((30, -90, 5, -40), [(-128, 0)]),
             "marker", "foreign", "read", "second 0 (line 8): X -128"),
            ("odd marker", report_text(EXTREMES, SAMPLES, marker=(3, 95)),
             "marker", "foreign", "read", "line 13: the end marker reads X 3, Y 95"),
            ("extreme of the wrong sign", report_text((-2, -12, 5, -40), [(-2, 0)]),
             "marker", "inconsistent", "read", "X_Max (LEFT) reads -2"),
        ]
        for name, text, ended_by, verdict, status, note in cases:
            with self.subTest(name):
                record = parsed(text)
                self.assertEqual((record.ended_by, record.verdict, record.extremes_status),
                                 (ended_by, verdict, status))
                self.assertIn(note, " | ".join(n.text for n in record.notes))

    def test_a_capture_is_read_for_its_last_whole_report(self) -> None:
        whole, other = report_text(EXTREMES, SAMPLES), report_text((9, 0, 9, 0), [(9, 0)])
        rows = [
            # name, capture, the samples read, a note
            ("cut mid-line, then whole", whole[:-40] + other, [(9, 0)],
             'report from line 2: line 12: cut off mid-line: "[X]:   -1    [Y]:   -1" is '
             "followed by the next report's banner"),
            ("stopped early, then whole", report_text(EXTREMES, SAMPLES, None) + other, [(9, 0)],
             "report from line 2: it stopped early at line 12, without a marker line"),
            ("two whole", whole + other, [(9, 0)],
             "report from line 2: a later whole report follows"),
            ("whole, then stopped early", whole + report_text(EXTREMES, [(1, 1)], None), SAMPLES,
             "report from line 15: it stopped early at line 21"),
            ("whole, then garbled", whole + other.replace("[X]:    9", "[X]:    g"), SAMPLES,
             'report from line 15: line 21: expected a sample line'),
            ("whole, then a cut-off record's", whole + report_text((0, 0, 0, 0), [(2, 2)], None),
             [(2, 2)], "the capture holds 2 reports: read the last whole one, from line 15"),
            ("two whole, then stopped early", whole + other + report_text(EXTREMES, [], None),
             [(9, 0)], "the capture holds 3 reports: read the last whole one, from line 15"),
            ("a cut-off record's, then a recording's trace",
             report_text((-1, -1, -1, -1), [(2, 2)], None) + "\nscan\nscan", [(2, 2)],
             "2 lines after its last line (line 8) are not part of the report"),
        ]
        for name, text, samples, note in rows:
            with self.subTest(name):
                record = parsed(text)
                self.assertEqual(record.samples, samples)
                self.assertIn(note, " | ".join(n.text for n in record.notes))

    def test_console_traffic_before_the_banner_is_skipped_and_counted(self) -> None:
        trace = "\nscan\nHardFault: R0=0x00000000 PC=0x08001234\nLCD_ASSERT: busy\nscan"
        record = parsed(report_text(EXTREMES, [(1, 2), (95, 0)], marker=None, before=trace))
        # The marker is any byte above 90, where the samples end.
        self.assertEqual(record.samples, [(1, 2)])
        self.assertEqual(record.first_sample_line, 12)

    def test_full_sector_report(self) -> None:
        samples = [(k % 181 - 90, 90 - k % 181) for k in range(65533)]
        record = parsed(report_text((90, -90, 90, -90), samples))
        self.assertEqual(len(record.samples), 65533)
        self.assertEqual(record.samples[-1], samples[-1])
        self.assertEqual((record.ended_by, record.verdict), ("marker", "consistent"))


if __name__ == "__main__":
    unittest.main()
