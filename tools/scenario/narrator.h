// Runs the board and tells a person what it does, readable in an 80-column
// terminal: a caption per step, the LEDs and the backlight as they change,
// the console line a line at a time stamped with the virtual time its last
// byte left (board_watcher.h), and the screen as text art. Blinking LEDs and
// a console line sent again and again fold into one line and a count; the
// times stamped on the lines never go back. A run that takes more than a
// few wall seconds shows its progress on the terminal (progress_line.h).
#ifndef TOOLS_SCENARIO_NARRATOR_H
#define TOOLS_SCENARIO_NARRATOR_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "board/board.h"
#include "board_watcher.h"
#include "progress_line.h"
#include "repeat_fold.h"

namespace tools {

// The firmware stopped (a halt, the default handler) while the board ran.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Narrator {
public:
    // progress: where a long run's progress goes, or null for nowhere.
    Narrator(sim::Board& board, std::FILE* out, std::FILE* progress = nullptr);

    void step(const std::string& caption);
    // A line of narration, stamped with the virtual time.
    void say(const std::string& text);

    // Runs until cond() holds, telling what changes on the way; false when
    // the limit passes first. what: the run as its progress names it.
    bool run_until(const std::function<bool()>& cond, sim::Nanoseconds limit, const std::string& what = "run");

    // The glass as text art, and under it the text each line reads.
    void show_screen();
    // Ends what is folded, so the next lines stand after it.
    void finish();
    // At the end: also prints a console line still open.
    void close();

    // Also hands every console byte, as it is taken from the line, to sink.
    void on_console(std::function<void(const std::string&)> sink) { watcher_.on_console(std::move(sink)); }

private:
    enum Stream { kConsole, kLeds, kStreams };
    void tell(const std::vector<Sighting>& sightings);
    // Lines of one stream (or of none), after what the others hold back.
    void print(const char* what, const std::vector<StampedLine>& lines, int stream = kStreams);
    void emit(const char* what, const std::vector<StampedLine>& lines);

    sim::Board& board_;
    std::FILE* out_;
    BoardWatcher watcher_;
    ProgressLine progress_;
    // Console lines repeat one after another, LEDs blink between two states.
    RepeatFold folds_[kStreams] = {RepeatFold(1), RepeatFold(2)};
};

}  // namespace tools

#endif
