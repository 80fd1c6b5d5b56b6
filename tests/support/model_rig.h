// The one rig of the model tests: a clock, a bus with only the models a test
// mounts (at their wiring's addresses, interrupt lines connected), and the
// core's exception state. With the core switched on, the rig's accesses take
// time and its interrupts are taken by handlers the test sets.
#ifndef TESTS_SUPPORT_MODEL_RIG_H
#define TESTS_SUPPORT_MODEL_RIG_H

#include <array>
#include <string>
#include <functional>
#include <string_view>
#include <utility>

#include "board/wiring.h"
#include "core/bus.h"
#include "core/cpu.h"
#include "core/exception_state.h"
#include "core/interrupt_line.h"
#include "core/sim_error.h"
#include "core/virtual_clock.h"

class ModelRig {
public:
    ModelRig()
    {
        exceptions.reset();
        current() = this;
        sim::set_active_bus(&bus);
    }
    ~ModelRig()
    {
        sim::set_active_bus(nullptr);
        current() = nullptr;
    }
    ModelRig(const ModelRig&) = delete;
    ModelRig& operator=(const ModelRig&) = delete;

    // Maps model where the wiring puts the peripheral, with its interrupt
    // lines; no clock gate.
    template <class Model>
    Model& mount(std::string_view name, Model& model)
    {
        const sim::WiringRow& row = sim::wiring_row(name);
        bus.map(row.base, row.size, model, std::string(row.name));
        for (std::size_t n = 0; n < row.interrupts.size(); ++n) {
            if (row.interrupts[n] == sim::kNoInterrupt) continue;
            sim::InterruptLine* line = model.interrupt_line(n);
            if (line == nullptr) throw sim::SimError(std::string(name) + " has no interrupt line " + std::to_string(n));
            line->connect(exceptions, row.interrupts[n]);
        }
        return model;
    }

    // From here on every access costs the core's time and takes interrupts.
    void use_core() { bus.set_master(&cpu); }
    void on_exception(int exception, std::function<void()> handler)
    {
        handlers_[static_cast<std::size_t>(exception)] = std::move(handler);
    }

    std::uint32_t read(std::uint32_t address, unsigned width = 4) { return bus.read(address, width); }
    void write(std::uint32_t address, std::uint32_t value, unsigned width = 4) { bus.write(address, width, value); }

    sim::VirtualClock clock;
    sim::ExceptionState exceptions;
    sim::Bus bus{clock};
    sim::Cpu cpu{clock, exceptions, &ModelRig::lookup};

private:
    static constexpr std::size_t kExceptions = sim::ExceptionState::kCount;
    static ModelRig*& current()
    {
        static ModelRig* rig = nullptr;
        return rig;
    }
    template <std::size_t E>
    static void dispatch()
    {
        current()->handlers_[E]();
    }
    template <std::size_t... E>
    static constexpr std::array<sim::Cpu::Handler, kExceptions> dispatchers(std::index_sequence<E...>)
    {
        return {&dispatch<E>...};
    }
    static sim::Cpu::Handler lookup(int exception)
    {
        static constexpr auto table = dispatchers(std::make_index_sequence<kExceptions>{});
        ModelRig* rig = current();
        if (rig == nullptr || exception < 0 || exception >= static_cast<int>(kExceptions)) return nullptr;
        return rig->handlers_[static_cast<std::size_t>(exception)] ? table[static_cast<std::size_t>(exception)]
                                                                    : nullptr;
    }

    std::array<std::function<void()>, kExceptions> handlers_;
};

#endif
