// The RS-232 console line on the board's COM1 connector: what the firmware
// sends, word by word as the USART shifts it out. Tools take what is new and
// keep the line short; tests read the whole text since the last take.
#ifndef SIM_DEVICES_SERIAL_LINE_H
#define SIM_DEVICES_SERIAL_LINE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

class SerialLine {
public:
    void set_change_listener(std::function<void()> listener) { on_change_ = std::move(listener); }

    // A word arrives from the USART (8 data bits, or 9).
    void receive(std::uint16_t word)
    {
        text_.push_back(static_cast<char>(word & 0xFFu));
        words_.push_back(word);
        total_ += 1;
        if (on_change_) on_change_();
    }

    // The bytes since the last take or clear (9-bit words give their low 8 bits).
    const std::string& text() const { return text_; }
    const std::vector<std::uint16_t>& words() const { return words_; }
    // Hands over what arrived since the last take and forgets it.
    std::string take()
    {
        std::string out;
        out.swap(text_);
        words_.clear();
        return out;
    }
    void clear()
    {
        text_.clear();
        words_.clear();
    }
    // Words ever received, taken or not.
    std::uint64_t total() const { return total_; }

private:
    std::string text_;
    std::vector<std::uint16_t> words_;
    std::uint64_t total_ = 0;
    std::function<void()> on_change_;
};

}  // namespace sim

#endif
