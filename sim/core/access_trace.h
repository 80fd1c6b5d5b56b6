// A record of the firmware's bus accesses, for tests that check what the
// code did to the hardware and in which order. Off unless a test starts it.
#ifndef SIM_CORE_ACCESS_TRACE_H
#define SIM_CORE_ACCESS_TRACE_H

#include <cstdint>
#include <string>
#include <vector>

#include "time.h"

namespace sim {

struct BusAccess {
    Nanoseconds time;
    std::uint32_t address;
    std::uint32_t value;  // read or written, in the access's width
    std::uint8_t width;   // bytes: 1, 2 or 4
    bool write;


};

class AccessTrace {
public:
    void start() { start(0, 0); }
    // Records only the accesses at addresses from `from` up to, not
    // including, `to` (from 0 to 0: all of them).
    void start(std::uint32_t from, std::uint32_t to)
    {
        on_ = true;
        from_ = from;
        span_ = to - from;
    }
    void stop() { on_ = false; }
    bool on() const { return on_; }
    void clear() { accesses_.clear(); }

    void record(const BusAccess& access)
    {
        if (span_ == 0 || access.address - from_ < span_) accesses_.push_back(access);
    }
    const std::vector<BusAccess>& accesses() const { return accesses_; }

private:
    bool on_ = false;
    std::uint32_t from_ = 0, span_ = 0;
    std::vector<BusAccess> accesses_;
};

}  // namespace sim

#endif
