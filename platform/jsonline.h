#pragma once
// One JSON object a line, for scripts that read a run's report. File names are bytes and need
// not be UTF-8: a byte that does not belong to a valid UTF-8 sequence is written as \udcXX
// (0xDC00 plus the byte), the form of Python's "surrogateescape", so that
// os.fsencode(json.loads(line)["source"]) gives back the exact name.
#include <cstdint>
#include <string>
#include <string_view>

// `bytes` as a quoted JSON string.
std::string JsonString(std::string_view bytes);

// Members added in order, then the object as one line (without the newline).
class JsonObject {
public:
    JsonObject &add(std::string_view key, std::string_view text);
    JsonObject &add(std::string_view key, const char *text) {
        return add(key, std::string_view(text));
    }
    JsonObject &add(std::string_view key, std::int64_t number);
    JsonObject &add(std::string_view key, double number);
    std::string line() const { return text_ + "}"; }

private:
    JsonObject &key(std::string_view key);

    std::string text_ = "{";
};
