"""What a run prints: a line per mutant as it goes, then the summary."""

import sys
from dataclasses import dataclass

KILLED_BY_TESTS = "killed by tests"
KILLED_BY_BUILD = "killed by the build"
KILLED_BY_TIMEOUT = "killed by timeout"
SURVIVED = "survived"
KILLED = (KILLED_BY_TESTS, KILLED_BY_BUILD, KILLED_BY_TIMEOUT)
AREAS = ("application", "drivers")


@dataclass
class Result:
    number: int        # the mutant's id in the whole list
    mutant: object
    verdict: str
    detail: str
    seconds: float
    equivalent: object = None   # its entry in the equivalent list, if any

    @property
    def killed(self):
        return self.verdict in KILLED


def say(text=""):
    print(text, flush=True)


def mutant_name(number, mutant):
    return f"#{number:04d} {mutant.path}:{mutant.line} {mutant.operator}"


def progress(index, total, result):
    detail = f": {result.detail}" if result.detail else ""
    if result.verdict == SURVIVED and result.equivalent:
        detail = " (listed as equivalent)"
    if len(detail) > 110:
        detail = detail[:107] + "..."
    say(f"[{index:>{len(str(total))}}/{total}] {mutant_name(result.number, result.mutant)}  "
        f"{result.verdict}{detail}  ({result.seconds:.1f} s)")


def listing(numbered):
    for number, mutant in numbered:
        say(mutant_name(number, mutant))
        _before_after(mutant, "    ")


def _before_after(mutant, indent):
    for before, after in zip(mutant.before, mutant.after):
        say(f"{indent}before: {before.strip()}")
        say(f"{indent}after:  {after.strip()}")


def _minutes(seconds):
    return f"{int(seconds // 60)} min {int(seconds % 60)} s"


def _counts(results):
    counted = [r for r in results if not (r.verdict == SURVIVED and r.equivalent)]
    killed = sum(r.killed for r in results)
    return {
        "run": len(results),
        "killed": killed,
        "tests": sum(r.verdict == KILLED_BY_TESTS for r in results),
        "build": sum(r.verdict == KILLED_BY_BUILD for r in results),
        "timeout": sum(r.verdict == KILLED_BY_TIMEOUT for r in results),
        "survived": sum(r.verdict == SURVIVED and not r.equivalent for r in results),
        "equivalent": len(results) - len(counted),
        "rate": f"{100.0 * killed / len(counted):5.1f} %  ({killed}/{len(counted)})" if counted else "  -",
    }


def summary(results, scope_total, how_chosen, notes, elapsed_s, equivalents_file, wrong_equivalents, stale):
    say()
    say("== Summary")
    say(f"{len(results)} mutants run of the {scope_total} in scope ({how_chosen}), in {_minutes(elapsed_s)}.")
    for note in notes:
        say(note)
    columns = ("run", "killed", "tests", "build", "timeout", "survived", "equivalent")
    say(f"{'':<13}" + "".join(f"{c:>11}" for c in columns) + "   kill rate")
    for area in AREAS + ("all",):
        rows = [r for r in results if area == "all" or r.mutant.area == area]
        counts = _counts(rows)
        say(f"{area:<13}" + "".join(f"{counts[c]:>11}" for c in columns) + f"   {counts['rate']}")
    say("application: src/; drivers: Libraries/ and Utilities/. Killed = by tests + by the build + by timeout.")
    say(f"Kill rate = killed / (run - equivalent): a survivor listed in {equivalents_file} cannot change")
    say("behaviour and is left out of the denominator.")

    survivors = [r for r in results if r.verdict == SURVIVED and not r.equivalent]
    say()
    say(f"== Survivors ({len(survivors)}), by file")
    _by_file(survivors, lambda r: None)

    equivalent = [r for r in results if r.verdict == SURVIVED and r.equivalent]
    say()
    say(f"== Equivalent ({len(equivalent)}): survivors listed in {equivalents_file}, not counted in the kill rate")
    _by_file(equivalent, lambda r: f"reason: {r.equivalent.reason}")

    if wrong_equivalents:
        say()
        say(f"== Listed as equivalent but killed ({len(wrong_equivalents)}): these entries are wrong")
        _by_file(wrong_equivalents, lambda r: f"{r.verdict}: {r.detail}  (entry at {r.equivalent.where})")
    if stale:
        say()
        say(f"== Entries of {equivalents_file} that name no mutant of this tree ({len(stale)})")
        for entry in stale:
            say(f"  {entry.where}: {entry.path} {entry.operator}: {' / '.join(entry.before)}")


def _by_file(results, note):
    current = None
    for r in sorted(results, key=lambda r: (r.mutant.path, r.mutant.line, r.mutant.column)):
        if r.mutant.path != current:
            current = r.mutant.path
            say(current)
        say(f"  #{r.number:04d} line {r.mutant.line} {r.mutant.operator}")
        _before_after(r.mutant, "      ")
        extra = note(r)
        if extra:
            say(f"      {extra}")


def error(text):
    print(f"mutants: {text}", file=sys.stderr, flush=True)
