#include "frame_painter.h"

namespace tools {

namespace {

std::string row_at(std::size_t row, const std::string& text)
{
    // Attributes reset before the rest of the row is cleared, so no reverse
    // video bleeds past the text.
    return "\x1b[" + std::to_string(row + 1) + ";1H" + text + "\x1b[0m\x1b[K";
}

}  // namespace

std::string FramePainter::paint(const std::vector<std::string>& frame)
{
    std::string out;
    if (!screen_known_) {
        out = "\x1b[0m\x1b[H\x1b[2J";
        shown_.clear();
    }
    for (std::size_t row = 0; row < frame.size(); ++row)
        if (row >= shown_.size() || shown_[row] != frame[row]) out += row_at(row, frame[row]);
    if (screen_known_ && frame.size() < shown_.size()) out += "\x1b[" + std::to_string(frame.size() + 1) + ";1H\x1b[J";
    shown_ = frame;
    screen_known_ = true;
    return out;
}

void FramePainter::forget_screen() { screen_known_ = false; }

}  // namespace tools
