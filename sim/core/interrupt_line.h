// The wire from a model to the core: every exception source (SysTick, EXTI,
// timers, USART, flash) raises and clears its request through one of these.
// A pulse pends the exception once, as SysTick and an edge detector do; a
// level stays asserted until the model clears it, and pends the exception
// again when its handler returns while still asserted.
#ifndef SIM_CORE_INTERRUPT_LINE_H
#define SIM_CORE_INTERRUPT_LINE_H

#include <string>

#include "exception_state.h"
#include "sim_error.h"

namespace sim {

class InterruptLine {
public:
    InterruptLine() = default;
    explicit InterruptLine(std::string name) : name_(std::move(name)) {}

    void connect(ExceptionState& core, int exception)
    {
        core_ = &core;
        exception_ = exception;
    }
    bool connected() const { return core_ != nullptr; }
    int exception() const { return exception_; }

    void pulse() { core().set_pending(exception_, true); }
    void set(bool asserted)
    {
        if (asserted == asserted_ && (!asserted || core().line_level(exception_))) return;
        asserted_ = asserted;
        core().set_line_level(exception_, asserted);
    }
    void raise() { set(true); }
    void clear() { set(false); }
    bool asserted() const { return asserted_; }

    // Power-on: the line is released (the core's state is reset on its own).
    void reset() { asserted_ = false; }

private:
    ExceptionState& core() const
    {
        if (core_ == nullptr) throw SimError("interrupt line " + name_ + " raised while wired to nothing");
        return *core_;
    }

    std::string name_;
    ExceptionState* core_ = nullptr;
    int exception_ = 0;
    bool asserted_ = false;
};

}  // namespace sim

#endif
