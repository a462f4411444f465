#pragma once
// The text rules of the edit box's number modes, kept apart from the widget so they can be
// checked on their own: which characters may be typed, and how a text is cleaned up.
#include <QChar>
#include <QString>

#include <optional>

namespace keledit {

struct Range {
    double min;
    double max;
};

// Backspace, carriage return, "$", "+", "-" and the digits.
bool IsWholeNumberChar(QChar c);
// Backspace, carriage return, "+", "-", the digits and the locale's decimal separator.
bool IsDecimalChar(QChar c, QChar decimalPoint);

// Cut at the first character outside the whole-number set, parse, clamp; "0" on failure.
// An accepted number keeps its written form ("+5", "$10").
QString CleanWholeNumber(const QString &text, const std::optional<Range> &range);

// Cut at the first character outside the decimal set, parse, clamp (bounds written in the
// general format), then write with `decimals` places when that is above 0.
QString CleanDecimal(const QString &text, const std::optional<Range> &range, int decimals,
                     QChar decimalPoint);

// Optional sign, digits, optional separator and fraction digits, optional exponent; at
// least one digit and nothing else.
std::optional<double> ParseDecimal(const QString &text, QChar decimalPoint);
// Shortest form with up to 15 significant digits.
QString FormatGeneral(double value, QChar decimalPoint);
// At least one integer digit, exactly `decimals` fraction digits, halves rounded away from
// zero on the number's 15 significant decimal digits, no grouping, no "-" on a zero result.
QString FormatFixed(double value, int decimals, QChar decimalPoint);

} // namespace keledit
