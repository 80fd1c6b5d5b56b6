#include "narrator.h"

#include <algorithm>

#include "lcd_art.h"
#include "text_spelling.h"

namespace tools {

namespace {

constexpr const char* kStreamNames[] = {"console", "LEDs"};

}  // namespace

Narrator::Narrator(sim::Board& board, std::FILE* out, std::FILE* progress)
    : board_(board), out_(out), watcher_(board), progress_(ProgressLine::on_terminal(progress))
{
}

void Narrator::step(const std::string& caption)
{
    finish();
    std::fprintf(out_, "\n== %s\n", spelled_text(caption).c_str());
}

void Narrator::say(const std::string& text) { print("", {{board_.now(), spelled_text(text)}}); }

void Narrator::print(const char* what, const std::vector<StampedLine>& lines, int stream)
{
    if (lines.empty()) return;
    // Repeats held back came before this line: they are told first.
    for (int other = 0; other < kStreams; ++other)
        if (other != stream) emit(kStreamNames[other], folds_[other].flush());
    emit(what, lines);
}

void Narrator::emit(const char* what, const std::vector<StampedLine>& lines)
{
    if (lines.empty()) return;
    progress_.wipe();
    for (const StampedLine& line : lines) std::fprintf(out_, "%s\n", stamped(line.time, what, line.text).c_str());
}

void Narrator::tell(const std::vector<Sighting>& sightings)
{
    for (const Sighting& seen : sightings) {
        if (seen.kind == Sighting::Kind::Backlight) {
            print("backlight", {{seen.time, seen.text}});
            continue;
        }
        const Stream stream = seen.kind == Sighting::Kind::Console ? kConsole : kLeds;
        const std::string text = stream == kLeds ? seen.text + "  (LED1..LED8, * lit)" : seen.text;
        print(kStreamNames[stream], folds_[stream].add(seen.time, text), stream);
    }
}

bool Narrator::run_until(const std::function<bool()>& cond, sim::Nanoseconds limit, const std::string& what)
{
    const sim::Nanoseconds start = board_.now(), end = start + limit;
    progress_.begin(what, start, limit);
    for (;;) {
        const sim::Nanoseconds slice = std::min(end - board_.now(), ProgressLine::kSlice);
        const bool met = board_.run_until([&] { return cond() || watcher_.due(); }, slice);
        tell(watcher_.look());
        if (board_.stopped()) {
            progress_.wipe();
            throw RunError("the firmware stopped: " + board_.stop_reason());
        }
        const bool held = met && cond();
        if (held || board_.now() >= end) {
            progress_.wipe();
            return held;
        }
        progress_.update(board_.now());
    }
}

void Narrator::show_screen()
{
    finish();
    progress_.wipe();
    std::fputs(lcd_art(board_.lcd_image(), board_.backlight_percent() > 0).c_str(), out_);
    const auto lines = board_.lcd_lines();
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::string text = glass_text(lines[line]);
        if (!text.empty()) std::fprintf(out_, "   line %zu: %s\n", line, text.c_str());
    }
}

void Narrator::finish()
{
    tell(watcher_.look(true));
    for (int stream = 0; stream < kStreams; ++stream) emit(kStreamNames[stream], folds_[stream].flush());
}

void Narrator::close()
{
    finish();
    if (const std::string open = watcher_.take_open_line(); !open.empty())
        print("console", {{board_.now(), open + "  (line still open)"}});
}

}  // namespace tools
