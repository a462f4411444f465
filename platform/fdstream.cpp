#include "fdstream.h"

#include <cerrno>

#include <unistd.h>

FdStreamBuf::FdStreamBuf(int fd, std::size_t bufferSize) : fd_(fd), buffer_(bufferSize) {}

FdStreamBuf::int_type FdStreamBuf::underflow() {
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return traits_type::eof();
    setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
    return traits_type::to_int_type(*gptr());
}

std::streamsize FdStreamBuf::xsputn(const char *data, std::streamsize count) {
    std::streamsize done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, data + done, std::size_t(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof()))
        return traits_type::not_eof(ch);
    char c = traits_type::to_char_type(ch);
    return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
}
