#include "updateservice.h"

#include "completefile.h"
#include "regularfile.h"
#include "updateprotocol.h"

#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/awaitable_operators.hpp>

#include <algorithm>
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
// Connections dropped unserved are logged at most once in this time.
constexpr std::chrono::seconds dropReportInterval{5};

// The address to listen on: --listen as an address, or else as a name, whose first IPv4
// address is taken (the program's client speaks IPv4), or else its first address.
tcp::endpoint listenEndpoint(asio::io_context &io, const ServerOptions &options) {
    asio::error_code ec;
    const asio::ip::address address = asio::ip::make_address(options.listen, ec);
    if (!ec)
        return {address, options.port};
    tcp::resolver resolver(io);
    const auto found = resolver.resolve(options.listen, std::to_string(options.port),
                                        tcp::resolver::numeric_service, ec);
    if (ec || found.empty())
        throw std::runtime_error("--listen " + options.listen +
                                 " is neither an address nor a name that resolves: " +
                                 (ec ? ec.message() : std::string("no address")));
    for (const auto &entry : found)
        if (entry.endpoint().address().is_v4())
            return entry.endpoint();
    return found.begin()->endpoint();
}

std::string endpointText(const tcp::endpoint &endpoint) {
    const asio::ip::address address = endpoint.address();
    return (address.is_v6() ? "[" + address.to_string() + "]" : address.to_string()) + ":" +
           std::to_string(endpoint.port());
}

// The installer opened for reading, or -1 with the reason in `problem`.
int openInstaller(const std::string &path, struct stat &st, std::string &problem) {
    int error = 0;
    // A FIFO or device named as installer is refused unopened: it could stall the whole server.
    const int fd = path.empty() ? -1 : OpenRegularFile(path, error);
    if (path.empty())
        problem = "no installer given";
    else if (fd < 0 || ::fstat(fd, &st) != 0)
        problem = "cannot read " + path + ": " + DescribeFileError(fd < 0 ? error : errno);
    else if (st.st_size > std::numeric_limits<std::int32_t>::max())
        problem = path + " is too large to announce (more than 2 GiB)";
    else
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

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
    : io_(io), options_(options), acceptor_(io), signals_(io, SIGINT, SIGTERM), dropReport_(io) {
    const tcp::endpoint endpoint = listenEndpoint(io, options);
    asio::error_code ec;
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor_.bind(endpoint, ec);
    if (!ec)
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        throw std::runtime_error("cannot listen on " + endpointText(endpoint) + ": " +
                                 ec.message());
}

std::string UpdateService::where() const {
    return endpointText(acceptor_.local_endpoint());
}

std::string InstallerProblem(const std::string &path) {
    struct stat st {};
    std::string problem;
    const int fd = openInstaller(path, st, problem);
    if (fd >= 0)
        ::close(fd);
    return problem;
}

void UpdateService::start() {
    asio::co_spawn(io_, acceptLoop(), asio::detached);
    signals_.async_wait([this](const asio::error_code &ec, int signal) {
        if (ec)
            return;
        reportDrops();
        LogServerLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        // Every coroutine ends on its own, while the service it refers to still exists; the
        // connections cut here are no drops to report.
        stopping_ = true;
        asio::error_code ignored;
        acceptor_.close(ignored);
        dropReport_.cancel();
        for (Connection *connection : connections_)
            connection->socket.close(ignored);
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
            countDrop("not accepted (" + ec.message() + ")");
            pause.expires_after(std::chrono::milliseconds(100));
            co_await pause.async_wait(useTuple);
            continue;
        }
        admit(std::move(socket));
    }
}

void UpdateService::admit(tcp::socket socket) {
    asio::error_code ec;
    const asio::ip::address address = socket.remote_endpoint(ec).address();
    if (connections_.size() >= options_.maxConnections && silent_.empty()) {
        countDrop("refused while every place was serving a request");
        return;
    }
    // An address at its share makes room with its own oldest silent connection, if it has one.
    if (const auto held = perAddress_.find(address);
        held != perAddress_.end() && held->second >= options_.placesPerAddress()) {
        const auto own = std::find_if(silent_.begin(), silent_.end(),
                                      [&address](Connection *c) { return c->address == address; });
        if (own == silent_.end()) {
            countDrop("refused while their address held its share of places");
            return;
        }
        evict(**own);
    }
    auto connection = std::make_unique<Connection>(std::move(socket));
    connection->address = address;
    ++perAddress_[address];
    connection->entry = connections_.insert(connections_.end(), connection.get());
    connection->place = silent_.insert(silent_.end(), connection.get());
    const std::size_t silentShare = std::max<std::size_t>(1, options_.maxConnections / 2);
    while (connections_.size() > options_.maxConnections || silent_.size() > silentShare)
        evict(*silent_.front());
    asio::co_spawn(io_, serve(std::move(connection)), asio::detached);
}

void UpdateService::release(Connection &connection) {
    connections_.erase(connection.entry);
    if (const auto held = perAddress_.find(connection.address); --held->second == 0)
        perAddress_.erase(held);
}

void UpdateService::leaveSilence(Connection &connection) {
    if (connection.silent) {
        silent_.erase(connection.place);
        connection.silent = false;
    }
}

void UpdateService::evict(Connection &silent) {
    leaveSilence(silent);
    // Its place is free at once; its coroutine ends when the close reaches it.
    silent.evicted = true;
    release(silent);
    asio::error_code ignored;
    silent.socket.close(ignored);
    countDrop("closed while silent to make room");
}

void UpdateService::countDrop(const std::string &reason) {
    if (stopping_)
        return;
    ++drops_[reason];
    if (dropReportDue_)
        return;
    dropReportDue_ = true;
    dropReport_.expires_after(dropReportInterval);
    dropReport_.async_wait([this](const asio::error_code &ec) {
        dropReportDue_ = false;
        if (!ec)
            reportDrops();
    });
}

void UpdateService::reportDrops() {
    if (drops_.empty())
        return;
    std::string line = "connections dropped unserved:";
    for (const auto &[reason, count] : drops_)
        line += " " + std::to_string(count) + " " + reason + ",";
    line.back() = '.';
    LogServerLine(line);
    drops_.clear();
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
            problem = "closed with no request within the time-out";
            co_return false;
        }
        const auto [ec, n] = std::get<0>(outcome);
        if (ec) {
            problem = ec == asio::error::not_found ? "closed for a request line too long"
                                                   : "closed before the request was complete";
            co_return false;
        }
        *line = buffer.substr(0, n - LineEnd.size());
        buffer.erase(0, n);
    }
    co_return true;
}

