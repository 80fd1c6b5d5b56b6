// Formatted output of the C library: newlib's integer-only iprintf.
#ifndef TILTMON_PLATFORM_STDIO_H
#define TILTMON_PLATFORM_STDIO_H

#include <stdio.h>

#endif
