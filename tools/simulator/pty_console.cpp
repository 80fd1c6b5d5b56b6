#include "pty_console.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tools {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A program that opens a serial port flushes its input right after; bytes
// sent before it has done so would be lost.
constexpr auto kSettle = 300ms;
constexpr auto kPoll = 5ms;
// Beyond this a reader that has stopped reading is taken to be gone.
constexpr auto kReadBound = 30s;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error("pseudo-terminal: " + what + ": " + std::strerror(errno)); }

}  // namespace

PtyConsole::PtyConsole(unsigned bits_per_second) : bits_per_second_(bits_per_second)
{
    if (bits_per_second_ == 0) throw std::runtime_error("pseudo-terminal: a line of 0 bit/s carries nothing");
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) fail("cannot open one");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        close(master_);
        fail("cannot unlock it");
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        close(master_);
        fail("it has no name");
    }
    path_ = name;
    // Raw, as a serial cable is: no echo, no line editing, no translation of
    // line ends. The settings are the far side's; a program that opens it may
    // set its own.
    const int far = open(path_.c_str(), O_RDWR | O_NOCTTY);
    if (far < 0) {
        close(master_);
        fail("cannot open " + path_);
    }
    termios settings{};
    if (tcgetattr(far, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, B115200);
        cfsetospeed(&settings, B115200);
        tcsetattr(far, TCSANOW, &settings);
    }
    close(far);
}

PtyConsole::~PtyConsole()
{
    if (master_ >= 0) close(master_);
}

void PtyConsole::send(const std::string& bytes)
{
    queue_ += bytes;
    pump();
}

bool PtyConsole::reader_present() const
{
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 0) < 0) return false;
    return (p.revents & POLLHUP) == 0;
}

void PtyConsole::pump()
{
    for (char buffer[256];;) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        typed_.append(buffer, static_cast<std::size_t>(n));
    }
    const bool present = reader_present();
    if (present && !reader_) {
        pace_start_ = Clock::now() + kSettle;
        sent_at_pace_start_ = sent_;
    }
    reader_ = present;
    if (!reader_ || sent_ == queue_.size() || Clock::now() < pace_start_) return;

    const double seconds = std::chrono::duration<double>(Clock::now() - pace_start_).count();
    const auto allowed = static_cast<std::size_t>(seconds * bits_per_second_ / 10.0) + 1;
    const std::size_t paced = sent_at_pace_start_ + allowed;
    if (paced <= sent_) return;
    const std::size_t count = std::min(paced, queue_.size()) - sent_;
    const ssize_t n = write(master_, queue_.data() + sent_, count);
    if (n > 0) sent_ += static_cast<std::size_t>(n);
    if (sent_ == queue_.size()) {
        // Keep the memory of a long run bounded.
        queue_.clear();
        sent_ = 0;
        sent_at_pace_start_ = 0;
        pace_start_ = Clock::now();
    }
}

std::string PtyConsole::take_typed()
{
    std::string typed;
    typed.swap(typed_);
    return typed;
}

std::size_t PtyConsole::unread_in_terminal() const
{
    const int far = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (far < 0) return 0;
    // Bytes written here reach the far side's queue a moment later; polling
    // the far side hands over those still on their way, so none is missed.
    pollfd p{far, POLLIN, 0};
    poll(&p, 1, 0);
    int waiting = 0;
    if (ioctl(far, FIONREAD, &waiting) != 0) waiting = 0;
    close(far);
    return static_cast<std::size_t>(std::max(waiting, 0));
}

bool PtyConsole::drain(std::chrono::milliseconds wait_for_reader)
{
    const auto reader_deadline = Clock::now() + wait_for_reader;
    while (queue_.size() > sent_) {
        pump();
        if (!reader_ && Clock::now() >= reader_deadline) {
            unread_ = unread_in_terminal();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    // Sent is not read: the reader may still be at it, or may have gone and
    // left bytes in the pseudo-terminal.
    const auto read_deadline = Clock::now() + kReadBound;
    for (;;) {
        unread_ = unread_in_terminal();
        if (unread_ == 0) return true;
        if (!reader_present() || Clock::now() >= read_deadline) return false;
        std::this_thread::sleep_for(kPoll);
    }
}

}  // namespace tools
