#pragma once
// Bounds-checked random access to the bytes of a file or a memory block, so the
// version-record parsers never read past what is there, whatever the offsets say.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies n bytes from offset into out; false (and nothing read) when any byte is missing.
    virtual bool read(std::uint64_t offset, void *out, std::size_t n) const = 0;

    // Little- or big-endian unsigned integers at an offset.
    std::optional<std::uint16_t> u16(std::uint64_t offset, bool bigEndian = false) const;
    std::optional<std::uint32_t> u32(std::uint64_t offset, bool bigEndian = false) const;
    std::optional<std::uint64_t> u64(std::uint64_t offset, bool bigEndian = false) const;

protected:
    bool inRange(std::uint64_t offset, std::size_t n) const {
        return offset <= size() && n <= size() - offset;
    }
};

class MemoryBytes : public ByteSource {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, void *out, std::size_t n) const override;

private:
    std::span<const std::uint8_t> bytes_;
};

// Reads with pread on demand, so large executables are never loaded whole.
class FileBytes : public ByteSource {
public:
    explicit FileBytes(const std::string &path);
    ~FileBytes() override;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, void *out, std::size_t n) const override;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};
