#pragma once
// The update service: one coroutine per connection reads a three-line request and answers
// it, all on one event loop, so a slow client never holds up the others.
#include "serveroptions.h"

#include <asio.hpp>

#include <cstddef>
#include <string>

class UpdateService {
public:
    // Binds and listens at once; throws std::system_error when it cannot.
    UpdateService(asio::io_context &io, const ServerOptions &options);

    unsigned short port() const { return acceptor_.local_endpoint().port(); }
    // Starts accepting connections and stops on SIGINT or SIGTERM.
    void start();

private:
    struct Request {
        std::string header, command, argument;
    };

    asio::awaitable<void> acceptLoop();
    asio::awaitable<void> serve(asio::ip::tcp::socket socket);
    // The request's three lines, or false when the client closed, sent too long a line or
    // took too long.
    asio::awaitable<bool> readRequest(asio::ip::tcp::socket &socket, Request &request,
                                      std::string &problem);
    // Writes the bytes, or gives up when the client takes none of them for the time-out.
    asio::awaitable<bool> send(asio::ip::tcp::socket &socket, asio::const_buffer bytes);
    // Answers a request for the installer; the text says what was sent.
    asio::awaitable<std::string> sendInstaller(asio::ip::tcp::socket &socket);

    asio::io_context &io_;
    ServerOptions options_;
    asio::ip::tcp::acceptor acceptor_;
    asio::signal_set signals_;
    std::size_t active_ = 0;
};

// One line on standard error.
void LogServerLine(const std::string &text);
