#include "targetplan.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct NamingCase {
    const char *source, *folder;
    bool addSuffix;
    const char *suffix, *expected;
    OutputFormat format = OutputFormat::Jpeg;
};

class ThumbnailNaming : public ::testing::TestWithParam<NamingCase> {};

TEST_P(ThumbnailNaming, builds_the_target_from_folder_file_name_and_suffix) {
    const NamingCase &c = GetParam();
    EXPECT_EQ(ThumbnailTargetPath(c.source, {c.folder, c.addSuffix, c.suffix, c.format}),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ThumbnailNaming,
    ::testing::Values(
        NamingCase{"/photos/img01.jpg", "/thumbs", true, ".thumb.jpg",
                   "/thumbs/img01.jpg.thumb.jpg"},
        NamingCase{"/photos/img01.jpg", "/thumbs", false, ".thumb.jpg", "/thumbs/img01.jpg"},
        NamingCase{"/photos/img01.jpg", "/thumbs/", true, "_t", "/thumbs/img01.jpg_t"},
        NamingCase{"/p/a.jpg", "/", false, "", "/a.jpg"},
        NamingCase{"img01.jpg", "out", true, "", "out/img01.jpg"},
        // Without a folder each thumbnail goes beside its own photo.
        NamingCase{"/photos/img01.jpg", "", true, ".thumb.jpg", "/photos/img01.jpg.thumb.jpg"},
        NamingCase{"/a.jpg", "", true, ".t", "/a.jpg.t"},
        NamingCase{"img01.jpg", "", true, ".t", "img01.jpg.t"},
        NamingCase{"/photos/img01.jpg", "", true, "x/small.jpg", "/photos/small.jpg"},
        // The file-name part is taken after the suffix is appended: a "/" in it cuts.
        NamingCase{"/photos/img01.jpg", "/thumbs", true, "/small.jpg", "/thumbs/small.jpg"},
        NamingCase{"/photos/img01.jpg", "/thumbs", true, "x/", "/thumbs/"},
        NamingCase{"", "/thumbs", false, ".thumb.jpg", ""},
        NamingCase{"", "/t", true, ".thumb.jpg", "/t/.thumb.jpg"},
        NamingCase{"/", "/thumbs", false, "", "/thumbs/"},
        NamingCase{"/p/a\\b.jpg", "/t", false, "", "/t/a\\b.jpg"},
        // Other formats: the name's last extension becomes the format's; JPEG names stay.
        NamingCase{"/p/a.heic", "/t", true, ".thumb.jpg", "/t/a.heic.thumb.webp",
                   OutputFormat::Webp},
        NamingCase{"/p/a.jpg", "/t", false, ".thumb.jpg", "/t/a.webp", OutputFormat::Webp},
        NamingCase{"/p/a.jpg", "", true, "_t", "/p/a.avif", OutputFormat::Avif},
        NamingCase{"/p/a", "/t", false, "", "/t/a.png", OutputFormat::Png},
        NamingCase{"/p.d/.a", "", false, "", "/p.d/.a.png", OutputFormat::Png},
        NamingCase{"/p/a.jpg", "/t", true, ".thumb.png", "/t/a.jpg.thumb.png"}));

// A dangling link at a target exists; a target that is the photo itself is refused even where
// an existing target would only be skipped.
TEST(PlanTargets, decides_each_photo_before_any_work) {
    namespace fs = std::filesystem;
    TempFolder dir;
    for (const char *folder : {"p", "q", "t", "p/dir"})
        fs::create_directory(dir.file(folder));
    for (const char *photo : {"p/a.jpg", "p/b.jpg", "q/b.jpg"})
        std::ofstream(dir.file(photo)) << photo;
    fs::create_symlink(dir.file("gone"), dir.file("t/a.jpg.t"));
    const std::vector<std::string> sources = {dir.file("p/a.jpg"), dir.file("p/b.jpg"),
                                              dir.file("q/b.jpg"), dir.file("p/dir")};
    using P = TargetPlan;
    const struct {
        const char *folder;
        bool addSuffix, overwrite;
        std::vector<TargetPlan> plans;
    } cases[] = {
        {"t", true, false, {P::SkipExisting, P::Convert, P::SkipDuplicate, P::SkipFolder}},
        {"t", true, true, {P::Convert, P::Convert, P::SkipDuplicate, P::SkipFolder}},
        {"p", false, false, {P::RefuseSelf, P::RefuseSelf, P::SkipOtherSource, P::SkipFolder}},
        {"p", false, true, {P::RefuseSelf, P::RefuseSelf, P::SkipOtherSource, P::SkipFolder}},
    };
    for (const auto &c : cases) {
        const auto planned =
            PlanTargets(sources, {dir.file(c.folder), c.addSuffix, ".t"}, c.overwrite);
        ASSERT_EQ(planned.size(), c.plans.size());
        for (std::size_t i = 0; i < planned.size(); ++i)
            EXPECT_EQ(planned[i].plan, c.plans[i]) << c.folder << c.overwrite << " " << sources[i];
    }
}

} // namespace
