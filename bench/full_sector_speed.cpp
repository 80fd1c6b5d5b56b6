// The full-sector journey timed, from a release build: virtual time against
// wall time for the recording that fills the result sector (and runs two
// minutes past it), for the report that sends it, and for the whole journey
// from power-on. Figures only; the full-sector test checks what the journey
// leaves behind.
#include <chrono>
#include <cstdio>
#include <functional>

#include "board/board.h"
#include "full_sector_journey.h"

namespace {

using namespace sim;

struct Span {
    double virtual_s = 0;
    double wall_s = 0;
};

Span timed(Board& board, const std::function<void()>& work)
{
    const Nanoseconds start = board.now();
    const auto wall_start = std::chrono::steady_clock::now();
    work();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    return {static_cast<double>(board.now() - start) / 1e9, wall};
}

void print(const char* what, const Span& span)
{
    const auto seconds = static_cast<long>(span.virtual_s);
    std::printf("%-34s %9.0f s virtual (%2ld h %02ld min %02ld s) %7.3f s wall %8.0f x real time\n", what, span.virtual_s,
                seconds / 3600, seconds / 60 % 60, seconds % 60, span.wall_s, span.virtual_s / span.wall_s);
}

}  // namespace

int main()
{
    Board board;
    journey::FullSectorJourney journey(board);
    Span recording, report;
    const Span whole = timed(board, [&] {
        journey.power_on();
        recording = timed(board, [&] {
            journey.start_record();
            journey.record_until_full();
            journey.record_past_capacity(120_s);
            journey.stop_record();
        });
        report = timed(board, [&] { journey.send_report(); });
    });
    std::printf("Full-sector journey on the virtual board (aim: at least 10000 x real time)\n");
    print("recording, 65,533 samples stored", recording);
    print("report, 65,541 lines", report);
    print("whole journey from power-on", whole);
    std::printf("%-34s %9zu bytes on the console line\n", "", board.serial_output().size());
    return 0;
}
