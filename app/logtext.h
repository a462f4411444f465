#pragma once
// Texts of the batch log that depend on the locale.
#include <QLocale>
#include <QString>
#include <QTime>

// The locale's long time format without its time-zone part, e.g. "HH:mm:ss".
QString LongTimeFormat(const QLocale &locale);

// A log line: the time in that format, "> " and the message.
QString LogLine(const QTime &time, const QString &message, const QLocale &locale);

// Seconds with exactly two decimals, the locale's decimal separator and no grouping ("3.27").
QString SecondsText(double seconds, const QLocale &locale);
