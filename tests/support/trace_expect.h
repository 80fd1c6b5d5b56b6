// Checks on the bus access trace: the accesses a test expects, in order,
// with anything else allowed between them.
#ifndef TESTS_SUPPORT_TRACE_EXPECT_H
#define TESTS_SUPPORT_TRACE_EXPECT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/access_trace.h"
#include "core/sim_error.h"
#include "scratch_registers.h"

struct ExpectedAccess {
    bool write;
    std::uint32_t address;
    std::optional<std::uint32_t> value;  // any value when absent
    unsigned width = 0;                  // any width when 0
    std::uint32_t mask = 0xFFFFFFFFu;    // the bits of value that must match

    bool matches(const sim::BusAccess& a) const
    {
        return a.write == write && a.address == address && (width == 0 || a.width == width) &&
               (!value || ((a.value ^ *value) & mask) == 0);
    }
    std::string text() const
    {
        std::ostringstream out;
        out << (write ? "write" : "read");
        if (value) out << " " << sim::hex32(*value) << (mask != 0xFFFFFFFFu ? " (mask " + sim::hex32(mask) + ")" : "");
        out << " at " << sim::hex32(address);
        return out.str();
    }
};

inline ExpectedAccess write_of(std::uint32_t address, std::optional<std::uint32_t> value = {}, unsigned width = 0)
{
    return {true, address, value, width};
}
inline ExpectedAccess write_bits(std::uint32_t address, std::uint32_t value, std::uint32_t mask)
{
    return {true, address, value, 0, mask};
}
inline ExpectedAccess read_of(std::uint32_t address, std::optional<std::uint32_t> value = {})
{
    return {false, address, value};
}

// The expected accesses appear in the trace in this order (not necessarily
// next to each other).
inline ::testing::AssertionResult appear_in_order(const std::vector<sim::BusAccess>& trace,
                                                  const std::vector<ExpectedAccess>& expected)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        while (at < trace.size() && !expected[i].matches(trace[at])) ++at;
        if (at == trace.size()) {
            auto failure = ::testing::AssertionFailure();
            failure << "expected access " << i + 1 << " of " << expected.size() << " (" << expected[i].text()
                    << ") not found";
            if (i > 0) failure << " after " << expected[i - 1].text();
            failure << " in a trace of " << trace.size() << " accesses";
            return failure;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

// The accesses of the trace to [base, base + size).
inline std::vector<sim::BusAccess> accesses_to(const std::vector<sim::BusAccess>& trace, std::uint32_t base,
                                               std::uint32_t size)
{
    std::vector<sim::BusAccess> out;
    for (const sim::BusAccess& a : trace)
        if (a.address - base < size) out.push_back(a);
    return out;
}

// The writes of the trace to [base, base + size), each at its offset from base.
inline std::vector<RegisterWrite> writes_to(const std::vector<sim::BusAccess>& trace, std::uint32_t base,
                                            std::uint32_t size)
{
    std::vector<RegisterWrite> out;
    for (const sim::BusAccess& a : accesses_to(trace, base, size))
        if (a.write) out.push_back({a.address - base, a.width, a.value});
    return out;
}

#endif
