// The virtual board as tests and tools see it: power, the operator's inputs,
// running in virtual time, what a person would see (LEDs, the console line,
// the flash contents), faults to inject, and hardware events aimed at one
// exact bus access. It is the one door for tools and benchmarks; the board's
// own unit tests look at the models behind it through board_models.h, which
// only they link.
#ifndef SIM_BOARD_BOARD_H
#define SIM_BOARD_BOARD_H

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/access_trace.h"
#include "core/bus.h"
#include "core/cpu.h"
#include "core/exception_state.h"
#include "core/time.h"
#include "core/virtual_clock.h"
#include "devices/lcd_image.h"
#include "devices/lcd_text_view.h"
#include "models/flash_memory.h"
#include "models/rcc.h"

namespace sim {

class BoardModels;
class BoardDevices;
class ChipModels;
class Board;

// The board's two push buttons.
enum class Button {
    Back,  // SW1 on PC14, EXTI line 14
    Ok,    // SW2 on PC15, EXTI line 15
};

// A change of the board's hardware that a test aims at one bus access
// (Board::at_bus_access). The core then takes whatever it raises as the chip
// would: PRIMASK and priorities hold.
class HardwareEvent {
public:
    static HardwareEvent press(Button button);
    static HardwareEvent release(Button button);
    // Board::turn_encoder at that access.
    static HardwareEvent turn_encoder(int detents);
    // Pends a device interrupt in the NVIC, as its source would.
    static HardwareEvent pend_interrupt(int irq_number);
    // The outside world drives a port pin ('A'..'I', 0..15).
    static HardwareEvent drive_pin(char port, int pin, bool high);
    // The supply fails (Board::cut_power) just before that access.
    static HardwareEvent power_cut();
    // Two changes in the same instant, first then second: both buttons
    // pressed together, say, so that one handler run finds both pending.
    static HardwareEvent together(HardwareEvent first, HardwareEvent second);

    void operator()(Board& board) const { action_(board); }

private:
    explicit HardwareEvent(std::function<void(Board&)> action) : action_(std::move(action)) {}
    std::function<void(Board&)> action_;
};

// The accelerometer's two axes: X left (+) and right (-), Y back (+) and front (-).
enum class Axis { X, Y };

// Flash controller faults, as the status register would show them.
enum class FlashFault { WriteProtection, Programming };

class Board {
public:
    // The flash array's bus addresses: flash_byte, flash_bytes and load_flash
    // reach kFlashBase to kFlashBase + kFlashSize - 1.
    static constexpr std::uint32_t kFlashBase = FlashMemory::kBase;
    static constexpr std::uint32_t kFlashSize = FlashMemory::kSize;

    Board();
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // --- power --------------------------------------------------------------
    // Power-on resets every model but the flash array, clears the firmware's
    // RAM as a reset does, and starts the firmware at its reset entry. The
    // firmware then runs only inside run_for / run_until. An unpowered board
    // shows nothing: a dark glass and backlight, every LED dark.
    // (Operator::power_on also waits for the foreground loop.)
    void power_on();
    void power_off();
    // The supply fails, also in the middle of the firmware's run: the core
    // stops where it is (stopped() says so) and the board is off until the
    // next power_on. An erase or a program under way leaves its cells as
    // they were.
    void cut_power();
    bool powered() const { return powered_; }

    // --- the operator ---------------------------------------------------------
    // The contact closes or opens, nothing more; Operator (operator.h) acts as
    // a person does and waits for what the press sets off.
    void press(Button button);
    void release(Button button);
    bool pressed(Button button) const;
    // A button's action runs or waits to run: its interrupt handler is
    // active or pending.
    bool button_action_pending() const;
    // Turns the rotary encoder by whole detents, all edges at once; positive
    // is clockwise. Clockwise its contact A (PD12, TIM4 channel 1) leads B
    // (PD13, channel 2), so TIM4 as the firmware sets it up (encoder mode 3,
    // both inputs inverted) counts up by 4 a detent: from the rest value 8 to
    // 12, a step up. Anticlockwise counts down: 8 to 4, a step down.
    void turn_encoder(int detents);

    // --- running ------------------------------------------------------------
    Nanoseconds now() const { return clock_.now(); }
    void run_for(Nanoseconds span);
    // Runs until cond() holds or the limit passes; true when the condition was
    // met. The condition is tested where what it can see may change: after a
    // change of the LEDs, the console line or a device, after every interrupt
    // handler and at every pass of the foreground loop's idle point.
    bool run_until(const std::function<bool()>& cond, Nanoseconds limit);
    // Runs one piece of firmware code on a stack of its own, as the
    // foreground would, until it returns or the firmware stops.
    void run_code(const std::function<void()>& code, Nanoseconds limit = 10_s);
    // The event happens just before the n-th bus access from now (n >= 1).
    void at_bus_access(std::uint64_t n, HardwareEvent event);
    std::uint64_t bus_accesses() const { return cpu_.bus_accesses(); }

