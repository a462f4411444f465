#include "KEL_common.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
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

// The windows are laid out for the classic 8-point desktop faces; where they are missing,
// Liberation Sans keeps captions close to their designed widths.
void substituteClassicFaces() {
    static const bool installed = [] {
        const QStringList narrowFaces{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                      QStringLiteral("DejaVu Sans")};
        for (const char *face : classicFaces)
            QFont::insertSubstitutions(QString::fromLatin1(face), narrowFaces);
        return true;
    }();
    (void)installed;
}

// The width in percent that narrows the face a classic name resolves to (DejaVu Sans where
// Liberation Sans is missing) to Liberation Sans' widths, which the captions were placed
// for; 100 for that face or a narrower one. Qt narrows a face that has no condensed cut by
// scaling its glyphs. Measured once per name, at a size where hinting does not distort it.
int fittingStretch(const QString &name) {
    static QHash<QString, int> stretches;
    if (!qGuiApp ||
        std::find_if(std::begin(classicFaces), std::end(classicFaces), [&name](const char *face) {
            return name == QLatin1String(face);
        }) == std::end(classicFaces))
        return 100;
    const auto known = stretches.constFind(name);
    if (known != stretches.constEnd())
        return *known;
    // Liberation Sans sets the lowercase alphabet 12.727 em wide.
    constexpr double designedWidth = 1272.7;
    QFont probe(name);
    probe.setPixelSize(100);
    const double width =
        QFontMetricsF(probe).horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    const int stretch = width > designedWidth * 1.01 ? int(100 * designedWidth / width) : 100;
    stretches.insert(name, stretch);
    return stretch;
}

} // namespace

QFont KelFont::toQFont() const {
    substituteClassicFaces();
    QFont f(Name);
    int px = Height < 0 ? -Height : (Height * 4 + 2) / 5;
    f.setPixelSize(px > 0 ? px : 11);
    if (const int stretch = fittingStretch(Name); stretch != 100)
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
