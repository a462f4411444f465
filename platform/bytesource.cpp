#include "bytesource.h"

#include "regularfile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

template <typename T>
std::optional<T> readUnsigned(const ByteSource &source, std::uint64_t offset, bool bigEndian) {
    std::uint8_t b[sizeof(T)];
    if (!source.read(offset, b, sizeof b))
        return std::nullopt;
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        std::size_t k = bigEndian ? i : sizeof(T) - 1 - i;
        value = T((value << 8) | b[k]);
    }
    return value;
}

} // namespace

std::optional<std::uint16_t> ByteSource::u16(std::uint64_t offset, bool bigEndian) const {
    return readUnsigned<std::uint16_t>(*this, offset, bigEndian);
}

std::optional<std::uint32_t> ByteSource::u32(std::uint64_t offset, bool bigEndian) const {
    return readUnsigned<std::uint32_t>(*this, offset, bigEndian);
}

std::optional<std::uint64_t> ByteSource::u64(std::uint64_t offset, bool bigEndian) const {
    return readUnsigned<std::uint64_t>(*this, offset, bigEndian);
}

bool MemoryBytes::read(std::uint64_t offset, void *out, std::size_t n) const {
    if (!inRange(offset, n))
        return false;
    if (n > 0)
        std::memcpy(out, bytes_.data() + offset, n);
    return true;
}

FileBytes::FileBytes(const std::string &path) {
    int error = 0;
    fd_ = OpenRegularFile(path, error);
    if (fd_ < 0)
        return;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    size_ = std::uint64_t(st.st_size);
}

FileBytes::~FileBytes() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileBytes::read(std::uint64_t offset, void *out, std::size_t n) const {
    if (fd_ < 0 || !inRange(offset, n))
        return false;
    auto *dst = static_cast<char *>(out);
    while (n > 0) {
        ssize_t got = ::pread(fd_, dst, n, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        dst += got;
        offset += std::uint64_t(got);
        n -= std::size_t(got);
    }
    return true;
}
