#pragma once
// The gallery's own section: the controls in settings that no window of the program uses.
#include <QSize>

class QWidget;

namespace gallery {

// LEDs, glyph, alignments, word wrap, progress text, a vertical bar, columns with row
// progress, every edit mode, label shadows.
inline constexpr QSize variantsSize(790, 330);
void buildVariantsSection(QWidget *client);

} // namespace gallery
