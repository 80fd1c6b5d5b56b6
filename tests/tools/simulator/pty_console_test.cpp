// The console's pseudo-terminal at the end of a run: bytes a program read
// are delivered; bytes it left inside the pseudo-terminal when it closed it
// are counted as not read, so the run does not end as if all went out.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "pty_console.h"

namespace tools {
namespace {

using namespace std::chrono_literals;

// Pumps until everything is written into the pseudo-terminal (after the
// pause a program that opens it is given), within a generous bound.
bool all_written(PtyConsole& console)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (console.undelivered() > 0 && std::chrono::steady_clock::now() < deadline) {
        console.pump();
        std::this_thread::sleep_for(5ms);
    }
    return console.undelivered() == 0;
}

TEST(PtyConsole, ADrainCountsWhatTheReaderLeftUnread)
{
    const struct {
        const char* what;
        bool reads;
        bool drained;
    } rows[] = {{"a reader that reads it all", true, true}, {"a reader that closes without reading", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        PtyConsole console(100000);
        const int reader = ::open(console.path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(reader, 0);
        const std::string sent = "[X]:    1    [Y]:    2  degree\n";
        console.send(sent);
        ASSERT_TRUE(all_written(console));
        if (row.reads) {
            std::string got;
            char buffer[64];
            for (pollfd p{reader, POLLIN, 0}; got.size() < sent.size() && ::poll(&p, 1, 30000) == 1;) {
                const ssize_t n = ::read(reader, buffer, sizeof buffer);
                if (n <= 0) break;
                got.append(buffer, static_cast<std::size_t>(n));
            }
            EXPECT_EQ(got, sent);
        }
        ::close(reader);
        EXPECT_EQ(console.drain(0ms), row.drained);
        EXPECT_EQ(console.undelivered(), row.drained ? 0u : sent.size());
    }
}

}  // namespace
}  // namespace tools
