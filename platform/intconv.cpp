#include "intconv.h"

#include <string>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the hexadecimal prefix at the start of the text, 0 when there is none.
std::size_t hexPrefixLength(std::string_view s) {
    if (s.empty())
        return 0;
    if (s[0] == '$' || s[0] == 'x' || s[0] == 'X')
        return 1;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return 2;
    return 0;
}

// Hexadecimal digits give the unsigned 32-bit pattern; anything wider fails.
std::optional<std::uint32_t> parseHex(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + std::uint64_t(d);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return std::uint32_t(value);
}

// Decimal digits up to the magnitude of the most negative 32-bit value.
std::optional<std::uint64_t> parseDecimal(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
        if (value > 0x80000000u)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (std::size_t prefix = hexPrefixLength(s)) {
        auto bits = parseHex(s.substr(prefix));
        if (!bits)
            return std::nullopt;
        // The pattern is taken as it is and negated modulo 2^32, so "-$FFFFFFFF" is 1.
        std::uint32_t pattern = negative ? 0u - *bits : *bits;
        return static_cast<std::int32_t>(pattern);
    }
    auto magnitude = parseDecimal(s);
    if (!magnitude)
        return std::nullopt;
    if (negative)
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(*magnitude));
    if (*magnitude > 0x7FFFFFFFu)
        return std::nullopt;
    return static_cast<std::int32_t>(*magnitude);
}

std::int32_t StrToInt(std::string_view text) {
    if (auto value = TryStrToInt(text))
        return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}
