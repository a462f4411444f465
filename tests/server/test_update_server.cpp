// quillet-update-server as a process: its answers to every kind of request, the real client
// downloading from it, its limits on silent and surplus clients, and a clean stop.
#include "intconv.h"
#include "runupdate.h"
#include "tcpclient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The server on a free loopback port; the port is read from its start-up line.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args) {
        args.insert(args.begin(), {QUILLET_UPDATE_SERVER, "--port", "0"});
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int pipeFds[2];
        EXPECT_EQ(::pipe(pipeFds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        EXPECT_EQ(::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        err_ = pipeFds[0];
        const std::string first = readLog(5s);
        const auto colon = first.rfind(':', first.find(','));
        port = first.substr(colon + 1, first.find(',') - colon - 1);
    }
    ~ServerProcess() { stop(); }

    // Stops it with SIGTERM; its exit status.
    int stop() {
        if (pid_ <= 0)
            return status_;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        readLog(100ms);
        ::close(err_);
        return status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // What it logged so far, up to the time given without news.
    const std::string &readLog(std::chrono::milliseconds quiet) {
        char buffer[4096];
        pollfd p{err_, POLLIN, 0};
        while (::poll(&p, 1, int(quiet.count())) > 0) {
            const ssize_t n = ::read(err_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            log.append(buffer, std::size_t(n));
            if (log.find('\n') != std::string::npos && quiet > 1s)
                break;
        }
        return log;
    }

    std::string port;
    std::string log;

private:
    pid_t pid_ = 0;
    int err_ = -1;
    int status_ = -1;
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

// Everything the server sends until it closes, or until `limit` passes.
std::string receiveAll(int fd, std::chrono::milliseconds limit = 5s) {
    std::string got;
    char buffer[65536];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, int(limit.count())) > 0) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, std::size_t(n));
    }
    return got;
}

std::string ask(const std::string &port, const std::string &request) {
    const int fd = connectTo(port);
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply = receiveAll(fd);
    ::close(fd);
    return reply;
}

class FakeHost : public UpdateHost {
public:
    std::vector<std::string> log;
    std::string target;
    void ClearLog() override { log.clear(); }
    void LogLine(const std::string &text) override { log.push_back(text); }
    void SetProgressMax(std::int32_t) override {}
    void SetProgressPosition(std::int64_t) override {}
    void Pump() override {}
    std::optional<std::string> ChooseTargetFile(const std::string &) override { return target; }
    std::int32_t BuildNumber() override { return 6; }
    std::string ExecutablePath() override { return "/usr/bin/quillet"; }
};

class UpdateServerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quillet-server-XXXXXX";
        dir = ::mkdtemp(pattern);
        installer = dir + "/setup.bin";
        for (int i = 0; i < 300000; ++i)
            body += char((i * 31 + i / 7) & 0xFF);
        std::ofstream(installer, std::ios::binary) << body;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir, installer, body;
};

const std::string header = "QuilletUpdate\r\n";

} // namespace

TEST_F(UpdateServerProcess, answers_each_request_as_the_protocol_says) {
    ServerProcess server({"--build", "7", "--installer", installer});
    const std::string sizeLine = std::to_string(body.size()) + "\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {header + "GETBUILD\r\nquillet\r\n", "YES\r\n7\r\n"},
        {"quilletupdate\r\nGETBUILD\r\nquillet\r\n", "HDR\r\n"},
        {header + "GETSIZE\r\nquillet\r\n", "UCM\r\n"},
        {header + "GETFILE\r\nother.exe\r\n", "FNF\r\n"},
        {header + "GETFILE\r\nQuilletInstall.exe\r\n", "YES\r\n" + sizeLine + body},
    };
    for (const auto &[request, reply] : cases)
        EXPECT_TRUE(ask(server.port, request) == reply) << request;

    ServerProcess broken({"--build", "7", "--installer", dir + "/missing"});
    EXPECT_EQ(ask(broken.port, header + "GETFILE\r\nQuilletInstall.exe\r\n"), "ERR\r\n");

    EXPECT_EQ(server.stop(), 0);
    std::istringstream lines(server.log);
    int requestLines = 0;
    for (std::string line; std::getline(lines, line);)
        requestLines += line.find(": YES") != line.npos || line.find(": HDR") != line.npos ||
                        line.find(": UCM") != line.npos || line.find(": FNF") != line.npos;
    EXPECT_EQ(requestLines, 5) << server.log;
    EXPECT_NE(server.log.find("stopping on SIGTERM"), std::string::npos);
}

TEST_F(UpdateServerProcess, the_program_downloads_a_newer_build_byte_for_byte) {
    ServerProcess server({"--build", "7", "--installer", installer});
    FakeHost host;
    host.target = dir + "/QuilletInstall.exe";
    TTcpClient client;
    RunUpdateConversation(host, client, {"127.0.0.1", server.port});
    ASSERT_GE(host.log.size(), 6u);
    EXPECT_EQ(host.log[4], "Update available (b7).");
    EXPECT_EQ(host.log.back(), "File downloaded succesfully.");
    std::ifstream in(host.target, std::ios::binary);
    std::ostringstream got;
    got << in.rdbuf();
    EXPECT_TRUE(got.str() == body);
}

TEST_F(UpdateServerProcess, silent_and_surplus_clients_hold_up_nobody) {
    ServerProcess server({"--build", "7", "--max-connections", "2", "--timeout", "1"});
    const int silent = connectTo(server.port);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ask(server.port, header + "GETBUILD\r\nquillet\r\n"), "YES\r\n7\r\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);

    const int second = connectTo(server.port);
    const int surplus = connectTo(server.port);
    EXPECT_EQ(receiveAll(surplus, 500ms), ""); // closed at once, not after the time-out
    EXPECT_LT(std::chrono::steady_clock::now() - started, 900ms);
    EXPECT_EQ(receiveAll(silent, 3s), ""); // closed by the time-out
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    for (const int fd : {silent, second, surplus})
        ::close(fd);
    EXPECT_NE(server.readLog(200ms).find("refused"), std::string::npos);
    EXPECT_NE(server.log.find("no request within the time-out"), std::string::npos);
}
