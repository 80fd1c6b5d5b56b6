// Byte values in the devices' messages, as "0xC3".
#ifndef SIM_DEVICES_HEX_BYTE_H
#define SIM_DEVICES_HEX_BYTE_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace sim {

inline std::string hex8(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", unsigned{value});
    return text;
}

}  // namespace sim

#endif
