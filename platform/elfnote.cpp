// Finds the "Quillet" version note in an ELF file, through the section headers or, for a
// file without them, the note segments.
#include "versionparsers.h"

#include <cstring>

namespace {

constexpr std::uint32_t kSectionNote = 7; // SHT_NOTE
constexpr std::uint32_t kSegmentNote = 4; // PT_NOTE
constexpr std::uint8_t kMagic[4] = {0x7F, 'E', 'L', 'F'};
constexpr char kOwner[] = "Quillet";
constexpr std::uint32_t kOwnerSize = sizeof kOwner; // with its NUL

struct ElfLayout {
    bool is64;
    bool bigEndian;
};

std::uint64_t align4(std::uint64_t n) {
    return (n + 3) & ~std::uint64_t(3);
}

// Walks the notes in [offset, offset + size) and returns the version note's numbers.
std::optional<FileVersion> scanNotes(const ByteSource &f, const ElfLayout &elf,
                                     std::uint64_t offset, std::uint64_t size) {
    if (offset > f.size() || size > f.size() - offset)
        return std::nullopt;
    const std::uint64_t end = offset + size;
    std::uint64_t at = offset;
    while (end - at >= 12) {
        auto nameSize = f.u32(at, elf.bigEndian);
        auto descSize = f.u32(at + 4, elf.bigEndian);
        auto type = f.u32(at + 8, elf.bigEndian);
        if (!nameSize || !descSize || !type)
            return std::nullopt;
        const std::uint64_t name = at + 12;
        const std::uint64_t desc = name + align4(*nameSize);
        const std::uint64_t next = desc + align4(*descSize);
        if (next > end)
            return std::nullopt;
        char owner[kOwnerSize];
        if (*nameSize == kOwnerSize && *type == kQuilletVersionNoteType && *descSize == 16 &&
            f.read(name, owner, kOwnerSize) && std::memcmp(owner, kOwner, kOwnerSize) == 0) {
            std::uint32_t n[4];
            for (int i = 0; i < 4; ++i) {
                auto v = f.u32(desc + 4 * std::uint64_t(i), elf.bigEndian);
                if (!v || *v > 0xFFFF)
                    return std::nullopt;
                n[i] = *v;
            }
            return FileVersion{std::uint16_t(n[0]), std::uint16_t(n[1]), std::uint16_t(n[2]),
                               std::uint16_t(n[3])};
        }
        at = next;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> word(const ByteSource &f, const ElfLayout &elf, std::uint64_t at) {
    if (elf.is64)
        return f.u64(at, elf.bigEndian);
    auto v = f.u32(at, elf.bigEndian);
    return v ? std::optional<std::uint64_t>(*v) : std::nullopt;
}

// Offsets inside the file header and the section / program header entries.
struct Fields {
    std::uint64_t phoff, shoff, phentsize, phnum, shentsize, shnum;
    std::uint64_t shType, shOffset, shSize;
    std::uint64_t phOffset, phSize;
};

constexpr Fields kElf64{0x20, 0x28, 0x36, 0x38, 0x3A, 0x3C, 0x04, 0x18, 0x20, 0x08, 0x20};
constexpr Fields kElf32{0x1C, 0x20, 0x2A, 0x2C, 0x2E, 0x30, 0x04, 0x10, 0x14, 0x04, 0x10};

template <typename TableEntry>
std::optional<FileVersion> scanTable(const ByteSource &f, std::uint64_t tableOffset,
                                     std::uint64_t entrySize, std::uint64_t count,
                                     TableEntry entry) {
    if (tableOffset == 0 || tableOffset > f.size() || entrySize == 0)
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = tableOffset + i * entrySize;
        if (at > f.size())
            return std::nullopt;
        if (auto v = entry(at))
            return v;
    }
    return std::nullopt;
}

} // namespace

std::optional<FileVersion> ReadElfVersionNote(const ByteSource &f) {
    std::uint8_t ident[6];
    if (!f.read(0, ident, sizeof ident) || std::memcmp(ident, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    if ((ident[4] != 1 && ident[4] != 2) || (ident[5] != 1 && ident[5] != 2))
        return std::nullopt;
    const ElfLayout elf{ident[4] == 2, ident[5] == 2};
    const Fields &k = elf.is64 ? kElf64 : kElf32;

    auto shoff = word(f, elf, k.shoff);
    auto shentsize = f.u16(k.shentsize, elf.bigEndian);
    auto shnum = f.u16(k.shnum, elf.bigEndian);
    if (shoff && shentsize && shnum) {
        auto section = [&](std::uint64_t at) -> std::optional<FileVersion> {
            auto type = f.u32(at + k.shType, elf.bigEndian);
            auto offset = word(f, elf, at + k.shOffset);
            auto size = word(f, elf, at + k.shSize);
            if (!type || !offset || !size || *type != kSectionNote)
                return std::nullopt;
            return scanNotes(f, elf, *offset, *size);
        };
        if (auto v = scanTable(f, *shoff, *shentsize, *shnum, section))
            return v;
    }

    auto phoff = word(f, elf, k.phoff);
    auto phentsize = f.u16(k.phentsize, elf.bigEndian);
    auto phnum = f.u16(k.phnum, elf.bigEndian);
    if (!phoff || !phentsize || !phnum)
        return std::nullopt;
    auto segment = [&](std::uint64_t at) -> std::optional<FileVersion> {
        auto type = f.u32(at, elf.bigEndian);
        auto offset = word(f, elf, at + k.phOffset);
        auto size = word(f, elf, at + k.phSize);
        if (!type || !offset || !size || *type != kSegmentNote)
            return std::nullopt;
        return scanNotes(f, elf, *offset, *size);
    };
    return scanTable(f, *phoff, *phentsize, *phnum, segment);
}
