#include <ostream>
#include <string>
#include <vector>

#include "driver_test.h"
#include "board/wiring.h"
#include "models/gpio_port.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"

namespace {

using sim::GpioPort;

const std::string kModule = "stm32f2xx_gpio.cpp";

struct PortState {
    std::uint32_t moder, otyper, ospeedr, pupdr;
    bool operator==(const PortState&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const PortState& s)
    {
        return os << std::hex << "{MODER 0x" << s.moder << ", OTYPER 0x" << s.otyper << ", OSPEEDR 0x" << s.ospeedr
                  << ", PUPDR 0x" << s.pupdr << "}" << std::dec;
    }
};

class GpioDriverTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOF, ENABLE);
    }
    void preset(const PortState& s)
    {
        GPIOF->MODER = s.moder;
        GPIOF->OTYPER = s.otyper;
        GPIOF->OSPEEDR = s.ospeedr;
        GPIOF->PUPDR = s.pupdr;
    }
    PortState state()
    {
        GpioPort& f = models(board).gpio('F');
        return {f.peek(GpioPort::MODER), f.peek(GpioPort::OTYPER), f.peek(GpioPort::OSPEEDR), f.peek(GpioPort::PUPDR)};
    }
};

struct InitCase {
    const char* name;
    GPIO_InitTypeDef init;
    PortState before, after;
    std::string reports;  // failed checks, in order
};

std::string init_report(const char* check, int times = 1) { return report(kModule, "GPIO_Init", check, times); }

TEST_F(GpioDriverTest, InitSetsOnlyTheMaskedPinsFieldsAndReportsBadArguments)
{
    const auto OUT = GPIO_Mode_OUT, AF = GPIO_Mode_AF, IN = GPIO_Mode_IN;
    const PortState zero{0, 0, 0, 0}, ones{0xFFFFFFFF, 0xFFFF, 0xFFFFFFFF, 0xAAAAAAAA};
    const InitCase cases[] = {
        {"pins 0 and 2 as outputs at reset", {0x0005, OUT, GPIO_Speed_50MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL},
         zero, {0x11, 0, 0x22, 0}, ""},
        {"pin 1 and the rest keep their settings", {0x0005, OUT, GPIO_Speed_50MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL},
         ones, {0xFFFFFFDD, 0xFFFA, 0xFFFFFFEE, 0xAAAAAA88}, ""},
        {"inputs keep speed and output type", {0x8001, IN, GPIO_Speed_100MHz, GPIO_OType_OD, GPIO_PuPd_UP},
         {0xFFFFFFFF, 0xFFFF, 0x55555555, 0}, {0x3FFFFFFC, 0xFFFF, 0x55555555, 0x40000001}, ""},
        {"open drain; mask bits above pin 15 select nothing",
         {0x10002, OUT, GPIO_Speed_25MHz, GPIO_OType_OD, GPIO_PuPd_DOWN}, zero, {0x4, 0x2, 0x4, 0x8}, ""},
        {"bad speed reported for each of three outputs, kept to its field",
         {0x0007, OUT, GPIOSpeed_TypeDef(4), GPIO_OType_PP, GPIO_PuPd_NOPULL}, zero, {0x15, 0, 0, 0},
         init_report("IS_GPIO_SPEED", 3)},
        {"bad output type reported for each AF pin, pin 10 untouched",
         {0x0300, AF, GPIO_Speed_50MHz, GPIOOType_TypeDef(2), GPIO_PuPd_UP}, zero, {0xA0000, 0, 0xA0000, 0x50000},
         init_report("IS_GPIO_OTYPE", 2)},
        {"speed and output type of an input are not checked",
         {0x0001, IN, GPIOSpeed_TypeDef(9), GPIOOType_TypeDef(7), GPIO_PuPd_NOPULL}, ones,
         {0xFFFFFFFC, 0xFFFF, 0xFFFFFFFF, 0xAAAAAAA8}, ""},
        {"bad pull reported once", {0x0003, OUT, GPIO_Speed_2MHz, GPIO_OType_PP, GPIOPuPd_TypeDef(3)}, zero,
         {0x5, 0, 0, 0xF}, init_report("IS_GPIO_PUPD")},
        {"bad mode reported once, pin 1 untouched", {0x0001, GPIOMode_TypeDef(7), GPIO_Speed_2MHz, GPIO_OType_PP,
         GPIO_PuPd_NOPULL}, {0x8, 0, 0, 0}, {0xB, 0, 0, 0}, init_report("IS_GPIO_MODE")},
        {"empty mask reported, nothing written", {0, OUT, GPIO_Speed_2MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL}, ones,
         ones, init_report("IS_GPIO_PIN(")},
    };
    for (const InitCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.before);
        board.clear_serial_output();
        GPIO_InitTypeDef init = c.init;
        GPIO_Init(GPIOF, &init);
        EXPECT_EQ(state(), c.after);
        EXPECT_EQ(console(), c.reports);
    }
}

