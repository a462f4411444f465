#include "KEL_common.h"

#include <QApplication>
#include <QPalette>
#include <QtTest>

class TestKelCommon : public QObject {
    Q_OBJECT
private slots:
    void plainColoursConvertByteForByte() {
        QCOMPARE(ToQColor(clNavy), QColor(0, 0, 128));
        QCOMPARE(ToQColor(0x00CCCCCC), QColor(204, 204, 204));
        QCOMPARE(ToQColor(0x0080FFFF), QColor(255, 255, 128));
    }
    void systemColoursFollowThePalette() {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Button, QColor(1, 2, 3));
        QApplication::setPalette(p);
        QCOMPARE(ToQColor(clBtnFace), QColor(1, 2, 3));
        InstallPaletteColorResolver();
        QCOMPARE(ResolveColor(clBtnFace), rgbColor(1, 2, 3));
    }
    void fontHeightIsPixelHeight() {
        KelFont f(QStringLiteral("Tahoma"), -11, clRed, true);
        QFont q = f.toQFont();
        QCOMPARE(q.pixelSize(), 11);
        QVERIFY(q.bold());
        QCOMPARE(f.qcolor(), QColor(255, 0, 0));
        KelFont copy = f;
        QCOMPARE(copy, f);
    }
};

QTEST_MAIN(TestKelCommon)
#include "test_KEL_common.moc"
