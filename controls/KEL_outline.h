#pragma once
// The desktop's rectangle outline drawn with a wide pen, as the controls' borders need it.
#include <QColor>
#include <QRect>

class QPainter;

// Outlines `box` (its right and bottom edges excluded, so the lines run along its last
// column and row) with a solid pen `width` pixels wide, centred on each line; for an even
// width the extra pixel lies outside. A frame drawn at inset width div 2 thus covers exactly
// the `width` outermost pixels of the area. Nothing is drawn for a width of 0 or less.
void DrawOutline(QPainter &painter, const QRect &box, int width, const QColor &color);
