// Turns the bytes a terminal sends in raw mode into keys. Arrow keys come as
// escape sequences that a read may cut anywhere, so an unfinished sequence
// waits for the next bytes; an escape with nothing after it is the Escape key
// once the caller decides no more is coming (flush).
#ifndef TOOLS_INTERACTIVE_KEY_DECODER_H
#define TOOLS_INTERACTIVE_KEY_DECODER_H

#include <string>
#include <string_view>
#include <vector>

namespace tools {

enum class KeyCode {
    Character,  // a printable ASCII character
    Enter,
    Backspace,
    Escape,
    Interrupt,  // Ctrl-C, when the terminal hands it over as a byte
    Up,
    Down,
    Left,
    Right,
};

struct Key {
    KeyCode code = KeyCode::Character;
    char character = 0;  // for KeyCode::Character

    static Key of(char c) { return Key{KeyCode::Character, c}; }
    bool operator==(const Key&) const = default;
};

class KeyDecoder {
public:
    std::vector<Key> feed(std::string_view bytes);
    // Ends an unfinished sequence: a lone escape is the Escape key, anything
    // longer that never finished is dropped.
    std::vector<Key> flush();
    bool unfinished() const { return !sequence_.empty(); }

private:
    void take(char byte, std::vector<Key>& keys);
    void take_plain(char byte, std::vector<Key>& keys);
    void take_in_sequence(char byte, std::vector<Key>& keys);

    std::string sequence_;  // an escape sequence so far, ESC included
};

}  // namespace tools

#endif
