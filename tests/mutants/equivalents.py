"""The list of mutants examined and found equivalent: they cannot change what
the device does, so a survivor among them is reported apart, with its reason,
and left out of the kill rate.

An entry is a block of `key: value` lines, entries apart by a blank line:

    file: src/main.cpp
    operator: constant
    before: char str[4];
    after: char str[5];
    reason: why no behaviour can change

A swap has two `before:` and two `after:` lines. Lines are compared without
their leading and trailing blanks, so an entry holds wherever in its file that
very change is made, whatever edits move it."""

from dataclasses import dataclass

from operators import OPERATORS


class EquivalentsError(Exception):
    pass


@dataclass(frozen=True)
class Entry:
    path: str
    operator: str
    before: tuple
    after: tuple
    reason: str
    where: str  # the entry's place in the list, for messages

    @property
    def key(self):
        return (self.path, self.operator, self.before, self.after)


def key_of(mutant):
    return (mutant.path, mutant.operator, tuple(s.strip() for s in mutant.before),
            tuple(s.strip() for s in mutant.after))


def parse(text, name="equivalent list"):
    entries = []
    block, start = [], 0
    for number, raw in enumerate(text.split("\n") + [""], start=1):
        line = raw.strip()
        if line.startswith("#"):
            continue
        if not line:
            if block:
                entries.append(_entry(block, f"{name}:{start}"))
            block = []
            continue
        if not block:
            start = number
        key, colon, value = line.partition(":")
        if not colon or key.strip() not in ("file", "operator", "before", "after", "reason"):
            raise EquivalentsError(f"{name}:{number}: expected 'file:', 'operator:', 'before:', 'after:' or "
                                   f"'reason:', found: {line}")
        block.append((key.strip(), value.strip()))
    seen = {}
    for entry in entries:
        if entry.key in seen:
            raise EquivalentsError(f"{entry.where}: the same mutant as {seen[entry.key]}")
        seen[entry.key] = entry.where
    return entries


def _entry(block, where):
    values = {}
    for key, value in block:
        values.setdefault(key, []).append(value)
    for key in ("file", "operator", "reason"):
        if len(values.get(key, [])) != 1 or not values[key][0]:
            raise EquivalentsError(f"{where}: an entry gives exactly one '{key}:'")
    before, after = tuple(values.get("before", [])), tuple(values.get("after", []))
    if not before or len(before) != len(after):
        raise EquivalentsError(f"{where}: an entry gives as many 'before:' lines as 'after:' lines (one, or two "
                               f"for a swap)")
    if values["operator"][0] not in OPERATORS:
        raise EquivalentsError(f"{where}: operator '{values['operator'][0]}' is none of {', '.join(OPERATORS)}")
    return Entry(values["file"][0], values["operator"][0], before, after, values["reason"][0], where)


def load(path):
    with open(path, encoding="utf-8") as f:
        return parse(f.read(), name=str(path))


class Equivalents:
    def __init__(self, entries):
        self._by_key = {entry.key: entry for entry in entries}
        self.used = set()

    def match(self, mutant):
        """The entry that declares this mutant equivalent, or None."""
        entry = self._by_key.get(key_of(mutant))
        if entry:
            self.used.add(entry.key)
        return entry

    def unmatched(self, mutants):
        """Entries that name no mutant of the given ones (stale after an edit)."""
        keys = {key_of(m) for m in mutants}
        return [entry for key, entry in self._by_key.items() if key not in keys]
