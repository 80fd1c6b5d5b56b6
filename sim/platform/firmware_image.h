// What the host build needs of the firmware image that the chip gets from
// its vector table, reset code and memory layout.
#ifndef SIM_PLATFORM_FIRMWARE_IMAGE_H
#define SIM_PLATFORM_FIRMWARE_IMAGE_H

#include <cstddef>

namespace sim {

// Power-on: the firmware's initialised data back to its initial values and its
// zero-initialised data cleared, as a reset leaves the chip's RAM.
void reset_firmware_ram();
std::size_t firmware_data_bytes();
std::size_t firmware_bss_bytes();

// The reset entry: data in place, SystemInit, the runtime's initialisation, main.
void firmware_reset_entry();

// The firmware's handler for a core exception number (the vector table's
// binding), or null where the slot leads to the default handler.
using FirmwareHandler = void (*)();
FirmwareHandler firmware_handler(int exception);

}  // namespace sim

#endif
