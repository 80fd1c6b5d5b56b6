// A scenario: what an operator and the world around the board do, step by
// step, and what the board must show meanwhile. Parsed whole before anything
// runs (scenario_parser.h), then worked on a board (scenario_runner.h).
#ifndef TOOLS_SCENARIO_SCENARIO_H
#define TOOLS_SCENARIO_SCENARIO_H

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/time.h"
#include "scenario_conditions.h"

namespace tools {

struct Step {
    enum class Kind {
        PowerOn,
        PowerOff,
        Press,        // push, let the action run, let go
        Push,         // push and keep it down
        Release,      // let go
        Hold,         // push, keep it down for span, let go
        Turn,         // detents
        Tilt,         // axis to degrees, at once or ramped over span
        Run,          // span
        RunUntil,     // condition within span
        Expect,       // condition
        ExpectFlash,  // bytes at address
        Screenshot,   // text: file name
        Show,         // the screen as text art
        Caption,      // text
        Say,          // text
        DumpResult,   // text: file name of the result sector's bytes
    };
    Kind kind = Kind::Show;
    int line = 0;  // in the scenario file
    sim::Button button = sim::Button::Ok;
    int detents = 0;
    sim::Axis axis = sim::Axis::X;
    double degrees = 0;
    sim::Nanoseconds span = 0;  // 0 for a tilt at once
    Condition condition;
    std::string text;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

struct Scenario {
    std::string file;  // as named to the parser, for messages
    std::vector<Step> steps;

    std::size_t screenshots() const;
};

}  // namespace tools

#endif
