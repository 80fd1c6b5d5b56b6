#include "st7565p_command.h"

namespace sim {

std::optional<St7565pCommand> decode_st7565p_command(std::uint8_t byte)
{
    const auto bits = [byte](unsigned mask) { return static_cast<std::uint8_t>(byte & mask); };
    const auto command = [](St7565pOp op, std::uint8_t argument) {
        return std::optional<St7565pCommand>{St7565pCommand{op, argument}};
    };
    if (byte <= 0x0F) return command(St7565pOp::ColumnLow, byte);
    if (byte <= 0x1F) return command(St7565pOp::ColumnHigh, bits(0x0F));
    if (byte <= 0x27) return command(St7565pOp::RegulatorRatio, bits(0x07));
    if (byte <= 0x2F) return command(St7565pOp::PowerControl, bits(0x07));
    if (byte >= 0x40 && byte <= 0x7F) return command(St7565pOp::StartLine, bits(0x3F));
    if (byte >= 0xB0 && byte <= 0xB8) return command(St7565pOp::PageAddress, bits(0x0F));
    if (byte >= 0xC0 && byte <= 0xCF) return command(St7565pOp::ComDirection, bits(0x08) >> 3);

    const std::uint8_t low_bit = bits(0x01);
    switch (byte) {
    case 0x81: return command(St7565pOp::ElectronicVolume, 0);
    case 0xA0: case 0xA1: return command(St7565pOp::Adc, low_bit);
    case 0xA2: case 0xA3: return command(St7565pOp::Bias, low_bit);
    case 0xA4: case 0xA5: return command(St7565pOp::AllPoints, low_bit);
    case 0xA6: case 0xA7: return command(St7565pOp::Reverse, low_bit);
    case 0xAC: case 0xAD: return command(St7565pOp::StaticIndicator, low_bit);
    case 0xAE: case 0xAF: return command(St7565pOp::Display, low_bit);
    case 0xE0: return command(St7565pOp::ReadModifyWrite, 0);
    case 0xE2: return command(St7565pOp::Reset, 0);
    case 0xE3: return command(St7565pOp::Nop, 0);
    case 0xEE: return command(St7565pOp::EndReadModifyWrite, 0);
    case 0xF8: return command(St7565pOp::BoosterRatio, 0);
    default: return std::nullopt;
    }
}

bool takes_value_byte(St7565pOp op)
{
    return op == St7565pOp::ElectronicVolume || op == St7565pOp::StaticIndicator || op == St7565pOp::BoosterRatio;
}

const char* describe(St7565pOp op)
{
    switch (op) {
    case St7565pOp::ColumnLow: return "column address low";
    case St7565pOp::ColumnHigh: return "column address high";
    case St7565pOp::RegulatorRatio: return "regulator resistor ratio";
    case St7565pOp::PowerControl: return "power control";
    case St7565pOp::StartLine: return "display start line";
    case St7565pOp::ElectronicVolume: return "electronic volume";
    case St7565pOp::Adc: return "ADC select";
    case St7565pOp::Bias: return "LCD bias";
    case St7565pOp::AllPoints: return "display all points";
    case St7565pOp::Reverse: return "normal/reverse display";
    case St7565pOp::StaticIndicator: return "static indicator";
    case St7565pOp::Display: return "display on/off";
    case St7565pOp::PageAddress: return "page address";
    case St7565pOp::ComDirection: return "common output direction";
    case St7565pOp::ReadModifyWrite: return "read-modify-write";
    case St7565pOp::Reset: return "reset";
    case St7565pOp::Nop: return "NOP";
    case St7565pOp::EndReadModifyWrite: return "end of read-modify-write";
    case St7565pOp::BoosterRatio: return "booster ratio";
    }
    return "?";
}

}  // namespace sim
