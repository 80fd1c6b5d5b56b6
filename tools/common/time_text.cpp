#include "time_text.h"

#include <algorithm>
#include <cstdio>

namespace tools {

std::string clock_text(sim::Nanoseconds time, int decimals)
{
    const unsigned long long ms = time / 1000000u;
    const unsigned long long hours = ms / 3600000u, minutes = ms / 60000u % 60u, seconds = ms / 1000u % 60u;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", hours, minutes, seconds);
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", minutes, seconds);
    std::string clock = text;
    decimals = std::clamp(decimals, 0, 3);
    if (decimals > 0) {
        std::snprintf(text, sizeof text, ".%03llu", ms % 1000u);
        clock += std::string(text, static_cast<std::size_t>(decimals) + 1);
    }
    return clock;
}

std::string duration_text(sim::Nanoseconds span)
{
    const unsigned long long ms_total = span / 1000000u;
    const unsigned long long days = ms_total / 86400000u, hours = ms_total / 3600000u % 24u;
    const unsigned long long minutes = ms_total / 60000u % 60u, seconds = ms_total / 1000u % 60u, ms = ms_total % 1000u;
    char text[64];
    if (days > 0)
        std::snprintf(text, sizeof text, "%llu d %llu h %llu min", days, hours, minutes);
    else if (hours > 0)
        std::snprintf(text, sizeof text, "%llu h %llu min %llu s", hours, minutes, seconds);
    else if (minutes > 0)
        std::snprintf(text, sizeof text, "%llu min %llu s", minutes, seconds);
    else if (ms > 0)
        std::snprintf(text, sizeof text, "%llu.%03llu s", seconds, ms);
    else
        std::snprintf(text, sizeof text, "%llu s", seconds);
    return text;
}

}  // namespace tools
