// The real program, sent a termination signal, closes its window as the close box does and so
// saves its settings; a save it cannot make is reported on standard error, not in a box.
#include "settingsdefaults.h"

#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

// Whether the process has its own handler for the signal yet (Linux's /proc status).
bool catches(qint64 pid, int number) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (number - 1)) & 1;
    return false;
}

} // namespace

class TestSignalClose : public QObject {
    Q_OBJECT
private slots:
    void signalClosesTheWindowAndSavesTheSettings_data();
    void signalClosesTheWindowAndSavesTheSettings();
};

void TestSignalClose::signalClosesTheWindowAndSavesTheSettings_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    // No box may wait for a click: the refusal goes to standard error and the program ends.
    QTest::newRow("SIGTERM, read-only settings") << int(SIGTERM) << true;
}

void TestSignalClose::signalClosesTheWindowAndSavesTheSettings() {
    QFETCH(int, number);
    QFETCH(bool, readOnly);
    // The program keeps its settings beside itself: a copy in a folder of our own.
    TempFolder dir;
    const QString program = dir.filePath(QStringLiteral("quillet"));
    QVERIFY(QFile::copy(QStringLiteral(QUILLET_EXE), program));
    const QString ini = dir.filePath(QStringLiteral("Quillet.ini"));
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[settings]\nwidth=321\n");
        if (readOnly)
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    QProcess quillet;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    quillet.setProcessEnvironment(env);
    quillet.start(program, {});
    QVERIFY(quillet.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(catches(quillet.processId(), number), 20000);
    QCOMPARE(kill(pid_t(quillet.processId()), number), 0);
    QVERIFY(quillet.waitForFinished(20000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), 0);
    QFile saved(ini);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray reported = quillet.readAllStandardError();
    QVERIFY2(reported.contains("quillet: Unable to write to " + QFile::encodeName(ini) + ".\n") ==
                 readOnly,
             reported.constData());
    QCOMPARE(saved.readAll(),
             QByteArray("[settings]\nwidth=321\n") + (readOnly ? QByteArray() : KeysAfterWidth));
}

QTEST_GUILESS_MAIN(TestSignalClose)
#include "test_signalclose.moc"
