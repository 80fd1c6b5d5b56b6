// What a scenario can look at on the board, for `expect` and `run until`.
// Each kind of condition is one row of a table that says how its words read,
// whether it holds, what was wanted and what the board shows instead, so a
// new kind is one more row:
//
//   lcd LINE [is|starts|ends|contains] "TEXT"   a text line (0..7) of the glass
//   led N on|off                                LED1..LED8
//   backlight on|off|PERCENT
//   serial "TEXT"                               the console bytes since the scenario began
//   handled                                     no button action runs or waits
#ifndef TOOLS_SCENARIO_SCENARIO_CONDITIONS_H
#define TOOLS_SCENARIO_SCENARIO_CONDITIONS_H

#include <cstddef>
#include <span>
#include <string>

#include "board/board.h"
#include "scenario_line.h"

namespace tools {

// What conditions look at: the board, and the console bytes since the
// scenario began.
class Sight {
public:
    explicit Sight(const sim::Board& board) : board_(board) {}

    const sim::Board& board() const { return board_; }
    void add_console(const std::string& bytes) { console_ += bytes; }
    const std::string& console() const { return console_; }
    // The console since the scenario began, with what the board has sent and
    // not yet handed over, holds text. Each call searches only what is new
    // since the last for the same text (see new_search).
    bool console_carries(const std::string& text) const;
    // Another text is looked for from now on.
    void new_search() { searched_ = 0; }

private:
    const sim::Board& board_;
    std::string console_;
    mutable std::size_t searched_ = 0;  // matches that begin before it were looked for
};

enum class TextMatch { Is, Starts, Ends, Contains };

struct Condition;

struct ConditionKind {
    const char* keyword;
    void (*read)(LineReader& in, Condition& condition);
    bool (*holds)(const Condition& condition, const Sight& sight);
    std::string (*wanted)(const Condition& condition);
    // What the board shows instead, when it does not hold.
    std::string (*found)(const Condition& condition, const Sight& sight);
};

// Every kind, in the order a message lists them.
std::span<const ConditionKind> condition_kinds();

struct Condition {
    const ConditionKind* kind = nullptr;
    int number = 0;  // the LCD line, the LED, the backlight's percent (-1: lit at all)
    bool on = false;
    TextMatch match = TextMatch::Is;
    std::string text;

    bool holds(const Sight& sight) const { return kind->holds(*this, sight); }
    std::string wanted() const { return kind->wanted(*this); }
    std::string found(const Sight& sight) const { return kind->found(*this, sight); }
};

// The condition the line's next words name.
Condition read_condition(LineReader& in);

}  // namespace tools

#endif
