#include "inifile.h"

#include "atomicfile.h"
#include "intconv.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

constexpr std::string_view blanks = " \t";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view s) {
    std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::string_view unquoted(std::string_view s) {
    if (s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\''))
        return s.substr(1, s.size() - 2);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The name inside "[name]", or nothing when the line is no section header. A header without
// its closing bracket still names its section.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return trimmed(line.substr(1));
    return trimmed(line.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// The key of a "key=value" line, or nothing for comments and lines without "=".
std::optional<std::string_view> keyName(std::string_view line) {
    if (isComment(line))
        return std::nullopt;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(0, eq));
}

// The value as it goes into its line: cut at a line break, which would end the line, and
// quoted when reading would otherwise trim or unquote it.
std::string storedValue(std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    if (unquoted(trimmed(value)) != value)
        return '"' + std::string(value) + '"';
    return std::string(value);
}

std::string cut(std::string s) {
    if (s.size() > ProfileStringMax)
        s.resize(ProfileStringMax);
    return s;
}

} // namespace

IniText::IniText(std::string_view text) {
    if (text.starts_with(byteOrderMark)) {
        bom_ = byteOrderMark;
        text.remove_prefix(byteOrderMark.size());
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(start)), {}});
            break;
        }
        std::size_t eolSize = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines_.push_back(
            {std::string(text.substr(start, end - start)), std::string(text.substr(end, eolSize))});
        start = end + eolSize;
    }
}

std::string IniText::endForLastLine() const {
    return lines_.size() > 1 ? lines_[lines_.size() - 2].eol : "\n";
}

void IniText::insertLine(std::size_t at, std::string text) {
    if (at == lines_.size() && at > 0 && lines_.back().eol.empty())
        lines_.back().eol = endForLastLine();
    std::string eol = at > 0 ? lines_[at - 1].eol : "\n";
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), Line{std::move(text), std::move(eol)});
}

std::optional<IniText::Span> IniText::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = sectionName(lines_[i].text);
        if (!name || !sameName(*name, trimmed(section)))
            continue;
        Span span{i, i};
        for (std::size_t j = i + 1; j < lines_.size() && !sectionName(lines_[j].text); ++j)
            if (keyName(lines_[j].text))
                span.lastKey = j;
        return span;
    }
    return std::nullopt;
}

std::optional<std::size_t> IniText::findKey(const Span &span, std::string_view key) const {
    for (std::size_t j = span.header + 1; j <= span.lastKey; ++j) {
        auto name = keyName(lines_[j].text);
        if (name && sameName(*name, trimmed(key)))
            return j;
    }
    return std::nullopt;
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
    auto span = findSection(section);
    if (!span)
        return std::nullopt;
    auto line = findKey(*span, key);
    if (!line)
        return std::nullopt;
    std::string_view text = lines_[*line].text;
    return std::string(unquoted(trimmed(text.substr(text.find('=') + 1))));
}

void IniText::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string stored = storedValue(value);
    auto span = findSection(section);
    if (!span) {
        insertLine(lines_.size(), "[" + std::string(trimmed(section)) + "]");
        insertLine(lines_.size(), std::string(trimmed(key)) + "=" + stored);
        return;
    }
    if (auto line = findKey(*span, key)) {
        std::string &text = lines_[*line].text;
        text = std::string(*keyName(text)) + "=" + stored;
        return;
    }
    insertLine(span->lastKey + 1, std::string(trimmed(key)) + "=" + stored);
}

std::string IniText::text() const {
    std::string out = bom_;
    for (const Line &line : lines_) {
        out += line.text;
        out += line.eol;
    }
    if (!lines_.empty() && lines_.back().eol.empty())
        out += endForLastLine();
    return out;
}

std::string ProfileString(const IniText &ini, std::string_view section, std::string_view key,
                          std::string_view defaultValue) {
    return cut(ini.value(section, key).value_or(std::string(defaultValue)));
}

int ProfileInt(const IniText &ini, std::string_view section, std::string_view key,
               int defaultValue) {
    std::string text = ProfileString(ini, section, key, "");
    // The parser knows "0x" only as a prefix of its own; the file's "0x" means hexadecimal too.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    return TryStrToInt(text).value_or(defaultValue);
}

std::vector<std::string> IniText::sections() const {
    std::vector<std::string> names;
    for (const Line &line : lines_)
        if (auto name = sectionName(line.text))
            names.emplace_back(trimmed(*name));
    return names;
}

std::string ReadProfileString(const std::string &fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
    return ProfileString(IniText(ReadWholeFile(fileName).value_or("")), section, key, defaultValue);
}

bool WriteProfileStrings(const std::string &fileName, std::string_view section,
                         std::span<const ProfileEntry> entries) {
    std::string contents;
    struct stat st {};
    if (stat(fileName.c_str(), &st) == 0) {
        // A file that is there but cannot be read (or is no regular file) is not replaced.
        auto old = ReadWholeFile(fileName);
        if (!old)
            return false;
        contents = std::move(*old);
    } else if (errno != ENOENT) {
        return false;
    }
    IniText ini(contents);
    for (const ProfileEntry &entry : entries)
        ini.setValue(section, entry.key, entry.value);
    return ReplaceFileContents(fileName, ini.text());
}

bool WriteProfileString(const std::string &fileName, std::string_view section, std::string_view key,
                        std::string_view value) {
    const ProfileEntry entry{key, std::string(value)};
    return WriteProfileStrings(fileName, section, std::span(&entry, 1));
}
