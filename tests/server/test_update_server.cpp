// quillet-update-server as a process: its answer to each kind of request, the program's own
// client downloading from it, and silent or surplus clients that hold up nobody.
#include "../update/fakehost.h"
#include "runupdate.h"
#include "tcpclient.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// What arrives on the descriptor until it closes or `quiet` passes without news.
std::string drain(int fd, std::chrono::milliseconds quiet, bool untilNewline = false) {
    std::string got;
    char buffer[65536];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, int(quiet.count())) > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0 || (got.append(buffer, std::size_t(n)), untilNewline && got.ends_with('\n')))
            break;
    }
    return got;
}

// The server on a free loopback port, read from its start-up line.
struct Server {
    explicit Server(std::vector<std::string> args) {
        args.insert(args.begin(), {QUILLET_UPDATE_SERVER, "--port=0"});
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        err = fds[0];
        log = drain(err, 5s, true);
        const auto end = log.find(',');
        port = log.substr(log.rfind(':', end) + 1, end - log.rfind(':', end) - 1);
    }
    // Its exit status (-1: killed), after SIGTERM or when it ends by itself.
    int end(bool terminate = true) {
        if (terminate)
            ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        log += drain(err, 200ms);
        ::close(err);
        pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool stop() { return end() == 0; }
    ~Server() {
        if (pid)
            stop();
    }
    pid_t pid = 0;
    int err = -1;
    std::string port, log;
};

int connectTo(const std::string &port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<unsigned short>(std::stoi(port)));
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    return fd;
}

std::string ask(const std::string &port, const std::string &request) {
    const int fd = connectTo(port);
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply = drain(fd, 5s);
    ::close(fd);
    return reply;
}

class UpdateServerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 300000; ++i)
            body += char((i * 31 + i / 7) & 0xFF);
        std::ofstream(dir + "/setup.bin", std::ios::binary) << body;
    }
    TempFolder folder;
    const std::string dir = folder.path();
    std::string body;
};

const std::string header = "QuilletUpdate\r\n";

} // namespace

TEST_F(UpdateServerProcess, answers_each_kind_of_request) {
    Server server({"--build", "7", "--installer", dir + "/setup.bin"});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {header + "GETBUILD\r\nquillet\r\n", "YES\r\n7\r\n"},
        {"quilletupdate\r\nGETBUILD\r\nquillet\r\n", "HDR\r\n"},
        {header + "GETSIZE\r\nquillet\r\n", "UCM\r\n"},
        {header + "GETFILE\r\nother.exe\r\n", "FNF\r\n"},
        {header + "GETFILE\r\nQuilletInstall.exe\r\n", "YES\r\n300000\r\n" + body},
    };
    for (const auto &[request, reply] : cases)
        EXPECT_TRUE(ask(server.port, request) == reply) << request;
    Server broken({"--build", "7", "--installer", dir + "/missing"});
    EXPECT_EQ(ask(broken.port, header + "GETFILE\r\nQuilletInstall.exe\r\n"), "ERR\r\n");

    EXPECT_TRUE(server.stop());
    std::istringstream lines(server.log);
    int answered = 0;
    for (std::string line; std::getline(lines, line);)
        answered += line.starts_with("quillet-update-server: 127.0.0.1:");
    EXPECT_EQ(answered, 5) << server.log;
    EXPECT_NE(server.log.find("stopping on SIGTERM"), std::string::npos);
}

TEST_F(UpdateServerProcess, the_program_downloads_a_newer_build_byte_for_byte) {
    Server server({"--build", "7", "--installer", dir + "/setup.bin"});
    FakeHost host;
    host.build = 6;
    host.answer = dir + "/QuilletInstall.exe";
    TTcpClient client;
    RunUpdateConversation(host, client, {"127.0.0.1", server.port});
    ASSERT_GE(host.log.size(), 6u);
    EXPECT_EQ(host.log[4], "Update available (b7).");
    EXPECT_EQ(host.log.back(), "File downloaded succesfully.");
    std::ostringstream got;
    got << std::ifstream(*host.answer, std::ios::binary).rdbuf();
    EXPECT_TRUE(got.str() == body);
}

