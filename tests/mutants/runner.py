"""The mutants' build (host platform, optimised, no sanitizers) and the fast
test programs, found through CTest by their label and run once each per
mutant, on every job slot, stopping at the first failure."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

from workspace import ToolError

LABEL = "firmware"
BUILD_TARGET = "firmware_test_programs"
CONFIGURE_FLAGS = [
    "-G", "Unix Makefiles",
    "-DCMAKE_BUILD_TYPE=Release",
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG",
    "-DTILTMON_PLATFORM=host",
    "-DTILTMON_SANITIZE=OFF",
]
# A mutant's program is stopped after this many times its baseline run, and
# never sooner than the floor: it may loop for ever.
TIMEOUT_FACTOR = 10
TIMEOUT_FLOOR_S = 10.0
POLL_S = 0.005


def _compiler_cache(build_directory):
    """ccache, when installed, keeps the objects of the sources as they are:
    putting a file back after its mutant then costs no compiling. Its cache
    lives beside the mutants' build."""
    if not shutil.which("ccache"):
        return None
    return {"CCACHE_DIR": str(Path(build_directory).parent / "ccache"), "CCACHE_MAXSIZE": "2G"}


def _run_killable(command, **kwargs):
    """subprocess.run whose whole process group goes when the run is
    interrupted, so that no compiler writes an object after we restore."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True,
                               **kwargs)
    try:
        output, _ = process.communicate()
    except BaseException:
        _kill_group(process)
        raise
    return process.returncode, output.decode(errors="replace")


def _kill_group(process):
    try:
        os.killpg(process.pid, 9)
    except ProcessLookupError:
        pass
    process.wait()


@dataclass
class BuildResult:
    ok: bool
    seconds: float
    output: str

    @property
    def compiled(self):
        return "Building " in self.output

    @property
    def first_error(self):
        for line in self.output.splitlines():
            if "error" in line:
                return line.strip()
        lines = [line for line in self.output.splitlines() if line.strip()]
        return lines[-1].strip() if lines else "no output"


class Build:
    def __init__(self, tree, directory, jobs):
        self.tree, self.directory, self.jobs = Path(tree), Path(directory), jobs
        self.cache = _compiler_cache(directory)

    def configure(self):
        launcher = "ccache" if self.cache else ""
        code, output = _run_killable(["cmake", "-S", str(self.tree), "-B", str(self.directory)] + CONFIGURE_FLAGS +
                                     [f"-DCMAKE_CXX_COMPILER_LAUNCHER={launcher}",
                                      f"-DCMAKE_C_COMPILER_LAUNCHER={launcher}"])
        if code != 0:
            raise ToolError(f"cmake could not configure the mutants' build:\n{output[-3000:]}")

    def build(self, cached=True):
        """cached=False compiles for real, as a mutant's own source is."""
        environment = dict(os.environ, **(self.cache or {}))
        if not cached:
            environment["CCACHE_DISABLE"] = "1"
        start = time.monotonic()
        code, output = _run_killable(["cmake", "--build", str(self.directory), "--target", BUILD_TARGET,
                                      "-j", str(self.jobs)], env=environment)
        return BuildResult(code == 0, time.monotonic() - start, output)

    def relink(self):
        """A build that only links: the firmware's archive made newer than
        the programs. None when the archive is not where it is expected."""
        archives = sorted(self.directory.glob("**/libtiltmon_firmware.a"))
        if not archives:
            return None
        os.utime(archives[0])
        return self.build()

    def dependents(self):
        """For each source of the copy, the number of objects compiled from it
        (from the compiler's dependency files)."""
        counts = {}
        tree = str(self.tree.resolve()) + os.sep
        for depfile in self.directory.rglob("*.o.d"):
            text = depfile.read_text(errors="replace").replace("\\\n", " ")
            _, _, prerequisites = text.partition(": ")
            for name in set(prerequisites.split()):
                path = os.path.normpath(name if os.path.isabs(name) else os.path.join(self.directory, name))
                if path.startswith(tree):
                    relative = path[len(tree):].replace(os.sep, "/")
                    counts[relative] = counts.get(relative, 0) + 1
        return counts


@dataclass
class Program:
    name: str
    path: str
    directory: str
    environment: dict
    baseline_s: float = 0.0
    kills: int = 0

    @property
    def timeout_s(self):
        return max(TIMEOUT_FLOOR_S, TIMEOUT_FACTOR * self.baseline_s)


def test_programs(build_directory):
    """The programs behind the tests labelled firmware (a program runs once
    for all its cases), and the CTest entries of programs that were not built."""
    code, output = _run_killable(["ctest", "-L", LABEL, "-LE", "long", "--show-only=json-v1"],
                                 cwd=str(build_directory))
    if code != 0:
        raise ToolError(f"ctest could not list the tests labelled {LABEL}:\n{output[-3000:]}")
    try:
        listing = json.loads(output[output.index("{"):])
    except ValueError as error:
        raise ToolError(f"ctest's test list is not JSON: {error}") from error
    programs, missing = {}, []
    for test in listing.get("tests", []):
        command = test.get("command")
        if not command:
            missing.append(test.get("name", "?"))
            continue
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        environment = dict(item.split("=", 1) for item in properties.get("ENVIRONMENT", []) if "=" in item)
        path = command[0]
        programs.setdefault(path, Program(Path(path).name, path,
                                          properties.get("WORKING_DIRECTORY", str(Path(path).parent)),
                                          environment))
    if not programs:
        raise ToolError(f"no test is labelled {LABEL} in the mutants' build")
    return sorted(programs.values(), key=lambda p: p.name), sorted(missing)


@dataclass
class Outcome:
    verdict: str          # "passed", "failed" or "timeout"
    program: str = ""
    detail: str = ""
    seconds: dict = field(default_factory=dict)


_FAILED_TEST = re.compile(r"^\[  FAILED  \] (\S+)", re.M)


def run_programs(programs, jobs):
    """Runs the programs in the given order, `jobs` at a time; the first that
    fails or overruns its time stops the others."""
    pending = list(programs)
    running = []
    seconds = {}
    try:
        while pending or running:
            while pending and len(running) < jobs:
                program = pending.pop(0)
                log = tempfile.TemporaryFile()
                process = subprocess.Popen([program.path, "--gtest_brief=1", "--gtest_fail_fast"],
                                           cwd=program.directory, env={**os.environ, **program.environment},
                                           stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                           start_new_session=True)
                running.append((program, process, log, time.monotonic()))
            time.sleep(POLL_S)
            for entry in list(running):
                program, process, log, started = entry
                elapsed = time.monotonic() - started
                if process.poll() is None:
                    if elapsed > program.timeout_s:
                        return Outcome("timeout", program.name, f"no end within {program.timeout_s:.0f} s", seconds)
                    continue
                running.remove(entry)
                log.seek(0)
                text = log.read().decode(errors="replace")
                log.close()
                seconds[program.name] = elapsed
                if process.returncode != 0:
                    failed = _FAILED_TEST.search(text)
                    detail = failed.group(1) if failed else f"exit status {process.returncode}"
                    return Outcome("failed", program.name, detail, seconds)
        return Outcome("passed", seconds=seconds)
    finally:
        for _, process, log, _ in running:
            if process.poll() is None:
                _kill_group(process)
            log.close()
