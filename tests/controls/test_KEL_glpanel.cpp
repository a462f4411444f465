// The panel without a context, and its draw thread; no frame is drawn here.
#include "KEL_glpanel.h"

#include <QtTest>

#include <memory>

class TestKelGlpanel : public QObject {
    Q_OBJECT

    // A panel in a window of its own whose thread event counts its runs.
    struct Rig {
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        TKEL_glpanel *panel = new TKEL_glpanel(window.get());
        int events = 0;
        Rig() {
            panel->setThreadDelay(1);
            panel->setThreadEvent([this] { ++events; });
        }
        void restart() {
            panel->setThreadActive(false);
            panel->setThreadActive(true);
        }
    };

private slots:
    void withoutAContextNothingIsDrawn() {
        TKEL_glpanel panel;
        QCOMPARE(panel.size(), QSize(185, 41));
        QCOMPARE(panel.Version(), QStringLiteral("r1.07/quillet-controls@quillet.org"));
        QVERIFY(!panel.Init());
        panel.BeginFrame();
        QVERIFY(!panel.FrameBegun());
        QVERIFY(!panel.DrawQuad(0, 0, 0, clRed, 1, 0, 0, clRed, 1, 1, 0, clRed, 0, 1, 0, clRed));
    }

    // Delay, event and priority are copied when a thread starts; repeating True starts none.
    void eachActivationStartsOneThread() {
        Rig rig;
        rig.panel->setThreadPriority(TKEL_glpanel::tpHigher);
        rig.panel->setThreadActive(true);
        QPointer<TKEL_gldrawthread> first = rig.panel->DrawThread();
        QCOMPARE(first->priority(), QThread::HighPriority);
        rig.panel->setThreadActive(true);
        QCOMPARE(rig.panel->DrawThread(), first.data());
        rig.panel->setThreadDelay(10000);
        QTRY_VERIFY(rig.events >= 3);
        rig.restart();
        QVERIFY(rig.panel->DrawThread() != first);
        QTRY_VERIFY(first.isNull()); // the stopped thread ends and goes away by itself
        const int restarted = rig.events;
        QTest::qWait(100);
        QVERIFY(rig.events <= restarted + 1);
    }

    void threadStartedWithoutEventOnlySleeps() {
        Rig rig;
        const TKEL_glpanelevent event = rig.panel->ThreadEvent();
        rig.panel->setThreadEvent({});
        rig.panel->setThreadActive(true);
        rig.panel->setThreadEvent(event);
        QTest::qWait(50);
        QCOMPARE(rig.events, 0);
        rig.restart();
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
        Rig rig;
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
