#pragma once
// Open-dialog filters written as "Description|pattern;pattern|Description|pattern".
#include <QString>
#include <QStringList>

// The same filters as Qt name filters: the description's bracketed part is replaced by the
// patterns separated by spaces, and "*.*" becomes "*" (every file, with or without a dot).
// "Jpegs (*.jpg, *.jpeg)|*.jpg;*.jpeg" gives "Jpegs (*.jpg *.jpeg)".
QStringList NameFiltersFromFilter(const QString &filter);
