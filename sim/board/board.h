// The virtual board as tests and tools see it: the chip's models on one bus,
// the firmware running on them in virtual time, and the board's devices.
#ifndef SIM_BOARD_BOARD_H
#define SIM_BOARD_BOARD_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/bus.h"
#include "core/virtual_clock.h"

namespace sim {

class Cpu;
class ExceptionState;
class Nvic;
class SysTickTimer;
class SystemControlBlock;
class DebugControl;
class Rcc;
class GpioPort;
class Usart;
class FlashMemory;
class FlashInterface;

constexpr Nanoseconds operator""_us(unsigned long long v) { return v * 1000ull; }
constexpr Nanoseconds operator""_ms(unsigned long long v) { return v * 1000000ull; }
constexpr Nanoseconds operator""_s(unsigned long long v) { return v * 1000000000ull; }

class Board {
public:
    Board();
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // --- power --------------------------------------------------------------
    // Power-on resets every model but the flash array, clears the firmware's
    // RAM as a reset does, and starts the firmware at its reset entry. The
    // firmware then runs only inside run_for / run_until.
    void power_on();
    void power_off();
    bool powered() const { return powered_; }

    // --- running ------------------------------------------------------------
    void run_for(Nanoseconds span);
    // Runs until cond() holds (tested at every bus access and idle point) or
    // the limit passes; true when the condition was met.
    bool run_until(const std::function<bool()>& cond, Nanoseconds limit);
    // Runs one piece of firmware code on the firmware's own stack, as the
    // foreground would, until it returns or the firmware stops.
    void run_code(const std::function<void()>& code, Nanoseconds limit = 10_s);

    // The firmware reached an endless loop (a halt, the default handler): the
    // run stopped there and cannot go on until the next power-on.
    bool stopped() const;
    const std::string& stop_reason() const;
    // The register the firmware busy-waits on now ("32-bit read at
    // 0x40023800 (RCC)"), or "" when it is not polling.
    std::string busy_wait() const;
    // Passes of the foreground loop's idle point since power-on.
    std::uint64_t idle_passes() const;

    // --- the board's devices ------------------------------------------------
    bool led(int number) const;  // LED1..LED8 lit (pin driven high as an output)
    std::string serial_output() const;  // bytes sent on the RS-232 console line (COM1)
    void clear_serial_output();

    // --- debugger -----------------------------------------------------------
    void attach_debugger(bool attached);
    unsigned breakpoints_hit() const;

    // --- faults -------------------------------------------------------------
    // Makes the next bus access of the running code take a hard fault with this
    // frame (R0, R1, R2, R3, R12, LR, PC, xPSR), stacked on the process stack
    // when on_process_stack is set, else on the main stack.
    void force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack = false);

    // --- models, for tests that look closer -----------------------------------
    VirtualClock& clock() { return clock_; }
    Bus& bus() { return bus_; }
    Cpu& cpu() { return *cpu_; }
    ExceptionState& exceptions() { return *exceptions_; }
    SystemControlBlock& scb() { return *scb_; }
    SysTickTimer& systick() { return *systick_; }
    Rcc& rcc() { return *rcc_; }
    GpioPort& gpio(char port);  // 'A' .. 'I'
    Usart& usart(int number);   // 1, 2, 3 or 6
    FlashMemory& flash() { return *flash_; }
    FlashInterface& flash_interface() { return *flash_interface_; }

    // The board whose bus the firmware reaches now (the last one constructed).
    static Board* current();

private:
    void map_models();

    VirtualClock clock_;
    Bus bus_;
    std::unique_ptr<ExceptionState> exceptions_;
    std::unique_ptr<Nvic> nvic_;
    std::unique_ptr<SysTickTimer> systick_;
    std::unique_ptr<SystemControlBlock> scb_;
    std::unique_ptr<DebugControl> debug_;
    std::unique_ptr<Rcc> rcc_;
    std::unique_ptr<GpioPort> gpio_[9];
    std::unique_ptr<Usart> usart1_, usart2_, usart3_, usart6_;
    std::unique_ptr<FlashMemory> flash_;
    std::unique_ptr<FlashInterface> flash_interface_;
    std::unique_ptr<Cpu> cpu_;
    bool powered_ = false;
};

}  // namespace sim

#endif
