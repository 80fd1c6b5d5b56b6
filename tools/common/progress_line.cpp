#include "progress_line.h"

#include <unistd.h>

#include <algorithm>

#include "time_text.h"

namespace tools {

std::FILE* ProgressLine::on_terminal(std::FILE* stream)
{
    return stream != nullptr && ::isatty(::fileno(stream)) ? stream : nullptr;
}

void ProgressLine::begin(const std::string& what, sim::Nanoseconds start, sim::Nanoseconds total)
{
    what_ = what;
    start_ = start;
    total_ = total;
    began_ = WallClock::now();
    next_ = began_ + kQuietFor;
}

void ProgressLine::update(sim::Nanoseconds now)
{
    if (terminal_ == nullptr) return;
    const WallClock::time_point wall = WallClock::now();
    if (wall < next_) return;
    next_ = wall + kEvery;
    std::fprintf(terminal_, "\r%s\x1b[K", text(what_, now - start_, total_, wall - began_).c_str());
    std::fflush(terminal_);
    shown_ = true;
}

void ProgressLine::wipe()
{
    if (!shown_) return;
    std::fputs("\r\x1b[K", terminal_);
    std::fflush(terminal_);
    shown_ = false;
}

std::string ProgressLine::text(const std::string& what, sim::Nanoseconds done, sim::Nanoseconds total,
                               WallClock::duration wall)
{
    const double seconds = std::chrono::duration<double>(wall).count();
    const double share = total == 0 ? 1.0 : static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    char figures[64];
    std::snprintf(figures, sizeof figures, " (%.0f %%), x%.0f real time", 100.0 * share,
                  seconds > 0 ? static_cast<double>(done) / 1e9 / seconds : 0.0);
    return what + ": " + duration_text(done) + " of " + duration_text(total) + figures;
}

}  // namespace tools
