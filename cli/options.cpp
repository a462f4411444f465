#include "options.h"

#include "intconv.h"
#include "optionparser.h"
#include "presets.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

bool ParseFillColor(const std::string &text, TColor &colour) {
    if (text.size() == 7 && text[0] == '#') {
        int rgb[3];
        for (int i = 0; i < 3; ++i) {
            const int hi = hexDigit(text[1 + 2 * i]), lo = hexDigit(text[2 + 2 * i]);
            if (hi < 0 || lo < 0)
                return false;
            rgb[i] = hi * 16 + lo;
        }
        colour = rgbColor(rgb[0], rgb[1], rgb[2]);
        return true;
    }
    std::string number = text;
    if (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X'))
        number = "$" + number.substr(2);
    auto parsed = TryStrToInt(number);
    if (!parsed)
        return false;
    colour = *parsed;
    return true;
}

bool ParseMemorySize(const std::string &text, std::uint64_t &bytes) {
    constexpr std::uint64_t smallest = std::uint64_t(1) << 20, largest = std::uint64_t(1) << 40;
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == 0 || digits > 13 || text.size() > digits + 1)
        return false;
    std::uint64_t value = std::stoull(text.substr(0, digits));
    if (digits < text.size()) {
        const char unit = char(std::toupper(static_cast<unsigned char>(text[digits])));
        const std::size_t power = std::string_view("KMG").find(unit);
        if (power == std::string_view::npos)
            return false;
        const unsigned shift = 10 * unsigned(power + 1);
        if (value > largest >> shift)
            return false;
        value <<= shift;
    }
    if (value < smallest || value > largest)
        return false;
    bytes = value;
    return true;
}

namespace {

// Where the rows put what they read; the aspect flags are settled once all are read.
struct ThumbTargets {
    ThumbOptions &options;
    bool stretch = false;
    bool crop = false;
    std::vector<ThumbBox> sizes{}; // those given; none: the default
    std::string repeatedSize{};
};

std::vector<CommandOption> thumbTable(ThumbTargets &t) {
    ThumbOptions &o = t.options;
    // Help that names a default from the table; the rows point into it.
    const auto &d = kDefaults;
    static const std::string sizeHelp =
        "the box to fit (default: " + std::to_string(d.width.thumbCommand) + "x" +
        std::to_string(d.height.thumbCommand) +
        "); repeated for several sizes from\none reading of each photo, each with its own "
        "suffix\n(.thumb-160x180.jpg)";
    static const std::string suffixHelp =
        "appended to each target name (default: " + std::string(d.suffix.thumbCommand) + ")";
    return {
        ValueOption(0, "preset", "NAME",
                    "start from the settings of [preset NAME] in the window's\n"
                    "settings file; the other options change them",
                    "a preset name", TextInto(o.preset, false)),
        ValueOption('o', "output", "DIR",
                    "target folder, made with its parents when missing\n"
                    "(default: the current folder)",
                    "a folder", TextInto(o.outputFolder, false)),
        ValueOption('s', "size", "WxH", sizeHelp,
                    "a size WxH of whole numbers from 1 to 65500, such as 160x180",
                    [&t](const std::string &v) {
                        ThumbBox box;
                        if (!ParseBoxSize(v, box.width, box.height))
                            return false;
                        if (std::find(t.sizes.begin(), t.sizes.end(), box) != t.sizes.end())
                            t.repeatedSize = v;
                        t.sizes.push_back(box);
                        return true;
                    }),
        FlagOption(0, "size-folders", "each size in a folder WxH of its own instead of a suffix",
                   o.sizeFolders),
        FlagOption(0, "stretch", "fill the box, ignoring the aspect ratio", t.stretch),
        FlagOption(0, "crop", "keep the aspect ratio and cut the canvas down to the picture",
                   t.crop),
        ValueOption(0, "fill", "COLOR",
                    "colour of the area the picture leaves: #RRGGBB, or a whole\n"
                    "number in the form 0x00BBGGRR (default: black)",
                    "a colour: #RRGGBB or a whole number such as 0x00BBGGRR",
                    [&o](const std::string &v) { return ParseFillColor(v, o.fill); }),
        ValueOption(0, "suffix", "TEXT", suffixHelp, "a text", TextInto(o.suffix)),
        FlagOption(0, "no-suffix", "targets keep the source's file name",
                   [&o] { o.addSuffix = false; }),
        FlagOption(0, "overwrite", "replace existing targets (default: skip them)", o.overwrite),
        FlagOption(0, "smooth",
                   "reduce with a Lanczos-3 filter instead of picking one pixel\n"
                   "for each: fine texture without grain or moire; written\n"
                   "without chroma subsampling",
                   o.extras.smooth),
        FlagOption(0, "upright", "turn each photo as its EXIF orientation says before fitting it",
                   o.extras.upright),
        FlagOption(0, "keep-profile", "copy the photo's ICC colour profile into the thumbnail",
                   o.extras.keepProfile),
        FlagOption(0, "srgb",
                   "convert the colours from the photo's ICC profile to sRGB; with\n"
                   "--keep-profile the thumbnail carries a small sRGB profile",
                   o.srgb),
        ValueOption(0, "format", "FORMAT",
                    "jpeg, webp, avif or png (default: jpeg); other than JPEG, the\n"
                    "target name's last extension becomes the format's",
                    "one of jpeg, webp, avif, png",
                    [&o](const std::string &v) {
                        const auto format = FormatNamed(v);
                        if (format)
                            o.format = *format;
                        return format.has_value();
                    }),
        ValueOption(0, "quality", "N",
                    "1 to 100 (default: 90): the same number looks about the same\n"
                    "in JPEG, WebP and AVIF; PNG is lossless",
                    "a quality from 1 to 100", DecimalInto(o.quality, 1, 100)),
        FlagOption(0, "transparent",
                   "the fill area is transparent in WebP, AVIF and PNG (JPEG has\n"
                   "no transparency)",
                   o.transparent),
        FlagOption(0, "only-shrink", "never enlarge a photo that fits in the box",
                   o.extras.onlyShrink),
        FlagOption('r', "recursive",
                   "walk folders down their whole tree; each thumbnail keeps the\n"
                   "photo's path relative to the folder it was found under",
                   o.recursive),
        FlagOption(0, "update",
                   "skip thumbnails newer than their photo and made with the same\n"
                   "settings, make the others anew; stamps the settings into each",
                   o.update),
        ValueOption(0, "files-from", "FILE",
                    "more sources from a list (- for standard input): NUL-separated\n"
                    "when it holds a NUL byte (find -print0), else one a line",
                    "a file name, or - for standard input", TextInto(o.filesFrom, false)),
        FlagOption(0, "json",
                   "one JSON object per thumbnail on standard output: source,\n"
                   "target, status, cause, width, height, bytes, milliseconds",
                   o.json),
        FlagOption('n', "dry-run", "print the plan and write nothing", o.dryRun),
        ValueOption('j', "jobs", "N", "conversions at once (default: one per core)",
                    "a number of jobs from 1 to 256", DecimalInto(o.jobs, 1, 256)),
        ValueOption(0, "memory-limit", "SIZE",
                    "decoder memory of all conversions together, in bytes or with\n"
                    "K, M or G (default: 1G); a conversion waits while others hold\n"
                    "it, and a photo that needs more is not converted",
                    "a size from 1M to 1024G, such as 512M",
                    [&o](const std::string &v) { return ParseMemorySize(v, o.memoryLimit); }),
        FlagOption('q', "quiet", "no progress bar and no summary", o.quiet),
        FinalOption('h', "help", "show this help"),
        FinalOption(0, "version", "show the version"),
    };
}

} // namespace

