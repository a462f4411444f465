// The quillet command line: options, and the files that paths stand for.
#include "commandline.h"
#include "filenames.h"

#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void expand();
    void helpAndVersionNeedNoDisplay_data();
    void helpAndVersionNeedNoDisplay();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("unknown");
    const int run = int(TStartAction::Run);
    QTest::newRow("nothing") << QStringList{} << run << QStringList{} << QStringList{};
    QTest::newRow("files") << QStringList{"a.jpg", "b c.jpg"} << run
                           << QStringList{"a.jpg", "b c.jpg"} << QStringList{};
    QTest::newRow("help wins") << QStringList{"a.jpg", "--bogus", "--help", "b.jpg"}
                               << int(TStartAction::Help) << QStringList{"a.jpg"}
                               << QStringList{"--bogus"};
    QTest::newRow("version") << QStringList{"--version"} << int(TStartAction::Version)
                             << QStringList{} << QStringList{};
    QTest::newRow("unknown option")
        << QStringList{"-x", "a.jpg"} << run << QStringList{"a.jpg"} << QStringList{"-x"};
    QTest::newRow("after --") << QStringList{"--", "--help", "-"} << run
                              << QStringList{"--help", "-"} << QStringList{};
}

void TestCommandLine::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, unknown);
    const TCommandLine line = ParseCommandLine(arguments);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.paths, paths);
    QCOMPARE(line.unknownOptions, unknown);
}

void TestCommandLine::expand() {
    TempFolder dir;
    QDir root(dir.qPath());
    QVERIFY(root.mkdir(QStringLiteral("photos")) && root.mkdir(QStringLiteral("photos/sub")));
    for (const char *name :
         {"photos/p10.jpg", "photos/B.JPG", "photos/p9.jpg", "photos/a.jpg", "photos/c.Jpeg",
          "photos/notes.txt", "photos/.hidden.jpg", "photos/sub/d.jpg", "readme.txt", "x.jpg"}) {
        QFile file(root.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Names from an old camera card, not UTF-8, given alone and inside a folder.
    QVERIFY(root.mkdir(QStringLiteral("card")));
    for (const QByteArray name : {"caf\xe9.jpg", "card/caf\xe9.jpg"})
        QCOMPARE(::close(::open(QFile::encodeName(dir.qPath()) + "/" + name, O_CREAT, 0644)), 0);
    const QString cafe = NameFromBytes("caf\xe9.jpg");
    QVERIFY(QDir::setCurrent(dir.qPath()));
    QStringList problems;
    const QStringList files =
        ExpandStartPaths({QStringLiteral("x.jpg"), root.filePath(QStringLiteral("photos")),
                          QStringLiteral("gone.jpg"), QStringLiteral("./readme.txt"),
                          QStringLiteral("x.jpg"), cafe, QStringLiteral("card")},
                         problems);
    const QString p = root.absolutePath();
    QCOMPARE(files,
             (QStringList{p + "/x.jpg", p + "/photos/a.jpg", p + "/photos/B.JPG",
                          p + "/photos/c.Jpeg", p + "/photos/p9.jpg", p + "/photos/p10.jpg",
                          p + "/readme.txt", p + "/x.jpg", p + "/" + cafe, p + "/card/" + cafe}));
    QCOMPARE(problems, QStringList{QStringLiteral("gone.jpg: no such file or folder, skipped")});
}

// Success prints on standard output, a refusal (status 2) on standard error.
void TestCommandLine::helpAndVersionNeedNoDisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("start");
    const QString usage = QStringLiteral("Usage: quillet [options] [PHOTO|FOLDER]...\n");
    const QString version = QStringLiteral("quillet " QUILLET_VERSION_STRING "\n");
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage;
    QTest::newRow("-h") << QStringList{"a.jpg", "-h"} << 0 << usage;
    QTest::newRow("version") << QStringList{"--version"} << 0 << version;
    QTest::newRow("Qt's options passed over")
        << QStringList{"-style", "fusion", "--platform=xcb", "-reverse", "--version"} << 0
        << version;
    QTest::newRow("unknown option")
        << QStringList{"a.jpg", "--bogus"} << 2 << "quillet: unknown option --bogus\n" + usage;
    QTest::newRow("Qt option's value is no option")
        << QStringList{"-qwindowtitle", "-x", "-x"} << 2 << "quillet: unknown option -x\n" + usage;
}

void TestCommandLine::helpAndVersionNeedNoDisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, start);
    QProcess quillet;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    quillet.setProcessEnvironment(env);
    quillet.start(QStringLiteral(QUILLET_PATH), arguments);
    QVERIFY(quillet.waitForFinished(10000));
    QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quillet.exitCode(), status);
    const QString out = QString::fromLocal8Bit(quillet.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(quillet.readAllStandardError());
    QVERIFY2((status ? err : out).startsWith(start) && (status ? out : err).isEmpty(),
             qPrintable(out + err));
}

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
