#include "sim_error.h"

#include <cstdio>

namespace sim {

std::string access_text(unsigned width, bool write)
{
    return std::to_string(8 * width) + "-bit " + (write ? "write" : "read");
}

std::string hex32(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

}  // namespace sim
