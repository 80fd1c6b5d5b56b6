"""tiltmon-report: the command line."""

import argparse
import os
import sys

from . import sources, writers
from .errors import CompanionError
from .record import CONSISTENT, check
from .summary import summary

EXIT_CONSISTENT = 0
EXIT_FLAGGED = 1
EXIT_UNREADABLE = 2  # also bad usage: nothing is written

DEFAULT_BAUD = 115200
DEFAULT_TIMEOUT = 10.0


def _parser():
    parser = argparse.ArgumentParser(
        prog="tiltmon-report",
        description="Read the tilt monitor's record (its remote report, live or saved, or a raw "
                    "dump of its result sector), check it and write it as CSV, JSON or a plot.",
        epilog="exit status: 0 read and consistent; 1 read and written, but the record is "
               "flagged (inconsistent or foreign); 2 bad usage or unreadable input, "
               "nothing written")
    parser.add_argument("source", nargs="?", metavar="SOURCE",
                        help="a saved report; - or nothing for standard input")
    parser.add_argument("--serial", metavar="DEVICE",
                        help="read the report live from this serial device (115200 8N1)")
    parser.add_argument("--baud", type=int, metavar="N",
                        help=f"serial speed (default {DEFAULT_BAUD})")
    parser.add_argument("--timeout", type=float, metavar="S",
                        help=f"seconds to wait for the report, and of silence that ends it "
                             f"(default {DEFAULT_TIMEOUT:g})")
    parser.add_argument("--dump", metavar="FILE",
                        help="decode a raw result-sector dump (131072 bytes)")
    parser.add_argument("--csv", metavar="OUT.csv", help="write the samples as CSV: second,x,y")
    parser.add_argument("--json", metavar="OUT.json", help="write the whole record as JSON")
    parser.add_argument("--plot", metavar="OUT.png", help="plot X and Y against time as PNG")
    parser.add_argument("--quiet", action="store_true", help="print no summary")
    return parser


def _usage(parser, args):
    """Refuses what cannot work before reading anything: a live report is not sent twice."""
    given = [name for name, value in (("SOURCE", args.source), ("--serial", args.serial),
                                      ("--dump", args.dump)) if value is not None]
    if len(given) > 1:
        parser.error(f"give one source, not {' and '.join(given)}")
    if args.serial is None and (args.baud is not None or args.timeout is not None):
        parser.error("--baud and --timeout apply to --serial only")
    if args.baud is not None and args.baud <= 0:
        parser.error(f"--baud {args.baud}: not a speed")
    if args.timeout is not None and not args.timeout > 0:
        parser.error(f"--timeout {args.timeout:g}: give a number of seconds above 0")
    outputs = [path for path in (args.csv, args.json, args.plot) if path is not None]
    if len(set(map(os.path.realpath, outputs))) != len(outputs):
        parser.error("two outputs name the same file")
    source = args.source if args.source not in (None, "-") else args.dump
    if source is not None and os.path.realpath(source) in map(os.path.realpath, outputs):
        parser.error(f"{source} is both the input and an output")


def _read(args):
    if args.serial is not None:
        return sources.from_serial(args.serial, args.baud or DEFAULT_BAUD,
                                   args.timeout or DEFAULT_TIMEOUT)
    if args.dump is not None:
        return sources.from_dump(args.dump)
    if args.source not in (None, "-"):
        return sources.from_file(args.source)
    if sys.stdin.isatty():
        print("tiltmon-report: reading a report from the terminal; end it with Ctrl-D",
              file=sys.stderr)
    return sources.from_stdin()


def main(argv=None):
    parser = _parser()
    args = parser.parse_args(argv)
    _usage(parser, args)
    try:
        for path in (args.csv, args.json, args.plot):
            if path is not None:
                writers.check_destination(path)
        record = _read(args)
        check(record)
        outputs = []
        if args.csv is not None:
            outputs.append((args.csv, writers.csv_bytes(record)))
        if args.json is not None:
            outputs.append((args.json, writers.json_bytes(record)))
        if args.plot is not None:
            outputs.append((args.plot, writers.plot_png(record)))
        writers.commit(outputs)
    except CompanionError as error:
        print(error, file=sys.stderr)
        return EXIT_UNREADABLE
    except KeyboardInterrupt:
        print("tiltmon-report: interrupted; nothing was written", file=sys.stderr)
        return EXIT_UNREADABLE
    if not args.quiet:
        try:
            print(summary(record, [path for path, _ in outputs]), flush=True)
        except BrokenPipeError:
            # A reader that stopped early (| head) is no error: the outputs are written.
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    return EXIT_CONSISTENT if record.verdict == CONSISTENT else EXIT_FLAGGED
