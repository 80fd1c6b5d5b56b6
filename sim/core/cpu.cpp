#include "cpu.h"

#include <algorithm>

#include "fiber.h"

namespace sim {

namespace {
constexpr std::uint32_t EXC_RETURN_HANDLER = 0xFFFFFFF1u;
constexpr std::uint32_t EXC_RETURN_THREAD_MSP = 0xFFFFFFF9u;
constexpr std::uint32_t EXC_RETURN_THREAD_PSP = 0xFFFFFFFDu;
}  // namespace

Cpu::Cpu(VirtualClock& clock, ExceptionState& exceptions, HandlerLookup handlers)
    : clock_(clock), exceptions_(exceptions), handlers_(handlers)
{
    set_core_clock(core_hz_);
}

Cpu::~Cpu() = default;

void Cpu::set_core_clock(std::uint32_t hz)
{
    core_hz_ = hz;
    access_ns_ = cycles(kCyclesPerBusAccess);
    entry_ns_ = cycles(kCyclesPerExceptionEntry);
    return_ns_ = cycles(kCyclesPerExceptionReturn);
}

Nanoseconds Cpu::cycles(std::uint64_t n) const
{
    // A core without a clock would not run at all; keep time moving regardless.
    if (core_hz_ == 0) return n;
    return time_of_ticks(n, core_hz_);
}

bool Cpu::in_firmware() const { return running_ != nullptr && Fiber::current() == running_; }

void Cpu::clear_run_state()
{
    stopped_ = false;
    stop_reason_.clear();
    idle_passes_ = 0;
    breakpoints_ = 0;
    aimed_ = nullptr;
    aimed_at_ = 0;
    exc_returns_.clear();
    fault_on_process_stack_ = false;
    taking_ = false;
}

void Cpu::reset(std::function<void()> entry)
{
    if (running_ != nullptr) throw SimError("the board was reset from inside the firmware");
    firmware_.reset();  // unwinds whatever the firmware's stack still held
    entry_ = std::move(entry);
    system_resets_ = 0;
    clear_run_state();
}

void Cpu::restart_firmware()
{
    ++system_resets_;
    firmware_.reset();
    exc_returns_.clear();
    fault_on_process_stack_ = false;
    taking_ = false;
    if (reset_board_) reset_board_();
    firmware_ = std::make_unique<Fiber>(entry_);
}

void Cpu::resume(Fiber& fiber)
{
    running_ = &fiber;
    std::exception_ptr failure = fiber.resume();
    running_ = nullptr;
    if (!failure) {
        if (fiber.finished() && &fiber == firmware_.get()) {
            stopped_ = true;
            stop_reason_ = "the firmware's reset entry returned";
        }
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const ResetRequest&) {
        if (&fiber != firmware_.get())
            throw SimError("system reset requested by code run on its own stack, outside the firmware's run");
        restart_firmware();
    } catch (const FirmwareStopped& stop) {
        stopped_ = true;
        stop_reason_ = stop.what();
    } catch (const SimError& error) {
        stopped_ = true;
        stop_reason_ = error.what();
        throw;
    }
}

void Cpu::run(Nanoseconds deadline, const std::function<bool()>* stop_when)
{
    if (running_ != nullptr) throw SimError("run called from inside the firmware");
    deadline_ = deadline;
    stop_when_ = stop_when;
    stop_at_ = deadline;
    if (!firmware_ && !stopped_ && entry_) firmware_ = std::make_unique<Fiber>(entry_);
    try {
        // A system reset ends one fiber and starts the next within the run.
        while (!stopped_ && firmware_ && !firmware_->finished()) {
            const std::uint64_t resets = system_resets_;
            resume(*firmware_);
            if (system_resets_ == resets) break;
        }
    } catch (...) {
        stop_when_ = nullptr;
        stop_at_ = kNever;
        throw;
    }
    stop_when_ = nullptr;
    stop_at_ = kNever;
    // A stopped core takes no part, but the board's devices go on until the deadline.
    if (stopped_ && !(stop_when != nullptr && (*stop_when)()) && clock_.now() < deadline) clock_.advance_to(deadline);
}

void Cpu::run_code(const std::function<void()>& code, Nanoseconds deadline)
{
    if (running_ != nullptr) throw SimError("run_code called from inside the firmware");
    Fiber fiber(code);
    deadline_ = deadline;
    stop_when_ = nullptr;
    stop_at_ = deadline;
    try {
        while (!stopped_ && !fiber.finished()) {
            resume(fiber);
            if (!fiber.finished() && !stopped_ && clock_.now() >= deadline) {
                const std::string wait = describe_wait_ ? describe_wait_() : "";
                throw SimError("firmware code still running at the end of its time limit" +
                               (wait.empty() ? std::string()
                                             : ", busy-waiting on a " + wait + " that nothing will change"));
            }
        }
    } catch (...) {
        stop_at_ = kNever;
        throw;
    }
    stop_at_ = kNever;
}

void Cpu::checkpoint()
{
    if (!in_firmware()) {
        stop_at_ = kNever;
        return;
    }
    if (clock_.now() >= deadline_ || (stop_when_ != nullptr && (*stop_when_)())) {
        running_->yield();
        return;  // the next run has set what to check
    }
    stop_at_ = deadline_;
}

void Cpu::at_access(std::uint64_t n, std::function<void()> hardware_event)
{
    if (n == 0) throw SimError("at_access counts from the next access: n must be at least 1");
    aimed_at_ = accesses_ + n;
    aimed_ = std::move(hardware_event);
}

void Cpu::fire_aimed()
{
    const std::function<void()> event = std::move(aimed_);
    aimed_ = nullptr;
    aimed_at_ = 0;
    if (event) event();
}

void Cpu::before_access()
{
    ++accesses_;
    if (accesses_ == aimed_at_) fire_aimed();
    clock_.advance(access_ns_);
    if (exceptions_.changed()) take_pending();
    if (clock_.now() >= stop_at_) checkpoint();
}

void Cpu::idle()
{
    ++idle_passes_;
    if (exceptions_.changed()) take_pending();
    if (in_firmware()) {
        // Nothing changes for the loop until the next event: skip to it.
        const Nanoseconds until = std::min(deadline_, clock_.next_due());
        if (until > clock_.now()) clock_.advance_to(until);
        if (exceptions_.changed()) take_pending();
    }
    note_change();
    checkpoint();
}

void Cpu::spend_cycles(std::uint64_t n)
{
    const Nanoseconds end = clock_.now() + cycles(n);
    const bool in_run = in_firmware();
    while (clock_.now() < end) {
        Nanoseconds until = std::min(end, std::max(clock_.next_due(), clock_.now()));
        if (in_run) until = std::min(until, std::max(deadline_, clock_.now()));
        clock_.advance_to(until);
        if (exceptions_.changed()) take_pending();
        if (in_run && clock_.now() >= std::min(deadline_, stop_at_)) checkpoint();
    }
}

void Cpu::busy_waiting(Nanoseconds quiet_until)
{
    const Nanoseconds now = clock_.now();
    Nanoseconds next = std::min(clock_.next_due(), quiet_until);
    // Repeated reads are taken for a wait only up to the next change the
    // board knows of: with none coming, the code goes on reading.
    if (next == kNever) return;
    if (in_firmware()) next = std::min(next, std::max(deadline_, now));
    if (next > now) clock_.advance_to(next);
}

void Cpu::take_pending()
{
    if (taking_) return;  // an entry in progress takes no other until its handler runs
    while (const int exception = exceptions_.next_to_take()) enter(exception);
    exceptions_.mark_seen();
}

void Cpu::enter(int exception)
{
    std::uint32_t exc_return = EXC_RETURN_HANDLER;
    if (exceptions_.current() == 0)
        exc_return = (exception == ExceptionState::kHardFault && fault_on_process_stack_) ? EXC_RETURN_THREAD_PSP
                                                                                           : EXC_RETURN_THREAD_MSP;
    taking_ = true;
    exc_returns_.push_back(exc_return);
    exceptions_.enter(exception);
    clock_.advance(entry_ns_);
    taking_ = false;

    const Handler handler = handlers_ != nullptr ? handlers_(exception) : nullptr;
    if (handler == nullptr) default_handler(exception);
    handler();

    clock_.advance(return_ns_);
    exceptions_.leave(exception);
    exc_returns_.pop_back();
    note_change();
}

void Cpu::default_handler(int exception)
{
    stop_reason_ = "Default_Handler: " +
                   (exception >= 16 ? "interrupt " + std::to_string(exception - 16)
                                    : "exception " + std::to_string(exception)) +
                   " has no handler";
    stop_here();
}

void Cpu::endless_loop(const std::string& why)
{
    stop_reason_ = why;
    stop_here();
}

void Cpu::system_reset()
{
    if (running_ != nullptr && Fiber::current() == running_) throw ResetRequest{};
    throw SimError("system reset requested outside a run of the firmware");
}

void Cpu::stop_here()
{
    if (in_firmware()) {
        stopped_ = true;
        // Never resumed for real: the board runs a stopped core no more. The
        // stack is unwound when the firmware is dropped at the next power-on.
        for (;;) running_->yield();
    }
    throw FirmwareStopped(stop_reason_);
}

void Cpu::force_hard_fault(const std::uint32_t (&frame)[8], bool on_process_stack)
{
    unsigned int* target = on_process_stack ? process_frame_ : main_frame_;
    std::copy(std::begin(frame), std::end(frame), target);
    fault_on_process_stack_ = on_process_stack;
    exceptions_.set_pending(ExceptionState::kHardFault, true);
}

std::uint32_t Cpu::exception_return() const
{
    return exc_returns_.empty() ? EXC_RETURN_THREAD_MSP : exc_returns_.back();
}

namespace {
thread_local Cpu* g_active_cpu = nullptr;
}

void set_active_cpu(Cpu* cpu) { g_active_cpu = cpu; }
Cpu* active_cpu() { return g_active_cpu; }

}  // namespace sim
