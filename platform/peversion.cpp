// Finds the fixed version information of a PE file: resource type 16 (version), then the
// first name or id and the first language that hold a valid "VS_VERSION_INFO" block.
#include "versionparsers.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kVersionResourceType = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoSize = 52;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
// A hostile file could nest tens of thousands of entries per level; real files have a few.
constexpr int kMaxEntriesVisited = 4096;

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

struct PeImage {
    const ByteSource &file;
    std::vector<Section> sections;
    std::uint64_t resourceBase = 0; // file offset of the resource directory
    std::uint32_t resourceSize = 0;

    // The file offset of n bytes at a relative virtual address, if all of them are on disk.
    std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t n) const {
        for (const Section &s : sections) {
            if (rva < s.virtualAddress)
                continue;
            const std::uint64_t delta = rva - s.virtualAddress;
            if (delta + n <= s.rawSize)
                return std::uint64_t(s.rawOffset) + delta;
        }
        return std::nullopt;
    }
};

struct DirectoryEntry {
    std::uint32_t name;
    std::uint32_t target;
};

// The entries of the resource directory at the given offset inside the resource section.
std::vector<DirectoryEntry> directoryEntries(const PeImage &pe, std::uint32_t at, int &budget) {
    std::vector<DirectoryEntry> entries;
    if (std::uint64_t(at) + 16 > pe.resourceSize)
        return entries;
    const std::uint64_t base = pe.resourceBase + at;
    auto named = pe.file.u16(base + 12);
    auto ids = pe.file.u16(base + 14);
    if (!named || !ids)
        return entries;
    const unsigned count = unsigned(*named) + *ids;
    for (unsigned i = 0; i < count && budget > 0; ++i, --budget) {
        const std::uint64_t e = std::uint64_t(at) + 16 + 8 * std::uint64_t(i);
        if (e + 8 > pe.resourceSize)
            break;
        auto name = pe.file.u32(pe.resourceBase + e);
        auto target = pe.file.u32(pe.resourceBase + e + 4);
        if (!name || !target)
            break;
        entries.push_back({*name, *target});
    }
    return entries;
}

// Reads the fixed part of a VS_VERSIONINFO block of the given size at a file offset.
std::optional<FileVersion> fixedInfo(const ByteSource &f, std::uint64_t at, std::uint32_t size) {
    static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr std::uint32_t kKeyBytes = sizeof kKey; // with its NUL
    constexpr std::uint32_t kValueOffset = (6 + kKeyBytes + 3) & ~3u;
    if (size < kValueOffset + kFixedInfoSize)
        return std::nullopt;
    auto length = f.u16(at);
    auto valueLength = f.u16(at + 2);
    if (!length || !valueLength || *length < kValueOffset + kFixedInfoSize || *length > size ||
        *valueLength < kFixedInfoSize)
        return std::nullopt;
    for (std::uint32_t i = 0; i < kKeyBytes / 2; ++i) {
        auto c = f.u16(at + 6 + 2 * i);
        if (!c || *c != kKey[i])
            return std::nullopt;
    }
    const std::uint64_t value = at + kValueOffset;
    auto signature = f.u32(value);
    auto ms = f.u32(value + 8);
    auto ls = f.u32(value + 12);
    if (!signature || !ms || !ls || *signature != kFixedInfoSignature)
        return std::nullopt;
    return FileVersion{std::uint16_t(*ms >> 16), std::uint16_t(*ms & 0xFFFF),
                       std::uint16_t(*ls >> 16), std::uint16_t(*ls & 0xFFFF)};
}

// A data entry: the resource's address (relative to the image) and size.
std::optional<FileVersion> resourceData(const PeImage &pe, std::uint32_t at) {
    if (std::uint64_t(at) + 16 > pe.resourceSize)
        return std::nullopt;
    auto rva = pe.file.u32(pe.resourceBase + at);
    auto size = pe.file.u32(pe.resourceBase + at + 4);
    if (!rva || !size)
        return std::nullopt;
    auto offset = pe.fileOffset(*rva, *size);
    if (!offset)
        return std::nullopt;
    return fixedInfo(pe.file, *offset, *size);
}

std::optional<FileVersion> searchVersionResource(const PeImage &pe) {
    int budget = kMaxEntriesVisited;
    for (const auto &type : directoryEntries(pe, 0, budget)) {
        if (type.name != kVersionResourceType || !(type.target & kSubdirectoryFlag))
            continue;
        for (const auto &id : directoryEntries(pe, type.target & ~kSubdirectoryFlag, budget)) {
            if (!(id.target & kSubdirectoryFlag))
                continue;
            for (const auto &lang : directoryEntries(pe, id.target & ~kSubdirectoryFlag, budget)) {
                if (lang.target & kSubdirectoryFlag)
                    continue;
                if (auto v = resourceData(pe, lang.target))
                    return v;
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<FileVersion> ReadPeVersionResource(const ByteSource &f) {
    if (f.u16(0) != std::optional<std::uint16_t>(0x5A4D)) // "MZ"
        return std::nullopt;
    auto peOffset = f.u32(0x3C);
    if (!peOffset || f.u32(*peOffset) != std::optional<std::uint32_t>(0x00004550)) // "PE\0\0"
        return std::nullopt;
    const std::uint64_t coff = std::uint64_t(*peOffset) + 4;
    auto sectionCount = f.u16(coff + 2);
    auto optionalSize = f.u16(coff + 16);
    auto magic = f.u16(coff + 20);
    if (!sectionCount || !optionalSize || !magic)
        return std::nullopt;
    const std::uint64_t optional = coff + 20;
    std::uint64_t directoryCountAt;
    if (*magic == 0x10B) // PE32
        directoryCountAt = 92;
    else if (*magic == 0x20B) // PE32+
        directoryCountAt = 108;
    else
        return std::nullopt;
    const std::uint64_t resourceEntryAt = directoryCountAt + 4 + 2 * 8;
    auto directoryCount = f.u32(optional + directoryCountAt);
    if (!directoryCount || *directoryCount <= 2 || resourceEntryAt + 8 > *optionalSize)
        return std::nullopt;
    auto resourceRva = f.u32(optional + resourceEntryAt);
    auto resourceSize = f.u32(optional + resourceEntryAt + 4);
    if (!resourceRva || !resourceSize || *resourceRva == 0 || *resourceSize == 0)
        return std::nullopt;

    PeImage pe{f, {}, 0, 0};
    const std::uint64_t table = optional + *optionalSize;
    for (unsigned i = 0; i < *sectionCount; ++i) {
        const std::uint64_t s = table + 40 * std::uint64_t(i);
        auto virtualSize = f.u32(s + 8);
        auto virtualAddress = f.u32(s + 12);
        auto rawSize = f.u32(s + 16);
        auto rawOffset = f.u32(s + 20);
        if (!virtualSize || !virtualAddress || !rawSize || !rawOffset)
            return std::nullopt;
        pe.sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawOffset});
    }
    // The resource directory's offsets are relative to its start; keep them inside the
    // part of it that is on disk.
    auto base = pe.fileOffset(*resourceRva, 16);
    if (!base)
        return std::nullopt;
    pe.resourceBase = *base;
    std::uint64_t available = 0;
    for (const Section &s : pe.sections) {
        if (*resourceRva >= s.virtualAddress && *resourceRva - s.virtualAddress < s.rawSize) {
            available = s.rawSize - (*resourceRva - s.virtualAddress);
            break;
        }
    }
    pe.resourceSize = std::uint32_t(std::min<std::uint64_t>(*resourceSize, available));
    return searchVersionResource(pe);
}
