"""The one-line faults: each operator turns the scanned lines of a source into
mutants, each one change on one line (a swap: two adjacent lines)."""

import re
from dataclasses import dataclass

from source_scan import scan

RELATIONAL = "relational"
DELETED_CALL = "deleted-call"
SWAPPED_CALLS = "swapped-calls"
CONSTANT = "constant"
WIDENED = "widened"
OPERATORS = (RELATIONAL, DELETED_CALL, SWAPPED_CALLS, CONSTANT, WIDENED)


@dataclass(frozen=True)
class Mutant:
    path: str                 # relative to the repository
    line: int                 # first line changed, from 1
    column: int               # where the change begins, from 0
    operator: str
    before: tuple             # the line(s) as written
    after: tuple              # the same line(s) mutated

    @property
    def area(self):
        return "application" if self.path.startswith("src/") else "drivers"

    def apply(self, text):
        lines = text.split("\n")
        first = self.line - 1
        if tuple(lines[first:first + len(self.before)]) != self.before:
            raise ValueError(f"{self.path}:{self.line} no longer reads as the mutant expects")
        lines[first:first + len(self.before)] = self.after
        return "\n".join(lines)


# --- relational flips -------------------------------------------------------

_FLIPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
_OPERATOR_TOKEN = re.compile(r"<=>|<<=|>>=|<<|>>|<=|>=|==|!=|->|<|>")
_TEMPLATE_ARGUMENT = re.compile(r"[\w\s:,*]")
_IDENT_BEFORE = re.compile(r"([A-Za-z_]\w*)\s*$")


def _template_close(code, opening):
    """The position of the '>' that closes a template argument list opened at
    `opening`, or None when that '<' is a comparison."""
    name = _IDENT_BEFORE.search(code[:opening])
    if not name or name.group(1) == "operator":
        return None
    depth = 0
    for k in range(opening + 1, len(code)):
        c = code[k]
        if c == "<":
            depth += 1
        elif c == ">":
            if depth == 0:
                return k
            depth -= 1
        elif not _TEMPLATE_ARGUMENT.match(c):
            return None
    return None


def _relational(code):
    """(column, old, new) of every comparison operator on a masked line."""
    brackets = set()
    for m in re.finditer(r"<", code):
        if m.start() in brackets or code[m.start():m.start() + 2] in ("<<", "<=") or code[m.start() - 1:m.start()] == "<":
            continue
        close = _template_close(code, m.start())
        if close is not None:
            brackets.update((m.start(), close))
    for m in _OPERATOR_TOKEN.finditer(code):
        token = m.group()
        if token in _FLIPS and m.start() not in brackets and not code[:m.start()].rstrip().endswith("operator"):
            yield m.start(), token, _FLIPS[token]


# --- calls --------------------------------------------------------------------

_KEYWORDS = {"return", "if", "while", "for", "switch", "do", "else", "case", "goto", "sizeof", "delete", "new",
             "throw", "static_assert", "alignas", "decltype", "typeid", "co_return", "co_await", "co_yield"}
_CALL = re.compile(r"^(\(void\)\s*)?([A-Za-z_]\w*(?:\s*(?:::|\.|->)\s*[A-Za-z_]\w*)*)\s*\((.*)\)\s*;$")


def _call_span(line):
    """(start, end) of the line's code when it is one call statement."""
    if not (line.in_body and line.starts_statement):
        return None
    code = line.code.rstrip()
    start = len(code) - len(code.lstrip())
    m = _CALL.match(code[start:])
    if not m or m.group(2).split(":")[0].split(".")[0].split("-")[0].strip() in _KEYWORDS:
        return None
    depth = 0
    for c in m.group(3):  # the arguments must be one balanced list
        depth += {"(": 1, ")": -1}.get(c, 0)
        if depth < 0:
            return None
    return (start, len(code)) if depth == 0 else None


# --- constants ----------------------------------------------------------------

_INTEGER = re.compile(r"(?<![\w.'])(0[xX][0-9A-Fa-f']+|0[bB][01']+|[0-9][0-9']*)([uUlL]*)(?![\w.'])")
_DATA_ROW = re.compile(r"^[\s,{}]*$")


def _bumped(literal):
    digits = literal.replace("'", "")
    if digits[:2] in ("0x", "0X"):
        value = int(digits[2:], 16) + 1
        text = format(value, "x" if any(c.islower() for c in digits[2:]) else "X")
        return digits[:2] + text.zfill(len(digits) - 2)
    if digits[:2] in ("0b", "0B"):
        return digits[:2] + format(int(digits[2:], 2) + 1, "b").zfill(len(digits) - 2)
    if len(digits) > 1 and digits[0] == "0":
        return "0" + format(int(digits, 8) + 1, "o")
    return str(int(digits) + 1)


