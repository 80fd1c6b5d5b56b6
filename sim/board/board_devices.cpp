#include "board_devices.h"

#include "board_models.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/usart.h"

namespace sim {

BoardDevices::BoardDevices(BoardModels& models)
    : back(models.gpio('C'), 14),
      ok(models.gpio('C'), 15),
      encoder(models.gpio('D'), 12, 13),
      encoder_inputs(models.gpio('D'), {12, 13}, 2, models.timer(4))
{
    models.usart(2).set_line_listener([this](std::uint16_t word) { console.receive(word); });
    Cpu& cpu = models.cpu();
    console.set_change_listener([&cpu] { cpu.note_change(); });
    // The LEDs hang on port E.
    models.gpio('E').listen_all([&cpu](int, bool) { cpu.note_change(); });
}

// Buttons are held or not whatever the supply does.
void BoardDevices::power_on() {}

}  // namespace sim
