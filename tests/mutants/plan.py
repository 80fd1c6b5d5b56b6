"""Which mutants a run works through: all of them when they fit the time
budget, otherwise the first N of a seeded draw (the same seed and N give the
same sample), run file by file so that a file is rebuilt once more only when
the run moves on from it."""

import random
from dataclasses import dataclass

# Compiling one object costs at least this share of a one-source rebuild,
# however a noisy probe splits the rebuild into compiling and linking.
COMPILE_SHARE_FLOOR = 0.3
# The run's own pace replaces the estimate's once this many mutants are done.
PACE_AFTER = 5


@dataclass
class Costs:
    """Seconds, measured on the baseline."""
    one_object: float   # one source changed: compile it, archive, link every program
    relink: float       # nothing to compile, every program linked again
    tests: float        # every program once, on all job slots
    jobs: int

    def rebuild(self, dependents):
        """A change to a file that `dependents` objects are compiled from."""
        compile_one = max(self.one_object - self.relink, COMPILE_SHARE_FLOOR * self.one_object)
        rounds = -(-max(dependents, 1) // self.jobs)
        return min(self.relink, self.one_object) + rounds * compile_one


def estimate(mutants, costs, dependents):
    """Seconds to work through the mutants: each a rebuild of its file and the
    tests (as for a survivor), and a rebuild per file when the original is put
    back."""
    total = 0.0
    files = set()
    for mutant in mutants:
        rebuild = costs.rebuild(dependents.get(mutant.path, 1))
        total += rebuild + costs.tests
        if mutant.path not in files:
            files.add(mutant.path)
            total += rebuild
    return total


def shuffled(mutants, seed):
    order = list(mutants)
    random.Random(seed).shuffle(order)
    return order


def in_run_order(mutants):
    return sorted(mutants, key=lambda m: (m.path, m.line, m.column))


class Schedule:
    """The first `size` mutants of the seeded draw, handed out file by file.
    When the run falls behind, its own pace so far projects the rest, and the
    sample is cut to a shorter prefix of the draw until the projection fits:
    the mutants it leaves were drawn last, and any already run among them are
    left out of the results, so that the sample stays the first N of the draw."""

    def __init__(self, drawn, size, costs, dependents, budget_s=None):
        self.drawn = drawn
        self.rank = {id(m): r for r, m in enumerate(drawn)}
        self.size = size
        self.costs, self.dependents, self.budget_s = costs, dependents, budget_s
        self.done = set()
        self.modelled_s = 0.0
        self.spent_s = 0.0
        self._started_files = set()

    @classmethod
    def within(cls, mutants, seed, budget_s, costs, dependents):
        """The longest prefix of the draw whose estimate fits the budget."""
        drawn = shuffled(mutants, seed)
        size, files, total = 0, set(), 0.0
        for mutant in drawn:
            rebuild = costs.rebuild(dependents.get(mutant.path, 1))
            extra = rebuild + costs.tests + (rebuild if mutant.path not in files else 0.0)
            if total + extra > budget_s:
                break
            size += 1
            files.add(mutant.path)
            total += extra
        return cls(drawn, size, costs, dependents, budget_s)

    def sample(self):
        return self.drawn[:self.size]

    def pending(self):
        return in_run_order(m for m in self.sample() if id(m) not in self.done)

    def next(self, elapsed_s):
        """The next mutant to run, after cutting the sample if the run would
        overrun its budget; None when none is left."""
        if self.budget_s is not None:
            self._fit(elapsed_s)
        pending = self.pending()
        return pending[0] if pending else None

    def record(self, mutant, seconds):
        self.done.add(id(mutant))
        rebuild = self.costs.rebuild(self.dependents.get(mutant.path, 1))
        self.modelled_s += rebuild + self.costs.tests
        if mutant.path not in self._started_files:
            self._started_files.add(mutant.path)
            self.modelled_s += rebuild
        self.spent_s += seconds

    def kept(self, mutant):
        return self.rank[id(mutant)] < self.size

    def _pace(self):
        return self.spent_s / self.modelled_s if len(self.done) >= PACE_AFTER and self.modelled_s else 1.0

    def _fit(self, elapsed_s):
        pace = self._pace()
        while self.size > 0:
            pending = self.pending()
            if not pending or elapsed_s + pace * estimate(pending, self.costs, self.dependents) <= self.budget_s:
                return
            # Cut a fiftieth of what is left, at least one mutant, from the end of the draw.
            self.size = max(self.size - max(len(pending) // 50, 1), 0)
