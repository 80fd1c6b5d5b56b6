// The core's debug registers (0xE000EDF0): whether a debugger is attached.
#ifndef SIM_MODELS_DEBUG_CONTROL_H
#define SIM_MODELS_DEBUG_CONTROL_H

#include "core/peripheral.h"

namespace sim {

class DebugControl : public WordPeripheral {
public:
    // Attaching is the test's doing and survives resets of the chip.
    void set_attached(bool attached) { attached_ = attached; }
    bool attached() const { return attached_; }
    void reset() override { demcr_ = 0; }

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    bool attached_ = false;
    std::uint32_t demcr_ = 0;
};

}  // namespace sim

#endif
