// The GPIO port model through the bus: reset state, set/reset register
// semantics at the widths the firmware uses, and the level of each pin.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "board/wiring.h"
#include "core/sim_error.h"
#include "model_rig.h"
#include "models/gpio_port.h"

namespace {

using sim::GpioPort;

class GpioModel : public ::testing::Test {
protected:
    GpioModel() { rig.mount("GPIOE", port); }

    std::uint32_t read(std::uint32_t offset) { return rig.read(kBase + offset); }
    void write(std::uint32_t offset, std::uint32_t value, unsigned width = 4) { rig.write(kBase + offset, value, width); }
    void set_field(std::uint32_t offset, int pin, int value)
    {
        const unsigned shift = 2u * static_cast<unsigned>(pin);
        write(offset, (read(offset) & ~(3u << shift)) | static_cast<std::uint32_t>(value) << shift);
    }
    void set_mode(int pin, int mode) { set_field(GpioPort::MODER, pin, mode); }
    void set_pull(int pin, int pull) { set_field(GpioPort::PUPDR, pin, pull); }

    const std::uint32_t kBase = sim::base_of("GPIOE");
    ModelRig rig;
    GpioPort port{'E'};
};

TEST(GpioReset, PortsAAndBStartWithTheirDebugPins)
{
    struct Case {
        char letter;
        std::uint32_t moder, ospeedr, pupdr;
    };
    for (const Case& c : {Case{'A', 0xA8000000u, 0u, 0x64000000u}, Case{'B', 0x00000280u, 0x000000C0u, 0x00000100u},
                          Case{'D', 0u, 0u, 0u}, Case{'I', 0u, 0u, 0u}}) {
        GpioPort port(c.letter);
        port.write(GpioPort::MODER, 4, 0x55555555u);
        port.reset();
        EXPECT_EQ(port.peek(GpioPort::MODER), c.moder) << c.letter;
        EXPECT_EQ(port.peek(GpioPort::OSPEEDR), c.ospeedr) << c.letter;
        EXPECT_EQ(port.peek(GpioPort::PUPDR), c.pupdr) << c.letter;
        EXPECT_EQ(sim::base_of(std::string("GPIO") + c.letter), 0x40020000u + 0x400u * static_cast<std::uint32_t>(c.letter - 'A'));
    }
    EXPECT_THROW(GpioPort('J'), sim::SimError);
}

TEST_F(GpioModel, SetAndResetHalvesChangeOnlyTheirPins)
{
    write(GpioPort::ODR, 0x00F0u);
    write(0x18, 0x0101u, 2);  // BSRRL
    EXPECT_EQ(read(GpioPort::ODR), 0x01F1u);
    write(0x1A, 0x0011u, 2);  // BSRRH
    EXPECT_EQ(read(GpioPort::ODR), 0x01E0u);
    write(GpioPort::BSRR, 0x00C00003u);  // pins 6, 7 reset; 0, 1 set
    EXPECT_EQ(read(GpioPort::ODR), 0x0123u);
    write(GpioPort::BSRR, 0x01000100u);  // pin 8 both: set wins
    EXPECT_EQ(read(GpioPort::ODR) & 0x0100u, 0x0100u);
    write(GpioPort::BSRR, 0x01000000u);
    EXPECT_EQ(read(GpioPort::ODR) & 0x0100u, 0u);
    EXPECT_EQ(read(GpioPort::BSRR), 0u) << "write-only";
}

struct LevelCase {
    const char* name;
    int mode, pull;
    bool open_drain, odr_high;
    int driven;  // -1 none, else the level driven from outside
    bool level, idr;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class GpioLevel : public GpioModel, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(GpioLevel, PinLevelAndInputRegister)
{
    const LevelCase& c = GetParam();
    constexpr int pin = 9;
    set_mode(pin, c.mode);
    set_pull(pin, c.pull);
    write(GpioPort::OTYPER, c.open_drain ? 1u << pin : 0u);
    write(GpioPort::ODR, c.odr_high ? 1u << pin : 0u);
    if (c.driven >= 0) port.drive(pin, c.driven == 1);
    EXPECT_EQ(port.level(pin), c.level);
    EXPECT_EQ((read(GpioPort::IDR) >> pin) & 1u, c.idr ? 1u : 0u);
    EXPECT_EQ(port.mode(pin), c.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GpioLevel,
    ::testing::Values(LevelCase{"OutputHigh", 1, 0, false, true, 0, true, true},
                      LevelCase{"OutputLowBeatsPullUp", 1, 1, false, false, 1, false, false},
                      LevelCase{"OpenDrainHighFloatsToPullUp", 1, 1, true, true, -1, true, true},
                      LevelCase{"OpenDrainHighDrivenLow", 1, 1, true, true, 0, false, false},
                      LevelCase{"InputFloatingReadsLow", 0, 0, false, true, -1, false, false},
                      LevelCase{"InputPullUp", 0, 1, false, false, -1, true, true},
                      LevelCase{"InputPullDown", 0, 2, false, true, -1, false, false},
                      LevelCase{"InputDrivenLowBeatsPullUp", 0, 1, false, false, 0, false, false},
                      LevelCase{"AlternateDrivenHigh", 2, 0, false, false, 1, true, true},
                      LevelCase{"AnalogInputBufferOff", 3, 0, false, false, 1, true, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(GpioModel, ListenersHearEachChangeOnce)
{
    std::vector<std::pair<int, bool>> heard;
    port.listen_all([&](int pin, bool high) { heard.emplace_back(pin, high); });
    std::vector<bool> pin3;
    port.listen(3, [&](bool high) { pin3.push_back(high); });
    port.listen(3, [&](bool high) { pin3.push_back(high); });
    set_pull(14, 1);  // button input with pull-up: rises
    port.drive(14, false);
    port.drive(14, false);  // no change, no event
    port.release(14);
    set_mode(3, 1);
    write(0x18, 0x0008u, 2);
    write(0x18, 0x0008u, 2);
    write(0x1A, 0x0008u, 2);
    const std::vector<std::pair<int, bool>> expected{{14, true}, {14, false}, {14, true}, {3, true}, {3, false}};
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(pin3, (std::vector<bool>{true, true, false, false})) << "both listeners of pin 3, nothing else";
}

TEST_F(GpioModel, ABoardPullHoldsAnUndrivenPinAndYieldsToEverythingElse)
{
    port.set_board_pull(5, true);
    EXPECT_TRUE(port.level(5)) << "input, no pull of its own";
    set_pull(5, 2);
    EXPECT_TRUE(port.level(5)) << "the board's resistor outweighs the port's own pull-down";
    set_pull(5, 0);
    port.drive(5, false);
    EXPECT_FALSE(port.level(5)) << "what the outside drives wins";
    port.release(5);
    set_mode(5, 1);
    EXPECT_FALSE(port.level(5)) << "a push-pull output driving low wins";
    write(GpioPort::OTYPER, 1u << 5);
    write(0x18, 1u << 5, 2);
    EXPECT_TRUE(port.level(5)) << "an open-drain output left high lets the resistor pull up";
}

TEST_F(GpioModel, ResetKeepsWhatTheOutsideDrives)
{
    port.drive(2, true);
    set_mode(2, 1);
    EXPECT_FALSE(port.level(2));
    port.reset();
    EXPECT_TRUE(port.level(2));
}

TEST_F(GpioModel, MisuseIsLoud)
{
    EXPECT_THROW(write(GpioPort::IDR, 1), sim::SimError);
    EXPECT_THROW(read(0x28), sim::SimError);
    EXPECT_THROW(port.drive(16, true), sim::SimError);
    EXPECT_THROW(static_cast<void>(port.level(-1)), sim::SimError);
}

}  // namespace
