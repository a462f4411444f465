// quillet-update-server: answers Quillet's update requests with a build number and an
// installer, until SIGINT or SIGTERM.
#include "serveroptions.h"
#include "updateservice.h"

#include <iostream>

#include <sys/resource.h>

namespace {

// Every connection is a descriptor: allow as many as the system lets this user have.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char **argv) {
    const ServerCommandLine line =
        ParseServerCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.command) {
    case ServerCommand::Help:
        std::cout << ServerUsage();
        return 0;
    case ServerCommand::Version:
        std::cout << "quillet-update-server " << QUILLET_VERSION_STRING << '\n';
        return 0;
    case ServerCommand::UsageError:
        std::cerr << "quillet-update-server: " << line.error << "\n"
                  << "Try 'quillet-update-server --help' for more information.\n";
        return 2;
    case ServerCommand::Serve:
        break;
    }
    raiseDescriptorLimit();
    const ServerOptions &o = line.options;
    try {
        asio::io_context io(1);
        UpdateService service(io, o);
        service.start();
        LogServerLine("listening on " + service.where() + ", build " + std::to_string(o.build) +
                      ", installer " + (o.installer.empty() ? std::string("none") : o.installer));
        // Served ERR until it can be read: a missing installer may be put in place later.
        if (!o.installer.empty())
            if (const std::string problem = InstallerProblem(o.installer); !problem.empty())
                LogServerLine("installer unusable, file requests are answered ERR: " + problem);
        io.run();
    } catch (const std::exception &error) {
        LogServerLine(error.what());
        return 1;
    }
    return 0;
}
