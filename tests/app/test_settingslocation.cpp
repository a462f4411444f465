// Where the settings file lives: beside the executable, or in the user's configuration folder
// when the executable's folder cannot hold it.
#include "KEL_edit.h"
#include "scriptedprompt.h"
#include "settingslocation.h"
#include "umain.h"

#include "tempfolder.h"

#include <QFile>
#include <QtTest>

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
    QString ini() const { return exe_->filePath(QStringLiteral("Quillet.ini")); }
    QString configFolder() const { return config_->filePath(QStringLiteral("Quillet")); }
    std::unique_ptr<TempFolder> exe_;
    std::unique_ptr<TempFolder> config_;
};

void TestSettingsLocation::init() {
    exe_ = std::make_unique<TempFolder>();
    config_ = std::make_unique<TempFolder>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_->qPath()));
}

void TestSettingsLocation::cleanup() {
    // Write bits back, so the temporary folder can go.
    QFile::setPermissions(exe_->qPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The cases the real folders below do not reach.
void TestSettingsLocation::choice_data() {
    QTest::addColumn<bool>("installFolder");
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<QString>("xdgConfigHome");
    QTest::addColumn<QString>("expected");
    const QString home = QStringLiteral("/home/ann/.config/Quillet/Quillet.ini");
    QTest::newRow("no XDG_CONFIG_HOME") << false << false << "" << home;
    QTest::newRow("relative XDG_CONFIG_HOME") << false << false << "cfg" << home;
    QTest::newRow("install folder, writable for root") << true << false << "/cfg/"
                                                       << "/cfg/Quillet/Quillet.ini";
    QTest::newRow("install folder holding a file") << true << true << "/cfg"
                                                   << "/usr/bin/Quillet.ini";
}

void TestSettingsLocation::choice() {
    QFETCH(bool, installFolder);
    QFETCH(bool, fileBeside);
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, expected);
    TSettingsPlace place;
    place.exeFolder = QStringLiteral("/usr/bin");
    place.folderWritable = installFolder;
    place.installFolder = installFolder;
    place.fileBesideExe = fileBeside;
    place.xdgConfigHome = xdgConfigHome;
    place.home = QStringLiteral("/home/ann");
    QCOMPARE(ChooseSettingsFile(place), expected);
}

void TestSettingsLocation::writableFolderKeepsTheFileBesideTheProgram() {
    QCOMPARE(SettingsFileFor(exe_->qPath()), ini());
    ScriptedPrompt prompt;
    { TForm1 form(SettingsFileFor(exe_->qPath()), &prompt); }
    QVERIFY(QFile::exists(ini()));
    QVERIFY(prompt.errors.isEmpty());
}

void TestSettingsLocation::readOnlyFolderUsesTheConfigFolderMadeOnSave() {
    QVERIFY(QFile::setPermissions(exe_->qPath(), QFile::ReadOwner | QFile::ExeOwner));
    const QString name = SettingsFileFor(exe_->qPath());
    QCOMPARE(name, configFolder() + QStringLiteral("/Quillet.ini"));
    ScriptedPrompt prompt;
    {
        TForm1 form(name, &prompt);
        QVERIFY(!QFile::exists(configFolder()));
        form.KEL_edit3->setText(QStringLiteral("321"));
    }
    QVERIFY(prompt.errors.isEmpty());
    TForm1 again(SettingsFileFor(exe_->qPath()), &prompt);
    QCOMPARE(again.KEL_edit3->Text(), QStringLiteral("321"));
}

void TestSettingsLocation::readOnlyFolderWithAFileReadsItAndRefusesTheWrite() {
    {
        QFile file(ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[settings]\nwidth=77\n");
    }
    QVERIFY(QFile::setPermissions(ini(), QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(exe_->qPath(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(SettingsFileFor(exe_->qPath()), ini());
    ScriptedPrompt prompt;
    {
        TForm1 form(SettingsFileFor(exe_->qPath()), &prompt);
        QCOMPARE(form.KEL_edit3->Text(), QStringLiteral("77"));
    }
    QCOMPARE(prompt.errors, QStringList{QStringLiteral("Unable to write to ") + ini()});
    QVERIFY(!QFile::exists(configFolder()));
}

QTEST_MAIN(TestSettingsLocation)
#include "test_settingslocation.moc"
