"""The companion's idea of the result sector against the firmware's record layout."""

import ast
import operator
import os
import re
import unittest
from collections.abc import Callable

from firmware_output import ROOT
from tiltmon_companion import record

_CONSTEXPR = re.compile(r"^constexpr\s+[\w:]+\s+(\w+)\s*=\s*(.+?);", re.MULTILINE)
_OPERATORS: dict[type, Callable[[int, int], int]] = {
    ast.Add: operator.add, ast.Sub: operator.sub, ast.Mult: operator.mul,
    ast.FloorDiv: operator.floordiv}


def _value(node: ast.expr, names: dict[str, int]) -> int:
    """Integer arithmetic on literals and known names, nothing else."""
    if isinstance(node, ast.Constant) and isinstance(node.value, int):
        return node.value
    if isinstance(node, ast.Name):
        return names[node.id]
    if isinstance(node, ast.UnaryOp) and isinstance(node.op, ast.USub):
        return -_value(node.operand, names)
    if isinstance(node, ast.BinOp) and type(node.op) in _OPERATORS:
        return _OPERATORS[type(node.op)](_value(node.left, names), _value(node.right, names))
    raise ValueError(ast.dump(node))


def evaluate(expression: str, names: dict[str, int]) -> int:
    """A C++ constant expression: casts dropped, unsigned suffixes too, / on integers."""
    python = re.sub(r"static_cast<[\w:]+>", "", expression)
    python = re.sub(r"\b(0x[0-9a-fA-F]+|\d+)[uU]\b", r"\1", python).replace("/", "//")
    return _value(ast.parse(python, mode="eval").body, names)


def header_constants() -> dict[str, int]:
    """The header's constexpr values that are arithmetic (not the driver's names)."""
    with open(os.path.join(ROOT, "inc", "record_layout.h")) as stream:
        text = stream.read()
    names: dict[str, int] = {}
    for name, expression in _CONSTEXPR.findall(text):
        try:
            names[name] = evaluate(expression, names)
        except (KeyError, ValueError, SyntaxError):
            pass  # FLASH_Sector_5 and the like
    return names


class RecordLayout(unittest.TestCase):
    def test_companion_constants_match_the_firmware_header(self) -> None:
        rows = [
            # the companion's constant, the same in the header's terms
            ("SECTOR_BASE", record.SECTOR_BASE, "RESULT_BASE"),
            ("SECTOR_SIZE", record.SECTOR_SIZE, "RESULT_SIZE"),
            ("HEADER_SIZE", record.HEADER_SIZE, "SAMPLE_AREA - RESULT_BASE"),
            ("SAMPLE_PAIRS", record.SAMPLE_PAIRS, "SAMPLE_PAIRS"),
            ("SAMPLE_CAPACITY", record.SAMPLE_CAPACITY, "SAMPLE_CAPACITY"),
            ("END_MARKER", record.END_MARKER, "END_MARKER"),
            ("MAX_SAMPLE", record.MAX_SAMPLE, "MAX_SAMPLE_VALUE"),
            ("MIN_SAMPLE", record.MIN_SAMPLE, "-MAX_SAMPLE_VALUE"),
        ]
        names = header_constants()
        for name, companion, firmware in rows:
            with self.subTest(name):
                self.assertEqual(companion, evaluate(firmware, names))


if __name__ == "__main__":
    unittest.main()
