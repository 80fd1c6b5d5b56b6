"""The sample: the seeded draw, run for as long as the budget lasts."""

import unittest

from operators import Mutant
from plan import Costs, Schedule, shuffled

MUTANTS = [Mutant(f"src/f{k % 5}.cpp", k, 0, "constant", ("a",), ("b",)) for k in range(100)]
COSTS = Costs(one_object=4.0, relink=2.0, tests=1.0, jobs=2)  # a mutant: 4 s to rebuild, 1 s of tests

# (seconds a mutant really takes, budget, mutants run): the next runs while
# its estimate, scaled by the pace seen after the first five, still fits
RUNS = [(5.0, 100.0, 20), (10.0, 100.0, 10), (2.5, 100.0, 40), (5.0, None, 100)]


NOISY = Costs(one_object=2.2, relink=1.9, tests=1.0, jobs=2)  # compiling is taken as 0.3 of 2.2 s at least

# (costs, objects compiled from the changed file, seconds to rebuild): the
# objects compile two at a time, then everything links
REBUILDS = [(COSTS, 1, 4.0), (COSTS, 2, 4.0), (COSTS, 3, 6.0), (COSTS, 38, 40.0), (NOISY, 1, 2.56)]


class Sampling(unittest.TestCase):
    def test_a_rebuild_costs_linking_and_a_compile_per_round_of_objects(self):
        for costs, dependents, seconds in REBUILDS:
            with self.subTest(costs=costs, dependents=dependents):
                self.assertAlmostEqual(costs.rebuild(dependents), seconds)

    def test_the_draw_depends_only_on_the_seed(self):
        self.assertEqual(shuffled(MUTANTS, 7), shuffled(MUTANTS, 7))
        self.assertNotEqual(shuffled(MUTANTS, 7), shuffled(MUTANTS, 8))
        self.assertEqual(sorted(shuffled(MUTANTS, 7), key=lambda m: m.line), MUTANTS)

    def test_a_run_is_the_first_mutants_of_the_draw_that_its_budget_allows(self):
        for seconds, budget, count in RUNS:
            with self.subTest(seconds=seconds, budget=budget):
                schedule = Schedule(shuffled(MUTANTS, 3), COSTS, {}, budget)
                elapsed, run = 0.0, []
                while (mutant := schedule.next(elapsed)) is not None:
                    elapsed += seconds
                    schedule.record(mutant, seconds)
                    run.append(mutant)
                self.assertEqual(run, shuffled(MUTANTS, 3)[:count])
                self.assertEqual(schedule.out_of_time, count < len(MUTANTS))


if __name__ == "__main__":
    unittest.main()
