#include "key_decoder.h"

#include <optional>

namespace tools {

namespace {

constexpr char kEscape = '\x1b';
// A control sequence longer than this is not one a keyboard sends.
constexpr std::size_t kLongestSequence = 16;

std::optional<KeyCode> arrow(char final_byte)
{
    switch (final_byte) {
    case 'A': return KeyCode::Up;
    case 'B': return KeyCode::Down;
    case 'C': return KeyCode::Right;
    case 'D': return KeyCode::Left;
    default: return std::nullopt;
    }
}

bool parameter_or_intermediate(char byte) { return byte >= 0x20 && byte <= 0x3F; }
bool final_byte(char byte) { return byte >= 0x40 && byte <= 0x7E; }

}  // namespace

std::vector<Key> KeyDecoder::feed(std::string_view bytes)
{
    std::vector<Key> keys;
    for (char byte : bytes) take(byte, keys);
    return keys;
}

std::vector<Key> KeyDecoder::flush()
{
    std::vector<Key> keys;
    if (sequence_.size() == 1) keys.push_back(Key{KeyCode::Escape, 0});
    sequence_.clear();
    return keys;
}

void KeyDecoder::take(char byte, std::vector<Key>& keys)
{
    if (sequence_.empty())
        take_plain(byte, keys);
    else
        take_in_sequence(byte, keys);
}

void KeyDecoder::take_plain(char byte, std::vector<Key>& keys)
{
    switch (byte) {
    case kEscape: sequence_ = byte; return;
    case '\r':
    case '\n': keys.push_back(Key{KeyCode::Enter, 0}); return;
    case '\x7f':
    case '\b': keys.push_back(Key{KeyCode::Backspace, 0}); return;
    case '\x03': keys.push_back(Key{KeyCode::Interrupt, 0}); return;
    default:
        // Other control bytes and the bytes of non-ASCII characters mean nothing here.
        if (byte >= 0x20 && byte < 0x7F) keys.push_back(Key::of(byte));
        return;
    }
}

void KeyDecoder::take_in_sequence(char byte, std::vector<Key>& keys)
{
    if (sequence_.size() == 1) {
        if (byte == '[' || byte == 'O') {
            sequence_ += byte;
            return;
        }
        // ESC then a plain byte: Escape pressed, then that key (Alt held
        // sends the same).
        sequence_.clear();
        keys.push_back(Key{KeyCode::Escape, 0});
        take_plain(byte, keys);
        return;
    }
    const bool control_sequence = sequence_[1] == '[';
    if (control_sequence && parameter_or_intermediate(byte) && sequence_.size() < kLongestSequence) {
        sequence_ += byte;
        return;
    }
    if (final_byte(byte)) {
        // Modified arrows (ESC [ 1 ; 5 C) turn like plain ones; every other
        // complete sequence (function keys, Home, mouse) is swallowed whole.
        if (const std::optional<KeyCode> code = arrow(byte)) keys.push_back(Key{*code, 0});
        sequence_.clear();
        return;
    }
    // Not a sequence after all: drop what came so far and read the byte afresh.
    sequence_.clear();
    take_plain(byte, keys);
}

}  // namespace tools
