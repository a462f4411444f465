#include "batchcore.h"
#include "jpegfixtures.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

// In list order with their own causes, for any number of workers, written ahead or not.
TEST(BatchCore, results_come_in_list_order_with_their_causes) {
    TempFolder dir;
    const struct {
        const char *name;
        std::string bytes; // empty: no file; "dir": a folder
        ThumbnailError error;
        int systemError;
        const char *words;
    } cases[] = {
        {"a", EncodeJpeg(PatternPicture(96, 64)), ThumbnailError::None, 0, ""},
        {"text", "just text", ThumbnailError::NotDecodable, 0,
         "Not a JPEG file: starts with 0x6a 0x75"},
        {"missing", "", ThumbnailError::Source, ENOENT, ""},
        {"folder", "dir", ThumbnailError::Source, EISDIR, ""},
        // Beyond the smallest budget, which lets the small photo through.
        {"large", EncodeJpeg(PatternPicture(1000, 1000), {50, true}), ThumbnailError::TooLarge, 0,
         ""},
    };
    std::vector<BatchJob> jobs;
    for (const auto &c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".jpg");
        if (c.bytes == "dir")
            fs::create_directory(path);
        else if (!c.bytes.empty())
            WriteFile(path, c.bytes);
        jobs.push_back({path, {}, true});
    }
    const std::string reference =
        ReferenceThumbnail(cases[0].bytes, 40, 30, true, clBlack, false).bytes;
    for (int workers : {1, 4})
        for (bool writeAhead : {false, true}) {
            for (BatchJob &job : jobs)
                job.target = writeAhead ? job.source + ".t" + std::to_string(workers) : "";
            ThumbnailBatch batch(jobs,
                                 {.width = 40, .height = 30, .keepAspect = true, .extras = {}},
                                 {.workers = workers, .memoryLimit = MiB, .wake = {}});
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                const auto &c = cases[i];
                const BatchResult r = batch.waitFor(i);
                const std::string where = c.name + std::to_string(workers);
                EXPECT_EQ(r.status.error, c.error) << where;
                EXPECT_EQ(r.status.systemError, c.systemError) << where;
                EXPECT_EQ(r.status.message, c.words) << where;
                if (c.error == ThumbnailError::TooLarge) {
                    EXPECT_GT(r.status.memoryNeeded, MiB) << where;
                }
                const std::string got = writeAhead ? ReadFile(jobs[i].target) : r.bytes;
                EXPECT_EQ(got, i == 0 ? reference : "") << where;
            }
        }
}

// A reservation waits while the budget is held; one beyond the whole budget is refused, and a
// cancel (the batch stopping) wakes a waiting one with a refusal, as it refuses later ones.
TEST(BatchCore, the_memory_budget_is_shared_and_never_exceeded) {
    const struct {
        std::uint64_t limit, first, second;
        bool cancel, secondWaits, secondFits;
    } cases[] = {
        {10, 6, 4, false, false, true},
        {10, 6, 5, false, true, true},
        {10, 0, 11, false, false, false},
        {10, 6, 5, true, true, false},
    };
    for (const auto &c : cases) {
        DecoderMemoryBudget budget(c.limit);
        auto held = std::make_unique<BudgetReservation>();
        ASSERT_TRUE(held->take(budget, c.first));
        auto second = std::async(std::launch::async,
                                 [&] { return BudgetReservation().take(budget, c.second); });
        const bool waited =
            second.wait_for(std::chrono::milliseconds(100)) == std::future_status::timeout;
        EXPECT_EQ(waited, c.secondWaits) << c.first << "+" << c.second;
        if (c.cancel)
            budget.cancel();
        else
            held.reset();
        ASSERT_EQ(second.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(second.get(), c.secondFits) << c.first << "+" << c.second;
        EXPECT_EQ(BudgetReservation().take(budget, 1), !c.cancel);
    }
}

// A replaced thumbnail keeps its permissions; our leftovers are swept once per folder; a
// refusal carries the system's cause.
TEST(BatchCore, writes_keep_permissions_and_sweep_leftovers_once) {
    TempFolder dir;
    const std::string photo = dir.file("a.jpg"), old = dir.file("old.jpg");
    const std::string leftover = dir.file(".old.jpg.99999999-0123abcd.tmp");
    WriteFile(photo, EncodeJpeg(PatternPicture(32, 32)));
    WriteFile(old, "old");
    ::chmod(old.c_str(), 0604);
    WriteFile(leftover, "left by a killed writer");

    ThumbnailBatch batch({{photo, {}, true}}, {.width = 16, .height = 16, .extras = {}}, {});
    const BatchResult made = batch.waitFor(0);
    ASSERT_TRUE(made.status && batch.write(old, made));
    EXPECT_EQ(ReadFile(old), made.bytes);
    struct stat st {};
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_FALSE(fs::exists(leftover));
    WriteFile(leftover, "left later");
    ASSERT_TRUE(bool(batch.write(old, made)));
    EXPECT_TRUE(fs::exists(leftover));
    EXPECT_EQ(batch.write(dir.file("none/t.jpg"), made).systemError, ENOENT);
}

} // namespace
