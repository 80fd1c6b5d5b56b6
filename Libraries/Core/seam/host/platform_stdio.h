// Formatted output of the C library. The host's C library has no iprintf or
// sniprintf (newlib's integer-only formatters); the
// virtual board supplies one that ends in the firmware's own _write, as
// newlib's does on the chip.
#ifndef TILTMON_PLATFORM_STDIO_H
#define TILTMON_PLATFORM_STDIO_H

#include <stdio.h>

extern "C" int iprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
extern "C" int sniprintf(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

#endif
