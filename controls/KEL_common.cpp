#include "KEL_common.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QWidget>

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

// The windows are laid out for the classic 8-point desktop faces; where they are missing,
// Liberation Sans keeps captions close to their designed widths (wider faces overlap).
void substituteClassicFaces() {
    static const bool installed = [] {
        const QStringList narrowFaces{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                      QStringLiteral("DejaVu Sans")};
        for (const char *face : {"Tahoma", "MS Sans Serif", "Microsoft Sans Serif"})
            QFont::insertSubstitutions(QString::fromLatin1(face), narrowFaces);
        return true;
    }();
    (void)installed;
}

} // namespace

QFont KelFont::toQFont() const {
    substituteClassicFaces();
    QFont f(Name);
    int px = Height < 0 ? -Height : (Height * 4 + 2) / 5;
    f.setPixelSize(px > 0 ? px : 11);
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
