#pragma once
// The thumbnail formats we write. JPEG stays the default; the others can carry transparency.
#include <optional>
#include <string_view>

enum class OutputFormat { Jpeg, Webp, Avif, Png };

// "jpeg", "webp", "avif", "png": the name on the command line and in the settings file.
std::string_view FormatName(OutputFormat format);
// The format of a name as FormatName gives it, in any case; nothing for another text.
std::optional<OutputFormat> FormatNamed(std::string_view name);
// The extension a file of the format takes, with its dot (".webp").
std::string_view FormatExtension(OutputFormat format);
// Whether the format has an alpha channel, so "Transparent" can reach the written file.
inline bool FormatHasAlpha(OutputFormat format) {
    return format != OutputFormat::Jpeg;
}
// Whether the format loses detail, so a quality applies.
inline bool FormatIsLossy(OutputFormat format) {
    return format != OutputFormat::Png;
}

// The quality scale shared by every lossy format: about the same fidelity for the same number.
inline constexpr int kDefaultQuality = 90;
