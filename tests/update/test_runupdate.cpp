// The update conversation against scripted loopback servers: every reply, failure and edge
// case of the protocol in one table, each checked by the whole log, the requests sent, the
// connection left and the file written.
#include "fakehost.h"
#include "runupdate.h"
#include "scriptedserver.h"
#include "tcpclient.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

Lines operator+(Lines a, const Lines &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Lines asking = {"Connecting to @..", "Connected", "Build info request sent",
                      "Reply received"};
const Lines fetching = asking + Lines{"Update available (b57).", "Re-connecting to @..",
                                      "Connected.", "Get file request sent", "Reply received"};
const Lines downloaded = {"File size received", "Downloading file..",
                          "File downloaded succesfully."};
const Lines failed = {"File size received", "Downloading file..", "Error downloading file."};
const Lines unopened = {"File size received", "Error opening target file",
                        "Error downloading file."};
const Lines unknown = {"Unknown response from server"};
const ScriptedReply build57{{"YES\r\n57\r\n"}};
const std::string older = "an older installer, longer than the new one will be";

std::string bytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = char((i * 7) % 251);
    return s;
}

std::string contents(const std::string &path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

// The target the dialog returns, and what stands at its name before the conversation.
// A leftover is the temporary file of a download killed earlier, beside the target.
enum class Target { Absent, Cancelled, OldFile, Link, Fifo, NoFolder, Leftover };

struct Case {
    const char *name;
    std::int32_t build;
    std::vector<ScriptedReply> replies;
    Lines log;
    std::optional<std::string> file = std::nullopt; // the target afterwards; none: absent
    Target target = Target::Absent;
    std::string error = {}; // raised out of the conversation
    std::string interruptAt = {};
};

} // namespace

