#!/usr/bin/env python3
"""Worst-case stack depth of the firmware image, from its call graph.

The call graph is gcc's own (-fcallgraph-info=su, one .ci file per object,
with the frame of each function as -fstack-usage gives it) joined with the
calls that the linked image makes: the C library and libgcc come without
.ci files, and gcc's graph leaves out the helper calls it emits late (the
soft-float and division routines). Those are read from the disassembly of
tiltmon.elf: every BL, every branch into another function (a tail call) and
every fall-through into the next function. A frame that no .ci file gives is
what the function's code takes from the stack: every PUSH, STMDB SP!, store
with SP pre-decrement and SUB SP of its body, added up (more than any one
path takes, never less). gcc's frames of our own functions are checked
against that reading: where the reading gives less, it cannot be trusted for
the library either, and the check fails.

Indirect calls (BLX or BX through a register) exist only in the C library.
Each function that makes one has its possible targets named below, and each
of those must be a function whose address the image holds; a new indirect
call that is not named fails the check rather than being guessed at.

Exceptions nest as their priorities allow: the foreground loop (thread mode,
from the reset entry), SysTick at the lowest priority pre-empting it, the
button interrupt (highest device priority) pre-empting SysTick, and a hard
fault pre-empting all three. Each entry stacks an 8-word frame and may align
the stack to 8 bytes first (4 more bytes).

usage: stack_depth.py <target build dir> [--summary]
Exit status 0 when the worst case fits _Min_Stack_Size, 1 when it does not,
2 when the image cannot be analysed.
"""

import pathlib
import re
import subprocess
import sys

EXCEPTION_FRAME = 8 * 4
ALIGNMENT_PAD = 4

# The contexts in their nesting order, each with the function that enters it.
CONTEXTS = [
    ("foreground loop (thread mode)", "Reset_Handler", False),
    ("SysTick (lowest priority)", "SysTick_Handler", True),
    ("button interrupt (highest device priority)", "EXTI15_10_IRQHandler", True),
    ("hard fault", "HardFault_Handler", True),
]

# Where the C library's indirect calls can lead. Its streams are set up by
# __sinit with the four hooks __sread, __swrite, __sseek and __sclose; the
# formatted output hands its output function down to _printf_common and
# _printf_i, __sfputs_r for a stream and __ssputs_r for a string, so the
# nearest formatter on the chain decides; _fwalk and _fwalk_reent apply what
# their callers pass, _fflush_r (also _cleanup_r's at exit), __fp_lock and
# __fp_unlock; the start-up runs the image's .preinit_array and .init_array;
# the transactional-memory hooks that register_tm_clones and
# deregister_tm_clones test for are absent (null) in this image.
PRINTING_TO = {"_vfiprintf_r": ["__sfputs_r"], "_svfprintf_r": ["__ssputs_r"]}
INDIRECT_TARGETS = {
    "__sflush_r": ["__sread", "__swrite", "__sseek", "__sclose"],
    "_printf_common": PRINTING_TO,
    "_printf_i": PRINTING_TO,
    "_fwalk": ["_fflush_r", "__fp_lock", "__fp_unlock"],
    "_fwalk_reent": ["_fflush_r", "__fp_lock", "__fp_unlock"],
    "__libc_init_array": "init arrays",
    "register_tm_clones": [],
    "deregister_tm_clones": [],
}

# Recursion that a flag stops: __sinit sets the global stream table's
# "initialised" flag before its __sfp calls, and __sfp calls __sinit only
# while that flag is clear, so __sinit runs at most twice on one chain (once
# for a thread's table, once for the global one), and __sfp with it.
GUARDED_RECURSION = {"__sinit": 2, "__sinit.part.0": 2, "__sfp": 2}

# A report of a bad driver argument is never made from inside formatted
# output: the console's driver calls there pass the console port's own
# constants, which their checks accept.
REPORTS = {"assert_failed", "print_assert"}

# Calls that the code holds but that never run. The heap's overflow report in
# _sbrk: only the C library allocates, and only the stream table that __sinit
# sets up once (a few hundred bytes of the 4096), since the streams are
# unbuffered.
CUT_CALLS = {("_sbrk", "print_assert")}


