#include <string>
#include <vector>

#include "board/wiring.h"
#include "driver_test.h"
#include "models/flash_interface.h"
#include "stm32f2xx_flash.h"

namespace {

using sim::base_of;
using sim::FlashFault;
using sim::FlashInterface;
using sim::hex32;
using sim::Nanoseconds;
using sim::operator""_us;
using sim::SimError;

const std::uint32_t kRegisters = base_of("flash interface");
const std::uint32_t kCr = kRegisters + FlashInterface::CR;
constexpr std::uint32_t kSector5 = 0x08020000u;

// The flash driver reports its checks at fixed lines, wherever they stand.
std::string report_at(int line)
{
    return "STM_ASSERT:  at ../../../../Libraries/F2xx_Periph_Driver/src/stm32f2xx_flash.cpp:" +
           std::to_string(line) + "\r\n";
}

class FlashTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        FLASH_Unlock();
        board.trace().start();
    }
    std::uint32_t cr() { return models(board).flash_interface().peek(FlashInterface::CR); }
    std::vector<std::uint32_t> cr_writes()
    {
        std::vector<std::uint32_t> values;
        for (const RegisterWrite& w : writes_to(board.trace().accesses(), kCr, 4)) values.push_back(w.value);
        return values;
    }
    // Virtual time from the access that starts an operation to the next
    // write of CR, which the driver makes once the wait is over.
    Nanoseconds waited_after(const ExpectedAccess& start)
    {
        const std::vector<sim::BusAccess>& trace = board.trace().accesses();
        for (std::size_t i = 0; i < trace.size(); ++i)
            if (start.matches(trace[i]))
                for (std::size_t j = i + 1; j < trace.size(); ++j)
                    if (trace[j].write && trace[j].address == kCr) return trace[j].time - trace[i].time;
        ADD_FAILURE() << "no " << start.text() << " followed by a write of CR";
        return 0;
    }
    void start_case()
    {
        board.trace().clear();
        board.clear_serial_output();
    }
};

using FlashLocked = DriverTest;

TEST(FlashStatus, BusyComesFirstThenWriteProtectionThenAnyOtherFlagOfTheMask)
{
    struct Case {
        std::uint32_t sr;
        FLASH_Status status;
    };
    ModelRig rig;
    RegisterFile registers;  // SR states the controller would not show by itself
    rig.bus.map(kRegisters, RegisterFile::kSize, registers, "flash registers as storage");
    for (const Case c : {Case{0x00010010, FLASH_BUSY}, Case{0x00010000, FLASH_BUSY}, Case{0x12, FLASH_ERROR_WRP},
                         Case{0x10, FLASH_ERROR_WRP}, Case{0x02, FLASH_ERROR_PROGRAM}, Case{0x01, FLASH_ERROR_PROGRAM},
                         Case{0x04, FLASH_ERROR_PROGRAM}, Case{0x08, FLASH_ERROR_PROGRAM},
                         Case{0x20, FLASH_ERROR_PROGRAM},  // alignment
                         Case{0x40, FLASH_ERROR_PROGRAM},  // parallelism
                         Case{0x80, FLASH_ERROR_PROGRAM},  // sequence
                         Case{0x00, FLASH_COMPLETE}, Case{0xFFFEFF00, FLASH_COMPLETE}}) {
        registers.preset(FlashInterface::SR, c.sr);
        EXPECT_EQ(FLASH_GetStatus(), c.status) << hex32(c.sr);
    }
}

TEST_F(FlashLocked, UnlockWritesTheTwoKeysOnlyToALockedController)
{
    board.trace().start();
    FLASH_Unlock();
    const std::uint32_t keyr = kRegisters + FlashInterface::KEYR;
    EXPECT_TRUE(appear_in_order(board.trace().accesses(),
                                {write_of(keyr, FlashInterface::kKey1, 4), write_of(keyr, FlashInterface::kKey2, 4)}));
    EXPECT_EQ(models(board).flash_interface().peek(FlashInterface::CR) & FlashInterface::kLock, 0u);
    board.trace().clear();
    FLASH_Unlock();
    EXPECT_TRUE(accesses_to(board.trace().accesses(), keyr, 4).empty());
}

