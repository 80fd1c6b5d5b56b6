#include "interactive_session.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>

namespace tools {

namespace {

using namespace std::chrono_literals;

constexpr const char* kProgram = "tiltmon-sim --interactive";
constexpr auto kFramePeriod = 50ms;
// Of each frame, the share the firmware may run before the frame is drawn;
// whatever virtual time does not fit is dropped and the speed shown as short.
constexpr auto kRunBudget = 35ms;
// After a stop (Ctrl-Z) or a stall, virtual time does not rush to catch up.
constexpr auto kLongestStep = 250ms;
constexpr sim::Nanoseconds kSlice = 100'000'000;  // 100 ms of virtual time between looks at the wall clock
// An escape with nothing after it for this long was the Escape key.
constexpr auto kSequenceWait = 50ms;
constexpr auto kGaugeWindow = 1s;

std::optional<OperatorInput> operator_input(Action action)
{
    switch (action) {
    case Action::PressOk: return OperatorInput::PressOk;
    case Action::PressBack: return OperatorInput::PressBack;
    case Action::TurnClockwise: return OperatorInput::TurnClockwise;
    case Action::TurnAnticlockwise: return OperatorInput::TurnAnticlockwise;
    default: return std::nullopt;
    }
}

const char* button_name(sim::Button button) { return button == sim::Button::Ok ? "OK" : "back"; }

}  // namespace

std::string why_not_interactive(const InteractiveOptions& options)
{
    char text[160];
    if (!(options.speed >= Controls::kSlowestSpeed && options.speed <= Controls::kFastestSpeed)) {
        std::snprintf(text, sizeof text, "the speed must be from x%.0f (real time) to x%.0f, not x%g",
                      Controls::kSlowestSpeed, Controls::kFastestSpeed, options.speed);
        return text;
    }
    if (const std::string why = why_not_a_terminal(); !why.empty()) return "needs a terminal: " + why;
    const std::optional<TerminalSize> size = terminal_size();
    if (!size) return "the terminal does not tell its size";
    return size_shortfall(*size, {kScreenColumns, kScreenRows});
}

int run_interactive(sim::Board& board, const InteractiveOptions& options)
{
    if (!board.powered()) {
        std::fprintf(stderr, "%s: the board is not powered\n", kProgram);
        return 2;
    }
    if (const std::string why = why_not_interactive(options); !why.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, why.c_str());
        return 2;
    }
    std::string failure;
    try {
        RawTerminal terminal;
        InteractiveSession session(board, options, terminal);
        return session.run();
    } catch (const std::exception& error) {
        failure = error.what();  // told once the terminal is back
    }
    std::fprintf(stderr, "%s: %s\n", kProgram, failure.c_str());
    return 1;
}

InteractiveSession::InteractiveSession(sim::Board& board, const InteractiveOptions& options, RawTerminal& terminal)
    : board_(board), terminal_(terminal), watcher_(board)
{
    watcher_.on_console(options.on_console);
    controls_.speed = options.speed;
    // The monitor starts level, as the tilt shown says.
    board_.set_tilt(sim::Axis::X, 0.0);
    board_.set_tilt(sim::Axis::Y, 0.0);
}

int InteractiveSession::run()
{
    WallClock::time_point last_run = WallClock::now();
    WallClock::time_point next_frame = last_run;
    for (;;) {
        // Keys are read as they come; they take effect at the next frame.
        take_input(std::chrono::ceil<std::chrono::milliseconds>(next_frame - WallClock::now()));
        if (const int signal_number = terminal_.take_quit_signal(); signal_number != 0)
            return signal_number == SIGINT ? 0 : 128 + signal_number;
        if (quit_ || terminal_.input_closed()) return 0;
        if (terminal_.take_resumed()) {
            painter_.forget_screen();
            last_run = WallClock::now();
        }
        if (terminal_.take_resized()) painter_.forget_screen();

        const WallClock::time_point now = WallClock::now();
        if (now < next_frame) continue;
        size_ = terminal_size().value_or(TerminalSize{kScreenColumns, kScreenRows});
        if (!too_small()) advance(now - last_run);
        last_run = now;
        show();
        next_frame += kFramePeriod;
        if (next_frame < WallClock::now()) next_frame = WallClock::now() + kFramePeriod;
    }
}

