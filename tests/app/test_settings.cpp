// The settings file as the real window reads it at creation and writes it at destruction.
#include "KEL_edit.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "colorpanel.h"
#include "filenames.h"
#include "saversets.h"
#include "scriptedprompt.h"
#include "settingsdefaults.h"
#include "umain.h"

#include "tempfolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

// What the window shows, in the order of the file's keys.
struct Shown {
    QString width, height, extension, folder;
    bool addExtension, overwrite;
    int fillColor;
    bool aspect, transparent;
};

Shown shownBy(const TForm1 &f) {
    return {f.KEL_edit3->Text(), f.KEL_edit4->Text(),      f.KEL_edit6->Text(),
            f.KEL_edit5->Text(), f.CheckBox4->isChecked(), f.CheckBox3->isChecked(),
            f.Panel1->Color(),   f.CheckBox1->isChecked(), f.CheckBox2->isChecked()};
}

QByteArray readAll(const QString &name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

void writeAll(const QString &name, const QByteArray &text) {
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstStartShowsTheFirstStartValues();
    void windowStartsFromTheDefaultsTable_data();
    void windowStartsFromTheDefaultsTable();
    void firstStartWritesEveryKey();
    void readsEachKey_data();
    void readsEachKey();
    void longFolderIsCutTo2047Characters();
    void bytesAndTheLaterKeysGoBothWays();
    void saveKeepsUnknownKeysSectionsAndComments();
    void eraseEmptyIsNotKept();
    void nonNumericSizeIsSavedAsZero();
    void readOnlyFileIsReportedAndTheWindowStillCloses();
    void readOnlyFolderIsReported();
    void keepsMarkLineEndsAndSpelling();
    void linkedFileStaysALink();
    void fifoIsRefusedWithoutWaiting();
    void killedWhileSavingLeavesTheOldOrTheNewFile();

private:
    QStringList folderEntries() const;

    std::unique_ptr<TempFolder> dir_;
    QString ini_;
    ScriptedPrompt prompt_;
};

void TestSettings::init() {
    dir_ = std::make_unique<TempFolder>();
    ini_ = dir_->filePath(QStringLiteral("Quillet.ini"));
    prompt_ = ScriptedPrompt();
}

void TestSettings::firstStartShowsTheFirstStartValues() {
    TForm1 form(ini_, &prompt_);
    const Shown s = shownBy(form);
    QCOMPARE(s.width, QStringLiteral("160"));
    QCOMPARE(s.height, QStringLiteral("180"));
    QCOMPARE(s.extension, QStringLiteral(".thumb.jpg"));
    QCOMPARE(s.folder, QString());
    QCOMPARE(s.fillColor, clBlack);
    QVERIFY(s.aspect);
    QVERIFY(s.addExtension);
    QVERIFY(s.overwrite);
    QVERIFY(!s.transparent);
    QVERIFY(!form.CheckBox5->isChecked());
    QCOMPARE(form.KEL_progressbar1->Position(), 0.0);
    QCOMPARE(form.KEL_listbox1->ItemCount(), 0);
    QCOMPARE(form.Memo1->toPlainText(), QString());
    QVERIFY(!QFile::exists(ini_));
}

namespace {

// Every setting the window shows, and the same from a column of the defaults table.
QString windowValues(const TForm1 &f) {
    const Shown s = shownBy(f);
    QStringList values{s.width, s.height, s.extension, s.folder};
    for (const int v :
         {int(s.addExtension), int(s.overwrite), s.fillColor, int(s.aspect), int(s.transparent)})
        values << QString::number(v);
    for (const QCheckBox *box : {f.CheckBox5, f.CheckBox6, f.CheckBox7, f.CheckBox8, f.CheckBox9,
                                 f.CheckBox10, f.CheckBox11})
        values << QString::number(box->isChecked());
    values << QString::number(f.ComboBox1->currentIndex()) << QString::number(f.SpinBox1->value());
    return values.join(QLatin1Char('|'));
}

QString tableValues(bool firstStart) {
    const auto pick = [firstStart](const auto &row) {
        return firstStart ? row.firstStart : row.missingKey;
    };
    const BatchDefaults &d = kDefaults;
    QStringList values;
    for (const int v : {pick(d.width), pick(d.height)})
        values << QString::number(v);
    for (const std::string_view v : {pick(d.suffix), pick(d.targetFolder)})
        values << QString::fromUtf8(v);
    for (const int v :
         {int(pick(d.addSuffix)), int(pick(d.overwrite)), pick(d.fill), int(pick(d.keepAspect)),
          int(pick(d.transparent)), int(pick(d.eraseEmpty)), int(pick(d.smooth)),
          int(pick(d.upright)), int(pick(d.keepProfile)), int(pick(d.srgb)), int(pick(d.recursive)),
          int(pick(d.update)), int(pick(d.format)), pick(d.quality)})
        values << QString::number(v);
    return values.join(QLatin1Char('|'));
}

} // namespace

void TestSettings::windowStartsFromTheDefaultsTable_data() {
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<bool>("firstStart");
    QTest::newRow("no file") << QByteArray() << true;
    QTest::newRow("every key missing") << QByteArray("[settings]\n") << false;
    QTest::newRow("no settings section") << QByteArray("[other]\nwidth=7\n") << false;
}

void TestSettings::windowStartsFromTheDefaultsTable() {
    QFETCH(QByteArray, file);
    QFETCH(bool, firstStart);
    if (!file.isEmpty())
        writeAll(ini_, file);
    TForm1 form(ini_, &prompt_);
    QCOMPARE(windowValues(form), tableValues(firstStart));
}

void TestSettings::firstStartWritesEveryKey() {
    {
        TForm1 form(ini_, &prompt_);
        form.KEL_edit5->setText(QStringLiteral("/srv/thumbs"));
    }
    QCOMPARE(readAll(ini_), QByteArray("[settings]\n"
                                       "width=160\n"
                                       "height=180\n"
                                       "extension=.thumb.jpg\n"
                                       "targetfolder=/srv/thumbs\n"
                                       "addextension=1\n"
                                       "overwrite=1\n"
                                       "fillcolor=0\n"
                                       "maintainaspect=1\n"
                                       "transparent=0\n"
                                       "smooth=0\n"
                                       "upright=0\n"
                                       "keepprofile=0\n"
                                       "format=jpeg\n"
                                       "quality=90\n"
                                       "srgb=0\n"
                                       "subfolders=0\n"
                                       "update=0\n"));
    QVERIFY(prompt_.errors.isEmpty());
}

void TestSettings::readsEachKey_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<int>("fillColor");
    QTest::addColumn<bool>("transparent");

    const QString thumb = QStringLiteral(".thumb.jpg");
    QTest::newRow("section header only") << QByteArray("[settings]\n") << "180"
                                         << "180" << thumb << true << 0 << true;
    QTest::newRow("empty file") << QByteArray() << "180"
                                << "180" << thumb << true << 0 << true;
    QTest::newRow("0x prefix") << QByteArray("[settings]\nwidth=0x1F4\nheight=0X1f4\n") << "500"
                               << "500" << thumb << true << 0 << true;
    QTest::newRow("dollar prefix") << QByteArray("[settings]\nwidth=$1F4\n") << "500"
                                   << "180" << thumb << true << 0 << true;
    QTest::newRow("not a number") << QByteArray("[settings]\nwidth=abc\nheight=\n") << "180"
                                  << "180" << thumb << true << 0 << true;
    QTest::newRow("bare 0x") << QByteArray("[settings]\nwidth=0x\n") << "180"
                             << "180" << thumb << true << 0 << true;
    QTest::newRow("too big") << QByteArray("[settings]\nwidth=2147483648\n") << "180"
                             << "180" << thumb << true << 0 << true;
    QTest::newRow("negative and spaced") << QByteArray("[settings]\nwidth =  -7 \n") << "-7"
                                         << "180" << thumb << true << 0 << true;
    QTest::newRow("overwrite=2 is true") << QByteArray("[settings]\noverwrite=2\n") << "180"
                                         << "180" << thumb << true << 0 << true;
    QTest::newRow("overwrite=0 is false") << QByteArray("[settings]\noverwrite=0\n") << "180"
                                          << "180" << thumb << false << 0 << true;
    QTest::newRow("yes gives the defaults")
        << QByteArray("[settings]\noverwrite=yes\ntransparent=yes\n") << "180"
        << "180" << thumb << true << 0 << true;
    QTest::newRow("transparent=0") << QByteArray("[settings]\ntransparent=0\n") << "180"
                                   << "180" << thumb << true << 0 << false;
    QTest::newRow("blue and a system colour")
        << QByteArray("[settings]\nfillcolor=16711680\n") << "180"
        << "180" << thumb << true << 16711680 << true;
    QTest::newRow("negative colour") << QByteArray("[settings]\nfillcolor=-2147483633\n") << "180"
                                     << "180" << thumb << true << int(clBtnFace) << true;
    QTest::newRow("names ignore case, values are trimmed")
        << QByteArray("[SETTINGS]\r\nWidth=  90\r\nEXTENSION = .t.jpg \r\n") << "90"
        << "180"
        << ".t.jpg" << true << 0 << true;
    QTest::newRow("empty extension stays empty") << QByteArray("[settings]\nextension=\n") << "180"
                                                 << "180"
                                                 << "" << true << 0 << true;
    QTest::newRow("keys of another section are not read")
        << QByteArray("[other]\nwidth=5\n[settings]\n") << "180"
        << "180" << thumb << true << 0 << true;
}

