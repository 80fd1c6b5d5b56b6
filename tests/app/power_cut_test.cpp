// The supply cut before, during and after every flash operation of a record
// (the erase, each sample's two bytes, the header, the end marker) and of a
// limits save (the erase, the four bytes): after each cut the device powers
// on and does everything an operator asks of it (recovery_rig.h). The
// release build cuts at every point; the sanitized build at a sample.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "recovery_rig.h"

#ifndef TILTMON_WHOLE_SWEEP
#define TILTMON_WHOLE_SWEEP 0
#endif

namespace {

using namespace sim;

constexpr std::uint32_t kFlashCr = 0x40023C10u, kFlashSr = 0x40023C0Cu;
constexpr std::uint32_t kStart = 1u << 16, kBusy = 1u << 16;
constexpr std::size_t kSampleEvery = 32;  // the sanitized build's share of the points

// An old record and limits of 20 degrees: what the journey replaces. Its 54
// pairs fill two graph steps exactly, the last window's edge case.
RecoveryTest::Bytes old_record()
{
    RecoveryTest::Bytes bytes = {25, 0xEC, 15, 0xF6};
    for (int k = 0; k < 54; ++k) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(k - 27), static_cast<std::uint8_t>(10 - k)});
    bytes.insert(bytes.end(), {100, 100});
    return bytes;
}
const RecoveryTest::Bytes kOldLimits = {20, 0xEC, 20, 0xEC};

class PowerCutTest : public RecoveryTest {
protected:
    // Power-on with the old record and limits, to the menu.
    bool fresh_start()
    {
        board.power_off();
        load_sectors(old_record(), kOldLimits);
        return person.power_on();
    }

    // A record of five stored pairs, stopped, and the LEFT limit raised and
    // saved. A cut ends it: the board then refuses to run, which ends the
    // journey there.
    void journey()
    {
        try {
            board.set_tilt(Axis::X, 30);
            board.set_tilt(Axis::Y, -30);
            if (!person.press(Button::Ok)) return;  // NEW RECORD: the erase
            board.run_until([] { return app_data_index == 10; }, 10_s);
            if (!person.press(Button::Ok)) return;  // the stop: header and marker
            turn(-1);                                // OPTION
            if (!person.press(Button::Ok) || !person.press(Button::Ok)) return;  // LEFT chosen
            turn(1);
            static_cast<void>(person.press(Button::Back));  // the save
        } catch (const SimError&) {
            if (board.powered()) throw;
        }
    }

    // The journey's accesses, counted from its start.
    std::vector<BusAccess> traced_journey()
    {
        EXPECT_TRUE(fresh_start());
        board.trace().clear();
        board.trace().start();
        journey();
        board.trace().stop();
        return board.trace().accesses();
    }

    // Where to cut, as the number of the access from the journey's start
    // that the cut comes just before: each flash operation's own access
    // (a program's byte, an erase's start), every access while it runs, and
    // the one after the status read that finds it done.
    static std::set<std::uint64_t> cut_points(const std::vector<BusAccess>& trace, int& operations)
    {
        std::set<std::uint64_t> points;
        operations = 0;
        for (std::size_t i = 0; i < trace.size(); ++i) {
            const BusAccess& a = trace[i];
            const bool program = a.write && a.address - kFlashStart < kFlashEnd - kFlashStart;
            const bool erase = a.write && a.address == kFlashCr && (a.value & kStart) != 0;
            if (!program && !erase) continue;
            ++operations;
            std::size_t done = i + 1;
            while (done < trace.size() && !(trace[done].address == kFlashSr && !trace[done].write && !(trace[done].value & kBusy)))
                ++done;
            for (std::size_t at = i; at <= done + 1; ++at) points.insert(at + 1);
        }
        return points;
    }
};

TEST_F(PowerCutTest, ACutBeforeDuringOrAfterAnyFlashOperationLeavesADeviceThatWorks)
{
    const std::vector<BusAccess> trace = traced_journey();
    int operations = 0;
    const std::set<std::uint64_t> points = cut_points(trace, operations);
    // The erase, 5 pairs, 4 header bytes, 2 marker bytes; the erase and 4 limits.
    ASSERT_EQ(operations, 1 + 10 + 4 + 2 + 1 + 4);
    const std::vector<BusAccess> again = traced_journey();
    const auto same = [](const BusAccess& a, const BusAccess& b) {
        return a.address == b.address && a.value == b.value && a.width == b.width && a.write == b.write;
    };
    ASSERT_TRUE(std::equal(trace.begin(), trace.end(), again.begin(), again.end(), same))
        << "the journey must be the same each time for a cut to find its place";

    int cases = 0, violations = 0;
    std::size_t index = 0;
    for (const std::uint64_t point : points) {
        if (!TILTMON_WHOLE_SWEEP && index++ % kSampleEvery != 0) continue;
        ASSERT_TRUE(fresh_start());
        board.at_bus_access(point, HardwareEvent::power_cut());
        journey();
        ASSERT_FALSE(board.powered()) << "no cut at access " << point;
        ++cases;
        if (const std::string fault = walk_the_path(); !fault.empty() && ++violations <= 3)
            ADD_FAILURE() << "cut before access " << point << " of the journey ("
                          << (point <= trace.size() ? board.describe(trace[point - 1]) : "past its end") << "):\n"
                          << fault;
    }
    std::printf("power cuts: %d cases at %zu points around %d flash operations, %d violations\n", cases,
                points.size(), operations, violations);
    EXPECT_EQ(violations, 0);
}

}  // namespace
