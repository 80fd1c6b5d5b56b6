// The console line's bytes cut into lines for a person: "\n" or "\r\n" ends
// a line, every other control byte is spelled out (spelled_bytes), and a
// line that runs on without an end is broken at a bound, so a long run takes
// no more memory than a short one.
#ifndef TOOLS_COMMON_CONSOLE_LINES_H
#define TOOLS_COMMON_CONSOLE_LINES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

class ConsoleLines {
public:
    static constexpr std::size_t kLongestLine = 1024;

    // The lines these bytes end, spelled, oldest first.
    std::vector<std::string> add(std::string_view bytes);
    // The line begun and not ended yet, spelled; "" when there is none.
    std::string open_line() const;
    // The same, and forgotten.
    std::string take_open_line();

private:
    std::string open_;  // as sent, a carriage return that may end it included
};

}  // namespace tools

#endif
