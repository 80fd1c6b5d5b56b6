#include "flash_interface.h"

#include "core/sim_error.h"
#include "flash_memory.h"

namespace sim {

namespace {

constexpr std::uint32_t kAcrWritable = 0x1F07u;
constexpr std::uint32_t kCrWritable = 0x8301037Fu;
constexpr std::uint32_t kOptcrWritable = 0x0FFFFFEFu;
constexpr std::uint32_t kOptcrReset = 0x0FFFAAEDu;
constexpr std::uint32_t kOptionStart = 1u << 1;

std::string at(std::uint32_t offset) { return "flash interface at offset " + hex32(offset); }

}  // namespace

Nanoseconds FlashInterface::erase_time(int sector)
{
    switch (FlashMemory::sector_size(sector)) {
    case 0x4000u: return 250000000u;
    case 0x10000u: return 550000000u;
    default: return 1000000000u;
    }
}

FlashInterface::FlashInterface(VirtualClock& clock, FlashMemory& array) : clock_(clock), array_(array)
{
    array_.attach(*this);
    FlashInterface::reset();
}

void FlashInterface::reset()
{
    clock_.cancel(operation_event_);
    if (interrupt_.connected()) interrupt_.clear();
    interrupt_.reset();
    busy_ = false;
    finish_due_ = false;
    effect_ = nullptr;
    acr_ = 0;
    sr_ = 0;
    cr_ = kLock;
    optcr_ = kOptcrReset;
    keys_accepted_ = 0;
    locked_up_ = false;
}

void FlashInterface::inject_error(std::uint32_t sr_bits)
{
    if (sr_bits & ~kStatusFlags)
        throw SimError("flash: inject_error(" + hex32(sr_bits) + ") names bits that are not error flags");
    sr_ |= sr_bits;
}

void FlashInterface::hold_busy(bool held)
{
    held_ = held;
    if (!held_ && finish_due_) finish_operation();
}

void FlashInterface::update_interrupt()
{
    const bool asserted = ((cr_ & kEndInterruptEnable) && (sr_ & kEndOfOperation)) ||
                          ((cr_ & kErrorInterruptEnable) && (sr_ & kOperationError));
    if (asserted || interrupt_.asserted()) interrupt_.set(asserted);
}

unsigned FlashInterface::wait_states_needed(std::uint32_t hclk_hz)
{
    return hclk_hz == 0 ? 0u : (hclk_hz - 1) / 30000000u;
}

void FlashInterface::check_wait_states(std::uint32_t acr, std::uint32_t hz, const char* what) const
{
    const unsigned configured = acr & 0x7u;
    const unsigned needed = wait_states_needed(hz);
    if (configured < needed)
        throw SimError(std::string("flash: ") + what + ": a core clock of " + std::to_string(hz) + " Hz needs " +
                       std::to_string(needed) + " wait states, ACR has " + std::to_string(configured) +
                       ": the core would read garbage from flash");
}

void FlashInterface::set_core_clock(std::uint32_t hz)
{
    check_wait_states(acr_, hz, "clock switched");
    core_hz_ = hz;
}

void FlashInterface::flag_error(std::uint32_t bits)
{
    sr_ |= bits;
    if (cr_ & kErrorInterruptEnable) sr_ |= kOperationError;
    update_interrupt();
}

void FlashInterface::wait_while_busy(std::uint32_t address, const char* access)
{
    if (held_)
        throw SimError(std::string("flash: ") + access + " at " + hex32(address) +
                       " stalls the bus for ever: the controller never stops being busy");
    if (busy_) clock_.advance_to(operation_end_);
}

void FlashInterface::start_operation(Nanoseconds duration, std::function<void()> effect)
{
    busy_ = true;
    effect_ = std::move(effect);
    operation_end_ = clock_.now() + duration;
    clock_.schedule_in(operation_event_, duration);
}

void FlashInterface::operation_due()
{
    if (held_)
        finish_due_ = true;
    else
        finish_operation();
}

void FlashInterface::finish_operation()
{
    finish_due_ = false;
    busy_ = false;
    if (effect_) effect_();
    effect_ = nullptr;
    cr_ &= ~kStart;
    // End of operation is flagged only when its interrupt is wanted.
    if (cr_ & kEndInterruptEnable) sr_ |= kEndOfOperation;
    update_interrupt();
}

void FlashInterface::program_request(std::uint32_t address, unsigned width, std::uint32_t value)
{
    wait_while_busy(address, "program");
    if ((cr_ & kLock) || !(cr_ & kProgram) || (cr_ & (kSectorErase | kMassErase))) {
        flag_error(kSequenceError);
        return;
    }
    const unsigned parallelism = 1u << ((cr_ & kParallelism) >> 8);
    if (parallelism == 8)
        throw SimError("flash: " + access_text(width, true) + " at " + hex32(address) +
                       " with double-word parallelism, which needs an external supply the board lacks");
    if (width != parallelism) {
        flag_error(kParallelismError);
        return;
    }
    for (unsigned i = 0; i < width; ++i) {
        const std::uint8_t old = array_.peek(address + i);
        if (old != FlashMemory::kErased)
            throw SimError("flash: program of " + hex32((value >> (8 * i)) & 0xFFu) + " at " + hex32(address + i) +
                           ", which holds " + hex32(old) + " and is not erased");
    }
    start_operation(kProgramTime, [this, address, width, value] {
        for (unsigned i = 0; i < width; ++i)
            array_.program_byte(address + i, static_cast<std::uint8_t>(value >> (8 * i)));
    });
}

void FlashInterface::write_key(std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t expected = keys_accepted_ == 0 ? kKey1 : kKey2;
    const bool was_locked_up = locked_up_;
    const bool was_unlocked = !(cr_ & kLock);
    if (!locked_up_ && !was_unlocked && lanes == 0xFFFFFFFFu && value == expected) {
        if (++keys_accepted_ == 2) {
            keys_accepted_ = 0;
            cr_ &= ~kLock;
        }
        return;
    }
    // Any other key write is a wrong sequence: the chip answers with a bus
    // error and keeps CR locked until the next reset.
    locked_up_ = true;
    keys_accepted_ = 0;
    cr_ |= kLock;
    const char* why = was_locked_up      ? "after a wrong key (locked until reset)"
                      : lanes != 0xFFFFFFFFu ? "by a partial-word write"
                      : was_unlocked         ? "while CR is unlocked"
                                             : (expected == kKey1 ? "instead of KEY1" : "instead of KEY2");
    throw SimError("flash: KEYR written with " + hex32(value & lanes) + " " + why +
                   ": bus error, CR locked until reset");
}

void FlashInterface::write_control(std::uint32_t value, std::uint32_t lanes)
{
    if (cr_ & kLock) return;  // the chip ignores a locked CR
    // CR cannot change under a running operation: the bus waits.
    wait_while_busy(CR, "CR write");
    std::uint32_t next = merge(cr_, value, lanes) & kCrWritable;
    if (next & kLock) keys_accepted_ = 0;

    if (!(next & kStart)) {
        cr_ = next;
        return;
    }
    const bool sector = (next & kSectorErase) != 0;
    const bool mass = (next & kMassErase) != 0;
    if ((next & kProgram) || (sector && mass)) {
        cr_ = next & ~kStart;
        flag_error(kSequenceError);
        return;
    }
    if (sector) {
        const int number = static_cast<int>((next & kSectorNumber) >> 3);
        if (number >= FlashMemory::kSectors)
            throw SimError("flash: erase of sector " + std::to_string(number) + " (CR " + hex32(next) +
                           "): the 1 MB part has sectors 0..11");
        cr_ = next;
        start_operation(erase_time(number), [this, number] { array_.erase_sector(number); });
    } else if (mass) {
        Nanoseconds total = 0;
        for (int s = 0; s < FlashMemory::kSectors; ++s) total += erase_time(s);
        cr_ = next;
        start_operation(total, [this] { array_.erase_all(); });
    } else {
        throw SimError("flash: CR.STRT set (CR " + hex32(next) + ") with neither a sector nor a mass erase selected");
    }
}

std::uint32_t FlashInterface::register_value(std::uint32_t offset) const
{
    switch (offset) {
    case ACR: return acr_;
    case KEYR:
    case OPTKEYR: return 0;  // write-only
    case SR: return sr_ | (busy() ? kBusy : 0u);
    case CR: return cr_;
    case OPTCR: return optcr_;
    default: throw SimError(at(offset) + ": no register there");
    }
}

std::uint32_t FlashInterface::read_word(std::uint32_t offset) { return register_value(offset); }

std::uint32_t FlashInterface::peek(std::uint32_t offset) const { return register_value(offset); }

void FlashInterface::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case ACR: {
        const std::uint32_t next = merge(acr_, value, lanes) & kAcrWritable;
        check_wait_states(next, core_hz_, "ACR written");
        acr_ = next;
        break;
    }
    case KEYR: write_key(value, lanes); break;
    case OPTKEYR: break;  // option bytes are not reprogrammed here; see OPTCR
    case SR:
        sr_ &= ~(value & lanes & kStatusFlags);
        update_interrupt();
        break;
    case CR:
        write_control(value, lanes);
        update_interrupt();
        break;
    case OPTCR: {
        const std::uint32_t next = merge(optcr_, value, lanes) & kOptcrWritable;
        if (next & kOptionStart)
            throw SimError(at(offset) + ": option byte programming (OPTCR " + hex32(next) + ") is not modelled");
        optcr_ = next;
        break;
    }
    default: throw SimError(at(offset) + ": no register there (written " + hex32(value) + ")");
    }
}

}  // namespace sim
