// STM_EVAL_PBInit on the board: the button's pin, and in interrupt mode the
// whole path from a press through SYSCFG and the EXTI to the NVIC.
#include <string>

#include "board/wiring.h"
#include "core/exception_state.h"
#include "driver_test.h"
#include "models/exti.h"
#include "models/gpio_port.h"
#include "models/rcc.h"
#include "models/syscfg.h"
#include "morva_eval.h"

namespace {

using sim::ExceptionState;
using sim::Exti;

struct ButtonCase {
    Button_TypeDef button;
    sim::Button on_board;
    int pin;  // of port C, and EXTI line
};
constexpr ButtonCase kButtons[] = {{BUTTON_SW1, sim::Button::Back, 14}, {BUTTON_SW2, sim::Button::Ok, 15}};
constexpr int kButtonIrq = ExceptionState::irq(40);

class ButtonTest : public DriverTest {
protected:
    Exti& exti() { return models(board).get<Exti>("EXTI"); }
    ExceptionState& core() { return models(board).exceptions(); }
    std::uint32_t enabled_clocks(sim::Rcc::PeripheralBus bus)
    {
        return models(board).rcc().peek(sim::Rcc::enable_offset(bus));
    }
};

TEST_F(ButtonTest, GpioModeMakesAnInputAndTouchesNoInterruptHardware)
{
    board.trace().start();
    for (const ButtonCase& c : kButtons) {
        SCOPED_TRACE(c.pin);
        STM_EVAL_PBInit(c.button, BUTTON_MODE_GPIO);
        const sim::GpioPort& port = models(board).gpio('C');
        EXPECT_EQ(port.mode(c.pin), sim::GpioPort::kModeInput);
        EXPECT_EQ(port.pull(c.pin), 0) << "the board's resistor pulls it up";
        EXPECT_NE(enabled_clocks(sim::Rcc::PeripheralBus::Ahb1) & 0x04u, 0u);
        EXPECT_NE(enabled_clocks(sim::Rcc::PeripheralBus::Apb2) & 0x4000u, 0u) << "SYSCFG clock in both modes";
        board.press(c.on_board);
        EXPECT_EQ(GPIOC->IDR & (1u << c.pin), 0u);
        board.release(c.on_board);
    }
    const auto& trace = board.trace().accesses();
    for (const char* block : {"EXTI", "SYSCFG"}) EXPECT_TRUE(accesses_to(trace, sim::base_of(block), 0x400).empty()) << block;
    EXPECT_TRUE(accesses_to(trace, sim::base_of("NVIC"), 0x3F0).empty());
    EXPECT_EQ(exti().peek(Exti::PR), 0u);
    EXPECT_FALSE(core().enabled(kButtonIrq));
}

TEST_F(ButtonTest, ExtiModePendsTheButtonInterruptAtTheHighestPriorityOnAPressOnly)
{
    core().set_priority_byte(kButtonIrq, 0xF0);
    for (const ButtonCase& c : kButtons) {
        SCOPED_TRACE(c.pin);
        const std::uint32_t line = 1u << c.pin;
        STM_EVAL_PBInit(c.button, BUTTON_MODE_EXTI);
        EXPECT_EQ(models(board).get<sim::Syscfg>("SYSCFG").routed_port(c.pin), 2) << "port C";
        EXPECT_EQ(exti().peek(Exti::IMR) & line, line);
        EXPECT_EQ(exti().peek(Exti::FTSR) & line, line);
        EXPECT_EQ(exti().peek(Exti::RTSR) & line, 0u);
        EXPECT_TRUE(core().enabled(kButtonIrq));
        EXPECT_EQ(core().priority_byte(kButtonIrq), 0u);

        core().set_primask(true);  // the test looks before the core takes it
        board.press(c.on_board);
        EXPECT_EQ(exti().peek(Exti::PR), line);
        EXPECT_TRUE(core().pending(kButtonIrq));
        EXTI->PR = line;
        core().set_pending(kButtonIrq, false);
        board.release(c.on_board);
        EXPECT_EQ(exti().peek(Exti::PR), 0u);
        EXPECT_FALSE(core().pending(kButtonIrq)) << "a release raises nothing";
        core().set_primask(false);
    }
    EXPECT_EQ(console(), "");
}

}  // namespace
