#include "output_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "contact_sheet.h"
#include "text_spelling.h"

namespace tools {

namespace {

// "" when files can be made in folder.
std::string folder_refusal(const std::string& folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return spelled_text(folder) + ": " + std::strerror(errno);
    if (!S_ISDIR(status.st_mode)) return spelled_text(folder) + " is a file, not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return spelled_text(folder) + ": cannot write there: " + std::strerror(errno);
    return "";
}

}  // namespace

std::string check_outputs(const SimOptions& options, std::size_t screenshots, bool writes_files)
{
    if (!options.contact_sheet.empty()) {
        const std::string sheet = "--contact-sheet " + spelled_text(options.contact_sheet);
        if (screenshots == 0) return sheet + ": " + spelled_text(options.scenario) + " takes no screenshot";
        if (screenshots > kMaxSheetShots)
            return sheet + ": the scenario takes " + std::to_string(screenshots) + " screenshots, more than a sheet holds (" +
                   std::to_string(kMaxSheetShots) + "): split it into several scenarios";
    }
    if (writes_files || options.out_dir != ".") {
        if (::mkdir(options.out_dir.c_str(), 0777) != 0 && errno != EEXIST)
            return "--out: cannot make " + spelled_text(options.out_dir) + ": " + std::strerror(errno);
        if (const std::string refusal = folder_refusal(options.out_dir); !refusal.empty()) return "--out: " + refusal;
    }
    if (!options.contact_sheet.empty()) {
        const std::filesystem::path sheet(options.contact_sheet);
        if (!sheet.has_filename()) return "--contact-sheet: " + spelled_text(options.contact_sheet) + " names a folder, not a file";
        struct stat status {};
        if (::stat(options.contact_sheet.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            return "--contact-sheet: " + spelled_text(options.contact_sheet) + " is a folder, not a file";
        const std::string folder = sheet.has_parent_path() ? sheet.parent_path().string() : ".";
        if (const std::string refusal = folder_refusal(folder); !refusal.empty()) return "--contact-sheet: " + refusal;
    }
    return "";
}

}  // namespace tools
