// The About window on an X server: the scene it draws, its "ok" button and its link.
// Without one every case skips.
#include "../gltestmain.h"
#include "KEL_grbutton.h"
#include "KEL_label.h"
#include "aboutscene.h"
#include "uabout.h"

#include <QDesktopServices>
#include <QScreen>

namespace {

int distance(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

// Pixels that differ by more than a slight shade.
int differingPixels(const QImage &a, const QImage &b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += distance(a.pixelColor(x, y), b.pixelColor(x, y)) > 48;
    return n;
}

} // namespace

class TestUaboutScene : public QObject {
    Q_OBJECT
    std::unique_ptr<Tfabout> about_;
    QUrl opened_;

public slots:
    void openUrl(const QUrl &url) { opened_ = url; }

private slots:
    void init() {
        about_ = std::make_unique<Tfabout>();
        about_->show();
        QVERIFY(QTest::qWaitForWindowExposed(about_.get()));
        QTRY_VERIFY(about_->KEL_glpanel1->Init());
    }
    void cleanup() { about_.reset(); }

    // At t = 0 neither rotation turns and the shape sits at (0, 5, 0): corners 1 and 2
    // land on the panel at about (168, 93) and (187, 35), each in its own colour, over the
    // black background; corners 3 and 4 are beyond its right edge.
    void firstPoseShowsTheCornerColours() {
        TKEL_glpanel *panel = about_->KEL_glpanel1;
        about_->FormHide();
        DrawAboutScene(*panel, 0);
        const QImage frame = panel->grabFramebuffer();
        const QColor yellow(255, 255, 0), green(0, 128, 0), red(255, 0, 0), blue(0, 0, 255);
        const QColor nearCorner1 = frame.pixelColor(174, 91),
                     nearCorner2 = frame.pixelColor(190, 40);
        for (const QColor &other : {green, red, blue})
            QVERIFY(distance(nearCorner1, yellow) < distance(nearCorner1, other));
        for (const QColor &other : {yellow, red, blue})
            QVERIFY(distance(nearCorner2, green) < distance(nearCorner2, other));
        QCOMPARE(frame.pixelColor(10, 10), QColor(Qt::black));
    }

    void sceneMovesAndStartsAgainFromItsFirstPose() {
        TKEL_glpanel *panel = about_->KEL_glpanel1;
        QTest::qWait(250);
        const QImage earlier = panel->grabFramebuffer();
        QTest::qWait(250);
        QVERIFY(differingPixels(earlier, panel->grabFramebuffer()) > 200);

        QTest::mouseClick(about_->windowHandle(), Qt::LeftButton, {},
                          about_->KEL_grbutton4->geometry().center());
        QTRY_VERIFY(!about_->isVisible());
        QVERIFY(!panel->ThreadActive());

        about_->show();
        QVERIFY(panel->ThreadActive());
        // The clock starts at the show handler; showing a window on a loaded machine can take
        // long enough to move the shape, so the handler is timed here on its own.
        about_->FormHide();
        about_->FormShow();
        about_->KEL_glpanel1ThreadEvent();
        const QImage restarted = panel->grabFramebuffer();
        about_->FormHide();
        DrawAboutScene(*panel, 0);
        QVERIFY(differingPixels(restarted, panel->grabFramebuffer()) < 100);
    }

    // Reopened, the panel's first frame is the first pose, not the last frame it kept.
    void reopenedWindowShowsTheFirstPoseFirst() {
        TKEL_glpanel *panel = about_->KEL_glpanel1;
        QTest::qWait(300);
        about_->close();
        about_->show();
        const QImage shownFirst = panel->grabFramebuffer();
        about_->FormHide();
        DrawAboutScene(*panel, 0);
        QVERIFY(differingPixels(shownFirst, panel->grabFramebuffer()) < 100);
    }

    void firstShowingIsCentredOverItsOwner() {
        QWidget owner;
        owner.setGeometry(100, 150, 640, 480);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        Tfabout about(&owner);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.geometry().center(), owner.geometry().center());
    }

    // What the X server shows, not a frame drawn on request: each frame reaches the screen.
    void framesReachTheScreen() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("only the X server lets a client read the screen back");
        const TKEL_glpanel *panel = about_->KEL_glpanel1;
        const auto onScreen = [&] {
            const QPoint at = panel->mapTo(about_.get(), QPoint(0, 0));
            return about_->screen()
                ->grabWindow(about_->winId(), at.x(), at.y(), panel->width(), panel->height())
                .toImage();
        };
        QTest::qWait(300);
        const QImage earlier = onScreen();
        QTest::qWait(300);
        QVERIFY(differingPixels(earlier, onScreen()) > 200);
    }

    void linkOpensTheWebSite() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QTest::mouseClick(about_->windowHandle(), Qt::LeftButton, {},
                          about_->KEL_label3->geometry().center());
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(opened_, QUrl(QString::fromLatin1(Tfabout::WebAddress)));
    }
};

QUILLET_GL_TEST_MAIN(TestUaboutScene)
#include "test_uabout_gl.moc"
