#pragma once
// The gallery's sections. Each fills a client area with the controls of one window of the
// program, set up as that window sets them, or with variants that the windows do not use.
#include <QSize>

class QWidget;

namespace gallery {

// The main window's client area: file list, edit boxes, buttons and progress bar.
inline constexpr QSize mainWindowSize(417, 507);
void buildMainWindowSection(QWidget *client);

// The Update window's client area: log list, Close button and download progress.
inline constexpr QSize updateWindowSize(380, 148);
void buildUpdateWindowSection(QWidget *client);

// The About window's client area: the three shadow labels and the two buttons.
inline constexpr QSize aboutWindowSize(238, 211);
void buildAboutWindowSection(QWidget *client);

// Settings no window uses: LEDs, glyph, alignments, word wrap, progress text, a vertical
// bar, columns with row progress, every edit mode, label shadows.
inline constexpr QSize variantsSize(790, 330);
void buildVariantsSection(QWidget *client);

} // namespace gallery
