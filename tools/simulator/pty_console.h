// The console line on a pseudo-terminal: a terminal program (picocom, the PC
// companion) opens its path as it would open the board's cable, and the
// bytes the firmware sends come out there at the line's pace.
//
// Nothing goes out while nobody has the device open, and not in the first
// moments after a program opens it: programs that open a serial port throw
// away what was waiting there, as they should with a real cable. Bytes wait
// here meanwhile, so none is lost.
#ifndef TOOLS_SIMULATOR_PTY_CONSOLE_H
#define TOOLS_SIMULATOR_PTY_CONSOLE_H

#include <chrono>
#include <string>

namespace tools {

class PtyConsole {
public:
    // bits_per_second: the line's pace, 10 bit times a character (8N1).
    // Throws std::runtime_error when no pseudo-terminal can be had.
    explicit PtyConsole(unsigned bits_per_second = 115200);
    ~PtyConsole();
    PtyConsole(const PtyConsole&) = delete;
    PtyConsole& operator=(const PtyConsole&) = delete;

    // The far side's path, e.g. /dev/pts/3.
    const std::string& path() const { return path_; }
    unsigned bits_per_second() const { return bits_per_second_; }

    void send(const std::string& bytes);
    // Sends what the pace allows by now and takes in what the far side typed.
    void pump();
    // Bytes the far side typed since the last take.
    std::string take_typed();

    // At the end: waits, on the wall clock, up to wait_for_reader for a
    // program to open the device, then sends the rest at the line's pace and
    // waits until the program has read it, bytes still inside the
    // pseudo-terminal included, or has gone. False, with what was not
    // delivered in undelivered(), when no program took everything.
    bool drain(std::chrono::milliseconds wait_for_reader);
    // Not sent, and sent but left unread in the pseudo-terminal.
    std::size_t undelivered() const { return queue_.size() - sent_ + unread_; }

private:
    bool reader_present() const;
    // Bytes written that no program has read yet.
    std::size_t unread_in_terminal() const;

    int master_ = -1;
    std::string path_;
    unsigned bits_per_second_;
    std::string queue_;
    std::size_t sent_ = 0;  // bytes of queue_ already written
    bool reader_ = false;
    std::chrono::steady_clock::time_point pace_start_;
    std::size_t sent_at_pace_start_ = 0;
    std::string typed_;
    std::size_t unread_ = 0;
};

}  // namespace tools

#endif
