#include "KEL_edit.h"
#include "realpointer.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {

KelFont namedFont(const QString &name, int height, bool bold) {
    return KelFont(name, height, clNavy, bold);
}

} // namespace

class TestKelEdit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void startsWithTheDocumentedValues() {
        TKEL_edit box;
        QCOMPARE(box.property("Version").toString(),
                 QStringLiteral("r1.08/quillet-controls@quillet.org"));
        QCOMPARE(box.EditMode(), mTextEdit);
        QCOMPARE(box.Decimals(), 2);
        QCOMPARE(box.ColorIn(), clLime);
        QCOMPARE(box.ColorOut(), clWhite);
        QCOMPARE(box.ColorMouse(), clYellow);
        QCOMPARE(box.Color(), clWhite);
        QCOMPARE(box.Alignment(), TKEL_edit::taLeftJustify);
        QVERIFY(!box.Wordwrap());
        QVERIFY(!box.Multiline());
        QVERIFY(!box.ValueRange());
        QVERIFY(box.FontSynchronize());
        QCOMPARE(box.ValueMin(), 0.0);
        QCOMPARE(box.ValueMax(), 0.0);
        QCOMPARE(box.size(), QSize(80, 22));
        QCOMPARE(box.FontEditing(), box.Font());
        QCOMPARE(box.FontMouseOver(), box.Font());
        QVERIFY(!box.setProperty("Version", QStringLiteral("x")));
        QCOMPARE(box.Version(), QStringLiteral("r1.08/quillet-controls@quillet.org"));
    }

    void propertiesAreSettableByName() {
        TKEL_edit box;
        box.setText(QStringLiteral("25"));
        QVERIFY(box.setProperty("ValueRange", true));
        QVERIFY(box.setProperty("ValueMax", 10.0));
        QVERIFY(box.setProperty("EditMode", QStringLiteral("mNumEdit")));
        QCOMPARE(box.EditMode(), mNumEdit);
        QCOMPARE(box.Text(), QStringLiteral("10"));
        QVERIFY(box.setProperty("Alignment", QStringLiteral("taRightJustify")));
        QCOMPARE(qobject_cast<QLineEdit *>(box.editor())->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
        QVERIFY(box.setProperty("ColorIn", int(clRed)));
        QCOMPARE(box.ColorIn(), clRed);
        const KelFont f = namedFont(QStringLiteral("Serif"), -14, true);
        QVERIFY(box.setProperty("Font", QVariant::fromValue(f)));
        QCOMPARE(box.Font(), f);
        QCOMPARE(box.editor()->font().pixelSize(), 14);
        QVERIFY(box.editor()->font().bold());
    }

    void validateText_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("range");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<QString>("expected");

        const int num = mNumEdit, flt = mFloatEdit, txt = mTextEdit;
        QTest::newRow("num letter cuts") << num << "12a34" << 2 << false << 0.0 << 0.0 << "12";
        QTest::newRow("num leading space") << num << " 5" << 2 << false << 0.0 << 0.0 << "0";
        QTest::newRow("num sign after digit") << num << "1-2" << 2 << false << 0.0 << 0.0 << "0";
        QTest::newRow("num minus alone") << num << "-" << 2 << false << 0.0 << 0.0 << "0";
        QTest::newRow("num hex cut") << num << "$1F" << 2 << false << 0.0 << 0.0 << "$1";
        QTest::newRow("num keeps hex form") << num << "$10" << 2 << false << 0.0 << 0.0 << "$10";
        QTest::newRow("num keeps plus") << num << "+5" << 2 << false << 0.0 << 0.0 << "+5";
        QTest::newRow("num empty") << num << "" << 2 << false << 0.0 << 0.0 << "0";
        QTest::newRow("num overflow") << num << "2147483648" << 2 << false << 0.0 << 0.0 << "0";
        QTest::newRow("num above range") << num << "25" << 2 << true << 1.0 << 10.5 << "10";
        QTest::newRow("num below range") << num << "-3" << 2 << true << 1.0 << 10.5 << "1";
        QTest::newRow("num inside range") << num << "7" << 2 << true << 1.0 << 10.5 << "7";
        QTest::newRow("num max half to even") << num << "9" << 2 << true << 0.5 << 2.5 << "2";
        QTest::newRow("num min half to even") << num << "-1" << 2 << true << 0.5 << 2.5 << "0";
        QTest::newRow("num empty is clamped") << num << "" << 2 << true << 1.0 << 10.0 << "1";
        QTest::newRow("num min wins") << num << "4" << 2 << true << 5.0 << 3.0 << "5";
        QTest::newRow("num range ignored off") << num << "25" << 2 << false << 1.0 << 10.0 << "25";
        QTest::newRow("flt rounds") << flt << "3.14159" << 2 << false << 0.0 << 0.0 << "3.14";
        QTest::newRow("flt pads") << flt << "5" << 2 << false << 0.0 << 0.0 << "5.00";
        QTest::newRow("flt empty") << flt << "" << 2 << false << 0.0 << 0.0 << "0.00";
        QTest::newRow("flt two points") << flt << "1.2.3" << 2 << false << 0.0 << 0.0 << "0.00";
        QTest::newRow("flt unit cut") << flt << "2.5kg" << 2 << false << 0.0 << 0.0 << "2.50";
        QTest::newRow("flt half away") << flt << "0.125" << 2 << false << 0.0 << 0.0 << "0.13";
        QTest::newRow("flt decimal half") << flt << "-1.005" << 2 << false << 0.0 << 0.0 << "-1.01";
        QTest::newRow("flt carry") << flt << "9.999" << 2 << false << 0.0 << 0.0 << "10.00";
        QTest::newRow("flt no minus zero") << flt << "-0.001" << 2 << false << 0.0 << 0.0 << "0.00";
        QTest::newRow("flt sign only") << flt << "+" << 2 << false << 0.0 << 0.0 << "0.00";
        QTest::newRow("flt leading point") << flt << ".5" << 1 << false << 0.0 << 0.0 << "0.5";
        QTest::newRow("flt decimals 0 keeps")
            << flt << "3.10" << 0 << false << 0.0 << 0.0 << "3.10";
        QTest::newRow("flt decimals 0 clamps general")
            << flt << "3.10" << 0 << true << 0.0 << 2.5 << "2.5";
        QTest::newRow("flt below range") << flt << "-4" << 3 << true << -1.25 << 2.5 << "-1.250";
        QTest::newRow("flt huge bound reparsed") << flt << "300000000000000000000" << 1 << true
                                                 << 0.0 << 1e20 << "100000000000000000000.0";
        QTest::newRow("txt untouched") << txt << " a b " << 2 << true << 1.0 << 2.0 << " a b ";
        QTest::newRow("txt empty untouched") << txt << "" << 2 << false << 0.0 << 0.0 << "";
    }

    void validateText() {
        QFETCH(int, mode);
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(bool, range);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(QString, expected);
        TKEL_edit box;
        box.setEditMode(TKEL_edit::tkeleditmode(mode));
        box.setDecimals(decimals);
        box.setValueRange(range);
        box.setValueMin(min);
        box.setValueMax(max);
        box.setText(text);
        box.ValidateText();
        QCOMPARE(box.Text(), expected);
    }

    void decimalModeUsesTheLocaleSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TKEL_edit box;
        box.setEditMode(mFloatEdit);
        box.setText(QStringLiteral("3,14159"));
        box.ValidateText();
        QCOMPARE(box.Text(), QStringLiteral("3,14"));
        box.setText(QStringLiteral("2.5"));
        box.ValidateText();
        QCOMPARE(box.Text(), QStringLiteral("2,00"));
    }

    void integerValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("decimal") << "12.5" << 0;
        QTest::newRow("trailing space") << "5 " << 0;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("plus") << "+5" << 5;
        QTest::newRow("leading space") << " 5" << 5;
        QTest::newRow("dollar hex") << "$10" << 16;
        QTest::newRow("bit pattern") << "$FFFFFFFF" << -1;
        QTest::newRow("uncut text") << "12a34" << 0;
        QTest::newRow("too wide") << "$100000000" << 0;
    }

    void integerValue() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        TKEL_edit box;
        box.setEditMode(mFloatEdit);
        box.setText(text);
        QCOMPARE(box.IntegerValue(), expected);
        QCOMPARE(box.Text(), text);
    }

    void keysAreFiltered_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("num drops letter") << int(mNumEdit) << "1a2"
                                          << "12";
        QTest::newRow("num drops point comma space") << int(mNumEdit) << "1.2, 3"
                                                     << "123";
        QTest::newRow("num takes dollar minus anywhere") << int(mNumEdit) << "1-$2+"
                                                         << "1-$2+";
        QTest::newRow("flt takes point") << int(mFloatEdit) << "2.5e3"
                                         << "2.53";
        QTest::newRow("flt drops dollar") << int(mFloatEdit) << "$-1"
                                          << "-1";
        QTest::newRow("txt takes all") << int(mTextEdit) << "a $.b"
                                       << "a $.b";
    }

    void keysAreFiltered() {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        TKEL_edit box;
        box.setEditMode(TKEL_edit::tkeleditmode(mode));
        box.setText(QString());
        QTest::keyClicks(box.editor(), typed);
        QCOMPARE(box.Text(), expected);
    }

    void backspaceStillWorksInNumberMode() {
        TKEL_edit box;
        box.setEditMode(mNumEdit); // cleans the empty text to "0"
        box.setText(QString());
        QTest::keyClicks(box.editor(), QStringLiteral("123"));
        QTest::keyClick(box.editor(), Qt::Key_Backspace);
        QCOMPARE(box.Text(), QStringLiteral("12"));
    }

    void clipboardShortcutsAreDroppedInNumberModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("num") << int(mNumEdit) << "1";
        QTest::newRow("flt") << int(mFloatEdit) << "1.00";
        QTest::newRow("txt") << int(mTextEdit) << "199";
    }

    void clipboardShortcutsAreDroppedInNumberModes() {
        QFETCH(int, mode);
        QFETCH(QString, expected);
        QApplication::clipboard()->setText(QStringLiteral("99"));
        TKEL_edit box;
        box.setEditMode(TKEL_edit::tkeleditmode(mode));
        box.setText(QStringLiteral("1"));
        box.ValidateText();
        qobject_cast<QLineEdit *>(box.editor())->end(false);
        QTest::keyClick(box.editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box.Text(), expected);
    }

    void enterCleansTheTextInNumberModesOnly_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("num") << int(mNumEdit) << "12";
        QTest::newRow("txt") << int(mTextEdit) << "12a34";
    }

    void enterCleansTheTextInNumberModesOnly() {
        QFETCH(int, mode);
        QFETCH(QString, expected);
        TKEL_edit box;
        box.setEditMode(TKEL_edit::tkeleditmode(mode));
        box.setText(QStringLiteral("12a34"));
        QTest::keyClick(box.editor(), Qt::Key_Return);
        QCOMPARE(box.Text(), expected);
    }

    void settersThatCleanAndSettersThatOnlyStore() {
        TKEL_edit box;
        box.setText(QStringLiteral("abc"));
        box.setEditMode(mNumEdit);
        QCOMPARE(box.Text(), QStringLiteral("0"));

        box.setText(QStringLiteral("25"));
        box.setValueMax(10);
        QCOMPARE(box.Text(), QStringLiteral("25")); // range still off
        box.setValueRange(true);
        QCOMPARE(box.Text(), QStringLiteral("25")); // a write only stores
        box.setValueMax(10);
        QCOMPARE(box.Text(), QStringLiteral("25")); // unchanged value: nothing runs
        box.setValueMax(12);
        QCOMPARE(box.Text(), QStringLiteral("12"));
        box.setText(QStringLiteral("-4"));
        box.setValueMin(-2);
        QCOMPARE(box.Text(), QStringLiteral("-2"));

        box.setEditMode(mFloatEdit);
        QCOMPARE(box.Text(), QStringLiteral("-2.00"));
        box.setDecimals(3);
        QCOMPARE(box.Text(), QStringLiteral("-2.000"));
    }

    void cleaningRaisesOnChangeOnlyWhenTheTextChanges() {
        TKEL_edit box;
        box.setEditMode(mNumEdit);
        box.setText(QStringLiteral("42"));
        QSignalSpy changes(&box, &TKEL_edit::OnChange);
        box.ValidateText();
        QCOMPARE(changes.count(), 0);
        box.setText(QStringLiteral("4x2"));
        box.ValidateText();
        QCOMPARE(changes.count(), 2);
    }

    void colourSettersLeaveTheCurrentColour() {
        QWidget window;
        window.resize(200, 100);
        new QLineEdit(&window); // takes the window's first focus
        auto *box = new TKEL_edit(&window);
        box->move(0, 40);
        box->setColorOut(clRed);
        box->setColorIn(clNavy);
        box->setColorMouse(clGray);
        RealPointer pointer(box);
        QCOMPARE(box->Color(), clWhite);
        pointer.move(box, QPoint(5, 5));
        QCOMPARE(box->Color(), clGray);
        pointer.away();
        QCOMPARE(box->Color(), clRed);
    }

    void fontSynchronizeCopiesTheNameOnly() {
        TKEL_edit box;
        const KelFont normal = box.Font();
        box.setFontMouseOver(namedFont(QStringLiteral("Over"), -20, true));
        QCOMPARE(box.FontEditing().Name, QStringLiteral("Over"));
        QCOMPARE(box.FontEditing().Height, normal.Height);
        QCOMPARE(box.FontEditing().Bold, normal.Bold);
        QCOMPARE(box.Font(), normal); // the shown font is not touched

        box.setFontEditing(namedFont(QStringLiteral("Edit"), -9, false));
        QCOMPARE(box.FontMouseOver().Name, QStringLiteral("Edit"));
        QCOMPARE(box.FontMouseOver().Height, -20);
        QVERIFY(box.FontMouseOver().Bold);

        box.setFontSynchronize(false);
        box.setFontMouseOver(namedFont(QStringLiteral("Alone"), -20, true));
        QCOMPARE(box.FontEditing().Name, QStringLiteral("Edit"));
    }

    void savedFontTakesTheSynchronisedName() {
        QWidget window;
        window.resize(200, 100);
        new QLineEdit(&window); // takes the window's first focus
        auto *box = new TKEL_edit(&window);
        box->move(0, 40);
        RealPointer pointer(box);
        pointer.move(box, QPoint(5, 5)); // saved font := the normal font
        box->setFontEditing(namedFont(QStringLiteral("Renamed"), -9, false));
        pointer.away(); // Font := the saved font
        QCOMPARE(box->Font().Name, QStringLiteral("Renamed"));
    }

    void focusAndMouseChangeTheLook() {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *box = new TKEL_edit;
        auto *other = new QLineEdit;
        layout->addWidget(box);
        layout->addWidget(other);
        const KelFont normal = namedFont(QStringLiteral("Normal"), -11, false);
        const KelFont over = namedFont(QStringLiteral("Over"), -13, true);
        const KelFont editing = namedFont(QStringLiteral("Editing"), -15, false);
        box->setFont(normal);
        box->setFontSynchronize(false);
        box->setFontMouseOver(over);
        box->setFontEditing(editing);
        box->setEditMode(mNumEdit);
        RealPointer pointer(box);
        activate(&window);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QSignalSpy entered(box, &TKEL_edit::OnEnter);
        QString textAtExit;
        connect(box, &TKEL_edit::OnExit, box, [&] { textAtExit = box->Text(); });

        pointer.move(box, QPoint(5, 5));
        QCOMPARE(box->Color(), clYellow);
        QCOMPARE(box->Font(), over);
        QCOMPARE(backgroundOf(box), QColor(255, 255, 0));

        box->setFocus();
        QTRY_VERIFY(box->editor()->hasFocus());
        QCOMPARE(entered.count(), 1);
        QCOMPARE(box->Color(), clLime);
        QCOMPARE(box->Font(), editing);
        QCOMPARE(backgroundOf(box), QColor(0, 255, 0));
        QCOMPARE(box->editor()->font().pixelSize(), 15);

        pointer.away();
        QCOMPARE(box->Color(), clLime);
        QCOMPARE(box->Font(), editing);

        // Another window taking the activation (a message box, the About window) and giving
        // it back is no change of focus: no exit, no cleaning, no new entry.
        box->setText(QStringLiteral("7x"));
        QWidget message;
        message.show();
        message.activateWindow();
        QTRY_VERIFY(message.isActiveWindow());
        window.activateWindow();
        QTRY_VERIFY(window.isActiveWindow());
        QTRY_VERIFY(box->editor()->hasFocus());
        QCOMPARE(box->Text(), QStringLiteral("7x"));
        QCOMPARE(entered.count(), 1);
        QVERIFY(textAtExit.isEmpty());
        QCOMPARE(box->Color(), clLime);

        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(textAtExit, QStringLiteral("7"));
        QCOMPARE(box->Color(), clWhite);
        QCOMPARE(box->Font(), normal);
        QCOMPARE(backgroundOf(box), QColor(255, 255, 255));
    }

    void leavingTheFocusUnderTheMouseShowsTheNormalLook() {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *box = new TKEL_edit;
        auto *other = new QLineEdit;
        layout->addWidget(box);
        layout->addWidget(other);
        box->setFontSynchronize(false);
        const KelFont normal = box->Font();
        box->setFontMouseOver(namedFont(QStringLiteral("Over"), -13, true));
        RealPointer pointer(box);
        activate(&window);
        pointer.move(box, QPoint(5, 5));
        box->setFocus();
        QTRY_VERIFY(box->editor()->hasFocus());
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(box->Color(), clWhite);
        QCOMPARE(box->Font(), normal);
        pointer.away();
        QCOMPARE(box->Font(), normal);
    }

    void multilineKeepsTextAndFiltering() {
        TKEL_edit box;
        box.setEditMode(mNumEdit);
        box.setText(QStringLiteral("12"));
        box.setMultiline(true);
        auto *plain = qobject_cast<QPlainTextEdit *>(box.editor());
        QVERIFY(plain);
        QCOMPARE(box.Text(), QStringLiteral("12"));
        QCOMPARE(plain->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(plain->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        plain->moveCursor(QTextCursor::End);
        QTest::keyClicks(plain, QStringLiteral("3a4"));
        QCOMPARE(box.Text(), QStringLiteral("1234"));
        box.setWordwrap(true);
        QCOMPARE(qobject_cast<QPlainTextEdit *>(box.editor())->lineWrapMode(),
                 QPlainTextEdit::WidgetWidth);
        box.setMultiline(false);
        QVERIFY(qobject_cast<QLineEdit *>(box.editor()));
        QCOMPARE(box.Text(), QStringLiteral("1234"));
    }

    void oneLineWordwrapTakesNoMoreThanFits() {
        TKEL_edit box;
        box.setWordwrap(true);
        const QString many(200, QChar(u'W'));
        QTest::keyClicks(box.editor(), many);
        QVERIFY(!box.Text().isEmpty());
        QVERIFY(box.Text().size() < many.size());
        QVERIFY(box.editor()->fontMetrics().horizontalAdvance(box.Text()) < box.width());

        TKEL_edit scrolling;
        QTest::keyClicks(scrolling.editor(), many);
        QCOMPARE(scrolling.Text(), many);
    }

private:
    static void activate(QWidget *window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    static QColor backgroundOf(TKEL_edit *box) {
        QImage image(box->size(), QImage::Format_RGB32);
        box->render(&image);
        return image.pixelColor(box->width() - 10, box->height() / 2);
    }
};

QTEST_MAIN(TestKelEdit)
#include "test_KEL_edit.moc"
