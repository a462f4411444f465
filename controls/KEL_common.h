#pragma once
// Pieces every control shares: colour conversion and the font description with its own
// colour (a QFont has none).
#include "colors.h"

#include <QColor>
#include <QFont>
#include <QMetaType>
#include <QString>

class QPainter;
class QRect;
class QWidget;

// Plain colours as they are, system colours from the application palette.
QColor ToQColor(TColor c);
// Installs the palette-based system colour resolver for Qt-free code (the engine's fill).
void InstallPaletteColorResolver();

// A plain panel's face: filled with its colour under a one-pixel raised bevel.
void PaintPanelFace(QPainter &painter, const QRect &r, TColor color);

// A font description: name, height (negative: character height in pixels), colour,
// character set and style. Assigning one copies every attribute.
class KelFont {
    Q_GADGET
    Q_PROPERTY(QString Name MEMBER Name)
    Q_PROPERTY(int Height MEMBER Height)
    Q_PROPERTY(int Color MEMBER Color)
    Q_PROPERTY(int Charset MEMBER Charset)
    Q_PROPERTY(bool Bold MEMBER Bold)
    Q_PROPERTY(bool Italic MEMBER Italic)
    Q_PROPERTY(bool Underline MEMBER Underline)
    Q_PROPERTY(bool StrikeOut MEMBER StrikeOut)
public:
    static constexpr int ANSI_CHARSET = 0;
    static constexpr int DEFAULT_CHARSET = 1;

    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11;
    TColor Color = clWindowText;
    int Charset = DEFAULT_CHARSET;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    KelFont() = default;
    KelFont(const QString &name, int height, TColor color, bool bold = false)
        : Name(name), Height(height), Color(color), Bold(bold) {}

    // The QFont to draw with; a positive height counts the whole cell, so the character
    // height is a little smaller.
    QFont toQFont() const;
    QColor qcolor() const { return ToQColor(Color); }

    bool operator==(const KelFont &) const = default;
};
Q_DECLARE_METATYPE(KelFont)

// A window's own look: its font, inherited by its controls, over the button-face colour.
void SetFormLook(QWidget &form, const KelFont &font);

// A control with its name, the one its window, the tests and the settings find it by.
template <typename W> W *Named(W *control, const char *name) {
    control->setObjectName(QLatin1String(name));
    return control;
}
