#include "scenario_parser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "board/board.h"
#include "record_layout.h"
#include "scenario_words.h"
#include "text_spelling.h"

namespace tools {

std::size_t Scenario::screenshots() const
{
    return static_cast<std::size_t>(
        std::count_if(steps.begin(), steps.end(), [](const Step& step) { return step.kind == Step::Kind::Screenshot; }));
}

namespace {

constexpr std::uint32_t kFlashBase = sim::Board::kFlashBase;
constexpr std::uint32_t kFlashEnd = sim::Board::kFlashBase + sim::Board::kFlashSize;
constexpr int kMostDetents = 1000;
constexpr std::size_t kLongestFileName = 100;

sim::Button button(LineReader& in)
{
    return in.choice({"ok", "back"}, "a button, ok or back") == 0 ? sim::Button::Ok : sim::Button::Back;
}

std::uint8_t hex_byte(LineReader& in)
{
    const std::string text = in.word("a byte in hexadecimal");
    const std::string digits = text.rfind("0x", 0) == 0 ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        in.fail("expected a byte in hexadecimal such as 1E or 0xEC, found " + quoted(text));
    return static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16));
}

std::uint32_t flash_address(LineReader& in)
{
    const std::string example = "a flash address such as " + sim::hex32(LIMITS_BASE);
    const std::string text = in.word(example);
    if (text.rfind("0x", 0) != 0 || text.size() < 3 || text.size() > 10 ||
        text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
        in.fail("expected " + example + ", found " + quoted(text));
    const unsigned long address = std::stoul(text.substr(2), nullptr, 16);
    if (address < kFlashBase || address >= kFlashEnd)
        in.fail("the address " + text + " is outside the flash (" + sim::hex32(kFlashBase) + " to " +
                sim::hex32(kFlashEnd - 1) + ")");
    return static_cast<std::uint32_t>(address);
}

// A file name the scenario writes: plain, no folders, nothing hidden, short
// enough for any file system with room for the part file written first.
std::string file_name(LineReader& in, const std::string& what)
{
    const std::string name = in.word(what);
    if (name.find('/') != std::string::npos || name.front() == '.' || name.find_first_of("\\*?<>|:") != std::string::npos)
        in.fail("expected " + what + " without folders, found " + quoted(name));
    if (name.size() > kLongestFileName)
        in.fail("the name " + quoted(name) + " is longer than " + std::to_string(kLongestFileName) + " bytes");
    return name;
}

// Lines end with \n, \r\n or a lone \r; a byte-order mark some editors put
// first is no part of the text.
std::vector<std::string> text_lines(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    }
    return lines;
}

Step step_of(LineReader& in, bool& powered)
{
    Step step;
    const std::string verb = in.word("a step");
    const auto needs_power = [&] {
        if (!powered) in.fail(quoted(verb) + " needs the board powered: put 'power on' before it");
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
        if (!degrees) in.fail("expected degrees from -90 to 90, found " + quoted(text));
        if (*degrees < -90 || *degrees > 90) in.fail("the tilt " + text + " is out of range (-90 to 90 degrees)");
        step.degrees = *degrees;
        if (in.take("over")) step.span = in.duration("the tilt's ramp");
    } else if (verb == "run") {
        needs_power();
        if (in.take("until")) {
            step.kind = Step::Kind::RunUntil;
            step.condition = read_condition(in);
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
            step.condition = read_condition(in);
        }
    } else if (verb == "screenshot") {
        step.kind = Step::Kind::Screenshot;
        step.text = file_name(in, "a file name for the screenshot");
        if (!step.text.ends_with(".png")) step.text += ".png";
    } else if (verb == "show") {
        step.kind = Step::Kind::Show;
    } else if (verb == "caption" || verb == "say") {
        step.kind = verb == "caption" ? Step::Kind::Caption : Step::Kind::Say;
        step.text = in.quoted_text("the text to tell");
    } else if (verb == "dump") {
        if (!in.take("result")) in.fail("expected 'result' (the result sector), found " + in.found());
        step.kind = Step::Kind::DumpResult;
        step.text = file_name(in, "a file name for the dump");
    } else {
        in.fail("expected a step (power, press, push, release, hold, turn, tilt, run, expect, screenshot, show, "
                "caption, say, dump), found " + quoted(verb));
    }
    in.end();
    return step;
}

}  // namespace

Scenario parse_scenario(const std::string& text, const std::string& file)
{
    Scenario scenario{file, {}};
    bool powered = false;
    int number = 0;
    for (const std::string& line : text_lines(text)) {
        ++number;
        if (const std::size_t bad = first_not_text(line); bad != std::string::npos)
            throw ScenarioError(place(file, number) + ": column " + std::to_string(characters_before(line, bad) + 1) +
                                ": " + spelled_bytes(line.substr(bad, 1)) +
                                " is not text (a scenario is UTF-8 text without control characters)");
        std::vector<Word> words;
        try {
            words = split_words(line);
        } catch (const WordError& error) {
            throw ScenarioError(place(file, number) + ": " + error.what());
        }
        if (words.empty()) continue;
        LineReader in(file, number, std::move(words));
        Step step = step_of(in, powered);
        step.line = number;
        scenario.steps.push_back(std::move(step));
    }
    if (scenario.steps.empty()) throw ScenarioError(place(file, 0) + ": the scenario has no steps");
    return scenario;
}

Scenario load_scenario(const std::string& path)
{
    const auto fail = [&](const std::string& why) { throw ScenarioError(place(path, 0) + ": " + why); };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(std::string("cannot read: ") + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        fail("is a folder, not a scenario file");
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            fail(std::string("cannot read: ") + std::strerror(error));
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kLargestFile) {
            ::close(fd);
            fail("larger than " + std::to_string(kLargestFile >> 20) +
                 " MB: a scenario is a page of steps, is this the right file?");
        }
    }
    ::close(fd);
    return parse_scenario(text, path);
}

}  // namespace tools
