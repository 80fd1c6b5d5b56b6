#include "board/board_models.h"

#include "board/board_devices.h"

namespace sim {

BoardModels models(Board& board) { return BoardModels(board); }

SerialLine& BoardModels::console() const { return board_.devices_->console(); }
RotaryEncoder& BoardModels::encoder() const { return board_.devices_->encoder(); }
SpiBus& BoardModels::spi2_bus() const { return board_.devices_->bus("SPI2"); }
St7565pController& BoardModels::lcd() const { return board_.devices_->lcd(); }
Accelerometer& BoardModels::accelerometer() const { return board_.devices_->accelerometer(); }

}  // namespace sim