class Unanalysable(Exception):
    pass


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def functions_of(elf):
    """Every function of the image: name, start address, size."""
    found = {}
    for line in run("arm-none-eabi-readelf", "-sW", str(elf)).splitlines():
        fields = line.split()
        if len(fields) < 8 or fields[3] != "FUNC":
            continue
        start = int(fields[1], 16) & ~1
        found.setdefault(start, (fields[7], int(fields[2])))
    return found


def symbol_value(elf, name):
    for line in run("arm-none-eabi-nm", str(elf)).splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[2] == name:
            return int(fields[0], 16)
    raise Unanalysable(f"{elf} has no symbol {name}")


def address_taken(elf):
    """Every word of the image's code, constants and data that could be a
    Thumb function's address: what an indirect call can reach."""
    words = set()
    dump = run("arm-none-eabi-objdump", "-s", "-j", ".text", "-j", ".rodata", "-j", ".data",
               "-j", ".preinit_array", "-j", ".init_array", "-j", ".fini_array", str(elf))
    for line in dump.splitlines():
        match = re.match(r"^ *([0-9a-f]+) ((?:[0-9a-f]{8} ?){1,4})", line)
        if match:
            words.update(int.from_bytes(bytes.fromhex(w), "little") for w in match.group(2).split())
    return {word & ~1 for word in words if word & 1}


def init_array_entries(elf):
    """The functions the start-up calls through its .preinit_array and .init_array."""
    entries = []
    dump = run("arm-none-eabi-objdump", "-s", "-j", ".preinit_array", "-j", ".init_array", str(elf))
    for line in dump.splitlines():
        match = re.match(r"^ *([0-9a-f]+) ((?:[0-9a-f]{8} ?){1,4})", line)
        if not match:
            continue
        for word in match.group(2).split():
            entries.append(int.from_bytes(bytes.fromhex(word), "little") & ~1)
    return entries


REGISTER_LIST = re.compile(r"\{([^}]*)\}")
PRE_DECREMENT = re.compile(r"\[sp, #-(\d+)\]!")
SP_IMMEDIATE = re.compile(r"^sub(?:\.w|w)?\s+sp, (?:sp, )?#(\d+)")
DIRECT_CALL = re.compile(r"^bl\s+([0-9a-f]+) <")
BRANCH = re.compile(r"^(b|b[a-z]{2})(?:\.[nw])?\s+([0-9a-f]+) <")
INDIRECT = re.compile(r"^bl?x(?:[a-z]{2})?\s+(r\d+|ip|sl|fp)$")
ENDS_FLOW = re.compile(r"^(bx\s|ldr(?:\.w)?\s+pc,|mov\s+pc,|pop(?:\.w)?\s+\{[^}]*pc\}|ldmia(?:\.w)?\s+sp!, \{[^}]*pc\}|b(?:\.[nw])?\s|udf|bkpt)")


def register_count(text):
    count = 0
    for item in REGISTER_LIST.search(text).group(1).split(","):
        item = item.strip()
        if "-" in item:
            low, high = (int(r[1:]) for r in item.split("-"))
            count += high - low + 1
        else:
            count += 1
    return count


