"""Which mutants a run works through: all of them when they fit the time
budget, otherwise a sample drawn with a seed (the same seed and size give the
same sample), and in which order (file by file, so that each file is rebuilt
once more only when the run moves on from it)."""

import random
from dataclasses import dataclass


@dataclass
class Costs:
    """Seconds, measured on the baseline."""
    one_object: float   # one source changed: compile it, archive, link every program
    relink: float       # nothing to compile, every program linked again
    tests: float        # every program once, on all job slots
    jobs: int

    def rebuild(self, dependents):
        """A change to a file that `dependents` objects are compiled from."""
        compile_one = max(self.one_object - self.relink, 0.1)
        rounds = -(-max(dependents, 1) // self.jobs)
        return self.relink + max(rounds, 1) * compile_one


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


def sample_within(mutants, seed, budget_s, costs, dependents):
    """The longest prefix of the seeded shuffle whose estimate fits the budget."""
    chosen, files, total = [], set(), 0.0
    for mutant in shuffled(mutants, seed):
        rebuild = costs.rebuild(dependents.get(mutant.path, 1))
        extra = rebuild + costs.tests + (rebuild if mutant.path not in files else 0.0)
        if total + extra > budget_s:
            break
        chosen.append(mutant)
        files.add(mutant.path)
        total += extra
    return chosen


def in_run_order(mutants):
    return sorted(mutants, key=lambda m: (m.path, m.line, m.column))


@dataclass
class Selection:
    mutants: list      # in run order
    sampled: bool
    estimate_s: float
