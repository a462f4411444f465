#include "KEL_common.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QPalette::ColorRole roleOf(TColor c) {
    switch (c & 0xFF) {
    case 5:
        return QPalette::Base;
    case 8:
        return QPalette::Text;
    case 13:
        return QPalette::Highlight;
    case 14:
        return QPalette::HighlightedText;
    case 15:
        return QPalette::Button;
    case 16:
        return QPalette::Mid;
    case 17:
        return QPalette::PlaceholderText;
    case 18:
        return QPalette::ButtonText;
    default:
        return QPalette::WindowText;
    }
}

TColor paletteColor(TColor c) {
    QColor q = QGuiApplication::palette().color(roleOf(c));
    return rgbColor(q.red(), q.green(), q.blue());
}

} // namespace

QColor ToQColor(TColor c) {
    if (isSystemColor(c) && qGuiApp)
        c = paletteColor(c);
    c = ResolveColor(c);
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

void InstallPaletteColorResolver() {
    SetSystemColorResolver(&paletteColor);
}

QFont KelFont::toQFont() const {
    QFont f(Name);
    int px = Height < 0 ? -Height : (Height * 4 + 2) / 5;
    f.setPixelSize(px > 0 ? px : 11);
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    return f;
}
