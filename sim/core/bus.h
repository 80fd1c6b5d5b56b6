// The virtual board's bus: every firmware access is dispatched by address to
// the model mapped there, through a page table. An access nobody maps, a
// misaligned one, or one to a peripheral whose clock is off is an error,
// never silently absorbed. The bit-band alias region reaches single bits of
// the peripherals. Before each access the bus master (the core) lets time
// pass and takes interrupts; a read that keeps returning the same value is a
// busy-wait, which the master may skip ahead.
#ifndef SIM_CORE_BUS_H
#define SIM_CORE_BUS_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access_trace.h"
#include "peripheral.h"
#include "virtual_clock.h"

namespace sim {

class BusMaster {
public:
    virtual ~BusMaster() = default;
    // Runs before every access of the firmware.
    virtual void before_access() = 0;
    // The code reads the same value again and again; nothing it reads can
    // change before quiet_until or the board's next event.
    virtual void busy_waiting(Nanoseconds quiet_until) = 0;
};

// A peripheral's clock enable: the bits of an enable register that must be set.
struct ClockGate {
    const std::uint32_t* enable_register = nullptr;
    std::uint32_t mask = 0;
    bool open() const { return enable_register == nullptr || (*enable_register & mask) == mask; }
};

class Bus {
public:
    explicit Bus(const VirtualClock& clock) : clock_(clock) {}
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    void map(std::uint32_t base, std::uint32_t size, Peripheral& model, std::string name, ClockGate gate = {});
    // Word w of the alias region stands for bit (w % 32) of the word at
    // target + 4 * (w / 32).
    void map_bit_band(std::uint32_t alias_base, std::uint32_t alias_size, std::uint32_t target_base);

    std::uint32_t read(std::uint32_t address, unsigned width);
    void write(std::uint32_t address, unsigned width, std::uint32_t value);

    void set_master(BusMaster* master) { master_ = master; }

    AccessTrace& trace() { return trace_; }
    const AccessTrace& trace() const { return trace_; }
    std::string describe(const BusAccess& access) const;

    static constexpr unsigned kPollReads = 4;
    // "32-bit read at 0x40004400 (USART2)" while the code busy-waits on that
    // register, else "".
    std::string busy_wait() const;

    // Name of the model at an address, or "" when nothing is mapped there.
    std::string name_at(std::uint32_t address) const;
    Peripheral* model_at(std::uint32_t address) const;

    void reset_all();

private:
    struct Region {
        std::uint32_t base;
        std::uint32_t size;
        Peripheral* model;  // null for the bit-band alias
        std::string name;
        ClockGate gate;
        std::uint32_t alias_target = 0;
    };
    static constexpr unsigned kPageBits = 10, kChunkBits = 20;
    static constexpr unsigned kSlots = 3;  // regions that share one page at most
    struct Page {
        std::array<const Region*, kSlots> regions{};
    };
    using Chunk = std::array<Page, 1u << (kChunkBits - kPageBits)>;

    const Region* find(std::uint32_t address) const
    {
        const Chunk* chunk = chunks_[address >> kChunkBits].get();
        if (chunk == nullptr) return nullptr;
        const Page& page = (*chunk)[(address >> kPageBits) & ((1u << (kChunkBits - kPageBits)) - 1)];
        for (const Region* r : page.regions)
            if (r != nullptr && address - r->base < r->size) return r;
        return nullptr;
    }
    void add(std::unique_ptr<Region> region);
    const Region& region_for(std::uint32_t address, unsigned width, bool write) const;
    std::uint32_t access(const Region& r, std::uint32_t address, unsigned width, bool write, std::uint32_t value);
    std::uint32_t alias_access(const Region& r, std::uint32_t address, unsigned width, bool write,
                               std::uint32_t value);
    void note_read(const Region& r, std::uint32_t address, unsigned width, std::uint32_t value);

    const VirtualClock& clock_;
    BusMaster* master_ = nullptr;
    std::vector<std::unique_ptr<Region>> regions_;
    std::array<std::unique_ptr<Chunk>, 1u << (32 - kChunkBits)> chunks_;
    AccessTrace trace_;
    struct {
        std::uint32_t address = 0;
        unsigned width = 0;
        std::uint32_t value = 0;
        unsigned repeats = 0;
        bool polling = false;
    } last_read_;
};

// The bus that the register cells of the firmware reach on this thread.
void set_active_bus(Bus* bus);
Bus* active_bus();

}  // namespace sim

#endif
