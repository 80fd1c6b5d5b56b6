#include "board_watcher.h"

#include <cstdio>

#include "time_text.h"

namespace tools {

BoardWatcher::BoardWatcher(sim::Board& board)
    : board_(board),
      lights_seen_(board.lights_version()),
      shown_leds_(board.led_pattern()),
      shown_backlight_(board.backlight_percent()),
      backlight_now_(shown_backlight_)
{
}

void BoardWatcher::notice_lights()
{
    if (board_.lights_version() == lights_seen_) return;
    lights_seen_ = board_.lights_version();
    backlight_now_ = board_.backlight_percent();
    if (board_.led_pattern() == shown_leds_) {
        leds_moving_ = false;
    } else if (!leds_moving_) {
        leds_moving_ = true;
        leds_moved_at_ = board_.now();
    }
}

bool BoardWatcher::due()
{
    const std::string& sent = board_.serial_output();
    if (!sent.empty() && (sent.back() == '\n' || sent.size() > ConsoleLines::kLongestLine)) return true;
    notice_lights();
    return backlight_now_ != shown_backlight_ || (leds_moving_ && board_.now() >= leds_moved_at_ + kLedsSettle);
}

std::vector<Sighting> BoardWatcher::look(bool settled)
{
    std::vector<Sighting> seen;
    const sim::Nanoseconds now = board_.now();
    notice_lights();
    const bool leds_due = leds_moving_ && (settled || now >= leds_moved_at_ + kLedsSettle);
    const std::string sent = board_.take_serial_output();
    const bool backlight_due = backlight_now_ != shown_backlight_;
    // LEDs still settling are told with anything else, so that what is told
    // later never stands before it.
    if (leds_due || (leds_moving_ && (backlight_due || sent.find('\n') != std::string::npos))) {
        shown_leds_ = board_.led_pattern();
        leds_moving_ = false;
        seen.push_back({Sighting::Kind::Leds, leds_moved_at_, shown_leds_});
    }
    if (!sent.empty()) {
        console_bytes_ += sent.size();
        if (console_sink_) console_sink_(sent);
        for (std::string& line : console_.add(sent)) seen.push_back({Sighting::Kind::Console, now, std::move(line)});
    }
    if (backlight_due) {
        shown_backlight_ = backlight_now_;
        seen.push_back({Sighting::Kind::Backlight, now, std::to_string(backlight_now_) + " %"});
    }
    return seen;
}

std::string stamped(sim::Nanoseconds time, const std::string& what, const std::string& text)
{
    char head[48];
    std::snprintf(head, sizeof head, "%9s %-9s ", clock_text(time).c_str(), what.c_str());
    return head + text;
}

}  // namespace tools
