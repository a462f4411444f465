// The panel without a context and its draw thread; no frame is drawn here.
#include "KEL_glpanel.h"

#include <QtTest>

#include <memory>

class TestKelGlpanel : public QObject {
    Q_OBJECT

    // A panel in a window of its own, counting the events its thread runs.
    struct Rig {
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        TKEL_glpanel *panel = new TKEL_glpanel(window.get());
        int events = 0;
        explicit Rig(int delay = 5) {
            panel->setThreadDelay(delay);
            panel->setThreadEvent([this] { ++events; });
        }
    };

private slots:
    void creationValues() {
        TKEL_glpanel panel;
        const QList<QPair<const char *, QVariant>> expected = {
            {"Version", QStringLiteral("r1.07/quillet-controls@quillet.org")},
            {"Caption", QStringLiteral("KEL_GLPANEL")},
            {"Init", false},
            {"Background", 0},
            {"WireFrame", false},
            {"AutoAspect", true},
            {"AxisLength", 0},
            {"AxisColorZ", 0},
            {"AxisColorX", 0},
            {"AxisColorY", 0},
            {"ThreadActive", false},
            {"ThreadPriority", QVariant::fromValue(TKEL_glpanel::tpIdle)},
            {"ThreadDelay", 0}};
        for (const auto &[name, value] : expected)
            QCOMPARE(panel.property(name), value);
        QCOMPARE(panel.size(), QSize(185, 41));
        panel.setProperty("Version", QStringLiteral("x"));
        QCOMPARE(panel.Version(), expected.first().second.toString());
    }

    void withoutAContextNothingIsDrawn() {
        TKEL_glpanel panel;
        panel.BeginFrame();
        QVERIFY(!panel.FrameBegun());
        QVERIFY(!panel.DrawQuad(0, 0, 0, clRed, 1, 0, 0, clRed, 1, 1, 0, clRed, 0, 1, 0, clRed));
    }

    void priorityIsGivenAtStart_data() {
        QTest::addColumn<TKEL_glpanel::TThreadPriority>("priority");
        QTest::addColumn<QThread::Priority>("expected");
        QTest::newRow("idle") << TKEL_glpanel::tpIdle << QThread::IdlePriority;
        QTest::newRow("normal") << TKEL_glpanel::tpNormal << QThread::NormalPriority;
        QTest::newRow("time critical")
            << TKEL_glpanel::tpTimeCritical << QThread::TimeCriticalPriority;
    }
    void priorityIsGivenAtStart() {
        QFETCH(TKEL_glpanel::TThreadPriority, priority);
        QFETCH(QThread::Priority, expected);
        Rig rig;
        rig.panel->setThreadPriority(priority);
        rig.panel->setThreadActive(true);
        QCOMPARE(rig.panel->DrawThread()->priority(), expected);
    }

    void eachActivationMakesOneThread() {
        Rig rig;
        rig.panel->setThreadActive(true);
        QPointer<TKEL_gldrawthread> first = rig.panel->DrawThread();
        rig.panel->setThreadActive(true);
        QCOMPARE(rig.panel->DrawThread(), first.data());
        rig.panel->setThreadActive(false);
        rig.panel->setThreadActive(false);
        QVERIFY(first->Terminated());
        rig.panel->setThreadActive(true);
        QVERIFY(rig.panel->DrawThread() != first);
        // The stopped thread ends and goes away by itself.
        QTRY_VERIFY(first.isNull());
    }

    void atMostOneEventAfterStopping() {
        Rig rig;
        rig.panel->setThreadActive(true);
        QTRY_VERIFY(rig.events >= 3);
        rig.panel->setThreadActive(false);
        const int atStop = rig.events;
        QTest::qWait(100);
        QVERIFY(rig.events <= atStop + 1);
    }

    void delayAndEventAreCopiedAtStart() {
        Rig rig;
        rig.panel->setThreadActive(true);
        rig.panel->setThreadDelay(10000);
        const int before = rig.events;
        QTRY_VERIFY(rig.events >= before + 3);
        rig.panel->setThreadActive(false);
        rig.panel->setThreadActive(true);
        const int restarted = rig.events;
        QTest::qWait(150);
        QVERIFY(rig.events <= restarted + 1);
    }

    void threadStartedWithoutEventOnlySleeps() {
        Rig rig;
        rig.panel->setThreadEvent({});
        rig.panel->setThreadActive(true);
        rig.panel->setThreadEvent([&rig] { ++rig.events; });
        QTest::qWait(80);
        QCOMPARE(rig.events, 0);
        rig.panel->setThreadActive(false);
        rig.panel->setThreadActive(true);
        QTRY_VERIFY(rig.events > 0);
    }

    // Destroying the window while a tick is posted, while the GUI thread is not handling
    // events, or from inside the event itself: no hang, and no event afterwards.
    void destroyingTheWindowStopsItsThread_data() {
        QTest::addColumn<bool>("guiBusy");
        QTest::addColumn<bool>("fromTheEvent");
        QTest::newRow("while running") << false << false;
        QTest::newRow("gui thread busy") << true << false;
        QTest::newRow("from inside the event") << false << true;
    }
    void destroyingTheWindowStopsItsThread() {
        QFETCH(bool, guiBusy);
        QFETCH(bool, fromTheEvent);
        Rig rig(1);
        if (fromTheEvent)
            rig.panel->setThreadEvent([&rig] {
                if (++rig.events == 3)
                    rig.window.reset();
            });
        rig.panel->setThreadActive(true);
        QTRY_VERIFY(rig.events >= 3);
        if (guiBusy)
            QThread::msleep(30);
        rig.window.reset();
        const int atDestruction = rig.events;
        QTest::qWait(50);
        QCOMPARE(rig.events, atDestruction);
    }
};

QTEST_MAIN(TestKelGlpanel)
#include "test_KEL_glpanel.moc"
