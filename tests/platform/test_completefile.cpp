// Whole-file writes: complete or absent, links replaced, special files never opened.
#include "completefile.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

FileIdentity Id(const std::string &path) {
    return IdentityOfPath(path).value();
}

TEST(WriteCompleteFile, creates_and_replaces_with_umask_or_given_permissions) {
    TempFolder dir;
    auto mode = [&](const char *name) {
        struct stat st {};
        return ::stat(dir.file(name).c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
    };
    const mode_t old = ::umask(027);
    EXPECT_EQ(WriteCompleteFile(dir.file("a"), "first"), 0);
    ::umask(old);
    EXPECT_EQ(mode("a"), 0640u);
    EXPECT_EQ(WriteCompleteFile(dir.file("a"), "second, longer"), 0);
    EXPECT_EQ(Read(dir.file("a")), "second, longer");
    EXPECT_EQ(WriteCompleteFile(dir.file("a"), ""), 0);
    EXPECT_EQ(Read(dir.file("a")), "");
    EXPECT_EQ(
        WriteCompleteFile(dir.file("b"), "x", {}, FileAttributes{0604, ::getuid(), ::getgid()}), 0);
    EXPECT_EQ(mode("b"), 0604u);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"a", "b"}));
}

TEST(WriteCompleteFile, a_link_at_the_target_is_replaced_not_followed) {
    TempFolder dir;
    Write(dir.file("outside"), "keep");
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", dir.file("dangling").c_str()), 0);
    EXPECT_EQ(WriteCompleteFile(dir.file("link"), "new"), 0);
    EXPECT_EQ(WriteCompleteFile(dir.file("dangling"), "new"), 0);
    for (const char *name : {"link", "dangling"}) {
        struct stat st {};
        ASSERT_EQ(::lstat(dir.file(name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_EQ(Read(dir.file(name)), "new") << name;
    }
    EXPECT_EQ(Read(dir.file("outside")), "keep");
    EXPECT_FALSE(std::ifstream(dir.file("nowhere")).good());
}

TEST(WriteCompleteFile, refusals_change_nothing) {
    TempFolder dir;
    Write(dir.file("source"), "photo");
    ASSERT_EQ(::link(dir.file("source").c_str(), dir.file("hard").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("source").c_str(), dir.file("soft").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    const FileIdentity source = Id(dir.file("source"));

    struct Case {
        std::string target;
        int error;
    } cases[] = {
        {dir.file("source"), kErrorProtectedTarget},
        {dir.file("hard"), kErrorProtectedTarget},
        {dir.file("soft"), kErrorProtectedTarget},
        {dir.file("folder/../source"), kErrorProtectedTarget},
        {dir.file("folder"), EISDIR},
        {dir.file("fifo"), kErrorSpecialFile},
        {"/dev/null", kErrorSpecialFile},
        {dir.file("missing/a"), ENOENT},
        {dir.file("source/a"), ENOTDIR},
        {"", ENOENT},
    };
    const std::set<std::string> before = dir.names();
    for (const Case &c : cases) {
        // A FIFO without a reader would block a plain open: the guard fails the test instead.
        auto done = std::async(std::launch::async, [&] {
            return WriteCompleteFile(c.target, "thumbnail", std::span(&source, 1));
        });
        ASSERT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.target;
        EXPECT_EQ(done.get(), c.error) << c.target;
        EXPECT_EQ(CompleteFileWriter().Open(c.target, std::span(&source, 1)), c.error) << c.target;
    }
    EXPECT_EQ(Read(dir.file("source")), "photo");
    EXPECT_EQ(dir.names(), before);
}

TEST(CompleteFileWriter, pieces_take_the_place_on_commit_and_nothing_is_left_without_it) {
    TempFolder dir;
    Write(dir.file("setup.run"), "old");
    {
        CompleteFileWriter abandoned;
        ASSERT_EQ(abandoned.Open(dir.file("setup.run")), 0);
        EXPECT_EQ(abandoned.Write("half"), 0);
    }
    EXPECT_EQ(Read(dir.file("setup.run")), "old");
    EXPECT_EQ(dir.names(), std::set<std::string>{"setup.run"});

    CompleteFileWriter file;
    ASSERT_EQ(file.Open(dir.file("setup.run")), 0);
    EXPECT_EQ(file.Write("new "), 0);
    EXPECT_EQ(Read(dir.file("setup.run")), "old");
    EXPECT_EQ(file.Write("installer"), 0);
    EXPECT_EQ(file.Commit(), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Read(dir.file("setup.run")), "new installer");
    EXPECT_EQ(dir.names(), std::set<std::string>{"setup.run"});
}

TEST(WriteCompleteFile, a_full_disk_keeps_the_old_file_and_leaves_nothing) {
    TempFolder dir;
    if (::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    Write(dir.file("t.jpg"), "previous");
    EXPECT_EQ(WriteCompleteFile(dir.file("t.jpg"), std::string(1 << 20, 'x')), ENOSPC);
    EXPECT_EQ(WriteCompleteFile(dir.file("new.jpg"), std::string(1 << 20, 'x')), ENOSPC);
    EXPECT_EQ(Read(dir.file("t.jpg")), "previous");
    EXPECT_EQ(dir.names(), std::set<std::string>{"t.jpg"});
    ::umount(dir.path().c_str());
}

// Kills at random moments of a writer that keeps replacing one file: the file is always one
// complete version; a caught signal leaves no temporary file; a SIGKILL can leave one only
// in the few calls between naming and renaming, and the next clean-up removes it.
TEST(WriteCompleteFile, a_killed_writer_leaves_a_complete_file_and_no_debris) {
    TempFolder dir;
    const std::string target = dir.file("settings.ini");
    const std::string a(300000, 'a'), b(200000, 'b');
    Write(target, a);
    for (int round = 0; round < 60; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            DeferTerminationSignals();
            for (int i = 0;; ++i)
                WriteCompleteFile(target, i % 2 ? a : b);
        }
        ::usleep(useconds_t(300 + round * 97 % 3000));
        const int signal = round % 3 == 0 ? SIGKILL : round % 3 == 1 ? SIGTERM : SIGINT;
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << round;
        const std::string now = Read(target);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        if (signal == SIGKILL)
            RemoveStaleTemporaries(target);
        ASSERT_EQ(dir.names(), std::set<std::string>{"settings.ini"}) << "round " << round;
    }
}

} // namespace
