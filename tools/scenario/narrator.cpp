#include "narrator.h"

#include "lcd_art.h"

namespace tools {

std::string visible_line(const std::string& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n' && i + 1 == bytes.size()) break;
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// What the board shows before power-on is what changes are told against.
Narrator::Narrator(sim::Board& board, std::FILE* out)
    : board_(board), out_(out), shown_leds_(board.led_pattern()), shown_backlight_(board.backlight_percent())
{
}

void Narrator::step(const std::string& caption)
{
    finish();
    std::fprintf(out_, "\n== %s\n", caption.c_str());
}

void Narrator::say(const std::string& text)
{
    print("", {{board_.now(), text}});
}

void Narrator::print(const char* what, const std::vector<StampedLine>& lines)
{
    for (const StampedLine& line : lines)
        std::fprintf(out_, "%9s %-9s %s\n", clock_text(line.time).c_str(), what, line.text.c_str());
}

bool Narrator::changed() const
{
    const std::string& sent = board_.serial_output();
    const bool leds_differ = board_.led_pattern() != shown_leds_;
    const bool leds_due = leds_differ && (!leds_moving_ || board_.now() >= leds_moved_at_ + kLedsSettle);
    return (!sent.empty() && sent.back() == '\n') || leds_due || board_.backlight_percent() != shown_backlight_;
}

void Narrator::tell_changes()
{
    const std::string sent = board_.take_serial_output();
    if (console_sink_ && !sent.empty()) console_sink_(sent);
    console_line_ += sent;
    for (std::size_t end; (end = console_line_.find('\n')) != std::string::npos;) {
        last_console_line_ = visible_line(console_line_.substr(0, end + 1));
        ++console_lines_;
        print("console", console_fold_.add(board_.now(), last_console_line_));
        console_line_.erase(0, end + 1);
    }
    tell_leds(false);
    if (const int percent = board_.backlight_percent(); percent != shown_backlight_) {
        shown_backlight_ = percent;
        print("backlight", {{board_.now(), std::to_string(percent) + " %"}});
    }
}

void Narrator::tell_leds(bool settled)
{
    const std::string now = board_.led_pattern();
    if (now == shown_leds_) {
        leds_moving_ = false;
        return;
    }
    if (!leds_moving_) {
        leds_moving_ = true;
        leds_moved_at_ = board_.now();
    }
    if (!settled && board_.now() < leds_moved_at_ + kLedsSettle) return;
    leds_moving_ = false;
    shown_leds_ = now;
    print("LEDs", led_fold_.add(leds_moved_at_, now + "  (LED1..LED8, * lit)"));
}

void Narrator::run_for(sim::Nanoseconds span) { run_until([] { return false; }, span); }

bool Narrator::run_until(const std::function<bool()>& cond, sim::Nanoseconds limit)
{
    const sim::Nanoseconds end = board_.now() + limit;
    for (;;) {
        const bool met = board_.run_until([&] { return cond() || changed(); }, end - board_.now());
        tell_changes();
        if (board_.stopped()) throw RunError("the firmware stopped: " + board_.stop_reason());
        if (met && cond()) return true;
        if (board_.now() >= end) return false;
    }
}

void Narrator::show_screen(bool with_text)
{
    finish();
    std::fputs(lcd_art(board_.lcd_image(), board_.backlight_percent() > 0).c_str(), out_);
    if (!with_text) return;
    for (int line = 0; line < 8; ++line) {
        const std::string text = board_.lcd_text(line);
        if (!text.empty()) std::fprintf(out_, "   line %d: %s\n", line, text.c_str());
    }
}

void Narrator::finish()
{
    tell_leds(true);
    print("console", console_fold_.flush());
    print("LEDs", led_fold_.flush());
}

void Narrator::close()
{
    tell_changes();
    finish();
    if (!console_line_.empty()) {
        print("console", {{board_.now(), visible_line(console_line_) + "  (line still open)"}});
        console_line_.clear();
    }
}

}  // namespace tools
