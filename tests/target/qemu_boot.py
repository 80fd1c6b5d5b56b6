# gdb-multiarch batch script for qemu_boot.sh: boots the image to the
# foreground loop, reads the core clock, forces a hard fault and lets the
# report run into its halt. Each stage prints a "STAGE:" line so the shell
# script can tell how far the boot got.
import os
import re
import time

import gdb

PORT = os.environ["TILTMON_GDB_PORT"]
CONNECT_ATTEMPTS = 50
THUMB_BIT = 0x01000000
# Distinct values with hexadecimal letters, so the report's frame order and
# its upper-case digits can be checked.
SEEDS = {"R0": 0xC0FFEE00, "R1": 0xC0FFEE01, "R2": 0xC0FFEE02, "R3": 0xC0FFEE03, "R12": 0xC0FFEE0C}


def stage(text):
    print("STAGE: " + text, flush=True)


def fail(text):
    print("FAIL: " + text, flush=True)
    gdb.execute("quit 1")


def connect():
    for _ in range(CONNECT_ATTEMPTS):
        try:
            gdb.execute("target remote 127.0.0.1:" + PORT, to_string=True)
            return
        except gdb.error:
            time.sleep(0.1)
    fail("could not reach QEMU's gdb server on port " + PORT)


def pc():
    return int(gdb.parse_and_eval("$pc")) & 0xFFFFFFFF


def where():
    try:
        sym = gdb.execute("info symbol 0x%x" % pc(), to_string=True).strip()
        return "0x%08X (%s)" % (pc(), sym)
    except gdb.error:
        return "an unknown place (the target is gone)"


def function_range(name):
    address = int(gdb.parse_and_eval("(unsigned int)&" + name)) & ~1
    block = gdb.block_for_pc(address)
    while block is not None and block.function is None:
        block = block.superblock
    if block is None:
        fail("no debug information for " + name)
    return block.start, block.end


BRANCH = re.compile(r"^b(?:\.n|\.w)?\s+(0x[0-9a-f]+)")
CALL = re.compile(r"^bl\s+(0x[0-9a-f]+)")


def self_loops(start, end):
    arch = gdb.selected_frame().architecture()
    loops, calls = [], []
    for insn in arch.disassemble(start, end - 1):
        text = insn["asm"].strip()
        branch = BRANCH.match(text)
        if branch and int(branch.group(1), 16) == insn["addr"]:
            loops.append(insn["addr"])
        call = CALL.match(text)
        if call:
            calls.append(int(call.group(1), 16))
    return loops, calls


def halt_loop_of(name):
    # The report ends in an endless branch onto itself, inlined into the
    # report or one call away.
    start, end = function_range(name)
    loops, calls = self_loops(start, end)
    if loops:
        return loops[-1]
    for target in calls:
        block = gdb.block_for_pc(target)
        while block is not None and block.function is None:
            block = block.superblock
        if block is not None:
            inner, _ = self_loops(block.start, block.end)
            if inner:
                return inner[-1]
    fail("found no halt loop in " + name)


def run_until_stop():
    gdb.execute("continue")


def break_at(location):
    try:
        breakpoint = gdb.Breakpoint(location)
    except gdb.error as error:
        fail("cannot break at %s: %s" % (location, error))
    if breakpoint.pending:
        fail("the image has no %s to break at" % location)
    return breakpoint


gdb.execute("set pagination off")
gdb.execute("set confirm off")
connect()
stage("connected")

loop = break_at("Application_Periodic_Handle")
hard_fault = break_at("HardFault_Handler")
default = break_at("Default_Handler")

run_until_stop()
if hard_fault.hit_count or default.hit_count:
    fail("the boot faulted before the foreground loop, at " + where())
if loop.hit_count != 1:
    fail("stopped outside the foreground loop, at " + where())
stage("foreground loop reached")

print("SystemCoreClock=%d" % int(gdb.parse_and_eval("SystemCoreClock")), flush=True)

# With the Thumb bit of xPSR clear the next instruction raises an
# invalid-state usage fault; usage faults are not enabled, so it escalates
# to the hard fault.
fault_pc = pc()
print("Seed PC [R15]=%08X" % fault_pc, flush=True)
for register, value in SEEDS.items():
    gdb.execute("set $%s = 0x%x" % (register.lower(), value))
    print("Seed %s=%08X" % (register, value), flush=True)
loop.delete()
gdb.execute("set $xpsr = $xpsr & ~0x%x" % THUMB_BIT)
run_until_stop()
if default.hit_count:
    fail("the forced fault ended in Default_Handler, at " + where())
if hard_fault.hit_count != 1:
    fail("the forced fault did not reach HardFault_Handler; stopped at " + where())
stage("hard fault entered")

halt = break_at("*0x%x" % halt_loop_of("print_hardFault"))
run_until_stop()
if halt.hit_count != 1:
    fail("the hard-fault report did not reach its halt; stopped at " + where())
stage("report halted")

gdb.execute("kill")
gdb.execute("quit 0")
