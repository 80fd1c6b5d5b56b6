// The binding of exception numbers to the firmware's handlers, every slot of
// the vector table by its name. A handler the firmware does not define is a
// null weak reference: its slot leads to the default handler, as on the chip.
#include <array>

#include "firmware_image.h"
#include "vector_names.h"

#define TILTMON_DECLARE_WEAK(number, name) void name(void) __attribute__((weak));
extern "C" {
TILTMON_CORE_VECTORS(TILTMON_DECLARE_WEAK)
TILTMON_DEVICE_VECTORS(TILTMON_DECLARE_WEAK)
}
#undef TILTMON_DECLARE_WEAK

namespace sim {

namespace {

constexpr int kSlots = 97;

std::array<FirmwareHandler, kSlots> bind()
{
    std::array<FirmwareHandler, kSlots> table{};
#define TILTMON_BIND(number, name) table[number] = name;
    TILTMON_CORE_VECTORS(TILTMON_BIND)
    TILTMON_DEVICE_VECTORS(TILTMON_BIND)
#undef TILTMON_BIND
    return table;
}

const std::array<FirmwareHandler, kSlots> kTable = bind();

}  // namespace

FirmwareHandler firmware_handler(int exception)
{
    if (exception < 0 || exception >= kSlots) return nullptr;
    return kTable[static_cast<std::size_t>(exception)];
}

}  // namespace sim
