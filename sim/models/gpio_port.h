// One general-purpose I/O port: sixteen pins whose levels come from the
// output register, from what the outside world drives, or from the pulls.
#ifndef SIM_MODELS_GPIO_PORT_H
#define SIM_MODELS_GPIO_PORT_H

#include <cstdint>
#include <functional>
#include <string>

#include "core/peripheral.h"

namespace sim {

class GpioPort : public WordPeripheral {
public:
    static constexpr std::uint32_t kFirstBase = 0x40020000u;
    static constexpr std::uint32_t kStride = 0x400u;
    static constexpr std::uint32_t kSize = 0x400u;

    // Register offsets.
    static constexpr std::uint32_t MODER = 0x00, OTYPER = 0x04, OSPEEDR = 0x08, PUPDR = 0x0C;
    static constexpr std::uint32_t IDR = 0x10, ODR = 0x14, BSRR = 0x18, LCKR = 0x1C;
    static constexpr std::uint32_t AFRL = 0x20, AFRH = 0x24;

    static constexpr int kModeInput = 0, kModeOutput = 1, kModeAlternate = 2, kModeAnalog = 3;

    using LevelListener = std::function<void(int pin, bool high)>;

    explicit GpioPort(char letter);  // 'A' .. 'I'

    char letter() const { return letter_; }
    std::uint32_t base() const { return kFirstBase + kStride * static_cast<std::uint32_t>(letter_ - 'A'); }

    // Power-on state. What the outside world drives is not part of the chip
    // and stays; the listener hears nothing of a reset.
    void reset() override;

    bool level(int pin) const;
    int mode(int pin) const;

    // The outside world driving a pin, or letting go of it. Only inputs,
    // alternate-function and analogue pins (and open-drain outputs left high)
    // show it; a push-pull output wins.
    void drive(int pin, bool high);
    void release(int pin);

    // Hears every change of a pin's level, as an edge detector would.
    void set_level_listener(LevelListener listener) { listener_ = std::move(listener); }

    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    std::uint32_t levels() const;
    std::uint32_t input_data() const;
    void notify_changes(std::uint32_t before);
    std::uint32_t register_value(std::uint32_t offset) const;
    std::string where(std::uint32_t offset) const;
    static void check_pin(int pin, const char* what);

    char letter_;
    std::uint32_t moder_ = 0, otyper_ = 0, ospeedr_ = 0, pupdr_ = 0;
    std::uint32_t odr_ = 0, lckr_ = 0, afrl_ = 0, afrh_ = 0;
    std::uint32_t driven_ = 0;       // pins the outside world drives
    std::uint32_t driven_high_ = 0;  // and at which level
    LevelListener listener_;
};

}  // namespace sim

#endif