TEST_F(UpdateServerProcess, silent_clients_hold_up_nobody) {
    Server server({"--build", "7", "--timeout", "1"});
    const auto started = Clock::now();
    const int silent = connectTo(server.port);
    EXPECT_EQ(ask(server.port, header + "GETBUILD\r\nquillet\r\n"), "YES\r\n7\r\n");
    EXPECT_EQ(drain(silent, 3s), ""); // closed when its time is up
    EXPECT_GE(Clock::now() - started, 1s);
    // One still open at the stop holds up nothing and is not counted as dropped.
    const int lingering = connectTo(server.port);
    const auto stopping = Clock::now();
    EXPECT_TRUE(server.stop());
    EXPECT_LT(Clock::now() - stopping, 2s);
    for (const int fd : {silent, lingering})
        ::close(fd);
    EXPECT_NE(server.log.find("dropped unserved: 1 closed with no request within the time-out."),
              std::string::npos)
        << server.log;
}

// True when the server has closed the connection within `wait`.
bool closedByServer(int fd, std::chrono::milliseconds wait) {
    pollfd p{fd, POLLIN | POLLRDHUP, 0};
    char byte;
    return ::poll(&p, 1, int(wait.count())) > 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

TEST_F(UpdateServerProcess, a_flood_of_connections_keeps_nobody_out_for_long) {
    // Larger than the socket buffers: a client that reads none of it keeps its place busy.
    std::filesystem::resize_file(dir + "/setup.bin", 64 << 20);
    const struct {
        int places, busy, silent;
        int closed; // the oldest silent ones, once the newcomer has been answered
        const char *logged;
    } cases[] = {
        {4, 0, 6, 5, "5 closed while silent to make room"}, // beyond half the places
        {3, 2, 1, 1, "1 closed while silent to make room"}, // a full server
        {2, 2, 0, 0, "1 refused while every place was serving a request"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.logged);
        Server server({"--build", "7", "--installer", dir + "/setup.bin", "--timeout", "30",
                       "--max-connections", std::to_string(c.places), "--max-per-address",
                       std::to_string(c.places)});
        std::vector<int> fds;
        for (int i = 0; i < c.busy; ++i) {
            fds.push_back(connectTo(server.port));
            const std::string request = header + "GETFILE\r\nQuilletInstall.exe\r\n";
            ::send(fds.back(), request.data(), request.size(), MSG_NOSIGNAL);
            pollfd p{fds.back(), POLLIN, 0};
            EXPECT_EQ(::poll(&p, 1, 5000), 1); // the download has begun
        }
        for (int i = 0; i < c.silent; ++i)
            fds.push_back(connectTo(server.port));
        EXPECT_EQ(ask(server.port, header + "GETBUILD\r\nquillet\r\n"),
                  c.busy < c.places ? "YES\r\n7\r\n" : "");
        for (int i = 0; i < c.silent; ++i)
            EXPECT_EQ(closedByServer(fds[std::size_t(c.busy + i)], i < c.closed ? 2000ms : 100ms),
                      i < c.closed)
                << "silent connection " << i;
        for (const int fd : fds)
            ::close(fd);
        EXPECT_TRUE(server.stop());
        EXPECT_NE(server.log.find(c.logged), std::string::npos) << server.log;
        // Counted on one line, not logged one line each.
        EXPECT_EQ(server.log.find("dropped unserved"), server.log.rfind("dropped unserved"))
            << server.log;
    }
}

TEST_F(UpdateServerProcess, start_up_and_usage_problems_are_named) {
    Server occupant({"--build", "7"});
    const std::string busy = occupant.port;
    const struct {
        std::vector<std::string> args;
        int exitStatus; // -1: keeps serving
        std::string logged;
    } cases[] = {
        // clang-format off
        {{"--build", "7", "--port", busy}, 1, "127.0.0.1:" + busy + ": Address already in use"},
        {{"--build", "7", "--listen", "no such host"}, 1,
         "--listen no such host is neither an address nor a name"},
        {{"--build", "7", "--listen", "localhost"}, -1, "listening on 127.0.0.1:"},
        {{"--build", "7", "--installer", dir + "/missing"}, -1,
         "ERR: cannot read " + dir + "/missing: no such file"},
        {{}, 2, "--build is required"},
        {{"--help"}, 0, ""},
        // clang-format on
    };
    for (const auto &c : cases) {
        Server server(c.args);
        const bool serving = c.exitStatus < 0;
        EXPECT_EQ(server.end(serving), serving ? 0 : c.exitStatus) << server.log;
        EXPECT_NE(server.log.find(c.logged), std::string::npos) << server.log;
    }
}

TEST_F(UpdateServerProcess, one_address_holds_no_more_than_its_share) {
    std::filesystem::resize_file(dir + "/setup.bin", 64 << 20);
    const std::string getFile = header + "GETFILE\r\nQuilletInstall.exe\r\n";
    const struct {
        std::string places, perAddress; // empty: the default, a quarter
        int downloads, begun;           // from one address; the rest are refused
    } cases[] = {{"8", "", 6, 2}, {"2", "", 3, 1}, {"8", "5", 6, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.places + " " + c.perAddress);
        std::vector<std::string> args = {
            "--build", "7", "--installer", dir + "/setup.bin", "--max-connections", c.places};
        if (!c.perAddress.empty())
            args.insert(args.end(), {"--max-per-address", c.perAddress});
        Server server(args);
        // One after the other, so none is still silent when the next comes.
        std::vector<int> fds;
        for (int i = 0; i < c.downloads; ++i) {
            fds.push_back(connectTo(server.port));
            ::send(fds.back(), getFile.data(), getFile.size(), MSG_NOSIGNAL);
            pollfd p{fds.back(), POLLIN, 0};
            char head[5]; // refused: closed, or reset for the request it did not read
            EXPECT_EQ(::poll(&p, 1, 5000) == 1 && ::recv(fds.back(), head, 5, 0) == 5, i < c.begun)
                << i;
        }
        // A client from another address is served while the downloads go on.
        const int other = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK + 1)}, {}};
        ::bind(other, reinterpret_cast<sockaddr *>(&a), sizeof a);
        a = {AF_INET, htons(std::uint16_t(std::stoi(server.port))), {htonl(INADDR_LOOPBACK)}, {}};
        ASSERT_EQ(::connect(other, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        fds.push_back(other);
        const std::string getBuild = header + "GETBUILD\r\nquillet\r\n";
        ::send(other, getBuild.data(), getBuild.size(), MSG_NOSIGNAL);
        EXPECT_EQ(drain(other, 5s), "YES\r\n7\r\n");
        for (const int fd : fds)
            ::close(fd);
        EXPECT_TRUE(server.stop());
        EXPECT_NE(server.log.find(std::to_string(c.downloads - c.begun) +
                                  " refused while their address held its share of places"),
                  std::string::npos)
            << server.log;
    }
}

