"""The sample: drawn by its seed, cut from the end of the draw when the run
falls behind its estimate."""

import unittest

from operators import Mutant
from plan import Costs, Schedule, estimate, shuffled

MUTANTS = [Mutant(f"src/f{k % 5}.cpp", k, 0, "constant", ("a",), ("b",)) for k in range(100)]
COSTS = Costs(one_object=4.0, relink=2.0, tests=1.0, jobs=2)  # a mutant: 4 s to rebuild, 1 s of tests


class Sampling(unittest.TestCase):
    def test_the_draw_depends_only_on_the_seed(self):
        self.assertEqual(shuffled(MUTANTS, 7), shuffled(MUTANTS, 7))
        self.assertNotEqual(shuffled(MUTANTS, 7), shuffled(MUTANTS, 8))
        self.assertEqual(sorted(shuffled(MUTANTS, 7), key=lambda m: m.line), MUTANTS)

    def test_the_sample_is_the_longest_prefix_of_the_draw_within_the_budget(self):
        # (budget in s, mutants): 5 s each, and 4 s for each of the 5 files when the run moves on
        for budget, size in [(19.0, 2), (300.0, 56), (520.0, 100)]:
            with self.subTest(budget=budget):
                schedule = Schedule.within(MUTANTS, 3, budget, COSTS, {})
                self.assertEqual(schedule.sample(), shuffled(MUTANTS, 3)[:size])

    def test_a_run_slower_than_its_estimate_cuts_the_end_of_the_draw(self):
        schedule = Schedule.within(MUTANTS, 3, 300.0, COSTS, {})
        elapsed, run = 0.0, []
        while (mutant := schedule.next(elapsed)) is not None:
            seconds = 2 * (estimate([mutant], COSTS, {}) if mutant.path not in {m.path for m in run} else 5.0)
            elapsed += seconds
            schedule.record(mutant, seconds)
            run.append(mutant)
        self.assertLessEqual(elapsed, 300.0)
        self.assertLess(schedule.size, 56)
        kept = [m for m in run if schedule.kept(m)]
        self.assertEqual(sorted(kept, key=lambda m: m.line), sorted(schedule.sample(), key=lambda m: m.line))
        # its own pace learnt, the run cuts early: little of what ran falls beyond the cut
        self.assertLessEqual(len(run) - len(kept), len(run) // 10)


if __name__ == "__main__":
    unittest.main()
