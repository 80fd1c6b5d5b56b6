// Where a scenario's files go is checked before it runs: --out a folder that
// can be written (made if missing), the contact sheet's place, and no more
// screenshots than a sheet holds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "output_checks.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

TEST(OutputChecks, ARunThatWouldFailAtItsFilesDoesNotStart)
{
    const fs::path dir = fs::temp_directory_path() / ("output-checks-" + std::to_string(::getpid()));
    fs::create_directories(dir / "ro");
    std::ofstream(dir / "file") << "x";
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    const std::string d = dir.string();
    const struct {
        std::string out, sheet;
        std::size_t screenshots;
        std::string refusal;  // its start; "" when the run may start
    } rows[] = {
        {d + "/made", "", 1, ""},
        {d + "/made", d + "/made/sheet.png", 500, ""},
        {".", "", 0, ""},
        {d + "/file", "", 1, "--out: " + d + "/file is a file, not a folder"},
        {d + "/missing/deeper", "", 1, "--out: cannot make " + d + "/missing/deeper: No such file or directory"},
        {d, d + "/s.png", 501,
         "--contact-sheet " + d + "/s.png: the scenario takes 501 screenshots, more than a sheet holds (500)"},
        {d, d + "/s.png", 0, "--contact-sheet " + d + "/s.png: journey.scenario takes no screenshot"},
        {d, d + "/made", 1, "--contact-sheet: " + d + "/made is a folder, not a file"},
        {d, d + "/missing/s.png", 1, "--contact-sheet: " + d + "/missing: No such file or directory"},
        {d, d + "/file/s.png", 1, "--contact-sheet: " + d + "/file is a file, not a folder"},
    };
    for (const auto& row : rows) {
        SimOptions options;
        options.mode = SimOptions::Mode::Scenario;
        options.scenario = "journey.scenario";
        options.out_dir = row.out;
        options.contact_sheet = row.sheet;
        const std::string refusal = check_outputs(options, row.screenshots, row.screenshots > 0);
        EXPECT_EQ(refusal.substr(0, row.refusal.size()), row.refusal) << row.out << " " << row.sheet;
        EXPECT_EQ(refusal.empty(), row.refusal.empty()) << refusal;
    }
    // Root may write anywhere: the read-only folder is refused only for others.
    if (::geteuid() != 0) {
        SimOptions options;
        options.out_dir = d + "/ro";
        EXPECT_NE(check_outputs(options, 1, true).find("cannot write there"), std::string::npos);
    }
    fs::permissions(dir / "ro", fs::perms::owner_all);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tools
