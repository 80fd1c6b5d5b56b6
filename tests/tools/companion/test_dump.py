"""A raw result-sector dump, read by the device's rules."""

import json
import os
import tempfile
import unittest

from firmware_output import SECTOR_SIZE, run, sector
from tiltmon_companion import dump
from tiltmon_companion.record import check

HEADER = (30, -12, 5, -40)
SAMPLES = [(1, 2), (-1, -1), (30, -12)]


class DumpDecoding(unittest.TestCase):
    def test_states(self) -> None:
        cases = [
            # name, sector, ended_by, samples, verdict, a note's text
            ("closed", sector(HEADER, SAMPLES), "marker", SAMPLES, "consistent", ""),
            ("every pair programmed, no marker", sector(None, [(1, 1)] * 65534, marker=None),
             "no_marker", [(1, 1)] * 65534, "foreign",
             "65,534 samples: the result sector holds at most 65,533"),
            # An erased-looking pair inside the record is a sample; the erased tail is not.
            ("cut off by a power loss", sector(None, SAMPLES + [(4, -1)], marker=None),
             "no_marker", SAMPLES + [(4, -1)], "consistent", "the extremes were never written"),
            ("erased", sector(None, [], marker=None), "erased", [], "no_record", "no record"),
            ("sample out of range", sector(HEADER, [(1, 2), (0, -91)]), "marker",
             [(1, 2), (0, -91)], "foreign", "second 1 (offset 0x00007): Y -91"),
            ("bytes after the marker", sector(HEADER, SAMPLES, extra=[(0x1000, 0), (0x1001, 7)]),
             "marker", SAMPLES, "foreign",
             "offset 0x01000: 2 programmed bytes after the end marker"),
            ("header without a marker", sector(HEADER, SAMPLES, marker=None), "no_marker",
             SAMPLES, "foreign", "the header holds extremes but no end marker"),
            ("odd marker", sector(HEADER, SAMPLES, marker=(0x7F, 0)), "marker", SAMPLES,
             "foreign", "offset 0x0000a: the end marker reads 127, 0"),
            ("sample beyond the extremes", sector(HEADER, SAMPLES + [(0, -41)]), "marker",
             SAMPLES + [(0, -41)], "inconsistent",
             "second 3 (offset 0x0000b): Y -41 below Y_Min -40"),
            # A dump holds the stored extremes: zeros there are not the report's unloaded ones.
            ("zero header", sector((0, 0, 0, 0), [(3, 0)]), "marker", [(3, 0)], "inconsistent",
             "X 3 above X_Max 0"),
        ]
        for name, data, ended_by, samples, verdict, note in cases:
            with self.subTest(name):
                record = dump.decode(data, "d.bin")
                check(record)
                self.assertEqual((record.ended_by, record.samples, record.verdict),
                                 (ended_by, samples, verdict))
                self.assertIn(note, " | ".join(n.text for n in record.notes))

    def test_full_sector(self) -> None:
        samples = [(k % 91, -(k % 91)) for k in range(65533)]
        record = dump.decode(sector((90, 0, 0, -90), samples), "d.bin")
        check(record)
        self.assertEqual(len(record.samples), 65533)
        self.assertEqual(record.samples[-1], samples[-1])
        self.assertEqual((record.ended_by, record.verdict), ("marker", "consistent"))


class DumpCommand(unittest.TestCase):
    def test_dumps_as_the_user_sees_them(self) -> None:
        rows: list[tuple[str, bytes | str, int, str, tuple[str, list[tuple[int, int]]] | None]] = [
            # name, the dump's bytes (or a file to read), exit code, what it says,
            # the JSON's extremes status and samples
            ("cut off", sector(None, SAMPLES, marker=None), 0, "no marker: cut off by a power loss",
             ("never_written", SAMPLES)),
            ("erased", sector(None, [], marker=None), 1, "extremes:   none: no record was made",
             ("never_written", [])),
            ("short", b"\xff" * 1000, 2, "SOURCE: 1000 bytes, a result-sector dump has 131072",
             None),
            ("long", b"\xff" * (SECTOR_SIZE + 1), 2, "SOURCE: more than 131072 bytes, a "
                                                     "result-sector dump has 131072", None),
            ("endless", "/dev/zero", 2, "/dev/zero: more than 131072 bytes", None),
        ]
        for name, data, code, message, written in rows:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                source, out = os.path.join(folder, "d.bin"), os.path.join(folder, "d.json")
                if isinstance(data, bytes):
                    with open(source, "wb") as stream:
                        stream.write(data)
                else:
                    source = data
                result = run("--dump", source, "--json", out)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(message.replace("SOURCE", source), result.stdout + result.stderr)
                self.assertEqual(os.path.exists(out), written is not None)
                if written is not None:
                    with open(out) as stream:
                        record = json.load(stream)
                    self.assertEqual((record["extremes"]["status"], record["samples"]),
                                     (written[0], [list(pair) for pair in written[1]]))


if __name__ == "__main__":
    unittest.main()