def read_code(elf, functions):
    """Per function start: stack taken by its code, calls, indirect calls, falls through."""
    starts = sorted(functions)
    by_start = {start: {"frame": 0, "calls": set(), "indirect": 0, "last": None} for start in starts}

    def owner(address):
        low, high = 0, len(starts) - 1
        while low <= high:
            mid = (low + high) // 2
            if starts[mid] <= address:
                low = mid + 1
            else:
                high = mid - 1
        if high < 0:
            return None
        start = starts[high]
        return start if address < start + max(functions[start][1], 2) else None

    listing = run("arm-none-eabi-objdump", "-d", "--no-show-raw-insn", str(elf))
    for line in listing.splitlines():
        match = re.match(r"^\s+([0-9a-f]+):\s+(.*)$", line)
        if not match:
            continue
        address, text = int(match.group(1), 16), match.group(2).split("@")[0].strip()
        start = owner(address)
        if start is None or text.startswith((".word", ".short", ".byte")):
            continue
        code = by_start[start]
        if text != "nop":  # padding before a literal pool
            code["last"] = text
        mnemonic = text.split()[0]
        if mnemonic.startswith("push") or (mnemonic.startswith("stmdb") and text.split()[1] == "sp!,"):
            code["frame"] += 4 * register_count(text)
        elif PRE_DECREMENT.search(text) and mnemonic.startswith("str"):
            code["frame"] += int(PRE_DECREMENT.search(text).group(1))
        elif re.match(r"^\S+\s+sp,", text) and not mnemonic.startswith("add"):
            immediate = SP_IMMEDIATE.match(text)
            if not immediate:
                raise Unanalysable(f"{functions[start][0]} moves the stack pointer by an unknown amount: {text}")
            code["frame"] += int(immediate.group(1))
        if DIRECT_CALL.match(text):
            code["calls"].add(int(DIRECT_CALL.match(text).group(1), 16))
        elif BRANCH.match(text):
            target = int(BRANCH.match(text).group(2), 16)
            target_owner = owner(target)
            if target_owner is not None and target_owner != start:
                code["calls"].add(target)
        elif INDIRECT.match(text):
            code["indirect"] += 1
    for index, start in enumerate(starts):
        code = by_start[start]
        last = code["last"]
        falls = last is not None and not ENDS_FLOW.match(last) and index + 1 < len(starts)
        code["falls_into"] = starts[index + 1] if falls else None
        code["calls"] = {owner(target) for target in code["calls"] if owner(target) is not None}
    return by_start


CI_NODE = re.compile(r'node: \{ title: "([^"]+)" label: "[^"]*\\n[^"]*\\n(\d+) bytes \(([^)]+)\)" \}')
CI_EDGE = re.compile(r'edge: \{ sourcename: "([^"]+)" targetname: "([^"]+)"')


def read_call_graph(build):
    """gcc's frames and calls of our own functions, from the .ci files of the image's objects."""
    frames, calls = {}, {}
    files = sorted(build.glob("CMakeFiles/tiltmon.dir/**/*.ci")) + sorted(build.glob("CMakeFiles/tiltmon_module_*/**/*.ci"))
    if not files:
        raise Unanalysable(f"no .ci files under {build}: build the target with -fcallgraph-info=su")
    for path in files:
        text = path.read_text()
        for name, size, kind in CI_NODE.findall(text):
            if kind not in ("static", "dynamic,bounded"):
                raise Unanalysable(f"{name} has a frame of {size} bytes ({kind}) that nothing bounds")
            frames[name] = max(frames.get(name, 0), int(size))
        for source, target in CI_EDGE.findall(text):
            calls.setdefault(source, set()).add(target)
    return frames, calls


