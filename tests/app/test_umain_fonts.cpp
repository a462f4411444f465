// The main window's captions in whatever face the system has for the window's classic font:
// none runs into the control beside it or is cut off. ctest runs it twice: with the fonts
// installed, and with DejaVu alone (FONTCONFIG_FILE), a face wider than the layout's.
#include "tempfolder.h"
#include "umain.h"

#include <QtTest>

class TestUmainFonts : public QObject {
    Q_OBJECT
private slots:
    void captionsFit_data();
    void captionsFit();
};

// "caption>the control to its right"; a caption alone ends at its panel's edge.
void TestUmainFonts::captionsFit_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("next");
    for (const QString &row :
         QStringLiteral("Label1>Label5 Label5 Label10 Label3 Label4>Label7 Label7>KEL_edit3 "
                        "Label8>KEL_edit4 Label9>Panel1 CheckBox1>CheckBox4 CheckBox4 "
                        "CheckBox2>CheckBox3 CheckBox3 CheckBox5")
             .split(QLatin1Char(' ')))
        QTest::newRow(qPrintable(row))
            << row.section(QLatin1Char('>'), 0, 0) << row.section(QLatin1Char('>'), 1, 1);
}

void TestUmainFonts::captionsFit() {
    QFETCH(QString, caption);
    QFETCH(QString, next);
    TempFolder dir;
    TForm1 form(dir.filePath(QStringLiteral("Quillet.ini")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto *control = form.findChild<QWidget *>(caption);
    const auto *right = next.isEmpty() ? control->parentWidget() : form.findChild<QWidget *>(next);
    const int needed = control->sizeHint().width();
    const QByteArray face = QFontInfo(control->font()).family().toUtf8();
    QVERIFY2(control->width() >= needed, face);
    QVERIFY2(control->x() + needed <= (next.isEmpty() ? right->width() : right->x()), face);
}

QTEST_MAIN(TestUmainFonts)
#include "test_umain_fonts.moc"
