#include "console_tail.h"

#include <cstdio>

namespace tools {

void ConsoleTail::append(std::string_view bytes)
{
    bytes_seen_ += bytes.size();
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (carriage_return_waiting_) {
            carriage_return_waiting_ = false;
            if (byte != '\n') open_line_ += "\\r";
        }
        if (byte == '\r')
            carriage_return_waiting_ = true;
        else if (byte == '\n')
            end_line();
        else
            add_visible(byte);
        if (open_line_.size() >= kLongestLine) end_line();
    }
}

void ConsoleTail::add_visible(unsigned char byte)
{
    if (byte >= 0x20 && byte < 0x7F) {
        open_line_ += static_cast<char>(byte);
        return;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    open_line_ += hex;
}

void ConsoleTail::end_line()
{
    lines_.push_back(std::move(open_line_));
    open_line_.clear();
    while (lines_.size() > kKeptLines) lines_.pop_front();
}

std::vector<std::string> ConsoleTail::last(std::size_t count) const
{
    std::vector<std::string> tail;
    const bool open = !open_line_.empty();
    const std::size_t from_kept = count - (open && count > 0 ? 1 : 0);
    const std::size_t first = lines_.size() > from_kept ? lines_.size() - from_kept : 0;
    for (std::size_t i = first; i < lines_.size(); ++i) tail.push_back(lines_[i]);
    if (open && count > 0) tail.push_back(open_line_);
    return tail;
}

}  // namespace tools
