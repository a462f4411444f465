#include "KEL_common.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <iterator>

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

namespace {

const char *const classicFaces[] = {"Tahoma", "MS Sans Serif", "Microsoft Sans Serif"};

bool isClassicFace(const QString &name) {
    return std::any_of(std::begin(classicFaces), std::end(classicFaces),
                       [&name](const char *face) { return name == QLatin1String(face); });
}

// Faces set with Arial's widths, which the captions were placed for.
const char *const arialWidthFaces[] = {"Liberation Sans", "Arimo"};

// The windows are laid out for the classic 8-point desktop faces, which a Linux desktop lacks.
// They are drawn in the first installed face of Arial's widths, else in DejaVu Sans, else in
// the desktop's own face; picked once from the installed families. Asking Qt for a face that
// is not installed (and then for its substitutes) costs a fallback search through every
// installed font, and through fontconfig's rules, for each font made: the more fonts and
// rules a desktop has, the more.
const QString &standInFace() {
    static const QString face = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char *candidate : {"Liberation Sans", "Arimo", "DejaVu Sans"})
            if (installed.contains(QLatin1String(candidate)))
                return QString::fromLatin1(candidate);
        return QGuiApplication::font().family();
    }();
    return face;
}

// The width in percent that narrows the stand-in face to Arial's widths; 100 for a face of
// those widths or a narrower one. Qt narrows a face that has no condensed cut by scaling its
// glyphs. Measured once, at a size where hinting does not distort it.
int fittingStretch() {
    static const int stretch = [] {
        const QString &face = standInFace();
        if (std::any_of(std::begin(arialWidthFaces), std::end(arialWidthFaces),
                        [&face](const char *f) { return face == QLatin1String(f); }))
            return 100;
        // Arial sets the lowercase alphabet 12.727 em wide.
        constexpr double designedWidth = 1272.7;
        QFont probe(face);
        probe.setPixelSize(100);
        const double width =
            QFontMetricsF(probe).horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        return width > designedWidth * 1.01 ? int(100 * designedWidth / width) : 100;
    }();
    return stretch;
}

} // namespace

QFont KelFont::toQFont() const {
    const bool classic = qGuiApp && isClassicFace(Name);
    QFont f(classic ? standInFace() : Name);
    int px = Height < 0 ? -Height : (Height * 4 + 2) / 5;
    f.setPixelSize(px > 0 ? px : 11);
    if (const int stretch = classic ? fittingStretch() : 100; stretch != 100)
        f.setStretch(stretch);
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    return f;
}

void SetFormLook(QWidget &form, const KelFont &font) {
    form.setFont(font.toQFont());
    form.setAutoFillBackground(true);
    QPalette face = form.palette();
    face.setColor(QPalette::Window, ToQColor(clBtnFace));
    form.setPalette(face);
}

void PaintPanelFace(QPainter &painter, const QRect &r, TColor color) {
    painter.fillRect(r, ToQColor(color));
    painter.setPen(ToQColor(clWhite));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(ToQColor(clBtnShadow));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}
