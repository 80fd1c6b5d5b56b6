#include "fiber.h"

#include "core/sim_error.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#define FIBER_ASAN 1
#else
#define FIBER_ASAN 0
#endif

namespace sim {

namespace {
thread_local Fiber* g_current = nullptr;
thread_local Fiber* g_starting = nullptr;
}  // namespace

Fiber::Fiber(std::function<void()> body, std::size_t stack_size)
    : body_(std::move(body)), stack_(new char[stack_size]), stack_size_(stack_size)
{
}

Fiber::~Fiber()
{
    if (running_) std::terminate();  // destroying the stack one stands on
#if FIBER_ASAN
    // A fiber abandoned mid-way leaves its frames' poisoning behind.
    __asan_unpoison_memory_region(stack_.get(), stack_size_);
#endif
}

Fiber* Fiber::current() { return g_current; }

std::exception_ptr Fiber::resume()
{
    if (finished_) throw SimError("resuming a fiber that has ended");
    if (running_) throw SimError("resuming a running fiber");
    if (!started_) {
        started_ = true;
        if (getcontext(&fiber_context_) != 0) throw SimError("getcontext failed");
        fiber_context_.uc_stack.ss_sp = stack_.get();
        fiber_context_.uc_stack.ss_size = stack_size_;
        fiber_context_.uc_link = nullptr;
        makecontext(&fiber_context_, &Fiber::trampoline, 0);
        g_starting = this;
    }
    resumed_from_ = g_current;
    g_current = this;
    running_ = true;
#if FIBER_ASAN
    __sanitizer_start_switch_fiber(&caller_fake_stack_, stack_.get(), stack_size_);
#endif
    swapcontext(&caller_context_, &fiber_context_);
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(caller_fake_stack_, nullptr, nullptr);
#endif
    running_ = false;
    g_current = resumed_from_;
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    return failure;
}

void Fiber::yield()
{
    if (g_current != this || !running_) throw SimError("yield from outside the fiber");
    switch_out(false);
}

void Fiber::switch_out(bool for_good)
{
#if FIBER_ASAN
    __sanitizer_start_switch_fiber(for_good ? nullptr : &fiber_fake_stack_, caller_stack_bottom_, caller_stack_size_);
#else
    (void)for_good;
#endif
    swapcontext(&fiber_context_, &caller_context_);
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(fiber_fake_stack_, &caller_stack_bottom_, &caller_stack_size_);
#endif
}

void Fiber::trampoline()
{
    Fiber* self = g_starting;
    g_starting = nullptr;
#if FIBER_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &self->caller_stack_bottom_, &self->caller_stack_size_);
#endif
    try {
        self->body_();
    } catch (...) {
        self->failure_ = std::current_exception();
    }
    self->finished_ = true;
    self->switch_out(true);
    std::terminate();  // a finished fiber is never resumed
}

}  // namespace sim
