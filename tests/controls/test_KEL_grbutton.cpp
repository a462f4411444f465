#include "KEL_grbutton.h"
#include "realpointer.h"

#include <QPainter>
#include <QtTest>

namespace {

QColor rgb(TColor c) {
    return ToQColor(c);
}

QImage renderOf(QWidget &w) {
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}

QColor pixel(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

// Text is drawn smoothed: any pixel that is neither face (white) nor border (navy) is ink.
bool isInk(const QColor &c) {
    return c != QColor(Qt::white) && c != ToQColor(clNavy);
}
bool isRedInk(const QColor &c) {
    return c.red() > c.green() + 60 && c.red() > c.blue() + 60;
}
bool isDarkInk(const QColor &c) {
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

struct Ink {
    int top = -1;
    int bottom = -1;
    int right = -1;
};

Ink inkOf(const QImage &image, bool (*ink)(const QColor &) = isInk) {
    Ink found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (ink(image.pixelColor(x, y))) {
                if (found.top < 0)
                    found.top = y;
                found.bottom = y;
                found.right = std::max(found.right, x);
            }
        }
    }
    return found;
}

class CountingButton : public TKEL_grbutton {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++paints;
        TKEL_grbutton::paintEvent(event);
    }
};

// A button with plain colours that are easy to tell apart in a rendering.
void plainLook(TKEL_grbutton &b) {
    b.setColor(clWhite);
    b.setColorOver(clSilver);
    b.setColorDown(clGray);
    b.setColorBorder(clNavy);
    b.setShowCaption(false);
}

} // namespace

