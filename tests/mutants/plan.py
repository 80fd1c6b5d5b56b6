"""Which mutants a run works through, in which order: under a time budget,
the mutants of a seeded draw one after the other for as long as the next one
is expected to fit, so that what ran is always the first N of the draw (the
same seed and N give the same sample); without one, file by file."""

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

    def mutant(self, dependents):
        """A mutant, as for a survivor: its rebuild and every test program."""
        return self.rebuild(dependents) + self.tests


def shuffled(mutants, seed):
    order = list(mutants)
    random.Random(seed).shuffle(order)
    return order


def in_run_order(mutants):
    return sorted(mutants, key=lambda m: (m.path, m.line, m.column))


class Schedule:
    """Hands out the mutants in their order. Under a budget, the next one only
    while its estimate, scaled by the run's pace so far (time spent over time
    estimated), still fits in what is left."""

    def __init__(self, order, costs, dependents, budget_s=None):
        self.order = list(order)
        self.costs, self.dependents, self.budget_s = costs, dependents, budget_s
        self.count = 0
        self.modelled_s = 0.0
        self.spent_s = 0.0
        self.out_of_time = False

    def estimate(self, mutant):
        return self.costs.mutant(self.dependents.get(mutant.path, 1))

    def total_estimate(self):
        return sum(self.estimate(m) for m in self.order)

    def pace(self):
        return self.spent_s / self.modelled_s if self.count >= PACE_AFTER and self.modelled_s else 1.0

    def next(self, elapsed_s):
        """The next mutant, or None when all are done or the next would not fit."""
        if self.count == len(self.order):
            return None
        mutant = self.order[self.count]
        if self.budget_s is not None and elapsed_s + self.pace() * self.estimate(mutant) > self.budget_s:
            self.out_of_time = True
            return None
        return mutant

    def record(self, mutant, seconds):
        self.count += 1
        self.modelled_s += self.estimate(mutant)
        self.spent_s += seconds
