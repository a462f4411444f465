// Building the About window: every control with its place and settings, in the order the
// window lists them.
#include "uabout.h"

#include "KEL_files.h"
#include "KEL_glpanel.h"
#include "KEL_grbutton.h"
#include "KEL_label.h"

#include <QUrl>

namespace {

constexpr QSize clientSize(238, 211);

KelFont msSansSerif(int height, TColor color, bool bold = false) {
    return KelFont(QStringLiteral("MS Sans Serif"), height, color, bold);
}

// A control made with its defaults, named before it gets its parent (a graphic button takes
// its name as caption then), then parented and placed; its settings come afterwards.
template <typename W> W *placed(QWidget *parent, const char *name, const QRect &bounds) {
    auto *w = new W();
    w->setObjectName(QLatin1String(name));
    w->setParent(parent);
    w->setGeometry(bounds);
    return w;
}

TKEL_label *shadowLabel(QWidget *parent, const char *name, const QRect &bounds, int height,
                        const QString &caption) {
    auto *l = placed<TKEL_label>(parent, name, bounds);
    l->setTransparent(true);
    l->setShadow(true);
    l->setShadowOffset(-2);
    l->setColorMouse(clBlue);
    l->setFont(msSansSerif(height, clBlack));
    l->setFontShadow(msSansSerif(height, clGray));
    l->setCaption(caption);
    return l;
}

TKEL_label *centredLine(QWidget *parent, const char *name, const QRect &bounds,
                        const QString &caption) {
    auto *l = shadowLabel(parent, name, bounds, -11, caption);
    l->setAutoSize(false);
    l->setGeometry(bounds);
    l->setAlignment(TKEL_label::taCenter);
    return l;
}

TKEL_grbutton *button(QWidget *parent, const char *name, const QRect &bounds, const char *caption) {
    auto *b = placed<TKEL_grbutton>(parent, name, bounds);
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

void Tfabout::buildWindow() {
    setWindowTitle(QStringLiteral("About Quillet"));
    SetFormLook(*this, msSansSerif(-11, clWindowText));
    setFixedSize(clientSize);

    KEL_label1 =
        shadowLabel(this, "KEL_label1", QRect(8, 0, 219, 24), -19, QStringLiteral("Quillet"));
    KEL_label2 =
        centredLine(this, "KEL_label2", QRect(8, 24, 225, 13), QStringLiteral("Revision info"));
    KEL_label3 = centredLine(this, "KEL_label3", QRect(8, 40, 225, 13),
                             QUrl(QString::fromLatin1(WebAddress)).host());
    // The click opens the address itself (see KEL_label3Click); a host name is no command.
    connect(KEL_label3, &TKEL_label::OnClick, this, &Tfabout::KEL_label3Click);

    KEL_glpanel1 = placed<TKEL_glpanel>(this, "KEL_glpanel1", QRect(8, 56, 225, 121));
    KEL_glpanel1->setColor(clBlack);
    KEL_glpanel1->setCaption(QStringLiteral("KEL_GLPANEL"));
    KEL_glpanel1->setBackground(clBlack);
    KEL_glpanel1->setWireFrame(false);
    KEL_glpanel1->setAutoAspect(true);
    KEL_glpanel1->setAxisLength(0);
    KEL_glpanel1->setAxisColorZ(clRed);
    KEL_glpanel1->setAxisColorX(clLime);
    KEL_glpanel1->setAxisColorY(clYellow);
    KEL_glpanel1->setThreadActive(false);
    KEL_glpanel1->setThreadEvent([this] { KEL_glpanel1ThreadEvent(); });
    KEL_glpanel1->setThreadPriority(TKEL_glpanel::tpNormal);
    KEL_glpanel1->setThreadDelay(10);

    KEL_grbutton4 = button(this, "KEL_grbutton4", QRect(8, 184, 81, 22), "ok");
    connect(KEL_grbutton4, &TKEL_grbutton::OnClick, this, &Tfabout::KEL_grbutton4Click);
    KEL_grbutton1 = button(this, "KEL_grbutton1", QRect(152, 184, 80, 22), "update");
    connect(KEL_grbutton1, &TKEL_grbutton::OnClick, this, &Tfabout::KEL_grbutton1Click);
    setTabOrder(KEL_grbutton4, KEL_glpanel1);
    setTabOrder(KEL_glpanel1, KEL_grbutton1);

    KEL_files1 = new TKEL_files(this);
    KEL_files1->setObjectName(QStringLiteral("KEL_files1"));
    KEL_files1->setShowProgress(true);
    KEL_files1->setConfirmation(false);
}
