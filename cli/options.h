#pragma once
// The command line of quillet-thumb.
#include "colors.h"

#include <string>
#include <vector>

struct ThumbOptions {
    std::string outputFolder = ".";
    int width = 160;
    int height = 180;
    bool keepAspect = true;
    bool eraseEmpty = false;
    TColor fill = clBlack;
    std::string suffix = ".thumb.jpg";
    bool addSuffix = true;
    bool overwrite = false;
    int jobs = 0; // 0: one per core
    bool quiet = false;
    std::vector<std::string> sources;
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
// "WxH" with both sides whole numbers of at least 1.
bool ParseBoxSize(const std::string &text, int &width, int &height);

extern const char *const kThumbUsage;