// Every field is cleared, then set, pin by pin in ascending order: the trace
// shows each write with the value it left.
TEST_F(GpioDriverTest, InitWritesEachFieldClearThenSetPinByPinInAscendingOrder)
{
    const std::uint32_t F = sim::base_of("GPIOF");
    preset({0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    auto writes = [&] {
        std::vector<RegisterWrite> out;
        for (const sim::BusAccess& a : accesses_to(board.trace().accesses(), F, sim::GpioPort::kSize))
            if (a.write) out.push_back({a.address - F, a.width, a.value});
        board.trace().clear();
        return out;
    };
    board.trace().start();
    GPIO_InitTypeDef out{0x0005, GPIO_Mode_OUT, GPIO_Speed_50MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL};
    GPIO_Init(GPIOF, &out);
    // OTYPER holds 16 bits: the upper half reads back 0.
    const std::vector<RegisterWrite> expected = {
        {0x0, 4, 0xFFFFFFFC}, {0x0, 4, 0xFFFFFFFD}, {0x8, 4, 0xFFFFFFFC}, {0x8, 4, 0xFFFFFFFE},
        {0x4, 4, 0x0000FFFE}, {0x4, 4, 0x0000FFFE}, {0xC, 4, 0xFFFFFFFC}, {0xC, 4, 0xFFFFFFFC},
        {0x0, 4, 0xFFFFFFCD}, {0x0, 4, 0xFFFFFFDD}, {0x8, 4, 0xFFFFFFCE}, {0x8, 4, 0xFFFFFFEE},
        {0x4, 4, 0x0000FFFA}, {0x4, 4, 0x0000FFFA}, {0xC, 4, 0xFFFFFFCC}, {0xC, 4, 0xFFFFFFCC},
    };
    EXPECT_EQ(writes(), expected);

    GPIO_InitTypeDef in{0x0002, GPIO_Mode_IN, GPIO_Speed_50MHz, GPIO_OType_PP, GPIO_PuPd_UP};
    GPIO_Init(GPIOF, &in);
    const std::vector<RegisterWrite> input_writes = {
        {0x0, 4, 0xFFFFFFD1}, {0x0, 4, 0xFFFFFFD1}, {0xC, 4, 0xFFFFFFC0}, {0xC, 4, 0xFFFFFFC4}};
    EXPECT_EQ(writes(), input_writes);
    EXPECT_EQ(console(), "");
}

// A port no check accepts is reported, and the writes go there all the same.
TEST_F(GpioDriverTest, InitOnAForeignPortReportsThePortAndCarriesOn)
{
    RegisterFile& port = map_scratch(kForeignBase);
    GPIO_InitTypeDef out{0x0001, GPIO_Mode_OUT, GPIO_Speed_50MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL};
    GPIO_Init(reinterpret_cast<GPIO_TypeDef*>(kForeignBase), &out);
    EXPECT_EQ(port.word(0x0), 0x1u);
    EXPECT_EQ(console(), init_report("IS_GPIO_ALL_PERIPH"));
}

TEST_F(GpioDriverTest, SetAndResetBitsAreSingleHalfWordWritesOfTheMask)
{
    GPIO_SetBits(GPIOF, 0x0101);
    GPIO_ResetBits(GPIOF, 0x0100);
    EXPECT_EQ(models(board).gpio('F').peek(GpioPort::ODR), 0x0001u);
    EXPECT_EQ(console(), "");

    GPIO_SetBits(GPIOF, 0);
    GPIO_ResetBits(GPIOF, 0);
    EXPECT_EQ(models(board).gpio('F').peek(GpioPort::ODR), 0x0001u);
    EXPECT_EQ(console(), report(kModule, "GPIO_SetBits", "IS_GPIO_PIN(") +
                             report(kModule, "GPIO_ResetBits", "IS_GPIO_PIN("));

    RegisterFile& port = map_scratch(kForeignBase);
    board.clear_serial_output();
    GPIO_SetBits(reinterpret_cast<GPIO_TypeDef*>(kForeignBase), 0x8001);
    GPIO_ResetBits(reinterpret_cast<GPIO_TypeDef*>(kForeignBase), 0x0040);
    const std::vector<RegisterWrite> expected = {{0x18, 2, 0x8001}, {0x1A, 2, 0x0040}};
    EXPECT_EQ(port.writes(), expected);
    EXPECT_EQ(console(), report(kModule, "GPIO_SetBits", "IS_GPIO_ALL_PERIPH") +
                             report(kModule, "GPIO_ResetBits", "IS_GPIO_ALL_PERIPH"));
}

struct AfCase {
    const char* name;
    std::uint16_t pin;
    std::uint8_t af;
    std::uint32_t before, afrl, afrh;  // before: both words
    std::string reports;
};

TEST_F(GpioDriverTest, PinAFConfigReplacesOnlyThePinsFourBitField)
{
    const std::string bad_af = report(kModule, "GPIO_PinAFConfig", "IS_GPIO_AF(");
    const AfCase cases[] = {
        {"pin 10 function 7", 10, 7, 0, 0, 0x700, ""},
        {"pin 10 function 7 over set bits", 10, 7, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFF7FF, ""},
        {"function 14 reported and written", 10, 14, 0, 0, 0xE00, bad_af},
        {"pin 0 function 15", 0, 15, 0, 0xF, 0, ""},
        {"pin 7 is the top of the low word", 7, 1, 0xFFFFFFFF, 0x1FFFFFFF, 0xFFFFFFFF, ""},
        {"pin 8 is the bottom of the high word", 8, 2, 0, 0, 0x2, ""},
        {"function wider than the field kept to it", 3, 0x25, 0, 0x5000, 0, bad_af},
        {"pin 16 reported, no pin changed", 16, 5, 0x12345678, 0x12345678, 0x12345678,
         report(kModule, "GPIO_PinAFConfig", "IS_GPIO_PIN_SOURCE")},
    };
    for (const AfCase& c : cases) {
        SCOPED_TRACE(c.name);
        GPIOF->AFR[0] = c.before;
        GPIOF->AFR[1] = c.before;
        board.clear_serial_output();
        GPIO_PinAFConfig(GPIOF, c.pin, c.af);
        EXPECT_EQ(models(board).gpio('F').peek(GpioPort::AFRL), c.afrl);
        EXPECT_EQ(models(board).gpio('F').peek(GpioPort::AFRH), c.afrh);
        EXPECT_EQ(console(), c.reports);
    }
}

}  // namespace