TEST_F(FlashTest, EraseUsesTheParallelismOfTheVoltageRangeAndClearsWhatItSet)
{
    struct Case {
        std::uint8_t range;
        std::uint32_t p;  // parallelism
        std::string reports;
    };
    board.load_flash(kSector5 - 1, {0x11});
    board.load_flash(kSector5 + 0x20000, {0x22});
    for (const Case& c : {Case{0, 0x000, ""}, Case{1, 0x100, ""}, Case{2, 0x200, ""}, Case{3, 0x300, ""},
                          Case{4, 0x300, report_at(352)}}) {
        SCOPED_TRACE(int(c.range));
        board.load_flash(kSector5 + 0x1234, {0x00});
        FLASH->CR = 0x300;  // left by an earlier operation
        start_case();
        EXPECT_EQ(FLASH_EraseSector(FLASH_Sector_5, c.range), FLASH_COMPLETE);
        const Nanoseconds busy = waited_after(write_bits(kCr, FlashInterface::kStart, FlashInterface::kStart));
        EXPECT_GE(busy, FlashInterface::erase_time(5));
        EXPECT_LT(busy, FlashInterface::erase_time(5) + 5_us);
        const std::uint32_t p = c.p;
        EXPECT_EQ(cr_writes(), (std::vector<std::uint32_t>{0, p, p, p | 0x2A, p | 0x1002A, p | 0x28, p}));
        EXPECT_EQ(board.flash_byte(kSector5 + 0x1234), 0xFFu);
        EXPECT_EQ(console(), c.reports);
    }
    EXPECT_EQ(board.flash_byte(kSector5 - 1), 0x11u) << "sector 4 untouched";
    EXPECT_EQ(board.flash_byte(kSector5 + 0x20000), 0x22u) << "sector 6 untouched";
}

TEST_F(FlashTest, ABadSectorIsReportedAndKeptToTheSectorField)
{
    board.load_flash(kSector5, {0x00});
    EXPECT_EQ(FLASH_EraseSector(0x2C, 7), FLASH_COMPLETE) << "0x2C holds sector 5 in its field";
    EXPECT_EQ(console(), report_at(351) + report_at(352));
    EXPECT_EQ(board.flash_byte(kSector5), 0xFFu);
    start_case();
    board.load_flash(kSector5, {0x00});
    EXPECT_EQ(FLASH_EraseSector(0x29, 2), FLASH_COMPLETE) << "0x29: bit 0 is the programming bit, not the sector's";
    EXPECT_EQ(console(), report_at(351));
    EXPECT_EQ(board.flash_byte(kSector5), 0xFFu);
    start_case();
    EXPECT_THROW(FLASH_EraseSector(0x60, 0), SimError) << "sector 12: the 1 MB part ends at 11";
    EXPECT_EQ(console(), report_at(351));
}

struct ProgramCase {
    std::uint32_t address;
    bool stored;
    Nanoseconds busy;
    std::string reports;
};

