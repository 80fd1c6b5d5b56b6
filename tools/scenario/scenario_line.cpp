#include "scenario_line.h"

#include "text_spelling.h"

namespace tools {

namespace {

// The longest span one step may ask for: a year of virtual time.
constexpr sim::Nanoseconds kLongestStep = 365ull * 24 * 3600 * 1000000000ull;

}  // namespace

std::string place(const std::string& file, int line)
{
    return spelled_text(file, 200) + (line > 0 ? ":" + std::to_string(line) : "");
}

void LineReader::fail(const std::string& what) const { throw ScenarioError(place(file_, line_) + ": " + what); }

std::string LineReader::found() const
{
    if (done()) return "the end of the line";
    return words_[next_].quoted ? quoted(words_[next_].text, '"') : quoted(words_[next_].text);
}

std::string LineReader::word(const std::string& expected)
{
    if (done() || words_[next_].quoted) fail("expected " + expected + ", found " + found());
    return words_[next_++].text;
}

bool LineReader::take(const std::string& keyword)
{
    if (done() || words_[next_].quoted || words_[next_].text != keyword) return false;
    ++next_;
    return true;
}

std::string LineReader::quoted_text(const std::string& expected)
{
    if (done() || !words_[next_].quoted) fail("expected " + expected + " in double quotes, found " + found());
    return words_[next_++].text;
}

std::size_t LineReader::choice(std::initializer_list<const char*> choices, const std::string& expected)
{
    std::size_t index = 0;
    for (const char* c : choices) {
        if (take(c)) return index;
        ++index;
    }
    fail("expected " + expected + ", found " + found());
}

long long LineReader::integer(const std::string& expected, long long low, long long high)
{
    const std::string text = word(expected);
    const std::optional<long long> value = parse_integer(text);
    if (!value) fail("expected " + expected + ", found " + quoted(text));
    if (*value < low || *value > high)
        fail(expected + " " + text + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")");
    return *value;
}

sim::Nanoseconds LineReader::duration(const std::string& what)
{
    const std::string text = word("a duration for " + what + " (e.g. 500ms, 2s, 3min)");
    const std::optional<sim::Nanoseconds> span = parse_duration(text);
    if (!span)
        fail("expected a duration for " + what + " such as 500ms, 2.5s, 3min or 1h, found " + quoted(text) +
             " (durations are positive)");
    if (*span > kLongestStep) fail("the duration " + text + " for " + what + " is out of range (at most 365d)");
    return *span;
}

void LineReader::end()
{
    if (!done()) fail("expected the end of the line, found " + found());
}

}  // namespace tools
