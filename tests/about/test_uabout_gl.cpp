// The About window on an X server: the scene it draws, its buttons and its link. Without
// one every case skips.
#include "KEL_glpanel.h"
#include "KEL_grbutton.h"
#include "KEL_label.h"
#include "aboutscene.h"
#include "uabout.h"

#include <QDesktopServices>
#include <QMatrix4x4>
#include <QSurfaceFormat>
#include <QtTest>

#include <array>

namespace {

// Where a point of the scene lands on the panel.
QPointF project(const QVector3D &point, QSize size) {
    QMatrix4x4 m;
    m.perspective(45, float(size.width()) / float(size.height()), 0.1f, 100);
    m.lookAt({5, 5, 5}, {0, 0, 0}, {0, 0, 1});
    const QVector3D ndc = m.map(point);
    return {(ndc.x() + 1) / 2 * size.width(), (1 - ndc.y()) / 2 * size.height()};
}

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
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("OpenGL needs an X server (platform xcb)");
        about_ = std::make_unique<Tfabout>();
        about_->show();
        QVERIFY(QTest::qWaitForWindowExposed(about_.get()));
        QTRY_VERIFY(about_->KEL_glpanel1->Init());
    }
    void cleanup() { about_.reset(); }

    // At t = 0 neither rotation turns and the shape sits at (0, 5, 0): corners 1 and 2 are
    // on the panel in their own colours, the rest of it is the black background.
    void firstPoseShowsTheCornerColours() {
        TKEL_glpanel *panel = about_->KEL_glpanel1;
        about_->FormHide();
        DrawAboutScene(*panel, 0);
        const QImage frame = panel->grabFramebuffer();
        const std::array<QVector3D, 4> corners = {QVector3D(-2, 3, -2), QVector3D(-2, 3, 2),
                                                  QVector3D(-2, 7, 2), QVector3D(2, 7, 2)};
        const std::array<QColor, 4> colours = {QColor(255, 255, 0), QColor(0, 128, 0),
                                               QColor(255, 0, 0), QColor(0, 0, 255)};
        QPointF centre;
        for (const QVector3D &c : corners)
            centre += project(c, panel->size()) / 4;
        for (int i : {0, 1}) {
            const QPointF corner = project(corners[i], panel->size());
            const QColor seen = frame.pixelColor((corner + (centre - corner) * 0.08).toPoint());
            for (int other = 0; other < 4; ++other)
                QVERIFY2(
                    other == i || distance(seen, colours[i]) < distance(seen, colours[other]),
                    qPrintable(QStringLiteral("corner %1 looks %2").arg(i + 1).arg(seen.name())));
        }
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
        about_->KEL_glpanel1ThreadEvent();
        const QImage reopened = panel->grabFramebuffer();
        about_->FormHide();
        DrawAboutScene(*panel, 0);
        QVERIFY(differingPixels(reopened, panel->grabFramebuffer()) < 100);
    }

    void linkOpensTheWebSite() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QTest::mouseClick(about_->windowHandle(), Qt::LeftButton, {},
                          about_->KEL_label3->geometry().center());
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(opened_, QUrl(QString::fromLatin1(Tfabout::WebAddress)));
    }

    void updateButtonOpensTheUpdateWindowOverIt() {
        QDialog update;
        about_->setUpdateWindow(&update);
        bool overIt = false;
        QTimer::singleShot(0, &update, [&] {
            overIt = QApplication::activeModalWidget() == &update && about_->isVisible();
            update.reject();
        });
        QTest::mouseClick(about_->windowHandle(), Qt::LeftButton, {},
                          about_->KEL_grbutton1->geometry().center());
        QVERIFY(overIt);
    }
};

int main(int argc, char **argv) {
    // OpenGL widgets need a real X server; without one (offscreen) every case skips.
    qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());
    QApplication app(argc, argv);
    TestUaboutScene test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_uabout_gl.moc"
