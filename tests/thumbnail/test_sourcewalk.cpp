#include "sourcewalk.h"

#include "tempfolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

bool isJpegName(std::string_view name) {
    return name.ends_with(".jpg");
}

// "path|relative|skipped" for each entry, with the tree's folder cut from the path.
std::vector<std::string> listed(const TempFolder &tree, const std::vector<std::string> &names,
                                bool recursive) {
    std::vector<std::string> rows;
    for (const SourceEntry &e : ListSources(names, recursive, isJpegName)) {
        std::string path = e.path;
        if (path.starts_with(tree.path()))
            path = "T" + path.substr(tree.path().size());
        rows.push_back(path + "|" + e.relative + "|" + e.skipped);
    }
    return rows;
}

} // namespace

struct WalkCase {
    std::vector<std::string> names; // "T" stands for the tree's folder
    bool recursive;
    std::vector<std::string> rows;
};

class SourceWalk : public ::testing::TestWithParam<WalkCase> {};

// T/a/x.jpg  T/a/.hidden.jpg  T/a/notes.txt  T/b/x.jpg  T/b/deep/y.jpg  T/b/up -> T (loop)
// T/b/out -> an outside folder  T/c -> T/b/deep (inside, walked once)  T/z.jpg -> T/a/x.jpg
TEST_P(SourceWalk, mirrors_relative_paths_and_stops_at_links_out_and_loops) {
    TempFolder tree, outside;
    for (const char *folder : {"a", "b", "b/deep"})
        ASSERT_EQ(::mkdir(tree.file(folder).c_str(), 0777), 0);
    for (const char *file : {"a/x.jpg", "a/.hidden.jpg", "a/notes.txt", "b/x.jpg", "b/deep/y.jpg"})
        std::ofstream(tree.file(file)) << "photo";
    std::ofstream(outside.file("far.jpg")) << "photo";
    ASSERT_EQ(::symlink(tree.path().c_str(), tree.file("b/up").c_str()), 0);
    ASSERT_EQ(::symlink(outside.path().c_str(), tree.file("b/out").c_str()), 0);
    ASSERT_EQ(::symlink("b/deep", tree.file("c").c_str()), 0);
    ASSERT_EQ(::symlink("a/x.jpg", tree.file("z.jpg").c_str()), 0);
    std::vector<std::string> names;
    for (std::string name : GetParam().names)
        names.push_back(name[0] == 'T' ? tree.path() + name.substr(1) : name);
    ASSERT_EQ(::chdir(tree.path().c_str()), 0);
    EXPECT_EQ(listed(tree, names, GetParam().recursive), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, SourceWalk,
    ::testing::Values(WalkCase{{"T", "a/x.jpg"}, false, {"T/z.jpg||", "a/x.jpg||"}},
                      WalkCase{{"b", "a"}, false, {"b/x.jpg||", "a/x.jpg||"}},
                      WalkCase{{"T"},
                               true,
                               {"T/a/x.jpg|a/x.jpg|", "T/b/deep/y.jpg|b/deep/y.jpg|",
                                "T/b/out|b/out|a link to a folder outside the tree",
                                "T/b/up|b/up|a link back to a folder it is in (a loop)",
                                "T/b/x.jpg|b/x.jpg|", "T/z.jpg|z.jpg|"}},
                      WalkCase{{"c"}, true, {"c/y.jpg|y.jpg|"}},
                      WalkCase{{"./a/x.jpg", "a/../b/x.jpg", "T/a/x.jpg", "missing.jpg"},
                               true,
                               {"./a/x.jpg|a/x.jpg|", "a/../b/x.jpg|x.jpg|", "T/a/x.jpg|x.jpg|",
                                "missing.jpg|missing.jpg|"}}));
