// A second stack for the firmware. The firmware runs on its own stack so that
// a test can stop it anywhere (at a bus access, at the idle point) and resume
// it later exactly there; only one side runs at a time, so runs stay
// deterministic. A switch saves and restores the callee-saved registers
// only: no system call. A fiber that is abandoned half-way is unwound, so
// whatever its frames own is released.
#ifndef SIM_CORE_FIBER_H
#define SIM_CORE_FIBER_H

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>

namespace sim {

class Fiber {
public:
    explicit Fiber(std::function<void()> body, std::size_t stack_size = 1u << 20);
    // Unwinds the fiber first if it is suspended half-way.
    ~Fiber();
    Fiber(const Fiber&) = delete;
    Fiber& operator=(const Fiber&) = delete;

    // Runs the fiber until it yields or its body ends. Returns the exception
    // the body ended with, if any.
    std::exception_ptr resume();
    // From inside the fiber: back to whoever resumed it.
    void yield();
    // From outside: ends a suspended fiber by unwinding its stack from the
    // point where it yielded.
    void unwind();

    bool started() const { return started_; }
    bool finished() const { return finished_; }
    bool running() const { return running_; }
    // The fiber running on this thread now, or null on the test's own stack.
    static Fiber* current();

private:
    struct Unwinding {};
    static void entry();
    void switch_in();
    void switch_out(bool for_good);

    std::function<void()> body_;
    std::unique_ptr<char[]> stack_;
    std::size_t stack_size_;
    void* fiber_sp_ = nullptr;
    void* caller_sp_ = nullptr;
    std::exception_ptr failure_;
    bool started_ = false;
    bool running_ = false;
    bool finished_ = false;
    bool unwinding_ = false;
    Fiber* resumed_from_ = nullptr;
    // Sanitizer bookkeeping of the two stacks.
    void* fiber_fake_stack_ = nullptr;
    void* caller_fake_stack_ = nullptr;
    const void* caller_stack_bottom_ = nullptr;
    std::size_t caller_stack_size_ = 0;
};

}  // namespace sim

#endif
