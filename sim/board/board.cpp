#include "board.h"

#include "cpu.h"
#include "models/debug_control.h"
#include "models/exceptions.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"
#include "models/gpio_port.h"
#include "models/nvic.h"
#include "models/rcc.h"
#include "models/system_control_block.h"
#include "models/systick.h"
#include "models/usart.h"
#include "platform/firmware_image.h"

namespace sim {

namespace {
Board* g_current = nullptr;

constexpr std::uint32_t BLOCK = 0x400;
constexpr std::uint32_t AHB1_GPIOA = 1u << 0;
constexpr std::uint32_t APB1_USART2 = 1u << 17, APB1_USART3 = 1u << 18;
constexpr std::uint32_t APB2_USART1 = 1u << 4, APB2_USART6 = 1u << 5;
constexpr int LED1_PIN = 8;  // LED1..LED8 on PE8..PE15
constexpr int GPIO_MODE_OUTPUT = 1;
}  // namespace

Board* Board::current() { return g_current; }

Board::Board()
{
    exceptions_ = std::make_unique<ExceptionState>();
    exceptions_->reset();
    nvic_ = std::make_unique<Nvic>(*exceptions_);
    rcc_ = std::make_unique<Rcc>(clock_);
    auto hclk = [this] { return rcc_->hclk_hz(); };
    systick_ = std::make_unique<SysTickTimer>(clock_, *exceptions_, hclk);
    scb_ = std::make_unique<SystemControlBlock>(*exceptions_, [this] {
        cpu_->endless_loop("system reset requested through AIRCR, which the board does not wire");
    });
    debug_ = std::make_unique<DebugControl>();
    for (int i = 0; i < 9; ++i) gpio_[i] = std::make_unique<GpioPort>(static_cast<char>('A' + i));
    auto pclk1 = [this] { return rcc_->pclk1_hz(); };
    auto pclk2 = [this] { return rcc_->pclk2_hz(); };
    usart1_ = std::make_unique<Usart>("USART1", clock_, pclk2);
    usart2_ = std::make_unique<Usart>("USART2", clock_, pclk1);
    usart3_ = std::make_unique<Usart>("USART3", clock_, pclk1);
    usart6_ = std::make_unique<Usart>("USART6", clock_, pclk2);
    flash_ = std::make_unique<FlashMemory>();
    flash_interface_ = std::make_unique<FlashInterface>(clock_, *flash_);
    cpu_ = std::make_unique<Cpu>(clock_, *exceptions_, hclk, &firmware_handler);

    map_models();
    bus_.set_access_hook([this] { cpu_->on_bus_access(); });
    bus_.set_poll_hook([this] { cpu_->skip_to_next_event(); });
    cpu_->set_wait_description([this] { return clock_.next_event_time() ? std::string() : bus_.busy_wait(); });
    bus_.reset_all();

    g_current = this;
    set_active_bus(&bus_);
}

Board::~Board()
{
    if (g_current == this) {
        g_current = nullptr;
        set_active_bus(nullptr);
    }
}

void Board::map_models()
{
    bus_.map(0x08000000, 0x100000, *flash_, "flash memory");
    bus_.map(0xE000E010, 0x10, *systick_, "SysTick");
    bus_.map(0xE000E100, 0x3F0, *nvic_, "NVIC");  // up to the last priority byte; the software trigger register is not wired
    bus_.map(0xE000ED00, 0x40, *scb_, "SCB");
    bus_.map(0xE000EDF0, 0x10, *debug_, "debug registers");
    bus_.map(0x40023800, BLOCK, *rcc_, "RCC");
    bus_.map(0x40023C00, BLOCK, *flash_interface_, "flash interface");
    for (int i = 0; i < 9; ++i) {
        const std::uint32_t enable = AHB1_GPIOA << i;
        bus_.map(0x40020000 + BLOCK * static_cast<std::uint32_t>(i), BLOCK, *gpio_[i],
                 std::string("GPIO") + static_cast<char>('A' + i), [this, enable] { return rcc_->ahb1_enabled(enable); });
    }
    bus_.map(0x40011000, BLOCK, *usart1_, "USART1", [this] { return rcc_->apb2_enabled(APB2_USART1); });
    bus_.map(0x40004400, BLOCK, *usart2_, "USART2", [this] { return rcc_->apb1_enabled(APB1_USART2); });
    bus_.map(0x40004800, BLOCK, *usart3_, "USART3", [this] { return rcc_->apb1_enabled(APB1_USART3); });
    bus_.map(0x40011400, BLOCK, *usart6_, "USART6", [this] { return rcc_->apb2_enabled(APB2_USART6); });
}

void Board::power_on()
{
    if (powered_) power_off();
    exceptions_->reset();
    bus_.reset_all();
    clock_.drop_events();
    reset_firmware_ram();
    cpu_->reset(&firmware_reset_entry);
    set_active_bus(&bus_);
    g_current = this;
    powered_ = true;
}

void Board::power_off()
{
    cpu_->reset({});
    powered_ = false;
}

void Board::run_for(Nanoseconds span)
{
    if (!powered_) throw SimError("run_for on a board that is off");
    cpu_->run(clock_.now() + span, {});
}

bool Board::run_until(const std::function<bool()>& cond, Nanoseconds limit)
{
    if (!powered_) throw SimError("run_until on a board that is off");
    if (cond()) return true;
    cpu_->run(clock_.now() + limit, cond);
    return cond();
}

void Board::run_code(const std::function<void()>& code, Nanoseconds limit)
{
    if (!powered_) throw SimError("run_code on a board that is off");
    cpu_->run_code(code, clock_.now() + limit);
}

bool Board::stopped() const { return cpu_->stopped(); }
const std::string& Board::stop_reason() const { return cpu_->stop_reason(); }
std::uint64_t Board::idle_passes() const { return cpu_->idle_passes(); }

bool Board::led(int number) const
{
    if (number < 1 || number > 8) throw SimError("the board has LED1 to LED8, not LED" + std::to_string(number));
    const GpioPort& port = *gpio_[4];
    const int pin = LED1_PIN + number - 1;
    return port.mode(pin) == GPIO_MODE_OUTPUT && port.level(pin);
}

std::string Board::busy_wait() const { return bus_.busy_wait(); }

std::string Board::serial_output() const { return usart2_->transmitted_text(); }
void Board::clear_serial_output() { usart2_->clear_transmitted(); }

void Board::attach_debugger(bool attached) { debug_->set_attached(attached); }
unsigned Board::breakpoints_hit() const { return cpu_->breakpoints(); }

void Board::force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack)
{
    cpu_->force_hard_fault(frame, on_process_stack);
}

GpioPort& Board::gpio(char port)
{
    if (port < 'A' || port > 'I') throw SimError(std::string("no GPIO port ") + port);
    return *gpio_[port - 'A'];
}

Usart& Board::usart(int number)
{
    switch (number) {
    case 1:
        return *usart1_;
    case 2:
        return *usart2_;
    case 3:
        return *usart3_;
    case 6:
        return *usart6_;
    default:
        throw SimError("the virtual board models USART1, 2, 3 and 6, not USART" + std::to_string(number));
    }
}

}  // namespace sim
