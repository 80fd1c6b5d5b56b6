// The nested vectored interrupt controller's registers (0xE000E100).
#ifndef SIM_MODELS_NVIC_H
#define SIM_MODELS_NVIC_H

#include "core/peripheral.h"
#include "core/exception_state.h"

namespace sim {

class Nvic : public WordPeripheral {
public:
    explicit Nvic(ExceptionState& exceptions) : exceptions_(exceptions) {}
    void reset() override {}  // the state lives in ExceptionState, reset by the core

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    using BitGetter = bool (ExceptionState::*)(int) const;
    std::uint32_t collect(std::uint32_t word, BitGetter get) const;

    ExceptionState& exceptions_;
};

}  // namespace sim

#endif
