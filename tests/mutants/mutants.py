#!/usr/bin/python3
"""make mutants: one-line faults written into a copy of the firmware, one at a
time, each rebuilt and run against the fast tests of the firmware (label
firmware); prints the faults that no test notices."""

import argparse
import signal
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import equivalents as equivalent_list  # noqa: E402
import plan  # noqa: E402
import report  # noqa: E402
from operators import mutants_of  # noqa: E402
from report import say  # noqa: E402
from runner import Build, run_programs, test_programs  # noqa: E402
from workspace import ToolError, Workspace, tracked_files  # noqa: E402

REPO = HERE.parents[1]
SCOPE = ("src/", "Utilities/", "Libraries/")
OUT_OF_SCOPE = ("Libraries/Core/seam/",)  # the platform, not behaviour
DEFAULT_SEED = 1
BASELINE_TIMEOUT_S = 600.0


def in_scope(name):
    return name.startswith(SCOPE) and not name.startswith(OUT_OF_SCOPE) and name.endswith((".cpp", ".h"))


def parse_arguments(argv):
    parser = argparse.ArgumentParser(prog="make mutants ARGS=...", description=__doc__)
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED,
                        help=f"seed of the sample drawn when not all mutants fit the budget (default {DEFAULT_SEED})")
    parser.add_argument("--sample", type=int, metavar="N",
                        help="run the first N mutants of the seeded draw, whatever the budget")
    parser.add_argument("--all", action="store_true", help="run every mutant, whatever the budget")
    parser.add_argument("--budget-minutes", type=float, default=55.0,
                        help="wall time for the whole run, set-up included (default 55)")
    parser.add_argument("--files", nargs="+", metavar="PATH", default=[],
                        help="only mutants in these files or folders (paths from the repository's root)")
    parser.add_argument("--only", metavar="ID[,ID...]", help="only the mutants with these ids (as listed)")
    parser.add_argument("--list", action="store_true", help="print the mutants (with --sample N: the sample) and exit")
    parser.add_argument("--jobs", type=int, default=2, help="programs run and compiled at once (default 2)")
    parser.add_argument("--equivalents", type=Path, default=HERE / "equivalent.txt",
                        help="the list of equivalent mutants (default tests/mutants/equivalent.txt)")
    args = parser.parse_args(argv)
    if args.jobs < 1 or args.budget_minutes <= 0 or (args.sample is not None and args.sample < 1):
        parser.error("--jobs, --budget-minutes and --sample take positive values")
    try:
        args.only = {int(i.strip().lstrip("#")) for i in args.only.split(",")} if args.only else None
    except ValueError:
        parser.error("--only takes ids such as 12,345 or #0012")
    return args


def all_mutants(names, read):
    """Every mutant in scope, numbered from 1 in file, line and column order:
    the same tree gives the same list and the same ids."""
    found = []
    for name in sorted(n for n in names if in_scope(n)):
        found.extend(mutants_of(name, read(name)))
    return list(enumerate(found, start=1))


def selected(numbered, args):
    chosen = [(n, m) for n, m in numbered
              if (not args.files or any(m.path == f.rstrip("/") or m.path.startswith(f.rstrip("/") + "/")
                                        for f in args.files))
              and (args.only is None or n in args.only)]
    if args.files and not chosen:
        raise ToolError(f"no mutant in {' '.join(args.files)} (in scope: {', '.join(SCOPE)} without "
                        f"{OUT_OF_SCOPE[0]}; .cpp and .h)")
    return chosen


