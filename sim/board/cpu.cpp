#include "cpu.h"

#include <algorithm>

#include "fiber.h"

namespace sim {

namespace {
constexpr std::uint64_t CYCLES_PER_BUS_ACCESS = 2;
constexpr std::uint64_t CYCLES_PER_EXCEPTION_ENTRY = 12;
constexpr std::uint64_t CYCLES_PER_EXCEPTION_RETURN = 12;
constexpr std::uint32_t EXC_RETURN_HANDLER = 0xFFFFFFF1u;
constexpr std::uint32_t EXC_RETURN_THREAD_MSP = 0xFFFFFFF9u;
constexpr std::uint32_t EXC_RETURN_THREAD_PSP = 0xFFFFFFFDu;
}  // namespace

Cpu::Cpu(VirtualClock& clock, ExceptionState& exceptions, std::function<std::uint32_t()> hclk_hz,
         HandlerLookup handlers)
    : clock_(clock), exceptions_(exceptions), hclk_hz_(std::move(hclk_hz)), handlers_(std::move(handlers))
{
}

Cpu::~Cpu() = default;

Nanoseconds Cpu::cycles(std::uint64_t n) const
{
    const std::uint64_t hz = hclk_hz_();
    // A core without a clock would not run at all; keep time moving regardless.
    if (hz == 0) return n;
    return (n * 1000000000ull + hz - 1) / hz;
}

void Cpu::reset(std::function<void()> entry)
{
    if (running_ != nullptr) throw SimError("the board was reset from inside the firmware");
    firmware_.reset();
    entry_ = std::move(entry);
    stopped_ = false;
    stop_reason_.clear();
    idle_passes_ = 0;
    breakpoints_ = 0;
    aimed_ = nullptr;
    exc_returns_.clear();
    fault_on_process_stack_ = false;
}

void Cpu::resume(Fiber& fiber)
{
    running_ = &fiber;
    std::exception_ptr failure = fiber.resume();
    running_ = nullptr;
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (const FirmwareStopped& stop) {
        stopped_ = true;
        stop_reason_ = stop.what();
    } catch (const SimError& error) {
        stopped_ = true;
        stop_reason_ = error.what();
        throw;
    }
}

void Cpu::run(Nanoseconds deadline, const std::function<bool()>& stop_when)
{
    if (running_ != nullptr) throw SimError("run called from inside the firmware");
    deadline_ = deadline;
    stop_when_ = stop_when ? &stop_when : nullptr;
    if (!firmware_ && !stopped_ && entry_) firmware_ = std::make_unique<Fiber>(entry_);
    if (!stopped_ && firmware_ && !firmware_->finished()) resume(*firmware_);
    stop_when_ = nullptr;
    // A stopped core takes no part, but the board's devices go on until the deadline.
    if (stopped_ && !(stop_when && stop_when()) && clock_.now() < deadline) clock_.advance_to(deadline);
}

void Cpu::run_code(const std::function<void()>& code, Nanoseconds deadline)
{
    if (running_ != nullptr) throw SimError("run_code called from inside the firmware");
    Fiber fiber(code);
    deadline_ = deadline;
    stop_when_ = nullptr;
    while (!stopped_ && !fiber.finished()) {
        resume(fiber);
        if (!fiber.finished() && !stopped_ && clock_.now() >= deadline) {
            const std::string wait = describe_wait_ ? describe_wait_() : "";
            throw SimError("firmware code still running at the end of its time limit" +
                           (wait.empty() ? std::string() : ", busy-waiting on a " + wait + " that nothing will change"));
        }
    }
}

void Cpu::checkpoint()
{
    if (running_ == nullptr || Fiber::current() != running_) return;
    if (clock_.now() >= deadline_ || (stop_when_ != nullptr && (*stop_when_)())) running_->yield();
}

void Cpu::at_access(std::uint64_t n, std::function<void()> action)
{
    if (n == 0) throw SimError("at_access counts from the next access: n must be at least 1");
    aimed_at_ = accesses_ + n;
    aimed_ = std::move(action);
}

void Cpu::on_bus_access()
{
    ++accesses_;
    if (aimed_ && accesses_ == aimed_at_) {
        const std::function<void()> action = std::move(aimed_);
        aimed_ = nullptr;
        action();
    }
    clock_.advance(cycles(CYCLES_PER_BUS_ACCESS));
    take_pending();
    checkpoint();
}

void Cpu::idle()
{
    ++idle_passes_;
    take_pending();
    if (running_ != nullptr && Fiber::current() == running_) {
        // Nothing changes for the loop until the next event: skip to it.
        Nanoseconds until = deadline_;
        if (auto next = clock_.next_event_time()) until = std::min(until, *next);
        if (until > clock_.now()) clock_.advance_to(until);
        take_pending();
    }
    checkpoint();
}

void Cpu::spend_cycles(std::uint64_t n)
{
    const Nanoseconds end = clock_.now() + cycles(n);
    const bool in_run = running_ != nullptr && Fiber::current() == running_;
    while (clock_.now() < end) {
        Nanoseconds until = end;
        if (auto next = clock_.next_event_time()) until = std::min(until, std::max(*next, clock_.now()));
        if (in_run) until = std::min(until, std::max(deadline_, clock_.now()));
        clock_.advance_to(until);
        take_pending();
        if (in_run && clock_.now() >= deadline_) checkpoint();
    }
}

void Cpu::skip_to_next_event()
{
    const auto next = clock_.next_event_time();
    if (!next || *next <= clock_.now()) return;
    // Outside a run the test's own time has no deadline.
    const bool in_run = running_ != nullptr && Fiber::current() == running_;
    clock_.advance_to(in_run ? std::min(*next, std::max(deadline_, clock_.now())) : *next);
}

void Cpu::take_pending()
{
    if (taking_) return;  // an entry in progress takes no other until its handler runs
    while (const int exception = exceptions_.next_to_take()) enter(exception);
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
    clock_.advance(cycles(CYCLES_PER_EXCEPTION_ENTRY));
    taking_ = false;

    const Handler handler = handlers_ ? handlers_(exception) : nullptr;
    if (handler == nullptr) default_handler(exception);
    handler();

    clock_.advance(cycles(CYCLES_PER_EXCEPTION_RETURN));
    exceptions_.leave(exception);
    exc_returns_.pop_back();
}

void Cpu::default_handler(int exception)
{
    {
        const std::string what = exception >= 16 ? "interrupt " + std::to_string(exception - 16)
                                                 : "exception " + std::to_string(exception);
        stop_reason_ = "Default_Handler: " + what + " has no handler";
    }
    stop_here();
}

void Cpu::endless_loop(const std::string& why)
{
    stop_reason_ = why;
    stop_here();
}

void Cpu::stop_here()
{
    if (running_ != nullptr && Fiber::current() == running_) {
        stopped_ = true;
        // Never resumed: the board runs a stopped core no more. Whatever the
        // firmware's frames hold stays on its abandoned stack.
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

}  // namespace sim
