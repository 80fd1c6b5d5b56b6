#include "fiber.h"

#include <cstdint>
#include <cstring>

#include "sim_error.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#define FIBER_ASAN 1
#else
#define FIBER_ASAN 0
#endif

#if !defined(__x86_64__)
#error "the virtual board's fiber switch is written for x86-64 hosts"
#endif

// Saves the callee-saved registers on the current stack, stores the stack
// pointer in *save, and resumes the stack at load, which was saved the same
// way (or laid out so by prepare_stack). The floating-point control words are
// left alone: neither the firmware nor the board ever changes them, and
// reloading them would cost more than the rest of the switch.
extern "C" void tiltmon_fiber_switch(void** save, void* load);
// First code of a new fiber: calls the function in rbx with a clean frame chain.
extern "C" void tiltmon_fiber_start();

asm(R"(
    .text
    .globl tiltmon_fiber_switch
    .type tiltmon_fiber_switch, @function
tiltmon_fiber_switch:
    .cfi_startproc
    pushq %rbp
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    movq %rsp, (%rdi)
    movq %rsi, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    popq %rbp
    ret
    .cfi_endproc
    .size tiltmon_fiber_switch, .-tiltmon_fiber_switch

    .globl tiltmon_fiber_start
    .type tiltmon_fiber_start, @function
tiltmon_fiber_start:
    xorl %ebp, %ebp
    callq *%rbx
    ud2
    .size tiltmon_fiber_start, .-tiltmon_fiber_start
)");

namespace sim {

namespace {

thread_local Fiber* g_current = nullptr;
thread_local Fiber* g_starting = nullptr;

// The layout tiltmon_fiber_switch pops: r15, r14, r13, r12, rbx, rbp, return
// address; after the return the stack is 16-byte aligned, as the start
// code's call needs.
void* prepare_stack(char* base, std::size_t size, void (*start)())
{
    auto top = reinterpret_cast<std::uintptr_t>(base + size) & ~std::uintptr_t{15};
    auto* frame = reinterpret_cast<std::uint64_t*>(top - 16 - 56);
    std::memset(frame, 0, 56);
    frame[4] = reinterpret_cast<std::uint64_t>(start);  // rbx
    frame[6] = reinterpret_cast<std::uint64_t>(&tiltmon_fiber_start);
    return frame;
}

}  // namespace

Fiber::Fiber(std::function<void()> body, std::size_t stack_size)
    : body_(std::move(body)), stack_(new char[stack_size]), stack_size_(stack_size)
{
}

Fiber::~Fiber()
{
    if (running_) std::terminate();  // destroying the stack one stands on
    if (started_ && !finished_) {
        try {
            unwind();
        } catch (...) {
            std::terminate();  // a stack that cannot be unwound cannot be released either
        }
    }
#if FIBER_ASAN
    // A fiber's frames leave their poisoning behind on its stack.
    __asan_unpoison_memory_region(stack_.get(), stack_size_);
#endif
}

Fiber* Fiber::current() { return g_current; }

void Fiber::switch_in()
{
    resumed_from_ = g_current;
    g_current = this;
    running_ = true;
#if FIBER_ASAN
    __sanitizer_start_switch_fiber(&caller_fake_stack_, stack_.get(), stack_size_);
#endif
    tiltmon_fiber_switch(&caller_sp_, fiber_sp_);
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(caller_fake_stack_, nullptr, nullptr);
#endif
    running_ = false;
    g_current = resumed_from_;
}

std::exception_ptr Fiber::resume()
{
    if (finished_) throw SimError("resuming a fiber that has ended");
    if (running_) throw SimError("resuming a running fiber");
    if (!started_) {
        started_ = true;
        fiber_sp_ = prepare_stack(stack_.get(), stack_size_, &Fiber::entry);
        g_starting = this;
    }
    switch_in();
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    return failure;
}

void Fiber::yield()
{
    if (g_current != this || !running_) throw SimError("yield from outside the fiber");
    switch_out(false);
    if (unwinding_) throw Unwinding{};
}

void Fiber::unwind()
{
    if (running_) throw SimError("unwinding a running fiber");
    if (finished_) return;
    if (!started_) {
        finished_ = true;
        return;
    }
    unwinding_ = true;
    switch_in();
    failure_ = nullptr;
}

void Fiber::switch_out(bool for_good)
{
#if FIBER_ASAN
    __sanitizer_start_switch_fiber(for_good ? nullptr : &fiber_fake_stack_, caller_stack_bottom_, caller_stack_size_);
#else
    (void)for_good;
#endif
    tiltmon_fiber_switch(&fiber_sp_, caller_sp_);
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(fiber_fake_stack_, &caller_stack_bottom_, &caller_stack_size_);
#endif
}

void Fiber::entry()
{
    Fiber* self = g_starting;
    g_starting = nullptr;
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &self->caller_stack_bottom_, &self->caller_stack_size_);
#endif
    try {
        self->body_();
    } catch (const Unwinding&) {
        // abandoned by its owner: nothing to report
    } catch (...) {
        self->failure_ = std::current_exception();
    }
    self->finished_ = true;
    self->switch_out(true);
    std::terminate();  // a finished fiber is never resumed
}

}  // namespace sim
