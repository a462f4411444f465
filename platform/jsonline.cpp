#include "jsonline.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at the start of `s`, or 0 (overlong forms,
// surrogates and values past U+10FFFF are not valid).
std::size_t validSequence(std::string_view s) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, value = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, value = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, value = lead & 0x07;
    else
        return 0;
    if (s.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

void escape(std::string &out, unsigned code) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", code);
    out += text;
}

} // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    while (!bytes.empty()) {
        const std::size_t length = validSequence(bytes);
        const unsigned char c = static_cast<unsigned char>(bytes[0]);
        if (length == 0) {
            escape(out, 0xDC00 + c);
            bytes.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\')
            out += {'\\', char(c)};
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F)
            escape(out, c);
        else
            out.append(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return out + "\"";
}

JsonObject &JsonObject::key(std::string_view name) {
    if (text_.size() > 1)
        text_ += ", ";
    text_ += JsonString(name) + ": ";
    return *this;
}

JsonObject &JsonObject::add(std::string_view name, std::string_view text) {
    key(name).text_ += JsonString(text);
    return *this;
}

JsonObject &JsonObject::add(std::string_view name, std::int64_t number) {
    key(name).text_ += std::to_string(number);
    return *this;
}

JsonObject &JsonObject::add(std::string_view name, double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", number);
    key(name).text_ += text;
    return *this;
}
