// The application object's general error report: an exception escaping an event handler is
// shown in a critical box titled "Quillet" with the full-stop rule, and the program goes on.
// Its windows get the program's icon once the first of them has painted.
#include "application.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

namespace {

// Throws from its event handler, the way a window's handler might.
class Thrower : public QObject {
public:
    int handled = 0;
    bool event(QEvent *event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++handled;
        if (handled == 1)
            throw std::runtime_error("Unable to write to /x/Quillet.ini");
        return true;
    }
};

struct Shown {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

} // namespace

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void theIconComesWithTheFirstPaint();
    void escapingErrorIsReportedAndTheProgramGoesOn();
};

void TestApplication::theIconComesWithTheFirstPaint() {
    QVERIFY(QApplication::windowIcon().isNull());
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // No icon theme holds it here: the sizes built into the program.
    QTRY_VERIFY(window.windowIcon().availableSizes().contains(QSize(48, 48)));
}

void TestApplication::escapingErrorIsReportedAndTheProgramGoesOn() {
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Quillet"));
    Shown shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = {box->windowTitle(), box->text(), box->icon()};
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(20);

    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(thrower.handled, 2);
    QCOMPARE(shown.title, QStringLiteral("Quillet"));
    QCOMPARE(shown.text, QStringLiteral("Unable to write to /x/Quillet.ini."));
    QCOMPARE(shown.icon, QMessageBox::Critical);
}

int main(int argc, char **argv) {
    TApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