void InteractiveSession::take_input(std::chrono::milliseconds wait)
{
    const std::string bytes = terminal_.read(std::max(wait, 0ms));
    std::vector<Key> keys = decoder_.feed(bytes);
    if (!decoder_.unfinished()) {
        sequence_started_.reset();
    } else if (!sequence_started_) {
        sequence_started_ = WallClock::now();
    } else if (WallClock::now() - *sequence_started_ >= kSequenceWait) {
        for (const Key& key : decoder_.flush()) keys.push_back(key);
        sequence_started_.reset();
    }
    if (keys.empty()) return;
    // Keys count against the terminal as it is now, not as last drawn.
    size_ = terminal_size().value_or(TerminalSize{kScreenColumns, kScreenRows});
    for (const Key& key : keys) act(action_for(key));
}

bool InteractiveSession::too_small() const { return !size_shortfall(size_, {kScreenColumns, kScreenRows}).empty(); }

void InteractiveSession::act(Action action)
{
    if (action == Action::Quit) {
        quit_ = true;
        return;
    }
    // Nothing the person cannot see happen.
    if (too_small()) return;
    if (const std::optional<OperatorInput> input = operator_input(action)) {
        // A stopped firmware takes no input; a full queue drops the key.
        if (!board_.stopped()) static_cast<void>(inputs_.add(*input));
        return;
    }
    const Controls before = controls_;
    controls_ = adjusted(controls_, action);
    if (controls_.speed != before.speed) {
        gauge_wall_ = {};
        gauge_virtual_ = 0;
        lagging_speed_ = 0.0;
    }
    board_.set_tilt(sim::Axis::X, controls_.tilt_x_degrees);
    board_.set_tilt(sim::Axis::Y, controls_.tilt_y_degrees);
}

void InteractiveSession::advance(WallClock::duration elapsed)
{
    const WallClock::duration counted = std::min<WallClock::duration>(elapsed, kLongestStep);
    const double seconds = std::chrono::duration<double>(counted).count();
    const auto budget = static_cast<sim::Nanoseconds>(std::llround(seconds * controls_.speed * 1e9));
    const WallClock::time_point deadline = WallClock::now() + kRunBudget;
    sim::Nanoseconds ran = 0;
    while (ran < budget && !board_.stopped() && WallClock::now() < deadline) {
        const sim::Nanoseconds before = board_.now();
        inputs_.run_for(board_, std::min(budget - ran, kSlice));
        pass_console();
        if (board_.now() == before) break;  // stopped in this slice
        ran += board_.now() - before;
    }
    if (!board_.stopped()) measure_speed(counted, ran);
}

void InteractiveSession::pass_console()
{
    for (Sighting& seen : watcher_.look()) {
        if (seen.kind != Sighting::Kind::Console) continue;
        console_.push_back(std::move(seen.text));
        if (console_.size() > kConsoleRowsShown) console_.pop_front();
    }
}

void InteractiveSession::measure_speed(WallClock::duration wall, sim::Nanoseconds ran)
{
    gauge_wall_ += wall;
    gauge_virtual_ += ran;
    if (gauge_wall_ < kGaugeWindow) return;
    const double reached = static_cast<double>(gauge_virtual_) / 1e9 / std::chrono::duration<double>(gauge_wall_).count();
    // A little short is the wall clock's jitter, not a board that cannot keep up.
    lagging_speed_ = reached < 0.9 * controls_.speed ? reached : 0.0;
    gauge_wall_ = {};
    gauge_virtual_ = 0;
}

void InteractiveSession::show()
{
    if (size_.columns != shown_size_.columns || size_.rows != shown_size_.rows) {
        painter_.forget_screen();
        shown_size_ = size_;
    }
    std::vector<std::string> frame;
    if (too_small()) {
        frame = render_too_small(size_.columns, size_.rows);
    } else {
        BoardView view = view_of(board_);
        view.controls = controls_;
        view.lagging_speed = lagging_speed_;
        if (const std::optional<sim::Button> held = inputs_.holding()) view.holding = button_name(*held);
        view.inputs_waiting = inputs_.waiting();
        view.console.assign(console_.begin(), console_.end());
        if (const std::string open = watcher_.open_line(); !open.empty()) view.console.push_back(open);
        frame = render_board_screen(view);
    }
    terminal_.write(painter_.paint(frame));
}

}  // namespace tools
