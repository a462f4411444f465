// The update conversation against a scripted server on loopback: every reply, failure and
// edge case of the protocol, checked by the whole log it leaves and the file it writes.
#include "intconv.h"
#include "runupdate.h"
#include "scriptedserver.h"
#include "tcpclient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

class FakeHost : public UpdateHost {
public:
    Lines log;
    std::int32_t build = 56;
    std::optional<std::string> answer;
    std::string proposed;
    std::int32_t maximum = -1;
    std::int64_t position = -1;
    int pumps = 0;

    void ClearLog() override { log.clear(); }
    void LogLine(const std::string &text) override { log.push_back(text); }
    void SetProgressMax(std::int32_t m) override { maximum = m; }
    void SetProgressPosition(std::int64_t p) override { position = p; }
    void Pump() override { ++pumps; }
    std::optional<std::string> ChooseTargetFile(const std::string &p) override {
        proposed = p;
        return answer;
    }
    std::int32_t BuildNumber() override { return build; }
    std::string ExecutablePath() override { return "/opt/quillet/quillet"; }
};

std::string bytes(std::size_t n, std::size_t seed = 0) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = char((i * 7 + seed) % 251);
    return s;
}

Lines join(Lines a, const Lines &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The first connection up to its verdict, and the second up to its reply.
Lines asking(const Lines &verdict) {
    return join({"Connecting to @..", "Connected", "Build info request sent", "Reply received"},
                verdict);
}
Lines fetching(const Lines &verdict) {
    return join(asking({"Update available (b57).", "Re-connecting to @..", "Connected.",
                        "Get file request sent", "Reply received"}),
                verdict);
}
const Lines downloaded = {"File size received", "Downloading file..",
                          "File downloaded succesfully."};
const Lines failed = {"File size received", "Downloading file..", "Error downloading file."};

const ScriptedReply build57{{"YES\r\n57\r\n"}};
ScriptedReply file(const std::string &head, const std::string &body) {
    return {{head, body}};
}

// What stands where the target goes before the conversation.
enum class Target { Absent, OldFile, Link, Fifo, NoFolder };

struct Case {
    const char *name;
    std::int32_t build;
    std::vector<ScriptedReply> replies;
    Lines log;
    std::optional<std::string> file =
        std::nullopt; // the target's contents afterwards, or no target
    Target target = Target::Absent;
    bool cancel = false;
};

class Conversation : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quillet-update-XXXXXX";
        dir = ::mkdtemp(pattern);
        client.ReceiveTimeout = std::chrono::milliseconds(300);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs against the replies, with `port` instead of the server's when given.
    void run(FakeHost &host, const std::vector<ScriptedReply> &replies, std::string port = {}) {
        server = std::make_unique<ScriptedServer>(replies);
        where = "127.0.0.1:" + (port.empty() ? server->port() : port);
        RunUpdateConversation(host, client, {"127.0.0.1", port.empty() ? server->port() : port});
    }
    Lines expected(Lines log) const {
        for (auto &line : log)
            if (auto at = line.find('@'); at != line.npos)
                line.replace(at, 1, where);
        return log;
    }

    std::string dir;
    std::string where;
    TTcpClient client;
    std::unique_ptr<ScriptedServer> server;
};

