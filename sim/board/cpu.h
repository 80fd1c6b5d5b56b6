// The processor as the virtual board runs it: the firmware's own stack, where
// time passes at each bus access, how exceptions are taken (at the next bus
// access of the interrupted code, nested by priority, as the core does), the
// idle point's fast-forward, and the endless loops that end a run.
#ifndef SIM_BOARD_CPU_H
#define SIM_BOARD_CPU_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/sim_error.h"
#include "core/virtual_clock.h"
#include "models/exceptions.h"

namespace sim {

class Fiber;

// The firmware entered a state it never leaves (a halt, the default handler).
class FirmwareStopped : public SimError {
public:
    using SimError::SimError;
};

class Cpu {
public:
    using Handler = void (*)();
    using HandlerLookup = std::function<Handler(int exception)>;
    using WaitDescription = std::function<std::string()>;

    Cpu(VirtualClock& clock, ExceptionState& exceptions, std::function<std::uint32_t()> hclk_hz,
        HandlerLookup handlers);
    ~Cpu();

    // Where the code busy-waits, for the message of a run that runs out of time.
    void set_wait_description(WaitDescription describe) { describe_wait_ = std::move(describe); }

    // Drops whatever the firmware was doing; the next run starts at entry.
    void reset(std::function<void()> entry);
    // Lets the firmware run until the deadline or until stop_when() holds.
    // A SimError raised by the firmware's misuse of the board is rethrown here.
    void run(Nanoseconds deadline, const std::function<bool()>& stop_when);
    // Runs code on a stack of its own until it returns or the firmware stops.
    void run_code(const std::function<void()>& code, Nanoseconds deadline);

    // --- called from the firmware's side ----------------------------------
    void on_bus_access();
    void idle();
    // Code that keeps the core busy for n cycles without touching the bus;
    // interrupts are taken as they fall due.
    void spend_cycles(std::uint64_t n);
    // A busy-wait on a register: nothing it reads can change before the
    // board's next event, so time goes straight there.
    void skip_to_next_event();
    [[noreturn]] void endless_loop(const std::string& why);
    void breakpoint() { ++breakpoints_; }

    // Runs action as an interrupt would, just before the n-th bus access from
    // now (n >= 1): how a test aims an event at one exact point of the code.
    void at_access(std::uint64_t n, std::function<void()> action);
    std::uint64_t bus_accesses() const { return accesses_; }

    // --- the state of the run ---------------------------------------------
    bool stopped() const { return stopped_; }
    const std::string& stop_reason() const { return stop_reason_; }
    std::uint64_t idle_passes() const { return idle_passes_; }
    unsigned breakpoints() const { return breakpoints_; }
    Nanoseconds cycles(std::uint64_t n) const;

    // --- exception frames -------------------------------------------------
    void force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack);
    unsigned int* main_stack_frame() { return main_frame_; }
    unsigned int* process_stack_frame() { return process_frame_; }
    std::uint32_t exception_return() const;

private:
    [[noreturn]] void default_handler(int exception);
    [[noreturn]] void stop_here();
    void take_pending();
    void enter(int exception);
    void checkpoint();
    void resume(Fiber& fiber);

    VirtualClock& clock_;
    ExceptionState& exceptions_;
    std::function<std::uint32_t()> hclk_hz_;
    HandlerLookup handlers_;
    WaitDescription describe_wait_;

    std::unique_ptr<Fiber> firmware_;
    std::function<void()> entry_;
    Fiber* running_ = nullptr;
    Nanoseconds deadline_ = 0;
    const std::function<bool()>* stop_when_ = nullptr;

    bool stopped_ = false;
    std::string stop_reason_;
    std::uint64_t idle_passes_ = 0;
    unsigned breakpoints_ = 0;
    bool taking_ = false;
    std::uint64_t accesses_ = 0;
    std::uint64_t aimed_at_ = 0;
    std::function<void()> aimed_;

    std::vector<std::uint32_t> exc_returns_;
    bool fault_on_process_stack_ = false;
    unsigned int main_frame_[8] = {};
    unsigned int process_frame_[8] = {};
};

}  // namespace sim

#endif
