// The C library's system calls: the fixed heap and the serial descriptors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "board_test.h"
#include "models/usart.h"

extern "C" {
char* _sbrk(int incr);
int _read(int file, char* ptr, int len);
int _write(int file, char* ptr, int len);
int _close(int file);
int _fstat(int file, struct stat* st);
int _isatty(int file);
int _lseek(int file, int ptr, int dir);
}

namespace {

class HeapTest : public BoardTest {};

TEST_F(HeapTest, FirstBreakIsTheStartOfAnAlignedHeap)
{
    char* start = _sbrk(0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(start) % 4096, 0u);
    EXPECT_EQ(_sbrk(0), start) << "a zero move leaves the break";
}

TEST_F(HeapTest, TheWholeHeapCanBeTakenAndGivenBack)
{
    char* start = _sbrk(4096);
    EXPECT_EQ(_sbrk(0), start + 4096);
    EXPECT_EQ(_sbrk(-4096), start + 4096);
    EXPECT_EQ(_sbrk(100), start);
    EXPECT_EQ(_sbrk(-100), start + 100);
    EXPECT_EQ(_sbrk(0), start);
}

TEST_F(HeapTest, OneByteTooManyReportsTheExcessAndHalts)
{
    open_console();
    board.run_code([] {
        _sbrk(4096);
        _sbrk(1);
    });
    EXPECT_TRUE(board.stopped());
    EXPECT_EQ(console(), "SYS_ASSERT: Heap overflow! at MALLOC_HEAP_SIZE:1\r\n");
}

TEST_F(HeapTest, ALargeRequestReportsItsWholeExcess)
{
    open_console();
    board.run_code([] {
        _sbrk(1000);
        _sbrk(5000);
    });
    EXPECT_TRUE(board.stopped());
    EXPECT_EQ(console(), "SYS_ASSERT: Heap overflow! at MALLOC_HEAP_SIZE:1904\r\n");
}

TEST_F(HeapTest, PowerOnEmptiesTheHeap)
{
    char* start = _sbrk(0);
    _sbrk(200);
    board.power_on();
    EXPECT_EQ(_sbrk(0), start);
}

class SerialDescriptorTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        open_console();
    }
};

TEST_F(SerialDescriptorTest, WriteSendsEveryByteInOrderWithoutTranslation)
{
    char text[] = "ab\nc\r\xff";
    EXPECT_EQ(_write(1, text, 6), 6);
    EXPECT_EQ(console(), std::string("ab\nc\r\xff", 6));
    EXPECT_EQ(_write(1, text, 1), 1) << "a single byte";
    EXPECT_EQ(console(), std::string("ab\nc\r\xff" "a", 7));
}

TEST_F(SerialDescriptorTest, EmptyOrNegativeLengthsSendNothing)
{
    char text[] = "abc";
    EXPECT_EQ(_write(1, text, 0), 0);
    EXPECT_EQ(_write(1, text, -5), -5);
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(_read(0, buffer, 0), 0);
    EXPECT_EQ(_read(0, buffer, -2), -2);
    EXPECT_EQ(console(), "");
    EXPECT_EQ(std::string(buffer, 4), "xxxx");
}

TEST_F(SerialDescriptorTest, ReadWaitsForEveryCharacter)
{
    models(board).usart(2).receive({'w', 'x', 'y', 'z', '!'});
    char buffer[5] = {};
    EXPECT_EQ(_read(0, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "wxyz");
    EXPECT_EQ(_read(0, buffer, 1), 1) << "a single byte";
    EXPECT_EQ(buffer[0], '!');
    // Four frames at 115200 bit/s had to arrive: at least 4 * 10 bit times.
    EXPECT_GE(models(board).clock().now(), 4u * 10u * 1000000000u / 115200u);
}

TEST_F(SerialDescriptorTest, FixedAnswersForCallsASerialLineCannotServe)
{
    struct stat st;
    std::memset(&st, 0x5A, sizeof st);
    const auto size_before = st.st_size;
    for (int fd : {0, 1, 2, 7, 11}) {
        EXPECT_EQ(_fstat(fd, &st), 0);
        EXPECT_EQ(st.st_mode, static_cast<mode_t>(S_IFCHR));
        EXPECT_EQ(st.st_size, size_before) << "other fields left as they were";
        EXPECT_EQ(_isatty(fd), 1);
        EXPECT_EQ(_close(fd), -1);
        EXPECT_EQ(_lseek(fd, 10, 0), 0);
    }
}

}  // namespace
