// Frames read back from the panel; they need an X server and skip without one.
#include "KEL_glpanel.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QtTest>

#include <GL/gl.h>

#include <memory>

namespace {

class CountingPanel : public TKEL_glpanel {
public:
    int paints = 0;

protected:
    void paintGL() override {
        ++paints;
        TKEL_glpanel::paintGL();
    }
};

QColor pixel(TKEL_glpanel *panel, int x, int y) {
    return panel->grabFramebuffer().pixelColor(x, y);
}

int countPixels(const QImage &image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

// A white square facing the camera, centred on the origin.
void drawFacingSquare(TKEL_glpanel *panel) {
    panel->DrawQuad(-1.67, 0.45, 1.22, clWhite, 0.45, -1.67, 1.22, clWhite, 1.67, -0.45, -1.22,
                    clWhite, -0.45, 1.67, -1.22, clWhite);
}

} // namespace

class TestKelGlpanelFrames : public QObject {
    Q_OBJECT
    std::unique_ptr<QWidget> window_;
    CountingPanel *panel_ = nullptr;

private slots:
    void init() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("OpenGL frames need an X server (platform xcb)");
        window_ = std::make_unique<QWidget>();
        panel_ = new CountingPanel;
        panel_->setParent(window_.get());
        panel_->setGeometry(8, 8, 225, 121);
        window_->resize(241, 137);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTRY_VERIFY(panel_->Init());
    }
    void cleanup() { window_.reset(); }

    void showsItsFaceBeforeTheFirstFrame() {
        panel_->setColor(clNavy);
        QCOMPARE(pixel(panel_, 20, 60), QColor(0, 0, 128));
        QCOMPARE(pixel(panel_, 0, 0), QColor(Qt::white));
    }

    void backgroundClearsToItsBytes_data() {
        QTest::addColumn<int>("background");
        QTest::addColumn<QColor>("cleared");
        QTest::newRow("black") << int(clBlack) << QColor(0, 0, 0);
        QTest::newRow("00FF8040") << 0x00FF8040 << QColor(64, 128, 255);
        QTest::newRow("system colour unresolved") << int(clBtnFace) << QColor(15, 0, 0);
    }
    void backgroundClearsToItsBytes() {
        QFETCH(int, background);
        QFETCH(QColor, cleared);
        panel_->setBackground(background);
        panel_->BeginFrame();
        panel_->EndFrame();
        QCOMPARE(pixel(panel_, 3, 3), cleared);
    }

    void wireFrameDrawsOutlinesOnly() {
        int whiteFilled = 0;
        for (bool wire : {false, true}) {
            panel_->setWireFrame(wire);
            panel_->BeginFrame();
            drawFacingSquare(panel_);
            panel_->EndFrame();
            const QImage frame = panel_->grabFramebuffer();
            const int white = countPixels(frame, qRgb(255, 255, 255));
            QCOMPARE(frame.pixelColor(112, 60), wire ? QColor(Qt::black) : QColor(Qt::white));
            if (!wire)
                whiteFilled = white;
            else
                QVERIFY2(white > 40 && white < whiteFilled / 4, qPrintable(QString::number(white)));
        }
    }

    void endFrameShowsEachFrameOnce() {
        const int before = panel_->paints;
        panel_->BeginFrame();
        QVERIFY(panel_->FrameBegun());
        panel_->EndFrame();
        QVERIFY(!panel_->FrameBegun());
        QTRY_VERIFY(panel_->paints > before);
        const int shown = panel_->paints;
        panel_->EndFrame();
        QTest::qWait(50);
        QCOMPARE(panel_->paints, shown);
    }

    // A repaint (another window passing over) shows the last frame again, not the face.
    void repaintKeepsTheLastFrame() {
        panel_->setBackground(0x00FF8040);
        panel_->BeginFrame();
        drawFacingSquare(panel_);
        panel_->EndFrame();
        panel_->setCaption(QStringLiteral("repaint"));
        const QImage again = panel_->grabFramebuffer();
        QCOMPARE(again.pixelColor(3, 3), QColor(64, 128, 255));
        QCOMPARE(again.pixelColor(112, 60), QColor(Qt::white));
    }

    void aspectFollowsTheSizeOnlyWhenAuto_data() {
        QTest::addColumn<bool>("autoAspect");
        QTest::addColumn<double>("aspect");
        QTest::newRow("auto") << true << 225.0 / 121.0;
        QTest::newRow("fixed at construction") << false << 185.0 / 41.0;
    }
    void aspectFollowsTheSizeOnlyWhenAuto() {
        QFETCH(bool, autoAspect);
        QFETCH(double, aspect);
        panel_->setAutoAspect(autoAspect);
        panel_->BeginFrame();
        panel_->EndFrame();
        panel_->grabFramebuffer();
        panel_->makeCurrent();
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        panel_->doneCurrent();
        QVERIFY(qAbs(m[5] / m[0] - aspect) < 1e-4);
    }
};

int main(int argc, char **argv) {
    // OpenGL widgets need a real X server; without one (offscreen) every case skips.
    qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    QSurfaceFormat::setDefaultFormat(TKEL_glpanel::SurfaceFormat());
    QApplication app(argc, argv);
    TestKelGlpanelFrames test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_KEL_glpanel_gl.moc"