class Run:
    def __init__(self, args):
        self.args = args
        self.started = time.monotonic()
        self.workspace = Workspace(REPO, REPO / "build" / "mutants")
        self.build = Build(self.workspace.tree, REPO / "build" / "mutants" / "build", args.jobs)
        self.equivalents = equivalent_list.Equivalents(equivalent_list.load(args.equivalents))
        self.results = []
        self.selection_size = 0
        self.scope_size = 0
        self.interrupted = False
        self.numbered = []

    def elapsed(self):
        return time.monotonic() - self.started

    def prepare(self):
        say(f"== Copying the tracked sources to {self.workspace.tree.relative_to(REPO)}")
        written = self.workspace.sync()
        say(f"{written} files written")
        names = [n for n in tracked_files(REPO) if (self.workspace.tree / n).is_file()]
        self.numbered = all_mutants(names, self.workspace.read)
        return selected(self.numbered, self.args)

    def baseline(self):
        say(f"== Building the test programs in {self.build.directory.relative_to(REPO)} (host, -O2, no sanitizers)")
        self.build.configure()
        result = self.build.build()
        if not result.ok:
            raise ToolError(f"the baseline does not build: {result.first_error}\n{result.output[-3000:]}")
        say(f"built in {result.seconds:.0f} s")
        programs, missing = test_programs(self.build.directory)
        if missing:
            say(f"not run (tests labelled firmware whose programs this build does not make): {', '.join(missing)}")
        say(f"== Baseline: {len(programs)} test programs, {self.args.jobs} at a time")
        for program in programs:
            program.baseline_s = BASELINE_TIMEOUT_S / 10
        start = time.monotonic()
        outcome = run_programs(programs, self.args.jobs)
        tests_s = time.monotonic() - start
        if outcome.verdict != "passed":
            raise ToolError(f"the baseline fails, so no mutant can be judged: {outcome.program}: {outcome.detail}. "
                            f"Run it in build/mutants/build to see why.")
        for program in programs:
            program.baseline_s = outcome.seconds[program.name]
        say(f"all pass in {tests_s:.1f} s; slowest: " + ", ".join(
            f"{p.name} {p.baseline_s:.1f} s" for p in sorted(programs, key=lambda p: -p.baseline_s)[:3]))
        return programs, tests_s

    def costs(self, tests_s):
        """What a mutant costs, from two builds: one source rewritten and
        compiled for real (the .cpp with the most mutants), then the
        firmware's archive alone made newer (linking only)."""
        probe = max((n for n in self.build_dependents if n.endswith(".cpp") and in_scope(n)),
                    key=lambda n: (sum(m.path == n for _, m in self.numbered), n))
        self.workspace.write(probe, self.workspace.read(probe))
        one_object = self.build.build(cached=False)
        if not (one_object.ok and one_object.compiled):
            raise ToolError(f"make did not rebuild after {probe} was rewritten with a new time:\n"
                            f"{one_object.output[-2000:]}")
        relink = self.build.relink()
        costs = plan.Costs(one_object.seconds, relink.seconds if relink else one_object.seconds / 2, tests_s,
                           self.args.jobs)
        say(f"a rebuild after one source changed: {one_object.seconds:.1f} s ({probe}); linking alone: "
            f"{costs.relink:.1f} s; every test program: {tests_s:.1f} s")
        if not self.build.cache:
            say("ccache is not installed: each mutant also recompiles the file put back before it, which "
                "leaves fewer mutants in the budget")
        return costs

    def choose(self, chosen, costs):
        mutants = [m for _, m in chosen]
        args = self.args
        if args.sample is not None:
            return plan.Schedule(plan.shuffled(mutants, args.seed)[:args.sample], costs, self.build_dependents)
        if args.all or args.only is not None:
            return plan.Schedule(plan.in_run_order(mutants), costs, self.build_dependents)
        schedule = plan.Schedule(plan.shuffled(mutants, args.seed), costs, self.build_dependents,
                                 args.budget_minutes * 60)
        left_s = schedule.budget_s - self.elapsed()
        say(f"all {len(mutants)} would take about {schedule.total_estimate() / 60:.0f} min by the baseline's costs, "
            f"{left_s / 60:.0f} min are left: the draw with seed {args.seed} runs while the budget lasts")
        return schedule

    def run_mutant(self, number, mutant, programs):
        original = self.workspace.read(mutant.path)
        mutated = mutant.apply(original)
        start = time.monotonic()
        try:
            self.workspace.write(mutant.path, mutated)
            built = self.build.build()
            if built.ok and not built.compiled:
                # The same time as the last object on a coarse clock: once more, later.
                self.workspace.write(mutant.path, mutated, later_by=1.0)
                built = self.build.build()
                if built.ok and not built.compiled:
                    raise ToolError(f"make did not rebuild after #{number} was written into {mutant.path}")
            if not built.ok:
                verdict = report.KILLED_BY_BUILD
                detail = built.first_error.replace(str(self.workspace.tree.resolve()) + "/", "")
            else:
                order = sorted(programs, key=lambda p: (-p.kills, p.baseline_s, p.name))
                if self.args.jobs > 1:
                    # The slowest first: a survivor's run then ends with it, not after it.
                    slowest = max(programs, key=lambda p: p.baseline_s)
                    order.remove(slowest)
                    order.insert(0, slowest)
                outcome = run_programs(order, self.args.jobs)
                verdict = {"failed": report.KILLED_BY_TESTS, "timeout": report.KILLED_BY_TIMEOUT,
                           "passed": report.SURVIVED}[outcome.verdict]
                detail = f"{outcome.program} ({outcome.detail})" if outcome.program else ""
                for program in programs:
                    if program.name == outcome.program:
                        program.kills += 1
        finally:
            # No signal may cut the restore in half.
            blocked = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}
            signal.pthread_sigmask(signal.SIG_BLOCK, blocked)
            try:
                self.workspace.write(mutant.path, original)
            finally:
                signal.pthread_sigmask(signal.SIG_UNBLOCK, blocked)
        return report.Result(number, mutant, verdict, detail, time.monotonic() - start,
                             self.equivalents.match(mutant))

    def execute(self):
        chosen = self.prepare()
        if self.args.list and self.args.sample is None:
            report.listing(chosen)
            say(f"{len(chosen)} mutants")
            return
        if self.args.list:
            picked = plan.shuffled([m for _, m in chosen], self.args.seed)[:self.args.sample]
            report.listing([(n, m) for n, m in chosen if any(m is p for p in picked)])
            say(f"{len(picked)} mutants of {len(chosen)}, seed {self.args.seed}")
            return
        programs, tests_s = self.baseline()
        self.build_dependents = self.build.dependents()
        uncompiled = sorted({m.path for _, m in chosen if not self.build_dependents.get(m.path)})
        if uncompiled:
            say(f"not compiled on the host, left out: {', '.join(uncompiled)}")
            chosen = [(n, m) for n, m in chosen if self.build_dependents.get(m.path)]
        self.scope_size = len(chosen)
        costs = self.costs(tests_s)
        ids = {id(m): n for n, m in chosen}
        self.schedule = self.choose(chosen, costs)
        total = len(self.schedule.order)
        say("== Mutants one at a time")
        while (mutant := self.schedule.next(self.elapsed())) is not None:
            result = self.run_mutant(ids[id(mutant)], mutant, programs)
            self.schedule.record(mutant, result.seconds)
            self.results.append(result)
            report.progress(len(self.results), total, result)

    def summary(self):
        args, ran = self.args, len(self.results)
        if args.only is not None:
            how = "those named by --only"
        elif args.all:
            how = "all of the selection"
        elif ran == self.scope_size:
            how = "all of them"
        else:
            why = ("interrupted" if self.interrupted else
                   "as many as the budget allowed" if args.sample is None else "as asked")
            how = (f"a sample: the first {ran} of the draw with seed {args.seed}, {why}; "
                   f"--seed {args.seed} --sample {ran} runs it again")
        notes = ["The run was interrupted before the end."] if self.interrupted else []
        wrong = [r for r in self.results if r.killed and r.equivalent]
        stale = self.equivalents.unmatched([m for _, m in self.numbered])
        shown = args.equivalents
        try:
            shown = shown.resolve().relative_to(REPO)
        except ValueError:
            pass
        report.summary(self.results, self.scope_size, how, notes, self.elapsed(), shown, wrong, stale)


def _interrupt(signum, frame):
    raise KeyboardInterrupt


def main(argv=None):
    args = parse_arguments(argv)
    # Ctrl-C too, even when started where SIGINT is ignored (in the background).
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, _interrupt)
    run = None
    try:
        run = Run(args)
        run.execute()
    except equivalent_list.EquivalentsError as error:
        report.error(str(error))
        return 2
    except ToolError as error:
        report.error(str(error))
        return 2
    except KeyboardInterrupt:
        report.error("interrupted: the copy holds no fault (each is put back as it ends)")
        if run and run.results:
            run.interrupted = True
            run.summary()
        return 130
    if not args.list:
        run.summary()
    return 0


if __name__ == "__main__":
    sys.exit(main())
