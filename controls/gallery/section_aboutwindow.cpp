// The About window's shadow labels and buttons; the OpenGL scene between them is left out,
// since the gallery also runs where there is no OpenGL (the offscreen screenshot).
#include "sections.h"

#include "KEL_grbutton.h"
#include "KEL_label.h"
#include "formbuild.h"

namespace gallery {

namespace {

TKEL_label *aboutLabel(QWidget *parent, const char *name, const QRect &bounds, int height,
                       const char *caption) {
    auto *l = create<TKEL_label>(parent, name, bounds);
    l->setTransparent(true);
    l->setShadow(true);
    l->setShadowOffset(-2);
    l->setColorMouse(clBlue);
    l->setFont(msSansSerif(height, clBlack));
    l->setFontShadow(msSansSerif(height, clGray));
    l->setCaption(QString::fromLatin1(caption));
    return l;
}

TKEL_label *centredLine(QWidget *parent, const char *name, const QRect &bounds,
                        const char *caption) {
    auto *l = aboutLabel(parent, name, bounds, -11, caption);
    l->setAutoSize(false);
    l->setGeometry(bounds);
    l->setAlignment(TKEL_label::taCenter);
    return l;
}

TKEL_grbutton *aboutButton(QWidget *parent, const char *name, const QRect &bounds,
                           const char *caption) {
    auto *b = create<TKEL_grbutton>(parent, name, bounds);
    b->setCaption(QString::fromLatin1(caption));
    b->setFont(msSansSerif(-11, clBlack));
    b->setBorderWidth(2);
    b->setColor(clWhite);
    b->setColorBorder(clBlack);
    b->setColorOver(clSilver);
    b->setColorDown(clGray);
    b->setFontMouseOver(msSansSerif(-11, clRed, true));
    b->setLedExists(false);
    b->setShowCaption(true);
    b->setWordWrap(false);
    b->setAlignmentV(TKEL_grbutton::va_center);
    b->setFontSynchronize(true);
    return b;
}

} // namespace

void buildAboutWindowSection(QWidget *client) {
    aboutLabel(client, "KEL_label1", QRect(8, 0, 219, 24), -19, "Quillet");
    centredLine(client, "KEL_label2", QRect(8, 24, 225, 13), "Rev. 0.9.1 (build 6)");
    // The window opens the address itself when this label is clicked; it starts no command.
    centredLine(client, "KEL_label3", QRect(8, 40, 225, 13), "www.quillet.org");

    aboutButton(client, "KEL_grbutton4", QRect(8, 184, 81, 22), "ok");
    aboutButton(client, "KEL_grbutton1", QRect(152, 184, 80, 22), "update");
}

} // namespace gallery
