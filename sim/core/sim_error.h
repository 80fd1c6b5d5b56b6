// A misuse of the virtual board by the firmware or by a test: never ignored.
#ifndef SIM_CORE_SIM_ERROR_H
#define SIM_CORE_SIM_ERROR_H

#include <stdexcept>
#include <string>

namespace sim {

class SimError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "32-bit write" and the like, for messages.
std::string access_text(unsigned width, bool write);
std::string hex32(unsigned long value);

}  // namespace sim

#endif