    // The firmware reached an endless loop (a halt, the default handler, main
    // returning): the run stopped there until the next power-on.
    bool stopped() const { return cpu_.stopped(); }
    const std::string& stop_reason() const { return cpu_.stop_reason(); }
    // The register the firmware busy-waits on now ("32-bit read at
    // 0x40023800 (RCC)"), or "" when it is not polling.
    std::string busy_wait() const { return bus_.busy_wait(); }
    // Passes of the foreground loop's idle point since power-on.
    std::uint64_t idle_passes() const { return cpu_.idle_passes(); }
    // Resets the firmware requested through AIRCR since power-on.
    std::uint64_t system_resets() const { return cpu_.system_resets(); }

    // --- what a person sees ---------------------------------------------------
    bool led(int number) const;  // LED1..LED8 lit (pin driven high as an output)
    // LED1 to LED8 in a row, '*' lit and '.' dark: "*..*....".
    std::string led_pattern() const;
    // Changes whenever the LEDs or the backlight may have changed (a write
    // to what drives them, a power-on or -off), and only then: a tool that
    // shows them as they change looks closer only when it moves.
    std::uint64_t lights_version() const;
    // The LCD backlight's brightness as its driver transistor sees it: the
    // share of the PWM period, in whole percent, that TIM3 channel 2 holds
    // PC7 high; 0 while PC7 is not routed to TIM3 (alternate function 2).
    int backlight_percent() const;
    // Bytes sent on the RS-232 console line (COM1) since the last take or clear.
    const std::string& serial_output() const;
    // Hands over the bytes sent since the last take and forgets them: what a
    // tool that shows the line as it goes should use.
    std::string take_serial_output();
    void clear_serial_output();
    // Bytes arriving on the console line's receive side.
    void send_serial(const std::string& bytes);
    // The console line's rate as the USART is set up now, in bit/s.
    double console_bit_rate() const;

    // The LCD's glass: x from the left, y from the top; true = dark.
    bool lcd_pixel(int x, int y) const;
    LcdImage lcd_image() const;
    // The text that text line (page) 0..7 shows, and every line with its
    // inverted and unrecognised cells.
    std::string lcd_text(int line) const;
    TextLine lcd_line(int line) const;
    std::array<TextLine, LcdImage::kPages> lcd_lines() const;

    // Bytes the SPI bus of the LCD has moved (both ways count once) since the
    // board was made.
    std::uint64_t lcd_bus_bytes() const;

    // The flash array, with no controller in between.
    std::uint8_t flash_byte(std::uint32_t address) const;
    std::vector<std::uint8_t> flash_bytes(std::uint32_t address, std::size_t count) const;
    void load_flash(std::uint32_t address, const std::vector<std::uint8_t>& bytes);

    // --- the world around the board -------------------------------------------
    // The monitor tilted about an axis: the accelerometer reads 1000 sin(degrees).
    void set_tilt(Axis axis, double degrees);
    // The word the accelerometer gives for the axis, whatever it stands for.
    void set_raw_reading(Axis axis, std::uint16_t word);

    // --- faults and fittings ------------------------------------------------
    // The accelerometer never drives its data line: every byte read is 0xFF.
    void set_accelerometer_silent(bool silent);
    void inject_flash_fault(FlashFault fault);
    void hold_flash_busy(bool held);
    // The 25 MHz crystal: withheld, the start-up stays on the 16 MHz oscillator.
    void fit_crystal(bool fitted);
    // The clock tree as the firmware has set it up, in Hz.
    struct ClockTree {
        std::uint32_t sysclk, hclk, pclk1, pclk2;
    };
    ClockTree clock_tree() const;
    // Makes the next bus access of the running code take a hard fault with this
    // frame (R0, R1, R2, R3, R12, LR, PC, xPSR), stacked on the process stack
    // when on_process_stack is set, else on the main stack.
    void force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack = false);

    // --- debugger and trace -----------------------------------------------------
    void attach_debugger(bool attached);
    // What the debugger does each time the firmware stops at a breakpoint
    // (the firmware goes on when it returns).
    void on_breakpoint(std::function<void()> action) { cpu_.set_breakpoint_action(std::move(action)); }
    unsigned breakpoints_hit() const { return cpu_.breakpoints(); }
    // A record of bus accesses; off until started.
    AccessTrace& trace() { return bus_.trace(); }
    std::string describe(const BusAccess& access) const { return bus_.describe(access); }

private:
    friend class BoardModels;  // the tests' closer look
    friend class HardwareEvent;
    void mount_peripherals();
    void distribute_clocks();
    void reset_peripheral(Rcc::PeripheralBus bus, unsigned bit);
    void reset_chip();
    void make_current();

    VirtualClock clock_;
    ExceptionState exceptions_;
    Bus bus_{clock_};
    Cpu cpu_;
    std::unique_ptr<ChipModels> chip_;
    std::unique_ptr<BoardDevices> devices_;
    bool powered_ = false;
    std::uint64_t power_changes_ = 0;
};

}  // namespace sim

#endif
