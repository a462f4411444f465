// Where the settings file lives: beside the executable, or in the user's configuration folder
// when the executable's folder cannot hold it.
#include "KEL_edit.h"
#include "scriptedprompt.h"
#include "settingslocation.h"
#include "umain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Takes every write bit away from a folder for the life of the object.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path) : path_(QFile::encodeName(path)) {
        ::chmod(path_.constData(), 0555);
    }
    ~ReadOnlyFolder() { ::chmod(path_.constData(), 0755); }

private:
    QByteArray path_;
};

} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void choice_data();
    void choice();
    void writableFolderKeepsTheFileBesideTheProgram();
    void readOnlyFolderUsesTheConfigFolderMadeOnSave();
    void readOnlyFolderWithAFileReadsItAndRefusesTheWrite();

private:
    std::unique_ptr<QTemporaryDir> exe_;
    std::unique_ptr<QTemporaryDir> config_;
    QByteArray oldConfigHome_;
};

void TestSettingsLocation::init() {
    exe_ = std::make_unique<QTemporaryDir>();
    config_ = std::make_unique<QTemporaryDir>();
    QVERIFY(exe_->isValid() && config_->isValid());
    oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_->path()));
}

void TestSettingsLocation::cleanup() {
    qputenv("XDG_CONFIG_HOME", oldConfigHome_);
}

void TestSettingsLocation::choice_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("installFolder");
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<QString>("xdgConfigHome");
    QTest::addColumn<QString>("expected");
    const QString beside = QStringLiteral("/opt/q/bin/Quillet.ini");
    const QString xdg = QStringLiteral("/cfg/Quillet/Quillet.ini");
    const QString home = QStringLiteral("/home/ann/.config/Quillet/Quillet.ini");
    QTest::newRow("writable") << true << false << false << "/cfg" << beside;
    QTest::newRow("writable, file") << true << false << true << "/cfg" << beside;
    QTest::newRow("read-only, file") << false << false << true << "/cfg" << beside;
    QTest::newRow("read-only") << false << false << false << "/cfg/" << xdg;
    QTest::newRow("read-only, no XDG") << false << false << false << "" << home;
    QTest::newRow("read-only, relative XDG") << false << false << false << "cfg" << home;
    QTest::newRow("install folder, root") << true << true << false << "/cfg" << xdg;
    QTest::newRow("install folder, file") << true << true << true << "/cfg" << beside;
}

void TestSettingsLocation::choice() {
    QFETCH(bool, writable);
    QFETCH(bool, installFolder);
    QFETCH(bool, fileBeside);
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, expected);
    TSettingsPlace place;
    place.exeFolder = QStringLiteral("/opt/q/bin");
    place.folderWritable = writable;
    place.installFolder = installFolder;
    place.fileBesideExe = fileBeside;
    place.xdgConfigHome = xdgConfigHome;
    place.home = QStringLiteral("/home/ann");
    QCOMPARE(ChooseSettingsFile(place), expected);
}

void TestSettingsLocation::writableFolderKeepsTheFileBesideTheProgram() {
    const QString name = SettingsFileFor(exe_->path());
    QCOMPARE(name, exe_->filePath(QStringLiteral("Quillet.ini")));
    ScriptedPrompt prompt;
    { TForm1 form(name, &prompt); }
    QVERIFY(QFile::exists(name));
    QVERIFY(prompt.errors.isEmpty());
}

void TestSettingsLocation::readOnlyFolderUsesTheConfigFolderMadeOnSave() {
    ReadOnlyFolder readOnly(exe_->path());
    const QString name = SettingsFileFor(exe_->path());
    QCOMPARE(name, config_->filePath(QStringLiteral("Quillet/Quillet.ini")));
    ScriptedPrompt prompt;
    {
        TForm1 form(name, &prompt);
        QVERIFY(!QFile::exists(config_->filePath(QStringLiteral("Quillet"))));
        form.KEL_edit3->setText(QStringLiteral("321"));
    }
    QVERIFY(prompt.errors.isEmpty());
    TForm1 again(SettingsFileFor(exe_->path()), &prompt);
    QCOMPARE(again.KEL_edit3->Text(), QStringLiteral("321"));
}

void TestSettingsLocation::readOnlyFolderWithAFileReadsItAndRefusesTheWrite() {
    const QString ini = exe_->filePath(QStringLiteral("Quillet.ini"));
    {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[settings]\nwidth=77\n");
    }
    ::chmod(QFile::encodeName(ini).constData(), 0444);
    ReadOnlyFolder readOnly(exe_->path());
    const QString name = SettingsFileFor(exe_->path());
    QCOMPARE(name, ini);
    ScriptedPrompt prompt;
    {
        TForm1 form(name, &prompt);
        QCOMPARE(form.KEL_edit3->Text(), QStringLiteral("77"));
    }
    QCOMPARE(prompt.errors, QStringList{QStringLiteral("Unable to write to ") + ini});
    QVERIFY(!QFile::exists(config_->filePath(QStringLiteral("Quillet"))));
}

QTEST_MAIN(TestSettingsLocation)
#include "test_settingslocation.moc"
