#!/usr/bin/env python3
"""clang-tidy's bugprone and analyzer checks (.clang-tidy) over the firmware,
the virtual board, the tools and the benchmarks, as the host build compiles
them. Any finding fails.

A translation unit is checked again only when what clang-tidy would see has
changed: its preprocessed text (so a header's change counts), its flags, the
settings in .clang-tidy and the clang-tidy version. A clean pass is
remembered under <build>/clang-tidy-clean/, one empty file a key.

usage: clang_tidy.py <build folder with compile_commands.json>
"""

import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
CHECKED = re.compile(re.escape(ROOT) + r"/(Libraries|Utilities|src|sim|tools|bench)/")
FINDING = re.compile(r"(warning|error): ")
COLOUR = re.compile(r"\x1b\[[0-9;]*m")


def fail(message):
    print(f"clang_tidy: {message}", file=sys.stderr)
    sys.exit(1)


def arguments(entry):
    if "arguments" in entry:
        return list(entry["arguments"])
    return shlex.split(entry["command"])


def preprocess_command(args):
    """The compile command turned into one that prints the preprocessed text."""
    out, skip = [], False
    for arg in args:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg != "-c":
            out.append(arg)
    return out + ["-E", "-C"]  # comments kept: a NOLINT in one counts


def key_of(entry, salt):
    args = arguments(entry)
    digest = hashlib.sha256(salt)
    digest.update("\0".join(preprocess_command(args)).encode())
    result = subprocess.run(preprocess_command(args), cwd=entry["directory"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, check=False)
    if result.returncode != 0:
        return None  # checked every time: clang-tidy reports what is wrong
    digest.update(result.stdout)
    return digest.hexdigest()


def check(tidy, build, entry, salt, cache):
    """(findings, key of a clean pass or None, whether it was remembered)."""
    key = key_of(entry, salt)
    if key and os.path.exists(os.path.join(cache, key)):
        return [], key, True
    result = subprocess.run([tidy, "-p", build, "--quiet", entry["file"]], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace", check=False)
    findings = [COLOUR.sub("", line) for line in result.stdout.splitlines() if FINDING.search(line)]
    if result.returncode != 0 and not findings:
        findings = [f"{entry['file']}: clang-tidy ended with {result.returncode}: {result.stdout.strip()[-400:]}"]
    if not findings and key:
        open(os.path.join(cache, key), "w").close()
    return findings, key, False


def main():
    if len(sys.argv) != 2:
        fail("usage: clang_tidy.py <build folder>")
    build = os.path.realpath(sys.argv[1])
    tidy = shutil.which("clang-tidy") or shutil.which("clang-tidy-14")
    if not tidy:
        fail("clang-tidy is not installed (Debian package clang-tidy)")
    database = os.path.join(build, "compile_commands.json")
    if not os.path.isfile(database):
        fail(f"no compile_commands.json in {build}: configure the host preset first")
    with open(database) as stream:
        entries = [e for e in json.load(stream) if CHECKED.match(os.path.realpath(e["file"]))]
    if not entries:
        fail(f"no sources of the project in {database}")

    version = subprocess.run([tidy, "--version"], stdout=subprocess.PIPE, text=True, check=False).stdout
    with open(os.path.join(ROOT, ".clang-tidy"), "rb") as stream:
        salt = version.encode() + stream.read()
    cache = os.path.join(build, "clang-tidy-clean")
    os.makedirs(cache, exist_ok=True)

    findings, keys, remembered = set(), set(), 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for found, key, known in pool.map(lambda e: check(tidy, build, e, salt, cache), entries):
            findings.update(found)
            remembered += known
            if key:
                keys.add(key)
    if findings:
        for line in sorted(findings):
            print(line, file=sys.stderr)
        fail(f"{len(findings)} finding(s)")
    for stale in set(os.listdir(cache)) - keys:
        os.remove(os.path.join(cache, stale))
    print(f"clang_tidy: no findings in {len(entries)} files "
          f"({len(entries) - remembered} checked, {remembered} unchanged since their last clean pass)")


if __name__ == "__main__":
    main()