class Graph:
    def __init__(self, build):
        elf = build / "tiltmon.elf"
        if not elf.exists():
            raise Unanalysable(f"no image at {elf}: build the target first")
        self.reserve = symbol_value(elf, "_Min_Stack_Size")
        functions = functions_of(elf)
        self.address = {}
        for start, (name, _) in functions.items():
            self.address.setdefault(name, start)
        self.name = {start: name for start, (name, _) in functions.items()}
        self.code = read_code(elf, functions)
        gcc_frames, gcc_calls = read_call_graph(build)
        self.checked = self.over = 0
        self.frame = {}
        for start, code in self.code.items():
            name = self.name[start]
            if name in gcc_frames:
                if code["frame"] < gcc_frames[name]:
                    raise Unanalysable(f"the reading of the code gives {name} a frame of {code['frame']} bytes, "
                                       f"gcc {gcc_frames[name]}: the reading cannot be trusted for the library")
                self.checked += 1
                self.over += code["frame"] > gcc_frames[name]
                self.frame[start] = gcc_frames[name]
            else:
                self.frame[start] = code["frame"]
        self.calls = {}
        for start, code in self.code.items():
            callees = set(code["calls"])
            for target in gcc_calls.get(self.name[start], ()):
                if target in self.address:
                    callees.add(self.address[target])
            if code["falls_into"] is not None:
                callees.add(code["falls_into"])
            self.calls[start] = {c for c in callees if (self.name[start], self.name[c]) not in CUT_CALLS}
        self.memo = {}
        self.taken = None
        self.elf = elf

    def indirect_targets(self, start, path):
        name = self.name[start]
        if name not in INDIRECT_TARGETS:
            raise Unanalysable(f"{name} calls through a register and nothing here says where that can lead")
        named = INDIRECT_TARGETS[name]
        if named == "init arrays":
            return set(init_array_entries(self.elf))
        if isinstance(named, dict):
            formatter = self.nearest(path, named)
            if formatter is None:
                raise Unanalysable(f"{name} is reached without any of {sorted(named)} before it")
            named = named[formatter]
        targets = {self.address[target] for target in named if target in self.address}
        if self.taken is None:
            self.taken = address_taken(self.elf)
        for target in targets - self.taken:
            raise Unanalysable(f"{name} is said to call {self.name[target]}, whose address the image never holds")
        return targets

    def nearest(self, path, names):
        for start in reversed(path):
            if self.name[start] in names:
                return self.name[start]
        return None

    def worst(self, start, path=()):
        """Deepest stack below start (its frame included), and the chain that takes it."""
        name = self.name[start]
        if name in REPORTS and self.nearest(path, PRINTING_TO) is not None:
            return 0, []
        rounds = path.count(start)
        if rounds:
            if name not in GUARDED_RECURSION:
                cycle = " -> ".join(self.name[s] for s in path[path.index(start):] + (start,))
                raise Unanalysable(f"recursion bounds nothing: {cycle}")
            if rounds >= GUARDED_RECURSION[name]:
                return 0, []  # the guard stops it here
        # What the result depends on besides start: the guarded rounds so far
        # and who formats.
        key = (start, tuple(path.count(self.address[g]) for g in GUARDED_RECURSION if g in self.address),
               self.nearest(path, PRINTING_TO))
        if key in self.memo:
            return self.memo[key]
        callees = set(self.calls[start])
        if self.code[start]["indirect"]:
            callees |= self.indirect_targets(start, path + (start,))
        deepest, chain = 0, []
        for callee in sorted(callees):
            depth, below = self.worst(callee, path + (start,))
            if depth > deepest:
                deepest, chain = depth, below
        result = (self.frame[start] + deepest, [start] + chain)
        self.memo[key] = result
        return result


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip().splitlines()[-4], file=sys.stderr)
        return 2
    build = pathlib.Path(argv[1])
    summary = "--summary" in argv[2:]
    try:
        graph = Graph(build)
        total = 0
        lines = []
        for title, entry, is_exception in CONTEXTS:
            if entry not in graph.address:
                raise Unanalysable(f"the image has no {entry}")
            depth, chain = graph.worst(graph.address[entry])
            entry_cost = EXCEPTION_FRAME + ALIGNMENT_PAD if is_exception else 0
            total += depth + entry_cost
            lines.append((title, depth, entry_cost, chain))
    except (Unanalysable, subprocess.CalledProcessError, FileNotFoundError) as error:
        print(f"stack_depth: {error}", file=sys.stderr)
        return 2

    fits = total <= graph.reserve
    if summary:
        print(f"  {'worst-case stack':<28} {total:8d} bytes (call graph, all four contexts nested)")
        print(f"  {'stack reserve':<28} {graph.reserve:8d} bytes ({graph.reserve - total:+d} to spare)")
        for title, depth, entry_cost, _ in lines:
            print(f"    {depth + entry_cost:6d}  {title}" + (f" (frames {depth} + entry {entry_cost})" if entry_cost else ""))
    else:
        print(f"Worst-case stack of {graph.elf}")
        print(f"  gcc's frames of {graph.checked} functions: the reading of their code gives as much"
              f" ({graph.checked - graph.over}) or more ({graph.over})")
        for title, depth, entry_cost, chain in lines:
            print(f"  {title}: {depth} bytes of frames" + (f" + {entry_cost} for the exception entry" if entry_cost else ""))
            for start in chain:
                print(f"    {graph.frame[start]:5d}  {graph.name[start]}")
        print(f"  all nested: {total} bytes; reserve (_Min_Stack_Size): {graph.reserve} bytes")
        if not fits:
            print(f"  the worst case exceeds the reserve by {total - graph.reserve} bytes")
    return 0 if fits else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
