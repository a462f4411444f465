#include "KEL_listbox_columns.h"

QList<RowColumn> SplitRowColumns(const QString &text, const QString &separator,
                                 const QList<int> &columnWidths, int defaultWidth) {
    QList<RowColumn> pieces;
    qsizetype start = 0;
    int x = 0;
    for (int i = 0;; ++i) {
        const qsizetype found =
            separator.isEmpty() ? -1 : text.indexOf(separator, start, Qt::CaseSensitive);
        if (found < 0) {
            pieces.append({text.mid(start), x, -1});
            return pieces;
        }
        const QString piece = text.mid(start, found - start);
        start = found + separator.size();
        if (i < columnWidths.size()) {
            pieces.append({piece, x, columnWidths[i]});
            x += columnWidths[i];
        } else {
            pieces.append({piece, x, -1});
            x += defaultWidth;
        }
    }
}
