#include "outputformat.h"

#include <array>
#include <cctype>

namespace {

struct FormatRow {
    OutputFormat format;
    std::string_view name;
    std::string_view extension;
};

constexpr std::array<FormatRow, 4> kFormats{{
    {OutputFormat::Jpeg, "jpeg", ".jpg"},
    {OutputFormat::Webp, "webp", ".webp"},
    {OutputFormat::Avif, "avif", ".avif"},
    {OutputFormat::Png, "png", ".png"},
}};

const FormatRow &rowOf(OutputFormat format) {
    return kFormats[std::size_t(format)];
}

} // namespace

std::string_view FormatName(OutputFormat format) {
    return rowOf(format).name;
}

std::string_view FormatExtension(OutputFormat format) {
    return rowOf(format).extension;
}

std::optional<OutputFormat> FormatNamed(std::string_view name) {
    for (const FormatRow &row : kFormats) {
        if (row.name.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(name[i])) == row.name[i];
        if (same)
            return row.format;
    }
    return std::nullopt;
}
