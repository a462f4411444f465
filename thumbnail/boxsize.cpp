#include "boxsize.h"

#include "optionparser.h"

#include <string_view>

bool ParseBoxSize(const std::string &text, int &width, int &height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    const auto w = ParseDecimal(std::string_view(text).substr(0, x), 1, kMaxBoxSide);
    const auto h = ParseDecimal(std::string_view(text).substr(x + 1), 1, kMaxBoxSide);
    if (!w || !h)
        return false;
    width = int(*w);
    height = int(*h);
    return true;
}
