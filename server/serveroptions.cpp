#include "serveroptions.h"

#include "optionparser.h"

#include <cstdint>

namespace {

struct ServerTargets {
    ServerOptions &options;
    bool haveBuild = false;
};

std::vector<CommandOption> serverTable(ServerTargets &t) {
    using namespace UpdateProtocol;
    static const std::string installerHelp = "the installer sent as " + std::string(InstallerName) +
                                             " (without it,\n" + "file requests are answered " +
                                             std::string(ServerError) + ")";
    static const std::string portHelp =
        "TCP port (default: " + std::to_string(Port) + "; 0: any free port)";
    static const std::string minRateHelp =
        "a download sending fewer bytes a second, over a span\nof --timeout, is dropped "
        "(default: " +
        std::to_string(ServerOptions().minRate) + "; 0: no floor)";
    ServerOptions &o = t.options;
    return {
        ValueOption(0, "build", "N", "the newest build number, announced to every client",
                    "a whole number",
                    [&t, take = DecimalInto(o.build, INT32_MIN, INT32_MAX)](const std::string &v) {
                        return t.haveBuild = take(v);
                    }),
        ValueOption(0, "installer", "FILE", installerHelp, "a file", TextInto(o.installer)),
        ValueOption(0, "port", "N", portHelp, "a number from 0 to 65535",
                    DecimalInto(o.port, 0, 65535)),
        ValueOption(0, "listen", "ADDRESS",
                    "address or host name to listen on (default: 127.0.0.1)", "an address",
                    TextInto(o.listen)),
        ValueOption(0, "max-connections", "N",
                    "connections served at once (default: 1024); beyond\n"
                    "it the oldest one yet to send its request makes room,\n"
                    "else the new one is closed",
                    "a number from 1 to 1000000", DecimalInto(o.maxConnections, 1, 1000000)),
        ValueOption(0, "max-per-address", "N",
                    "connections one client address may hold at once\n"
                    "(default: a quarter of --max-connections, at least 1);\n"
                    "beyond it that address's oldest one yet to send its\n"
                    "request makes room, else the new one is closed",
                    "a number from 1 to 1000000", DecimalInto(o.maxPerAddress, 1, 1000000)),
        ValueOption(0, "timeout", "SECONDS",
                    "time a client has for its request, and a stalled\n"
                    "download may wait (default: 10)",
                    "a number of seconds from 1 to 86400",
                    [&o](const std::string &v) {
                        const auto seconds = ParseDecimal(v, 1, 86400);
                        if (seconds)
                            o.timeout = std::chrono::seconds(*seconds);
                        return seconds.has_value();
                    }),
        ValueOption(0, "min-rate", "BYTES", minRateHelp, "a number from 0 to 1000000000",
                    DecimalInto(o.minRate, 0, 1000000000)),
        FinalOption(0, "help", "show this help"),
        FinalOption(0, "version", "show the version"),
    };
}

} // namespace

std::string ServerUsage() {
    ServerOptions unused;
    ServerTargets targets{unused};
    return "Usage: quillet-update-server --build N [options]\n"
           "Answers Quillet's update requests: the newest build number, and the installer.\n"
           "\n" +
           OptionsHelp(serverTable(targets), 29) +
           "\n"
           "One line per request is logged on standard error; connections dropped before their\n"
           "request (refused, closed to make room or at their time-out) are counted in one\n"
           "line at most every 5 seconds. SIGINT or SIGTERM stop the server.\n";
}

ServerCommandLine ParseServerCommandLine(const std::vector<std::string> &args) {
    ServerCommandLine result;
    ServerTargets targets{result.options};
    const ParsedCommandLine line = ParseCommandLine(args, serverTable(targets));
    if (line.endedBy == "help" || line.endedBy == "version") {
        result.command = line.endedBy == "help" ? ServerCommand::Help : ServerCommand::Version;
        return result;
    }
    result.command = ServerCommand::UsageError;
    if (!line.error.empty())
        result.error = line.error;
    else if (!line.operands.empty())
        result.error = "unexpected argument " + line.operands.front();
    else if (!targets.haveBuild)
        result.error = "--build is required";
    else
        result.command = ServerCommand::Serve;
    return result;
}
