// The About window without a display: its parts, the revision line and the update button.
// Showing it needs OpenGL (test_uabout_gl), so the show and hide handlers are run directly.
#include "KEL_glpanel.h"
#include "KEL_label.h"
#include "uabout.h"

#include "guitestmain.h"

#include <QtTest>

class TestUabout : public QObject {
    Q_OBJECT
private slots:
    void windowAsDesigned() {
        Tfabout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Quillet"));
        QCOMPARE(about.minimumSize(), QSize(238, 211));
        QCOMPARE(about.maximumSize(), QSize(238, 211));
        for (const char *name : {"KEL_label1", "KEL_label2", "KEL_label3", "KEL_glpanel1",
                                 "KEL_grbutton4", "KEL_grbutton1", "KEL_files1"})
            QVERIFY2(about.findChild<QObject *>(QLatin1String(name)), name);
        // The window opens the address itself; the label starts no command.
        QCOMPARE(about.KEL_label3->Caption(), QStringLiteral("www.quillet.org"));
        QVERIFY(about.KEL_label3->GotoUrl().isEmpty());
    }

    void revisionIsReadAtEveryShowing_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("revision");
        QTest::addColumn<int>("build");
        QTest::newRow("running program")
            << QString() << QStringLiteral("Rev. 0.9.1 (build 6)") << 6;
        QTest::newRow("1.2.3.45") << QStringLiteral(STAMPED_1_2_3_45)
                                  << QStringLiteral("Rev. 1.2.3 (build 45)") << 45;
        QTest::newRow("2.0.0.0") << QStringLiteral(STAMPED_2_0_0_0)
                                 << QStringLiteral("Rev. 2.0.0 (build 0)") << 0;
        QTest::newRow("no version record")
            << QStringLiteral(STAMPED_NONE) << QStringLiteral("Rev. 0.0.0 (build 0)") << 0;
    }
    void revisionIsReadAtEveryShowing() {
        QFETCH(QString, executable);
        QFETCH(QString, revision);
        QFETCH(int, build);
        Tfabout about(nullptr, executable);
        QCOMPARE(about.KEL_label2->Caption(), QStringLiteral("Revision info"));
        QCOMPARE(about.BuildNumber, 0);
        about.FormShow();
        QCOMPARE(about.KEL_label2->Caption(), revision);
        QCOMPARE(about.BuildNumber, build);
        QVERIFY(about.KEL_glpanel1->ThreadActive());
        about.FormHide();
        QVERIFY(!about.KEL_glpanel1->ThreadActive());
    }

    void updateButtonOpensTheUpdateWindowModally() {
        Tfabout about;
        about.KEL_grbutton1Click();
        QDialog update;
        about.setUpdateWindow(&update);
        bool wasModal = false;
        QTimer::singleShot(0, &update, [&] {
            wasModal = QApplication::activeModalWidget() == &update;
            update.reject();
        });
        about.KEL_grbutton1Click();
        QVERIFY(wasModal);
    }
};

QUILLET_GUI_TEST_MAIN(TestUabout)
#include "test_uabout.moc"