void TestSettings::readsEachKey() {
    QFETCH(QByteArray, file);
    writeAll(ini_, file);
    TForm1 form(ini_, &prompt_);
    const Shown s = shownBy(form);
    QTEST(s.width, "width");
    QTEST(s.height, "height");
    QTEST(s.extension, "extension");
    QTEST(s.overwrite, "overwrite");
    QTEST(s.fillColor, "fillColor");
    QTEST(s.transparent, "transparent");
    QCOMPARE(s.folder, QString());
    QVERIFY(s.addExtension);
    QVERIFY(s.aspect);
    QVERIFY(!form.CheckBox5->isChecked());
    QCOMPARE(form.KEL_progressbar1->Position(), 0.0);
}

void TestSettings::longFolderIsCutTo2047Characters() {
    const QByteArray folder = "/" + QByteArray(2999, 'd');
    writeAll(ini_, "[settings]\ntargetfolder=" + folder + "\n");
    TForm1 form(ini_, &prompt_);
    QCOMPARE(form.KEL_edit5->Text(), QString::fromLatin1(folder.left(2047)));
}

// Names that are not UTF-8 (an old camera card's) are shown and saved as the bytes they are.
// smooth, upright and keepprofile are off when missing, as in an older file; each is read and
// saved through its own box, the format through its choice (in any case), the quality as it is.
void TestSettings::bytesAndTheLaterKeysGoBothWays() {
    writeAll(ini_, "[settings]\nextension=.p\xe9.jpg\ntargetfolder=/card/caf\xe9\nsmooth=1\n"
                   "keepprofile=1\nformat=WebP\nquality=70\nsrgb=1\nupdate=1\n");
    {
        TForm1 form(ini_, &prompt_);
        QCOMPARE(form.KEL_edit6->Text(), NameFromBytes(".p\xe9.jpg"));
        QCOMPARE(form.KEL_edit5->Text(), NameFromBytes("/card/caf\xe9"));
        QCOMPARE(QList<bool>({form.CheckBox6->isChecked(), form.CheckBox7->isChecked(),
                              form.CheckBox8->isChecked()}),
                 QList<bool>({true, false, true}));
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("WebP"));
        QVERIFY(form.CheckBox9->isChecked());
        QCOMPARE(form.SpinBox1->value(), 70);
        QVERIFY(form.CheckBox11->isChecked());
        form.SpinBox1->setValue(55);
        form.CheckBox10->setChecked(true);
        form.CheckBox6->setChecked(false);
        form.CheckBox7->setChecked(true);
        form.ComboBox1->setCurrentIndex(2);
        form.CheckBox9->setChecked(false);
    }
    // Keys keep their places in the file; the missing one is added at the end.
    const QByteArray saved = readAll(ini_);
    QVERIFY2(saved.startsWith("[settings]\nextension=.p\xe9.jpg\ntargetfolder=/card/caf\xe9\n"
                              "smooth=0\nkeepprofile=1\nformat=avif\nquality=55\nsrgb=0\n"
                              "update=1\n") &&
                 saved.endsWith("\nupright=1\nsubfolders=1\n"),
             saved.constData());
}

