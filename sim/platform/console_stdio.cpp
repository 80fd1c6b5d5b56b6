// Integer formatted output for the firmware on the host: formats as newlib's
// iprintf does and hands the text to the firmware's _write on standard
// output, so it takes the same road to the serial line as on the chip.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform_stdio.h"

extern "C" int _write(int file, char* ptr, int len);

extern "C" int iprintf(const char* format, ...)
{
    // A line is formatted on the stack: the firmware can be stopped for good
    // in the middle of sending it, and nothing on an abandoned stack is freed.
    char line[1024];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) < sizeof line) {
        va_end(again);
        return length < 0 ? length : _write(1, line, length);
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    return _write(1, text.data(), length);
}

extern "C" int sniprintf(char* buffer, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    return length;
}
