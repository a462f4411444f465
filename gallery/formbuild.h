#pragma once
// Small pieces the gallery builds its own section with, the way the program's windows are
// built: a control made with its defaults, given a name and a parent, placed, and only then
// given its settings.
#include "KEL_common.h"

#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

namespace gallery {

// Creates a control with its constructor defaults, names it before it gets its parent (a
// graphic button takes its name as caption at that moment), then parents and places it.
template <typename W> W *create(QWidget *parent, const char *name, const QRect &bounds) {
    auto *w = new W();
    w->setObjectName(QLatin1String(name));
    w->setParent(parent);
    w->setGeometry(bounds);
    return w;
}

// The font description of a window that uses Tahoma 8 point in the ANSI character set.
KelFont tahoma(TColor color = clWindowText, bool bold = false);
// The font description of a window that uses MS Sans Serif at the given height.
KelFont msSansSerif(int height, TColor color, bool bold = false);

// A plain text label at a point, sized to its text.
QLabel *plainLabel(QWidget *parent, const QString &text, QPoint at, bool bold = false);

// A window's client area: a fixed-size surface in the button-face colour.
QWidget *clientArea(QWidget *parent, QSize size);

} // namespace gallery
