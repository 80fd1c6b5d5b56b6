// Saving is all or nothing: a failure names the path and its cause and leaves
// no part file, and whatever was at the path before stays as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "contact_sheet.h"
#include "glass_picture.h"
#include "screens_rig.h"

namespace {

using screens_rig::read_png;
using screens_rig::ScratchFolder;

using Writer = std::function<void(const std::string& path)>;

struct WriterCase {
    const char* name;
    Writer write;
};

void PrintTo(const WriterCase& c, std::ostream* out) { *out << c.name; }

const WriterCase kWriters[] = {
    {"Glass", [](const std::string& path) { tools::write_lcd_png(screens_rig::pattern(), 100, path, 8); }},
    {"Sheet", [](const std::string& path) { tools::write_contact_sheet({{screens_rig::pattern(), 100, 0, "pattern"}}, path); }},
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Runs in the death test's child: says what failed and exits 0 if the write
// failed as it should.
[[noreturn]] void write_under_a_size_limit(const Writer& write, const std::string& path)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{200, 200};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        write(path);
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::_Exit(0);
    }
    std::_Exit(1);
}

class SaveTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(SaveTest, ReplacesAnOldFileWhole)
{
    const ScratchFolder folder;
    put(folder.file("shot.png"), "an older picture");
    GetParam().write(folder.file("shot.png"));
    EXPECT_NO_THROW(read_png(folder.file("shot.png")));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST_P(SaveTest, AMissingFolderIsNamedAndNothingIsLeft)
{
    const ScratchFolder folder;
    const std::string path = folder.file("missing/shot.png");
    try {
        GetParam().write(path);
        FAIL() << "wrote into a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), path + ": cannot create: No such file or directory");
    }
    EXPECT_TRUE(folder.names().empty());
}

// The disk fills up half way: a file size limit makes the write fail as a
// full disk would. It is set in a child process only.
TEST_P(SaveTest, AFailedWriteLeavesTheOldFileAndNoPart)
{
    const ScratchFolder folder;
    const std::string path = folder.file("shot.png");
    put(path, "an older picture");
    EXPECT_EXIT(write_under_a_size_limit(GetParam().write, path),
        ::testing::ExitedWithCode(0), "shot.png: cannot write: File too large");
    EXPECT_EQ(contents(path), "an older picture");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

INSTANTIATE_TEST_SUITE_P(Writers, SaveTest, ::testing::ValuesIn(kWriters),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
