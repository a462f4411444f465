#include "logtext.h"

#include "KEL_edittext.h"

QString LongTimeFormat(const QLocale &locale) {
    // "t" (and its longer forms) is the time zone; the separator before it goes with it.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t')) {
            kept += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
            ++i;
        while (!kept.isEmpty() && kept.back().isSpace())
            kept.chop(1);
    }
    return kept.trimmed();
}

QString LogLine(const QTime &time, const QString &message, const QLocale &locale) {
    return locale.toString(time, LongTimeFormat(locale)) + QStringLiteral("> ") + message;
}

QString SecondsText(double seconds, const QLocale &locale) {
    // The same "0.00" pattern as the progress bar's text: halves go away from zero.
    const QString point = locale.decimalPoint();
    return keledit::FormatFixed(seconds, 2, point.isEmpty() ? QChar(u'.') : point.front());
}
