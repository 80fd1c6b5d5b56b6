// Where the two records that survive a loss of power lie in flash, and how.
#ifndef TILTMON_RECORD_LAYOUT_H
#define TILTMON_RECORD_LAYOUT_H

#include <cstdint>

#include "platform_ops.h"
#include "stm32f2xx_flash.h"

// Result sector: sector 5, the last recording.
constexpr std::uint32_t RESULT_SECTOR = FLASH_Sector_5;
constexpr std::uint32_t RESULT_BASE = 0x08020000u;
constexpr std::uint32_t RESULT_SIZE = 0x20000u;
// The header holds X_Max, X_Min, Y_Max, Y_Min in this order; the samples
// follow as (X, Y) pairs of signed bytes.
constexpr std::uint32_t SAMPLE_AREA = RESULT_BASE + 4;
constexpr int SAMPLE_PAIRS = static_cast<int>((RESULT_SIZE - 4) / 2);  // 65534, the marker's included
// The last pair stays free for the end marker.
constexpr int SAMPLE_CAPACITY = SAMPLE_PAIRS - 1;  // 65533 samples: 18 h 12 min 13 s
constexpr std::uint8_t END_MARKER = 100;
constexpr int MAX_SAMPLE_VALUE = 90;  // a byte above this ends the samples

// Limits sector: sector 11, the alarm limits in the header's order.
constexpr std::uint32_t LIMITS_SECTOR = FLASH_Sector_11;
constexpr std::uint32_t LIMITS_BASE = 0x080E0000u;

constexpr std::uint8_t VOLTAGE_RANGE_BYTES = VoltageRange_1;  // byte-wide erase

// Every byte of both records is a signed byte.
inline int read_signed(std::uint32_t address) { return static_cast<std::int8_t>(platform::flash_read_byte(address)); }

#endif
