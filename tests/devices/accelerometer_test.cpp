// The accelerometer model driven the way the firmware's driver drives it:
// one chip-select frame per transaction, a command byte, then data bytes
// (the dummy 0xA5 while reading).
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

// One frame: the bytes sent, the bytes that came back.
std::vector<std::uint8_t> transact(Accelerometer& device, const std::vector<std::uint8_t>& out)
{
    std::vector<std::uint8_t> in;
    device.select(true);
    for (std::uint8_t byte : out) in.push_back(device.exchange(byte));
    device.select(false);
    return in;
}

void configure(Accelerometer& device, std::uint8_t control = Accelerometer::kMeasureXY)
{
    transact(device, {Accelerometer::kControl, control});
}

// The firmware's word read: 0xE8 for X, 0xEA for Y, two dummies.
std::uint16_t read_word(Accelerometer& device, std::uint8_t address)
{
    const auto in = transact(device, {static_cast<std::uint8_t>(address | 0xC0), 0xA5, 0xA5});
    return static_cast<std::uint16_t>(in[1] | in[2] << 8);
}

std::int16_t reading(Accelerometer& device, Axis axis)
{
    return static_cast<std::int16_t>(read_word(device, axis == Axis::X ? 0x28 : 0x2A));
}

TEST(Accelerometer, AnswersTheFirmwaresThreeTransactions)
{
    Accelerometer device;
    device.set_raw(Axis::X, 0xFC18);
    device.set_raw(Axis::Y, 0x01F4);

    EXPECT_EQ(transact(device, {0x20, 0xC3}), (std::vector<std::uint8_t>{0xFF, 0xFF})) << "a write drives nothing back";
    EXPECT_EQ(transact(device, {0xE8, 0xA5, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0x18, 0xFC}));
    EXPECT_EQ(transact(device, {0xEA, 0xA5, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0xF4, 0x01}));
    EXPECT_EQ(reading(device, Axis::X), -1000);
    EXPECT_EQ(transact(device, {0xA0, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0xC3})) << "the control register";
    EXPECT_EQ(transact(device, {0xA0, 0x00}), (std::vector<std::uint8_t>{0xFF, 0xC3}))
        << "an address with bit 7 set reads, whatever follows";
    EXPECT_EQ(device.control(), 0xC3);
}

TEST(Accelerometer, TiltsReadAsTheSineTimesAThousandRounded)
{
    const struct {
        double degrees;
        std::int16_t expected;
    } cases[] = {
        {0, 0},       {30, 500},   {-30, -500}, {45, 707},     {90, 1000}, {-90, -1000},
        {270, -1000}, {0.5, 9},    {-0.05, -1}, {-0.02, 0},    {1, 17},    {150, 500},
    };
    Accelerometer device;
    configure(device);
    for (const auto& c : cases) {
        device.set_tilt(Axis::Y, c.degrees);
        device.set_tilt(Axis::X, -c.degrees);
        EXPECT_EQ(reading(device, Axis::Y), c.expected) << c.degrees << " degrees";
        EXPECT_EQ(reading(device, Axis::X), -c.expected) << -c.degrees << " degrees on the other axis";
    }
}

TEST(Accelerometer, ReportsOnlyWhatTheControlRegisterSwitchesOn)
{
    const struct {
        std::vector<std::uint8_t> controls;  // written in turn, none = as powered on
        bool x, y;
    } cases[] = {
        {{}, false, false},           {{0xC3}, true, true},       {{0xC1}, true, false},
        {{0xC2}, false, true},        {{0x03}, false, false},     {{0xC0}, false, false},
        {{0xC3, 0x03}, false, false}, {{0x03, 0xC3}, true, true},
    };
    for (const auto& c : cases) {
        Accelerometer device;
        device.set_raw(Axis::X, 0x1234);
        device.set_raw(Axis::Y, 0x8001);
        for (std::uint8_t control : c.controls) configure(device, control);
        const std::string label = "after " + std::to_string(c.controls.size()) + " writes, last " +
                                  (c.controls.empty() ? "none" : std::to_string(c.controls.back()));
        EXPECT_EQ(read_word(device, 0x28), c.x ? 0x1234 : 0) << label;
        EXPECT_EQ(read_word(device, 0x2A), c.y ? 0x8001 : 0) << label;
    }
}

