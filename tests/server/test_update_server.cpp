// quillet-update-server as a process: its answer to each kind of request, the program's own
// client downloading from it, and silent or surplus clients that hold up nobody.
#include "../update/fakehost.h"
#include "runupdate.h"
#include "tcpclient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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

// Runs the server to its end: its exit status and what it wrote on standard error.
std::pair<int, std::string> runToEnd(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLET_UPDATE_SERVER);
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    const std::string err = drain(fds[0], 5s);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
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
    // Stops it with SIGTERM; true when it exited cleanly.
    bool stop() {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        log += drain(err, 200ms);
        ::close(err);
        pid = 0;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
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
        char pattern[] = "/tmp/quillet-server-XXXXXX";
        dir = ::mkdtemp(pattern);
        for (int i = 0; i < 300000; ++i)
            body += char((i * 31 + i / 7) & 0xFF);
        std::ofstream(dir + "/setup.bin", std::ios::binary) << body;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir, body;
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

TEST_F(UpdateServerProcess, silent_and_surplus_clients_hold_up_nobody) {
    Server server({"--build", "7", "--max-connections", "2", "--timeout", "1"});
    const auto started = Clock::now();
    const int silent = connectTo(server.port);
    EXPECT_EQ(ask(server.port, header + "GETBUILD\r\nquillet\r\n"), "YES\r\n7\r\n");
    const int second = connectTo(server.port);
    const int surplus = connectTo(server.port);
    EXPECT_EQ(drain(surplus, 500ms), ""); // closed at once
    EXPECT_LT(Clock::now() - started, 900ms);
    EXPECT_EQ(drain(silent, 3s), ""); // closed when its time is up
    EXPECT_GE(Clock::now() - started, 1s);
    for (const int fd : {silent, second, surplus})
        ::close(fd);
    server.log += drain(server.err, 200ms);
    EXPECT_NE(server.log.find("refused"), std::string::npos);
    EXPECT_NE(server.log.find("no request within the time-out"), std::string::npos);
}

TEST(UpdateServerCommandLine, usage_errors_name_the_option_and_exit_with_2) {
    const struct {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{}, "--build is required"},
        {{"--build"}, "option --build needs a whole number"},
        {{"--build=x"}, "option --build needs a whole number, not 'x'"},
        {{"--build", "7", "--port=65536"}, "option --port needs a number from 0 to 65535"},
        {{"--build", "7", "--max-connections", "0"}, "option --max-connections needs a number"},
        {{"--build", "7", "--timeout=0"}, "option --timeout needs a number of seconds"},
        {{"--build", "7", "extra"}, "unexpected argument extra"},
        {{"--build", "7", "--verbose"}, "unknown option --verbose"},
    };
    for (const auto &c : cases) {
        const auto [status, err] = runToEnd(c.args);
        EXPECT_EQ(status, 2) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    EXPECT_EQ(runToEnd({"--port=1", "--help"}).first, 0);
}
