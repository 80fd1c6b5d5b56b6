#include "board.h"

#include "board_devices.h"
#include "board_parts.h"
#include "chip_models.h"
#include "devices/accelerometer.h"
#include "devices/st7565p_controller.h"
#include "exti_routing.h"
#include "font5x8.h"
#include "models/debug_control.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/rcc.h"
#include "models/spi.h"
#include "models/usart.h"
#include "platform/firmware_image.h"
#include "wiring.h"

namespace sim {

HardwareEvent HardwareEvent::press(Button button)
{
    return HardwareEvent([button](Board& board) { board.press(button); });
}

HardwareEvent HardwareEvent::release(Button button)
{
    return HardwareEvent([button](Board& board) { board.release(button); });
}

HardwareEvent HardwareEvent::turn_encoder(int detents)
{
    return HardwareEvent([detents](Board& board) { board.turn_encoder(detents); });
}

HardwareEvent HardwareEvent::pend_interrupt(int irq_number)
{
    if (irq_number < 0 || irq_number >= ExceptionState::kDeviceInterrupts)
        throw SimError("no device interrupt " + std::to_string(irq_number));
    return HardwareEvent([irq_number](Board& board) {
        board.exceptions_.set_pending(ExceptionState::irq(irq_number), true);
    });
}

HardwareEvent HardwareEvent::drive_pin(char port, int pin, bool high)
{
    return HardwareEvent([port, pin, high](Board& board) { board.chip_->gpio(port).drive(pin, high); });
}

HardwareEvent HardwareEvent::power_cut()
{
    return HardwareEvent([](Board& board) { board.cut_power(); });
}

HardwareEvent HardwareEvent::together(HardwareEvent first, HardwareEvent second)
{
    return HardwareEvent([first = std::move(first), second = std::move(second)](Board& board) {
        first(board);
        second(board);
    });
}

Board::Board()
    : cpu_(clock_, exceptions_, &firmware_handler), chip_(std::make_unique<ChipModels>(clock_, exceptions_, cpu_, bus_))
{
    exceptions_.reset();
    mount_peripherals();
    devices_ = std::make_unique<BoardDevices>(*chip_, board_parts(), LcdTextView::Font(font5x8));
    bus_.set_master(&cpu_);
    cpu_.set_wait_description([this] { return bus_.busy_wait(); });
    cpu_.set_system_reset([this] { reset_chip(); });
    reset_chip();
    make_current();
}

Board::~Board()
{
    cpu_.reset({});  // unwinds the firmware's stack while the models still stand
    if (active_bus() == &bus_) set_active_bus(nullptr);
    if (active_cpu() == &cpu_) set_active_cpu(nullptr);
}

void Board::make_current()
{
    set_active_bus(&bus_);
    set_active_cpu(&cpu_);
}

void Board::mount_peripherals()
{
    for (const WiringRow& row : wiring()) {
        Peripheral& model = chip_->mount(row);
        ClockGate gate;
        if (row.clock_enable.present) {
            gate.enable_register = chip_->rcc().enable_register(row.clock_enable.bus);
            gate.mask = 1u << row.clock_enable.bit;
        }
        bus_.map(row.base, row.size, model, std::string(row.name), gate);
        for (std::size_t n = 0; n < row.interrupts.size(); ++n) {
            if (row.interrupts[n] == kNoInterrupt) continue;
            InterruptLine* line = model.interrupt_line(n);
            if (line == nullptr)
                throw SimError("wiring: " + std::string(row.name) + " has no interrupt line " + std::to_string(n));
            line->connect(exceptions_, row.interrupts[n]);
        }
    }
    bus_.map_bit_band(kPeripheralBitBandAlias, kPeripheralBitBandSize, kPeripheralBitBandTarget);
    wire_exti_inputs(*chip_);
    Rcc& rcc = chip_->rcc();
    rcc.set_clock_listener([this] { distribute_clocks(); });
    rcc.set_reset_listener([this](Rcc::PeripheralBus bus, unsigned bit) { reset_peripheral(bus, bit); });
}

void Board::distribute_clocks()
{
    const Rcc& rcc = chip_->rcc();
    const std::uint32_t cfgr = rcc.peek(Rcc::CFGR);
    // A timer runs at twice its bus clock when that bus is divided.
    const std::uint32_t tim1 = ((cfgr >> 10) & 0x4u) ? 2 * rcc.pclk1_hz() : rcc.pclk1_hz();
    const std::uint32_t tim2 = ((cfgr >> 13) & 0x4u) ? 2 * rcc.pclk2_hz() : rcc.pclk2_hz();
    cpu_.set_core_clock(rcc.hclk_hz());
    for (ChipModels::Mounted& part : chip_->mounted()) {
        switch (part.row->domain) {
        case ClockDomain::None: break;
        case ClockDomain::Core: part.model->set_bus_clock(rcc.hclk_hz()); break;
        case ClockDomain::Apb1: part.model->set_bus_clock(rcc.pclk1_hz()); break;
        case ClockDomain::Apb2: part.model->set_bus_clock(rcc.pclk2_hz()); break;
        case ClockDomain::Apb1Timers: part.model->set_bus_clock(tim1); break;
        case ClockDomain::Apb2Timers: part.model->set_bus_clock(tim2); break;
        }
    }
}

void Board::reset_peripheral(Rcc::PeripheralBus bus, unsigned bit)
{
    for (ChipModels::Mounted& part : chip_->mounted()) {
        const RccBit& reset = part.row->reset;
        if (reset.present && reset.bus == bus && reset.bit == bit) part.model->reset();
    }
    distribute_clocks();
}

// What a reset of the chip resets: every model but the flash array, and the
// core's exception state. The firmware's RAM is its reset code's to set up.
void Board::reset_chip()
{
    exceptions_.reset();
    bus_.reset_all();
    distribute_clocks();
}

void Board::power_on()
{
    if (powered_) power_off();
    clock_.drop_events();
    reset_chip();
    devices_->power_on();
    reset_firmware_ram();
    cpu_.reset(&firmware_reset_entry);
    make_current();
    powered_ = true;
    ++power_changes_;
}

void Board::power_off()
{
    cpu_.reset({});
    powered_ = false;
    ++power_changes_;
}

void Board::cut_power()
{
    powered_ = false;
    reset_chip();  // before the clock moves on, so that no operation under way ends
    if (cpu_.in_firmware()) cpu_.endless_loop("the power was cut");
    cpu_.reset({});
}

void Board::press(Button button) { devices_->button(button).press(); }
void Board::release(Button button) { devices_->button(button).release(); }
bool Board::pressed(Button button) const { return devices_->button(button).pressed(); }
bool Board::button_action_pending() const { return devices_->button_action_pending(); }

void Board::turn_encoder(int detents) { devices_->encoder().turn(detents); }

void Board::run_for(Nanoseconds span)
{
    if (!powered_) throw SimError("run_for on a board that is off");
    make_current();
    cpu_.run(clock_.now() + span, nullptr);
}

bool Board::run_until(const std::function<bool()>& cond, Nanoseconds limit)
{
    if (!powered_) throw SimError("run_until on a board that is off");
    make_current();
    if (cond()) return true;
    cpu_.run(clock_.now() + limit, &cond);
    return cond();
}

void Board::run_code(const std::function<void()>& code, Nanoseconds limit)
{
    if (!powered_) throw SimError("run_code on a board that is off");
    make_current();
    cpu_.run_code(code, clock_.now() + limit);
}

void Board::at_bus_access(std::uint64_t n, HardwareEvent event)
{
    cpu_.at_access(n, [this, event = std::move(event)] { event(*this); });
}

// Without supply nothing is lit and the glass is dark, whatever the
// models last held.
bool Board::led(int number) const
{
    const bool lit = devices_->led(number);
    return powered_ && lit;
}

std::uint64_t Board::lights_version() const { return devices_->lights_writes() + power_changes_; }

std::string Board::led_pattern() const
{
    std::string text;
    for (int number = 1; number <= devices_->leds(); ++number) text += led(number) ? '*' : '.';
    return text;
}

int Board::backlight_percent() const { return powered_ ? devices_->backlight_percent() : 0; }

const std::string& Board::serial_output() const { return devices_->console().text(); }
std::string Board::take_serial_output() { return devices_->console().take(); }
void Board::clear_serial_output() { devices_->console().clear(); }

void Board::send_serial(const std::string& bytes)
{
    devices_->console_usart().receive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

double Board::console_bit_rate() const { return devices_->console_usart().bit_rate(); }

std::uint64_t Board::lcd_bus_bytes() const { return chip_->get<Spi>(devices_->lcd_bus()).bytes_moved(); }

bool Board::lcd_pixel(int x, int y) const
{
    const bool dark = devices_->lcd().pixel(x, y);
    return powered_ && dark;
}

LcdImage Board::lcd_image() const { return powered_ ? devices_->lcd().image() : LcdImage{}; }

std::string Board::lcd_text(int line) const { return lcd_line(line).text; }

TextLine Board::lcd_line(int line) const
{
    if (line < 0 || line >= LcdImage::kPages)
        throw SimError("the LCD has text lines 0 to 7, not " + std::to_string(line));
    return devices_->lcd_reader().line(lcd_image(), line);
}

std::array<TextLine, LcdImage::kPages> Board::lcd_lines() const { return devices_->lcd_reader().lines(lcd_image()); }

namespace {
Accelerometer::Axis device_axis(Axis axis) { return axis == Axis::X ? Accelerometer::Axis::X : Accelerometer::Axis::Y; }
}  // namespace

void Board::set_tilt(Axis axis, double degrees) { devices_->accelerometer().set_tilt(device_axis(axis), degrees); }
void Board::set_raw_reading(Axis axis, std::uint16_t word)
{
    devices_->accelerometer().set_raw(device_axis(axis), word);
}
void Board::set_accelerometer_silent(bool silent) { devices_->accelerometer().set_silent(silent); }

std::uint8_t Board::flash_byte(std::uint32_t address) const { return chip_->flash().peek(address); }

std::vector<std::uint8_t> Board::flash_bytes(std::uint32_t address, std::size_t count) const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(chip_->flash().peek(address + static_cast<std::uint32_t>(i)));
    return bytes;
}

void Board::load_flash(std::uint32_t address, const std::vector<std::uint8_t>& bytes)
{
    chip_->flash().load(address, bytes);
}

void Board::inject_flash_fault(FlashFault fault)
{
    chip_->flash_interface().inject_error(fault == FlashFault::WriteProtection
                                                ? FlashInterface::kWriteProtectionError
                                                : FlashInterface::kParallelismError);
}

void Board::hold_flash_busy(bool held) { chip_->flash_interface().hold_busy(held); }

void Board::fit_crystal(bool fitted) { chip_->rcc().set_crystal_present(fitted); }

Board::ClockTree Board::clock_tree() const
{
    const Rcc& rcc = chip_->rcc();
    return {rcc.sysclk_hz(), rcc.hclk_hz(), rcc.pclk1_hz(), rcc.pclk2_hz()};
}

void Board::attach_debugger(bool attached) { chip_->debug().set_attached(attached); }

void Board::force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack)
{
    cpu_.force_hard_fault(frame, on_process_stack);
}

}  // namespace sim