TEST_F(UpdateServerProcess, drops_a_download_below_the_floor_rate) {
    std::filesystem::resize_file(dir + "/setup.bin", 64 << 20);
    Server server({"--build", "7", "--installer", dir + "/setup.bin", "--timeout", "1",
                   "--min-rate", "1000000"});
    // One client takes nothing, one about 20 kB a second. Two spans at the most: one the
    // socket buffers may fill, one that shows the pace.
    const std::string getFile = header + "GETFILE\r\nQuilletInstall.exe\r\n";
    const int idle = connectTo(server.port), slow = connectTo(server.port);
    for (const int fd : {idle, slow})
        ::send(fd, getFile.data(), getFile.size(), MSG_NOSIGNAL);
    auto dropped = [&server] {
        int count = 0;
        const std::string line = "dropped below 1000000 bytes a second after";
        for (auto at = server.log.find(line); at != std::string::npos;
             at = server.log.find(line, at + 1))
            ++count;
        return count;
    };
    char buffer[1000];
    for (const auto given = Clock::now() + 5s; dropped() < 2 && Clock::now() < given;) {
        (void)::recv(slow, buffer, sizeof buffer, MSG_DONTWAIT);
        server.log += drain(server.err, 50ms, true);
    }
    for (const int fd : {idle, slow})
        ::close(fd);
    EXPECT_TRUE(server.stop());
    EXPECT_EQ(dropped(), 2) << server.log;
}
