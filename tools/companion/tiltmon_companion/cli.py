"""tiltmon-report: the command line."""

import argparse
import math
import os
import re
import sys
from enum import IntEnum
from typing import NoReturn

from . import interrupts, sources, writers
from .errors import CompanionError, shown
from .record import Record, Verdict, check
from .summary import summary


class ExitCode(IntEnum):
    CONSISTENT = 0
    FLAGGED = 1
    UNREADABLE = 2  # also bad usage: nothing is written
    # A signal ends it with 128 + its number, 130 for Ctrl-C: nothing is written.


DEFAULT_BAUD = 115200
BAUD_RANGE = (300, 100_000_000)
DEFAULT_TIMEOUT = 10.0
TIMEOUT_LIMIT = 86400.0  # a day: past that, nobody is waiting


# Control characters in argparse's own messages, which quote the arguments raw.
_CONTROL = re.compile(r"[\x00-\x1f\x7f-\x9f]")
_MESSAGE_LIMIT = 300


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        message = _CONTROL.sub(lambda found: shown(found.group()), message)
        cut = message[:_MESSAGE_LIMIT] + "..." if len(message) > _MESSAGE_LIMIT else message
        super().error(cut)


def _parser() -> argparse.ArgumentParser:
    parser = _Parser(
        prog="tiltmon-report",
        description="Read the tilt monitor's record (its remote report, live or saved, or a raw "
                    "dump of its result sector), check it and write it as CSV, JSON or a plot. "
                    "A capture holding several reports is read for its last whole one.",
        epilog="exit status: 0 read and consistent; 1 read and written, but flagged (foreign, "
               "inconsistent, stopped early, or no record at all); 2 bad usage or unreadable "
               "input, nothing written; 130 interrupted (Ctrl-C), nothing written")
    parser.add_argument("source", nargs="?", metavar="SOURCE",
                        help="a saved report; - or nothing for standard input")
    parser.add_argument("--serial", metavar="DEVICE",
                        help="read the report live from this serial device (115200 8N1)")
    parser.add_argument("--baud", metavar="N",
                        help=f"serial speed in bit/s, {BAUD_RANGE[0]} to {BAUD_RANGE[1]} "
                             f"(default {DEFAULT_BAUD})")
    parser.add_argument("--timeout", metavar="S",
                        help=f"seconds to wait for the report, and of silence that ends it "
                             f"(default {DEFAULT_TIMEOUT:g}, at most {TIMEOUT_LIMIT:g})")
    parser.add_argument("--dump", metavar="FILE",
                        help="decode a raw result-sector dump (131072 bytes)")
    parser.add_argument("--csv", metavar="OUT.csv", help="write the samples as CSV: second,x,y")
    parser.add_argument("--json", metavar="OUT.json", help="write the whole record as JSON")
    parser.add_argument("--plot", metavar="OUT.png", help="plot X and Y against time as PNG")
    parser.add_argument("--quiet", action="store_true", help="print no summary")
    return parser


def _baud(parser: argparse.ArgumentParser, text: str | None) -> int:
    if text is None:
        return DEFAULT_BAUD
    low, high = BAUD_RANGE
    if not (text.isascii() and text.isdigit() and low <= int(text) <= high):
        parser.error(f"--baud {shown(text)}: not a whole bit rate from {low} to {high}")
    return int(text)


def _timeout(parser: argparse.ArgumentParser, text: str | None) -> float:
    if text is None:
        return DEFAULT_TIMEOUT
    try:
        seconds = float(text) if text.isascii() else math.nan
    except ValueError:
        seconds = math.nan
    if not 0 < seconds <= TIMEOUT_LIMIT:
        parser.error(f"--timeout {shown(text)}: give a number of seconds above 0, "
                     f"at most {TIMEOUT_LIMIT:g}")
    return seconds


def _usage(parser: argparse.ArgumentParser, args: argparse.Namespace) -> None:
    """Refuses what cannot work before reading anything: a live report is not sent twice."""
    given = [name for name, value in (("SOURCE", args.source), ("--serial", args.serial),
                                      ("--dump", args.dump)) if value is not None]
    if len(given) > 1:
        parser.error(f"give one source, not {' and '.join(given)}")
    if args.serial is None and (args.baud is not None or args.timeout is not None):
        parser.error("--baud and --timeout apply to --serial only")
    args.baud = _baud(parser, args.baud)
    args.timeout = _timeout(parser, args.timeout)
    outputs = [path for path in (args.csv, args.json, args.plot) if path is not None]
    if len(set(map(os.path.realpath, outputs))) != len(outputs):
        parser.error("two outputs name the same file")
    source = args.source if args.source not in (None, "-") else args.dump
    if source is not None and os.path.realpath(source) in map(os.path.realpath, outputs):
        parser.error(f"{shown(source)} is both the input and an output")


def _read(args: argparse.Namespace) -> Record:
    if args.serial is not None:
        return sources.from_serial(args.serial, args.baud, args.timeout)
    if args.dump is not None:
        return sources.from_dump(args.dump)
    if args.source not in (None, "-"):
        return sources.from_file(args.source)
    if sys.stdin is not None and sys.stdin.isatty():
        print("tiltmon-report: reading a report from the terminal; end it with Ctrl-D",
              file=sys.stderr)
    return sources.from_stdin()


def _outputs(args: argparse.Namespace, record: Record) -> list[tuple[str, bytes]]:
    outputs = []
    if args.csv is not None:
        outputs.append((args.csv, writers.csv_bytes(record)))
    if args.json is not None:
        outputs.append((args.json, writers.json_bytes(record)))
    if args.plot is not None:
        outputs.append((args.plot, writers.plot_png(record)))
    return outputs


def main(argv: list[str] | None = None) -> int:
    # For the whole run: a signal ends it through the clean-up of the writers.
    interrupts.install()
    parser = _parser()
    args = parser.parse_args(argv)
    _usage(parser, args)
    try:
        for path in (args.csv, args.json, args.plot):
            if path is not None:
                writers.check_destination(path)
        record = _read(args)
        check(record)
        outputs = _outputs(args, record)
        writers.commit(outputs)
    except CompanionError as error:
        print(error, file=sys.stderr)
        return ExitCode.UNREADABLE
    except interrupts.Interrupted as interrupt:
        print(f"tiltmon-report: interrupted ({interrupt}); nothing was written", file=sys.stderr)
        return interrupt.exit_code
    # Written: what is left is to say so, and a late Ctrl-C must not unsay it.
    interrupts.ignore()
    if not args.quiet and sys.stdout is not None:
        try:
            print(summary(record, [path for path, _ in outputs]), flush=True)
        except BrokenPipeError:
            # A reader that stopped early (| head) is no error: the outputs are written.
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    return ExitCode.CONSISTENT if record.verdict == Verdict.CONSISTENT else ExitCode.FLAGGED
