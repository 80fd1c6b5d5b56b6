// Exception frames (R0, R1, R2, R3, R12, LR, PC, xPSR) for forced faults.
#ifndef TESTS_SUPPORT_FAULT_FRAMES_H
#define TESTS_SUPPORT_FAULT_FRAMES_H

#include <cstdint>

// Small distinct values: each line of a report shows which word it took.
inline constexpr std::uint32_t kCountingFrame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
// Values with hexadecimal letters, for the report's upper-case digits.
inline constexpr std::uint32_t kLetteredFrame[8] = {0xDEADBEEFu, 0x0000ABCDu, 0xCAFEF00Du, 0x12345678u,
                                                    0x0000000Cu, 0x08000411u, 0x08000520u, 0x01000000u};

#endif
