#include <cstdint>
#include <vector>

#include "firmware_image.h"

extern "C" {
extern unsigned char tiltmon_firmware_data_start[], tiltmon_firmware_data_end[];
extern unsigned char tiltmon_firmware_bss_start[], tiltmon_firmware_bss_end[];
}

namespace sim {

namespace {

std::vector<unsigned char>& initial_data()
{
    static std::vector<unsigned char> image;
    return image;
}

// The sections include the sanitizer's red zones between variables; they are
// copied as plain bytes, which is what a reset does to RAM.
__attribute__((no_sanitize("address"))) void copy_bytes(unsigned char* to, const unsigned char* from, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
}

__attribute__((no_sanitize("address"))) void clear_bytes(unsigned char* to, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) to[i] = 0;
}

// Taken before main, before any firmware code can have changed a variable.
__attribute__((constructor(101))) void remember_initial_data()
{
    initial_data().resize(firmware_data_bytes());
    copy_bytes(initial_data().data(), tiltmon_firmware_data_start, firmware_data_bytes());
}

}  // namespace

std::size_t firmware_data_bytes() { return static_cast<std::size_t>(tiltmon_firmware_data_end - tiltmon_firmware_data_start); }
std::size_t firmware_bss_bytes() { return static_cast<std::size_t>(tiltmon_firmware_bss_end - tiltmon_firmware_bss_start); }

void reset_firmware_ram()
{
    copy_bytes(tiltmon_firmware_data_start, initial_data().data(), firmware_data_bytes());
    clear_bytes(tiltmon_firmware_bss_start, firmware_bss_bytes());
}

}  // namespace sim
