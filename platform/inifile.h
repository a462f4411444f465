#pragma once
// The settings file's INI format with the desktop profile functions' behaviour: section and
// key names match without regard to case, values come back trimmed and unquoted, and every
// byte the program does not change (other keys, other sections, comments, a byte-order
// mark, each line's own line end) stays exactly as it was.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The longest string a profile read returns: the readers' buffers hold 2048 characters,
// the terminator included.
constexpr std::size_t ProfileStringMax = 2047;

// An INI text kept line by line, so that a change rewrites only the line it must.
//
// Lines end in LF, CR LF or a lone CR, each keeping its own ending. A line the program adds
// takes the ending of the line it follows. The text is always written with its last line
// ended: a last line without an end takes the ending of the line before it (LF when it is
// the only line).
class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The value of the first matching key of the first matching section, trimmed and with one
    // pair of matching outer quotes (double or single) removed.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's line (keeping the key's stored spelling), or adds the key after the
    // section's last key, or appends the section with the key at the end of the text. The
    // value ends at its first line break; a value that reading would trim or unquote is
    // written inside quotes so it reads back as it was given.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    // The whole text again, byte-order mark and line ends included.
    std::string text() const;

    // The names of the sections, trimmed, in the order of the text.
    std::vector<std::string> sections() const;

private:
    struct Line {
        std::string text;
        std::string eol; // "\n", "\r\n", "\r", or empty for a last line without an end
    };
    struct Span {
        std::size_t header;  // index of the section's header line
        std::size_t lastKey; // index of its last key line, or the header when it has none
    };
    std::optional<Span> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const Span &span, std::string_view key) const;
    // The end a last line without one is given: that of the line before it, or LF.
    std::string endForLastLine() const;
    void insertLine(std::size_t at, std::string text);

    std::string bom_;
    std::vector<Line> lines_;
};

// The value a profile read gives: the key's value, or the default when the section or the
// key is missing; either is cut to ProfileStringMax characters.
std::string ProfileString(const IniText &ini, std::string_view section, std::string_view key,
                          std::string_view defaultValue);

// A whole number as the settings file stores it: decimal, or hexadecimal after "$", "x" or
// "0x"; the default when the key is missing or its value is not such a number.
int ProfileInt(const IniText &ini, std::string_view section, std::string_view key,
               int defaultValue);

// ProfileString from the file; a missing or unreadable file, or one that is no regular file
// (a FIFO, a device), gives the default.
std::string ReadProfileString(const std::string &fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

struct ProfileEntry {
    std::string_view key;
    std::string value;
};

// Writes the keys in their order with one replace of the file, so the file holds either all
// of them or none, creating the file and the section when needed. False when the file cannot
// be read or replaced (a read-only file or folder, a missing folder, a special file).
bool WriteProfileStrings(const std::string &fileName, std::string_view section,
                         std::span<const ProfileEntry> entries);

bool WriteProfileString(const std::string &fileName, std::string_view section, std::string_view key,
                        std::string_view value);
