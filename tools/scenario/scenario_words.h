// The words of one scenario line: bare words and double-quoted texts (with
// \" \\ \n \r \t inside), and a # outside quotes, even straight after a
// word, that starts a comment.
// Durations ("500ms", "2.5s", "3min", "1h") and numbers as the steps take them.
#ifndef TOOLS_SCENARIO_SCENARIO_WORDS_H
#define TOOLS_SCENARIO_SCENARIO_WORDS_H

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/time.h"

namespace tools {

struct Word {
    std::string text;
    bool quoted = false;
};

// A line that cannot be split: an unterminated quote, an unknown escape.
class WordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<Word> split_words(const std::string& line);

// A positive span of virtual time, to the nearest nanosecond; nullopt when
// the text is no duration or rounds to none.
std::optional<sim::Nanoseconds> parse_duration(const std::string& text);

// A decimal integer with an optional sign, nothing else.
std::optional<long long> parse_integer(const std::string& text);
// A finite decimal number.
std::optional<double> parse_decimal(const std::string& text);

}  // namespace tools

#endif