void TestSettings::saveKeepsUnknownKeysSectionsAndComments() {
    writeAll(ini_, "; written by hand\n"
                   "[window]\n"
                   "left=10\n"
                   "[settings]\n"
                   "colour=blue\n"
                   "width=200\n"
                   "; keep me\n"
                   "\n"
                   "[last]\n"
                   "x=1\n");
    {
        TForm1 form(ini_, &prompt_);
        QCOMPARE(form.KEL_edit3->Text(), QStringLiteral("200"));
        form.KEL_edit3->setText(QStringLiteral("64"));
    }
    QCOMPARE(readAll(ini_), QByteArray("; written by hand\n"
                                       "[window]\n"
                                       "left=10\n"
                                       "[settings]\n"
                                       "colour=blue\n"
                                       "width=64\n") +
                                KeysAfterWidth +
                                QByteArray("; keep me\n"
                                           "\n"
                                           "[last]\n"
                                           "x=1\n"));
}

void TestSettings::eraseEmptyIsNotKept() {
    {
        TForm1 form(ini_, &prompt_);
        form.CheckBox5->setChecked(true);
        form.CheckBox1->setChecked(false);
        form.Panel1->setColor(rgbColor(1, 2, 3));
    }
    TForm1 again(ini_, &prompt_);
    QVERIFY(!again.CheckBox5->isChecked());
    QVERIFY(!again.CheckBox1->isChecked());
    QCOMPARE(again.Panel1->Color(), rgbColor(1, 2, 3));
}

