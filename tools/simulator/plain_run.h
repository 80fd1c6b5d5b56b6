// A plain run of tiltmon-sim: power on, run for a while with nobody at the
// controls, and show what the board did.
#ifndef TOOLS_SIMULATOR_PLAIN_RUN_H
#define TOOLS_SIMULATOR_PLAIN_RUN_H

#include "board/board.h"
#include "command_line.h"
#include "pty_console.h"

namespace tools {

// pty: where the console bytes also go; may be null.
void plain_run(sim::Board& board, const SimOptions& options, PtyConsole* pty);

}  // namespace tools

#endif
