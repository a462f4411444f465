#pragma once
// Minimal std::streambuf over a POSIX descriptor that it does not own: buffered reads, and
// writes passed straight through (a large write reaches the file as one write call).
#include <streambuf>
#include <vector>

class FdStreamBuf : public std::streambuf {
public:
    explicit FdStreamBuf(int fd, std::size_t bufferSize = 64 * 1024);

protected:
    int_type underflow() override;
    std::streamsize xsputn(const char *data, std::streamsize count) override;
    int_type overflow(int_type ch) override;

private:
    int fd_;
    std::vector<char> buffer_;
};
