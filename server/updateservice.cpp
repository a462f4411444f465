#include "updateservice.h"

#include "regularfile.h"
#include "updateprotocol.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/awaitable_operators.hpp>

#include <array>
#include <cstdint>
#include <iostream>
#include <limits>
#include <variant>

#include <sys/stat.h>
#include <unistd.h>

using asio::ip::tcp;
using namespace UpdateProtocol;
using namespace asio::experimental::awaitable_operators;

namespace {

constexpr auto useTuple = asio::experimental::as_tuple(asio::use_awaitable);
// A request line longer than this (without CR LF) is no request of ours.
constexpr std::size_t maxLine = 1024;
constexpr std::size_t chunkSize = 64 * 1024;

// Client text made safe for a log line.
std::string printable(const std::string &text) {
    std::string out;
    for (const unsigned char c : text.substr(0, 80))
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    return out;
}

std::string peerOf(const tcp::socket &socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    return ec ? std::string("?") : peer.address().to_string() + ":" + std::to_string(peer.port());
}

// An open installer, closed when it goes.
struct InstallerFile {
    int fd = -1;
    ~InstallerFile() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

void LogServerLine(const std::string &text) {
    std::cerr << "quillet-update-server: " << text << std::endl;
}

UpdateService::UpdateService(asio::io_context &io, const ServerOptions &options)
    : io_(io), options_(options),
      acceptor_(io, tcp::endpoint(asio::ip::make_address(options.listen), options.port)),
      signals_(io, SIGINT, SIGTERM) {}

void UpdateService::start() {
    asio::co_spawn(io_, acceptLoop(), asio::detached);
    signals_.async_wait([this](const asio::error_code &ec, int signal) {
        if (ec)
            return;
        LogServerLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        acceptor_.close();
        io_.stop();
    });
}

asio::awaitable<void> UpdateService::acceptLoop() {
    asio::steady_timer pause(io_);
    for (;;) {
        auto [ec, socket] = co_await acceptor_.async_accept(useTuple);
        if (ec == asio::error::operation_aborted || !acceptor_.is_open())
            co_return;
        if (ec) {
            // Out of descriptors, most likely: give the running downloads a moment.
            LogServerLine("accept failed: " + ec.message());
            pause.expires_after(std::chrono::milliseconds(100));
            co_await pause.async_wait(useTuple);
            continue;
        }
        if (active_ >= options_.maxConnections) {
            LogServerLine(peerOf(socket) + " refused: " + std::to_string(active_) +
                          " connections already");
            continue;
        }
        ++active_;
        asio::co_spawn(io_, serve(std::move(socket)), asio::detached);
    }
}

asio::awaitable<bool> UpdateService::readRequest(tcp::socket &socket, Request &request,
                                                 std::string &problem) {
    asio::steady_timer deadline(io_);
    deadline.expires_after(options_.timeout);
    std::string buffer;
    for (std::string *line : {&request.header, &request.command, &request.argument}) {
        auto outcome = co_await (
            asio::async_read_until(socket, asio::dynamic_buffer(buffer, maxLine + LineEnd.size()),
                                   LineEnd, useTuple) ||
            deadline.async_wait(useTuple));
        if (outcome.index() == 1) {
            problem = "no request within the time-out";
            co_return false;
        }
        const auto [ec, n] = std::get<0>(outcome);
        if (ec) {
            problem = ec == asio::error::not_found ? "request line too long"
                                                   : "closed before the request was complete";
            co_return false;
        }
        *line = buffer.substr(0, n - LineEnd.size());
        buffer.erase(0, n);
    }
    co_return true;
}

asio::awaitable<bool> UpdateService::send(tcp::socket &socket, asio::const_buffer bytes) {
    asio::steady_timer stalled(io_);
    while (bytes.size() > 0) {
        stalled.expires_after(options_.timeout);
        auto outcome =
            co_await (socket.async_write_some(bytes, useTuple) || stalled.async_wait(useTuple));
        if (outcome.index() == 1)
            co_return false;
        const auto [ec, n] = std::get<0>(outcome);
        if (ec)
            co_return false;
        bytes += n;
    }
    co_return true;
}

asio::awaitable<std::string> UpdateService::sendInstaller(tcp::socket &socket) {
    InstallerFile file;
    struct stat st {};
    // A FIFO or device named as installer is refused unopened: it could stall the whole server.
    int error = 0;
    if (!options_.installer.empty())
        file.fd = OpenRegularFile(options_.installer, error);
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        const std::string refusal = Line(ServerError);
        co_await send(socket, asio::buffer(refusal));
        co_return "ERR (installer unreadable)";
    }
    if (st.st_size > std::numeric_limits<std::int32_t>::max()) {
        const std::string noSize = Line(Yes) + Line(ServerError);
        co_await send(socket, asio::buffer(noSize));
        co_return "YES ERR (installer too large to announce)";
    }
    const std::int64_t size = st.st_size;
    // The size line and the first bytes go out together, as one packet where they fit.
    std::string chunk = Line(Yes) + Line(std::to_string(size));
    const std::size_t head = chunk.size();
    chunk.resize(head + chunkSize);
    std::int64_t sent = 0;
    std::size_t used = head;
    for (;;) {
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(chunk.size() - used), size - sent));
        const ssize_t n = want ? ::pread(file.fd, chunk.data() + used, want, sent) : 0;
        if (n < 0)
            co_return "YES " + std::to_string(size) + ", read failed after " +
                std::to_string(sent) + " bytes";
        if (used + std::size_t(n) == 0)
            break;
        if (!co_await send(socket, asio::buffer(chunk.data(), used + std::size_t(n))))
            co_return "YES " + std::to_string(size) + ", client gone after " +
                std::to_string(sent) + " bytes";
        sent += n;
        used = 0;
        if (n == 0 || sent >= size)
            break;
    }
    co_return "YES " + std::to_string(size) + ", " + std::to_string(sent) + " bytes sent";
}

asio::awaitable<void> UpdateService::serve(tcp::socket socket) {
    struct Slot {
        std::size_t &active;
        ~Slot() { --active; }
    } slot{active_};
    const std::string peer = peerOf(socket);
    Request request;
    std::string problem;
    std::string outcome;
    if (!co_await readRequest(socket, request, problem)) {
        LogServerLine(peer + " " + problem);
        co_return;
    }
    auto reply = [&](std::string text) -> asio::awaitable<void> {
        outcome = text.substr(0, text.find(LineEnd));
        co_await send(socket, asio::buffer(text));
    };
    if (request.header != Header) {
        co_await reply(Line(HeaderRefused));
    } else if (request.command == GetBuild) {
        co_await reply(Line(Yes) + Line(std::to_string(options_.build)));
        outcome += " " + std::to_string(options_.build);
    } else if (request.command != GetFile) {
        co_await reply(Line(UnknownCommand));
    } else if (request.argument != InstallerName) {
        co_await reply(Line(FileNotFound));
    } else {
        outcome = co_await sendInstaller(socket);
    }
    LogServerLine(peer + " " + printable(request.command) + " " + printable(request.argument) +
                  ": " + outcome);
    asio::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_send, ignored);
}
