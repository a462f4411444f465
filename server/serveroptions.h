#pragma once
// The update server's command line.
#include "updateprotocol.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ServerOptions {
    std::int32_t build = 0;
    // Empty: no installer, every file request fails on the server's side.
    std::string installer;
    std::string listen = "127.0.0.1";
    // 0 lets the system choose a free port; the start-up line names it.
    unsigned short port = UpdateProtocol::Port;
    std::size_t maxConnections = 1024;
    // The places one client address may hold at once; 0: a quarter of maxConnections, at
    // least 1.
    std::size_t maxPerAddress = 0;
    // How long a client may take to send its request, and a stalled download may wait.
    std::chrono::milliseconds timeout{10000};
    // A download that sends fewer bytes a second than this over a span of `timeout` is
    // dropped, so slow readers cannot keep places for ever; 0: no floor.
    std::size_t minRate = 4096;

    std::size_t placesPerAddress() const {
        return maxPerAddress ? maxPerAddress : std::max<std::size_t>(1, maxConnections / 4);
    }
};

enum class ServerCommand { Serve, Help, Version, UsageError };

struct ServerCommandLine {
    ServerCommand command = ServerCommand::Serve;
    ServerOptions options;
    std::string error;
};

// The text of --help.
std::string ServerUsage();

ServerCommandLine ParseServerCommandLine(const std::vector<std::string> &args);
