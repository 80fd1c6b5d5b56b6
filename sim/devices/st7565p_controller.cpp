#include "st7565p_controller.h"

#include "core/sim_error.h"
#include "devices/floating_miso.h"
#include "devices/hex_byte.h"

namespace sim {

namespace {

constexpr int kLines = 64;           // display RAM lines that scroll with the start line
constexpr int kGlassColumns = 128;   // segments 0 to 127 reach the glass
constexpr int kAdcReverseShift = 4;  // 132 - 128 segments

constexpr std::uint8_t kMaxVolume = 63;
constexpr std::uint8_t kMaxModeValue = 3;

}  // namespace

St7565pController::St7565pController(std::string name) : name_(std::move(name)) { St7565pController::power_on(); }

void St7565pController::fail(const std::string& what) const { throw SimError(name_ + ": " + what); }

void St7565pController::power_on()
{
    // A fixed pseudo-random pattern: the same noise on every run.
    std::uint32_t seed = 0x2545F491u;
    for (auto& page : ram_)
        for (auto& byte : page) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(seed >> 24);
        }
    state_ = State{};
    value_due_.reset();
    selected_ = false;
    awaiting_reset_ = true;
    wrote_beyond_127_ = false;
}

void St7565pController::set_reset(bool held)
{
    if (held) {
        state_ = State{};
        value_due_.reset();
    } else if (reset_held_) {
        awaiting_reset_ = false;
    }
    reset_held_ = held;
}

void St7565pController::select(bool selected)
{
    if (selected == selected_)
        fail(selected ? "selected while a frame is already open" : "deselected while not selected");
    selected_ = selected;
    if (!selected && value_due_) {
        const St7565pOp op = *value_due_;
        value_due_.reset();
        fail(std::string("frame ended where the value byte of ") + describe(op) + " was due");
    }
}

std::uint8_t St7565pController::exchange(std::uint8_t mosi)
{
    if (!selected_ || reset_held_ || awaiting_reset_) {
        const std::string byte_text = (a0_high_ ? "display data byte " : "command byte ") + hex8(mosi);
        if (!selected_) fail(byte_text + " exchanged while not selected");
        if (reset_held_) fail(byte_text + " sent while held in reset");
        fail(byte_text + " sent before the reset pulse that must follow power-on");
    }
    if (a0_high_)
        write_data(mosi);
    else
        take_command(mosi);
    return kFloatingMiso;
}

void St7565pController::take_command(std::uint8_t byte)
{
    if (value_due_) {
        const St7565pOp op = *value_due_;
        value_due_.reset();
        take_value(op, byte);
        return;
    }
    const auto command = decode_st7565p_command(byte);
    if (!command) fail("command byte " + hex8(byte) + " is no command of the ST7565P");

    const bool on = command->argument != 0;
    switch (command->op) {
    case St7565pOp::ColumnLow:
        state_.column = static_cast<std::uint8_t>((state_.column & 0xF0) | command->argument);
        break;
    case St7565pOp::ColumnHigh:
        state_.column = static_cast<std::uint8_t>((state_.column & 0x0F) | command->argument << 4);
        break;
    case St7565pOp::RegulatorRatio: state_.regulator_ratio = command->argument; break;
    case St7565pOp::PowerControl: state_.power_control = command->argument; break;
    case St7565pOp::StartLine: state_.start_line = command->argument; break;
    case St7565pOp::Adc: state_.adc_reverse = on; break;
    case St7565pOp::Bias: state_.bias = on ? Bias::OneSeventh : Bias::OneNinth; break;
    case St7565pOp::AllPoints: state_.all_points_on = on; break;
    case St7565pOp::Reverse: state_.reverse_display = on; break;
    case St7565pOp::StaticIndicator:
        state_.static_indicator_on = on;
        value_due_ = command->op;
        break;
    case St7565pOp::Display: state_.display_on = on; break;
    case St7565pOp::PageAddress: state_.page = command->argument; break;
    case St7565pOp::ComDirection: state_.com_reverse = on; break;
    case St7565pOp::ReadModifyWrite:
        // Taken again while in the mode, it starts over from the current
        // column: the driver's every preamble sends it and never ends the mode.
        state_.read_modify_write = true;
        state_.read_modify_write_column = state_.column;
        break;
    case St7565pOp::EndReadModifyWrite:
        if (!state_.read_modify_write) fail("end of read-modify-write (0xEE) outside read-modify-write mode");
        state_.read_modify_write = false;
        state_.column = state_.read_modify_write_column;
        break;
    case St7565pOp::Reset: software_reset(); break;
    case St7565pOp::Nop: break;
    case St7565pOp::ElectronicVolume:
    case St7565pOp::BoosterRatio: value_due_ = command->op; break;
    }
}

