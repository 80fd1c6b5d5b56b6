// One line of a scenario, its words read left to right: every complaint
// names the file and the line, and shows the offending word safely (escaped
// and cut to a readable length).
#ifndef TOOLS_SCENARIO_SCENARIO_LINE_H
#define TOOLS_SCENARIO_SCENARIO_LINE_H

#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/time.h"
#include "scenario_words.h"

namespace tools {

// "file:line: what was expected"; also a file that cannot be read.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "file:line" for messages, the file's name made safe to show.
std::string place(const std::string& file, int line);

class LineReader {
public:
    LineReader(const std::string& file, int line, std::vector<Word> words)
        : file_(file), line_(line), words_(std::move(words))
    {
    }

    [[noreturn]] void fail(const std::string& what) const;

    bool done() const { return next_ >= words_.size(); }
    // What stands where a word was expected, for messages.
    std::string found() const;

    // A bare word.
    std::string word(const std::string& expected);
    // The next word if it is this bare keyword.
    bool take(const std::string& keyword);
    // A text in double quotes.
    std::string quoted_text(const std::string& expected);
    // One of the choices, by index.
    std::size_t choice(std::initializer_list<const char*> choices, const std::string& expected);
    long long integer(const std::string& expected, long long low, long long high);
    // A duration of at most a year.
    sim::Nanoseconds duration(const std::string& what);
    // Nothing more on the line.
    void end();

private:
    const std::string& file_;
    int line_;
    std::vector<Word> words_;
    std::size_t next_ = 0;
};

}  // namespace tools

#endif
