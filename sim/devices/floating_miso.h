// The level of SPI2's data line from the devices when no selected device
// drives it. The board's MISO pin has no pull resistor, so on the chip the
// level is undefined; the models settle it at all ones, a reading of 0xFFFF
// that the firmware takes as -1.
#ifndef SIM_DEVICES_FLOATING_MISO_H
#define SIM_DEVICES_FLOATING_MISO_H

#include <cstdint>

namespace sim {

inline constexpr std::uint8_t kFloatingMiso = 0xFF;

}  // namespace sim

#endif
