// Where a scenario's files will go, checked before the run: a run that
// would fail at its first screenshot or at its contact sheet does not start.
#ifndef TOOLS_SIMULATOR_OUTPUT_CHECKS_H
#define TOOLS_SIMULATOR_OUTPUT_CHECKS_H

#include <cstddef>
#include <string>

#include "command_line.h"

namespace tools {

// What stands in the way of writing a scenario's screenshots and dumps to
// --out (made if missing) and its contact sheet, or "" when nothing does.
// screenshots: how many the scenario takes; writes_files: it takes any or
// dumps the result sector.
std::string check_outputs(const SimOptions& options, std::size_t screenshots, bool writes_files);

}  // namespace tools

#endif
