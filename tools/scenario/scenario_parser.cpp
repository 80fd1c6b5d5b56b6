#include "scenario_parser.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "board/board.h"
#include "record_layout.h"
#include "scenario_words.h"

namespace tools {

bool Scenario::takes_screenshots() const
{
    for (const Step& step : steps)
        if (step.kind == Step::Kind::Screenshot) return true;
    return false;
}

namespace {

constexpr std::uint32_t kFlashBase = sim::Board::kFlashBase;
constexpr std::uint32_t kFlashEnd = sim::Board::kFlashBase + sim::Board::kFlashSize;
constexpr int kMostDetents = 1000;

// One line's words, read left to right; every complaint names the line.
class LineReader {
public:
    LineReader(const std::string& file, int line, std::vector<Word> words)
        : file_(file), line_(line), words_(std::move(words))
    {
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ScenarioError(file_ + ":" + std::to_string(line_) + ": " + what);
    }

    bool done() const { return next_ >= words_.size(); }

    // What stands where a word was expected, for messages.
    std::string found() const { return done() ? "the end of the line" : "'" + words_[next_].text + "'"; }

    std::string word(const std::string& expected)
    {
        if (done() || words_[next_].quoted) fail("expected " + expected + ", found " + found());
        return words_[next_++].text;
    }

    bool take(const std::string& keyword)
    {
        if (done() || words_[next_].quoted || words_[next_].text != keyword) return false;
        ++next_;
        return true;
    }

    std::string quoted(const std::string& expected)
    {
        if (done() || !words_[next_].quoted) fail("expected " + expected + " in double quotes, found " + found());
        return words_[next_++].text;
    }

    // One of the choices, by index.
    std::size_t choice(std::initializer_list<const char*> choices, const std::string& expected)
    {
        std::size_t index = 0;
        for (const char* c : choices) {
            if (take(c)) return index;
            ++index;
        }
        fail("expected " + expected + ", found " + found());
    }

    long long integer(const std::string& expected, long long low, long long high)
    {
        const std::string text = word(expected);
        const std::optional<long long> value = parse_integer(text);
        if (!value) fail("expected " + expected + ", found '" + text + "'");
        if (*value < low || *value > high)
            fail(expected + " " + text + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")");
        return *value;
    }

    sim::Nanoseconds duration(const std::string& what)
    {
        const std::string text = word("a duration for " + what + " (e.g. 500ms, 2s, 3min)");
        const std::optional<sim::Nanoseconds> span = parse_duration(text);
        if (!span)
            fail("expected a duration for " + what + " such as 500ms, 2.5s, 3min or 1h, found '" + text +
                 "' (durations are positive)");
        if (*span > kLongestStep) fail("the duration " + text + " for " + what + " is out of range (at most 365d)");
        return *span;
    }

    void end()
    {
        if (!done()) fail("expected the end of the line, found " + found());
    }

private:
    const std::string& file_;
    int line_;
    std::vector<Word> words_;
    std::size_t next_ = 0;
};

sim::Button button(LineReader& in)
{
    return in.choice({"ok", "back"}, "a button, ok or back") == 0 ? sim::Button::Ok : sim::Button::Back;
}

Condition condition(LineReader& in)
{
    Condition c;
    switch (in.choice({"lcd", "led", "backlight", "serial", "handled"},
                      "something to look at: lcd, led, backlight, serial or handled")) {
    case 0:
        c.kind = Condition::Kind::LcdLine;
        c.number = static_cast<int>(in.integer("an LCD text line", 0, 7));
        if (in.take("starts"))
            c.match = TextMatch::Starts;
        else if (in.take("ends"))
            c.match = TextMatch::Ends;
        else if (in.take("contains"))
            c.match = TextMatch::Contains;
        else
            in.take("is");
        c.text = in.quoted("the line's text");
        break;
    case 1:
        c.kind = Condition::Kind::Led;
        c.number = static_cast<int>(in.integer("an LED number", 1, 8));
        c.on = in.choice({"on", "off"}, "on or off") == 0;
        break;
    case 2:
        c.kind = Condition::Kind::Backlight;
        if (in.take("on"))
            c.number = kAnyBrightness;
        else if (in.take("off"))
            c.number = 0;
        else
            c.number = static_cast<int>(in.integer("on, off or a backlight percent", 0, 100));
        break;
    case 3:
        c.kind = Condition::Kind::Serial;
        c.text = in.quoted("the console text");
        if (c.text.empty()) in.fail("expected a console text that is not empty");
        break;
    default:
        c.kind = Condition::Kind::Handled;
        break;
    }
    return c;
}

std::uint8_t hex_byte(LineReader& in)
{
    const std::string text = in.word("a byte in hexadecimal");
    const std::string digits = text.rfind("0x", 0) == 0 ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        in.fail("expected a byte in hexadecimal such as 1E or 0xEC, found '" + text + "'");
    return static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16));
}