std::string ThumbUsage() {
    ThumbOptions unused;
    ThumbTargets targets{unused};
    return "Usage: quillet-thumb [options] SOURCE...\n"
           "Writes one thumbnail per source photo (JPEG unless --format says otherwise) into\n"
           "the output folder, named after the source's file name plus the suffix. A folder\n"
           "as a source gives the photos it holds (with -r, the photos of its whole tree).\n"
           "\n" +
           OptionsHelp(thumbTable(targets), 21) +
           "\n"
           "Exit status: 0 when every thumbnail was made or was up to date (in a dry run:\n"
           "would be), 1 when any failed or was skipped, 2 for a usage error, 3 when the\n"
           "--files-from list could not be read.\n";
}

ParseResult ParseThumbCommandLine(const std::vector<std::string> &args) {
    ParseResult r;
    // A preset sets the options the command line starts from: it is looked for first.
    ThumbOptions named;
    ThumbTargets scout{named};
    if (ParseCommandLine(args, thumbTable(scout)).endedBy.empty() && !named.preset.empty() &&
        !ApplyPreset(SettingsFileToRead(), named.preset, r.options, r.error)) {
        r.outcome = ParseOutcome::UsageError;
        return r;
    }
    ThumbTargets targets{r.options};
    const ParsedCommandLine line = ParseCommandLine(args, thumbTable(targets));
    r.options.sources = line.operands;
    if (line.endedBy == "help" || line.endedBy == "version") {
        r.outcome = line.endedBy == "help" ? ParseOutcome::Help : ParseOutcome::Version;
        return r;
    }
    r.outcome = ParseOutcome::UsageError;
    if (!line.error.empty())
        r.error = line.error;
    else if (targets.stretch && targets.crop)
        r.error = "--stretch and --crop exclude each other";
    else if (!targets.repeatedSize.empty())
        r.error = "the size " + targets.repeatedSize + " is given twice";
    else if (targets.sizes.size() > 1 && !r.options.addSuffix && !r.options.sizeFolders)
        r.error = "several sizes need a suffix each or --size-folders, not --no-suffix";
    else if (r.options.sources.empty() && r.options.filesFrom.empty())
        r.error = "no source photos given";
    else
        r.outcome = ParseOutcome::Run;
    if (!targets.sizes.empty())
        r.options.sizes = targets.sizes;
    r.options.keepAspect = !targets.stretch;
    r.options.eraseEmpty = targets.crop;
    return r;
}