void St7565pController::take_value(St7565pOp op, std::uint8_t value)
{
    const std::uint8_t max = op == St7565pOp::ElectronicVolume ? kMaxVolume : kMaxModeValue;
    if (value > max)
        fail(std::string("value ") + hex8(value) + " of " + describe(op) + " is out of its range 0 to " +
             std::to_string(max));
    if (op == St7565pOp::ElectronicVolume) state_.volume = value;
    if (op == St7565pOp::StaticIndicator) state_.static_indicator_mode = value;
    if (op == St7565pOp::BoosterRatio) state_.booster_ratio = value;
}

void St7565pController::write_data(std::uint8_t byte)
{
    if (value_due_)
        fail("display data byte " + hex8(byte) + " where the value byte of " + describe(*value_due_) + " was due");
    if (state_.column >= kColumns)
        fail("display data byte " + hex8(byte) + " at column " + std::to_string(state_.column) +
             ", beyond the last column 131");
    ram_[state_.page][state_.column] = byte;
    if (state_.column >= kGlassColumns) wrote_beyond_127_ = true;
    ++state_.column;
}

// The reset command: addressing, scrolling and the value registers; the
// display's modes, its power and the RAM stay.
void St7565pController::software_reset()
{
    const State defaults;
    state_.start_line = defaults.start_line;
    state_.page = defaults.page;
    state_.column = defaults.column;
    state_.com_reverse = defaults.com_reverse;
    state_.regulator_ratio = defaults.regulator_ratio;
    state_.volume = defaults.volume;
    state_.read_modify_write = defaults.read_modify_write;
    state_.static_indicator_on = defaults.static_indicator_on;
    state_.static_indicator_mode = defaults.static_indicator_mode;
}

std::uint8_t St7565pController::display_ram(int page, int column) const
{
    if (page < 0 || page >= kPages || column < 0 || column >= kColumns)
        fail("display RAM has no page " + std::to_string(page) + ", column " + std::to_string(column));
    return ram_[static_cast<std::size_t>(page)][static_cast<std::size_t>(column)];
}

bool St7565pController::glass_driven() const
{
    return state_.display_on && state_.power_control == kAllCircuitsOn && !reset_held_;
}

// The glass is mounted mirrored: screen column x sits on segment 127 - x.
// ADC normal drives segment s from RAM column s; reverse from column 131 - s,
// which puts RAM column x + 4 at screen column x.
int St7565pController::ram_column(int x) const
{
    return state_.adc_reverse ? x + kAdcReverseShift : kGlassColumns - 1 - x;
}

// Screen row y is common y; reverse scanning runs the commons bottom up. The
// start line scrolls the 64 RAM lines under the commons.
int St7565pController::ram_line(int y) const
{
    const int common = state_.com_reverse ? kLines - 1 - y : y;
    return (common + state_.start_line) % kLines;
}

bool St7565pController::ram_bit(int line, int column) const
{
    return (ram_[static_cast<std::size_t>(line / 8)][static_cast<std::size_t>(column)] >> (line % 8) & 1) != 0;
}

bool St7565pController::pixel(int x, int y) const
{
    if (x < 0 || x >= LcdImage::kWidth || y < 0 || y >= LcdImage::kHeight)
        fail("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is off the 128x64 glass");
    if (!glass_driven()) return false;
    return state_.all_points_on || ram_bit(ram_line(y), ram_column(x)) != state_.reverse_display;
}

LcdImage St7565pController::image() const
{
    LcdImage::Bytes bytes{};
    if (!glass_driven()) return LcdImage(bytes);
    for (int y = 0; y < LcdImage::kHeight; ++y) {
        const int line = ram_line(y);
        const auto bit = static_cast<std::uint8_t>(1u << (y % 8));
        std::uint8_t* row = bytes.data() + static_cast<std::ptrdiff_t>(y / 8) * LcdImage::kWidth;
        for (int x = 0; x < LcdImage::kWidth; ++x)
            if (state_.all_points_on || ram_bit(line, ram_column(x)) != state_.reverse_display) row[x] |= bit;
    }
    return LcdImage(bytes);
}

}  // namespace sim
