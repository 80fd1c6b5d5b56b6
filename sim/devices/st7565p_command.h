// The ST7565P's command set: what one byte sent with A0 low means. Three
// commands take a second byte, their value, which the decoder does not see.
#ifndef SIM_DEVICES_ST7565P_COMMAND_H
#define SIM_DEVICES_ST7565P_COMMAND_H

#include <cstdint>
#include <optional>

namespace sim {

enum class St7565pOp {
    ColumnLow,        // 0x00-0x0F: low nibble of the column address
    ColumnHigh,       // 0x10-0x1F: high nibble of the column address
    RegulatorRatio,   // 0x20-0x27: V0 regulator internal resistor ratio
    PowerControl,     // 0x28-0x2F: bit 2 booster, bit 1 regulator, bit 0 follower
    StartLine,        // 0x40-0x7F: display RAM line shown on the top common
    ElectronicVolume, // 0x81, then the volume 0-63
    Adc,              // 0xA0 normal, 0xA1 reverse segment order
    Bias,             // 0xA2 1/9, 0xA3 1/7
    AllPoints,        // 0xA4 show the RAM, 0xA5 every point on
    Reverse,          // 0xA6 normal, 0xA7 reverse display
    StaticIndicator,  // 0xAC off, 0xAD on, then its mode 0-3
    Display,          // 0xAE off, 0xAF on
    PageAddress,      // 0xB0-0xB8, page 8 holds the icon row
    ComDirection,     // 0xC0-0xC7 normal, 0xC8-0xCF reverse (bits 2-0 are don't care)
    ReadModifyWrite,  // 0xE0
    Reset,            // 0xE2
    Nop,              // 0xE3
    EndReadModifyWrite,  // 0xEE
    BoosterRatio,     // 0xF8, then the ratio 0-3
};

struct St7565pCommand {
    St7565pOp op;
    std::uint8_t argument;  // the bits the command byte carries; 0 or 1 for the switches
};

// Nothing when the byte is no command of the set.
std::optional<St7565pCommand> decode_st7565p_command(std::uint8_t byte);

bool takes_value_byte(St7565pOp op);
const char* describe(St7565pOp op);

}  // namespace sim

#endif
