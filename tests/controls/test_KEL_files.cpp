#include "KEL_files.h"

#include "tempfolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

namespace {

// Runs `answer` on the folder dialog as soon as it is the active modal widget.
void whenDialogOpens(std::function<void(QFileDialog *)> answer) {
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

void writeUserDirs(const QString &configHome, const QString &desktop) {
    QFile file(configHome + QStringLiteral("/user-dirs.dirs"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("XDG_DESKTOP_DIR=\"" + QFile::encodeName(desktop) + "\"\n");
}

} // namespace

class TestKelFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void startsWithTheDocumentedValues() {
        TKEL_files files;
        QCOMPARE(files.property("Version").toString(),
                 QStringLiteral("r1.08/quillet-controls@quillet.org"));
        QVERIFY(files.ShowProgress());
        QVERIFY(!files.Confirmation());
        QVERIFY(files.DiskSerial().contains(QRegularExpression(QStringLiteral("^[0-9A-F]{8}$"))));
        QCOMPARE(files.DiskSerial(), TKEL_files::GetDiskSerial(QStringLiteral("/")));
        QCOMPARE(files.OnlocalDrive(),
                 TKEL_files::IsLocalDrive(QCoreApplication::applicationFilePath()));
    }

    void readOnlyPropertiesIgnoreWrites_data() {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Version", "DiskSerial", "OnlocalDrive", "_Desktop", "_Programs",
                                 "_Startup", "_Personal"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void readOnlyPropertiesIgnoreWrites() {
        QFETCH(QString, name);
        TKEL_files files;
        const QVariant before = files.property(name.toLatin1());
        QVERIFY(!files.setProperty(name.toLatin1(), QStringLiteral("/elsewhere")));
        QCOMPARE(files.property(name.toLatin1()), before);
    }

    void plainFlagsAreStoredByName() {
        TKEL_files files;
        QVERIFY(files.setProperty("ShowProgress", false));
        QVERIFY(files.setProperty("Confirmation", true));
        QVERIFY(!files.ShowProgress());
        QVERIFY(files.Confirmation());
    }

    void desktopIsAskedAgainOnEveryRead() {
        TempFolder home;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.qPath()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.qPath() + QStringLiteral("/config")));
        QDir(home.qPath()).mkpath(QStringLiteral("config"));
        QDir(home.qPath()).mkpath(QStringLiteral("First"));
        QDir(home.qPath()).mkpath(QStringLiteral("Second"));
        TKEL_files files;
        writeUserDirs(home.qPath() + QStringLiteral("/config"), home.qPath() + "/First");
        const QString first = files._Desktop();
        writeUserDirs(home.qPath() + QStringLiteral("/config"), home.qPath() + "/Second");
        const QString second = files._Desktop();
        writeUserDirs(home.qPath() + QStringLiteral("/config"), home.qPath() + "/Missing");
        const QString missing = files._Desktop();
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(first, home.qPath() + QStringLiteral("/First"));
        QCOMPARE(second, home.qPath() + QStringLiteral("/Second"));
        QCOMPARE(missing, QString());
    }

    void unknownFolderNumbersGiveNothing() {
        QCOMPARE(TKEL_files::GetSpecialFolder(999), QString());
        QCOMPARE(TKEL_files::GetSpecialFolder(-1), QString());
    }

    void browsingOpensOnTheInitialFolderWithTheTitle() {
        TempFolder root;
        QVERIFY(QDir(root.qPath()).mkpath(QStringLiteral("start/inner")));
        const QString start = root.qPath() + QStringLiteral("/start");
        TKEL_files files;
        QString seenDirectory, seenTitle;
        whenDialogOpens([&](QFileDialog *dialog) {
            seenDirectory = dialog->directory().absolutePath();
            seenTitle = dialog->windowTitle();
            dialog->reject();
        });
        const QString result = files.BrowseFolder(QStringLiteral("Save icons to.."), start, false);
        QCOMPARE(seenDirectory, start);
        QCOMPARE(seenTitle, QStringLiteral("Save icons to.."));
        QCOMPARE(result, QString()); // cancelling never returns the initial folder
        QCOMPARE(TKEL_files::BrowseInitialFolder(), start);
    }

    void browsingReturnsTheChosenFolder() {
        TempFolder root;
        QVERIFY(QDir(root.qPath()).mkpath(QStringLiteral("start/inner")));
        const QString inner = root.qPath() + QStringLiteral("/start/inner");
        TKEL_files files;
        whenDialogOpens([&](QFileDialog *dialog) {
            dialog->setDirectory(inner);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept()
        });
        QCOMPARE(files.BrowseFolder(QStringLiteral("t"), root.qPath() + "/start", false), inner);
    }

    void anEmptyInitialFolderLeavesTheSharedOneAlone() {
        TempFolder root;
        TKEL_files files;
        whenDialogOpens([](QFileDialog *dialog) { dialog->reject(); });
        files.BrowseFolder(QStringLiteral("t"), root.qPath(), false);
        whenDialogOpens([](QFileDialog *dialog) { dialog->reject(); });
        files.BrowseFolder(QStringLiteral("t"), QString(), false);
        QCOMPARE(TKEL_files::BrowseInitialFolder(), root.qPath());
    }

    void otherWindowsAreDisabledOnlyWhenAsked_data() {
        QTest::addColumn<bool>("disable");
        QTest::newRow("disable") << true;
        QTest::newRow("modal to owner") << false;
    }

    void otherWindowsAreDisabledOnlyWhenAsked() {
        QFETCH(bool, disable);
        QWidget owner, other;
        owner.show();
        other.show();
        auto *files = new TKEL_files(&owner);
        bool otherEnabled = false, ownerEnabled = false;
        QWidget *dialogParent = nullptr;
        whenDialogOpens([&](QFileDialog *dialog) {
            otherEnabled = other.isEnabled();
            ownerEnabled = owner.isEnabled();
            dialogParent = dialog->parentWidget();
            dialog->reject();
        });
        files->BrowseFolder(QStringLiteral("t"), QDir::tempPath(), disable);
        QCOMPARE(otherEnabled, !disable);
        QCOMPARE(ownerEnabled, !disable);
        QCOMPARE(dialogParent, disable ? nullptr : &owner);
        QVERIFY(other.isEnabled());
        QVERIFY(owner.isEnabled());
    }

    void windowsDisabledBeforeStayDisabled() {
        QWidget alreadyOff;
        alreadyOff.show();
        alreadyOff.setEnabled(false);
        TKEL_files files;
        whenDialogOpens([](QFileDialog *dialog) { dialog->reject(); });
        files.BrowseFolder(QStringLiteral("t"), QDir::tempPath(), true);
        QVERIFY(!alreadyOff.isEnabled());
    }

    void fileVersionOfAPackagedDll() {
        const QString dll = QStringLiteral("/usr/x86_64-w64-mingw32/lib/zlib1.dll");
        if (!QFile::exists(dll))
            QSKIP("zlib1.dll (libz-mingw-w64) is not installed");
        int major = -1, minor = -1, release = -1, build = -1;
        QVERIFY(TKEL_files::GetFileVersion(dll, major, minor, release, build));
        QCOMPARE(QList<int>({major, minor, release, build}), QList<int>({1, 2, 13, 0}));
    }

    void noVersionRecordKeepsTheOutputs() {
        TempFolder dir;
        const QString path = dir.filePath(QStringLiteral("plain.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no version here");
        file.close();
        int major = 7, minor = 8, release = 9, build = 10;
        QVERIFY(!TKEL_files::GetFileVersion(path, major, minor, release, build));
        QCOMPARE(QList<int>({major, minor, release, build}), QList<int>({7, 8, 9, 10}));
    }

    void volumeQueries() {
        QCOMPARE(TKEL_files::GetDiskSerial(QStringLiteral("/nonexistent/quillet")), QString());
        QVERIFY(!TKEL_files::IsLocalDrive(QStringLiteral("/proc/self/status")));
    }
};

QTEST_MAIN(TestKelFiles)
#include "test_KEL_files.moc"