std::uint32_t flash_address(LineReader& in)
{
    const std::string example = "a flash address such as " + sim::hex32(LIMITS_BASE);
    const std::string text = in.word(example);
    if (text.rfind("0x", 0) != 0 || text.size() < 3 || text.size() > 10 ||
        text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
        in.fail("expected " + example + ", found '" + text + "'");
    const unsigned long address = std::stoul(text.substr(2), nullptr, 16);
    if (address < kFlashBase || address >= kFlashEnd)
        in.fail("the address " + text + " is outside the flash (" + sim::hex32(kFlashBase) + " to " +
                sim::hex32(kFlashEnd - 1) + ")");
    return static_cast<std::uint32_t>(address);
}

// A file name the scenario writes: plain, no folders, nothing hidden.
std::string file_name(LineReader& in, const std::string& what)
{
    const std::string name = in.word(what);
    if (name.find('/') != std::string::npos || name.front() == '.' || name.find_first_of("\\*?<>|:") != std::string::npos)
        in.fail("expected " + what + " without folders, found '" + name + "'");
    return name;
}

Step step_of(LineReader& in, bool& powered)
{
    Step step;
    const std::string verb = in.word("a step");
    const auto needs_power = [&] {
        if (!powered) in.fail("'" + verb + "' needs the board powered: put 'power on' before it");
    };
    if (verb == "power") {
        step.kind = in.choice({"on", "off"}, "on or off") == 0 ? Step::Kind::PowerOn : Step::Kind::PowerOff;
        powered = step.kind == Step::Kind::PowerOn;
    } else if (verb == "press" || verb == "push" || verb == "release" || verb == "hold") {
        needs_power();
        step.kind = verb == "press"   ? Step::Kind::Press
                    : verb == "push"  ? Step::Kind::Push
                    : verb == "hold"  ? Step::Kind::Hold
                                      : Step::Kind::Release;
        step.button = button(in);
        if (step.kind == Step::Kind::Hold) step.span = in.duration("how long to hold the button");
    } else if (verb == "turn") {
        needs_power();
        step.kind = Step::Kind::Turn;
        step.detents = static_cast<int>(in.integer("a number of detents", -kMostDetents, kMostDetents));
        if (step.detents == 0) in.fail("expected a number of detents other than 0");
    } else if (verb == "tilt") {
        step.kind = Step::Kind::Tilt;
        step.axis = in.choice({"x", "y"}, "an axis, x or y") == 0 ? sim::Axis::X : sim::Axis::Y;
        const std::string text = in.word("degrees from -90 to 90");
        const std::optional<double> degrees = parse_decimal(text);
        if (!degrees) in.fail("expected degrees from -90 to 90, found '" + text + "'");
        if (*degrees < -90 || *degrees > 90) in.fail("the tilt " + text + " is out of range (-90 to 90 degrees)");
        step.degrees = *degrees;
        if (in.take("over")) step.span = in.duration("the tilt's ramp");
    } else if (verb == "run") {
        needs_power();
        if (in.take("until")) {
            step.kind = Step::Kind::RunUntil;
            step.condition = condition(in);
            if (!in.take("within")) in.fail("expected 'within DURATION' (the bound of the wait), found " + in.found());
            step.span = in.duration("the bound of the wait");
        } else {
            step.kind = Step::Kind::Run;
            step.span = in.duration("the run");
        }
    } else if (verb == "expect") {
        if (in.take("flash")) {
            step.kind = Step::Kind::ExpectFlash;
            step.address = flash_address(in);
            while (!in.done()) step.bytes.push_back(hex_byte(in));
            if (step.bytes.empty()) in.fail("expected the bytes to find at the address, found the end of the line");
            if (step.address + step.bytes.size() > kFlashEnd) in.fail("the bytes run past the end of the flash");
        } else {
            step.kind = Step::Kind::Expect;
            step.condition = condition(in);
        }
    } else if (verb == "screenshot") {
        step.kind = Step::Kind::Screenshot;
        step.text = file_name(in, "a file name for the screenshot");
        if (!step.text.ends_with(".png")) step.text += ".png";
    } else if (verb == "show") {
        step.kind = Step::Kind::Show;
    } else if (verb == "caption" || verb == "say") {
        step.kind = verb == "caption" ? Step::Kind::Caption : Step::Kind::Say;
        step.text = in.quoted("the text to tell");
    } else if (verb == "dump") {
        if (!in.take("result")) in.fail("expected 'result' (the result sector), found " + in.found());
        step.kind = Step::Kind::DumpResult;
        step.text = file_name(in, "a file name for the dump");
    } else {
        in.fail("expected a step (power, press, push, release, hold, turn, tilt, run, expect, screenshot, show, "
                "caption, say, dump), found '" + verb + "'");
    }
    in.end();
    return step;
}

}  // namespace

Scenario parse_scenario(const std::string& text, const std::string& file)
{
    Scenario scenario{file, {}};
    std::istringstream lines(text);
    std::string line;
    bool powered = false;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::vector<Word> words;
        try {
            words = split_words(line);
        } catch (const WordError& error) {
            throw ScenarioError(file + ":" + std::to_string(number) + ": " + error.what());
        }
        if (words.empty()) continue;
        LineReader in(file, number, std::move(words));
        Step step = step_of(in, powered);
        step.line = number;
        scenario.steps.push_back(std::move(step));
    }
    if (scenario.steps.empty()) throw ScenarioError(file + ": the scenario has no steps");
    return scenario;
}

Scenario load_scenario(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot read: " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ScenarioError(path + ": cannot read: " + std::strerror(errno));
    return parse_scenario(text.str(), path);
}

}  // namespace tools
