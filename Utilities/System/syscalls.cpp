// The C library's system calls on a monitor without an operating system:
// every descriptor is a terminal on a serial port, and the heap is a fixed
// array that only the C library's allocator uses.
#include <sys/stat.h>

#include <cstdint>

#include "morva_debug.h"
#include "sercom.h"

#define MALLOC_HEAP_SIZE 4096

// Aligned so that zero-initialised data starts on a 4096-byte boundary.
alignas(4096) static std::uint8_t my_heap[MALLOC_HEAP_SIZE];

extern "C" {

char* _sbrk(int incr)
{
    static char* heap = nullptr;
    if (heap == nullptr) heap = reinterpret_cast<char*>(my_heap);

    char* const prev_heap = heap;
    heap = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(heap) + static_cast<std::intptr_t>(incr));

    const std::intptr_t used = reinterpret_cast<std::intptr_t>(heap) - reinterpret_cast<std::intptr_t>(my_heap);
    if (used > MALLOC_HEAP_SIZE) {
        print_assert(const_cast<char*>("SYS"), const_cast<char*>("Heap overflow!"),
                     const_cast<char*>("MALLOC_HEAP_SIZE"), static_cast<std::uint32_t>(used - MALLOC_HEAP_SIZE));
        halt();
    }
    return prev_heap;
}

int _read(int file, char* ptr, int len)
{
    if (len <= 0) return len;
    for (int i = 0; i < len; i++) ptr[i] = static_cast<char>(fdgetc(file));
    return len;
}

int _write(int file, char* ptr, int len)
{
    if (len <= 0) return len;
    for (int i = 0; i < len; i++) fdputc(file, static_cast<unsigned char>(ptr[i]));
    return len;
}

int _close(int /*file*/) { return -1; }

int _fstat(int /*file*/, struct stat* st)
{
    st->st_mode = S_IFCHR;
    return 0;
}

int _isatty(int /*file*/) { return 1; }

int _lseek(int /*file*/, int /*ptr*/, int /*dir*/) { return 0; }

}  // extern "C"
