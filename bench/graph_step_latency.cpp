// How long a step of a graph holds interrupts off on a full record (65,533
// stored samples): the tick's encoder action runs masked, from its read of
// the counter to the last byte of the redraw. Virtual time at the chip's
// clock, the bus accesses and flash reads inside, and the ticks counted
// around it. The virtual board charges bus accesses and device time, not
// the instructions between them, so the accesses are the figure to compare.
// Figures only; nothing here is asserted.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/board.h"
#include "main.h"
#include "record_layout.h"

namespace {

using namespace sim;

constexpr std::uint32_t kTim4Counter = 0x40000824u;
constexpr std::uint32_t kFlashStart = 0x08000000u, kFlashEnd = 0x08100000u;

// Header, every pair of the sector but the last, the end marker in the last.
std::vector<std::uint8_t> full_record()
{
    std::vector<std::uint8_t> bytes = {60, static_cast<std::uint8_t>(-60), 45, static_cast<std::uint8_t>(-45)};
    for (int k = 0; k < SAMPLE_CAPACITY; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(k % 121 - 60));
        bytes.push_back(static_cast<std::uint8_t>(k % 91 - 45));
    }
    bytes.insert(bytes.end(), {END_MARKER, END_MARKER});
    return bytes;
}

void settle(Board& board) { board.run_for(20_ms); }

void press_ok(Board& board)
{
    board.press(Button::Ok);
    board.run_for(1_s);
    board.release(Button::Ok);
    settle(board);
}

struct Step {
    Nanoseconds masked;
    std::size_t accesses;
    std::size_t flash_reads;
    std::uint32_t ticks;  // counted in 200 ms around the step
};

// One detent and the tick that takes it, traced.
Step step(Board& board, int detents)
{
    const std::uint32_t before = LocalTime;
    board.trace().clear();
    board.trace().start();
    board.turn_encoder(detents);
    board.run_for(200_ms);
    board.trace().stop();
    const std::vector<BusAccess>& trace = board.trace().accesses();
    std::size_t first = 0;
    while (first < trace.size() && !(trace[first].address == kTim4Counter && !trace[first].write &&
                                     trace[first].value != 8))
        ++first;
    std::size_t last = first + 1;
    while (last < trace.size() && !(trace[last].address == kTim4Counter && !trace[last].write)) ++last;
    Step s{0, 0, 0, static_cast<std::uint32_t>((LocalTime - before) / 10)};
    if (first >= trace.size()) return s;
    s.masked = trace[last - 1].time - trace[first].time;
    s.accesses = last - first;
    for (std::size_t i = first; i < last; ++i)
        s.flash_reads += !trace[i].write && trace[i].address >= kFlashStart && trace[i].address < kFlashEnd;
    return s;
}

void print(const char* what, const Step& s)
{
    std::printf("  %-26s %9.3f ms masked, %7zu bus accesses (%6zu flash reads), %u of 20 ticks\n", what,
                static_cast<double>(s.masked) / 1e6, s.accesses, s.flash_reads, s.ticks);
}

}  // namespace

int main()
{
    Board board;
    board.load_flash(RESULT_BASE, full_record());
    board.power_on();
    board.run_until([&] { return board.idle_passes() > 0; }, 10_s);
    board.turn_encoder(1);  // SHOW RECORD
    settle(board);
    press_ok(board);  // the record screen
    std::printf("Graph step on a full record (%d samples), interrupts masked per step:\n", SAMPLE_CAPACITY);
    Step longest{};
    for (const char* graph : {"X", "Y"}) {
        press_ok(board);  // the X graph, then the Y graph
        const Step up = step(board, 1), down = step(board, -1);
        std::printf(" %s graph\n", graph);
        print("step up from the start", up);
        print("step down to the start", down);
        for (const Step& s : {up, down})
            if (s.masked > longest.masked) longest = s;
    }
    print("longest", longest);
    return 0;
}
