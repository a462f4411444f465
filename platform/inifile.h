#pragma once
// The settings file's INI format with the desktop profile functions' behaviour: section and
// key names match without regard to case, values come back trimmed, and every line the
// program does not touch (other keys, other sections, comments) stays exactly as it was.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest string a profile read returns: the readers' buffers hold 2048 characters,
// the terminator included.
constexpr std::size_t ProfileStringMax = 2047;

// An INI text kept line by line, so that a change rewrites only the line it must.
class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The trimmed value of the first matching key of the first matching section.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's line, or adds the key after the section's last key, or appends the
    // section with the key at the end of the text.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    // The whole text again, with the line ends it was read with.
    std::string text() const;

private:
    struct Span {
        std::size_t header;  // index of the section's header line
        std::size_t lastKey; // index of its last key line, or the header when it has none
    };
    std::optional<Span> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const Span &span, std::string_view key) const;

    std::vector<std::string> lines_; // without their line ends
    std::string eol_ = "\n";
    bool endsWithEol_ = true;
};

// The key's value from the file, or the default when the file, the section or the key is
// missing; either is cut to ProfileStringMax characters.
std::string ReadProfileString(const std::string &fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// Writes one key to the file at once, creating the file and the section when needed. False
// when the file cannot be read or replaced (a read-only file or folder, a missing folder).
bool WriteProfileString(const std::string &fileName, std::string_view section, std::string_view key,
                        std::string_view value);