class TestKelGrbutton : public QObject {
    Q_OBJECT
private slots:
    void valuesAtCreation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char *name, const QVariant &v) {
            QTest::newRow(name) << QString::fromLatin1(name) << v;
        };
        row("Version", QStringLiteral("r1.04/quillet-controls@quillet.org"));
        row("Caption", QString());
        row("LedExists", false);
        row("LedState", false);
        row("LedChangeOnClick", false);
        row("LedColorOn", clGreen);
        row("LedColorOff", clRed);
        row("Color", clBtnFace);
        row("ColorBorder", clBlack);
        row("Enabled", true);
        row("ColorOver", 12632256);
        row("ColorDown", 8421504);
        row("ShowCaption", true);
        row("WordWrap", false);
        row("FontSynchronize", true);
        row("BorderWidth", 1);
    }
    void valuesAtCreation() {
        QFETCH(QString, name);
        QFETCH(QVariant, expected);
        TKEL_grbutton b;
        QCOMPARE(b.property(name.toLatin1()), expected);
    }

    void enumsAndSizeAtCreation() {
        TKEL_grbutton b;
        QCOMPARE(b.size(), QSize(80, 22));
        QCOMPARE(b.LedStyle(), TKEL_grbutton::lsellipse);
        QCOMPARE(b.LedPosition(), TKEL_grbutton::lpright);
        QCOMPARE(b.AlignmentV(), TKEL_grbutton::va_center);
        QCOMPARE(b.Alignment(), TKEL_grbutton::taCenter);
        QCOMPARE(b.FontMouseOver(), b.Font());
        QVERIFY(b.setProperty("AlignmentV", "va_bottom"));
        QCOMPARE(b.AlignmentV(), TKEL_grbutton::va_bottom);
        QVERIFY(!b.setProperty("Version", "x"));
        QCOMPARE(b.property("Version").toString(), TKEL_grbutton::Version());
    }

    void faceAndBorder_data() {
        QTest::addColumn<int>("borderWidth");
        QTest::addColumn<QSize>("size");
        QTest::newRow("2 on 80x25") << 2 << QSize(80, 25);
        QTest::newRow("1 on 80x22") << 1 << QSize(80, 22);
        QTest::newRow("3 on 60x30") << 3 << QSize(60, 30);
        QTest::newRow("0: all face") << 0 << QSize(80, 25);
    }
    void faceAndBorder() {
        QFETCH(int, borderWidth);
        QFETCH(QSize, size);
        TKEL_grbutton b;
        plainLook(b);
        b.resize(size);
        b.setBorderWidth(borderWidth);
        const QImage image = renderOf(b);
        const int w = size.width();
        const int h = size.height();
        const int bw = borderWidth;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool onFace = x >= bw && x < w - bw && y >= bw && y < h - bw;
                const QColor expected = rgb(onFace ? clWhite : clNavy);
                if (pixel(image, x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(pixel(image, x, y).name(), expected.name())));
            }
        }
    }

    void captionRect_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("borderWidth");
        QTest::addColumn<int>("textHeight");
        QTest::addColumn<int>("clipTop");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::newRow("center 25")
            << int(TKEL_grbutton::va_center) << 25 << 1 << 13 << 0 << 6 << 19;
        QTest::newRow("center 22: halves to even")
            << int(TKEL_grbutton::va_center) << 22 << 1 << 13 << 0 << 4 << 18;
        QTest::newRow("center uses full height")
            << int(TKEL_grbutton::va_center) << 22 << 5 << 14 << 0 << 4 << 18;
        QTest::newRow("bottom") << int(TKEL_grbutton::va_bottom) << 25 << 2 << 13 << 0 << 10 << 23;
        QTest::newRow("top") << int(TKEL_grbutton::va_top) << 25 << 2 << 13 << 0 << 2 << 14;
        QTest::newRow("top below clip")
            << int(TKEL_grbutton::va_top) << 25 << 2 << 13 << 5 << 2 << 19;
    }
    void captionRect() {
        QFETCH(int, alignment);
        QFETCH(int, height);
        QFETCH(int, borderWidth);
        QFETCH(int, textHeight);
        QFETCH(int, clipTop);
        QFETCH(int, top);
        QFETCH(int, bottom);
        const QRect r =
            TKEL_grbutton::CaptionRect(TKEL_grbutton::tvalignment(alignment), QSize(80, height),
                                       borderWidth, textHeight, clipTop);
        QCOMPARE(r.top(), top);
        QCOMPARE(r.bottom() + 1, bottom);
        QCOMPARE(r.left(), borderWidth);
        QCOMPARE(r.right() + 1, 80 - borderWidth);
    }

    // A caption 13 pixels high centred on 25 and 22 pixel buttons starts at rows 6 and 4.
    void centredCaptionOnScreen() {
        KelFont font(QStringLiteral("DejaVu Sans"), -11, clBlack);
        const QString text = QStringLiteral("Convert");
        const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
        for (int px = 6; px <= 20; ++px) {
            font.Height = -px;
            if (QFontMetrics(font.toQFont())
                    .boundingRect(QRect(1, 1, 78, 23), flags, text)
                    .height() == 13)
                break;
        }
        if (QFontMetrics(font.toQFont()).boundingRect(QRect(1, 1, 78, 23), flags, text).height() !=
            13)
            QSKIP("no font size with a 13 pixel text height here");
        auto inkTop = [&](int height, TKEL_grbutton::tvalignment alignment) {
            TKEL_grbutton b;
            plainLook(b);
            b.setShowCaption(true);
            b.setFont(font);
            b.setCaption(text);
            b.resize(80, height);
            b.setAlignmentV(alignment);
            return inkOf(renderOf(b)).top;
        };
        // At the top the text starts at row 1 (the border width): that fixes the ink offset.
        const int offset = inkTop(25, TKEL_grbutton::va_top) - 1;
        QVERIFY(offset >= 0);
        QCOMPARE(inkTop(25, TKEL_grbutton::va_center), 6 + offset);
        QCOMPARE(inkTop(22, TKEL_grbutton::va_center), 4 + offset);
        QCOMPARE(inkTop(25, TKEL_grbutton::va_bottom), 25 - 1 - 13 + offset);
    }

    void wordWrapBreaksLongCaptions() {
        auto inkWith = [](bool wrap, const QString &caption) {
            TKEL_grbutton b;
            plainLook(b);
            b.setShowCaption(true);
            b.setFont(KelFont(QStringLiteral("DejaVu Sans"), -11, clBlack));
            b.resize(80, 60);
            b.setAlignmentV(TKEL_grbutton::va_top);
            b.setWordWrap(wrap);
            b.setCaption(caption);
            return inkOf(renderOf(b));
        };
        const QString words = QStringLiteral("one two three four five six seven");
        const Ink clipped = inkWith(false, words);
        const Ink wrapped = inkWith(true, words);
        // Cut at the face's edge, not drawn over the border.
        QCOMPARE(inkWith(false, QStringLiteral("MMMMMMMMMMMMMMMM")).right, 78);
        QVERIFY(clipped.top > 0);
        QVERIFY(clipped.bottom < 16);
        QVERIFY(wrapped.bottom > clipped.bottom + 20);
        QVERIFY(wrapped.right < 78);
    }

    void led_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("state");
        QTest::addColumn<int>("left");
        QTest::newRow("square right off")
            << int(TKEL_grbutton::lssquare) << int(TKEL_grbutton::lpright) << false << 68;
        QTest::newRow("square left on")
            << int(TKEL_grbutton::lssquare) << int(TKEL_grbutton::lpleft) << true << 4;
        QTest::newRow("ellipse right on")
            << int(TKEL_grbutton::lsellipse) << int(TKEL_grbutton::lpright) << true << 68;
    }
    void led() {
        QFETCH(int, style);
        QFETCH(int, position);
        QFETCH(bool, state);
        QFETCH(int, left);
        TKEL_grbutton b;
        plainLook(b);
        b.setLedExists(true);
        b.setLedColorOn(clLime);
        b.setLedColorOff(clRed);
        b.setLedStyle(TKEL_grbutton::tledstyle(style));
        b.setLedPosition(TKEL_grbutton::tledposition(position));
        b.setLedState(state);
        QCOMPARE(b.size(), QSize(80, 22));
        const QImage image = renderOf(b);
        const QColor lamp = rgb(state ? clLime : clRed);
        QCOMPARE(pixel(image, left + 4, 11), lamp);
        QCOMPARE(pixel(image, left - 1, 11), rgb(clWhite));
        QCOMPARE(pixel(image, left + 8, 11), rgb(clWhite));
        QCOMPARE(pixel(image, left + 4, 6), rgb(clWhite));
        QCOMPARE(pixel(image, left + 4, 15), rgb(clWhite));
        if (style == TKEL_grbutton::lssquare) {
            QCOMPARE(pixel(image, left, 7), lamp);
            QCOMPARE(pixel(image, left + 7, 14), lamp);
        } else {
            QCOMPARE(pixel(image, left, 7), rgb(clWhite));
            QCOMPARE(pixel(image, left, 11), rgb(clNavy));
            QCOMPARE(pixel(image, left + 7, 11), rgb(clNavy));
        }
    }

    void ledBoxOnTallerButton() {
        QCOMPARE(TKEL_grbutton::LedRect(TKEL_grbutton::lpright, QSize(80, 22)),
                 QRect(QPoint(68, 7), QPoint(75, 14)));
        // 8.5 and 16.5 go to the even neighbours 8 and 16.
        QCOMPARE(TKEL_grbutton::LedRect(TKEL_grbutton::lpleft, QSize(80, 25)),
                 QRect(QPoint(4, 8), QPoint(11, 15)));
    }

    void glyphKeyColourShowsTheFace() {
        QImage glyph(10, 6, QImage::Format_RGB32);
        glyph.fill(Qt::magenta);
        glyph.setPixelColor(3, 2, Qt::blue);
        glyph.setPixelColor(9, 5, Qt::blue);
        TKEL_grbutton b;
        plainLook(b);
        b.setGlyph(glyph);
        const QImage image = renderOf(b);
        // Left edge 40 - 5 + 1, top edge 11 - 3 + 1.
        QCOMPARE(pixel(image, 36 + 3, 9 + 2), QColor(Qt::blue));
        QCOMPARE(pixel(image, 36 + 9, 9 + 5), QColor(Qt::blue));
        QCOMPARE(pixel(image, 36, 9), rgb(clWhite));
        QCOMPARE(pixel(image, 36 + 4, 9 + 2), rgb(clWhite));
    }

    void captionHidesGlyphBehindItsCells() {
        QImage glyph(78, 20, QImage::Format_RGB32);
        glyph.fill(Qt::blue);
        glyph.setPixelColor(0, 0, Qt::magenta);
        TKEL_grbutton b;
        plainLook(b);
        b.setBorderWidth(0);
        b.setGlyph(glyph);
        const int bluePlain = [&] {
            const QImage image = renderOf(b);
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    n += image.pixelColor(x, y) == QColor(Qt::blue);
            return n;
        }();
        b.setShowCaption(true);
        b.setFont(KelFont(QStringLiteral("DejaVu Sans"), -11, clBlack));
        b.setCaption(QStringLiteral("iii"));
        const QImage image = renderOf(b);
        int blue = 0;
        int white = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                blue += image.pixelColor(x, y) == QColor(Qt::blue);
                white += image.pixelColor(x, y) == rgb(clWhite);
            }
        }
        QVERIFY(blue < bluePlain);
        QVERIFY2(white > 20, "the text cells are not filled with the face colour");
    }

    void pressSequence_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("faces");
        QTest::addColumn<int>("clicks");
        const int w = clWhite;
        const int s = clSilver;
        const int g = clGray;
        QTest::newRow("press, release inside")
            << QStringList{"over", "press", "release-in"} << QList<int>{s, g, s} << 1;
        QTest::newRow("press, drag off, back, release inside")
            << QStringList{"over", "press", "away", "over", "release-in"}
            << QList<int>{s, g, w, g, s} << 1;
        QTest::newRow("press, drag off, release outside")
            << QStringList{"over", "press", "away", "release-out", "over"}
            << QList<int>{s, g, w, w, s} << 0;
        QTest::newRow("right press changes nothing")
            << QStringList{"over", "right-press", "right-release"} << QList<int>{s, s, s} << 0;
        QTest::newRow("right release ends a left hold")
            << QStringList{"over", "press", "right-press", "right-release", "release-in"}
            << QList<int>{s, g, g, s, s} << 1;
        QTest::newRow("right drag off and back")
            << QStringList{"over", "right-press", "away", "over"} << QList<int>{s, s, w, s} << 0;
        QTest::newRow("window hidden under the pointer and shown again")
            << QStringList{"over", "hide-show"} << QList<int>{s, w} << 0;
    }
    void pressSequence() {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, faces);
        QFETCH(int, clicks);
        QWidget window;
        window.resize(300, 100);
        TKEL_grbutton b(&window);
        plainLook(b);
        b.move(10, 10);
        RealPointer pointer(&b);
        QSignalSpy clicked(&b, &TKEL_grbutton::OnClick);
        const QPoint inside(40, 11);
        const QPoint outside(190, 70);
        for (int i = 0; i < steps.size(); ++i) {
            const QString &step = steps[i];
            if (step == u"over")
                pointer.move(&b, inside);
            else if (step == u"away")
                pointer.move(&b, outside);
            else if (step == u"press")
                pointer.press(&b, inside);
            else if (step == u"release-in")
                pointer.release(&b, inside);
            else if (step == u"release-out")
                pointer.release(&b, outside);
            else if (step == u"right-press")
                pointer.press(&b, inside, Qt::RightButton);
            else if (step == u"right-release")
                pointer.release(&b, inside, Qt::RightButton);
            else if (step == u"hide-show") {
                window.hide();
                window.show();
                QVERIFY(QTest::qWaitForWindowExposed(&window));
            }
            QVERIFY2(pixel(renderOf(b), 40, 11) == rgb(faces[i]), qPrintable(step));
        }
        QCOMPARE(clicked.count(), clicks);
    }

    void doubleClickRaisesOneClick() {
        QWidget window;
        window.resize(200, 100);
        TKEL_grbutton b(&window);
        RealPointer pointer(&b);
        QSignalSpy clicked(&b, &TKEL_grbutton::OnClick);
        pointer.doubleClick(&b, QPoint(5, 5));
        QCOMPARE(clicked.count(), 1);
    }

    void clickTogglesLed_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("changeOnClick");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("enabled, changing") << true << true << true;
        QTest::newRow("disabled still clicks") << false << true << false;
        QTest::newRow("not changing") << true << false << false;
    }
    void clickTogglesLed() {
        QFETCH(bool, enabled);
        QFETCH(bool, changeOnClick);
        QFETCH(bool, toggles);
        TKEL_grbutton b;
        plainLook(b);
        b.setLedExists(true);
        b.setLedStyle(TKEL_grbutton::lssquare);
        b.setLedColorOn(clLime);
        b.setLedColorOff(clRed);
        b.setProperty("Enabled", enabled);
        b.setLedChangeOnClick(changeOnClick);
        QVERIFY(b.isEnabled());
        QSignalSpy clicked(&b, &TKEL_grbutton::OnClick);
        for (int i = 1; i <= 3; ++i) {
            QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(20, 11));
            const bool lit = toggles && i % 2 == 1;
            QCOMPARE(b.LedState(), lit);
            QCOMPARE(pixel(renderOf(b), 72, 11), rgb(lit ? clLime : clRed));
        }
        QCOMPARE(clicked.count(), 3);
    }

    void mouseOverFont() {
        QWidget window;
        window.resize(200, 100);
        TKEL_grbutton b(&window);
        b.move(10, 10);
        plainLook(b);
        b.setShowCaption(true);
        b.setFont(KelFont(QStringLiteral("DejaVu Sans"), -11, clBlack));
        KelFont over(QStringLiteral("DejaVu Serif"), -11, clRed, true);
        b.setFontMouseOver(over);
        b.setColorOver(clWhite);
        // Synchronised: the name follows Font, nothing else does.
        QCOMPARE(b.FontMouseOver().Name, QStringLiteral("DejaVu Sans"));
        QVERIFY(b.FontMouseOver().Bold);
        QCOMPARE(b.FontMouseOver().Color, clRed);
        b.setCaption(QStringLiteral("Convert"));
        QCOMPARE(inkOf(renderOf(b), isRedInk).top, -1);
        RealPointer pointer(&b);
        pointer.move(&b, QPoint(40, 11));
        QVERIFY(inkOf(renderOf(b), isRedInk).top >= 0);
        QCOMPARE(inkOf(renderOf(b), isDarkInk).top, -1);
        pointer.away();
        QCOMPARE(inkOf(renderOf(b), isRedInk).top, -1);

        b.setFontSynchronize(false);
        b.setFontMouseOver(over);
        QCOMPARE(b.FontMouseOver().Name, QStringLiteral("DejaVu Serif"));
        b.setFontSynchronize(true);
        QCOMPARE(b.FontMouseOver().Name, QStringLiteral("DejaVu Sans"));
    }

    void hintsFollowShowHint_data() {
        QTest::addColumn<QVariant>("parentShowHint");
        QTest::addColumn<bool>("ownShowHint");
        QTest::addColumn<bool>("shown");
        QTest::newRow("default: no hint") << QVariant() << false << false;
        QTest::newRow("own choice") << QVariant() << true << true;
        QTest::newRow("parent shows hints") << QVariant(true) << false << true;
        QTest::newRow("own choice beats parent") << QVariant(false) << true << true;
    }
    void hintsFollowShowHint() {
        QFETCH(QVariant, parentShowHint);
        QFETCH(bool, ownShowHint);
        QFETCH(bool, shown);
        QWidget window;
        window.setProperty("ShowHint", parentShowHint);
        TKEL_grbutton b(&window);
        b.setToolTip(QStringLiteral("Start converting"));
        if (ownShowHint)
            b.setShowHint(true);
        QCOMPARE(b.ParentShowHint(), !ownShowHint);
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5));
        QApplication::sendEvent(&b, &help);
        QCOMPARE(help.isAccepted(), shown);
    }

    void captionTakesNameOnParenting() {
        QWidget window;
        TKEL_grbutton b;
        b.setObjectName(QStringLiteral("KEL_grbutton1"));
        b.setCaption(QStringLiteral("set before"));
        b.setParent(&window);
        QCOMPARE(b.Caption(), QStringLiteral("KEL_grbutton1"));
        b.setCaption(QStringLiteral("Convert"));
        QCOMPARE(b.Caption(), QStringLiteral("Convert"));
    }

    void repaints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("other");
        QTest::addColumn<bool>("sameRepaints");
        QTest::addColumn<bool>("changeRepaints");
        auto row = [](const char *name, const QVariant &other, bool same, bool change) {
            QTest::newRow(name) << QString::fromLatin1(name) << other << same << change;
        };
        row("Caption", QStringLiteral("x"), true, true);
        row("Color", clRed, true, true);
        row("ColorBorder", clRed, true, true);
        row("ShowCaption", false, true, true);
        row("LedExists", true, false, true);
        row("LedState", true, false, true);
        row("LedColorOn", clRed, false, true);
        row("LedColorOff", clLime, false, true);
        row("LedStyle", QStringLiteral("lssquare"), false, true);
        row("LedPosition", QStringLiteral("lpleft"), false, true);
        row("WordWrap", true, false, true);
        row("AlignmentV", QStringLiteral("va_top"), false, true);
        row("BorderWidth", 3, false, true);
        row("Enabled", false, false, false);
        row("LedChangeOnClick", true, false, false);
        row("ColorOver", clRed, false, false);
        row("ColorDown", clRed, false, false);
        row("FontSynchronize", false, false, false);
        QImage glyph(4, 4, QImage::Format_RGB32);
        glyph.fill(Qt::blue);
        row("Glyph", glyph, true, true);
        row("FontMouseOver", QVariant::fromValue(KelFont(QStringLiteral("x"), -20, clRed)), true,
            true);
        row("Font", QVariant::fromValue(KelFont(QStringLiteral("x"), -20, clRed)), false, true);
    }
    void repaints() {
        QFETCH(QString, name);
        QFETCH(QVariant, other);
        QFETCH(bool, sameRepaints);
        QFETCH(bool, changeRepaints);
        CountingButton b;
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        QCoreApplication::processEvents();
        const QByteArray key = name.toLatin1();

        b.paints = 0;
        QVERIFY(b.setProperty(key, b.property(key)));
        QCoreApplication::processEvents();
        QCOMPARE(b.paints > 0, sameRepaints);

        b.paints = 0;
        QVERIFY(b.setProperty(key, other));
        QCOMPARE(b.property(key).toString(), other.toString());
        QCoreApplication::processEvents();
        QCOMPARE(b.paints > 0, changeRepaints);
    }
};

QTEST_MAIN(TestKelGrbutton)
#include "test_KEL_grbutton.moc"
