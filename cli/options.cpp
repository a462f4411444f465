#include "options.h"

#include "intconv.h"

#include <cctype>
#include <string_view>

const char *const kThumbUsage =
    "Usage: quillet-thumb [options] SOURCE...\n"
    "Writes one JPEG thumbnail per source photo into the output folder, named after the\n"
    "source's file name plus the suffix.\n"
    "\n"
    "  -o, --output DIR   target folder (default: the current folder)\n"
    "  -s, --size WxH     the box to fit (default: 160x180)\n"
    "      --stretch      fill the box, ignoring the aspect ratio\n"
    "      --crop         keep the aspect ratio and cut the canvas down to the picture\n"
    "      --fill COLOR   colour of the area the picture leaves: #RRGGBB, or a whole\n"
    "                     number in the form 0x00BBGGRR (default: black)\n"
    "      --suffix TEXT  appended to each target name (default: .thumb.jpg)\n"
    "      --no-suffix    targets keep the source's file name\n"
    "      --overwrite    replace existing targets (default: skip them)\n"
    "  -j, --jobs N       conversions at once (default: one per core)\n"
    "      --memory-limit SIZE\n"
    "                     decoder memory of all conversions together, in bytes or with\n"
    "                     K, M or G (default: 1G); a conversion waits while others hold\n"
    "                     it, and a photo that needs more is not converted\n"
    "  -q, --quiet        no progress bar and no summary\n"
    "      --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when any failed or was skipped,\n"
    "2 for a usage error.\n";

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool parseWhole(const std::string &text, int &value) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return false;
    auto parsed = TryStrToInt(text);
    if (!parsed)
        return false;
    value = *parsed;
    return true;
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

bool ParseBoxSize(const std::string &text, int &width, int &height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    int w = 0, h = 0;
    if (!parseWhole(text.substr(0, x), w) || !parseWhole(text.substr(x + 1), h) || w < 1 || h < 1 ||
        w > kMaxBoxSide || h > kMaxBoxSide)
        return false;
    width = w;
    height = h;
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

ParseResult ParseThumbCommandLine(const std::vector<std::string> &args) {
    ParseResult r;
    ThumbOptions &o = r.options;
    bool stretch = false, crop = false, endOfOptions = false;
    auto fail = [&r](std::string message) {
        r.outcome = ParseOutcome::UsageError;
        r.error = std::move(message);
        return r;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') {
            o.sources.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        // "--name=value" and "-xVALUE" carry their value inline.
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        } else if (arg.size() > 2) {
            value = arg.substr(2);
            arg.resize(2);
            inlineValue = true;
        }
        auto takesValue = [&](std::string &out) {
            if (inlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto flag = [&](bool &target) {
            if (inlineValue)
                return false;
            target = true;
            return true;
        };

        std::string text;
        if (arg == "-o" || arg == "--output") {
            if (!takesValue(o.outputFolder) || o.outputFolder.empty())
                return fail("option " + arg + " needs a folder");
        } else if (arg == "-s" || arg == "--size") {
            if (!takesValue(text) || !ParseBoxSize(text, o.width, o.height))
                return fail("option " + arg +
                            " needs a size WxH of whole numbers from 1 to 65500, such as 160x180");
        } else if (arg == "--fill") {
            if (!takesValue(text) || !ParseFillColor(text, o.fill))
                return fail(
                    "option --fill needs a colour: #RRGGBB or a whole number such as 0x00BBGGRR");
        } else if (arg == "--suffix") {
            if (!takesValue(o.suffix))
                return fail("option --suffix needs a text");
        } else if (arg == "-j" || arg == "--jobs") {
            if (!takesValue(text) || !parseWhole(text, o.jobs) || o.jobs < 1 || o.jobs > 256)
                return fail("option " + arg + " needs a number of jobs from 1 to 256");
        } else if (arg == "--memory-limit") {
            if (!takesValue(text) || !ParseMemorySize(text, o.memoryLimit))
                return fail("option --memory-limit needs a size from 1M to 1024G, such as 512M");
        } else if (arg == "--stretch") {
            if (!flag(stretch))
                return fail("option --stretch takes no value");
        } else if (arg == "--crop") {
            if (!flag(crop))
                return fail("option --crop takes no value");
        } else if (arg == "--no-suffix") {
            bool noSuffix = false;
            if (!flag(noSuffix))
                return fail("option --no-suffix takes no value");
            o.addSuffix = false;
        } else if (arg == "--overwrite") {
            if (!flag(o.overwrite))
                return fail("option --overwrite takes no value");
        } else if (arg == "-q" || arg == "--quiet") {
            if (!flag(o.quiet))
                return fail("option " + arg + " takes no value");
        } else if (arg == "--help" || arg == "-h") {
            r.outcome = ParseOutcome::Help;
            return r;
        } else if (arg == "--version") {
            r.outcome = ParseOutcome::Version;
            return r;
        } else {
            return fail("unknown option " + args[i]);
        }
    }
    if (stretch && crop)
        return fail("--stretch and --crop exclude each other");
    o.keepAspect = !stretch;
    o.eraseEmpty = crop;
    if (o.sources.empty())
        return fail("no source photos given");
    return r;
}
