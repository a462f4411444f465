// Replacing a small file in place of a plain write: kills leave no debris; FIFOs never block
// a reader or a writer.
#include "atomicfile.h"
#include "bytesource.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ReplaceFileContents, kills_leave_one_complete_file_and_no_debris) {
    TempFolder dir;
    const std::string file = dir.path() + "/Quillet.ini";
    const std::string a = "[settings]\nwidth=" + std::string(20000, '1') + "\n";
    const std::string b = "[settings]\nwidth=" + std::string(30000, '2') + "\n";
    ASSERT_TRUE(ReplaceFileContents(file, a));
    for (int round = 0; round < 100; ++round) {
        const pid_t child = ::fork();
        if (child == 0)
            for (int i = 0;; ++i)
                ReplaceFileContents(file, i % 2 ? a : b);
        ::usleep(useconds_t(100 + round * 131 % 2000));
        ::kill(child, round % 2 ? SIGKILL : SIGTERM);
        ::waitpid(child, nullptr, 0);
        const std::string now = ReadWholeFile(file).value_or("");
        ASSERT_TRUE(now == a || now == b) << round;
    }
    // A kill right between naming and renaming leaves one file, which the next write removes.
    ASSERT_TRUE(ReplaceFileContents(file, a));
    EXPECT_EQ(dir.names().size(), 1u);
}

TEST(WholeFiles, a_fifo_is_refused_without_waiting) {
    TempFolder dir;
    const std::string fifo = dir.path() + "/Quillet.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto write = std::async(std::launch::async, [&] { return ReplaceFileContents(fifo, "x"); });
    auto read = std::async(std::launch::async, [&] { return ReadWholeFile(fifo).has_value(); });
    auto bytes = std::async(std::launch::async, [&] { return FileBytes(fifo).isOpen(); });
    ASSERT_EQ(write.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    ASSERT_EQ(bytes.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(write.get());
    EXPECT_FALSE(read.get());
    EXPECT_FALSE(bytes.get());
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace
