#include "KEL_progressbar.h"

#include <QtTest>

namespace {

QImage renderOf(QWidget &w) {
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}

// The main window's bar: 403 by 17, lime to red over grey.
void mainWindowLook(TKEL_progressbar &bar) {
    bar.resize(403, 17);
    bar.setBorderWidth(1);
    bar.setBackColor(clGray);
    bar.setStartColor(clLime);
    bar.setEndColor(clRed);
    bar.setBorderColor(clBlue);
}

QColor band(int k) {
    return QColor(k, 255 - k, 0);
}

bool isYellowish(const QColor &c) {
    return c.red() > 100 && c.green() > 100 && c.blue() < 60;
}

// Leftmost and rightmost columns holding text ink; -1 when there is none.
std::pair<int, int> inkColumns(const QImage &image) {
    int left = -1;
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isYellowish(image.pixelColor(x, y))) {
                left = left < 0 ? x : std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

class CountingBar : public TKEL_progressbar {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++paints;
        TKEL_progressbar::paintEvent(event);
    }
};

} // namespace

class TestKelProgressbar : public QObject {
    Q_OBJECT
private slots:
    void valuesAtCreation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char *name, const QVariant &v) {
            QTest::newRow(name) << QString::fromLatin1(name) << v;
        };
        row("Version", QStringLiteral("r1.03/quillet-controls@quillet.org"));
        row("Position", 20.0);
        row("Min", 0.0);
        row("Max", 100.0);
        row("BackColor", 0);
        row("StartColor", 0x00FF00);
        row("EndColor", 0x0000FF);
        row("ShowText", false);
        row("AddToText", QStringLiteral("%"));
        row("Vertical", false);
        row("BorderWidth", 1);
        row("BorderColor", 0x808080);
        row("Caption", QString());
        row("Alignment", QStringLiteral("taCenter"));
    }
    void valuesAtCreation() {
        QFETCH(QString, name);
        QFETCH(QVariant, expected);
        TKEL_progressbar bar;
        QCOMPARE(bar.property(name.toLatin1()).toString(), expected.toString());
        QCOMPARE(bar.size(), QSize(145, 17));
        QCOMPARE(bar.Font().Color, clYellow);
    }

    void clampingSetters_data() {
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("start");
        QTest::addColumn<QString>("property");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("position");
        QTest::newRow("over Max") << 0.0 << 100.0 << 20.0 << "Position" << 150.0 << 100.0;
        QTest::newRow("under Min") << 0.0 << 100.0 << 20.0 << "Position" << -5.0 << 0.0;
        QTest::newRow("inside") << 0.0 << 100.0 << 20.0 << "Position" << 37.5 << 37.5;
        QTest::newRow("Max pulls down") << 0.0 << 100.0 << 60.0 << "Max" << 40.0 << 40.0;
        QTest::newRow("Min pulls up") << 0.0 << 100.0 << 10.0 << "Min" << 30.0 << 30.0;
        QTest::newRow("Max above leaves it") << 0.0 << 100.0 << 60.0 << "Max" << 80.0 << 60.0;
        QTest::newRow("Min under Max wins") << 50.0 << 40.0 << 45.0 << "Position" << 45.5 << 50.0;
        QTest::newRow("Max ignores Min") << 50.0 << 100.0 << 60.0 << "Max" << 20.0 << 20.0;
        QTest::newRow("not a number") << 0.0 << 100.0 << 20.0 << "Position" << qQNaN() << 20.0;
        QTest::newRow("infinite Max") << 0.0 << 100.0 << 20.0 << "Max" << qInf() << 20.0;
    }
    void clampingSetters() {
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, start);
        QFETCH(QString, property);
        QFETCH(double, value);
        QFETCH(double, position);
        TKEL_progressbar bar;
        bar.setPosition(start);
        bar.setMax(max);
        bar.setMin(min);
        QVERIFY(bar.setProperty(property.toLatin1(), value));
        QCOMPARE(bar.Position(), position);
    }

    void repaints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("other");
        auto row = [](const char *name, const QVariant &other) {
            QTest::newRow(name) << QString::fromLatin1(name) << other;
        };
        row("Position", 30.0);
        row("Min", 10.0);
        row("Max", 50.0);
        row("BackColor", clWhite);
        row("StartColor", clBlue);
        row("EndColor", clBlue);
        row("ShowText", true);
        row("AddToText", QStringLiteral(" done"));
        row("Vertical", true);
        row("BorderWidth", 2);
        row("BorderColor", clBlue);
        row("Caption", QStringLiteral("x"));
        row("Alignment", QStringLiteral("taLeftJustify"));
    }
    void repaints() {
        QFETCH(QString, name);
        QFETCH(QVariant, other);
        CountingBar bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCoreApplication::processEvents();
        const QByteArray key = name.toLatin1();

        bar.paints = 0;
        QVERIFY(bar.setProperty(key, bar.property(key)));
        QCoreApplication::processEvents();
        QCOMPARE(bar.paints, 0);

        QVERIFY(bar.setProperty(key, other));
        QCOMPARE(bar.property(key).toString(), other.toString());
        QCoreApplication::processEvents();
        QVERIFY(bar.paints > 0);
    }

    void negativeBorderWidthReadsBackAsZero() {
        CountingBar bar;
        bar.setBorderWidth(0);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCoreApplication::processEvents();
        bar.paints = 0;
        bar.setBorderWidth(-3);
        QCoreApplication::processEvents();
        QCOMPARE(bar.BorderWidth(), 0);
        QCOMPARE(bar.paints, 0);
    }

    // Band k of lime to red is (k, 255 - k, 0); the columns follow from 403 / 255 per band
    // with the whole gradient shifted one pixel right by the border.
    void gradientBands_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("k");
        QTest::newRow("band 1 starts") << 1 << 1;
        QTest::newRow("band 1 ends") << 2 << 1;
        QTest::newRow("band 2 alone") << 3 << 2;
        QTest::newRow("band 127") << 201 << 127;
        QTest::newRow("band 128") << 202 << 128;
        QTest::newRow("band 254") << 401 << 254;
        QTest::newRow("band 255") << 402 << 255;
    }
    void gradientBands() {
        QFETCH(int, column);
        QFETCH(int, k);
        TKEL_progressbar bar;
        mainWindowLook(bar);
        bar.setPosition(100);
        const QImage image = renderOf(bar);
        QCOMPARE(image.pixelColor(column, 8), band(k));
        // The outline's bottom line lies below the picture, the top line on its first row.
        QCOMPARE(image.pixelColor(column, 16), band(k));
        QCOMPARE(image.pixelColor(column, 0), ToQColor(clBlue));
    }

    void unfilledShare_data() {
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("firstBack");
        QTest::newRow("0: all background") << 0.0 << 0;
        QTest::newRow("50: from 202 (201.5 to even)") << 50.0 << 202;
        QTest::newRow("25: from 101 (100.75)") << 25.0 << 101;
        QTest::newRow("100: no background") << 100.0 << 403;
    }
    void unfilledShare() {
        QFETCH(double, position);
        QFETCH(int, firstBack);
        TKEL_progressbar bar;
        mainWindowLook(bar);
        bar.setPosition(position);
        const QImage image = renderOf(bar);
        for (int x = 1; x < 403; ++x) {
            const QColor c = image.pixelColor(x, 8);
            if (x >= firstBack)
                QCOMPARE(c, ToQColor(clGray));
            else
                QCOMPARE(c.blue(), 0);
        }
        QCOMPARE(image.pixelColor(0, 8), ToQColor(clBlue));
        QCOMPARE(image.pixelColor(200, 0), ToQColor(clBlue));
    }

    // The edge of the background brought to the nearest whole pixel, halves to even.
    void halvesGoToEven_data() {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("backPixels");
        QTest::newRow("2.5 to 2") << false << 62.5 << 2;
        QTest::newRow("1.5 to 2") << false << 37.5 << 2;
        QTest::newRow("3.5 to 4") << false << 87.5 << 0;
        QTest::newRow("vertical 2.5 to 2") << true << 37.5 << 2;
        QTest::newRow("vertical 0.5 to 0") << true << 87.5 << 0;
    }
    void halvesGoToEven() {
        QFETCH(bool, vertical);
        QFETCH(double, position);
        QFETCH(int, backPixels);
        TKEL_progressbar bar;
        bar.resize(4, 4);
        bar.setBorderWidth(0);
        bar.setBackColor(clWhite);
        bar.setVertical(vertical);
        bar.setPosition(position);
        const QImage image = renderOf(bar);
        int back = 0;
        for (int i = 0; i < 4; ++i)
            back += image.pixelColor(vertical ? 0 : i, vertical ? i : 0) == QColor(Qt::white);
        QCOMPARE(back, backPixels);
    }

    void verticalFillsFromTheBottom() {
        TKEL_progressbar bar;
        bar.resize(20, 255);
        bar.setBorderWidth(0);
        bar.setBackColor(clGray);
        bar.setVertical(true);
        bar.setPosition(100);
        QImage image = renderOf(bar);
        // One row per band: row r is band 254 - r; band 255 lies above the picture.
        QCOMPARE(image.pixelColor(10, 254), band(0));
        QCOMPARE(image.pixelColor(0, 127), band(127));
        QCOMPARE(image.pixelColor(19, 0), band(254));
        bar.setPosition(50);
        image = renderOf(bar);
        QCOMPARE(image.pixelColor(10, 127), ToQColor(clGray)); // 127.5 goes to 128
        QCOMPARE(image.pixelColor(10, 128), band(126));
    }

    void border_data() {
        QTest::addColumn<int>("borderWidth");
        QTest::addColumn<QList<int>>("borderColumns");
        QTest::addColumn<QList<int>>("borderRows");
        // On a 100 by 17 bar; right and bottom lines reach one pixel beyond the picture.
        QTest::newRow("0") << 0 << QList<int>{} << QList<int>{};
        QTest::newRow("1") << 1 << QList<int>{0} << QList<int>{0};
        QTest::newRow("2") << 2 << QList<int>{0, 1, 99} << QList<int>{0, 1, 16};
        QTest::newRow("3") << 3 << QList<int>{0, 1, 2, 98, 99} << QList<int>{0, 1, 2, 15, 16};
    }
    void border() {
        QFETCH(int, borderWidth);
        QFETCH(QList<int>, borderColumns);
        QFETCH(QList<int>, borderRows);
        TKEL_progressbar bar;
        bar.resize(100, 17);
        bar.setBorderWidth(borderWidth);
        bar.setBorderColor(clBlue);
        bar.setPosition(0);
        bar.setBackColor(clWhite);
        const QImage image = renderOf(bar);
        for (int x = 0; x < 100; ++x)
            QCOMPARE(image.pixelColor(x, 8),
                     ToQColor(borderColumns.contains(x) ? clBlue : clWhite));
        for (int y = 0; y < 17; ++y)
            QCOMPARE(image.pixelColor(50, y), ToQColor(borderRows.contains(y) ? clBlue : clWhite));
    }

    void displayText_data() {
        QTest::addColumn<bool>("showText");
        QTest::addColumn<double>("position");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("20%") << true << 20.0 << "%"
                             << ""
                             << "C"
                             << "20.00%";
        QTest::newRow("comma locale") << true << 20.0 << "%"
                                      << ""
                                      << "de_DE"
                                      << "20,00%";
        QTest::newRow("half away from zero") << true << 0.125 << ""
                                             << ""
                                             << "C"
                                             << "0.13";
        QTest::newRow("on the decimal digits") << true << 1.005 << "%"
                                               << ""
                                               << "C"
                                               << "1.01%";
        QTest::newRow("rounds up to 100") << true << 99.996 << " %"
                                          << ""
                                          << "C"
                                          << "100.00 %";
        QTest::newRow("caption") << false << 20.0 << "%"
                                 << "Busy"
                                 << "C"
                                 << "Busy";
        QTest::newRow("empty caption") << false << 20.0 << "%"
                                       << ""
                                       << "C"
                                       << "";
    }
    void displayText() {
        QFETCH(bool, showText);
        QFETCH(double, position);
        QFETCH(QString, suffix);
        QFETCH(QString, caption);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        TKEL_progressbar bar;
        bar.setShowText(showText);
        bar.setPosition(position);
        bar.setAddToText(suffix);
        bar.setCaption(caption);
        const QString text = bar.DisplayText();
        QLocale::setDefault(QLocale::c());
        QCOMPARE(text, expected);
    }

    void textPlacement_data() {
        QTest::addColumn<QString>("alignment");
        QTest::addColumn<bool>("showText");
        QTest::newRow("left") << "taLeftJustify" << true;
        QTest::newRow("right") << "taRightJustify" << true;
        QTest::newRow("centre") << "taCenter" << true;
        QTest::newRow("no text") << "taCenter" << false;
    }
    void textPlacement() {
        QFETCH(QString, alignment);
        QFETCH(bool, showText);
        TKEL_progressbar bar;
        bar.resize(200, 17);
        bar.setBorderWidth(2);
        bar.setPosition(0);
        bar.setFont(KelFont(QStringLiteral("DejaVu Sans"), -11, clYellow));
        bar.setShowText(showText);
        QVERIFY(bar.setProperty("Alignment", alignment));
        const auto [left, right] = inkColumns(renderOf(bar));
        if (!showText) {
            QCOMPARE(left, -1);
            return;
        }
        const int tw = QFontMetrics(bar.Font().toQFont()).horizontalAdvance(bar.DisplayText());
        QVERIFY(left >= 0);
        if (alignment == u"taLeftJustify") {
            QVERIFY(left >= 4 && left <= 6);
        } else if (alignment == u"taRightJustify") {
            QVERIFY(right <= 200 - 2 - 2 && right >= 200 - 4 - 3);
        } else {
            QVERIFY(std::abs((left + right) / 2 - 100) <= 2);
        }
        QVERIFY(right - left <= tw);
    }

    // At QT_SCALE_FACTOR=2 (a second ctest run) a bar drawn small and enlarged would leave
    // every 2 x 2 block one colour.
    void sharpOnHighDensityScreens() {
        TKEL_progressbar bar;
        bar.resize(200, 17);
        bar.setShowText(true);
        bar.setPosition(40);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        if (bar.devicePixelRatioF() != 2.0)
            QSKIP("needs a scale factor of 2");
        const QImage image = bar.grab().toImage();
        int detailed = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                detailed +=
                    image.copy(x, y, 2, 2).convertToFormat(QImage::Format_Indexed8).colorCount() >
                    1;
        QVERIFY2(detailed > 20, "drawn at half resolution");
    }
};

QTEST_MAIN(TestKelProgressbar)
#include "test_KEL_progressbar.moc"
