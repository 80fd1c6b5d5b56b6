#include "terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace tools {

namespace {

constexpr char kTakeScreen[] = "\x1b[?1049h\x1b[?25l";  // alternate screen, cursor hidden
constexpr char kGiveScreenBack[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

// What the signal handlers need: plain data, set up before they are installed.
struct termios g_original_mode;
struct termios g_raw_mode;
volatile std::sig_atomic_t g_raw_now = 0;
volatile std::sig_atomic_t g_quit_signal = 0;
volatile std::sig_atomic_t g_resized = 0;
volatile std::sig_atomic_t g_resumed = 0;
bool g_in_use = false;

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous_quit[3];
struct sigaction g_previous_winch;
struct sigaction g_previous_tstp;

// Only async-signal-safe calls from here to the handlers' end.
void write_all(const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

void leave_raw_mode()
{
    if (!g_raw_now) return;
    write_all(kGiveScreenBack, sizeof kGiveScreenBack - 1);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_original_mode);
    g_raw_now = 0;
}

void enter_raw_mode()
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode);
    write_all(kTakeScreen, sizeof kTakeScreen - 1);
    g_raw_now = 1;
}

// The loop sees the flag within a frame and ends, putting the terminal back
// on its way out; restoring here could leave it painting on the shell's screen.
extern "C" void on_quit_signal(int signal_number) { g_quit_signal = signal_number; }

extern "C" void on_resize(int) { g_resized = 1; }

extern "C" void on_stop(int)
{
    const int saved_errno = errno;
    leave_raw_mode();
    // Stop as the default action would, then take the terminal again.
    struct sigaction stop_here {};
    stop_here.sa_handler = SIG_DFL;
    struct sigaction ours {};
    ::sigaction(SIGTSTP, &stop_here, &ours);
    sigset_t just_tstp;
    ::sigemptyset(&just_tstp);
    ::sigaddset(&just_tstp, SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &just_tstp, nullptr);
    ::raise(SIGTSTP);
    ::sigaction(SIGTSTP, &ours, nullptr);
    enter_raw_mode();
    g_resumed = 1;
    errno = saved_errno;
}

void install(int signal_number, void (*handler)(int), struct sigaction* previous)
{
    struct sigaction action {};
    action.sa_handler = handler;
    ::sigemptyset(&action.sa_mask);
    for (int blocked : kQuitSignals) ::sigaddset(&action.sa_mask, blocked);
    ::sigaddset(&action.sa_mask, SIGTSTP);
    ::sigaction(signal_number, &action, previous);
}

std::string system_error(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::string why_not_a_terminal()
{
    if (!::isatty(STDIN_FILENO)) return "standard input is not a terminal";
    if (!::isatty(STDOUT_FILENO)) return "standard output is not a terminal";
    return "";
}

std::optional<TerminalSize> terminal_size()
{
    struct winsize size {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return std::nullopt;
    return TerminalSize{size.ws_col, size.ws_row};
}

std::string size_shortfall(TerminalSize have, TerminalSize need)
{
    if (have.columns >= need.columns && have.rows >= need.rows) return "";
    return "needs a terminal of at least " + std::to_string(need.columns) + " x " + std::to_string(need.rows) +
           " characters; this one is " + std::to_string(have.columns) + " x " + std::to_string(have.rows);
}

RawTerminal::RawTerminal()
{
    if (g_in_use) throw TerminalError("the terminal is already in raw mode");
    if (::tcgetattr(STDIN_FILENO, &g_original_mode) != 0) throw TerminalError(system_error("reading the terminal's mode"));
    g_raw_mode = g_original_mode;
    g_raw_mode.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    g_raw_mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
    g_raw_mode.c_cflag |= CS8;
    g_raw_mode.c_cc[VMIN] = 1;
    g_raw_mode.c_cc[VTIME] = 0;
    g_quit_signal = 0;
    g_resized = 0;
    g_resumed = 0;
    g_in_use = true;

    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
        install(kQuitSignals[i], on_quit_signal, &g_previous_quit[i]);
    install(SIGWINCH, on_resize, &g_previous_winch);
    install(SIGTSTP, on_stop, &g_previous_tstp);
    enter_raw_mode();
}

RawTerminal::~RawTerminal()
{
    leave_raw_mode();
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
        ::sigaction(kQuitSignals[i], &g_previous_quit[i], nullptr);
    ::sigaction(SIGWINCH, &g_previous_winch, nullptr);
    ::sigaction(SIGTSTP, &g_previous_tstp, nullptr);
    g_in_use = false;
}

void RawTerminal::write(std::string_view bytes)
{
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, next, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw TerminalError(system_error("writing to the terminal"));
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

std::string RawTerminal::read(std::chrono::milliseconds timeout)
{
    if (input_closed_) {
        ::poll(nullptr, 0, static_cast<int>(timeout.count()));
        return "";
    }
    struct pollfd input {STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&input, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) return "";  // timed out, or a signal came first
    char bytes[256];
    const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (count > 0) return std::string(bytes, static_cast<std::size_t>(count));
    if (count == 0 || (errno != EINTR && errno != EAGAIN)) input_closed_ = true;
    return "";
}

int RawTerminal::take_quit_signal()
{
    const int signal_number = g_quit_signal;
    g_quit_signal = 0;
    return signal_number;
}

bool RawTerminal::take_resized()
{
    const bool resized = g_resized != 0;
    g_resized = 0;
    return resized;
}

bool RawTerminal::take_resumed()
{
    const bool resumed = g_resumed != 0;
    g_resumed = 0;
    return resumed;
}

}  // namespace tools
