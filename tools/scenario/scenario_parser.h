// Reads a scenario file whole and checks every line before anything runs:
// a line that is not understood stops the scenario with the file, the line
// number and what was expected there; so does a byte that is not text.
//
//   power on | power off     on: and wait for start-up to reach the menu
//   press ok|back            push, let its action run to its end, let go
//   push ok|back             push and keep it down
//   release ok|back          let go
//   hold ok|back DURATION    push, keep it down so long, let go
//   turn DETENTS             the knob, + clockwise, - anticlockwise
//   tilt x|y DEGREES [over DURATION]
//   run DURATION
//   run until CONDITION within DURATION
//   expect CONDITION
//   expect flash ADDRESS BYTE...       hexadecimal, e.g. 0x080E0000 1E EC
//   screenshot NAME          the glass as NAME.png
//   show                     the glass as text art
//   caption "TEXT" | say "TEXT"
//   dump result FILE         the result sector's 131072 bytes
//
//   CONDITION: lcd LINE [is|starts|ends|contains] "TEXT" | led N on|off |
//              backlight on|off|PERCENT | serial "TEXT" | handled
//   DURATION:  a number and ms, s, min, h or d: 20ms, 2.5s, 3min
#ifndef TOOLS_SCENARIO_SCENARIO_PARSER_H
#define TOOLS_SCENARIO_SCENARIO_PARSER_H

#include <stdexcept>
#include <string>

#include "scenario.h"
#include "scenario_line.h"

namespace tools {

// Beyond this a file is no scenario.
constexpr std::size_t kLargestFile = std::size_t{1} << 20;

Scenario parse_scenario(const std::string& text, const std::string& file);
Scenario load_scenario(const std::string& path);

}  // namespace tools

#endif
