// The main window's own controls with its settings; the check boxes, colour panel, preview
// and log are ordinary widgets and are left out.
#include "sections.h"

#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "formbuild.h"

#include <QPalette>

namespace gallery {

namespace {

constexpr int lowerPanelTop = 353 + 8; // below the upper panel and the splitter

TKEL_grbutton *mainButton(QWidget *parent, const char *name, const QRect &bounds,
                          const char *caption) {
    auto *b = create<TKEL_grbutton>(parent, name, bounds);
    b->setColor(clWhite);
    b->setBorderWidth(2);
    b->setColorBorder(clBlack);
    b->setFont(tahoma(clBlack));
    b->setFontMouseOver(tahoma(clRed, true));
    b->setColorOver(clSilver);
    b->setColorDown(clGray);
    b->setLedExists(false);
    b->setShowCaption(true);
    b->setAlignmentV(TKEL_grbutton::va_center);
    b->setCaption(QString::fromLatin1(caption));
    return b;
}

TKEL_edit *mainEdit(QWidget *parent, const char *name, const QRect &bounds,
                    TKEL_edit::tkeleditmode mode, const char *text) {
    auto *e = create<TKEL_edit>(parent, name, bounds);
    e->setFont(tahoma());
    e->setColor(clWhite);
    e->setColorIn(clLime);
    e->setColorOut(clWhite);
    e->setColorMouse(clYellow);
    e->setMultiline(false);
    e->setValueRange(false);
    e->setDecimals(2);
    e->setEditMode(mode);
    e->setAlignment(mode == mNumEdit ? TKEL_edit::taRightJustify : TKEL_edit::taLeftJustify);
    e->setText(QString::fromLatin1(text));
    return e;
}

QWidget *blackFrame(QWidget *parent, const QRect &bounds) {
    auto *frame = new QWidget(parent);
    frame->setGeometry(bounds);
    frame->setAutoFillBackground(true);
    QPalette black = frame->palette();
    black.setColor(QPalette::Window, ToQColor(clBlack));
    frame->setPalette(black);
    return frame;
}

} // namespace

void buildMainWindowSection(QWidget *client) {
    plainLabel(client, QStringLiteral("Files to Convert:"), {8, 8}, true);
    plainLabel(client, QStringLiteral("(Right click the list)"), {104, 8});

    // The list shares its black frame with the preview (72) and a splitter (8) on the right.
    QWidget *frame = blackFrame(client, QRect(8, 24, 395, 129));
    auto *list = create<TKEL_listbox>(frame, "KEL_listbox1", QRect(0, 0, 395 - 80, 129));
    list->setFont(tahoma());
    list->setItemHeight(16);
    list->setMultiSelect(true);
    list->setColor(clWhite);
    list->setLineColorSelected(clYellow);
    list->setTextColorSelected(clBlack);
    list->setLineColoring(true);
    list->setLineColorOdd(13421772);
    list->setLineColorEven(clWhite);
    list->setMouseIsOver(false);
    list->setProgressExists(false);
    list->setColumnSeparator(QStringLiteral("||"));
    list->setColumnDefaultWidth(92);
    list->setColumnCount(0);
    list->setItems({QStringLiteral("/home/ann/photos/2026/beach/img01.jpg"),
                    QStringLiteral("/home/ann/photos/2026/beach/img02.jpg"),
                    QStringLiteral("/home/ann/photos/2026/beach/img03.jpg"),
                    QStringLiteral("/home/ann/photos/2026/garden/rose.jpeg"),
                    QStringLiteral("/home/ann/photos/2026/garden/tulips.jpeg")});
    list->setItemIndex(2);

    plainLabel(client, QStringLiteral("Target folder:"), {8, 155}, true);
    mainEdit(client, "KEL_edit5", QRect(8, 171, 310, 21), mTextEdit, "/home/ann/thumbs");
    mainButton(client, "KEL_grbutton3", QRect(328, 171, 80, 25), "Browse");
    plainLabel(client, QStringLiteral("Settings:"), {8, 199}, true);
    mainButton(client, "KEL_grbutton4", QRect(328, 199, 80, 25), "About");
    plainLabel(client, QStringLiteral("Output size:"), {16, 213});
    plainLabel(client, QStringLiteral("width"), {88, 213});
    mainEdit(client, "KEL_edit3", QRect(128, 213, 80, 19), mNumEdit, "160");
    plainLabel(client, QStringLiteral("height"), {88, 237});
    mainEdit(client, "KEL_edit4", QRect(128, 237, 80, 19), mNumEdit, "180");
    plainLabel(client, QStringLiteral("Fill color:"), {16, 285});
    mainEdit(client, "KEL_edit6", QRect(256, 280, 153, 20), mTextEdit, ".thumb.jpg");

    plainLabel(client, QStringLiteral("Progress:"), {8, lowerPanelTop + 4}, true);
    auto *bar =
        create<TKEL_progressbar>(client, "KEL_progressbar1", QRect(8, lowerPanelTop + 20, 403, 17));
    bar->setBorderWidth(1);
    bar->setFont(tahoma(clYellow));
    bar->setPosition(20.0);
    bar->setMax(100.0);
    bar->setBackColor(clGray);
    bar->setStartColor(clLime);
    bar->setEndColor(clRed);
    bar->setShowText(false);
    bar->setAddToText(QStringLiteral("%"));
    bar->setVertical(false);
    bar->setBorderColor(clGray);
    // Part-way through a run, so the gradient shows.
    bar->setPosition(60.0);

    mainButton(client, "KEL_grbutton1", QRect(8, lowerPanelTop + 112, 80, 25), "Convert");
    mainButton(client, "KEL_grbutton2", QRect(328, lowerPanelTop + 112, 80, 25), "Close");
}

} // namespace gallery
