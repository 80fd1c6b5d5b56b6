// The firmware image of the target build, loaded once for all checks. Every
// check fails, not skips, when the image has not been built.
#ifndef TESTS_TARGET_TARGET_IMAGE_FIXTURE_H
#define TESTS_TARGET_TARGET_IMAGE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "elf_image.h"

inline std::string target_build_file(const std::string& name) { return std::string(TILTMON_TARGET_DIR) + "/" + name; }

class TargetImage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!image_) image_ = ElfImage::load(target_build_file("tiltmon.elf"), &error_);
    }

    void SetUp() override
    {
        ASSERT_TRUE(image_.has_value())
            << error_ << "\nBuild the firmware image first: cmake --preset target && cmake --build build/target -j2";
    }

    static const ElfImage& elf() { return *image_; }

    // Value of a symbol the image must define; records a failure and returns
    // 0 when it is missing.
    static std::uint32_t address_of(const std::string& name)
    {
        const ElfSymbol* symbol = image_->symbol(name);
        if (symbol == nullptr) {
            ADD_FAILURE() << "the image defines no symbol " << name;
            return 0;
        }
        return symbol->value;
    }

    static std::uint32_t word_at(std::uint32_t address)
    {
        const auto word = image_->word_at(address);
        if (!word) {
            ADD_FAILURE() << "the image holds no contents at 0x" << std::hex << address;
            return 0;
        }
        return *word;
    }

private:
    static inline std::optional<ElfImage> image_;
    static inline std::string error_;
};

#endif
