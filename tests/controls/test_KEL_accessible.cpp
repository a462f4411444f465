// What a screen reader learns beyond role and name (test_umain checks those): actions, values
// and text. The list box is Qt's own list view to it.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_progressbar.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QSignalSpy>
#include <QtTest>

class TestKelAccessible : public QObject {
    Q_OBJECT
private slots:
    void buttonPressesThroughItsAction() {
        TKEL_grbutton button;
        button.setCaption(QStringLiteral("&Convert"));
        button.setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
        QSignalSpy clicks(&button, &TKEL_grbutton::OnClick);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&button);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Convert")); // without its mark
        QAccessibleActionInterface *actions = iface->actionInterface();
        QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        QCOMPARE(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                 QStringList{QKeySequence(Qt::ALT | Qt::Key_C).toString(QKeySequence::NativeText)});
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.count(), 1);
    }

    void progressBarTellsItsRange() {
        TKEL_progressbar bar;
        bar.setMax(200);
        bar.setPosition(50);
        QAccessibleValueInterface *value =
            QAccessible::queryAccessibleInterface(&bar)->valueInterface();
        QCOMPARE(value->currentValue().toDouble(), 50.0);
        QCOMPARE(value->minimumValue().toDouble(), 0.0);
        QCOMPARE(value->maximumValue().toDouble(), 200.0);
        value->setCurrentValue(10); // only the program moves it
        QCOMPARE(bar.Position(), 50.0);
    }

    void editBoxGivesItsText() {
        TKEL_edit edit;
        edit.setText(QStringLiteral(".thumb.jpg"));
        edit.show();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&edit);
        QAccessibleTextInterface *text = iface->textInterface();
        QCOMPARE(text->characterCount(), 10);
        QCOMPARE(text->text(0, 6), QStringLiteral(".thumb"));
        QVERIFY(iface->state().editable);
        // The inner editor is no second text, but has the focus and the box's name.
        QCOMPARE(iface->childCount(), 0);
        edit.setAccessibleName(QStringLiteral("Suffix"));
        edit.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        QCOMPARE(QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                     ->text(QAccessible::Name),
                 QStringLiteral("Suffix"));
    }
};

QTEST_MAIN(TestKelAccessible)
#include "test_KEL_accessible.moc"
