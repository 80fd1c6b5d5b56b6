# gdb-multiarch batch script for qemu_boot.sh: fills zero-initialised data
# with a pattern before the reset code runs and checks at main that it has
# been cleared, boots the image to the foreground loop (where the system
# menu's state, the limits read from flash and the absence of any fault
# handler or Default_Handler are checked), reads the core clock, forces a
# hard fault and lets the report run into its halt, where the heap break
# must not have moved. Each stage prints a "STAGE:" line so the shell script
# can tell how far the boot got.
import os
import re
import struct
import time

import gdb

PORT = os.environ["TILTMON_GDB_PORT"]
# QEMU listens within a moment on a quiet machine; the whole run is bounded by
# the shell script's time limit.
CONNECT_PATIENCE = 60
THUMB_BIT = 0x01000000
# Distinct values with hexadecimal letters, so the report's frame order and
# its upper-case digits can be checked.
SEEDS = {"R0": 0xC0FFEE00, "R1": 0xC0FFEE01, "R2": 0xC0FFEE02, "R3": 0xC0FFEE03, "R12": 0xC0FFEE0C}
# What zero-initialised data holds before the reset code clears it; RAM
# content at power-on is arbitrary, QEMU's happens to be zero.
BSS_PATTERN = 0xA5A5A5A5
# The heap break of the system calls: _sbrk's function-local static.
HEAP_BREAK = "_sbrk::heap"
# The limits sector as the editor stores LEFT 20, RIGHT 35, BACK 0, FRONT 90;
# the start-up reads them into app_limits (X_Max, Y_Max, X_Min, Y_Min).
LIMITS_SECTOR = 0x080E0000
LIMIT_BYTES = bytes([0x14, 0xDD, 0x00, 0xA6])
LIMITS_READ = (20, 0, -35, -90)
# What the menu's globals hold when main starts, so that the loop shows main's
# own settings rather than the cleared zero-initialised data.
STATE_SEEDS = {"app_state": 5, "app_menu": 3, "lcd_status": 0}
FAULT_HANDLERS = ("HardFault_Handler", "MemManage_Handler", "BusFault_Handler", "UsageFault_Handler",
                  "Default_Handler")


def stage(text):
    print("STAGE: " + text, flush=True)


def fail(text):
    print("FAIL: " + text, flush=True)
    gdb.execute("quit 1")


def connect():
    deadline = time.monotonic() + CONNECT_PATIENCE
    while time.monotonic() < deadline:
        try:
            gdb.execute("target remote 127.0.0.1:" + PORT, to_string=True)
            return
        except gdb.error:
            time.sleep(0.1)
    fail("could not reach QEMU's gdb server on port %s within %d s" % (PORT, CONNECT_PATIENCE))


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


def address_of(name):
    try:
        return int(gdb.parse_and_eval("(unsigned int)&" + name)) & 0xFFFFFFFF
    except gdb.error as error:
        fail("the image has no %s: %s" % (name, error))


def read_words(start, end):
    data = bytes(gdb.selected_inferior().read_memory(start, end - start))
    return struct.unpack("<%dI" % ((end - start) // 4), data)


def heap_break():
    try:
        return int(gdb.parse_and_eval("(unsigned int)" + HEAP_BREAK)) & 0xFFFFFFFF
    except gdb.error as error:
        fail("cannot read the heap break %s: %s" % (HEAP_BREAK, error))


def read_int(expression):
    try:
        return int(gdb.parse_and_eval(expression))
    except gdb.error as error:
        fail("cannot read %s: %s" % (expression, error))


def faults_hit(breakpoints):
    return [name for name, breakpoint in breakpoints.items() if breakpoint.hit_count]


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

# The core is halted at the reset vector: nothing has run yet.
bss_start, bss_end = address_of("_sbss"), address_of("_ebss")
if bss_end <= bss_start or (bss_end - bss_start) % 4:
    fail("zero-initialised data from 0x%08X to 0x%08X is no whole number of words" % (bss_start, bss_end))
bss_words = (bss_end - bss_start) // 4
gdb.selected_inferior().write_memory(bss_start, struct.pack("<I", BSS_PATTERN) * bss_words)
if any(word != BSS_PATTERN for word in read_words(bss_start, bss_end)):
    fail("could not fill zero-initialised data with the pattern before reset")
print("Bss 0x%08X..0x%08X, %d words filled with 0x%08X" % (bss_start, bss_end, bss_words, BSS_PATTERN), flush=True)

# The limits sector holds what the editor would have stored; QEMU's gdb
# server writes flash like memory.
gdb.selected_inferior().write_memory(LIMITS_SECTOR, LIMIT_BYTES)
if bytes(gdb.selected_inferior().read_memory(LIMITS_SECTOR, len(LIMIT_BYTES))) != LIMIT_BYTES:
    fail("could not write the limits sector at 0x%08X before reset" % LIMITS_SECTOR)

main = break_at("*0x%x" % (address_of("main") & ~1))
loop = break_at("Application_Periodic_Handle")
faults = {name: break_at(name) for name in FAULT_HANDLERS}
hard_fault = faults["HardFault_Handler"]
default = faults["Default_Handler"]

run_until_stop()
if faults_hit(faults):
    fail("the reset code reached %s before main, at %s" % (", ".join(faults_hit(faults)), where()))
if main.hit_count != 1:
    fail("did not stop at main but at " + where())
left = [(bss_start + 4 * i, word) for i, word in enumerate(read_words(bss_start, bss_end)) if word != 0]
if left:
    first, value = left[0]
    fail("at main %d of %d words of zero-initialised data are not 0, the first at 0x%08X (0x%08X)"
         % (len(left), bss_words, first, value))
main.delete()
stage("zero-initialised data cleared")
for name, value in STATE_SEEDS.items():
    gdb.execute("set var %s = %d" % (name, value))

run_until_stop()
if faults_hit(faults):
    fail("the boot reached %s before the foreground loop, at %s" % (", ".join(faults_hit(faults)), where()))
if loop.hit_count != 1:
    fail("stopped outside the foreground loop, at " + where())
stage("foreground loop reached")

# The start-up has drawn the system menu and read the limits: state 0 with
# the pointer on NEW RECORD, the backlight on, the limits as stored.
state, menu, lit = read_int("app_state"), read_int("app_menu"), read_int("lcd_status")
if (state, menu, lit) != (0, 0, 1):
    fail("at the foreground loop app_state is %d, app_menu %d and lcd_status %d; expected 0, 0 and 1"
         % (state, menu, lit))
limits = tuple(read_int("app_limits.%s" % field) for field in ("X_Max", "Y_Max", "X_Min", "Y_Min"))
if limits != LIMITS_READ:
    fail("app_limits reads %s at the foreground loop, expected %s from the limits sector" % (limits, LIMITS_READ))
print("Menu state at the foreground loop: app_state=%d app_menu=%d; limits %s" % (state, menu, limits), flush=True)
stage("system menu in the foreground loop")

print("SystemCoreClock=%d" % int(gdb.parse_and_eval("SystemCoreClock")), flush=True)

# The standard streams are unbuffered, so printing the report must not make
# the C library take a stream buffer from the heap.
heap_before_report = heap_break()
print("Heap break in the foreground loop: 0x%08X" % heap_before_report, flush=True)

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
heap_after_report = heap_break()
if heap_after_report != heap_before_report:
    fail("the heap break moved from 0x%08X to 0x%08X while the report printed: a standard stream took a buffer"
         % (heap_before_report, heap_after_report))
stage("report halted")

gdb.execute("kill")
gdb.execute("quit 0")
