#include "bus.h"

#include <cstdio>

#include "reg_access.h"
#include "sim_error.h"

namespace sim {

void Bus::add(std::unique_ptr<Region> region)
{
    const std::uint64_t end = static_cast<std::uint64_t>(region->base) + region->size;
    if (region->size == 0 || end > (1ull << 32))
        throw SimError("bus: " + region->name + " at " + hex32(region->base) + " has a bad size");
    for (const auto& r : regions_) {
        if (region->base < static_cast<std::uint64_t>(r->base) + r->size && r->base < end)
            throw SimError("bus: " + region->name + " at " + hex32(region->base) + " overlaps " + r->name);
    }
    const std::uint32_t first_page = region->base >> kPageBits;
    const std::uint32_t last_page = static_cast<std::uint32_t>((end - 1) >> kPageBits);
    for (std::uint32_t page = first_page; page <= last_page; ++page) {
        auto& chunk = chunks_[page >> (kChunkBits - kPageBits)];
        if (!chunk) chunk = std::make_unique<Chunk>();
        Page& slot = (*chunk)[page & ((1u << (kChunkBits - kPageBits)) - 1)];
        bool placed = false;
        for (const Region*& r : slot.regions) {
            if (r == nullptr) {
                r = region.get();
                placed = true;
                break;
            }
        }
        if (!placed) throw SimError("bus: too many regions share the page of " + region->name);
        if (page == last_page) break;  // the last page of the address space
    }
    regions_.push_back(std::move(region));
}

void Bus::map(std::uint32_t base, std::uint32_t size, Peripheral& model, std::string name, ClockGate gate)
{
    add(std::make_unique<Region>(Region{base, size, &model, std::move(name), gate}));
}

void Bus::map_bit_band(std::uint32_t alias_base, std::uint32_t alias_size, std::uint32_t target_base)
{
    add(std::make_unique<Region>(Region{alias_base, alias_size, nullptr, "bit-band alias", {}, target_base}));
}

const Bus::Region& Bus::region_for(std::uint32_t address, unsigned width, bool write) const
{
    if (width != 1 && width != 2 && width != 4)
        throw SimError("bus: " + std::to_string(width) + "-byte access at " + hex32(address));
    if (address % width != 0) throw SimError("bus: misaligned " + access_text(width, write) + " at " + hex32(address));
    const Region* r = find(address);
    if (r == nullptr) throw SimError("bus: unmapped " + access_text(width, write) + " at " + hex32(address));
    if (address - r->base + width > r->size)
        throw SimError("bus: " + access_text(width, write) + " at " + hex32(address) + " runs past the end of " +
                       r->name);
    if (!r->gate.open())
        throw SimError("bus: " + access_text(width, write) + " at " + hex32(address) + " (" + r->name +
                       ") while its peripheral clock is off");
    return *r;
}

std::uint32_t Bus::alias_access(const Region& r, std::uint32_t address, unsigned width, bool write,
                                std::uint32_t value)
{
    if (width != 4)
        throw SimError("bus: " + access_text(width, write) + " at " + hex32(address) +
                       " in the bit-band alias region: the firmware's alias accesses are words");
    const std::uint32_t word_index = (address - r.base) / 4;
    const std::uint32_t target = r.alias_target + 4 * (word_index / 32);
    const unsigned bit = word_index % 32;
    const Region& t = region_for(target, 4, write);
    const std::uint32_t old = t.model->read(target - t.base, 4);
    if (!write) return (old >> bit) & 1u;
    const std::uint32_t next = (value & 1u) ? (old | (1u << bit)) : (old & ~(1u << bit));
    t.model->write(target - t.base, 4, next);
    return value;
}

std::uint32_t Bus::access(const Region& r, std::uint32_t address, unsigned width, bool write, std::uint32_t value)
{
    if (r.model == nullptr) return alias_access(r, address, width, write, value);
    if (!write) return r.model->read(address - r.base, width);
    r.model->write(address - r.base, width, value);
    return value;
}

std::uint32_t Bus::read(std::uint32_t address, unsigned width)
{
    if (master_ != nullptr) master_->before_access();
    const Region& r = region_for(address, width, false);
    const std::uint32_t value = access(r, address, width, false, 0);
    if (trace_.on()) trace_.record({clock_.now(), address, value, static_cast<std::uint8_t>(width), false});
    note_read(r, address, width, value);
    return value;
}

void Bus::note_read(const Region& r, std::uint32_t address, unsigned width, std::uint32_t value)
{
    if (address == last_read_.address && width == last_read_.width && value == last_read_.value) {
        if (++last_read_.repeats >= kPollReads) {
            last_read_.repeats = 0;
            last_read_.polling = true;
            if (master_ != nullptr)
                master_->busy_waiting(r.model != nullptr ? r.model->quiet_until(address - r.base) : kNever);
        }
        return;
    }
    last_read_.polling = false;
    last_read_.address = address;
    last_read_.width = width;
    last_read_.value = value;
    last_read_.repeats = 1;
}

void Bus::write(std::uint32_t address, unsigned width, std::uint32_t value)
{
    if (master_ != nullptr) master_->before_access();
    last_read_.repeats = 0;
    last_read_.polling = false;
    const Region& r = region_for(address, width, true);
    access(r, address, width, true, value);
    if (trace_.on()) trace_.record({clock_.now(), address, value, static_cast<std::uint8_t>(width), true});
}

std::string Bus::busy_wait() const
{
    if (!last_read_.polling) return "";
    return access_text(last_read_.width, false) + " at " + hex32(last_read_.address) + " (" +
           name_at(last_read_.address) + ")";
}

std::string Bus::name_at(std::uint32_t address) const
{
    const Region* r = find(address);
    return r != nullptr ? r->name : "";
}

Peripheral* Bus::model_at(std::uint32_t address) const
{
    const Region* r = find(address);
    return r != nullptr ? r->model : nullptr;
}

std::string Bus::describe(const BusAccess& a) const
{
    char time[32];
    std::snprintf(time, sizeof time, "%.6f ms", static_cast<double>(a.time) / 1e6);
    const std::string name = name_at(a.address);
    return access_text(a.width, a.write) + " " + hex32(a.value) + " at " + hex32(a.address) +
           (name.empty() ? "" : " (" + name + ")") + " at " + time;
}

void Bus::reset_all()
{
    for (const auto& r : regions_)
        if (r->model != nullptr) r->model->reset();
    last_read_ = {};
}

namespace {
thread_local Bus* g_active_bus = nullptr;
}

void set_active_bus(Bus* bus) { g_active_bus = bus; }
Bus* active_bus() { return g_active_bus; }

}  // namespace sim

namespace seam {

std::uint32_t bus_read(std::uint32_t address, unsigned width)
{
    sim::Bus* bus = sim::active_bus();
    if (bus == nullptr)
        throw sim::SimError("register " + sim::access_text(width, false) + " at " + sim::hex32(address) +
                            " with no virtual board attached");
    return bus->read(address, width);
}

void bus_write(std::uint32_t address, unsigned width, std::uint32_t value)
{
    sim::Bus* bus = sim::active_bus();
    if (bus == nullptr)
        throw sim::SimError("register " + sim::access_text(width, true) + " at " + sim::hex32(address) +
                            " with no virtual board attached");
    bus->write(address, width, value);
}

}  // namespace seam