std::string contents(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

TEST_F(Conversation, logs_every_reply_and_outcome) {
    const std::string k1 = bytes(1000);
    const std::vector<Case> cases = {
        {"newer build, installer in the size line's packet",
         56,
         {build57, {{"YES\r\n1000\r\n" + k1}}},
         fetching(downloaded),
         k1},
        {"same build", 57, {build57}, asking({"No update available at the moment (b57)."})},
        {"lower-case status", 56, {{{"yes\r\n57\r\n"}}}, asking({"Unknown response from server"})},
        {"status with a space", 56, {{{"YES \r\n"}}}, asking({"Unknown response from server"})},
        {"empty status", 56, {{{"\r\n"}}}, asking({"Unknown response from server"})},
        {"closed without reply", 56, {{}}, asking({"Unknown response from server"})},
        {"header refused", 56, {{{"HDR\r\n"}}}, asking({"Header check failed"})},
        {"server error", 56, {{{"ERR\r\n"}}}, asking({"Error occured while checking update"})},
        {"file not found", 56, {{{"FNF\r\n"}}}, asking({"File was not found on server"})},
        {"unknown command", 56, {{{"UCM\r\n"}}}, asking({"Unknown command reply from server"})},
        {"HDR after GETFILE",
         56,
         {build57, {{"HDR\r\n"}}},
         fetching({"Unknown response from server"})},
        {"ERR after GETFILE",
         56,
         {build57, {{"ERR\r\n"}}},
         fetching({"Error occured while downloading update"})},
        {"FNF after GETFILE",
         56,
         {build57, {{"FNF\r\n"}}},
         fetching({"Installer was not found on server"})},
        {"UCM after GETFILE",
         56,
         {build57, {{"UCM\r\n"}}},
         fetching({"Unknown command response from server"})},
        {"size ERR", 56, {build57, {{"YES\r\nERR\r\n"}}}, fetching({"Error retrieving file size"})},
        {"close after 999 of 1000",
         56,
         {build57, file("YES\r\n1000\r\n", k1.substr(0, 999))},
         fetching(failed),
         k1.substr(0, 999)},
        {"size 0", 56, {build57, {{"YES\r\n0\r\n"}}}, fetching(downloaded), ""},
        {"more bytes than announced",
         56,
         {build57, file("YES\r\n999\r\n", k1)},
         fetching(failed),
         k1},
        {"build with leading spaces",
         57,
         {{{"YES\r\n 58\r\n"}}},
         asking({"Update available (b 58).", "Updating interrupted"}),
         std::nullopt,
         Target::Absent,
         true},
        {"server never answers", 56, {{{}, true}}, asking({"Unknown response from server"})},
        {"line that never ends",
         56,
         {{{std::string(200 * 1024, 'A')}, true}},
         asking({"Unknown response from server"})},
        {"CR and LF in separate packets",
         57,
         {{{"YES\r", "\n57\r", "\n"}}},
         asking({"No update available at the moment (b57)."})},
        {"download stalls",
         56,
         {build57, {{"YES\r\n1000\r\n", k1.substr(0, 10)}, true}},
         fetching(failed),
         k1.substr(0, 10)},
        {"dialog cancelled",
         56,
         {build57},
         asking({"Update available (b57).", "Updating interrupted"}),
         std::nullopt,
         Target::Absent,
         true},
        {"re-connect refused",
         56,
         {build57},
         asking({"Update available (b57).", "Re-connecting to @..", "Failed to re-connect."})},
        {"existing file replaced",
         56,
         {build57, file("YES\r\n1000\r\n", k1)},
         fetching(downloaded),
         k1,
         Target::OldFile},
        {"link replaced, not followed",
         56,
         {build57, file("YES\r\n1000\r\n", k1)},
         fetching(downloaded),
         k1,
         Target::Link},
        {"FIFO refused",
         56,
         {build57, {{"YES\r\n1000\r\n"}}},
         fetching({"File size received", "Error opening target file", "Error downloading file."}),
         std::nullopt,
         Target::Fifo},
        {"target cannot be created",
         56,
         {build57, {{"YES\r\n1000\r\n"}}},
         fetching({"File size received", "Error opening target file", "Error downloading file."}),
         std::nullopt,
         Target::NoFolder},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir + "/" + std::to_string(&c - cases.data());
        fs::create_directory(folder);
        const std::string target = folder + (c.target == Target::NoFolder ? "/gone/x" : "/x");
        const std::string outside = dir + "/outside";
        std::ofstream(outside) << "keep";
        if (c.target == Target::OldFile)
            std::ofstream(target) << "an older installer, longer than the new one will be";
        if (c.target == Target::Link)
            fs::create_symlink(outside, target);
        if (c.target == Target::Fifo)
            ::mkfifo(target.c_str(), 0600);

        FakeHost host;
        host.build = c.build;
        host.log = {"an old line"};
        host.answer = c.cancel ? std::nullopt : std::optional(target);
        run(host, c.replies);
        EXPECT_EQ(host.log, expected(c.log));
        EXPECT_FALSE(client.Connected());
        if (c.file) {
            EXPECT_EQ(fs::symlink_status(target).type(), fs::file_type::regular);
            EXPECT_EQ(contents(target), *c.file);
        } else {
            EXPECT_EQ(fs::exists(fs::symlink_status(target)), c.target == Target::Fifo);
        }
        EXPECT_EQ(contents(outside), "keep");
        // Nothing but the target is left in its folder.
        EXPECT_LE(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

TEST_F(Conversation, sends_both_requests_and_reports_progress) {
    FakeHost host;
    host.answer = dir + "/QuilletInstall.exe";
    const std::string body = bytes(10000);
    run(host, {build57, file("YES\r\n10000\r\n", body)});
    EXPECT_EQ(server->requests(), (Lines{"QuilletUpdate\r\nGETBUILD\r\nquillet\r\n",
                                         "QuilletUpdate\r\nGETFILE\r\nQuilletInstall.exe\r\n"}));
    EXPECT_EQ(host.proposed, "/opt/quillet/QuilletInstall.exe");
    EXPECT_EQ(host.maximum, 10000);
    EXPECT_EQ(host.position, 10000);
    EXPECT_GE(host.pumps, 3); // one per block of at most 4096 bytes
    EXPECT_EQ(contents(*host.answer), body);
}

TEST_F(Conversation, a_line_that_is_no_number_ends_it_with_the_connection_open) {
    struct Bad {
        std::vector<ScriptedReply> replies;
        std::string error;
        Lines logTail;
    };
    const std::vector<Bad> cases = {
        {{{{"YES\r\n58a\r\n"}, true}}, "'58a' is not a valid integer value", {"Reply received"}},
        {{{{"YES\r\n"}}}, "'' is not a valid integer value", {"Reply received"}},
        {{build57, {{"YES\r\n12x\r\n"}, true}},
         "'12x' is not a valid integer value",
         {"Reply received"}},
        {{build57, {{"YES\r\n-5\r\n"}, true}},
         "The update server announced a file size below 0 (-5)",
         {"Reply received", "File size received"}},
    };
    for (const Bad &c : cases) {
        SCOPED_TRACE(c.error);
        FakeHost host;
        host.answer = dir + "/x";
        try {
            run(host, c.replies);
            ADD_FAILURE() << "no error raised";
        } catch (const std::exception &error) {
            EXPECT_EQ(std::string(error.what()), c.error);
        }
        EXPECT_TRUE(std::equal(c.logTail.rbegin(), c.logTail.rend(), host.log.rbegin()));
        EXPECT_EQ(host.maximum, -1);
        EXPECT_FALSE(fs::exists(*host.answer));
        EXPECT_TRUE(client.Connected());
        client.Disconnect();
    }
}

TEST_F(Conversation, refused_connection_is_a_failed_connect) {
    FakeHost host;
    run(host, {}, ScriptedServer::refusedPort());
    EXPECT_EQ(host.log, expected({"Connecting to @..", "Failed to connect."}));
}

TEST(TcpClient, reads_lines_as_the_protocol_needs) {
    struct Case {
        std::vector<std::string> packets;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {{std::string(1500, 'B') + "\r\nC\r\n"}, {std::string(1500, 'B'), "C"}},
        {{std::string("AB\0CD\r\n", 7), "EF\r\n"}, {"ABEF"}},
        {{"57\r", "\n58\r\n"}, {"57", "58"}},
        {{"7\r", "\r\n"}, {"7\r"}},
        {{std::string(200 * 1024, 'A')}, {std::string(TTcpClient::LineLimit, 'A')}},
    };
    for (const Case &c : cases) {
        ScriptedServer server({{c.packets, true}});
        TTcpClient client;
        client.setRemoteHost("127.0.0.1");
        client.setRemotePort(server.port());
        client.ReceiveTimeout = std::chrono::milliseconds(300);
        ASSERT_TRUE(client.Connect());
        ASSERT_TRUE(client.Connect()); // a standing connection is kept
        client.SendLine("QuilletUpdate\r\nGETBUILD\r\nquillet");
        for (const std::string &line : c.lines)
            EXPECT_EQ(client.ReadLine(), line);
        client.setRemotePort("1"); // a new port closes the connection
        EXPECT_FALSE(client.Connected());
        client.Disconnect();
        EXPECT_EQ(server.requests().size(), 1u);
    }
}
