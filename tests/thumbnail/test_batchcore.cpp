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

ThumbnailSettings box(int width, int height) {
    ThumbnailSettings s;
    s.width = width;
    s.height = height;
    s.keepAspect = true;
    return s;
}

// In list order with their own causes, for any number of workers, written ahead or not.
TEST(BatchCore, results_come_in_list_order_with_their_causes) {
    TempFolder dir;
    const std::string photo = EncodeJpeg(PatternPicture(96, 64));
    const struct {
        const char *name;
        std::string bytes; // empty: no file; "dir": a folder
        ThumbnailError error;
        int systemError;
        const char *words;
    } cases[] = {
        {"a", photo, ThumbnailError::None, 0, ""},
        {"text", "just text", ThumbnailError::NotDecodable, 0,
         "Not a JPEG file: starts with 0x6a 0x75"},
        {"missing", "", ThumbnailError::Source, ENOENT, ""},
        {"folder", "dir", ThumbnailError::Source, EISDIR, ""},
        {"huge", "", ThumbnailError::TooLarge, 0, ""}, // made below
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
    // Declared 6000 x 6000 progressive: about 55 MiB of coefficients.
    std::string huge = EncodeJpeg(PatternPicture(16, 16), {50, true});
    for (std::size_t at = huge.find("\xFF\xC2") + 5, k = 0; k < 4; ++k)
        huge[at + k] = k % 2 ? char(6000 & 0xFF) : char(6000 >> 8);
    WriteFile(jobs[4].source, huge);

    for (int workers : {1, 4})
        for (bool writeAhead : {false, true}) {
            std::vector<BatchJob> these = jobs;
            for (BatchJob &job : these)
                job.target = writeAhead ? job.source + ".t" + std::to_string(workers) : "";
            BatchOptions options;
            options.workers = workers;
            options.memoryLimit = 16 * MiB;
            ThumbnailBatch batch(these, box(40, 30), options);
            for (std::size_t i = 0; i < these.size(); ++i) {
                const auto &c = cases[i];
                const BatchResult r = batch.waitFor(i);
                const std::string where = c.name + std::to_string(workers);
                EXPECT_EQ(r.status.error, c.error) << where;
                EXPECT_EQ(r.status.systemError, c.systemError) << where;
                EXPECT_EQ(r.status.message, c.words) << where;
                if (c.error == ThumbnailError::TooLarge) {
                    EXPECT_GT(r.status.memoryNeeded, 16 * MiB) << where;
                }
                const std::string reference =
                    ReferenceThumbnail(c.bytes, 40, 30, true, clBlack, false).bytes;
                const std::string got = writeAhead ? ReadFile(these[i].target) : r.bytes;
                EXPECT_EQ(got, r.status ? reference : "") << where;
            }
        }
}

// A reservation waits while the budget is held; one beyond the whole budget is refused.
TEST(BatchCore, the_memory_budget_is_shared_and_never_exceeded) {
    const struct {
        std::uint64_t limit, first, second;
        bool secondWaits, secondFits;
    } cases[] = {
        {10, 6, 4, false, true},
        {10, 6, 5, true, true},
        {10, 0, 11, false, false},
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
        held.reset();
        EXPECT_EQ(second.get(), c.secondFits) << c.first << "+" << c.second;
    }
}

// Writing protects the batch's photos, keeps permissions, sweeps leftovers once per folder.
TEST(BatchCore, writes_keep_photos_and_permissions_and_sweep_leftovers_once) {
    TempFolder dir;
    const std::string a = dir.file("a.jpg"), b = dir.file("b.jpg");
    WriteFile(a, EncodeJpeg(PatternPicture(32, 32)));
    WriteFile(b, EncodeJpeg(PatternPicture(32, 24)));
    fs::create_symlink(b, dir.file("link.jpg"));
    WriteFile(dir.file("old.jpg"), "old");
    ::chmod(dir.file("old.jpg").c_str(), 0604);
    const std::string leftover = dir.file(".old.jpg.99999999-0123abcd.tmp");
    WriteFile(leftover, "left by a killed writer");

    ThumbnailBatch batch({{a, {}, true}, {b, {}, true}}, box(16, 16), {});
    const BatchResult made = batch.waitFor(0);
    ASSERT_TRUE(bool(made.status));
    const struct {
        std::string target;
        ThumbnailError error;
        int systemError;
    } cases[] = {
        {a, ThumbnailError::Target, kErrorProtectedTarget},
        {b, ThumbnailError::Target, kErrorProtectedTarget},
        {dir.file("link.jpg"), ThumbnailError::Target, kErrorProtectedTarget},
        {dir.file("old.jpg"), ThumbnailError::None, 0},
        {dir.file("none/t.jpg"), ThumbnailError::Target, ENOENT},
    };
    for (const auto &c : cases) {
        const ThumbnailStatus s = batch.write(c.target, made);
        EXPECT_EQ(s.error, c.error) << c.target;
        EXPECT_EQ(s.systemError, c.systemError) << c.target;
    }
    EXPECT_EQ(ReadFile(dir.file("old.jpg")), made.bytes);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("old.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_FALSE(fs::exists(leftover));
    WriteFile(leftover, "left later");
    ASSERT_TRUE(bool(batch.write(dir.file("old.jpg"), made)));
    EXPECT_TRUE(fs::exists(leftover));
}

TEST(BatchCore, a_stopped_batch_ends_without_its_results) {
    TempFolder dir;
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 40; ++i) {
        jobs.push_back({dir.file("p" + std::to_string(i) + ".jpg"), {}, true});
        WriteFile(jobs.back().source, EncodeJpeg(PatternPicture(64, 48, 3, unsigned(i))));
    }
    BatchOptions options;
    options.workers = 2;
    ThumbnailBatch batch(jobs, box(16, 16), options);
    ASSERT_TRUE(bool(batch.waitFor(0).status));
    batch.stop();
    while (!batch.finished())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (std::size_t i = 1; i < jobs.size(); ++i)
        EXPECT_FALSE(batch.ready(i)) << i;
    EXPECT_TRUE(batch.waitFor(1).bytes.empty());
}

} // namespace
