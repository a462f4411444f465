#pragma once
// The application's general error report: what reaches it is shown and the program goes on.
#include <QString>

// The text as the report shows it: a full stop is appended when the last character sorts
// after the full stop (letters and digits do), so "Disk full" ends in one and "Done." keeps one.
QString ErrorReportText(const QString &message);

// A modal critical box titled with the application's name ("Quillet") showing that text; once
// a signal has asked the program to end, a line on standard error instead.
void ShowErrorReport(const QString &message);
