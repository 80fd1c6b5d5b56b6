// Files the tools write appear whole or not at all: the bytes go to a
// temporary file beside the target, which is renamed over it only once
// everything has been written and flushed.
#ifndef TOOLS_SCENARIO_ATOMIC_FILE_H
#define TOOLS_SCENARIO_ATOMIC_FILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// Throws std::runtime_error naming the path and the cause.
void write_file_atomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tools

#endif
