#include "bus.h"

#include "reg_access.h"
#include "sim_error.h"

namespace sim {

void Bus::map(std::uint32_t base, std::uint32_t size, Peripheral& model, std::string name, ClockGate clocked)
{
    for (const Region& r : regions_) {
        if (base < r.base + r.size && r.base < base + size)
            throw SimError("bus: " + name + " at " + hex32(base) + " overlaps " + r.name);
    }
    regions_.push_back(Region{base, size, &model, std::move(name), std::move(clocked)});
}

Bus::Region& Bus::region_for(std::uint32_t address, unsigned width, bool write)
{
    if (width != 1 && width != 2 && width != 4)
        throw SimError("bus: " + std::to_string(width) + "-byte access at " + hex32(address));
    if (address % width != 0)
        throw SimError("bus: misaligned " + access_text(width, write) + " at " + hex32(address));
    for (Region& r : regions_) {
        if (address >= r.base && address - r.base < r.size) {
            if (address - r.base + width > r.size) break;
            if (r.clocked && !r.clocked())
                throw SimError("bus: " + access_text(width, write) + " at " + hex32(address) + " (" + r.name +
                               ") while its peripheral clock is off");
            return r;
        }
    }
    throw SimError("bus: unmapped " + access_text(width, write) + " at " + hex32(address));
}

std::uint32_t Bus::read(std::uint32_t address, unsigned width)
{
    if (hook_) hook_();
    Region& r = region_for(address, width, false);
    const std::uint32_t value = r.model->read(address - r.base, width);
    note_read(address, width, value);
    return value;
}

void Bus::note_read(std::uint32_t address, unsigned width, std::uint32_t value)
{
    if (address == last_read_.address && width == last_read_.width && value == last_read_.value) {
        if (++last_read_.repeats >= kPollReads) {
            last_read_.repeats = 0;
            last_read_.polling = true;
            if (poll_hook_) poll_hook_();
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
    if (hook_) hook_();
    last_read_.repeats = 0;
    last_read_.polling = false;
    Region& r = region_for(address, width, true);
    r.model->write(address - r.base, width, value);
}

std::string Bus::busy_wait() const
{
    if (!last_read_.polling) return "";
    return access_text(last_read_.width, false) + " at " + hex32(last_read_.address) + " (" +
           name_at(last_read_.address) + ")";
}

std::string Bus::name_at(std::uint32_t address) const
{
    for (const Region& r : regions_)
        if (address >= r.base && address - r.base < r.size) return r.name;
    return "";
}

void Bus::reset_all()
{
    for (Region& r : regions_) r.model->reset();
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
