// The main window's small pure pieces: log texts, the error report's full
// stop, open-dialog filters and anchored placement.
#include "anchors.h"
#include "errorreport.h"
#include "filefilter.h"
#include "logtext.h"
#include "previewimage.h"

#include <QtTest>

class TestAppHelpers : public QObject {
    Q_OBJECT
private slots:
    void longTimeFormatDropsTheZone_data();
    void longTimeFormatDropsTheZone();
    void logLineJoinsTimeAndMessage();
    void secondsText_data();
    void secondsText();
    void errorReportText_data();
    void errorReportText();
    void nameFilters();
    void anchoredRect_data();
    void anchoredRect();
    void pictureRect_data();
    void pictureRect();
};

void TestAppHelpers::longTimeFormatDropsTheZone_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << "C";
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("de_DE") << "de_DE";
    QTest::newRow("fr_FR") << "fr_FR";
    QTest::newRow("ja_JP") << "ja_JP";
}

void TestAppHelpers::longTimeFormatDropsTheZone() {
    QFETCH(QString, locale);
    const QLocale l(locale);
    const QString format = LongTimeFormat(l);
    QVERIFY2(!format.contains(QLatin1Char('t')), qPrintable(format));
    QVERIFY(format.contains(QStringLiteral("ss")));
    QCOMPARE(format, format.trimmed());
    // Everything but the zone stays: the long text starts with the shortened one.
    const QTime time(14, 3, 27);
    const QString full = l.toString(time, QLocale::LongFormat);
    QVERIFY2(full.startsWith(l.toString(time, format)) || full.endsWith(l.toString(time, format)),
             qPrintable(full + QStringLiteral(" / ") + l.toString(time, format)));
}

void TestAppHelpers::logLineJoinsTimeAndMessage() {
    QCOMPARE(LogLine(QTime(14, 3, 27), QStringLiteral("Finished (3.27s)."), QLocale::c()),
             QStringLiteral("14:03:27> Finished (3.27s)."));
    QCOMPARE(LogLine(QTime(9, 5, 7), QStringLiteral("x"), QLocale(QStringLiteral("de_DE"))),
             QStringLiteral("09:05:07> x"));
}

void TestAppHelpers::secondsText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two decimals") << "C" << 3.27 << "3.27";
    QTest::newRow("zero") << "C" << 0.0 << "0.00";
    QTest::newRow("pads") << "C" << 1.5 << "1.50";
    QTest::newRow("rounds") << "C" << 2.346 << "2.35";
    // An exact half of a hundredth goes up, not to the even neighbour.
    QTest::newRow("half away from zero") << "C" << 0.125 << "0.13";
    QTest::newRow("half from milliseconds") << "C" << 1005 / 1000.0 << "1.01";
    QTest::newRow("no grouping") << "en_US" << 12345.678 << "12345.68";
    QTest::newRow("decimal comma") << "de_DE" << 3.27 << "3,27";
    QTest::newRow("decimal comma, no grouping") << "de_DE" << 1234.5 << "1234,50";
}

void TestAppHelpers::secondsText() {
    QFETCH(QString, locale);
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    QCOMPARE(SecondsText(seconds, QLocale(locale)), expected);
}

void TestAppHelpers::errorReportText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letter") << "Unable to write to /x/Quillet.ini"
                            << "Unable to write to /x/Quillet.ini.";
    QTest::newRow("digit") << "Error 5"
                           << "Error 5.";
    QTest::newRow("full stop kept") << "Done."
                                    << "Done.";
    QTest::newRow("exclamation sorts before") << "Stop!"
                                              << "Stop!";
    QTest::newRow("closing bracket sorts before") << "(x)"
                                                  << "(x)";
    QTest::newRow("slash sorts after") << "/tmp/"
                                       << "/tmp/.";
    QTest::newRow("quote sorts before") << "'x' is not a valid integer value"
                                        << "'x' is not a valid integer value.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestAppHelpers::errorReportText() {
    QFETCH(QString, message);
    QFETCH(QString, expected);
    QCOMPARE(ErrorReportText(message), expected);
}

void TestAppHelpers::nameFilters() {
    QCOMPARE(
        NameFiltersFromFilter(
            QStringLiteral("Jpegs (*.jpg, *.jpeg)|*.jpg;*.jpeg|All Files (*.*)|*.*")),
        QStringList({QStringLiteral("Jpegs (*.jpg *.jpeg)"), QStringLiteral("All Files (*)")}));
}

void TestAppHelpers::anchoredRect_data() {
    QTest::addColumn<int>("anchors");
    QTest::addColumn<QRect>("expected");
    // A 80 x 25 control at 328, 171 of a 417 x 353 parent that grows by 100 x 50.
    QTest::newRow("top left") << int(akTopLeft) << QRect(328, 171, 80, 25);
    QTest::newRow("bottom left") << int(akBottomLeft) << QRect(328, 221, 80, 25);
    QTest::newRow("bottom right") << int(akBottomRight) << QRect(428, 221, 80, 25);
    QTest::newRow("stretch bottom") << int(akStretchBottom) << QRect(328, 221, 180, 25);
    QTest::newRow("top stretch") << int(akTopStretch) << QRect(328, 171, 180, 25);
    QTest::newRow("all") << int(akAll) << QRect(328, 171, 180, 75);
}

void TestAppHelpers::anchoredRect() {
    QFETCH(int, anchors);
    QFETCH(QRect, expected);
    QCOMPARE(AnchoredRect(QRect(328, 171, 80, 25), Anchors::fromInt(anchors), QSize(417, 353),
                          QSize(517, 403)),
             expected);
}

void TestAppHelpers::pictureRect_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    // The area is 72 x 127.
    QTest::newRow("fits: natural size") << QSize(40, 30) << QRect(0, 0, 40, 30);
    QTest::newRow("exactly fits") << QSize(72, 127) << QRect(0, 0, 72, 127);
    QTest::newRow("too wide") << QSize(640, 480) << QRect(0, 0, 72, 54);
    QTest::newRow("too tall") << QSize(50, 254) << QRect(0, 0, 25, 127);
}

void TestAppHelpers::pictureRect() {
    QFETCH(QSize, picture);
    QFETCH(QRect, expected);
    QCOMPARE(TImage::PictureRect(picture, QSize(72, 127)), expected);
}

QTEST_MAIN(TestAppHelpers)
#include "test_apphelpers.moc"
