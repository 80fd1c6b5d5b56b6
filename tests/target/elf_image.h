// Read-only view of a 32-bit little-endian ARM ELF file: its sections, its
// symbol table and the words stored at target addresses.
#ifndef TESTS_TARGET_ELF_IMAGE_H
#define TESTS_TARGET_ELF_IMAGE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ElfSymbol {
    std::string name;
    std::uint32_t value = 0;
    std::uint32_t size = 0;
    unsigned binding = 0;  // STB_LOCAL, STB_GLOBAL, STB_WEAK
    unsigned type = 0;     // STT_FUNC, STT_OBJECT, ...
};

struct ElfSection {
    std::string name;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t file_offset = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
};

struct ElfSegment {
    std::uint32_t type = 0;
    std::uint32_t virtual_address = 0;
    std::uint32_t physical_address = 0;
    std::uint32_t file_size = 0;
    std::uint32_t memory_size = 0;
};

class ElfImage {
public:
    // Empty optional and a reason in *error when the file is missing or is
    // not a 32-bit little-endian ARM executable with a symbol table.
    static std::optional<ElfImage> load(const std::string& path, std::string* error);

    std::uint16_t file_type() const { return file_type_; }  // ET_EXEC, ET_REL, ...
    std::uint32_t entry() const { return entry_; }
    const std::vector<ElfSection>& sections() const { return sections_; }
    const std::vector<ElfSegment>& segments() const { return segments_; }
    const std::vector<ElfSymbol>& symbols() const { return symbols_; }

    const ElfSection* section(const std::string& name) const;
    // The global or weak symbol of that name if there is one, else a local one.
    const ElfSymbol* symbol(const std::string& name) const;
    // The 32-bit word stored in the image at a target address, if a section
    // with contents covers all four bytes.
    std::optional<std::uint32_t> word_at(std::uint32_t address) const;
    std::optional<std::uint16_t> halfword_at(std::uint32_t address) const;

private:
    std::optional<std::vector<std::uint8_t>> bytes_at(std::uint32_t address, std::uint32_t count) const;

    std::vector<std::uint8_t> file_;
    std::uint16_t file_type_ = 0;
    std::uint32_t entry_ = 0;
    std::vector<ElfSection> sections_;
    std::vector<ElfSegment> segments_;
    std::vector<ElfSymbol> symbols_;
};

#endif
