// The command-line tool end to end: real processes, real files in a temporary folder.
#include "formatfixtures.h"
#include "jpegfixtures.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include "completefile.h"
#include "jsonline.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output; // standard output and error together
};

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Guarded by a timeout, so a run that waits forever (on a FIFO) fails instead of hanging.
Outcome RunProgram(const std::string &program, const std::string &args) {
    const std::string command = "timeout 30 " + Quote(program) + " " + args + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    Outcome r{-1, {}};
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

Outcome Thumb(const std::string &args) {
    return RunProgram(QUILLET_THUMB_PATH, args);
}

// Starts quillet-thumb, sends `signal` after `delayMs` milliseconds and waits for its end.
void RunAndSignal(const std::vector<std::string> &args, int signal, int delayMs) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char *> argv{const_cast<char *>(QUILLET_THUMB_PATH)};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(QUILLET_THUMB_PATH, argv.data());
        ::_exit(127);
    }
    ::usleep(useconds_t(delayMs) * 1000);
    ::kill(child, signal);
    ::waitpid(child, nullptr, 0);
}

std::set<std::string> Names(const std::string &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class QuilletThumb : public ::testing::Test {
protected:
    TempFolder dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");

    void SetUp() override {
        fs::create_directory(in);
        fs::create_directory(out);
        WriteFile(in + "/a.jpg", EncodeJpeg(PatternPicture(320, 240)));
        WriteFile(in + "/b.jpg", EncodeJpeg(PatternPicture(200, 300, 3, 2), {80, true}));
    }
};

TEST_F(QuilletThumb, converts_every_source_into_the_output_folder) {
    const Outcome r =
        Thumb("-o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " + Quote(in + "/b.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("2 of 2 converted"), std::string::npos) << r.output;
    const std::string a = ReadFile(out + "/a.jpg.thumb.jpg");
    EXPECT_EQ(a, ReferenceThumbnail(ReadFile(in + "/a.jpg"), 160, 180, true, clBlack, false).bytes);
    DecodedJpeg b = DecodeJpeg(ReadFile(out + "/b.jpg.thumb.jpg"));
    ASSERT_TRUE(b.ok);
    EXPECT_TRUE(b.progressive);
    EXPECT_EQ(b.picture.width, 160);
    EXPECT_EQ(b.picture.height, 180);
}

TEST_F(QuilletThumb, options_reach_the_engine) {
    const Outcome r = Thumb("-q -j1 --crop -s 100x50 --fill '#FF0000' --suffix _s.jpg -o " +
                            Quote(out) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(r.output.empty()) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg_s.jpg"),
              ReferenceThumbnail(ReadFile(in + "/a.jpg"), 100, 50, true, clRed, true).bytes);

    EXPECT_EQ(Thumb("-q --no-suffix --stretch -s 9x9 -o " + Quote(out) + " " + Quote(in + "/b.jpg"))
                  .status,
              0);
    EXPECT_EQ(DecodeJpeg(ReadFile(out + "/b.jpg")).picture.width, 9);
}

TEST_F(QuilletThumb, existing_targets_are_skipped_unless_overwriting) {
    WriteFile(out + "/a.jpg.thumb.jpg", "keep me");
    Outcome r = Thumb("-o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " + Quote(in + "/b.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("skipped " + in + "/a.jpg"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("1 of 2 converted, 1 skipped"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg.thumb.jpg"), "keep me");

    r = Thumb("--overwrite -o " + Quote(out) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(DecodeJpeg(ReadFile(out + "/a.jpg.thumb.jpg")).ok);
}

TEST_F(QuilletThumb, failures_are_named_and_the_rest_goes_on) {
    WriteFile(in + "/bad.jpg", "not a photo");
    const Outcome r =
        Thumb("-o " + Quote(out) + " " + Quote(in + "/bad.jpg") + " " + Quote(in + "/missing.jpg") +
              " " + Quote(in) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.output.find("failed " + in + "/bad.jpg: the photo cannot be decoded: Not a JPEG file"),
        std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("failed " + in + "/missing.jpg: the photo does not exist"),
              std::string::npos)
        << r.output;
    // The folder gives its photos a.jpg, b.jpg and bad.jpg; a.jpg and bad.jpg, named once
    // more, are skipped the second time.
    EXPECT_NE(r.output.find("2 of 6 converted, 2 skipped, 2 failed"), std::string::npos)
        << r.output;
    EXPECT_TRUE(fs::exists(out + "/a.jpg.thumb.jpg"));
    EXPECT_FALSE(fs::exists(out + "/missing.jpg.thumb.jpg"));
}

TEST_F(QuilletThumb, two_sources_with_one_target_never_race) {
    fs::create_directory(in + "/other");
    WriteFile(in + "/other/a.jpg", EncodeJpeg(PatternPicture(50, 50)));
    const Outcome r = Thumb("-j 2 -o " + Quote(out) + " " + Quote(in + "/a.jpg") + " " +
                            Quote(in + "/other/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("is the one of " + in + "/a.jpg"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(out + "/a.jpg.thumb.jpg"),
              ReferenceThumbnail(ReadFile(in + "/a.jpg"), 160, 180, true, clBlack, false).bytes);
}

// Missing output folders are made with their parents; what stands in the way is named with its
// cause, and a target that is the photo itself is refused before any work.
TEST_F(QuilletThumb, output_folders_are_made_and_targets_checked_before_the_work) {
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    WriteFile(dir.file("file"), "x");
    fs::create_symlink(dir.file("gone"), out + "/a.jpg.thumb.jpg");
    const struct {
        std::string args, expected, made;
        int status;
    } cases[] = {
        {"-o " + Quote(dir.file("new/deeper")), "1 of 1 converted",
         dir.file("new/deeper/a.jpg.thumb.jpg"), 0},
        {"-o " + Quote(dir.file("file/sub")),
         "cannot make the output folder " + dir.file("file/sub") + ": " +
             DescribeFileError(ENOTDIR),
         "", 1},
        {"-o " + Quote(dir.file("dangling/sub")), "cannot make the output folder", "", 1},
        {"-o " + Quote(out), "already exists (use --overwrite", "", 1},
        {"--no-suffix -o " + Quote(in),
         "failed " + in + "/a.jpg: the target " + in + "/a.jpg is the photo itself", "", 1},
    };
    for (const auto &c : cases) {
        const Outcome r = Thumb(c.args + " " + Quote(in + "/a.jpg"));
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.args << "\n" << r.output;
        EXPECT_TRUE(c.made.empty() || fs::is_regular_file(c.made)) << c.args;
    }
    EXPECT_TRUE(fs::is_symlink(out + "/a.jpg.thumb.jpg"));
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

// A copy of the program with the format module where an installation puts it, damaged, or
// left out: JPEG never needs the module; another format says what is wrong with it.
TEST_F(QuilletThumb, the_format_module_serves_the_other_formats_or_its_fault_is_named) {
    WriteFile(in + "/c.png", EncodePng(PatternPicture(64, 48)));
    const fs::path built = QUILLET_FORMATS_PATH;
    const fs::path fromProgram = fs::relative(built, fs::path(QUILLET_THUMB_PATH).parent_path());
    const struct {
        const char *module; // "built", "junk" or "" (none)
        const char *format;
        std::string png, jpeg; // what the line of each photo holds; empty: converted
    } cases[] = {
        {"built", "jpeg", "", ""},
        {"built", "webp", "", ""},
        {"", "jpeg", "the photo cannot be decoded: the format module {} is missing: ", ""},
        {"", "png", "the photo cannot be decoded: the format module {} is missing: ",
         "the thumbnail cannot be encoded: the format module {} is missing: "},
        {"junk", "jpeg",
         "the photo cannot be decoded: the format module {} cannot be loaded: ", ""},
    };
    for (const auto &c : cases) {
        const TempFolder install;
        const fs::path program = fs::path(install.file("bin")) / "quillet-thumb";
        const fs::path module = (program.parent_path() / fromProgram).lexically_normal();
        fs::create_directories(module.parent_path());
        fs::create_directories(program.parent_path());
        fs::copy_file(QUILLET_THUMB_PATH, program);
        if (c.module == std::string("built"))
            fs::copy_file(built, module);
        else if (c.module == std::string("junk"))
            WriteFile(module, "not a module");
        const std::string photos = Quote(in + "/c.png") + " " + Quote(in + "/a.jpg");
        const Outcome r = RunProgram(program, "--overwrite --format " + std::string(c.format) +
                                                  " -o " + Quote(out) + " " + photos);
        const std::string label = std::string(c.module) + " " + c.format + "\n" + r.output;
        EXPECT_EQ(r.status, c.png.empty() && c.jpeg.empty() ? 0 : 1) << label;
        for (const auto &[photo, expected] : {std::pair{"c.png", c.png}, {"a.jpg", c.jpeg}}) {
            std::string line =
                expected.empty() ? "" : "failed " + in + "/" + photo + ": " + expected;
            if (const std::size_t at = line.find("{}"); at != std::string::npos)
                line.replace(at, 2, module.string());
            const std::string made = out + "/" + photo + ".thumb." +
                                     (c.format == std::string("jpeg") ? "jpg" : c.format);
            EXPECT_EQ(fs::exists(made), expected.empty()) << photo << " " << label;
            EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << label;
            fs::remove(made);
        }
    }
}

TEST_F(QuilletThumb, usage_errors_exit_with_2) {
    EXPECT_EQ(Thumb("--files-from " + Quote(dir.file("no-list"))).status, 3);
    for (const char *args : {"", "-s 0x0 a.jpg", "-s 65501x10 a.jpg", "--bogus a.jpg",
                             "--stretch --crop a.jpg", "--memory-limit 10 a.jpg"}) {
        const Outcome r = Thumb(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.output.find("--help"), std::string::npos) << args;
    }
    EXPECT_EQ(Thumb("--help").status, 0);
    EXPECT_NE(Thumb("--version").output.find("0.9.1.6"), std::string::npos);
}

TEST_F(QuilletThumb, a_killed_conversion_leaves_the_previous_target_or_the_complete_new_one) {
    const std::string big = in + "/big.jpg";
    WriteFile(big, EncodeJpeg(PatternPicture(6000, 4000), {90, true}));
    const std::string target = out + "/big.jpg.thumb.jpg";
    ASSERT_EQ(Thumb("-q -o " + Quote(out) + " " + Quote(big)).status, 0);
    const std::string fresh = ReadFile(target);
    const std::string previous = "previous thumbnail";
    int round = 0;
    for (int delay : {0, 30, 120, 300, 600})
        for (int signal : {SIGKILL, SIGTERM, SIGINT}) {
            const bool hadTarget = ++round % 2 == 0;
            if (hadTarget)
                WriteFile(target, previous);
            else
                fs::remove(target);
            RunAndSignal({"-q", "--overwrite", "-o", out, big}, signal, delay);
            const std::string what =
                "signal " + std::to_string(signal) + " after " + std::to_string(delay) + " ms";
            if (fs::exists(target)) {
                const std::string now = ReadFile(target);
                EXPECT_TRUE(now == fresh || (hadTarget && now == previous)) << what;
            }
            if (signal == SIGKILL)
                RemoveStaleTemporaries(target);
            const std::set<std::string> names = Names(out);
            EXPECT_TRUE(names.empty() || names == std::set<std::string>{"big.jpg.thumb.jpg"})
                << what << ": " << names.size() << " files";
        }
}

TEST_F(QuilletThumb, a_full_disk_is_named_and_keeps_the_previous_target) {
    if (::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    WriteFile(out + "/a.jpg.thumb.jpg", "previous");
    const Outcome r = Thumb("--overwrite -s 3000x3000 -o " + Quote(out) + " " +
                            Quote(in + "/a.jpg") + " " + Quote(in + "/b.jpg"));
    const std::set<std::string> names = Names(out);
    const std::string kept = ReadFile(out + "/a.jpg.thumb.jpg");
    ::umount(out.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("failed " + in + "/a.jpg: cannot write " + out +
                            "/a.jpg.thumb.jpg: no space left on the device"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(kept, "previous");
    EXPECT_EQ(names, std::set<std::string>{"a.jpg.thumb.jpg"});
}

TEST_F(QuilletThumb, a_link_planted_at_a_target_is_replaced_not_followed) {
    WriteFile(dir.file("elsewhere"), "keep");
    fs::create_symlink(dir.file("elsewhere"), out + "/a.jpg.thumb.jpg");
    const Outcome r = Thumb("-q --overwrite -o " + Quote(out) + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(dir.file("elsewhere")), "keep");
    EXPECT_FALSE(fs::is_symlink(out + "/a.jpg.thumb.jpg"));
    EXPECT_TRUE(DecodeJpeg(ReadFile(out + "/a.jpg.thumb.jpg")).ok);
}

TEST_F(QuilletThumb, fifos_as_source_or_target_are_refused_at_once) {
    ASSERT_EQ(::mkfifo((in + "/fifo.jpg").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((out + "/a.jpg.thumb.jpg").c_str(), 0644), 0);
    const Outcome r = Thumb("--overwrite -o " + Quote(out) + " " + Quote(in + "/fifo.jpg") + " " +
                            Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("failed " + in + "/fifo.jpg: it is a FIFO, device or socket"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("failed " + in + "/a.jpg: the target " + out +
                            "/a.jpg.thumb.jpg is a FIFO, device or socket"),
              std::string::npos)
        << r.output;
}

TEST_F(QuilletThumb, a_photo_of_the_batch_is_never_a_target) {
    fs::create_directory(in + "/x");
    WriteFile(in + "/x/a.jpg", EncodeJpeg(PatternPicture(50, 50)));
    const std::string original = ReadFile(in + "/a.jpg");
    const Outcome r = Thumb("--no-suffix --overwrite -o " + Quote(in) + " " +
                            Quote(in + "/x/a.jpg") + " " + Quote(in + "/a.jpg"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("skipped " + in + "/x/a.jpg: its thumbnail " + in +
                            "/a.jpg would replace the photo " + in + "/a.jpg of this batch"),
              std::string::npos)
        << r.output;
    EXPECT_NE(
        r.output.find("failed " + in + "/a.jpg: the target " + in + "/a.jpg is the photo itself"),
        std::string::npos)
        << r.output;
    EXPECT_EQ(ReadFile(in + "/a.jpg"), original);
}

// A library: one name in two folders, a name that is not UTF-8, a link out of the tree and a
// link back up (a loop).
class PhotoLibrary : public QuilletThumb {
protected:
    std::string cafe = in + "/2025/caf\xe9.jpg";

    void SetUp() override {
        QuilletThumb::SetUp();
        for (const char *folder : {"/2024", "/2024/Rome", "/2024/Oslo", "/2025"})
            fs::create_directory(in + folder);
        fs::rename(in + "/a.jpg", in + "/2024/Rome/IMG.jpg");
        fs::rename(in + "/b.jpg", in + "/2024/Oslo/IMG.jpg");
        fs::copy_file(in + "/2024/Rome/IMG.jpg", cafe);
        fs::create_directory_symlink(dir.path(), in + "/2025/out");
        fs::create_directory_symlink("..", in + "/2025/up");
    }

    // Every file under `out`, relative to it.
    std::set<std::string> written() const {
        std::set<std::string> files;
        for (const auto &e : fs::recursive_directory_iterator(out))
            if (e.is_regular_file())
                files.insert(fs::relative(e.path(), out).string());
        return files;
    }
};

struct TreeCase {
    std::string args; // before the output folder and the tree
    std::set<std::string> files;
};

class TreeRuns : public PhotoLibrary, public ::testing::WithParamInterface<TreeCase> {};

TEST_P(TreeRuns, mirror_the_tree_in_every_size_and_skip_the_links) {
    const Outcome r = Thumb(GetParam().args + " -o " + Quote(out) + " " + Quote(in));
    EXPECT_EQ(r.status, 1) << r.output; // the two links are skipped
    EXPECT_NE(r.output.find("skipped " + in + "/2025/out: a link to a folder outside the tree"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("skipped " + in + "/2025/up: a link back to a folder it is in"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(written(), GetParam().files);
    // Each size is the bytes a run of that size alone makes.
    for (const std::string &file : written()) {
        const bool small = file.find("20x20") != std::string::npos;
        const std::string photo =
            file.find("Oslo") != std::string::npos ? "/2024/Oslo/IMG.jpg" : "/2024/Rome/IMG.jpg";
        EXPECT_EQ(ReadFile(out + "/" + file),
                  ReferenceThumbnail(ReadFile(in + photo), small ? 20 : 30, small ? 20 : 30, true,
                                     clBlack, false)
                      .bytes)
            << file;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TreeRuns,
    ::testing::Values(
        TreeCase{"-r -s 30x30",
                 {"2024/Oslo/IMG.jpg.thumb.jpg", "2024/Rome/IMG.jpg.thumb.jpg",
                  "2025/caf\xe9.jpg.thumb.jpg"}},
        TreeCase{"-r -s 20x20 -s 30x30",
                 {"2024/Oslo/IMG.jpg.thumb-20x20.jpg", "2024/Oslo/IMG.jpg.thumb-30x30.jpg",
                  "2024/Rome/IMG.jpg.thumb-20x20.jpg", "2024/Rome/IMG.jpg.thumb-30x30.jpg",
                  "2025/caf\xe9.jpg.thumb-20x20.jpg", "2025/caf\xe9.jpg.thumb-30x30.jpg"}},
        TreeCase{"-r --size-folders --no-suffix -s 20x20 -s 30x30",
                 {"20x20/2024/Oslo/IMG.jpg", "20x20/2024/Rome/IMG.jpg", "20x20/2025/caf\xe9.jpg",
                  "30x30/2024/Oslo/IMG.jpg", "30x30/2024/Rome/IMG.jpg", "30x30/2025/caf\xe9.jpg"}},
        TreeCase{"-r --dry-run -s 30x30", {}}));

struct UpdateCase {
    const char *what;
    std::string change; // "touch": the Rome photo changed; else options for the second run
    std::string counts; // of the second run's summary
    std::string format = "jpg";
};

class UpdateRuns : public PhotoLibrary, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateRuns, make_only_what_changed) {
    const std::string format = GetParam().format;
    const std::string tree = " -o " + Quote(out) + " " + Quote(in + "/2024") +
                             (format == "jpg" ? "" : " --format " + format);
    ASSERT_EQ(Thumb("-q -r --update" + tree).status, 0);
    const std::string rome = out + "/Rome/IMG.jpg.thumb." + format;
    // The stamp: a comment right after the JFIF segment, or XMP.
    const std::string made = ReadFile(rome);
    EXPECT_TRUE(format != "jpg" ||
                made.substr(20, 2) + made.substr(24, 16) == "\xFF\xFEQuillet settings");
    EXPECT_TRUE(format == "jpg" || made.find("quillet:settings=") != std::string::npos);
    if (GetParam().change == "touch")
        fs::last_write_time(in + "/2024/Rome/IMG.jpg",
                            fs::last_write_time(rome) + std::chrono::seconds(1));
    const std::string options = GetParam().change == "touch" ? "" : GetParam().change;
    const Outcome r = Thumb("-r --update " + options + tree);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(GetParam().counts), std::string::npos) << GetParam().what << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateRuns,
    ::testing::Values(UpdateCase{"nothing changed", "", ": 0 of 2 converted, 2 up to date"},
                      UpdateCase{"a photo touched", "touch", ": 1 of 2 converted, 1 up to date"},
                      UpdateCase{"a setting changed", "--fill '#FF0000'", ": 2 of 2 converted in"},
                      UpdateCase{"only-shrink", "--only-shrink", ": 2 of 2 converted in"},
                      UpdateCase{"WebP unchanged", "", ": 0 of 2 converted, 2 up to date", "webp"},
                      UpdateCase{"AVIF unchanged", "", ": 0 of 2 converted, 2 up to date", "avif"},
                      UpdateCase{"WebP touched", "touch", ": 1 of 2 converted, 1 up to date",
                                 "webp"}));

TEST_F(PhotoLibrary, a_nul_separated_list_of_any_bytes_gives_json_lines_and_a_plain_run_no_stamp) {
    WriteFile(dir.file("list"), cafe + std::string(1, '\0') + in + "/2024/Rome/IMG.jpg");
    const Outcome r = Thumb("-q --json -s 30x30 --files-from " + Quote(dir.file("list")) + " -o " +
                            Quote(out) + " 2>/dev/null");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("{\"source\": " + JsonString(cafe) +
                            ", \"target\": " + JsonString(out + "/caf\xe9.jpg.thumb.jpg") +
                            ", \"status\": \"converted\", \"cause\": \"\", \"width\": 30, "
                            "\"height\": 30, \"bytes\": "),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("caf\\udce9.jpg"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"source\": " + JsonString(in + "/2024/Rome/IMG.jpg")),
              std::string::npos)
        << r.output;
    EXPECT_EQ(ReadFile(out + "/IMG.jpg.thumb.jpg"),
              ReferenceThumbnail(ReadFile(cafe), 30, 30, true, clBlack, false).bytes);
}

} // namespace
