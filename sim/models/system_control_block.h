// The system control block (0xE000ED00): CPU id, interrupt control and
// state, vector table offset, priority grouping, system handler priorities
// and enables, and the fault status and address registers.
#ifndef SIM_MODELS_SYSTEM_CONTROL_BLOCK_H
#define SIM_MODELS_SYSTEM_CONTROL_BLOCK_H

#include <functional>
#include <string>

#include "core/peripheral.h"
#include "core/exception_state.h"

namespace sim {

struct FaultRegisters {
    std::uint32_t cfsr = 0, hfsr = 0, dfsr = 0, mmfar = 0, bfar = 0, afsr = 0;
};

class SystemControlBlock : public WordPeripheral {
public:
    // reset_request is called when the firmware asks for a system reset.
    SystemControlBlock(ExceptionState& exceptions, std::function<void()> reset_request);
    void reset() override;

    // What a fault left in the status registers (tests set these).
    void set_fault_registers(const FaultRegisters& faults) { faults_ = faults; }
    const FaultRegisters& fault_registers() const { return faults_; }
    std::uint32_t vtor() const { return vtor_; }

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    std::uint32_t icsr() const;
    std::uint32_t shcsr() const;

    ExceptionState& exceptions_;
    std::function<void()> reset_request_;
    std::uint32_t vtor_ = 0, scr_ = 0, ccr_ = 0, shcsr_enables_ = 0;
    FaultRegisters faults_;
};

}  // namespace sim

#endif
