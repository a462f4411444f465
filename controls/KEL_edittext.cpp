#include "KEL_edittext.h"

#include "intconv.h"
#include "numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace keledit {

namespace {

constexpr char16_t kBackspace = 8;
constexpr char16_t kCarriageReturn = 13;
// Beyond this many places the 15 significant digits are long used up; the cap keeps a
// silly Decimals value from building an enormous string.
constexpr int kMaxDecimals = 99;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

template <typename Allowed> QString cutAtFirstOutside(const QString &text, Allowed allowed) {
    auto it = std::find_if_not(text.begin(), text.end(), allowed);
    return text.left(it - text.begin());
}

// A bound brought to the nearest whole number, halves to even, as decimal text.
QString wholeText(double v) {
    if (std::fabs(v) < 9.0e18)
        return QString::number(NearestInt(v));
    return QString::number(v, 'f', 0);
}

} // namespace

bool IsWholeNumberChar(QChar c) {
    return c == kBackspace || c == kCarriageReturn || c == u'$' || c == u'+' || c == u'-' ||
           isDigit(c);
}

bool IsDecimalChar(QChar c, QChar decimalPoint) {
    return c == kBackspace || c == kCarriageReturn || c == u'+' || c == u'-' || isDigit(c) ||
           c == decimalPoint;
}

QString CleanWholeNumber(const QString &text, const std::optional<Range> &range) {
    QString s = text.isEmpty() ? QStringLiteral("0") : cutAtFirstOutside(text, IsWholeNumberChar);
    auto value = TryStrToInt(s.toStdString());
    if (!value)
        return QStringLiteral("0");
    if (range) {
        // Both tests use the parsed number, so with min > max the lower bound wins.
        if (*value > range->max)
            s = wholeText(range->max);
        if (*value < range->min)
            s = wholeText(range->min);
    }
    return s;
}

QString CleanDecimal(const QString &text, const std::optional<Range> &range, int decimals,
                     QChar decimalPoint) {
    auto allowed = [decimalPoint](QChar c) { return IsDecimalChar(c, decimalPoint); };
    QString s = text.isEmpty() ? QStringLiteral("0") : cutAtFirstOutside(text, allowed);
    auto value = ParseDecimal(s, decimalPoint);
    if (!value) {
        s = QStringLiteral("0");
    } else if (range) {
        if (*value > range->max)
            s = FormatGeneral(range->max, decimalPoint);
        if (*value < range->min)
            s = FormatGeneral(range->min, decimalPoint);
    }
    if (decimals <= 0)
        return s;
    return FormatFixed(ParseDecimal(s, decimalPoint).value_or(0), decimals, decimalPoint);
}

std::optional<double> ParseDecimal(const QString &text, QChar decimalPoint) {
    std::string plain;
    int i = 0;
    const int n = int(text.size());
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        plain += text[i++] == u'-' ? "-" : "";
    int digits = 0;
    for (; i < n && isDigit(text[i]); ++i, ++digits)
        plain += char(text[i].unicode());
    if (i < n && text[i] == decimalPoint) {
        plain += '.';
        for (++i; i < n && isDigit(text[i]); ++i, ++digits)
            plain += char(text[i].unicode());
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            plain += char(text[i++].unicode());
        int exponentDigits = 0;
        for (; i < n && isDigit(text[i]); ++i, ++exponentDigits)
            plain += char(text[i].unicode());
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString FormatGeneral(double value, QChar decimalPoint) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return QString::fromLatin1(buffer).replace(u'.', decimalPoint);
}

QString FormatFixed(double value, int decimals, QChar decimalPoint) {
    decimals = std::min(decimals, kMaxDecimals);
    // The 15 significant digits of the value and the place of its decimal point.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string mantissa = std::string(1, buffer[0]) + std::string(buffer + 2, 14);
    int point = std::atoi(std::strchr(buffer, 'e') + 1) + 1;
    if (point <= 0) {
        mantissa.insert(0, std::size_t(1 - point), '0');
        point = 1;
    }
    std::size_t keep = std::size_t(point + decimals);
    if (mantissa.size() <= keep)
        mantissa.append(keep + 1 - mantissa.size(), '0');
    bool roundUp = mantissa[keep] >= '5';
    mantissa.resize(keep);
    for (std::size_t i = keep; roundUp && i-- > 0;) {
        if (mantissa[i] == '9') {
            mantissa[i] = '0';
        } else {
            ++mantissa[i];
            roundUp = false;
        }
    }
    if (roundUp) {
        mantissa.insert(0, 1, '1');
        ++point;
    }
    std::string whole = mantissa.substr(0, std::size_t(point));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    QString result = QString::fromLatin1(whole.data(), qsizetype(whole.size()));
    if (decimals > 0)
        result += decimalPoint + QString::fromLatin1(mantissa.data() + point, qsizetype(decimals));
    bool zero = mantissa.find_first_not_of('0') == std::string::npos;
    return value < 0 && !zero ? u'-' + result : result;
}

} // namespace keledit