TEST(RunUpdate, logs_every_reply_and_failure) {
    const std::string k1 = bytes(1000);
    const std::string size1000 = "YES\r\n1000\r\n";
    const std::vector<Case> cases = {
        {"newer build, installer in the size line's packet, a killed download's leftover swept",
         56,
         {build57, {{size1000 + k1}}},
         fetching + downloaded,
         k1,
         Target::Leftover},
        {"same build", 57, {build57}, asking + Lines{"No update available at the moment (b57)."}},
        {"lower-case status", 56, {{{"yes\r\n57\r\n"}}}, asking + unknown},
        {"status with a space", 56, {{{"YES \r\n"}}}, asking + unknown},
        {"empty status", 56, {{{"\r\n"}}}, asking + unknown},
        {"closed without reply", 56, {{}}, asking + unknown},
        {"HDR", 56, {{{"HDR\r\n"}}}, asking + Lines{"Header check failed"}},
        {"ERR", 56, {{{"ERR\r\n"}}}, asking + Lines{"Error occured while checking update"}},
        {"FNF", 56, {{{"FNF\r\n"}}}, asking + Lines{"File was not found on server"}},
        {"UCM", 56, {{{"UCM\r\n"}}}, asking + Lines{"Unknown command reply from server"}},
        {"HDR after GETFILE", 56, {build57, {{"HDR\r\n"}}}, fetching + unknown},
        {"ERR after GETFILE",
         56,
         {build57, {{"ERR\r\n"}}},
         fetching + Lines{"Error occured while downloading update"}},
        {"FNF after GETFILE",
         56,
         {build57, {{"FNF\r\n"}}},
         fetching + Lines{"Installer was not found on server"}},
        {"UCM after GETFILE",
         56,
         {build57, {{"UCM\r\n"}}},
         fetching + Lines{"Unknown command response from server"}},
        {"size ERR",
         56,
         {build57, {{"YES\r\nERR\r\n"}}},
         fetching + Lines{"Error retrieving file size"}},
        {"close after 999 of 1000 keeps the older installer",
         56,
         {build57, {{size1000, k1.substr(0, 999)}}},
         fetching + failed,
         older,
         Target::OldFile},
        {"size 0", 56, {build57, {{"YES\r\n0\r\n"}}}, fetching + downloaded, ""},
        {"more bytes than announced, only the announced ones written",
         56,
         {build57, {{"YES\r\n999\r\n", k1, k1}, true}},
         fetching + failed},
        {"status line trickled past the line's deadline",
         56,
         {{{"Y", "E", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "S\r\n57\r\n"}}},
         asking + unknown},
        {"download stalls", 56, {build57, {{size1000, k1.substr(0, 10)}, true}}, fetching + failed},
        {"build with leading spaces",
         57,
         {{{"YES\r\n 58\r\n"}}},
         asking + Lines{"Update available (b 58).", "Updating interrupted"},
         std::nullopt,
         Target::Cancelled},
        {"build line over many looks",
         57,
         {{{"YES\r\n" + std::string(1500, ' ') + "57\r\n"}}},
         asking + Lines{"No update available at the moment (b" + std::string(1500, ' ') + "57)."}},
        {"a zero byte hides the rest of its look, the line's end included",
         57,
         {{{std::string("YES\r\n57\0?\r\n", 11)}}},
         asking + unknown},
        {"CR and LF in separate packets",
         57,
         {{{"YES\r", "\n57\r", "\n"}}},
         asking + Lines{"No update available at the moment (b57)."}},
        {"refused", 56, {}, {"Connecting to @..", "Failed to connect."}},
        {"server never answers", 56, {{{}, true}}, asking + unknown},
        {"line that never ends", 56, {{{std::string(200 * 1024, 'A')}, true}}, asking + unknown},
        {"dialog cancelled",
         56,
         {build57},
         asking + Lines{"Update available (b57).", "Updating interrupted"},
         std::nullopt,
         Target::Cancelled},
        {"re-connect refused",
         56,
         {build57},
         asking +
             Lines{"Update available (b57).", "Re-connecting to @..", "Failed to re-connect."}},
        {"existing file replaced",
         56,
         {build57, {{size1000 + k1}}},
         fetching + downloaded,
         k1,
         Target::OldFile},
        {"link replaced, not followed",
         56,
         {build57, {{size1000 + k1}}},
         fetching + downloaded,
         k1,
         Target::Link},
        {"FIFO refused",
         56,
         {build57, {{size1000}}},
         fetching + unopened,
         std::nullopt,
         Target::Fifo},
        {"target cannot be created",
         56,
         {build57, {{size1000}}},
         fetching + unopened,
         std::nullopt,
         Target::NoFolder},
        {"build no number",
         56,
         {{{"YES\r\n58a\r\n"}, true}},
         asking,
         std::nullopt,
         Target::Absent,
         "'58a' is not a valid integer value"},
        {"build line missing", 56, {{{"YES\r\n"}}}, asking + unknown},
        {"build line cut by a close", 5, {{{"YES\r\n12"}}}, asking + unknown},
        {"build line cut by the time-out", 5, {{{"YES\r\n12"}, true}}, asking + unknown},
        {"size line cut by the time-out", 56, {build57, {{"YES\r\n12"}, true}}, fetching + unknown},
        {"size no number",
         56,
         {build57, {{"YES\r\n12x\r\n"}, true}},
         fetching,
         std::nullopt,
         Target::Absent,
         "'12x' is not a valid integer value"},
        {"size below 0",
         56,
         {build57, {{"YES\r\n-5\r\n"}, true}},
         fetching + Lines{"File size received"},
         std::nullopt,
         Target::Absent,
         "The update server announced a file size below 0 (-5)"},
    };
    const TempFolder folder;
    const std::string &dir = folder.path();
    const std::string outside = dir + "/outside";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir + "/" + std::to_string(&c - cases.data());
        fs::create_directory(folder);
        const std::string target = folder + (c.target == Target::NoFolder ? "/gone/x" : "/x");
        std::ofstream(outside) << "keep";
        if (c.target == Target::OldFile)
            std::ofstream(target) << older;
        if (c.target == Target::Leftover) // of a process id no process can have
            for (const char *name : {"/.x.", "/.QuilletInstall.exe."})
                std::ofstream(folder + name + "999999999-0badf00d.tmp") << "partial";
        if (c.target == Target::Link)
            fs::create_symlink(outside, target);
        if (c.target == Target::Fifo)
            ::mkfifo(target.c_str(), 0600);

        FakeHost host;
        host.build = c.build;
        host.interruptAt = c.interruptAt;
        if (c.target != Target::Cancelled)
            host.answer = target;
        ScriptedServer server(c.replies);
        TTcpClient client;
        client.ReceiveTimeout = 300ms;
        client.WaitPump = [&host] { host.interrupted = host.armed; };
        std::string error;
        try {
            RunUpdateConversation(host, client, {"127.0.0.1", server.port()});
        } catch (const std::exception &e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        // Only an error raised out of the conversation leaves the connection standing.
        EXPECT_EQ(client.Connected(), !c.error.empty());

        Lines log = c.log;
        for (auto &line : log)
            if (const auto at = line.find('@'); at != line.npos)
                line.replace(at, 1, "127.0.0.1:" + server.port());
        EXPECT_EQ(host.log, log);
        const Lines requests = {"QuilletUpdate\r\nGETBUILD\r\nquillet\r\n",
                                "QuilletUpdate\r\nGETFILE\r\nQuilletInstall.exe\r\n"};
        const Lines sent = server.requests();
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i], requests[i]);

        const auto type = fs::symlink_status(target).type();
        if (c.file) {
            EXPECT_EQ(type, fs::file_type::regular);
            EXPECT_EQ(contents(target), *c.file);
        } else {
            EXPECT_EQ(type,
                      c.target == Target::Fifo ? fs::file_type::fifo : fs::file_type::not_found);
        }
        EXPECT_EQ(contents(outside), "keep");
        // No temporary file is left beside the target.
        EXPECT_LE(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

TEST(TcpClient, keeps_a_standing_connection_and_drops_it_for_a_new_port) {
    ScriptedServer server({{{"YES\r\n"}, true}});
    TTcpClient client;
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(server.port());
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.Connect());
    client.SendLine("QuilletUpdate\r\nGETBUILD\r\nquillet");
    EXPECT_EQ(client.ReadLine().text, "YES");
    client.setRemotePort("1");
    EXPECT_FALSE(client.Connected());
    client.Disconnect();
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(RunUpdate, a_stop_ends_every_phase_at_once) {
    // A listener whose one-place queue is taken: a further connect waits for ever.
    const int full = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof a;
    ::bind(full, reinterpret_cast<sockaddr *>(&a), length);
    ::listen(full, 0);
    ::getsockname(full, reinterpret_cast<sockaddr *>(&a), &length);
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr *>(&a), length), 0);

    const struct {
        const char *phase;
        std::string host; // a name takes 3 s to look up
        std::vector<ScriptedReply> replies;
        std::string interruptAt;
        Lines logged; // before "Updating interrupted"
    } cases[] = {
        {"name lookup", "updates.test", {}, "Connecting to @..", {"Connecting to @.."}},
        {"connect", "127.0.0.1", {}, "Connecting to @..", {"Connecting to @.."}},
        {"status line",
         "127.0.0.1",
         {{{}, true}},
         "Build info request sent",
         {"Connecting to @..", "Connected", "Build info request sent"}},
        {"download",
         "127.0.0.1",
         {build57, {{"YES\r\n1000\r\n", "part"}, true}},
         "Downloading file..",
         fetching + Lines{"File size received", "Downloading file.."}},
    };
    const TempFolder folder;
    const std::string target = folder.file("QuilletInstall.exe");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.phase);
        std::ofstream(target) << older;
        ScriptedServer server(c.replies);
        const UpdateServer where{c.host, std::to_string(c.phase == std::string("connect")
                                                            ? ntohs(a.sin_port)
                                                            : std::stoi(server.port()))};
        auto expand = [&where](std::string line) {
            if (const auto at = line.find('@'); at != line.npos)
                line.replace(at, 1, where.host + ":" + where.port);
            return line;
        };
        FakeHost host;
        host.interruptAt = expand(c.interruptAt);
        host.answer = target;
        TTcpClient client;
        client.NameLookup = [](const std::string &) {
            std::this_thread::sleep_for(3s);
            return std::optional<std::uint32_t>(htonl(INADDR_LOOPBACK));
        };
        client.WaitPump = [&host] { host.interrupted = host.armed; };
        const auto started = std::chrono::steady_clock::now();
        RunUpdateConversation(host, client, where);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
        Lines log;
        std::transform(c.logged.begin(), c.logged.end(), std::back_inserter(log), expand);
        EXPECT_EQ(host.log, log + Lines{"Updating interrupted"});
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(contents(target), older);
        EXPECT_EQ(folder.names(), std::set<std::string>{"QuilletInstall.exe"});
    }
    ::close(filler);
    ::close(full);
}

