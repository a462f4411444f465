#include "serveroptions.h"

#include "intconv.h"

#include <optional>

const char *const ServerUsage =
    "Usage: quillet-update-server --build N [options]\n"
    "Answers Quillet's update requests: the newest build number, and the installer.\n"
    "\n"
    "      --build N              the newest build number, announced to every client\n"
    "      --installer FILE       the installer sent as QuilletInstall.exe (without it,\n"
    "                             file requests are answered ERR)\n"
    "      --port N               TCP port (default: 4995; 0: any free port)\n"
    "      --listen ADDRESS       address to listen on (default: 127.0.0.1)\n"
    "      --max-connections N    connections served at once; more are closed at once\n"
    "                             (default: 1024)\n"
    "      --timeout SECONDS      time a client has for its request, and a stalled\n"
    "                             download may wait (default: 10)\n"
    "      --help                 show this help\n"
    "      --version              show the version\n"
    "\n"
    "One line per request is logged on standard error. SIGINT or SIGTERM stop the server.\n";

namespace {

// A whole decimal number from `low` to `high`, or nothing.
std::optional<std::int64_t> number(const std::string &text, std::int64_t low, std::int64_t high) {
    const auto value = TryStrToInt(text);
    if (!value || text.find_first_not_of("+-0123456789") != std::string::npos || *value < low ||
        *value > high)
        return std::nullopt;
    return *value;
}

} // namespace

ServerCommandLine ParseServerCommandLine(const std::vector<std::string> &args) {
    ServerCommandLine result;
    ServerOptions &o = result.options;
    bool haveBuild = false;
    auto fail = [&result](std::string error) {
        result.command = ServerCommand::UsageError;
        result.error = std::move(error);
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help")
            return result.command = ServerCommand::Help, result;
        if (arg == "--version")
            return result.command = ServerCommand::Version, result;
        if (i + 1 >= args.size())
            return fail(arg.starts_with("--") ? "option " + arg + " needs a value"
                                              : "unexpected argument " + arg);
        const std::string &value = args[++i];
        if (arg == "--build") {
            const auto n = number(value, INT32_MIN, INT32_MAX);
            if (!n)
                return fail("--build needs a whole number, not '" + value + "'");
            o.build = std::int32_t(*n);
            haveBuild = true;
        } else if (arg == "--installer") {
            o.installer = value;
        } else if (arg == "--port") {
            const auto n = number(value, 0, 65535);
            if (!n)
                return fail("--port needs a number from 0 to 65535, not '" + value + "'");
            o.port = static_cast<unsigned short>(*n);
        } else if (arg == "--listen") {
            o.listen = value;
        } else if (arg == "--max-connections") {
            const auto n = number(value, 1, 1000000);
            if (!n)
                return fail("--max-connections needs a number from 1 to 1000000");
            o.maxConnections = std::size_t(*n);
        } else if (arg == "--timeout") {
            const auto n = number(value, 1, 86400);
            if (!n)
                return fail("--timeout needs a number of seconds from 1 to 86400");
            o.timeout = std::chrono::seconds(*n);
        } else {
            --i;
            return fail("unknown option " + arg);
        }
    }
    if (!haveBuild)
        return fail("--build is required");
    return result;
}
