#include "tcpclient.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Short enough that a window pumped between slices keeps drawing smoothly.
constexpr std::chrono::milliseconds waitSlice(10);

// A name lookup cannot be cut into slices, so it runs on a thread of its own; the caller
// may give up on it, and the thread then finishes alone.
struct Lookup {
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    std::optional<std::uint32_t> address;
};

std::optional<std::uint32_t> systemLookUp(const std::string &host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *result = nullptr;
    std::optional<std::uint32_t> address;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0 && result)
        address = reinterpret_cast<const sockaddr_in *>(result->ai_addr)->sin_addr.s_addr;
    if (result)
        ::freeaddrinfo(result);
    return address;
}

} // namespace

void TTcpClient::setRemoteHost(const std::string &host) {
    if (host == host_)
        return;
    Disconnect();
    host_ = host;
}

void TTcpClient::setRemotePort(const std::string &port) {
    if (port == port_)
        return;
    Disconnect();
    port_ = port;
}

bool TTcpClient::resolve(unsigned long &address) {
    if (host_.empty())
        return false;
    if (host_.front() >= '0' && host_.front() <= '9') {
        in_addr dotted{};
        if (::inet_aton(host_.c_str(), &dotted) == 0)
            return false;
        address = dotted.s_addr;
        return true;
    }
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host = host_, lookUp = NameLookup ? NameLookup : systemLookUp] {
        const std::optional<std::uint32_t> found = lookUp(host);
        std::lock_guard lock(lookup->mutex);
        lookup->address = found;
        lookup->done = true;
        lookup->doneChanged.notify_all();
    }).detach();
    const auto deadline = Clock::now() + ConnectTimeout;
    const std::uint64_t cuts = cuts_;
    std::unique_lock lock(lookup->mutex);
    while (!lookup->done) {
        if (Clock::now() >= deadline)
            return false;
        lookup->doneChanged.wait_for(lock, waitSlice);
        if (!lookup->done && WaitPump) {
            lock.unlock();
            WaitPump();
            lock.lock();
            if (cuts_ != cuts)
                return false;
        }
    }
    if (!lookup->address)
        return false;
    address = *lookup->address;
    return true;
}

bool TTcpClient::portNumber(unsigned short &port) const {
    if (const servent *service = ::getservbyname(port_.c_str(), "tcp")) {
        port = service->s_port;
        return true;
    }
    if (port_.empty() || port_.size() > 5 ||
        !std::all_of(port_.begin(), port_.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long value = std::stoul(port_);
    if (value > 65535)
        return false;
    port = htons(static_cast<unsigned short>(value));
    return true;
}

bool TTcpClient::Connect() {
    if (connected_)
        return true;
    closeSocket();
    const auto started = Clock::now();
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    unsigned long address = 0;
    if (!portNumber(peer.sin_port) || !resolve(address))
        return false;
    peer.sin_addr.s_addr = static_cast<in_addr_t>(address);

    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    if (::connect(fd_, reinterpret_cast<const sockaddr *>(&peer), sizeof peer) != 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            ConnectTimeout - (Clock::now() - started));
        int error = errno;
        if (error == EINPROGRESS && waitFor(POLLOUT, left) == Wait::Ready) {
            socklen_t length = sizeof error;
            if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
        if (error != 0) {
            closeSocket();
            return false;
        }
    }
    // From here on the socket blocks; every receive waits for readiness first.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    connected_ = true;
    return true;
}

void TTcpClient::Disconnect() {
    ++cuts_;
    if (connected_)
        ::shutdown(fd_, SHUT_RDWR);
    closeSocket();
}

void TTcpClient::closeSocket() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    connected_ = false;
}

TTcpClient::Wait TTcpClient::waitFor(short events, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (fd_ < 0)
            return Wait::Failed;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        pollfd p{fd_, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::min(left, waitSlice).count()));
        if (n > 0)
            return Wait::Ready;
        if (n < 0 && errno != EINTR)
            return Wait::Failed;
        if (WaitPump)
            WaitPump();
    }
}

void TTcpClient::SendLine(const std::string &text, const std::string &delimiter) {
    if (fd_ < 0)
        return;
    const std::string line = text + delimiter;
    // A server that has gone must not end the program with SIGPIPE.
    (void)::send(fd_, line.data(), line.size(), MSG_NOSIGNAL);
}

TTcpClient::Line TTcpClient::ReadLine(const std::string &delimiter) {
    Line line;
    std::string &result = line.text;
    std::size_t taken = 0;
    // How much of the delimiter the previous look ended with: its rest may open the next.
    std::size_t pending = 0;
    char look[PeekLimit];
    // One deadline for the whole line: a server trickling a byte now and then cannot stretch
    // a read for ever.
    const auto deadline = Clock::now() + ReceiveTimeout;
    for (;;) {
        if (taken >= LineLimit) {
            line.status = ReadStatus::TooLong;
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (const Wait wait = waitFor(POLLIN, left); wait != Wait::Ready) {
            line.status = wait == Wait::TimedOut ? ReadStatus::TimedOut : ReadStatus::Failed;
            return line;
        }
        const std::size_t want = std::min(PeekLimit, LineLimit - taken);
        const ssize_t n = ::recv(fd_, look, want, MSG_PEEK);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            line.status = n == 0 ? ReadStatus::Closed : ReadStatus::Failed;
            return line;
        }
        const std::string_view seen(look, std::size_t(n));
        const std::string_view text = seen.substr(0, std::min(seen.size(), seen.find('\0')));

        if (pending > 0 && text.starts_with(std::string_view(delimiter).substr(pending))) {
            const std::size_t rest = delimiter.size() - pending;
            (void)::recv(fd_, look, rest, 0);
            result.resize(result.size() - pending);
            line.status = ReadStatus::Complete;
            return line;
        }
        const std::size_t at = delimiter.empty() ? text.npos : text.find(delimiter);
        if (at != text.npos) {
            (void)::recv(fd_, look, at + delimiter.size(), 0);
            result.append(text.substr(0, at));
            line.status = ReadStatus::Complete;
            return line;
        }
        if (::recv(fd_, look, std::size_t(n), 0) != n)
            return line; // Failed
        taken += std::size_t(n);
        result.append(text);
        pending = 0;
        if (!delimiter.empty() && text.size() == seen.size()) {
            for (std::size_t k = std::min(delimiter.size() - 1, text.size()); k > 0; --k) {
                if (text.ends_with(std::string_view(delimiter).substr(0, k))) {
                    pending = k;
                    break;
                }
            }
        }
    }
}

int TTcpClient::ReceiveBuf(char *buffer, int size) {
    if (fd_ < 0 || waitFor(POLLIN, ReceiveTimeout) != Wait::Ready)
        return -1;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, std::size_t(std::max(size, 0)), 0);
        if (n >= 0 || errno != EINTR)
            return static_cast<int>(n);
    }
}
