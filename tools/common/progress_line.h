// How far a long run has come, for a person waiting at a terminal: once a
// run has taken a few wall seconds, one line on the terminal says the
// virtual time done of the total and the speed, rewritten in place a few
// times a second and wiped before anything else is printed. Where the
// output is no terminal (a file, a pipe, a test) it shows nothing.
#ifndef TOOLS_COMMON_PROGRESS_LINE_H
#define TOOLS_COMMON_PROGRESS_LINE_H

#include <chrono>
#include <cstdio>
#include <string>

#include "core/time.h"

namespace tools {

class ProgressLine {
public:
    using WallClock = std::chrono::steady_clock;
    static constexpr WallClock::duration kQuietFor = std::chrono::seconds(2);
    static constexpr WallClock::duration kEvery = std::chrono::milliseconds(250);
    // A long run goes in slices of a virtual minute, the line updated between them.
    static constexpr sim::Nanoseconds kSlice = 60'000'000'000;

    // terminal: where the line goes, or null for nowhere (see on_terminal).
    explicit ProgressLine(std::FILE* terminal) : terminal_(terminal) {}
    ~ProgressLine() { wipe(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // stream if it is a terminal, else null.
    static std::FILE* on_terminal(std::FILE* stream);

    // A run of `total` virtual time begins at virtual time `start`.
    void begin(const std::string& what, sim::Nanoseconds start, sim::Nanoseconds total);
    // The run has come to virtual time `now`; cheap to call often.
    void update(sim::Nanoseconds now);
    // Before other output, and at the run's end.
    void wipe();

    // The line's text for a run of total that has done `done` in `wall`.
    static std::string text(const std::string& what, sim::Nanoseconds done, sim::Nanoseconds total,
                            WallClock::duration wall);

private:
    std::FILE* terminal_;
    std::string what_;
    sim::Nanoseconds start_ = 0, total_ = 0;
    WallClock::time_point began_{}, next_{};
    bool shown_ = false;
};

}  // namespace tools

#endif