void TestSettings::nonNumericSizeIsSavedAsZero() {
    {
        TForm1 form(ini_, &prompt_);
        form.KEL_edit3->setText(QStringLiteral("12.5"));
        form.KEL_edit4->setText(QString());
    }
    QVERIFY(readAll(ini_).contains("\nwidth=0\nheight=0\n"));
    TForm1 again(ini_, &prompt_);
    QCOMPARE(again.KEL_edit3->Text(), QStringLiteral("0"));
}

void TestSettings::readOnlyFileIsReportedAndTheWindowStillCloses() {
    const QByteArray before("[settings]\nwidth=99\n");
    writeAll(ini_, before);
    QVERIFY(QFile::setPermissions(ini_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    auto *form = new TForm1(ini_, &prompt_);
    form->show();
    QVERIFY(form->close());
    delete form;
    QCOMPARE(prompt_.errors, QStringList(QStringLiteral("Unable to write to ") + ini_));
    QCOMPARE(readAll(ini_), before);
}

void TestSettings::readOnlyFolderIsReported() {
    QVERIFY(QFile::setPermissions(dir_->qPath(), QFile::ReadOwner | QFile::ExeOwner));
    { TForm1 form(ini_, &prompt_); }
    QVERIFY(QFile::setPermissions(dir_->qPath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(prompt_.errors, QStringList(QStringLiteral("Unable to write to ") + ini_));
    QVERIFY(!QFile::exists(ini_));
}

void TestSettings::keepsMarkLineEndsAndSpelling() {
    writeAll(ini_, "\xEF\xBB\xBF; mine\n"
                   "[settings]\r\n"
                   "Width=200\r\n"
                   "targetfolder=\"/home/me/My Thumbs\"\r\n"
                   "[other]\n"
                   "x=1");
    {
        TForm1 form(ini_, &prompt_);
        QCOMPARE(form.KEL_edit3->Text(), QStringLiteral("200"));
        QCOMPARE(form.KEL_edit5->Text(), QStringLiteral("/home/me/My Thumbs"));
    }
    QCOMPARE(readAll(ini_), QByteArray("\xEF\xBB\xBF; mine\n"
                                       "[settings]\r\n"
                                       "Width=200\r\n"
                                       "targetfolder=/home/me/My Thumbs\r\n"
                                       "height=180\r\n"
                                       "extension=.thumb.jpg\r\n"
                                       "addextension=1\r\n"
                                       "overwrite=1\r\n"
                                       "fillcolor=0\r\n"
                                       "maintainaspect=1\r\n"
                                       "transparent=1\r\n"
                                       "smooth=0\r\n"
                                       "upright=0\r\n"
                                       "keepprofile=0\r\n"
                                       "format=jpeg\r\n"
                                       "quality=90\r\n"
                                       "srgb=0\r\n"
                                       "subfolders=0\r\n"
                                       "update=0\r\n"
                                       "[other]\n"
                                       "x=1\n"));
}

void TestSettings::linkedFileStaysALink() {
    const QString real = dir_->filePath(QStringLiteral("real.ini"));
    writeAll(real, "[settings]\nwidth=77\n");
    QVERIFY(QFile::link(QStringLiteral("real.ini"), ini_));
    {
        TForm1 form(ini_, &prompt_);
        QCOMPARE(form.KEL_edit3->Text(), QStringLiteral("77"));
        form.KEL_edit4->setText(QStringLiteral("55"));
    }
    QCOMPARE(QFileInfo(ini_).symLinkTarget(), real);
    QVERIFY(readAll(real).startsWith("[settings]\nwidth=77\nheight=55\n"));
    QVERIFY(prompt_.errors.isEmpty());
}

void TestSettings::fifoIsRefusedWithoutWaiting() {
    QCOMPARE(mkfifo(QFile::encodeName(ini_).constData(), 0644), 0);
    QElapsedTimer clock;
    clock.start();
    { TForm1 form(ini_, &prompt_); }
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(prompt_.errors, QStringList(QStringLiteral("Unable to write to ") + ini_));
}

void TestSettings::killedWhileSavingLeavesTheOldOrTheNewFile() {
    const std::string file = QFile::encodeName(ini_).toStdString();
    writeAll(ini_, "; kept\n[settings]\nwidth=1\n");
    SaveSettings(file, SaverSetB);
    const QByteArray textB = readAll(ini_);
    SaveSettings(file, SaverSetA);
    const QByteArray textA = readAll(ini_);
    QVERIFY(textA != textB);
    for (int round = 0; round < 60; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(SETTINGS_SAVER), {ini_});
        QVERIFY(saver.waitForReadyRead(10000));
        QThread::usleep(QRandomGenerator::global()->bounded(5000));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        const QByteArray text = readAll(ini_);
        QVERIFY2(text == textA || text == textB, qPrintable(QString::number(round)));
        // A kill between naming the temporary file and renaming it may leave that one file;
        // the next save sweeps it, so leftovers never pile up.
        QVERIFY(folderEntries().size() <= 2);
    }
    SaveSettings(file, SaverSetA);
    QCOMPARE(folderEntries(), QStringList(QStringLiteral("Quillet.ini")));
}

QStringList TestSettings::folderEntries() const {
    return QDir(dir_->qPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
