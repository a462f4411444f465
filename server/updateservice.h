#pragma once
// The update service: one coroutine per connection reads a three-line request and answers
// it, all on one event loop, so a slow client never holds up the others. Connections that
// have not yet sent their request ("silent" ones) may hold at most half the places: beyond
// that, and when every place is taken, the oldest silent one is closed to make room, so a
// client that floods connections cannot keep the others out. One client address may hold
// no more than its share of the places, and a download slower than the floor rate is
// dropped, so no client can keep the others out by reading slowly either. Connections
// dropped unserved are counted and logged as one line per interval.
#include "serveroptions.h"

#include <asio.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>

class UpdateService {
public:
    // Binds and listens at once; throws std::runtime_error naming the address and port, or
    // the --listen value that is neither an address nor a name that resolves.
    UpdateService(asio::io_context &io, const ServerOptions &options);

    // "127.0.0.1:4995" or "[::1]:4995".
    std::string where() const;
    // Starts accepting connections; SIGINT or SIGTERM close every connection, and the event
    // loop then runs out of work.
    void start();

private:
    struct Request {
        std::string header, command, argument;
    };
    // An accepted connection, listed among the silent ones until its request is read.
    struct Connection {
        explicit Connection(asio::ip::tcp::socket s) : socket(std::move(s)) {}
        asio::ip::tcp::socket socket;
        asio::ip::address address;               // the client's, as counted in perAddress_
        std::list<Connection *>::iterator entry; // in connections_ until evicted
        std::list<Connection *>::iterator place; // in silent_ while silent
        bool silent = true;
        bool evicted = false;
    };

    // The floor rate of a download: at least options_.minRate bytes a second in each span.
    struct Pace {
        std::chrono::steady_clock::time_point spanEnd;
        std::uint64_t spanBytes = 0;
        bool tooSlow = false;
    };

    void admit(asio::ip::tcp::socket socket);
    // Frees the connection's place.
    void release(Connection &connection);
    void leaveSilence(Connection &connection);
    // Closes a silent connection to make room for a new one.
    void evict(Connection &silent);
    // Counts a connection dropped unserved; the counts go to the log once per interval.
    void countDrop(const std::string &reason);
    void reportDrops();

    asio::awaitable<void> acceptLoop();
    asio::awaitable<void> serve(std::unique_ptr<Connection> connection);
    // The request's three lines, or false when the client closed, sent too long a line or
    // took too long.
    asio::awaitable<bool> readRequest(asio::ip::tcp::socket &socket, Request &request,
                                      std::string &problem);
    // Writes the bytes, or gives up when the client takes none of them for the time-out or,
    // given a pace, falls below the floor rate (which the pace then tells).
    asio::awaitable<bool> send(asio::ip::tcp::socket &socket, asio::const_buffer bytes,
                               Pace *pace = nullptr);
    // False when the span that has ended fell short of the floor rate; starts the next span.
    bool keepsPace(Pace &pace);
    // Answers a request for the installer; the text says what was sent.
    asio::awaitable<std::string> sendInstaller(asio::ip::tcp::socket &socket);

    asio::io_context &io_;
    ServerOptions options_;
    asio::ip::tcp::acceptor acceptor_;
    asio::signal_set signals_;
    std::list<Connection *> connections_;                 // the places taken
    std::list<Connection *> silent_;                      // oldest first
    std::map<asio::ip::address, std::size_t> perAddress_; // places taken, by client address
    std::map<std::string, std::size_t> drops_;
    asio::steady_timer dropReport_;
    bool dropReportDue_ = false;
    bool stopping_ = false;
};

// Why the installer cannot be served ("cannot read /srv/setup.exe: no such file"), or empty.
std::string InstallerProblem(const std::string &path);

// One line on standard error.
void LogServerLine(const std::string &text);
