// The accelerometer model driven the way the firmware's driver drives it:
// one chip-select frame per transaction, a command byte, then data bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/sim_error.h"
#include "devices/accelerometer.h"

namespace {

using sim::Accelerometer;
using Axis = Accelerometer::Axis;
using Bytes = std::vector<std::uint8_t>;

Bytes transact(Accelerometer& device, const Bytes& out)
{
    Bytes in;
    device.select(true);
    for (std::uint8_t byte : out) in.push_back(device.exchange(byte));
    device.select(false);
    return in;
}

// The firmware's word read: 0xE8 for X, 0xEA for Y.
std::int16_t reading(Accelerometer& device, std::uint8_t command)
{
    const Bytes in = transact(device, {command, 0xA5, 0xA5});
    return static_cast<std::int16_t>(in[1] | in[2] << 8);
}

TEST(Accelerometer, AnswersEachFrameAsItsCommandByteSays)
{
    Accelerometer device;
    device.set_raw(Axis::X, 0xFC18);
    device.set_raw(Axis::Y, 0xDDCC);
    const struct {
        Bytes out, in;
        const char* what;
    } frames[] = {
        {{0xE8, 0xA5, 0xA5}, {0xFF, 0x00, 0x00}, "X reads 0 before the configuration"},
        {{0x20, 0xC3}, {0xFF, 0xFF}, "the firmware's configuration; a write drives nothing back"},
        {{0xE8, 0xA5, 0xA5}, {0xFF, 0x18, 0xFC}, "X, low byte first"},
        {{0xA0, 0x00}, {0xFF, 0xC3}, "bit 7 reads the control register, whatever follows"},
        {{0xE8, 0xA5, 0xA5, 0xA5, 0xA5}, {0xFF, 0x18, 0xFC, 0xCC, 0xDD}, "a burst runs through both words"},
        {{0xA8, 0xA5, 0xA5}, {0xFF, 0x18, 0x18}, "without bit 6 the address stays"},
        {{0xDF, 0xA5, 0xA5}, {0xFF, 0x00, 0xC3}, "unmodelled 0x1F reads 0, then comes the control"},
        {{0x20}, {0xFF}, "a command alone"},
        {{0xA0, 0xA5}, {0xFF, 0xC3}, "... wrote nothing"},
        {{0x20, 0xC1}, {0xFF, 0xFF}, "X only"},
        {{0xE8, 0xA5, 0xA5, 0xA5, 0xA5}, {0xFF, 0x18, 0xFC, 0x00, 0x00}, "Y switched off reads 0"},
        {{0x20, 0x03}, {0xFF, 0xFF}, "powered down"},
        {{0xE8, 0xA5, 0xA5, 0xA5, 0xA5}, {0xFF, 0x00, 0x00, 0x00, 0x00}, "nothing measured powered down"},
    };
    for (const auto& frame : frames) EXPECT_EQ(transact(device, frame.out), frame.in) << frame.what;
}

TEST(Accelerometer, TiltsReadAsTheSineTimesAThousandRounded)
{
    const struct {
        double degrees;
        std::int16_t expected;
    } cases[] = {{0, 0}, {30, 500}, {45, 707}, {90, 1000}, {270, -1000}, {0.5, 9}, {-0.05, -1}, {-0.02, 0}};
    Accelerometer device;
    transact(device, {0x20, 0xC3});
    for (const auto& c : cases) {
        device.set_tilt(Axis::Y, c.degrees);
        device.set_tilt(Axis::X, -c.degrees);
        EXPECT_EQ(reading(device, 0xEA), c.expected) << c.degrees << " degrees";
        EXPECT_EQ(reading(device, 0xE8), -c.expected) << -c.degrees << " degrees on the other axis";
    }
}

TEST(Accelerometer, WordsStayWholeSilenceFloatsAndPowerOnUnconfigures)
{
    Accelerometer device;
    transact(device, {0x20, 0xC3});
    device.set_raw(Axis::X, 0x01FF);
    device.select(true);
    device.exchange(0xE8);
    const std::uint8_t low = device.exchange(0xA5);
    device.set_raw(Axis::X, 0x0200);
    const std::uint8_t high = device.exchange(0xA5);
    device.select(false);
    EXPECT_EQ(low | high << 8, 0x01FF) << "not 0x02FF, a word that never was";

    device.power_on();
    EXPECT_EQ(device.control(), 0);
    EXPECT_EQ(reading(device, 0xE8), 0) << "a power cycle needs the configuration again";
    device.set_silent(true);
    transact(device, {0x20, 0xC3});
    EXPECT_EQ(device.control(), 0xC3) << "a silent device still listens";
    EXPECT_EQ(reading(device, 0xE8), -1) << "the floating line";
    device.set_silent(false);
    EXPECT_EQ(reading(device, 0xE8), 0x0200) << "the tilt is the world's and outlives the power cycle";
}

TEST(Accelerometer, MisuseIsRefusedNamingTheDeviceAndTheFault)
{
    const struct {
        std::function<void(Accelerometer&)> misuse;
        std::string fragment;
        std::uint8_t control_after = 0;
    } cases[] = {
        {[](Accelerometer& a) { transact(a, {0x28, 0x01}); }, "read-only output register 0x28"},
        {[](Accelerometer& a) { transact(a, {0x21, 0x00}); }, "register 0x21, which it does not have"},
        {[](Accelerometer& a) { transact(a, {0x60, 0xC3, 0x00}); }, "register 0x21", 0xC3},
        {[](Accelerometer& a) { transact(a, {0x20, 0xC7}); }, "control value 0xC7"},
        {[](Accelerometer& a) { transact(a, {0x20, 0x83}); }, "control value 0x83"},
        {[](Accelerometer& a) { a.set_tilt(Axis::X, std::nan("")); }, "non-finite"},
        {[](Accelerometer& a) { a.exchange(0xE8); }, "while not selected"},
        {[](Accelerometer& a) { a.select(true); a.select(true); }, "already open"},
    };
    for (const auto& c : cases) {
        Accelerometer device("U5 accelerometer");
        try {
            c.misuse(device);
            ADD_FAILURE() << "accepted: " << c.fragment;
        } catch (const sim::SimError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("U5 accelerometer: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
        }
        EXPECT_EQ(device.control(), c.control_after) << c.fragment << ": a refused write stores nothing";
    }
}

}  // namespace
