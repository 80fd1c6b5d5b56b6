"""What of a C++ source is code: comments, string and character literals and
preprocessor lines blanked out (same length, same line breaks), and for each
line whether it stands inside a function body and begins a statement."""

import re
from dataclasses import dataclass

_RAW_STRING = re.compile(r'(?:u8|u|U|L)?R"([^()\\\s]{0,16})\(')
_IDENT_CHAR = re.compile(r"[A-Za-z0-9_]")
_PP_NUMBER = re.compile(r"[0-9]+(?:[0-9A-Za-z_.']|[eEpP][+-])*|\.[0-9](?:[0-9A-Za-z_.']|[eEpP][+-])*")
_BODY_OPENER = re.compile(r"\)\s*(?:(?:const|noexcept|override|final|mutable)\s*)*$")
_BLOCK_KEYWORD = re.compile(r"(?:^|[^A-Za-z0-9_])(?:else|do|try)$")


def mask(text):
    """text with everything that is not code replaced by spaces."""
    out = list(text)
    n = len(text)

    def blank(start, end):
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = " "

    i = 0
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and not (text[j] == "\n" and text[j - 1] != "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
            continue
        raw = _RAW_STRING.match(text, i)
        if raw and (i == 0 or not _IDENT_CHAR.match(text[i - 1])):
            end = text.find(")" + raw.group(1) + '"', raw.end())
            end = n if end < 0 else end
            blank(raw.end(), end)
            i = end + len(raw.group(1)) + 2
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, min(j, n))
            i = j + 1
            continue
        number = _PP_NUMBER.match(text, i)
        if number and (i == 0 or not _IDENT_CHAR.match(text[i - 1])):
            i = number.end()
            continue
        if _IDENT_CHAR.match(c):
            while i < n and _IDENT_CHAR.match(text[i]):
                i += 1
            continue
        i += 1
    return "".join(out)


@dataclass(frozen=True)
class Line:
    text: str          # as written
    code: str          # masked: only code left
    in_body: bool      # its first code character stands inside a function body
    starts_statement: bool  # the code before it ends a statement or opens a block
    after_header: bool      # ... and that code is a control header ending in ")" or else/do
    checked_at_compile_time: bool  # part of a static_assert: a test of its own, not behaviour


def _previous_code(masked, position):
    k = position - 1
    while k >= 0 and masked[k].isspace():
        k -= 1
    return k


def scan(text):
    """The lines of a source with their code and their place in it."""
    masked = mask(text)
    # Each brace opens a body (function or statement block) or something else
    # (namespace, class, enum, initializer); body_at[k] is the kind at k.
    body_at = [False] * (len(masked) + 1)
    stack = []
    for k, c in enumerate(masked):
        inside = stack[-1] if stack else False
        body_at[k] = inside
        if c == "{":
            before = masked[:k].rstrip()
            opens_body = bool(_BODY_OPENER.search(before[-200:])) or (
                inside and (before[-1:] in (";", "{", "}") or before.endswith(":") and not before.endswith("::")
                            or bool(_BLOCK_KEYWORD.search(before[-10:]))))
            stack.append(opens_body)
        elif c == "}" and stack:
            stack.pop()
    static_checks = []
    for m in re.finditer(r"\bstatic_assert\s*\(", masked):
        depth, k = 1, m.end()
        while k < len(masked) and depth:
            depth += {"(": 1, ")": -1}.get(masked[k], 0)
            k += 1
        static_checks.append((m.start(), k))
    lines = []
    offset = 0
    for raw_line, code_line in zip(text.split("\n"), masked.split("\n")):
        first = len(code_line) - len(code_line.lstrip())
        if code_line.strip():
            position = offset + first
            k = _previous_code(masked, position)
            before = masked[max(0, k - 9):k + 1]
            ends = masked[k] if k >= 0 else "{"
            header = ends == ")" or bool(_BLOCK_KEYWORD.search(before))
            starts = k < 0 or ends in ";{}" or (ends == ":" and masked[k - 1] != ":") or header
            checked = any(start <= position < end for start, end in static_checks)
            lines.append(Line(raw_line, code_line, body_at[position], starts, header, checked))
        else:
            lines.append(Line(raw_line, code_line, False, False, False, False))
        offset += len(raw_line) + 1
    return lines
