#pragma once
// Whole-number text conversion shared by the settings file, the edit box and the update
// client: leading spaces, an optional sign, then decimal digits or hexadecimal digits after
// "$", "x", "X", "0x" or "0X"; nothing may follow, and the value must fit in 32 bits.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

// Raised by StrToInt; what() reads "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of the text, or nothing when the text is not a whole number. Eight hexadecimal
// digits are the 32-bit pattern, so "$FFFFFFFF" is -1.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, but a failure raises EConvertError naming the text.
std::int32_t StrToInt(std::string_view text);
