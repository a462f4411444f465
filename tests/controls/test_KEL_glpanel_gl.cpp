// Frames read back from the panel; they need an X server and skip without one.
#include "../gltestmain.h"

#include <GL/gl.h>

#include <memory>

namespace {

// A white square facing the camera, centred on the origin.
void drawFacingSquare(TKEL_glpanel *panel) {
    panel->DrawQuad(-1.67, 0.45, 1.22, clWhite, 0.45, -1.67, 1.22, clWhite, 1.67, -0.45, -1.22,
                    clWhite, -0.45, 1.67, -1.22, clWhite);
}

} // namespace

class TestKelGlpanelFrames : public QObject {
    Q_OBJECT
    std::unique_ptr<QWidget> window_;
    TKEL_glpanel *panel_ = nullptr;

    QColor frame(int x, int y) { return panel_->grabFramebuffer().pixelColor(x, y); }

private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        panel_ = new TKEL_glpanel(window_.get());
        panel_->setGeometry(8, 8, 225, 121);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTRY_VERIFY(panel_->Init());
    }
    void cleanup() { window_.reset(); }

    void showsItsFaceBeforeTheFirstFrame() {
        panel_->setColor(clNavy);
        QCOMPARE(frame(20, 60), QColor(0, 0, 128));
        QCOMPARE(frame(0, 0), QColor(Qt::white)); // the raised bevel
    }

    void backgroundClearsToItsBytes_data() {
        QTest::addColumn<int>("background");
        QTest::addColumn<QColor>("cleared");
        QTest::newRow("00FF8040") << 0x00FF8040 << QColor(64, 128, 255);
        QTest::newRow("system colour unresolved") << int(clBtnFace) << QColor(15, 0, 0);
    }
    void backgroundClearsToItsBytes() {
        QFETCH(int, background);
        QFETCH(QColor, cleared);
        panel_->setBackground(background);
        panel_->BeginFrame();
        panel_->EndFrame();
        QCOMPARE(frame(3, 3), cleared);
    }

    // The square's middle row: filled, white at the centre; outlined, black there but
    // crossed by the outline.
    void wireFrameDrawsOutlinesOnly() {
        for (bool wire : {false, true}) {
            panel_->setWireFrame(wire);
            panel_->BeginFrame();
            drawFacingSquare(panel_);
            panel_->EndFrame();
            const QImage image = panel_->grabFramebuffer();
            QCOMPARE(image.pixelColor(112, 60), wire ? QColor(Qt::black) : QColor(Qt::white));
            int whiteInRow = 0;
            for (int x = 0; x < image.width(); ++x)
                whiteInRow += image.pixelColor(x, 60) == Qt::white;
            QVERIFY(wire ? whiteInRow > 0 && whiteInRow < 5 : whiteInRow > 40);
        }
    }

    // A second EndFrame shows nothing new (counting paints would also count the exposures
    // that other windows on the display cause).
    void endFrameEndsOneFrameOnly() {
        panel_->setBackground(0x00FF8040);
        panel_->BeginFrame();
        QVERIFY(panel_->FrameBegun());
        panel_->EndFrame();
        QVERIFY(!panel_->FrameBegun());
        drawFacingSquare(panel_);
        panel_->EndFrame();
        QCOMPARE(frame(112, 60), QColor(64, 128, 255));
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

QUILLET_GL_TEST_MAIN(TestKelGlpanelFrames)
#include "test_KEL_glpanel_gl.moc"
