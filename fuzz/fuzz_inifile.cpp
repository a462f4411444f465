// Fuzz target for the settings file's INI text. Byte 0 picks a key and byte 1 a section; the
// bytes up to the next NUL are a value to set and the rest is the file's text. Checks that
// reading and writing back keeps every byte, that a value set reads back as given (up to its
// first line break), and that setting one key leaves every other key's value alone.
#include "inifile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view keys[] = {"width", "Width", "targetfolder", "k", "fresh"};
constexpr std::string_view sections[] = {"settings", "SETTINGS", "other", "last"};

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Reading back and writing again gives the same text; only a last line without a line end
// gets one.
void checkRoundTrip(std::string_view text) {
    const std::string out = IniText(text).text();
    check(out.compare(0, text.size(), text) == 0);
    const std::string_view added = std::string_view(out).substr(text.size());
    std::string_view body = text;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    const bool ended = body.empty() || body.back() == '\n' || body.back() == '\r';
    check(ended ? added.empty() : (added == "\n" || added == "\r\n" || added == "\r"));
    check(IniText(out).text() == out);
}

using Values = std::vector<std::optional<std::string>>;

Values everyValue(const IniText &ini) {
    Values values;
    for (std::string_view section : sections)
        for (std::string_view key : keys)
            values.push_back(ini.value(section, key));
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string_view key = keys[data[0] % std::size(keys)];
    const std::string_view section = sections[data[1] % std::size(sections)];
    std::string_view rest(reinterpret_cast<const char *>(data + 2), size - 2);
    const std::size_t nul = rest.find('\0');
    const std::string_view value = rest.substr(0, nul);
    const std::string_view text = nul == std::string_view::npos ? "" : rest.substr(nul + 1);

    checkRoundTrip(text);

    IniText ini(text);
    const Values before = everyValue(ini);
    ini.setValue(section, key, value);
    const std::string written = ini.text();
    const IniText again(written);
    const std::string expected(value.substr(0, value.find_first_of("\r\n")));
    check(ini.value(section, key) == expected);
    check(again.value(section, key) == expected);

    const Values after = everyValue(again);
    std::size_t i = 0;
    for (std::string_view s : sections)
        for (std::string_view k : keys) {
            if (!sameName(s, section) || !sameName(k, key))
                check(after[i] == before[i]);
            ++i;
        }
    checkRoundTrip(written);
    return 0;
}
