// The journey `make demo` shows: power on with the flash erased, set the
// four limits, record three minutes of a tilt that passes one of them, stop,
// look at the record and both graphs, and send the report. Each step checks
// that the board did what the operator expects before the next one goes on.
#ifndef TOOLS_DEMO_DEMO_JOURNEY_H
#define TOOLS_DEMO_DEMO_JOURNEY_H

#include <string>

#include "board/board.h"
#include "narrator.h"
#include "tilt_profile.h"

namespace tools {

class DemoJourney {
public:
    DemoJourney(sim::Board& board, Narrator& narrator);

    // The whole journey; throws DemoError where the board goes astray.
    void run();

private:
    void power_on();
    void set_limits();
    void record();
    void stop_record();
    void show_record();
    void graphs();
    void send_report();
    void summary();

    void press(sim::Button button);
    // A press whose action holds a notice up for a while: the screen is shown
    // once the notice stands on it.
    void press_showing_notice(sim::Button button, int line, const std::string& text);
    void wait_until_handled();
    void turn(int detents);
    void tilt(double seconds);
    void expect(bool holds, const std::string& what) const;
    void expect_line(int line, const std::string& text) const;
    int stored_samples() const;

    sim::Board& board_;
    Narrator& narrator_;
    TiltProfile profile_;
};

}  // namespace tools

#endif