bool UpdateService::keepsPace(Pace &pace) {
    const auto now = std::chrono::steady_clock::now();
    if (now < pace.spanEnd)
        return true;
    const std::uint64_t floor =
        std::uint64_t(options_.minRate) * std::uint64_t(options_.timeout.count()) / 1000;
    pace.tooSlow = pace.spanBytes < floor;
    pace.spanEnd = now + options_.timeout;
    pace.spanBytes = 0;
    return !pace.tooSlow;
}

asio::awaitable<bool> UpdateService::send(tcp::socket &socket, asio::const_buffer bytes,
                                          Pace *pace) {
    asio::steady_timer timer(io_);
    while (bytes.size() > 0) {
        if (pace && !keepsPace(*pace))
            co_return false;
        // A span ends no later than a stall would: the pace is looked at in time.
        timer.expires_after(options_.timeout);
        if (pace)
            timer.expires_at(std::min(timer.expiry(), pace->spanEnd));
        auto outcome =
            co_await (socket.async_write_some(bytes, useTuple) || timer.async_wait(useTuple));
        if (outcome.index() == 1) {
            if (pace)
                continue;
            co_return false;
        }
        const auto [ec, n] = std::get<0>(outcome);
        if (ec)
            co_return false;
        bytes += n;
        if (pace)
            pace->spanBytes += n;
    }
    co_return true;
}

asio::awaitable<std::string> UpdateService::sendInstaller(tcp::socket &socket) {
    InstallerFile file;
    struct stat st {};
    std::string problem;
    file.fd = openInstaller(options_.installer, st, problem);
    if (file.fd < 0 && st.st_size > std::numeric_limits<std::int32_t>::max()) {
        const std::string noSize = Line(Yes) + Line(ServerError);
        co_await send(socket, asio::buffer(noSize));
        co_return "YES ERR (" + problem + ")";
    }
    if (file.fd < 0) {
        const std::string refusal = Line(ServerError);
        co_await send(socket, asio::buffer(refusal));
        co_return "ERR (" + problem + ")";
    }
    const std::int64_t size = st.st_size;
    // The size line and the first bytes go out together, as one packet where they fit.
    std::string chunk = Line(Yes) + Line(std::to_string(size));
    const std::size_t head = chunk.size();
    chunk.resize(head + chunkSize);
    std::int64_t sent = 0;
    std::size_t used = head;
    Pace pace{std::chrono::steady_clock::now() + options_.timeout};
    for (;;) {
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(chunk.size() - used), size - sent));
        const ssize_t n = want ? ::pread(file.fd, chunk.data() + used, want, sent) : 0;
        if (n < 0)
            co_return "YES " + std::to_string(size) + ", read failed after " +
                std::to_string(sent) + " bytes";
        if (used + std::size_t(n) == 0)
            break;
        if (!co_await send(socket, asio::buffer(chunk.data(), used + std::size_t(n)),
                           options_.minRate ? &pace : nullptr))
            co_return "YES " + std::to_string(size) +
                (pace.tooSlow ? ", dropped below " + std::to_string(options_.minRate) +
                                    " bytes a second after "
                              : ", client gone after ") +
                std::to_string(sent) + " bytes";
        sent += n;
        used = 0;
        if (n == 0 || sent >= size)
            break;
    }
    co_return "YES " + std::to_string(size) + ", " + std::to_string(sent) + " bytes sent";
}

asio::awaitable<void> UpdateService::serve(std::unique_ptr<Connection> connection) {
    struct Slot {
        UpdateService &service;
        Connection &connection;
        ~Slot() {
            service.leaveSilence(connection);
            if (!connection.evicted)
                service.release(connection);
        }
    } slot{*this, *connection};
    tcp::socket &socket = connection->socket;
    const std::string peer = peerOf(socket);
    Request request;
    std::string problem;
    std::string outcome;
    const bool complete = co_await readRequest(socket, request, problem);
    if (connection->evicted)
        co_return; // counted when it was closed
    leaveSilence(*connection);
    if (!complete) {
        countDrop(problem);
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
