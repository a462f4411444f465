#include "inifile.h"

#include "atomicfile.h"

#include <algorithm>
#include <unistd.h>

namespace {

constexpr std::string_view blanks = " \t\r";

std::string_view trimmed(std::string_view s) {
    std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The name inside "[name]", or nothing when the line is no section header.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
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

std::string entryLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

std::string cut(std::string s) {
    if (s.size() > ProfileStringMax)
        s.resize(ProfileStringMax);
    return s;
}

} // namespace

IniText::IniText(std::string_view text) {
    if (text.empty())
        return;
    std::size_t firstEnd = text.find('\n');
    if (firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r')
        eol_ = "\r\n";
    endsWithEol_ = text.back() == '\n';
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

std::optional<IniText::Span> IniText::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = sectionName(lines_[i]);
        if (!name || !sameName(*name, trimmed(section)))
            continue;
        Span span{i, i};
        for (std::size_t j = i + 1; j < lines_.size() && !sectionName(lines_[j]); ++j)
            if (keyName(lines_[j]))
                span.lastKey = j;
        return span;
    }
    return std::nullopt;
}

std::optional<std::size_t> IniText::findKey(const Span &span, std::string_view key) const {
    for (std::size_t j = span.header + 1; j <= span.lastKey; ++j) {
        auto name = keyName(lines_[j]);
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
    std::string_view text = lines_[*line];
    return std::string(trimmed(text.substr(text.find('=') + 1)));
}

void IniText::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry = entryLine(trimmed(key), value);
    auto span = findSection(section);
    if (!span) {
        lines_.push_back("[" + std::string(trimmed(section)) + "]");
        lines_.push_back(entry);
        endsWithEol_ = true;
        return;
    }
    if (auto line = findKey(*span, key)) {
        lines_[*line] = entry;
        return;
    }
    if (span->lastKey + 1 == lines_.size())
        endsWithEol_ = true;
    lines_.insert(lines_.begin() + std::ptrdiff_t(span->lastKey + 1), entry);
}

std::string IniText::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || endsWithEol_)
            out += eol_;
    }
    return out;
}

std::string ReadProfileString(const std::string &fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
    if (auto contents = ReadWholeFile(fileName))
        if (auto value = IniText(*contents).value(section, key))
            return cut(std::move(*value));
    return cut(std::string(defaultValue));
}

bool WriteProfileString(const std::string &fileName, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string contents;
    if (auto old = ReadWholeFile(fileName))
        contents = std::move(*old);
    else if (access(fileName.c_str(), F_OK) == 0)
        return false;
    IniText ini(contents);
    ini.setValue(section, key, value);
    return ReplaceFileContents(fileName, ini.text());
}
