#pragma once
// How one row's text is cut into columns: every piece with its offset from the row's left
// edge and, for the first columns, the width it is clipped to.
#include <QList>
#include <QString>

struct RowColumn {
    QString Text;
    int X = 0;
    int ClipWidth = -1; // -1: not clipped

    bool operator==(const RowColumn &) const = default;
};

// Pieces end at each occurrence of separator (an empty separator ends none). Piece i below
// columnWidths.size() is clipped to columnWidths[i]; later pieces advance by defaultWidth.
// The piece after the last separator is always unclipped.
QList<RowColumn> SplitRowColumns(const QString &text, const QString &separator,
                                 const QList<int> &columnWidths, int defaultWidth);
