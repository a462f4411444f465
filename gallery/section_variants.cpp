// Settings that none of the program's windows uses, so each look can still be seen.
#include "sections.h"

#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_label.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "formbuild.h"

#include <QPainter>

namespace gallery {

namespace {

// A small caption above each variant, saying what it shows.
void note(QWidget *parent, const char *text, QPoint at) {
    QLabel *l = plainLabel(parent, QString::fromLatin1(text), at);
    QPalette grey = l->palette();
    grey.setColor(QPalette::WindowText, ToQColor(clNavy));
    l->setPalette(grey);
}

TKEL_grbutton *button(QWidget *parent, const char *name, const QRect &bounds, const char *caption) {
    auto *b = create<TKEL_grbutton>(parent, name, bounds);
    b->setCaption(QString::fromLatin1(caption));
    b->setColor(clWhite);
    b->setColorBorder(clBlack);
    b->setFont(tahoma(clBlack));
    b->setFontMouseOver(tahoma(clRed, true));
    b->setBorderWidth(2);
    return b;
}

// A 16 x 16 picture on a magenta key colour, which the button leaves transparent.
QImage sampleGlyph() {
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    QPainter p(&glyph);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 160));
    p.drawEllipse(QRect(2, 2, 12, 12));
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(QRect(6, 6, 4, 4));
    return glyph;
}

void buildButtons(QWidget *c) {
    note(c, "Square LED, lit", {8, 4});
    auto *square = button(c, "LedSquare", QRect(8, 20, 110, 25), "Square LED");
    square->setLedExists(true);
    square->setLedState(true);
    square->setLedChangeOnClick(true);
    square->setLedColorOn(clLime);
    square->setLedStyle(TKEL_grbutton::lssquare);
    square->setLedPosition(TKEL_grbutton::lpleft);

    note(c, "Ellipse LED, dark", {128, 4});
    auto *ellipse = button(c, "LedEllipse", QRect(128, 20, 110, 25), "Ellipse LED");
    ellipse->setLedExists(true);
    ellipse->setLedChangeOnClick(true);
    ellipse->setLedStyle(TKEL_grbutton::lsellipse);
    ellipse->setLedPosition(TKEL_grbutton::lpright);

    note(c, "Left, top", {248, 4});
    auto *leftTop = button(c, "LeftTop", QRect(248, 20, 100, 40), "Left, top");
    leftTop->setAlignmentV(TKEL_grbutton::va_top);
    leftTop->setAlignment(TKEL_grbutton::taLeftJustify);

    note(c, "Right, bottom", {358, 4});
    auto *rightBottom = button(c, "RightBottom", QRect(358, 20, 100, 40), "Right, bottom");
    rightBottom->setAlignmentV(TKEL_grbutton::va_bottom);
    rightBottom->setAlignment(TKEL_grbutton::taRightJustify);

    note(c, "Word wrap", {468, 4});
    auto *wrapped =
        button(c, "Wrapped", QRect(468, 20, 100, 48), "A caption long enough to need three lines");
    wrapped->setWordWrap(true);

    note(c, "Glyph", {578, 4});
    auto *glyph = button(c, "GlyphOnly", QRect(578, 20, 60, 40), "");
    glyph->setGlyph(sampleGlyph());
    glyph->setShowCaption(false);

    note(c, "Border 4", {648, 4});
    auto *thick = button(c, "ThickBorder", QRect(648, 20, 110, 40), "Thick border");
    thick->setBorderWidth(4);
    thick->setColor(clYellow);
    thick->setColorBorder(clBlue);
}

TKEL_progressbar *bar(QWidget *parent, const char *name, const QRect &bounds, double position) {
    auto *b = create<TKEL_progressbar>(parent, name, bounds);
    b->setFont(tahoma(clYellow, true));
    b->setBackColor(clGray);
    b->setPosition(position);
    return b;
}

void buildProgressBars(QWidget *c) {
    note(c, "Position shown as text", {8, 76});
    auto *withText = bar(c, "WithText", QRect(8, 92, 240, 20), 37.5);
    withText->setShowText(true);

    note(c, "Caption, left-aligned, black back", {8, 120});
    auto *captioned = bar(c, "Captioned", QRect(8, 136, 240, 20), 75);
    captioned->setBackColor(clBlack);
    captioned->setCaption(QStringLiteral("Copying files"));
    captioned->setAlignment(TKEL_progressbar::taLeftJustify);

    note(c, "Blue to yellow, border 2 navy", {8, 164});
    auto *colours = bar(c, "Colours", QRect(8, 180, 240, 20), 90);
    colours->setStartColor(clBlue);
    colours->setEndColor(clYellow);
    colours->setBorderWidth(2);
    colours->setBorderColor(clNavy);

    note(c, "Vertical", {258, 76});
    auto *upright = bar(c, "Vertical", QRect(268, 92, 24, 108), 65);
    upright->setVertical(true);
}

