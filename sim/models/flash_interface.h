// The flash interface: the key lock, byte programming and sector erase with
// their durations in virtual time, the status flags, the wait states that
// the core clock needs, and faults a test can inject. It decides what a
// write to the flash array does.
#ifndef SIM_MODELS_FLASH_INTERFACE_H
#define SIM_MODELS_FLASH_INTERFACE_H

#include <cstdint>
#include <functional>
#include <string>

#include "core/interrupt_line.h"
#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class FlashMemory;

class FlashInterface : public WordPeripheral {
public:

    // Register offsets.
    static constexpr std::uint32_t ACR = 0x00, KEYR = 0x04, OPTKEYR = 0x08, SR = 0x0C, CR = 0x10, OPTCR = 0x14;

    // SR bits.
    static constexpr std::uint32_t kEndOfOperation = 1u << 0, kOperationError = 1u << 1;
    static constexpr std::uint32_t kWriteProtectionError = 1u << 4, kAlignmentError = 1u << 5;
    static constexpr std::uint32_t kParallelismError = 1u << 6, kSequenceError = 1u << 7, kBusy = 1u << 16;
    static constexpr std::uint32_t kStatusFlags = 0xF3u;  // the flags software clears with a 1

    // CR bits.
    static constexpr std::uint32_t kProgram = 1u << 0, kSectorErase = 1u << 1, kMassErase = 1u << 2;
    static constexpr std::uint32_t kSectorNumber = 0xFu << 3, kParallelism = 0x3u << 8, kStart = 1u << 16;
    static constexpr std::uint32_t kEndInterruptEnable = 1u << 24, kErrorInterruptEnable = 1u << 25;
    static constexpr std::uint32_t kLock = 1u << 31;

    static constexpr std::uint32_t kKey1 = 0x45670123u, kKey2 = 0xCDEF89ABu;

    static constexpr Nanoseconds kProgramTime = 16000u;
    static Nanoseconds erase_time(int sector);

    FlashInterface(VirtualClock& clock, FlashMemory& array);

    // Locked, idle, no flags. An operation cut off by the reset leaves the
    // cells as they were. A held busy flag is the test's fault and stays.
    void reset() override;

    // Faults: error flags that stay until software clears them, and a
    // controller that never finishes.
    void inject_error(std::uint32_t sr_bits);
    void hold_busy(bool held);

    // End of operation (with EOPIE) and operation error (with ERRIE).
    InterruptLine& interrupt() { return interrupt_; }

    // Wait states the chip needs at 2.7 to 3.6 V: none up to 30 MHz, then
    // one more for every further 30 MHz. A core clock above what ACR's wait
    // states allow would read garbage from flash: a loud error.
    static unsigned wait_states_needed(std::uint32_t hclk_hz);
    void set_core_clock(std::uint32_t hz);
    void set_bus_clock(std::uint32_t hz) override { set_core_clock(hz); }
    InterruptLine* interrupt_line(std::size_t n) override { return n == 0 ? &interrupt_ : nullptr; }

    bool busy() const { return busy_ || held_; }
    std::uint32_t peek(std::uint32_t offset) const;

    // For the array: an access stalls while an operation runs, as on the chip.
    void wait_while_busy(std::uint32_t address, const char* access);
    // For the array: a write to a flash address.
    void program_request(std::uint32_t address, unsigned width, std::uint32_t value);

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    void write_key(std::uint32_t value, std::uint32_t lanes);
    void write_control(std::uint32_t value, std::uint32_t lanes);
    void flag_error(std::uint32_t bits);
    void update_interrupt();
    void check_wait_states(std::uint32_t acr, std::uint32_t hz, const char* what) const;
    void start_operation(Nanoseconds duration, std::function<void()> effect);
    void operation_due();
    void finish_operation();
    std::uint32_t register_value(std::uint32_t offset) const;

    VirtualClock& clock_;
    FlashMemory& array_;
    InterruptLine interrupt_{"flash interface"};
    std::uint32_t core_hz_ = 16000000u;

    std::uint32_t acr_ = 0, sr_ = 0, cr_ = 0, optcr_ = 0;
    int keys_accepted_ = 0;
    bool locked_up_ = false;  // a wrong key: no unlocking until reset

    bool busy_ = false;
    bool held_ = false;
    bool finish_due_ = false;  // the operation's time is up but it is held
    Nanoseconds operation_end_ = 0;
    Event operation_event_ = Event::of<&FlashInterface::operation_due>(this);
    std::function<void()> effect_;
};

}  // namespace sim

#endif
