// The quillet command line: options, and the files that paths stand for.
#include "commandline.h"
#include "displaycheck.h"
#include "filenames.h"

#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void expand();
    void helpAndVersionNeedNoDisplay_data();
    void helpAndVersionNeedNoDisplay();
    void displayCheck_data();
    void displayCheck();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("platformDisplayOrError");
    const int run = int(TStartAction::Run);
    QTest::newRow("nothing") << QStringList{} << run << QStringList{} << QString();
    QTest::newRow("files") << QStringList{"a.jpg", "b c.jpg"} << run
                           << QStringList{"a.jpg", "b c.jpg"} << QString();
    QTest::newRow("help after a file")
        << QStringList{"a.jpg", "-h", "--bogus"} << int(TStartAction::Help) << QStringList{"a.jpg"}
        << QString();
    QTest::newRow("version") << QStringList{"--version"} << int(TStartAction::Version)
                             << QStringList{} << QString();
    QTest::newRow("unknown option") << QStringList{"a.jpg", "-x"} << int(TStartAction::UsageError)
                                    << QStringList{"a.jpg"} << "unknown option -x";
    QTest::newRow("after --") << QStringList{"--", "--help", "-"} << run
                              << QStringList{"--help", "-"} << QString();
    QTest::newRow("Qt's options") << QStringList{"-platform", "offscreen",    "a.jpg",    "-style",
                                                 "fusion",    "--display=:3", "-reverse", "b.jpg"}
                                  << run << QStringList{"a.jpg", "b.jpg"} << "offscreen :3";
}

void TestCommandLine::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QStringList, paths);
    QFETCH(QString, platformDisplayOrError);
    const TCommandLine line = ReadCommandLine(arguments);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.paths, paths);
    QCOMPARE(line.error.isEmpty() ? (line.platform + " " + line.display).trimmed() : line.error,
             platformDisplayOrError);
}

void TestCommandLine::expand() {
    TempFolder dir;
    QDir root(dir.qPath());
    QVERIFY(root.mkdir(QStringLiteral("photos")) && root.mkdir(QStringLiteral("photos/sub")));
    for (const char *name :
         {"photos/p10.jpg", "photos/B.JPG", "photos/p9.jpg", "photos/a.jpg", "photos/c.Jpeg",
          "photos/notes.txt", "photos/.hidden.jpg", "photos/sub/d.jpg", "readme.txt", "x.jpg",
          "photos/e.HEIC", "photos/f.webp", "photos/g.tiff", "photos/h.gif"}) {
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
    QStringList files;
    // A folder stands for its photos, as the window lists them without its subfolders.
    for (const QString &path :
         CheckStartPaths({QStringLiteral("x.jpg"), root.filePath(QStringLiteral("photos")),
                          QStringLiteral("gone.jpg"), QStringLiteral("./readme.txt"),
                          QStringLiteral("x.jpg"), cafe, QStringLiteral("card")},
                         problems))
        files << (QFileInfo(path).isDir() ? PhotoFilesIn(path) : QStringList{path});
    const QString p = root.absolutePath();
    QCOMPARE(files,
             (QStringList{p + "/x.jpg", p + "/photos/a.jpg", p + "/photos/B.JPG",
                          p + "/photos/c.Jpeg", p + "/photos/e.HEIC", p + "/photos/f.webp",
                          p + "/photos/g.tiff", p + "/photos/p9.jpg", p + "/photos/p10.jpg",
                          p + "/readme.txt", p + "/x.jpg", p + "/" + cafe, p + "/card/" + cafe}));
    QCOMPARE(problems, QStringList{QStringLiteral("gone.jpg: no such file or folder, skipped")});
}

// Success prints on standard output, a refusal (status 2) and a missing display (status 1, in
// one line) on standard error.
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
    QTest::newRow("no display") << QStringList{"a.jpg"} << 1
                                << "quillet: no display found (DISPLAY is not set)\n";
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
    if (status == 1)
        QCOMPARE(err, start);
}

namespace {

// A listening Unix socket for as long as it lives; a name starting with '@' is abstract.
struct Listener {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool listening = false;
    explicit Listener(const QByteArray &name) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.constData(), name.size());
        if (name.startsWith('@'))
            address.sun_path[0] = '\0';
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + name.size());
        listening =
            ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0 && ::listen(fd, 1) == 0;
    }
    ~Listener() { ::close(fd); }
};

// A local X display number whose sockets nobody holds.
int freeDisplayNumber(int from) {
    for (int n = from;; ++n)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            Listener("@/tmp/.X11-unix/X" + QByteArray::number(n)).listening)
            return n;
}

} // namespace

// Placeholders: LIVE and DEAD are X display numbers with and without a server, RUN a runtime
// folder holding a Wayland socket "wayland-live".
void TestCommandLine::displayCheck_data() {
    QTest::addColumn<QString>("platforms");
    QTest::addColumn<QString>("x11");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("problem"); // empty: a window can open
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "DISPLAY is not set; WAYLAND_DISPLAY is not set";
    QTest::newRow("offscreen") << "offscreen"
                               << ""
                               << ""
                               << ""
                               << "";
    QTest::newRow("fallback to offscreen") << "xcb;offscreen"
                                           << ""
                                           << ""
                                           << ""
                                           << "";
    QTest::newRow("X11") << ""
                         << ":LIVE"
                         << ""
                         << ""
                         << "";
    QTest::newRow("X11 screen") << "xcb"
                                << "unix:LIVE.0"
                                << ""
                                << ""
                                << "";
    QTest::newRow("X11 gone") << "xcb"
                              << ":DEAD"
                              << "wayland-live"
                              << "RUN"
                              << "cannot reach the X display :DEAD: Connection refused";
    QTest::newRow("X11 elsewhere") << "xcb"
                                   << "far.example:0"
                                   << ""
                                   << ""
                                   << "";
    QTest::newRow("Wayland") << ""
                             << ":DEAD"
                             << "wayland-live"
                             << "RUN"
                             << "";
    QTest::newRow("Wayland by path") << "wayland"
                                     << ""
                                     << "RUN/wayland-live"
                                     << ""
                                     << "";
    QTest::newRow("Wayland's default socket") << "wayland-egl:x"
                                              << ""
                                              << ""
                                              << "RUN"
                                              << "WAYLAND_DISPLAY is not set";
    QTest::newRow("Wayland gone")
        << "wayland"
        << ":LIVE"
        << "wayland-1"
        << "RUN"
        << "cannot reach the Wayland display RUN/wayland-1: No such file or directory";
}

void TestCommandLine::displayCheck() {
    QFETCH(QString, platforms);
    QFETCH(QString, x11);
    QFETCH(QString, wayland);
    QFETCH(QString, runtime);
    QFETCH(QString, problem);
    TempFolder dir;
    const Listener compositor(QFile::encodeName(dir.qPath()) + "/wayland-live");
    const int live = freeDisplayNumber(900);
    const Listener server("@/tmp/.X11-unix/X" + QByteArray::number(live));
    const int dead = freeDisplayNumber(live + 1);
    QVERIFY(compositor.listening && server.listening);
    const auto fill = [&](QString text) {
        return text.replace("LIVE", QString::number(live))
            .replace("DEAD", QString::number(dead))
            .replace("RUN", dir.qPath())
            .toStdString();
    };
    const std::optional<std::string> missing =
        MissingDisplay({fill(platforms), fill(x11), fill(wayland), fill(runtime)});
    QCOMPARE(QString::fromStdString(missing.value_or("")), QString::fromStdString(fill(problem)));
}

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
