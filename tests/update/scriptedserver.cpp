#include "scriptedserver.h"

#include <algorithm>
#include <chrono>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listenOnLoopback(unsigned short &port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::listen(fd, 8);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
    port = ntohs(a.sin_port);
    return fd;
}

bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

} // namespace

ScriptedServer::ScriptedServer(std::vector<ScriptedReply> replies)
    : listener_(listenOnLoopback(port_)) {
    // Without replies nothing listens: a connect is refused.
    if (replies.empty()) {
        ::close(listener_);
        listener_ = -1;
    }
    thread_ = std::thread(&ScriptedServer::run, this, std::move(replies));
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

std::vector<std::string> ScriptedServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void ScriptedServer::run(std::vector<ScriptedReply> replies) {
    for (const ScriptedReply &reply : replies) {
        while (!stop_ && !readable(listener_, 20)) {
        }
        if (stop_)
            break;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (&reply == &replies.back()) {
            ::close(listener_);
            listener_ = -1;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::string request;
        char buffer[1024];
        for (int i = 0; i < 100 && std::count(request.begin(), request.end(), '\n') < 3; ++i) {
            if (!readable(fd, 20))
                continue;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, std::size_t(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        for (const std::string &packet : reply.packets) {
            ::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        while (reply.hold && !stop_) {
            if (readable(fd, 20) && ::recv(fd, buffer, sizeof buffer, 0) <= 0)
                break;
        }
        ::close(fd);
    }
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}
