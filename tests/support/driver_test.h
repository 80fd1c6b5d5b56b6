// Fixture and helpers of the peripheral driver tests: the powered board with
// the console up (where failed argument checks are reported), scratch
// registers for what the board does not model, and the clock tree.
#ifndef TESTS_SUPPORT_DRIVER_TEST_H
#define TESTS_SUPPORT_DRIVER_TEST_H

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "board_test.h"
#include "clock_bring_up.h"
#include "scratch_registers.h"
#include "stm32f2xx.h"
#include "trace_expect.h"

// A free address after the last GPIO port: a "port" no check accepts.
constexpr std::uint32_t kForeignBase = 0x40022400u;

// The report of a failed check in a driver module: the check is the first
// line after the line opening `function` that contains `check`, so the
// expectation follows the source.
inline std::string report(const std::string& module, const std::string& function, const std::string& check,
                          int times = 1)
{
    std::ifstream source(std::string(TILTMON_DRIVER_SOURCE_DIR "/") + module);
    std::string text;
    int number = 0, line = 0;
    bool in_function = false;
    while (line == 0 && std::getline(source, text)) {
        ++number;
        if (!in_function)
            in_function = text.find(" " + function + "(") != std::string::npos && text.back() != ';';
        else if (text == "}")
            break;
        else if (text.find(check) != std::string::npos)
            line = number;
    }
    if (line == 0) ADD_FAILURE() << "no check " << check << " in " << function << " of " << module;
    std::string one = "STM_ASSERT:  at ../../../../Libraries/F2xx_Periph_Driver/src/" + module + ":" +
                      std::to_string(line) + "\r\n";
    std::string all;
    for (int i = 0; i < times; ++i) all += one;
    return all;
}

struct ScratchRegisters {
    std::vector<std::unique_ptr<RegisterFile>> scratch;
};

// ScratchRegisters comes first so that the board, which calls its models,
// goes before them.
class DriverTest : protected ScratchRegisters, public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        set_up_clocks();
        open_console();
    }
    virtual void set_up_clocks() {}

    RegisterFile& map_scratch(std::uint32_t base)
    {
        EXPECT_EQ(models(board).bus().name_at(base), "") << "the board maps this address now";
        scratch.push_back(std::make_unique<RegisterFile>());
        models(board).bus().map(base, RegisterFile::kSize, *scratch.back(), "scratch");
        return *scratch.back();
    }

    void run_start_up_clock_tree() { ::run_start_up_clock_tree(board); }
    void run_clock_tree(std::uint32_t sw, std::uint32_t pllcfgr, std::uint32_t prescalers)
    {
        ::run_clock_tree(board, sw, pllcfgr, prescalers);
    }
};

#endif