TEST(Accelerometer, PowerOnUnconfigures)
{
    Accelerometer device;
    device.set_raw(Axis::X, 0x1234);
    configure(device);
    ASSERT_EQ(read_word(device, 0x28), 0x1234);

    device.power_on();
    EXPECT_EQ(device.control(), 0);
    EXPECT_EQ(read_word(device, 0x28), 0) << "a power cycle needs the configuration again";
    EXPECT_EQ(device.measured(Axis::X), 0x1234) << "the tilt is the world's, not the device's";
}

TEST(Accelerometer, FrameShapesBeyondTheFirmwaresOwn)
{
    Accelerometer device;
    device.set_raw(Axis::X, 0xBBAA);
    device.set_raw(Axis::Y, 0xDDCC);
    configure(device);

    EXPECT_EQ(transact(device, {0xE8, 0xA5, 0xA5, 0xA5, 0xA5}),
              (std::vector<std::uint8_t>{0xFF, 0xAA, 0xBB, 0xCC, 0xDD}))
        << "one burst runs through both words";
    EXPECT_EQ(transact(device, {0xA8, 0xA5, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0xAA, 0xAA}))
        << "without bit 6 the address stays";
    EXPECT_EQ(transact(device, {0xDF, 0xA5, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0x00, 0xC3}))
        << "unmodelled 0x1F reads 0, then the control register";
    EXPECT_EQ(transact(device, {0x8F, 0xA5}), (std::vector<std::uint8_t>{0xFF, 0x00})) << "unmodelled reads 0";

    transact(device, {0x20});
    transact(device, {});
    EXPECT_EQ(device.control(), 0xC3) << "a frame without data writes nothing";
    EXPECT_EQ(read_word(device, 0x28), 0xBBAA);
}

TEST(Accelerometer, AWordReadStaysWholeWhenTheTiltChangesMidFrame)
{
    Accelerometer device;
    configure(device);
    device.set_raw(Axis::X, 0x01FF);
    device.select(true);
    device.exchange(0xE8);
    const std::uint8_t low = device.exchange(0xA5);
    device.set_raw(Axis::X, 0x0200);
    const std::uint8_t high = device.exchange(0xA5);
    device.select(false);
    EXPECT_EQ(low | high << 8, 0x01FF) << "not 0x02FF, a word that never was";
    EXPECT_EQ(read_word(device, 0x28), 0x0200) << "the next frame sees the change";
}

TEST(Accelerometer, ASilentDeviceLeavesTheLineFloatingButStillListens)
{
    Accelerometer device;
    device.set_tilt(Axis::X, 30);
    device.set_silent(true);
    configure(device);
    EXPECT_EQ(device.control(), 0xC3);
    EXPECT_EQ(read_word(device, 0x28), 0xFFFF);
    EXPECT_EQ(transact(device, {0xA0, 0xA5})[1], 0xFF);
    device.set_silent(false);
    EXPECT_EQ(reading(device, Axis::X), 500);
}

TEST(Accelerometer, MisuseIsRefusedNamingTheDeviceAndTheFault)
{
    const struct {
        std::function<void(Accelerometer&)> misuse;
        std::string fragment;
        std::uint8_t control_after = 0;
    } cases[] = {
        {[](Accelerometer& a) { transact(a, {0x28, 0x01}); }, "read-only output register 0x28"},
        {[](Accelerometer& a) { transact(a, {0x2B, 0x01}); }, "read-only output register 0x2B"},
        {[](Accelerometer& a) { transact(a, {0x21, 0x00}); }, "register 0x21, which it does not have"},
        {[](Accelerometer& a) { transact(a, {0x60, 0xC3, 0x00}); }, "register 0x21", 0xC3},
        {[](Accelerometer& a) { transact(a, {0x20, 0xC7}); }, "control value 0xC7"},
        {[](Accelerometer& a) { transact(a, {0x20, 0x83}); }, "control value 0x83"},
        {[](Accelerometer& a) { transact(a, {0x20, 0x43}); }, "control value 0x43"},
        {[](Accelerometer& a) { a.set_tilt(Axis::X, std::nan("")); }, "non-finite"},
        {[](Accelerometer& a) { a.exchange(0xE8); }, "while not selected"},
        {[](Accelerometer& a) { a.select(true); a.select(true); }, "already open"},
        {[](Accelerometer& a) { a.select(false); }, "deselected while not selected"},
    };
    for (const auto& c : cases) {
        Accelerometer device("U5 accelerometer");
        try {
            c.misuse(device);
            ADD_FAILURE() << "accepted: " << c.fragment;
        } catch (const sim::SimError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("U5 accelerometer: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
        }
        EXPECT_EQ(device.control(), c.control_after) << c.fragment << ": a refused write stores nothing";
    }
}

}  // namespace
