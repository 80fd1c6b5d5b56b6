#include "elf_image.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// Copies a structure out of the file if it lies wholly inside it.
template <typename T>
bool read_at(const std::vector<std::uint8_t>& file, std::uint64_t offset, T* out)
{
    if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
    std::memcpy(out, file.data() + offset, sizeof(T));
    return true;
}

std::string string_at(const std::vector<std::uint8_t>& file, const Elf32_Shdr& table, std::uint32_t index)
{
    if (index >= table.sh_size) return {};
    const std::uint64_t start = std::uint64_t{table.sh_offset} + index;
    const std::uint64_t end = std::uint64_t{table.sh_offset} + table.sh_size;
    if (end > file.size()) return {};
    std::string text;
    for (std::uint64_t i = start; i < end && file[i] != 0; ++i) text.push_back(static_cast<char>(file[i]));
    return text;
}

}  // namespace

std::optional<ElfImage> ElfImage::load(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return std::nullopt;
    }
    ElfImage image;
    in.seekg(0, std::ios::end);
    image.file_.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0, std::ios::beg);
    in.read(reinterpret_cast<char*>(image.file_.data()), static_cast<std::streamsize>(image.file_.size()));
    if (!in) {
        *error = "cannot read " + path;
        return std::nullopt;
    }
    const auto& file = image.file_;

    Elf32_Ehdr header{};
    if (!read_at(file, 0, &header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        *error = path + " is not an ELF file";
        return std::nullopt;
    }
    if (header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_machine != EM_ARM) {
        *error = path + " is not a 32-bit little-endian ARM image";
        return std::nullopt;
    }
    image.file_type_ = header.e_type;
    image.entry_ = header.e_entry;

    std::vector<Elf32_Shdr> raw_sections(header.e_shnum);
    for (std::size_t i = 0; i < raw_sections.size(); ++i) {
        if (header.e_shentsize != sizeof(Elf32_Shdr) ||
            !read_at(file, std::uint64_t{header.e_shoff} + i * sizeof(Elf32_Shdr), &raw_sections[i])) {
            *error = path + ": section header table is truncated";
            return std::nullopt;
        }
    }
    if (header.e_shstrndx >= raw_sections.size()) {
        *error = path + ": no section name table";
        return std::nullopt;
    }
    for (const auto& raw : raw_sections) {
        image.sections_.push_back(ElfSection{string_at(file, raw_sections[header.e_shstrndx], raw.sh_name),
                                             raw.sh_addr, raw.sh_size, raw.sh_offset, raw.sh_type,
                                             raw.sh_flags});
    }

    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        Elf32_Phdr raw{};
        if (header.e_phentsize != sizeof(Elf32_Phdr) ||
            !read_at(file, std::uint64_t{header.e_phoff} + i * sizeof(Elf32_Phdr), &raw)) {
            *error = path + ": program header table is truncated";
            return std::nullopt;
        }
        image.segments_.push_back(ElfSegment{raw.p_type, raw.p_vaddr, raw.p_paddr, raw.p_filesz, raw.p_memsz});
    }

    for (const auto& table : raw_sections) {
        if (table.sh_type != SHT_SYMTAB) continue;
        if (table.sh_link >= raw_sections.size() || table.sh_entsize != sizeof(Elf32_Sym)) {
            *error = path + ": malformed symbol table";
            return std::nullopt;
        }
        const auto& names = raw_sections[table.sh_link];
        for (std::uint32_t offset = 0; offset + sizeof(Elf32_Sym) <= table.sh_size; offset += sizeof(Elf32_Sym)) {
            Elf32_Sym raw{};
            if (!read_at(file, std::uint64_t{table.sh_offset} + offset, &raw)) {
                *error = path + ": symbol table is truncated";
                return std::nullopt;
            }
            image.symbols_.push_back(ElfSymbol{string_at(file, names, raw.st_name), raw.st_value, raw.st_size,
                                               ELF32_ST_BIND(raw.st_info), ELF32_ST_TYPE(raw.st_info)});
        }
    }
    if (image.symbols_.empty()) {
        *error = path + " has no symbol table (stripped?)";
        return std::nullopt;
    }
    return image;
}

const ElfSection* ElfImage::section(const std::string& name) const
{
    for (const auto& s : sections_) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

const ElfSymbol* ElfImage::symbol(const std::string& name) const
{
    const ElfSymbol* local = nullptr;
    for (const auto& s : symbols_) {
        if (s.name != name) continue;
        if (s.binding != STB_LOCAL) return &s;
        if (local == nullptr) local = &s;
    }
    return local;
}

std::optional<std::vector<std::uint8_t>> ElfImage::bytes_at(std::uint32_t address, std::uint32_t count) const
{
    for (const auto& s : sections_) {
        if (s.type != SHT_PROGBITS || (s.flags & SHF_ALLOC) == 0) continue;
        if (address < s.address || std::uint64_t{address} + count > std::uint64_t{s.address} + s.size) continue;
        const std::uint64_t offset = std::uint64_t{s.file_offset} + (address - s.address);
        if (offset + count > file_.size()) return std::nullopt;
        return std::vector<std::uint8_t>(file_.begin() + static_cast<std::ptrdiff_t>(offset),
                                         file_.begin() + static_cast<std::ptrdiff_t>(offset + count));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ElfImage::word_at(std::uint32_t address) const
{
    const auto bytes = bytes_at(address, 4);
    if (!bytes) return std::nullopt;
    return std::uint32_t{(*bytes)[0]} | std::uint32_t{(*bytes)[1]} << 8 | std::uint32_t{(*bytes)[2]} << 16 |
           std::uint32_t{(*bytes)[3]} << 24;
}

std::optional<std::uint16_t> ElfImage::halfword_at(std::uint32_t address) const
{
    const auto bytes = bytes_at(address, 2);
    if (!bytes) return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] | (*bytes)[1] << 8);
}
