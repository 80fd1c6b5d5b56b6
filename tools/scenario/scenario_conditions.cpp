#include "scenario_conditions.h"

#include <algorithm>
#include <array>

#include "text_spelling.h"

namespace tools {

namespace {

constexpr int kAnyBrightness = -1;
// Of the console, the end shown when a text was not found there.
constexpr std::size_t kConsoleTailShown = 60;

std::string shown(const std::string& text) { return quoted(text, '"', 2 * kMostQuoted); }

// The glass's text line as the transcript shows it, so what a scenario
// expects is what a person reads there.
std::string glass_line(const Sight& sight, int line) { return glass_text(sight.board().lcd_line(line)); }

bool matches(const std::string& shown_text, TextMatch match, const std::string& text)
{
    switch (match) {
    case TextMatch::Is: return shown_text == text;
    case TextMatch::Starts: return shown_text.starts_with(text);
    case TextMatch::Ends: return shown_text.ends_with(text);
    case TextMatch::Contains: return shown_text.find(text) != std::string::npos;
    }
    return false;
}

// By TextMatch.
constexpr const char* kMatchKeywords[] = {"is", "starts", "ends", "contains"};
constexpr const char* kMatchWords[] = {"to read", "to start with", "to end with", "to contain"};

const std::array<ConditionKind, 5> kKinds = {{
    {"lcd",
     [](LineReader& in, Condition& c) {
         c.number = static_cast<int>(in.integer("an LCD text line", 0, 7));
         // "is" may be left out.
         for (std::size_t match = 0; match < std::size(kMatchKeywords); ++match)
             if (in.take(kMatchKeywords[match])) {
                 c.match = static_cast<TextMatch>(match);
                 break;
             }
         c.text = in.quoted_text("the line's text");
     },
     [](const Condition& c, const Sight& s) { return matches(glass_line(s, c.number), c.match, c.text); },
     [](const Condition& c) {
         return "LCD line " + std::to_string(c.number) + " " + kMatchWords[static_cast<std::size_t>(c.match)] + " " + shown(c.text);
     },
     [](const Condition& c, const Sight& s) { return "it reads " + shown(glass_line(s, c.number)); }},
    {"led",
     [](LineReader& in, Condition& c) {
         c.number = static_cast<int>(in.integer("an LED number", 1, 8));
         c.on = in.choice({"on", "off"}, "on or off") == 0;
     },
     [](const Condition& c, const Sight& s) { return s.board().led(c.number) == c.on; },
     [](const Condition& c) { return "LED" + std::to_string(c.number) + (c.on ? " on" : " off"); },
     [](const Condition& c, const Sight& s) { return std::string(s.board().led(c.number) ? "it is on" : "it is off"); }},
    {"backlight",
     [](LineReader& in, Condition& c) {
         if (in.take("on"))
             c.number = kAnyBrightness;
         else if (in.take("off"))
             c.number = 0;
         else
             c.number = static_cast<int>(in.integer("on, off or a backlight percent", 0, 100));
     },
     [](const Condition& c, const Sight& s) {
         const int percent = s.board().backlight_percent();
         return c.number == kAnyBrightness ? percent > 0 : percent == c.number;
     },
     [](const Condition& c) {
         return c.number == kAnyBrightness ? std::string("the backlight on")
                : c.number == 0            ? std::string("the backlight off")
                                           : "the backlight at " + std::to_string(c.number) + " %";
     },
     [](const Condition&, const Sight& s) { return "it is at " + std::to_string(s.board().backlight_percent()) + " %"; }},
    {"serial",
     [](LineReader& in, Condition& c) {
         c.text = in.quoted_text("the console text");
         if (c.text.empty()) in.fail("expected a console text that is not empty");
     },
     [](const Condition& c, const Sight& s) { return s.console_carries(c.text); },
     [](const Condition& c) { return "the console to carry " + shown(c.text); },
     [](const Condition&, const Sight& s) {
         const std::string& sent = s.console();
         if (sent.empty()) return std::string("nothing was sent");
         const std::size_t from = sent.size() > kConsoleTailShown ? sent.size() - kConsoleTailShown : 0;
         return "the last bytes sent were \"" + spelled_bytes(std::string_view(sent).substr(from)) + "\"";
     }},
    {"handled",
     [](LineReader&, Condition&) {},
     [](const Condition&, const Sight& s) { return !s.board().button_action_pending(); },
     [](const Condition&) { return std::string("the button's action to end"); },
     [](const Condition&, const Sight&) { return std::string("it still runs"); }},
}};

}  // namespace

bool Sight::console_carries(const std::string& text) const
{
    if (console_.find(text, searched_) != std::string::npos) return true;
    if (console_.size() >= text.size()) searched_ = std::max(searched_, console_.size() - text.size() + 1);
    const std::string& waiting = board_.serial_output();
    return !waiting.empty() && (console_.substr(searched_) + waiting).find(text) != std::string::npos;
}

std::span<const ConditionKind> condition_kinds() { return kKinds; }

Condition read_condition(LineReader& in)
{
    std::string keywords;
    for (const ConditionKind& kind : kKinds) {
        if (in.take(kind.keyword)) {
            Condition condition;
            condition.kind = &kind;
            kind.read(in, condition);
            return condition;
        }
        keywords += std::string(keywords.empty() ? "" : &kind == &kKinds.back() ? " or " : ", ") + kind.keyword;
    }
    in.fail("expected something to look at: " + keywords + ", found " + in.found());
}

}  // namespace tools
