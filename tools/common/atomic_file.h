// Files the tools write appear whole or not at all: the bytes go to a hidden
// part file beside the final name, flushed to the disk, and only then
// renamed over it, so a failure (a full disk, a missing folder, Ctrl-C)
// leaves neither a half-written file nor a clobbered old one.
#ifndef TOOLS_COMMON_ATOMIC_FILE_H
#define TOOLS_COMMON_ATOMIC_FILE_H

#include <cstdint>
#include <span>
#include <string>

namespace tools {

// Throws std::runtime_error "<path>: cannot <what>: <why>".
void write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tools

#endif
