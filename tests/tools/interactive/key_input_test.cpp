// Keys from the terminal's bytes, and what each key does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "key_decoder.h"
#include "key_map.h"

namespace tools {
namespace {

const Key kEnter{KeyCode::Enter, 0}, kBackspace{KeyCode::Backspace, 0}, kEscape{KeyCode::Escape, 0},
    kLeft{KeyCode::Left, 0}, kRight{KeyCode::Right, 0}, kUp{KeyCode::Up, 0}, kDown{KeyCode::Down, 0},
    kInterrupt{KeyCode::Interrupt, 0};

struct Decoding {
    const char* what;
    std::string bytes;
    std::vector<Key> keys;
};

const std::vector<Decoding> kDecodings = {
    {"letters and the keys with bytes of their own", "o\r\n\x7f\b\x03", {Key::of('o'), kEnter, kEnter, kBackspace, kBackspace, kInterrupt}},
    {"arrows, normal cursor mode", "\x1b[C\x1b[D\x1b[A\x1b[B", {kRight, kLeft, kUp, kDown}},
    {"arrows, application cursor mode", "\x1bOC\x1bOD", {kRight, kLeft}},
    {"an arrow with Ctrl held turns as a plain one", "\x1b[1;5C", {kRight}},
    {"other sequences are swallowed whole", "\x1b[15~\x1b[H.", {Key::of('.')}},
    {"escape then a letter: Escape, then the letter", "\x1bq", {kEscape, Key::of('q')}},
    {"two escapes: the first is the Escape key", "\x1b\x1b[D", {kEscape, kLeft}},
    {"a sequence broken by a control byte", "\x1b[1\r", {kEnter}},
    {"other control bytes and non-ASCII bytes mean nothing", "\x01\t\xc3\xa9,", {Key::of(',')}},
};

TEST(KeyDecoder, DecodesWholeAndCutAtEveryByte)
{
    for (const Decoding& d : kDecodings) {
        for (std::size_t cut = 0; cut <= d.bytes.size(); ++cut) {
            KeyDecoder decoder;
            std::vector<Key> keys = decoder.feed(d.bytes.substr(0, cut));
            for (const Key& key : decoder.feed(d.bytes.substr(cut))) keys.push_back(key);
            EXPECT_EQ(keys, d.keys) << d.what << ", cut after byte " << cut;
            EXPECT_FALSE(decoder.unfinished()) << d.what;
        }
    }
}

TEST(KeyDecoder, LoneEscapeWaitsThenFlushesAsEscape)
{
    KeyDecoder decoder;
    EXPECT_TRUE(decoder.feed("\x1b").empty());
    EXPECT_TRUE(decoder.unfinished());
    EXPECT_EQ(decoder.flush(), std::vector<Key>{kEscape});
    EXPECT_FALSE(decoder.unfinished());

    // A sequence left half-way is dropped, not taken for keys.
    EXPECT_TRUE(decoder.feed("\x1b[1;").empty());
    EXPECT_TRUE(decoder.flush().empty());
    EXPECT_EQ(decoder.feed("b"), std::vector<Key>{Key::of('b')});
}

TEST(KeyMap, EachKeyItsAction)
{
    const std::vector<std::pair<Key, Action>> table = {
        {kEnter, Action::PressOk},       {Key::of('o'), Action::PressOk},     {Key::of('O'), Action::PressOk},
        {kBackspace, Action::PressBack}, {Key::of('b'), Action::PressBack},   {kRight, Action::TurnClockwise},
        {Key::of('.'), Action::TurnClockwise}, {kDown, Action::TurnClockwise}, {kLeft, Action::TurnAnticlockwise},
        {Key::of(','), Action::TurnAnticlockwise}, {kUp, Action::TurnAnticlockwise}, {Key::of('a'), Action::TiltLeft},
        {Key::of('d'), Action::TiltRight}, {Key::of('w'), Action::TiltBack},   {Key::of('s'), Action::TiltFront},
        {Key::of('0'), Action::Level},   {Key::of('+'), Action::SpeedUp},     {Key::of('='), Action::SpeedUp},
        {Key::of('-'), Action::SpeedDown}, {Key::of('q'), Action::Quit},      {kInterrupt, Action::Quit},
        {kEscape, Action::None},         {Key::of('x'), Action::None},
    };
    for (const auto& [key, action] : table)
        EXPECT_EQ(action_for(key), action) << "key code " << static_cast<int>(key.code) << " '" << key.character << "'";
}

TEST(KeyMap, TiltStepsAndClampsLevelResets)
{
    Controls c;
    c = adjusted(c, Action::TiltLeft);
    c = adjusted(c, Action::TiltFront);
    EXPECT_EQ(c.tilt_x_degrees, 5.0);
    EXPECT_EQ(c.tilt_y_degrees, -5.0);
    for (int i = 0; i < 30; ++i) {
        c = adjusted(c, Action::TiltRight);
        c = adjusted(c, Action::TiltBack);
    }
    EXPECT_EQ(c.tilt_x_degrees, -90.0);
    EXPECT_EQ(c.tilt_y_degrees, 90.0);
    c = adjusted(c, Action::Level);
    EXPECT_EQ(c, Controls{});
    EXPECT_EQ(adjusted(c, Action::PressOk), c);
}

TEST(KeyMap, SpeedTenfoldWithinOneToTenThousand)
{
    Controls c;
    c.speed = 20.0;
    const std::vector<std::pair<Action, double>> steps = {
        {Action::SpeedUp, 200.0},  {Action::SpeedUp, 2000.0},  {Action::SpeedUp, 10000.0}, {Action::SpeedUp, 10000.0},
        {Action::SpeedDown, 1000.0}, {Action::SpeedDown, 100.0}, {Action::SpeedDown, 10.0}, {Action::SpeedDown, 1.0},
        {Action::SpeedDown, 1.0},
    };
    for (const auto& [action, speed] : steps) {
        c = adjusted(c, action);
        EXPECT_DOUBLE_EQ(c.speed, speed);
    }
}

}  // namespace
}  // namespace tools
