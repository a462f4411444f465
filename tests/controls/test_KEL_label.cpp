#include "KEL_label.h"
#include "realpointer.h"

#include "tempfolder.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <fstream>
#include <memory>
#include <optional>

namespace {

class CountingLabel : public TKEL_label {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++paints;
        TKEL_label::paintEvent(event);
    }
};

void settle() {
    QCoreApplication::processEvents();
}

std::unique_ptr<CountingLabel> shownLabel() {
    auto label = std::make_unique<CountingLabel>();
    label->setCaption(QStringLiteral("Quillet"));
    // Away from the pointer, so the platform sends no enter of its own.
    label->move(300, 300);
    label->show();
    if (!QTest::qWaitForWindowExposed(label.get()))
        qWarning("label was not exposed");
    settle();
    label->paints = 0;
    return label;
}

// The label drawn on a white parent, as a transparent label is seen.
QImage renderOnWhite(TKEL_label &label) {
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette p = parent.palette();
    p.setColor(QPalette::Window, Qt::white);
    parent.setPalette(p);
    label.setParent(&parent);
    label.move(0, 0);
    parent.resize(label.size());
    QImage image(label.size(), QImage::Format_RGB32);
    parent.render(&image);
    label.setParent(nullptr);
    return image;
}

KelFont testFont(TColor color) {
    return KelFont(QStringLiteral("DejaVu Sans"), -20, color, true);
}

// A label in a window of its own, with the pointer away from it.
struct HoveredLabel {
    QWidget window;
    CountingLabel *label = new CountingLabel;
    std::optional<RealPointer> pointer;

    HoveredLabel() {
        window.resize(200, 100);
        label->setParent(&window);
        label->setCaption(QStringLiteral("Quillet"));
        label->move(10, 10);
        pointer.emplace(label);
        settle();
        label->paints = 0;
    }
    void over() { pointer->move(label, QPoint(2, 2)); }
    void away() { pointer->away(); }
};

// Pixels of the label's rendering that are not the white background.
int inkOf(TKEL_label &label) {
    const QImage image = renderOnWhite(label);
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += image.pixel(x, y) != qRgb(255, 255, 255);
    return ink;
}

} // namespace

