// A powered virtual board for tests that call firmware code directly.
#ifndef TESTS_SUPPORT_BOARD_TEST_H
#define TESTS_SUPPORT_BOARD_TEST_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "devices/serial_line.h"
#include "sercom.h"

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { board.power_on(); }

    // COM1 as the standard streams, as the firmware sets it up at start.
    void open_console()
    {
        ComPort_Init(COM1);
        ComPort_ConfigStdio(COM1, COM1, COM1);
        board.clear_serial_output();
    }
    std::string console() const { return board.serial_output(); }

    sim::Board board;
};

// The console text cut into lines, each with its "\r\n" or "\n" ending kept.
inline std::vector<std::string> console_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        line += c;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

#endif
