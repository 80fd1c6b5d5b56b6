// The end of what the firmware sent on the console line, as lines of
// printable text: control bytes are spelled out (\x07, a lone \r) so nothing
// sent goes unseen and nothing sent can move the terminal's cursor. Only the
// last lines are kept, so a long run takes no more memory than a short one.
#ifndef TOOLS_INTERACTIVE_CONSOLE_TAIL_H
#define TOOLS_INTERACTIVE_CONSOLE_TAIL_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

class ConsoleTail {
public:
    static constexpr std::size_t kKeptLines = 100;
    // A line this long without an end is broken there.
    static constexpr std::size_t kLongestLine = 1024;

    void append(std::string_view bytes);
    // The last count lines, oldest first; an unfinished line comes last.
    std::vector<std::string> last(std::size_t count) const;
    std::uint64_t bytes_seen() const { return bytes_seen_; }

private:
    void end_line();
    void add_visible(unsigned char byte);

    std::deque<std::string> lines_;
    std::string open_line_;
    bool carriage_return_waiting_ = false;  // "\r\n" ends a line quietly
    std::uint64_t bytes_seen_ = 0;
};

}  // namespace tools

#endif