def _constants(code):
    """(column, old, new) of the integer literals on a masked line. A row of a
    table (nothing but literals) gives only its first: a row is one datum."""
    found = [(m.start(1), m.group(1), _bumped(m.group(1))) for m in _INTEGER.finditer(code)]
    if len(found) >= 3 and _DATA_ROW.match(_INTEGER.sub("", code).replace("-", "").replace("+", "")):
        return found[:1]
    return found


# --- widened conditions -------------------------------------------------------



def _operand_left(code, at):
    """Start of the operand left of the operator at `at`, or None when it
    does not begin on this line."""
    depth = 0
    k = at - 1
    while k >= 0:
        c = code[k]
        if c in ")]":
            depth += 1
        elif c in "([":
            if depth == 0:
                return k + 1
            depth -= 1
        elif depth == 0:
            head = code[:k + 1]
            if head.endswith(("&&", "||", "?", ",", ";")) or (c == ":" and not head.endswith("::")
                                                               and code[k + 1:k + 2] != ":") \
                    or (c == "=" and code[k - 1:k] not in "=!<>" and code[k + 1:k + 2] != "=") \
                    or re.search(r"\breturn$", head):
                return k + 1
        k -= 1
    return None


def _operand_right(code, at):
    """End of the operand right of the operator ending before `at`."""
    depth = 0
    for k in range(at, len(code)):
        c = code[k]
        if c in "([":
            depth += 1
        elif c in ")]":
            if depth == 0:
                return k
            depth -= 1
        elif depth == 0 and (code.startswith(("&&", "||"), k) or c in "?,;" or
                             (c == ":" and code[k - 1] != ":" and code[k + 1:k + 2] != ":")):
            return k
    return None


def _dropped_conjuncts(code):
    """(column, old, new): each side of each && removed, the other kept."""
    for m in re.finditer(r"&&", code):
        left, right = _operand_left(code, m.start()), _operand_right(code, m.end())
        if left is None or right is None:
            continue
        left_text, right_text = code[left:m.start()].strip(), code[m.end():right].strip()
        if not left_text or not right_text:
            continue
        left_start = left + len(code[left:m.start()]) - len(code[left:m.start()].lstrip())
        right_end = m.end() + len(code[m.end():right].rstrip())
        yield left_start, code[left_start:right_end], right_text
        yield left_start, code[left_start:right_end], left_text


def _closing_parenthesis(code, at):
    depth = 0
    for k in range(at, len(code)):
        depth += {"(": 1, ")": -1}.get(code[k], 0)
        if depth < 0:
            return k
    return None


def _always_true_ifs(code):
    for m in re.finditer(r"\bif\s*\(", code):
        close = _closing_parenthesis(code, m.end())
        if close is None:
            continue
        condition = code[m.end():close]
        if condition.strip() not in ("", "true") and not code[m.end():].lstrip().startswith("constexpr"):
            yield m.end(), condition, "true"


# --- all of them --------------------------------------------------------------

def _replace(text, column, old, new):
    assert text[column:column + len(old)] == old
    return text[:column] + new + text[column + len(old):]


def mutants_of(path, text):
    """Every mutant of one source, in line and column order."""
    lines = scan(text)
    found = []

    def add(index, column, operator, after, length=1):
        before = tuple(line.text for line in lines[index:index + length])
        found.append(Mutant(path, index + 1, column, operator, before, tuple(after)))

    calls = [_call_span(line) for line in lines]
    for index, line in enumerate(lines):
        if not line.code.strip() or line.checked_at_compile_time:
            continue
        for column, old, new in _relational(line.code):
            add(index, column, RELATIONAL, [_replace(line.text, column, old, new)])
        for column, old, new in _constants(line.code):
            add(index, column, CONSTANT, [_replace(line.text, column, old, new)])
        if line.in_body:
            for column, old, new in _dropped_conjuncts(line.code):
                add(index, column, WIDENED, [_replace(line.text, column, old, new)])
            for column, old, new in _always_true_ifs(line.code):
                add(index, column, WIDENED, [_replace(line.text, column, old, new)])
        span = calls[index]
        if span:
            start, end = span
            add(index, start, DELETED_CALL, [line.text[:start] + "{}" + line.text[end:]])
            following = lines[index + 1] if index + 1 < len(lines) else None
            if (following and calls[index + 1] and not line.after_header
                    and line.text.strip() != following.text.strip()
                    and line.text[:start] == following.text[:calls[index + 1][0]]):
                add(index, start, SWAPPED_CALLS, [following.text, line.text], length=2)
    found.sort(key=lambda m: (m.line, m.column, OPERATORS.index(m.operator)))
    return found
