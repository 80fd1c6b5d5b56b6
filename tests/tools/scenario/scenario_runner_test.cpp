// Scenarios worked on the board: a recording journey with a ramped tilt, its
// dump and screenshot, and the failures a person is told about.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "narrator.h"
#include "record_layout.h"
#include "scenario_parser.h"
#include "scenario_runner.h"
#include "text_spelling.h"

namespace {

using namespace sim;
namespace fs = std::filesystem;

struct Worked {
    std::string failure;  // empty when the scenario ran to its end
    std::string transcript;
    std::string console;
    std::vector<tools::Screenshot> shots;
};

class ScenarioRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("scenario-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Worked work(const std::string& text)
    {
        std::FILE* out = std::tmpfile();
        tools::Narrator narrator(board_, out);
        tools::ScenarioRunner runner(board_, narrator, tools::ScenarioSettings{dir_.string(), nullptr});
        Worked worked;
        try {
            runner.run(tools::parse_scenario(text, "t.scenario"));
        } catch (const tools::ScenarioFailure& failure) {
            worked.failure = failure.what();
        }
        std::rewind(out);
        for (int c; (c = std::fgetc(out)) != EOF;) worked.transcript += static_cast<char>(c);
        std::fclose(out);
        worked.console = runner.console();
        worked.shots = runner.screenshots();
        return worked;
    }

    Board board_;
    fs::path dir_;
};

const char* const kMenu = "power on\nexpect lcd 1 \" ->  NEW RECORD\"\n";

TEST_F(ScenarioRun, ARecordWithARampedTiltIsStoredRisingAndDumpedAsTheFlashHoldsIt)
{
    const Worked w = work(std::string(kMenu) +
                          "tilt x 0\n"
                          "press ok\n"
                          "expect lcd 0 \"RECORDING...\"\n"
                          "tilt x 30 over 30s\n"
                          "tilt y -20\n"
                          "run 40s\n"
                          "expect serial \"\\nscan\"\n"
                          "screenshot recording\n"
                          "press ok\n"
                          "expect led 2 off\n"
                          "expect flash 0x08020000 1E 00 00 EC\n"
                          "dump result sector.bin\n");
    ASSERT_EQ(w.failure, "");

    std::ifstream in(dir_ / "sector.bin", std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    const std::string bytes = read.str();
    const std::vector<std::uint8_t> dump(bytes.begin(), bytes.end());
    ASSERT_EQ(dump, board_.flash_bytes(RESULT_BASE, RESULT_SIZE));
    // One sample a second: X climbs with the ramp and holds at 30; Y stays at -20.
    int previous = -1, samples = 0;
    for (std::size_t i = 4; dump[i] != END_MARKER; i += 2, ++samples) {
        const int x = static_cast<std::int8_t>(dump[i]), y = static_cast<std::int8_t>(dump[i + 1]);
        EXPECT_GE(x, previous) << "sample " << samples;
        EXPECT_LE(x, 30);
        EXPECT_EQ(y, -20);
        previous = x;
    }
    EXPECT_GE(samples, 39);
    EXPECT_EQ(previous, 30);

    ASSERT_EQ(w.shots.size(), 1u);
    EXPECT_EQ(w.shots[0].caption, "recording.png");
    EXPECT_GT(w.shots[0].time, 40_s);
    EXPECT_TRUE(fs::file_size(dir_ / "recording.png") > 0);
}

TEST_F(ScenarioRun, AStepTheBoardDoesNotMeetNamesItsLineAndWhatTheBoardShows)
{
    const struct {
        std::string steps;
        const char* failure;
    } cases[] = {
        {"expect led 2 on\n", "t.scenario:3: expected LED2 on; it is off"},
        {"expect lcd 1 \"NEW\"\n", "t.scenario:3: expected LCD line 1 to read \"NEW\"; it reads \" ->  NEW RECORD\""},
        {"\nrun until serial \"ZEB\" within 2s\n",
         "t.scenario:4: expected the console to carry \"ZEB\" within 2 s; nothing was sent"},
        {"expect flash 0x080E0000 01 02\n", "t.scenario:3: expected the flash at 0x080E0000 to hold 01 02; it holds FF FF"},
        {"expect backlight off\n", "t.scenario:3: expected the backlight off; it is at 100 %"},
        {"power off\nexpect led 1 on\n", "t.scenario:4: expected LED1 on; it is off"},
        {"power off\nexpect backlight on\n", "t.scenario:4: expected the backlight on; it is at 0 %"},
        {"power off\nexpect lcd 1 \"NEW\"\n", "t.scenario:4: expected LCD line 1 to read \"NEW\"; it reads \"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(work(kMenu + c.steps).failure, c.failure);
}

// What the demo tells, as a terminal or a file gets it: lines of UTF-8 text
// with nothing that moves the cursor, graphs with the font's box drawing and
// the cells no character explains marked, and stamps that never go back,
// repeats folded where they end.
TEST_F(ScenarioRun, TheDemosTranscriptIsTextAndItsStampsNeverGoBack)
{
    std::ifstream in(TILTMON_SCENARIOS "/demo.scenario");
    std::ostringstream demo;
    demo << in.rdbuf();
    const Worked w = work(demo.str());
    ASSERT_EQ(w.failure, "");
    std::istringstream lines(w.transcript);
    const std::regex stamp(R"(^ *(?:(\d+):)?(\d+):(\d\d)\.(\d\d\d) )");
    long long last = -1, stamps = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(tools::first_not_text(line), std::string::npos) << line;
        std::smatch m;
        if (!std::regex_search(line, m, stamp)) continue;
        const long long ms = ((std::stoll(m[1].matched ? m[1].str() : "0") * 60 + std::stoll(m[2])) * 60 +
                              std::stoll(m[3])) * 1000 + std::stoll(m[4]);
        EXPECT_GE(ms, last) << line;
        last = ms;
        ++stamps;
    }
    EXPECT_GT(stamps, 100);
    for (const char* shown : {"(the same ", "(the last two ", "line 0: 90\u2502", "X\u2592"})
        EXPECT_NE(w.transcript.find(shown), std::string::npos) << shown;
}

TEST_F(ScenarioRun, PowerOffLeavesTheGlassAndTheLedsDarkUntilThePowerComesBack)
{
    EXPECT_EQ(work(std::string(kMenu) +
                   "power off\n"
                   "expect led 1 off\n"
                   "expect backlight off\n"
                   "expect lcd 1 is \"\"\n" +
                   kMenu + "expect led 1 on\n")
                  .failure,
              "");
}

TEST_F(ScenarioRun, AHeldButtonStaysDownForItsSpanAndAPushWaitsForARelease)
{
    const Worked w = work(std::string(kMenu) +
                          "push ok\n"
                          "run until lcd 0 \"RECORDING...\" within 5s\n"
                          "run until handled within 30s\n"
                          "release ok\n"
                          "hold ok 1s\n"
                          "expect lcd 1 \" ->  NEW RECORD\"\n"
                          "expect handled\n");
    EXPECT_EQ(w.failure, "");
    EXPECT_FALSE(board_.pressed(Button::Ok));
}

}  // namespace
