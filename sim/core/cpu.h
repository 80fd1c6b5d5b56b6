// The processor as the virtual board runs it: the firmware on its own stack,
// time passing at each bus access, exceptions taken as the core takes them
// (at the next bus access of the interrupted code, by priority, under
// PRIMASK, nested), the idle point's fast-forward, the endless loops that end
// a run, a system reset, and hardware events that tests aim at one exact bus
// access.
#ifndef SIM_CORE_CPU_H
#define SIM_CORE_CPU_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bus.h"
#include "exception_state.h"
#include "sim_error.h"
#include "virtual_clock.h"

namespace sim {

class Fiber;

// The firmware entered a state it never leaves (a halt, the default handler).
class FirmwareStopped : public SimError {
public:
    using SimError::SimError;
};

class Cpu : public BusMaster {
public:
    using Handler = void (*)();
    using HandlerLookup = Handler (*)(int exception);
    using WaitDescription = std::function<std::string()>;

    static constexpr std::uint64_t kCyclesPerBusAccess = 2;
    static constexpr std::uint64_t kCyclesPerExceptionEntry = 12;
    static constexpr std::uint64_t kCyclesPerExceptionReturn = 12;

    Cpu(VirtualClock& clock, ExceptionState& exceptions, HandlerLookup handlers);
    ~Cpu() override;
    Cpu(const Cpu&) = delete;
    Cpu& operator=(const Cpu&) = delete;

    // The core clock (HCLK), which sets what a cycle costs.
    void set_core_clock(std::uint32_t hz);
    std::uint32_t core_clock() const { return core_hz_; }
    Nanoseconds cycles(std::uint64_t n) const;

    // Where the code busy-waits, for the message of a run that runs out of time.
    void set_wait_description(WaitDescription describe) { describe_wait_ = std::move(describe); }
    // What a system reset requested by the firmware resets (the board's part).
    void set_system_reset(std::function<void()> reset_board) { reset_board_ = std::move(reset_board); }

    // Power-on: drops whatever the firmware was doing (unwinding its stack);
    // the next run starts at entry.
    void reset(std::function<void()> entry);
    // Lets the firmware run until the deadline or until stop_when() holds.
    // stop_when is tested where it can change (see note_change). A SimError
    // raised by the firmware's misuse of the board is rethrown here.
    void run(Nanoseconds deadline, const std::function<bool()>* stop_when);
    // Runs code on a stack of its own until it returns or the firmware stops.
    void run_code(const std::function<void()>& code, Nanoseconds deadline);

    // Something a run's condition may look at has changed: the condition is
    // tested before the next access. Handler returns and idle passes count
    // as changes too.
    void note_change() { stop_at_ = 0; }

    // --- called from the firmware's side ----------------------------------
    void before_access() override;
    void busy_waiting(Nanoseconds quiet_until) override;
    void idle();
    // Code that keeps the core busy for n cycles without touching the bus;
    // interrupts are taken as they fall due.
    void spend_cycles(std::uint64_t n);
    [[noreturn]] void endless_loop(const std::string& why);
    // SYSRESETREQ: the chip resets and starts again at the reset entry.
    [[noreturn]] void system_reset();
    void breakpoint()
    {
        ++breakpoints_;
        if (on_breakpoint_) on_breakpoint_();
    }
    // The attached debugger's part when the firmware stops at a breakpoint.
    void set_breakpoint_action(std::function<void()> action) { on_breakpoint_ = std::move(action); }
    // After PRIMASK is cleared the core takes what waits at once.
    void take_pending();

    // Runs a hardware event (a pin driven, a button pressed, an interrupt
    // pended) just before the n-th bus access from now (n >= 1); the core then
    // takes what it raised as the chip would, PRIMASK and priorities included.
    void at_access(std::uint64_t n, std::function<void()> hardware_event);
    std::uint64_t bus_accesses() const { return accesses_; }

    // --- the state of the run ---------------------------------------------
    bool stopped() const { return stopped_; }
    const std::string& stop_reason() const { return stop_reason_; }
    std::uint64_t idle_passes() const { return idle_passes_; }
    std::uint64_t system_resets() const { return system_resets_; }
    unsigned breakpoints() const { return breakpoints_; }
    bool in_firmware() const;

    // --- exception frames -------------------------------------------------
    void force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack);
    unsigned int* main_stack_frame() { return main_frame_; }
    unsigned int* process_stack_frame() { return process_frame_; }
    std::uint32_t exception_return() const;
    // The exception state this core takes its exceptions from (PRIMASK included).
    ExceptionState& exceptions() { return exceptions_; }

private:
    struct ResetRequest {};

    [[noreturn]] void default_handler(int exception);
    [[noreturn]] void stop_here();
    void enter(int exception);
    void checkpoint();
    void fire_aimed();
    void resume(Fiber& fiber);
    void restart_firmware();
    void clear_run_state();

    VirtualClock& clock_;
    ExceptionState& exceptions_;
    HandlerLookup handlers_;
    WaitDescription describe_wait_;
    std::function<void()> reset_board_;
    std::function<void()> on_breakpoint_;
    std::uint32_t core_hz_ = 16000000u;
    Nanoseconds access_ns_ = 0;
    Nanoseconds entry_ns_ = 0;
    Nanoseconds return_ns_ = 0;

    std::unique_ptr<Fiber> firmware_;
    std::function<void()> entry_;
    Fiber* running_ = nullptr;
    Nanoseconds deadline_ = 0;
    Nanoseconds stop_at_ = kNever;  // the next access at or after this time checks the run
    const std::function<bool()>* stop_when_ = nullptr;

    bool stopped_ = false;
    std::string stop_reason_;
    std::uint64_t idle_passes_ = 0;
    std::uint64_t system_resets_ = 0;
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

// The core that runs the firmware on this thread, as the active bus is the
// bus its register cells reach: the platform operations act on it.
void set_active_cpu(Cpu* cpu);
Cpu* active_cpu();

}  // namespace sim

#endif
