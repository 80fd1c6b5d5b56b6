// The LCD module's ST7565P controller as the board wires it: written over SPI
// (it drives no data line back), the A0 line telling a command byte (low) from
// a display data byte (high), a reset line, and the 128x64 glass, mounted
// mirrored, that shows its display RAM.
//
// Display RAM: 132 columns by 9 pages of 8 rows; page 8 holds the icon row,
// which this glass does not show. A data byte goes to (page, column) and the
// column advances; a byte beyond column 131 is refused, as the column address
// has nowhere left to go.
//
// Reset: while the reset line is held every byte is refused; on release the
// controller is in its reset state. After power-on it takes no byte until it
// has been through one reset pulse, which the part requires. A reset keeps the
// display RAM; power-on fills it with a fixed noise pattern, as real RAM holds
// whatever it settled to, so a screen that was never cleared shows it.
//
// Misuse is refused with a SimError that names the device: a byte that is no
// command, a display data byte or the end of the frame where the value byte
// of a two-byte command is due, a value out of its range, 0xEE outside
// read-modify-write mode.
#ifndef SIM_DEVICES_ST7565P_CONTROLLER_H
#define SIM_DEVICES_ST7565P_CONTROLLER_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "devices/lcd_image.h"
#include "devices/spi_device.h"
#include "devices/st7565p_command.h"

namespace sim {

class St7565pController : public SpiDevice {
public:
    static constexpr int kColumns = 132;
    static constexpr int kPages = 9;  // 8 of the glass and the icon page
    static constexpr int kIconPage = 8;

    enum class Bias { OneNinth, OneSeventh };

    // The registers, with their values after a hardware reset.
    struct State {
        bool display_on = false;
        bool reverse_display = false;
        bool all_points_on = false;
        bool adc_reverse = false;
        bool com_reverse = false;
        Bias bias = Bias::OneNinth;
        std::uint8_t power_control = 0;  // bit 2 booster, bit 1 regulator, bit 0 follower
        std::uint8_t regulator_ratio = 0;
        std::uint8_t volume = 0x20;
        std::uint8_t start_line = 0;
        std::uint8_t page = 0;
        std::uint8_t column = 0;
        bool read_modify_write = false;
        std::uint8_t read_modify_write_column = 0;  // where 0xEE returns to
        bool static_indicator_on = false;
        std::uint8_t static_indicator_mode = 0;
        std::uint8_t booster_ratio = 0;
    };

    static constexpr std::uint8_t kAllCircuitsOn = 0x07;

    explicit St7565pController(std::string name = "lcd");

    const std::string& name() const override { return name_; }
    void select(bool selected) override;
    // Takes the byte as a command or display data by the level of A0; the
    // data line back floats (kFloatingMiso).
    std::uint8_t exchange(std::uint8_t mosi) override;
    // Ends any frame, leaves the lines A0 and reset at the levels last set.
    void power_on() override;

    void set_a0(bool high) { a0_high_ = high; }
    // held: the reset line is low.
    void set_reset(bool held);

    const State& state() const { return state_; }
    bool held_in_reset() const { return reset_held_; }
    std::uint8_t display_ram(int page, int column) const;
    // Whether any byte went to the columns 128 to 131 since power-on.
    bool wrote_beyond_column_127() const { return wrote_beyond_127_; }

    // The glass shows something only with the display on and all three power
    // circuits running.
    bool glass_driven() const;
    // Screen coordinates: x from the left, y from the top; true = dark.
    bool pixel(int x, int y) const;
    LcdImage image() const;

private:
    [[noreturn]] void fail(const std::string& what) const;
    void take_command(std::uint8_t byte);
    void take_value(St7565pOp op, std::uint8_t value);
    void write_data(std::uint8_t byte);
    void software_reset();
    int ram_column(int x) const;
    int ram_line(int y) const;
    bool ram_bit(int line, int column) const;

    std::string name_;
    State state_;
    std::array<std::array<std::uint8_t, kColumns>, kPages> ram_{};
    std::optional<St7565pOp> value_due_;
    bool selected_ = false;
    bool a0_high_ = false;
    bool reset_held_ = false;
    bool awaiting_reset_ = true;
    bool wrote_beyond_127_ = false;
};

}  // namespace sim

#endif
