// One general-purpose I/O port: sixteen pins whose levels come from the
// output register, from what the outside world drives, or from the pulls
// (the port's own and the board's resistors). Levels are kept up to date
// with a few bit operations at each register write, and every change of a
// pin's level is told to whoever listens to that pin (edge detectors, chip
// selects of devices).
#ifndef SIM_MODELS_GPIO_PORT_H
#define SIM_MODELS_GPIO_PORT_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/peripheral.h"

namespace sim {

class GpioPort : public WordPeripheral {
public:
    static constexpr std::uint32_t kSize = 0x400u;

    // Register offsets.
    static constexpr std::uint32_t MODER = 0x00, OTYPER = 0x04, OSPEEDR = 0x08, PUPDR = 0x0C;
    static constexpr std::uint32_t IDR = 0x10, ODR = 0x14, BSRR = 0x18, LCKR = 0x1C;
    static constexpr std::uint32_t AFRL = 0x20, AFRH = 0x24;

    static constexpr int kModeInput = 0, kModeOutput = 1, kModeAlternate = 2, kModeAnalog = 3;

    using PinListener = std::function<void(bool high)>;
    using PortListener = std::function<void(int pin, bool high)>;

    explicit GpioPort(char letter);  // 'A' .. 'I'

    char letter() const { return letter_; }

    // Power-on state. What the outside world drives is not part of the chip
    // and stays; listeners hear the levels that change.
    void reset() override;

    bool level(int pin) const;
    std::uint32_t levels() const { return levels_; }
    int mode(int pin) const;
    int speed(int pin) const;
    int pull(int pin) const;  // 0 none, 1 up, 2 down
    bool open_drain(int pin) const;
    int alternate_function(int pin) const;

    // The outside world driving a pin, or letting go of it. Only inputs,
    // alternate-function and analogue pins (and open-drain outputs left high)
    // show it; a push-pull output wins.
    void drive(int pin, bool high);
    void release(int pin);
    // A resistor of the board on the pin: it sets the level only where
    // nothing drives the pin, and outweighs the port's own weak pulls.
    void set_board_pull(int pin, bool up);

    void listen(int pin, PinListener listener);
    void listen_all(PortListener listener);

    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    void update_config_masks();
    void update_levels();
    std::uint32_t register_value(std::uint32_t offset) const;
    std::string where(std::uint32_t offset) const;
    static void check_pin(int pin, const char* what);

    char letter_;
    std::uint32_t moder_ = 0, otyper_ = 0, ospeedr_ = 0, pupdr_ = 0;
    std::uint32_t odr_ = 0, lckr_ = 0, afrl_ = 0, afrh_ = 0;
    std::uint32_t driven_ = 0;       // pins the outside world drives
    std::uint32_t driven_high_ = 0;  // and at which level
    std::uint32_t board_pull_ = 0;   // pins with a resistor of the board
    std::uint32_t board_pull_up_ = 0;
    // From MODER and PUPDR, one bit a pin.
    std::uint32_t outputs_ = 0, analog_ = 0, pull_up_ = 0;
    std::uint32_t levels_ = 0;
    std::array<std::vector<PinListener>, 16> listeners_;
    std::vector<PortListener> port_listeners_;
};

}  // namespace sim

#endif
