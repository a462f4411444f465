#pragma once
// The command line of quillet-thumb.
#include "boxsize.h"
#include "colors.h"
#include "defaults.h"
#include "memorybudget.h"
#include "outputformat.h"
#include "uthumbnail.h"

#include <cstdint>
#include <string>
#include <vector>

struct ThumbBox {
    int width = kDefaults.width.thumbCommand;
    int height = kDefaults.height.thumbCommand;

    bool operator==(const ThumbBox &) const = default;
};

struct ThumbOptions {
    std::string outputFolder{kDefaults.targetFolder.thumbCommand};
    std::vector<ThumbBox> sizes = std::vector<ThumbBox>(1); // in the order given, each once
    bool sizeFolders = false; // each size in a folder "WxH" of its own
    bool keepAspect = kDefaults.keepAspect.thumbCommand;
    bool eraseEmpty = kDefaults.eraseEmpty.thumbCommand;
    TColor fill = kDefaults.fill.thumbCommand;
    std::string suffix{kDefaults.suffix.thumbCommand};
    bool addSuffix = kDefaults.addSuffix.thumbCommand;
    bool overwrite = kDefaults.overwrite.thumbCommand;
    int jobs = 0; // 0: one per core
    // Decoder memory of all jobs together; a picture needing more is refused.
    std::uint64_t memoryLimit = kDefaultDecoderMemory; // the window's budget too
    bool quiet = false;
    OutputFormat format = kDefaults.format.thumbCommand;
    int quality = kDefaults.quality.thumbCommand;
    // The fill area, where the format has alpha.
    bool transparent = kDefaults.transparent.thumbCommand;
    bool srgb = kDefaults.srgb.thumbCommand;
    ThumbnailExtras extras{.smooth = kDefaults.smooth.thumbCommand,
                           .upright = kDefaults.upright.thumbCommand,
                           .keepProfile = kDefaults.keepProfile.thumbCommand};
    bool recursive = kDefaults.recursive.thumbCommand; // folders walked, their trees mirrored
    std::string filesFrom; // a list of more sources ("-": standard input); empty: none
    bool json = false;     // one JSON line per thumbnail on standard output
    bool dryRun = false;   // the plan printed, nothing written
    // Up-to-date thumbnails kept, the others made; stamps written.
    bool update = kDefaults.update.thumbCommand;
    std::string preset; // the settings file's [preset NAME] the options start from
    std::vector<std::string> sources;
};

// The exit statuses of quillet-thumb.
enum ThumbExit {
    kExitAllDone = 0,    // every thumbnail made or up to date (or, in a dry run, planned)
    kExitSomeFailed = 1, // a photo failed or was skipped
    kExitUsage = 2,
    kExitNoList = 3, // the --files-from list could not be read
};

enum class ParseOutcome { Run, Help, Version, UsageError };

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::Run;
    ThumbOptions options;
    std::string error; // for UsageError
};

ParseResult ParseThumbCommandLine(const std::vector<std::string> &args);

// "#RRGGBB", or a whole number in the stored colour form 0x00BBGGRR ("$FF0000", "255").
bool ParseFillColor(const std::string &text, TColor &colour);
// A number of bytes, optionally followed by K, M or G (times 1024, 1024^2, 1024^3), from 1M
// to 1024G.
bool ParseMemorySize(const std::string &text, std::uint64_t &bytes);

// The text of --help.
std::string ThumbUsage();
