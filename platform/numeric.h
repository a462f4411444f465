#pragma once
// Integer helpers whose rounding the program relies on.
#include <cmath>
#include <cstdint>
#include <limits>

// Nearest integer, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
inline long long NearestInt(long double x) {
    return std::llrint(x);
}

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero;
// -1 when c is 0 or the result does not fit in 32 bits (the desktop's multiply-divide).
inline int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    std::int64_t p = std::int64_t(a) * b;
    bool negative = (p < 0) != (c < 0);
    std::uint64_t ap = p < 0 ? std::uint64_t(-p) : std::uint64_t(p);
    std::uint64_t ac = c < 0 ? std::uint64_t(-std::int64_t(c)) : std::uint64_t(c);
    std::uint64_t q = (ap + ac / 2) / ac;
    if (q > std::uint64_t(std::numeric_limits<int>::max()))
        return -1;
    return negative ? -int(q) : int(q);
}