TEST_F(FlashTest, ProgramStoresOnlyAtFlashAddressesAndIsBusyForTheByteTime)
{
    RegisterFile& otp = map_scratch(0x1FFF7800u);  // the OTP area is not modelled
    const ProgramCase cases[] = {
        {0x080FFFFF, true, FlashInterface::kProgramTime, ""},
        {0x08000000, true, FlashInterface::kProgramTime, ""},
        {0x1FFF7A0F, true, 0, ""},
        {0x1FFF7800, true, 0, ""},
        {0x08100000, false, 0, report_at(582)},
        {0x1FFF7A10, false, 0, report_at(582)},
        {0x1FFF77FF, false, 0, report_at(582)},
        {0x07FFFFFF, false, 0, report_at(582)},
    };
    for (const ProgramCase& c : cases) {
        SCOPED_TRACE(hex32(c.address));
        FLASH->CR = 0x300;
        start_case();
        EXPECT_EQ(FLASH_ProgramByte(c.address, 0x5A), FLASH_COMPLETE);
        EXPECT_EQ(cr_writes(), (std::vector<std::uint32_t>{0, 0, FlashInterface::kProgram, 0}));
        const auto& trace = board.trace().accesses();
        if (c.stored) {
            EXPECT_TRUE(appear_in_order(trace, {write_of(kCr, FlashInterface::kProgram), write_of(c.address, 0x5A, 1),
                                                write_of(kCr, 0)}));
            const Nanoseconds busy = waited_after(write_of(c.address, 0x5A, 1));
            EXPECT_GE(busy, c.busy);
            EXPECT_LT(busy, c.busy + 5_us);
        } else {
            EXPECT_TRUE(accesses_to(trace, c.address, 1).empty());
        }
        EXPECT_EQ(console(), c.reports);
    }
    EXPECT_EQ(board.flash_byte(0x080FFFFF), 0x5Au);
    EXPECT_EQ(otp.read(0x20F, 1), 0x5Au);

    board.load_flash(kSector5, {0x7F});
    try {
        FLASH_ProgramByte(kSector5, 0x12);
        ADD_FAILURE() << "a byte that is not erased was programmed";
    } catch (const SimError& e) {
        EXPECT_NE(std::string(e.what()).find("not erased"), std::string::npos) << e.what();
    }
    EXPECT_EQ(board.flash_byte(kSector5), 0x7Fu);
}

struct FaultCase {
    FlashFault fault;
    FLASH_Status status;
};
constexpr FaultCase kFaults[] = {{FlashFault::WriteProtection, FLASH_ERROR_WRP},
                                 {FlashFault::Programming, FLASH_ERROR_PROGRAM}};

TEST_F(FlashTest, AnErrorLeftSetEndsEveryLaterOperationAtItsFirstWait)
{
    board.load_flash(kSector5 + 0x20, {0x00});
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.status);
        board.inject_flash_fault(c.fault);
        start_case();
        EXPECT_EQ(FLASH_ProgramByte(kSector5, 0x12), c.status);
        EXPECT_EQ(FLASH_ProgramByte(kSector5, 0x12), c.status) << "the flag stays";
        EXPECT_EQ(FLASH_EraseSector(FLASH_Sector_5, 0), c.status);
        EXPECT_TRUE(cr_writes().empty()) << "nothing set, nothing to clear";
        EXPECT_EQ(board.flash_byte(kSector5), 0xFFu);
        EXPECT_EQ(board.flash_byte(kSector5 + 0x20), 0x00u) << "not erased";
        FLASH->SR = FlashInterface::kStatusFlags;  // what only a reset does for the firmware
    }
}

// Aimed at the first status poll after the store (access 9 of a program) and
// after the start bit (access 12 of an erase).
TEST_F(FlashTest, AFaultDuringAnOperationIsItsResultAndItsBitsAreClearedAfterwards)
{
    sim::Cpu& cpu = models(board).cpu();
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.status);
        start_case();
        cpu.at_access(9, [&] { board.inject_flash_fault(c.fault); });
        EXPECT_EQ(FLASH_ProgramByte(kSector5 + 0x40, 0x12), c.status);
        EXPECT_TRUE(appear_in_order(board.trace().accesses(), {write_of(kSector5 + 0x40, 0x12, 1)}));
        EXPECT_EQ(cr() & FlashInterface::kProgram, 0u);
        FLASH->SR = FlashInterface::kStatusFlags;

        cpu.at_access(12, [&] { board.inject_flash_fault(c.fault); });
        EXPECT_EQ(FLASH_EraseSector(FLASH_Sector_5, 0), c.status);
        EXPECT_TRUE(appear_in_order(board.trace().accesses(), {write_bits(kCr, FlashInterface::kStart, FlashInterface::kStart)}));
        EXPECT_EQ(cr() & (FlashInterface::kSectorErase | 0xF8u), 0u);
        FLASH->SR = FlashInterface::kStatusFlags;
    }
}

}  // namespace
