#include "firmware_image.h"
#include "platform_ops.h"
#include "system_stm32f2xx.h"

int tiltmon_main(void);  // the firmware's main, renamed in the host build

namespace sim {

void firmware_reset_entry()
{
    reset_firmware_ram();
    SystemInit();
    // The runtime's initialisation: the host's C runtime was initialised when
    // the process started, and the firmware has no constructors of its own.
    tiltmon_main();
    // On the chip the reset code spins after a main that returns.
    platform::endless_loop("main returned: the reset code spins for ever");
}

}  // namespace sim
