// A device on an SPI bus behind a chip select. The bus calls select() on
// every edge of the device's chip select and exchange() for each byte that
// the master shifts while the device is selected; the device answers with the
// byte it shifts back at the same time.
#ifndef SIM_DEVICES_SPI_DEVICE_H
#define SIM_DEVICES_SPI_DEVICE_H

#include <cstdint>
#include <string>

namespace sim {

class SpiDevice {
public:
    virtual ~SpiDevice() = default;

    virtual const std::string& name() const = 0;
    // The chip select went low (true) or high (false).
    virtual void select(bool selected) = 0;
    // One byte in each direction while selected.
    virtual std::uint8_t exchange(std::uint8_t mosi) = 0;
    // Power-on: the device's own state after its supply comes up.
    virtual void power_on() = 0;
};

}  // namespace sim

#endif
