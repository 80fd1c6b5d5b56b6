// The watcher tells each change of the LEDs, the backlight and the console
// once, and looks at the LEDs and the backlight only when something that
// drives them was written.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "board_watcher.h"
#include "morva_eval.h"
#include "operator_rig.h"
#include "platform_stdio.h"

namespace tools {
namespace {

using namespace sim;

class Watching : public OperatorTest {
public:
    using OperatorTest::board;
    using OperatorTest::ok;
    using OperatorTest::back;
};

TEST_F(Watching, TellsWhatChangedOnceStampedNoLaterThanItsLook)
{
    const struct {
        const char* what;
        std::function<void(Watching&)> act;
        const char* leds;       // told, or "" for no change
        const char* backlight;  // told, or ""
        const char* console;    // a line told, or ""
    } rows[] = {
        {"an idle minute in the menu", [](Watching& t) { t.board.run_for(60_s); }, "", "", ""},
        {"OK starts a record", [](Watching& t) { t.ok(); t.board.run_for(2_s); }, "**......", "", "scan"},
        {"back while recording", [](Watching& t) { t.ok(); t.board.run_for(2_s); t.back(); }, "**......", "0 %", "scan"},
        {"power off", [](Watching& t) { t.board.power_off(); }, "........", "0 %", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        boot();
        BoardWatcher watcher(board);
        std::string sunk;
        watcher.on_console([&](const std::string& bytes) { sunk += bytes; });
        const std::uint64_t version = board.lights_version();
        row.act(*this);
        if (*row.leds == '\0' && *row.backlight == '\0') {
            EXPECT_EQ(board.lights_version(), version);
        }
        std::string leds, backlight, console;
        for (const Sighting& seen : watcher.look(true)) {
            EXPECT_LE(seen.time, board.now());
            std::string& told = seen.kind == Sighting::Kind::Leds        ? leds
                                : seen.kind == Sighting::Kind::Backlight ? backlight
                                                                         : console;
            if (told.empty()) told = seen.text;
        }
        EXPECT_EQ(leds, row.leds);
        EXPECT_EQ(backlight, row.backlight);
        EXPECT_EQ(console, row.console);
        EXPECT_EQ(sunk.size(), watcher.console_bytes());
        EXPECT_TRUE(watcher.look(true).empty()) << "told twice";
    }
}

// Asked at every pass of the idle loop, it stops a run where the LEDs have
// settled after a change (and not before), or as the backlight changes: in
// an idle menu, never.
TEST_F(Watching, IsDueOnceTheLedsHaveSettledOrTheBacklightChanged)
{
    const struct {
        const char* what;
        bool recording;  // else in the menu, where nothing changes meanwhile
        Button button;
        Sighting::Kind kind;
        const char* text;
        Nanoseconds settle;
    } rows[] = {
        {"OK in the menu starts a record", false, Button::Ok, Sighting::Kind::Leds, "**......", BoardWatcher::kLedsSettle},
        {"back while recording darkens the glass", true, Button::Back, Sighting::Kind::Backlight, "0 %", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        boot();
        if (row.recording) ok();
        BoardWatcher watcher(board);
        if (!row.recording) {
            EXPECT_FALSE(board.run_until([&] { return watcher.due(); }, 5_s));
        }
        const Nanoseconds pushed = board.now();
        person.push(row.button);
        // Console lines of the record may come first.
        std::vector<Sighting> told;
        for (int look = 0; look < 10 && (told.empty() || told.back().kind != row.kind); ++look) {
            ASSERT_TRUE(board.run_until([&] { return watcher.due(); }, 30_s));
            told = watcher.look();
        }
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back(), (Sighting{row.kind, told.back().time, row.text}));
        EXPECT_LT(told.back().time, pushed + 100_ms) << "told late";
        EXPECT_GE(board.now(), told.back().time + row.settle);
        EXPECT_FALSE(watcher.due());
        person.release(row.button);
    }
}

// LEDs still settling when a console line ends are told with it, first, so
// that nothing told later stands before what was told.
TEST_F(Watching, LedsStillSettlingAreToldFirstWithALineThatEnds)
{
    boot();
    BoardWatcher watcher(board);
    const Nanoseconds start = board.now();
    board.run_code([] {
        STM_EVAL_LEDOn(LED8);
        iprintf("x\n");
    });
    ASSERT_LT(board.now(), start + BoardWatcher::kLedsSettle);
    const std::vector<Sighting> told = watcher.look();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], (Sighting{Sighting::Kind::Leds, told[0].time, "*......*"}));
    EXPECT_EQ(told[1], (Sighting{Sighting::Kind::Console, board.now(), "x"}));
    EXPECT_LE(told[0].time, told[1].time);
}

}  // namespace
}  // namespace tools
