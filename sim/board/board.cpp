#include "board.h"

#include "board_devices.h"
#include "board_models.h"
#include "exti_routing.h"
#include "models/debug_control.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/rcc.h"
#include "models/spi.h"
#include "models/system_control_block.h"
#include "models/systick.h"
#include "models/usart.h"
#include "platform/firmware_image.h"
#include "wiring.h"

namespace sim {

namespace {
Board* g_current = nullptr;
constexpr int kLed1Pin = 8;  // LED1..LED8 on PE8..PE15
constexpr int kBacklightPin = 7;  // PC7, TIM3 channel 2
}  // namespace

Board* Board::current() { return g_current; }

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
        board.models().exceptions().set_pending(ExceptionState::irq(irq_number), true);
    });
}

HardwareEvent HardwareEvent::drive_pin(char port, int pin, bool high)
{
    return HardwareEvent([port, pin, high](Board& board) { board.models().gpio(port).drive(pin, high); });
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

Board::Board() : cpu_(clock_, exceptions_, &firmware_handler)
{
    models_ = std::make_unique<BoardModels>(*this);
    exceptions_.reset();
    mount_peripherals();
    devices_ = std::make_unique<BoardDevices>(*models_);
    bus_.set_master(&cpu_);
    cpu_.set_wait_description([this] { return bus_.busy_wait(); });
    cpu_.set_system_reset([this] { reset_chip(); });
    reset_chip();
    make_current();
}

Board::~Board()
{
    cpu_.reset({});  // unwinds the firmware's stack while the models still stand
    if (g_current == this) {
        g_current = nullptr;
        set_active_bus(nullptr);
    }
}

void Board::make_current()
{
    g_current = this;
    set_active_bus(&bus_);
}

void Board::mount_peripherals()
{
    for (const WiringRow& row : wiring()) {
        parts_.push_back(Mounted{&row, row.make(*this, row)});
        Peripheral& model = *parts_.back().model;
        ClockGate gate;
        if (row.clock_enable.present) {
            gate.enable_register = models_->rcc().enable_register(row.clock_enable.bus);
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
    wire_exti_inputs(*models_);
    Rcc& rcc = models_->rcc();
    rcc.set_clock_listener([this] { distribute_clocks(); });
    rcc.set_reset_listener([this](Rcc::PeripheralBus bus, unsigned bit) { reset_peripheral(bus, bit); });
}

void Board::distribute_clocks()
{
    const Rcc& rcc = models_->rcc();
    const std::uint32_t cfgr = rcc.peek(Rcc::CFGR);
    // A timer runs at twice its bus clock when that bus is divided.
    const std::uint32_t tim1 = ((cfgr >> 10) & 0x4u) ? 2 * rcc.pclk1_hz() : rcc.pclk1_hz();
    const std::uint32_t tim2 = ((cfgr >> 13) & 0x4u) ? 2 * rcc.pclk2_hz() : rcc.pclk2_hz();
    cpu_.set_core_clock(rcc.hclk_hz());
    for (Mounted& part : parts_) {
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
    for (Mounted& part : parts_) {
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
}

void Board::power_off()
{
    cpu_.reset({});
    powered_ = false;
}

void Board::cut_power()
{
    powered_ = false;
    reset_chip();  // before the clock moves on, so that no operation under way ends
    if (cpu_.in_firmware()) cpu_.endless_loop("the power was cut");
    cpu_.reset({});
}

void Board::press(Button button) { (button == Button::Back ? devices_->back : devices_->ok).press(); }
void Board::release(Button button) { (button == Button::Back ? devices_->back : devices_->ok).release(); }
bool Board::pressed(Button button) const
{
    return (button == Button::Back ? devices_->back : devices_->ok).pressed();
}

void Board::turn_encoder(int detents) { devices_->encoder.turn(detents); }

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

bool Board::led(int number) const
{
    if (number < 1 || number > 8) throw SimError("the board has LED1 to LED8, not LED" + std::to_string(number));
    const GpioPort& port = models_->gpio('E');
    const int pin = kLed1Pin + number - 1;
    return port.mode(pin) == GpioPort::kModeOutput && port.level(pin);
}

int Board::backlight_percent() const
{
    const GpioPort& port = models_->gpio('C');
    if (port.mode(kBacklightPin) != GpioPort::kModeAlternate || port.alternate_function(kBacklightPin) != 2) return 0;
    const GeneralTimer::Duty duty = models_->timer(3).channel2_output();
    return static_cast<int>((200 * duty.high + duty.period) / (2 * duty.period));
}

const std::string& Board::serial_output() const { return devices_->console.text(); }
std::string Board::take_serial_output() { return devices_->console.take(); }
void Board::clear_serial_output() { devices_->console.clear(); }

void Board::send_serial(const std::string& bytes)
{
    models_->usart(2).receive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

bool Board::lcd_pixel(int x, int y) const { return devices_->lcd.pixel(x, y); }
LcdImage Board::lcd_image() const { return devices_->lcd.image(); }

std::string Board::lcd_text(int line) const
{
    if (line < 0 || line >= LcdImage::kPages)
        throw SimError("the LCD has text lines 0 to 7, not " + std::to_string(line));
    return devices_->lcd_reader.line(devices_->lcd.image(), line).text;
}

std::array<TextLine, LcdImage::kPages> Board::lcd_lines() const
{
    return devices_->lcd_reader.lines(devices_->lcd.image());
}

namespace {
Accelerometer::Axis device_axis(Axis axis) { return axis == Axis::X ? Accelerometer::Axis::X : Accelerometer::Axis::Y; }
}  // namespace

void Board::set_tilt(Axis axis, double degrees) { devices_->accelerometer.set_tilt(device_axis(axis), degrees); }
void Board::set_raw_reading(Axis axis, std::uint16_t word) { devices_->accelerometer.set_raw(device_axis(axis), word); }
void Board::set_accelerometer_silent(bool silent) { devices_->accelerometer.set_silent(silent); }

std::uint8_t Board::flash_byte(std::uint32_t address) const { return models_->flash().peek(address); }

std::vector<std::uint8_t> Board::flash_bytes(std::uint32_t address, std::size_t count) const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(models_->flash().peek(address + static_cast<std::uint32_t>(i)));
    return bytes;
}

void Board::load_flash(std::uint32_t address, const std::vector<std::uint8_t>& bytes)
{
    models_->flash().load(address, bytes);
}

void Board::inject_flash_fault(FlashFault fault)
{
    models_->flash_interface().inject_error(fault == FlashFault::WriteProtection
                                                ? FlashInterface::kWriteProtectionError
                                                : FlashInterface::kParallelismError);
}

void Board::hold_flash_busy(bool held) { models_->flash_interface().hold_busy(held); }

void Board::fit_crystal(bool fitted) { models_->rcc().set_crystal_present(fitted); }

void Board::attach_debugger(bool attached) { models_->debug().set_attached(attached); }

void Board::force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack)
{
    cpu_.force_hard_fault(frame, on_process_stack);
}

// --- models ---------------------------------------------------------------

Peripheral& BoardModels::peripheral(std::string_view name) const
{
    for (const Board::Mounted& part : board_.parts_)
        if (part.row->name == name) return *part.model;
    throw SimError("the board has no model named " + std::string(name));
}

Rcc& BoardModels::rcc() const { return get<Rcc>("RCC"); }

GpioPort& BoardModels::gpio(char port) const
{
    if (port < 'A' || port > 'I') throw SimError(std::string("no GPIO port ") + port);
    return get<GpioPort>(std::string("GPIO") + port);
}

Spi& BoardModels::spi(int number) const
{
    if (number < 1 || number > 3) throw SimError("the chip has SPI1 to SPI3, not SPI" + std::to_string(number));
    return get<Spi>("SPI" + std::to_string(number));
}

SpiBus& BoardModels::spi2_bus() const { return board_.devices_->spi2; }
St7565pController& BoardModels::lcd() const { return board_.devices_->lcd; }
Accelerometer& BoardModels::accelerometer() const { return board_.devices_->accelerometer; }

Usart& BoardModels::usart(int number) const
{
    if (number != 1 && number != 2 && number != 3 && number != 6)
        throw SimError("the virtual board models USART1, 2, 3 and 6, not USART" + std::to_string(number));
    return get<Usart>("USART" + std::to_string(number));
}

GeneralTimer& BoardModels::timer(int number) const
{
    if (number != 3 && number != 4)
        throw SimError("the virtual board models TIM3 and TIM4, not TIM" + std::to_string(number));
    return get<GeneralTimer>("TIM" + std::to_string(number));
}

FlashMemory& BoardModels::flash() const { return get<FlashMemory>("flash memory"); }
FlashInterface& BoardModels::flash_interface() const { return get<FlashInterface>("flash interface"); }
SysTickTimer& BoardModels::systick() const { return get<SysTickTimer>("SysTick"); }
SystemControlBlock& BoardModels::scb() const { return get<SystemControlBlock>("SCB"); }
DebugControl& BoardModels::debug() const { return get<DebugControl>("debug registers"); }
SerialLine& BoardModels::console() const { return board_.devices_->console; }
RotaryEncoder& BoardModels::encoder() const { return board_.devices_->encoder; }

}  // namespace sim
