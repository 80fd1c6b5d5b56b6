// Puts frames on the terminal, rewriting only the rows that changed since
// the last frame painted: a frame a tick then costs a few rows, not a screen.
#ifndef TOOLS_INTERACTIVE_FRAME_PAINTER_H
#define TOOLS_INTERACTIVE_FRAME_PAINTER_H

#include <string>
#include <vector>

namespace tools {

class FramePainter {
public:
    // The bytes that turn the terminal's screen into this frame.
    std::string paint(const std::vector<std::string>& frame);
    // The screen may hold anything now (resized, resumed): paint all of it next.
    void forget_screen();

private:
    std::vector<std::string> shown_;
    bool screen_known_ = false;
};

}  // namespace tools

#endif
