// Argument checks of the peripheral access layer: a failed check is reported
// with the driver module's source path and the line of the check, and the
// function then carries on with the value as given.
#ifndef TILTMON_PERIPH_ASSERT_H
#define TILTMON_PERIPH_ASSERT_H

#include <cstdint>

extern "C" void assert_failed(std::uint8_t* file, std::uint32_t line);

// The path under which the driver modules are compiled in the board's build tree.
#define PERIPH_DRIVER_SOURCE_DIR "../../../../Libraries/F2xx_Periph_Driver/src/"

#define assert_param(expr) assert_param_at(expr, __LINE__)

// For a check whose reported line is fixed: the report names that line
// wherever the check stands in the source file.
#define assert_param_at(expr, line) \
    ((expr) ? (void)0 : assert_failed((std::uint8_t*)(PERIPH_DRIVER_SOURCE_DIR __FILE_NAME__), (line)))

#endif
