#include "console_lines.h"

#include "text_spelling.h"

namespace tools {

namespace {

std::string spelled_line(std::string_view bytes)
{
    if (bytes.ends_with('\r')) bytes.remove_suffix(1);
    return spelled_bytes(bytes);
}

}  // namespace

std::vector<std::string> ConsoleLines::add(std::string_view bytes)
{
    std::vector<std::string> ended;
    for (char byte : bytes) {
        if (byte == '\n') {
            ended.push_back(spelled_line(open_));
            open_.clear();
            continue;
        }
        if (open_.size() >= kLongestLine) {
            ended.push_back(spelled_bytes(open_));
            open_.clear();
        }
        open_ += byte;
    }
    return ended;
}

std::string ConsoleLines::open_line() const { return spelled_bytes(open_); }

std::string ConsoleLines::take_open_line()
{
    std::string line = open_line();
    open_.clear();
    return line;
}

}  // namespace tools