class TestKelLabel : public QObject {
    Q_OBJECT
    QList<QUrl> opened_; // addresses handed to the desktop, which opens none

public slots:
    void openUrl(const QUrl &url) { opened_ << url; }

private slots:
    void initTestCase() {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "openUrl");
    }

    void defaultsAtCreation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("Version") << "Version" << QVariant("r1.01/quillet-controls@quillet.org");
        QTest::newRow("ColorMouse") << "ColorMouse" << QVariant(0x00FF0000);
        QTest::newRow("Shadow") << "Shadow" << QVariant(true);
        QTest::newRow("ShadowOffset") << "ShadowOffset" << QVariant(-2);
        QTest::newRow("GotoUrl") << "GotoUrl" << QVariant(QString());
        QTest::newRow("Transparent") << "Transparent" << QVariant(true);
        QTest::newRow("AutoSize") << "AutoSize" << QVariant(true);
        QTest::newRow("WordWrap") << "WordWrap" << QVariant(false);
    }
    void defaultsAtCreation() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        TKEL_label label;
        const QVariant actual = label.property(name.toLatin1());
        QVERIFY2(actual.isValid(), qPrintable(name));
        QCOMPARE(actual, value);
    }

    void fontsAtCreation() {
        TKEL_label label;
        QCOMPARE(label.Font().Color, clBlack);
        KelFont shadow = label.FontShadow();
        QCOMPARE(shadow.Color, 0x00808000);
        shadow.Color = clBlack;
        QCOMPARE(shadow, label.Font());
        QCOMPARE(label.Alignment(), TKEL_label::taLeftJustify);
        QCOMPARE(label.Layout(), TKEL_label::tlTop);
    }

    void versionIsReadOnly() {
        TKEL_label label;
        QVERIFY(!label.setProperty("Version", QStringLiteral("x")));
        QCOMPARE(label.Version(), QStringLiteral("r1.01/quillet-controls@quillet.org"));
    }

    void plainFieldsDoNotRepaint_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("ColorMouse") << "ColorMouse" << QVariant(clRed);
        QTest::newRow("Shadow") << "Shadow" << QVariant(false);
        QTest::newRow("ShadowOffset") << "ShadowOffset" << QVariant(4);
        QTest::newRow("GotoUrl") << "GotoUrl" << QVariant(QStringLiteral("true"));
    }
    void plainFieldsDoNotRepaint() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        auto label = shownLabel();
        QVERIFY(label->setProperty(name.toLatin1(), value));
        settle();
        QCOMPARE(label->paints, 0);
        QCOMPARE(label->property(name.toLatin1()), value);
    }

    void fontShadowAssignment() {
        auto label = shownLabel();
        label->setFontShadow(label->FontShadow());
        settle();
        QCOMPARE(label->paints, 0);

        const KelFont copy = label->FontShadow();
        label->setFontShadow(copy);
        settle();
        QVERIFY(label->paints > 0);
    }

    // With the caption black and the shadow red, every background pixel whose partner at
    // -shift is solid text must be shadow, and every one whose partner is background
    // must stay background.
    void shadowOffsetPixels_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<bool>("shadowVisible");
        QTest::newRow("-2: right and down") << -2 << true << true;
        QTest::newRow("3: left and up") << 3 << true << true;
        QTest::newRow("0: behind the text") << 0 << true << false;
        QTest::newRow("opaque hides it") << -2 << false << false;
    }
    void shadowOffsetPixels() {
        QFETCH(int, offset);
        QFETCH(bool, transparent);
        QFETCH(bool, shadowVisible);
        TKEL_label label;
        label.setFont(testFont(clBlack));
        label.setFontShadow(testFont(clRed));
        label.setColor(clWhite);
        label.setCaption(QStringLiteral("WHIM"));
        label.setAutoSize(false);
        label.setGeometry(0, 0, 120, 40);
        label.setTransparent(transparent);

        label.setShadow(false);
        const QImage text = renderOnWhite(label);
        label.setShadow(true);
        label.setShadowOffset(offset);
        const QImage shadowed = renderOnWhite(label);

        const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), red = qRgb(255, 0, 0);
        const int shift = -offset;
        int shadowPixels = 0;
        for (int y = 0; y < text.height(); ++y)
            for (int x = 0; x < text.width(); ++x) {
                if (text.pixel(x, y) != white) {
                    if (text.pixel(x, y) == black)
                        QCOMPARE(shadowed.pixel(x, y), black);
                    continue;
                }
                const int sx = x - shift, sy = y - shift;
                const bool inside = sx >= 0 && sy >= 0 && sx < text.width() && sy < text.height();
                const QRgb partner = inside ? text.pixel(sx, sy) : white;
                if (partner == black && transparent) {
                    QCOMPARE(shadowed.pixel(x, y), red);
                    ++shadowPixels;
                } else if (partner == white) {
                    QCOMPARE(shadowed.pixel(x, y), white);
                }
            }
        QCOMPARE(shadowPixels > 0, shadowVisible);
        bool anyRed = false;
        for (int y = 0; y < shadowed.height(); ++y)
            for (int x = 0; x < shadowed.width(); ++x)
                anyRed = anyRed || qRed(shadowed.pixel(x, y)) > qGreen(shadowed.pixel(x, y)) + 40;
        if (!transparent)
            QVERIFY(!anyRed);
    }

    void mouseColourOnEnterAndLeave() {
        HoveredLabel hovered;
        CountingLabel *label = hovered.label;
        QList<TColor> coloursSeen;
        connect(label, &TKEL_label::OnMouseEnter, this,
                [&] { coloursSeen << label->Font().Color; });
        connect(label, &TKEL_label::OnMouseLeave, this,
                [&] { coloursSeen << label->Font().Color; });

        hovered.over();
        QCOMPARE(label->Font().Color, clBlue);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        settle();
        QVERIFY(label->paints > 0);

        label->paints = 0;
        hovered.away();
        QCOMPARE(label->Font().Color, clBlack);
        settle();
        QVERIFY(label->paints > 0);
        QCOMPARE(coloursSeen, (QList<TColor>{clBlue, clBlack}));
    }

    void noRepaintWhenTheColourIsAlreadyTheMouseColour() {
        HoveredLabel hovered;
        CountingLabel *label = hovered.label;
        label->setFont(testFont(clBlue));
        settle();
        label->paints = 0;
        QSignalSpy entered(label, &TKEL_label::OnMouseEnter);
        QSignalSpy left(label, &TKEL_label::OnMouseLeave);
        hovered.over();
        hovered.away();
        settle();
        QCOMPARE(label->paints, 0);
        QCOMPARE(label->Font().Color, clBlue);
        QCOMPARE(entered.count(), 1);
        QCOMPARE(left.count(), 1);
    }

    // A font assigned under the mouse carries the mouse colour; leaving restores the colour
    // from before the mouse came.
    void fontAssignedUnderTheMouse() {
        HoveredLabel hovered;
        CountingLabel *label = hovered.label;
        hovered.over();
        KelFont bigger = label->Font();
        bigger.Height = -20;
        label->setFont(bigger);
        hovered.away();
        QCOMPARE(label->Font().Color, clBlack);
        QCOMPARE(label->Font().Height, -20);
    }

    void ampersandMarksAMnemonic() {
        TKEL_label label;
        label.setShadow(false);
        label.setFont(testFont(clBlack));
        label.setCaption(QStringLiteral("WW"));
        const QSize plain = label.size();
        const int plainInk = inkOf(label);
        label.setCaption(QStringLiteral("&WW"));
        QCOMPARE(label.size(), plain);
        QVERIFY(inkOf(label) > plainInk); // the underline
        label.setCaption(QStringLiteral("W&&W"));
        QVERIFY(label.width() > plain.width());
    }

    void clickStartsTheCommand() {
        TempFolder dir;
        const QString flag = dir.filePath(QStringLiteral("clicked"));
        auto label = shownLabel();
        label->setGotoUrl(QStringLiteral("touch \"%1\"").arg(flag));
        QSignalSpy clicked(label.get(), &TKEL_label::OnClick);
        QTest::mouseClick(label.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(clicked.count(), 1);
        QTRY_VERIFY(QFile::exists(flag));
    }

    // Each command would leave a file behind if anything started it; none may, nor report.
    void clickWithoutAStartableCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("empty") << QString();
        QTest::newRow("bare web address") << QStringLiteral("www.quillet.invalid");
        QTest::newRow("missing program") << QStringLiteral("/nonexistent/quillet DIR/started");
        QTest::newRow("not executable") << QStringLiteral("DIR/script DIR/started");
    }
    void clickWithoutAStartableCommand() {
        QFETCH(QString, command);
        TempFolder dir;
        std::ofstream(dir.file("script")) << "#!/bin/sh\ntouch \"$1\"\n"; // not executable
        opened_.clear();
        auto label = shownLabel();
        label->setGotoUrl(command.replace(QLatin1String("DIR"), dir.qPath()));
        QSignalSpy clicked(label.get(), &TKEL_label::OnClick);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QTest::mouseClick(label.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(clicked.count(), 1);
        QTest::qWait(300);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("started"))));
        QCOMPARE(opened_, QList<QUrl>());
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{label.get()});
    }

    void releaseOutsideIsNoClick() {
        auto label = shownLabel();
        QSignalSpy clicked(label.get(), &TKEL_label::OnClick);
        QTest::mousePress(label.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(label.get(), Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(clicked.count(), 0);
    }

    void autoSizeFollowsTheCaption() {
        TKEL_label label;
        label.setFont(testFont(clBlack));
        label.setCaption(QStringLiteral("W"));
        const int narrow = label.width();
        label.setCaption(QStringLiteral("WWWW"));
        QVERIFY(label.width() > narrow);
        label.setAutoSize(false);
        label.resize(10, 10);
        label.setCaption(QStringLiteral("W"));
        QCOMPARE(label.size(), QSize(10, 10));
    }
};

QTEST_MAIN(TestKelLabel)
#include "test_KEL_label.moc"
