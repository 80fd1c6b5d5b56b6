// tiltmon-demo: the firmware on the virtual board, worked through a whole
// journey as an operator would, and shown as it goes.
#include <cstdio>
#include <exception>

#include "board/board.h"
#include "core/sim_error.h"
#include "demo_journey.h"
#include "narrator.h"

int main(int argc, char** argv)
{
    if (argc > 1) {
        std::fprintf(stderr, "usage: %s\n  runs the demo journey on the virtual board; it takes no options\n", argv[0]);
        return 2;
    }
    std::printf("tiltmon on the virtual board: a journey from power-on to the report\n");
    std::printf("times are virtual, from power-on; a character of the screen is 2 x 2 pixels\n");
    try {
        sim::Board board;
        tools::Narrator narrator(board, stdout);
        tools::DemoJourney journey(board, narrator);
        journey.run();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tiltmon-demo: %s\n", error.what());
        return 1;
    }
    return 0;
}
