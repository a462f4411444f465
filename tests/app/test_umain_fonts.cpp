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

void TestUmainFonts::captionsFit_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("next"); // the control to its right; empty: the panel's edge
    const auto row = [](const char *caption, const char *next) {
        QTest::newRow(caption) << QString::fromLatin1(caption) << QString::fromLatin1(next);
    };
    row("Label1", "Label5"); // "Files to Convert:" then "(Right click the list)"
    row("Label5", "");
    row("Label10", "");
    row("Label3", "");
    row("Label4", "Label7"); // "Output size:" then "width"
    row("Label7", "KEL_edit3");
    row("Label8", "KEL_edit4");
    row("Label9", "Panel1");       // "Fill color:"
    row("CheckBox1", "CheckBox4"); // "Maintain aspect ratio" then "Add this as file extension"
    row("CheckBox4", "");
    row("CheckBox2", "CheckBox3"); // "Transparent" then "Allow overwrite existing files"
    row("CheckBox3", "");
    row("CheckBox5", "");
}

void TestUmainFonts::captionsFit() {
    QFETCH(QString, caption);
    QFETCH(QString, next);
    TempFolder dir;
    TForm1 form(dir.filePath(QStringLiteral("Quillet.ini")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto *control = form.findChild<QWidget *>(caption);
    QVERIFY(control);
    const int needed = control->sizeHint().width();
    QVERIFY2(control->width() >= needed,
             qPrintable(QStringLiteral("cut off: %1 of %2 pixels shown in %3")
                            .arg(control->width())
                            .arg(needed)
                            .arg(QFontInfo(control->font()).family())));
    const auto *right = next.isEmpty() ? nullptr : form.findChild<QWidget *>(next);
    QVERIFY(next.isEmpty() || right);
    const int limit = right ? right->x() : control->parentWidget()->width();
    QVERIFY2(control->x() + needed <= limit,
             qPrintable(QStringLiteral("runs %1 pixels into %2 in %3")
                            .arg(control->x() + needed - limit)
                            .arg(right ? next : QStringLiteral("the edge"))
                            .arg(QFontInfo(control->font()).family())));
}

QTEST_MAIN(TestUmainFonts)
#include "test_umain_fonts.moc"