void buildColumnList(QWidget *c) {
    note(c, "Columns, row progress, bold while the mouse is over", {310, 76});
    auto *list = create<TKEL_listbox>(c, "Columns", QRect(310, 92, 280, 108));
    list->setFont(tahoma());
    list->setFontMouseOver(tahoma(clBlack, true));
    list->setColumnCount(2);
    list->setProgressExists(true);
    list->setProgressColor(clLime);
    list->setProgressValues({QStringLiteral("0=100"), QStringLiteral("1=100"),
                             QStringLiteral("2=60"), QStringLiteral("3=25"),
                             QStringLiteral("4=0")});
    list->setItems({QStringLiteral("img01.jpg||640 x 480||done"),
                    QStringLiteral("img02.jpg||1024 x 768||done"),
                    QStringLiteral("a_very_long_file_name.jpg||4000 x 3000||60 %"),
                    QStringLiteral("rose.jpeg||800 x 600||25 %"),
                    QStringLiteral("tulips.jpeg||1600 x 1200||waiting")});
    list->setItemIndex(4);
}

TKEL_edit *edit(QWidget *parent, const char *name, const QRect &bounds) {
    auto *e = create<TKEL_edit>(parent, name, bounds);
    e->setFont(tahoma());
    e->setFontMouseOver(tahoma(clBlack, true));
    return e;
}

void buildEdits(QWidget *c) {
    note(c, "Whole number: 12x34", {8, 212});
    auto *whole = edit(c, "Whole", QRect(8, 228, 140, 21));
    whole->setText(QStringLiteral("12x34"));
    whole->setAlignment(TKEL_edit::taRightJustify);
    whole->setEditMode(mNumEdit);

    note(c, "Decimal, 2 places", {158, 212});
    auto *decimal = edit(c, "Decimal", QRect(158, 228, 140, 21));
    decimal->setText(QStringLiteral("3") + QLocale().decimalPoint() + QStringLiteral("14159"));
    decimal->setEditMode(mFloatEdit);

    note(c, "Range 0..100: 250", {308, 212});
    auto *ranged = edit(c, "Ranged", QRect(308, 228, 140, 21));
    ranged->setText(QStringLiteral("250"));
    ranged->setEditMode(mNumEdit);
    ranged->setValueRange(true);
    ranged->setValueMax(100);
    ranged->setAlignment(TKEL_edit::taCenter);

    note(c, "Text", {458, 212});
    auto *text = edit(c, "Text", QRect(458, 228, 140, 21));
    text->setText(QStringLiteral("Free text"));

    note(c, "Multi-line, word wrap", {608, 212});
    auto *multi = edit(c, "Multi", QRect(608, 228, 170, 44));
    multi->setMultiline(true);
    multi->setWordwrap(true);
    multi->setText(QStringLiteral("Several lines of text that wrap at the edge of the box."));
}

TKEL_label *shadowLabel(QWidget *parent, const char *name, const QRect &bounds,
                        const char *caption) {
    auto *l = create<TKEL_label>(parent, name, bounds);
    l->setFont(msSansSerif(-19, clBlack));
    l->setFontShadow(msSansSerif(-19, clGray));
    l->setCaption(QString::fromLatin1(caption));
    return l;
}

void buildLabels(QWidget *c) {
    note(c, "Labels: default teal shadow, offset -4, no shadow", {8, 262});
    shadowLabel(c, "TealShadow", QRect(8, 280, 0, 0), "Teal shadow")
        ->setFontShadow(msSansSerif(-19, 0x00808000));
    shadowLabel(c, "WideShadow", QRect(168, 280, 0, 0), "Offset -4")->setShadowOffset(-4);
    shadowLabel(c, "NoShadow", QRect(308, 280, 0, 0), "No shadow")->setShadow(false);
}

} // namespace

void buildVariantsSection(QWidget *client) {
    buildButtons(client);
    buildProgressBars(client);
    buildColumnList(client);
    buildEdits(client);
    buildLabels(client);
}

} // namespace gallery