TEST(RunUpdate, proposes_a_folder_the_user_can_write_to) {
    // "~" is the home folder; ~/Fetched, ~/Downloads and ~/elsewhere exist.
    const struct {
        bool ownFolderWritable;
        std::string userDirs;    // the line in ~/.config/user-dirs.dirs; empty: no such file
        std::string environment; // XDG_DOWNLOAD_DIR
        bool downloads;          // whether ~/Downloads exists
        std::string proposed;
    } cases[] = {
        {true, "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"", "", true, "/bin"},
        {false, "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"", "~/elsewhere", true, "~/Fetched"},
        {false, "XDG_DOWNLOAD_DIR=\"~/elsewhere\"", "", true, "~/elsewhere"},
        {false, "XDG_DOWNLOAD_DIR=\"$HOME/Gone\"", "~/elsewhere", true, "~/elsewhere"},
        {false, "", "relative", true, "~/Downloads"},
        {false, "", "", false, "~"},
    };
    const TempFolder temp;
    for (const auto &c : cases) {
        const std::string dir = temp.file(std::to_string(&c - cases)), home = dir + "/home";
        SCOPED_TRACE(c.proposed);
        auto expand = [&home](std::string text) {
            if (const auto at = text.find('~'); at != text.npos)
                text.replace(at, 1, home);
            return text;
        };
        for (const char *sub : {"/bin", "/home/.config", "/home/Fetched", "/home/elsewhere"})
            fs::create_directories(dir + sub);
        if (c.downloads)
            fs::create_directory(home + "/Downloads");
        if (!c.userDirs.empty())
            std::ofstream(home + "/.config/user-dirs.dirs") << "# a comment\n"
                                                            << expand(c.userDirs);
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("XDG_DOWNLOAD_DIR", expand(c.environment).c_str(), 1);

        ScriptedServer server({build57});
        FakeHost host;
        host.executable = c.ownFolderWritable ? dir + "/bin/quillet" : "/quillet-nowhere/quillet";
        TTcpClient client;
        RunUpdateConversation(host, client, {"127.0.0.1", server.port()});
        const std::string want = c.ownFolderWritable ? dir + c.proposed : expand(c.proposed);
        EXPECT_EQ(host.proposed, want + "/QuilletInstall.exe");
    }
}
