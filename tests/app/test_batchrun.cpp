// The Convert button's batch run on real JPEG files, with the questions answered by script.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "batchcore.h"
#include "jpegfixtures.h"
#include "logtext.h"
#include "offthread.h"
#include "scriptedprompt.h"
#include "settingsstamp.h"
#include "thumbbatch.h"
#include "umain.h"

#include "tempfolder.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextBlock>
#include <QtTest>

#include <map>
#include <memory>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A log line without its time prefix; the prefix must be a time in the long format.
QString withoutTime(const QString &line) {
    const qsizetype cut = line.indexOf(QStringLiteral("> "));
    if (cut < 0)
        return QStringLiteral("<no time prefix> ") + line;
    const QString time = line.left(cut);
    if (!QTime::fromString(time, LongTimeFormat(QLocale::system())).isValid() &&
        !QLocale::system().toTime(time, LongTimeFormat(QLocale::system())).isValid())
        return QStringLiteral("<bad time ") + time + QStringLiteral("> ") + line.mid(cut + 2);
    return line.mid(cut + 2);
}

// "Finished (1.23s)." with any two-decimal number becomes "Finished (#s).".
QString maskSeconds(QString line) {
    static const QRegularExpression seconds(QStringLiteral("^Finished \\(\\d+[.,]\\d\\ds\\)\\.$"));
    return seconds.match(line).hasMatch() ? QStringLiteral("Finished (#s).") : line;
}

// The data rows name the files T1, T2 and S2; the test knows their real paths. One pass, so
// a random folder name that holds "T2" is not replaced in its turn.
QStringList withNames(QStringList lines, const QString &t1, const QString &t2, const QString &s2) {
    for (QString &line : lines) {
        QStringList parts = line.split(QStringLiteral("T1"));
        for (QString &part : parts)
            part = part.split(QStringLiteral("T2"))
                       .replaceInStrings(QStringLiteral("S2"), s2)
                       .join(t2);
        line = parts.join(t1);
    }
    return lines;
}

void writeText(const QString &name, const QByteArray &text) {
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write a test file");
}

// Every file in a folder, hidden ones too (a left-over temporary file would show), by name.
std::map<QString, QByteArray> filesIn(const QString &folder) {
    std::map<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        files[name] = readAll(folder + QLatin1Char('/') + name);
    return files;
}

// Every file below a folder by its path there, links not followed.
std::map<QString, QByteArray> treeOf(const QString &folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!it.fileInfo().isSymLink())
            files[QDir(folder).relativeFilePath(path)] = readAll(path);
    }
    return files;
}

// The journal's lines that begin with `start`, without it.
QStringList linesFrom(const QStringList &journal, const QString &start) {
    QStringList lines;
    for (const QString &line : journal)
        if (line.startsWith(start))
            lines << line.mid(start.size());
    return lines;
}

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyListDoesNothing();
    void oneFileIsConverted();
    void progressButtonsAndCursorDuringARun();
    void existingTarget_data();
    void existingTarget();
    void overwriteAllowedAsksNothing();
    void failedFile_data();
    void failedFile();
    void samePathTwiceAsksTheSecondTime();
    void suffixWithASlash();
    void emptyFolderPutsEachThumbnailBesideItsPhoto();
    void emptyBoxIsRefusedBeforeTheRun_data();
    void emptyBoxIsRefusedBeforeTheRun();
    void closeDuringARunWaitsForItsEnd();
    void logKeepsAtMost501Lines();
    void sameResultWithOneOrFourWorkers_data();
    void sameResultWithOneOrFourWorkers();
    void stopHalfwayWritesNothingAfter();
    void stopEndsTheRunAfterThePhotoInHand_data();
    void stopEndsTheRunAfterThePhotoInHand();
    void inputDuringARunIsDropped();
    void messageBoxesOfARunTakeClicks();
    void existingTargetsAnsweredForTheWholeRun_data();
    void existingTargetsAnsweredForTheWholeRun();
    void sameBatchFilesAreNeverReplaced_data();
    void sameBatchFilesAreNeverReplaced();
    void targetChangedMeanwhileIsAskedAgain_data();
    void targetChangedMeanwhileIsAskedAgain();
    void photoChangedAfterReadingAheadIsReadAgain();
    void batchStaysWithinItsReadAhead();
    void subfoldersMirrorTheTree_data();
    void subfoldersMirrorTheTree();
    void upToDateThumbnailsAreSkipped_data();
    void upToDateThumbnailsAreSkipped();

private:
    QString photo(const QString &name, QSize size = QSize(64, 48));
    QString entry(const QString &kindAndName);
    void add(const QString &path) { form_->KEL_listbox1->AddItem(path); }
    QString out(const QString &name) const { return outDir_->filePath(name); }
    QStringList run();

    std::unique_ptr<TempFolder> srcDir_;
    std::unique_ptr<TempFolder> outDir_;
    std::unique_ptr<TempFolder> iniDir_;
    ScriptedPrompt prompt_;
    QList<double> positions_; // the progress bar's position at each log line
    std::unique_ptr<TForm1> form_;
};

void TestBatchRun::init() {
    srcDir_ = std::make_unique<TempFolder>();
    outDir_ = std::make_unique<TempFolder>();
    iniDir_ = std::make_unique<TempFolder>();
    prompt_ = ScriptedPrompt();
    positions_.clear();
    form_ = std::make_unique<TForm1>(iniDir_->filePath(QStringLiteral("Quillet.ini")), &prompt_);
    form_->KEL_edit5->setText(outDir_->qPath());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    // Every log line goes to the journal the prompt also writes to.
    connect(form_->Memo1, &QPlainTextEdit::textChanged, this, [this] {
        const QString last = form_->Memo1->document()->lastBlock().text();
        if (last.isEmpty())
            return;
        prompt_.journal << QStringLiteral("log: ") + maskSeconds(withoutTime(last));
        positions_ << form_->KEL_progressbar1->Position();
    });
}

void TestBatchRun::cleanup() {
    form_.reset();
    QVERIFY(prompt_.answers.isEmpty());
}

// A photo with detail everywhere, so that a wrong row or column changes the thumbnail.
QString TestBatchRun::photo(const QString &name, QSize size) {
    const QString path = srcDir_->filePath(name);
    WriteFile(path.toStdString(),
              EncodeJpeg(PatternPicture(size.width(), size.height(), 3, unsigned(qHash(name)))));
    return path;
}

// One list entry of a data row: "photo:x" a photo (a large one for "big"), "bad:x" a text
// file, "fifo:x" a FIFO no one writes to, "dir:x" a folder, "gone:x" nothing; each named x.jpg.
QString TestBatchRun::entry(const QString &kindAndName) {
    const QString kind = kindAndName.section(QLatin1Char(':'), 0, 0);
    const QString name = kindAndName.section(QLatin1Char(':'), 1) + QStringLiteral(".jpg");
    const QString path = srcDir_->filePath(name);
    if (QFile::exists(path) || kind == QStringLiteral("gone"))
        return path;
    bool made = true;
    if (kind == QStringLiteral("bad"))
        writeText(path, "just text");
    else if (kind == QStringLiteral("fifo"))
        made = ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    else if (kind == QStringLiteral("dir"))
        made = QDir().mkdir(path);
    else
        photo(name, name == QStringLiteral("big.jpg") ? QSize(2000, 1500) : QSize(320, 240));
    if (!made)
        qFatal("cannot make a test entry");
    return path;
}

QStringList TestBatchRun::run() {
    form_->KEL_grbutton1->Click();
    return prompt_.journal;
}

void TestBatchRun::emptyListDoesNothing() {
    QCOMPARE(run(), QStringList());
    QCOMPARE(form_->Memo1->toPlainText(), QString());
    QVERIFY(form_->KEL_grbutton1->Enabled());
    QCOMPARE(form_->KEL_progressbar1->Position(), 0.0);
}

void TestBatchRun::oneFileIsConverted() {
    const QString src = photo(QStringLiteral("img01.jpg"), QSize(640, 480));
    add(src);
    const QString target = out(QStringLiteral("img01.jpg.thumb.jpg"));
    QCOMPARE(run(), QStringList({QStringLiteral("log: Converting file ") + src + "..",
                                 QStringLiteral("log: Thumbnail ") + target + " done.",
                                 QStringLiteral("log: Finished (#s).")}));
    QCOMPARE(form_->Memo1->document()->blockCount(), 3);
    const ReferenceResult expected =
        ReferenceThumbnail(ReadFile(src.toStdString()), 160, 180, true, clBlack, false);
    QVERIFY(expected.ok);
    QCOMPARE(readAll(target), QByteArray::fromStdString(expected.bytes));
    QVERIFY(form_->KEL_grbutton1->Enabled());
    QVERIFY(form_->KEL_grbutton2->Enabled());
    QVERIFY(!form_->KEL_grbutton1->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!form_->KEL_listbox1->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(form_->KEL_progressbar1->Position(), 0.0);
    QVERIFY(!form_->Running());
}

void TestBatchRun::progressButtonsAndCursorDuringARun() {
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        add(photo(QString::fromLatin1(name)));
    struct Seen {
        QString line;
        double position;
        bool convertEnabled, closeEnabled;
        Qt::CursorShape buttonCursor, listCursor;
    };
    QList<Seen> seen;
    connect(form_->Memo1, &QPlainTextEdit::textChanged, this, [&] {
        // The wait cursor belongs to the two controls only, never to the whole application.
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QVERIFY(form_->cursor().shape() != Qt::WaitCursor);
        seen.append({withoutTime(form_->Memo1->document()->lastBlock().text()),
                     form_->KEL_progressbar1->Position(), form_->KEL_grbutton1->Enabled(),
                     form_->KEL_grbutton2->Enabled(), form_->KEL_grbutton1->cursor().shape(),
                     form_->KEL_listbox1->cursor().shape()});
    });
    run();
    QCOMPARE(seen.size(), 7);
    const double expected[] = {0.0, 100.0 / 3, 200.0 / 3};
    for (int i = 0; i < 3; ++i) {
        const Seen &s = seen[2 * i];
        QVERIFY2(s.line.startsWith(QStringLiteral("Converting file ")), qPrintable(s.line));
        QCOMPARE(s.position, expected[i]);
        QVERIFY(!s.convertEnabled && !s.closeEnabled);
        QCOMPARE(s.buttonCursor, Qt::WaitCursor);
        QCOMPARE(s.listCursor, Qt::WaitCursor);
    }
    const Seen &finished = seen.back();
    QVERIFY(finished.line.startsWith(QStringLiteral("Finished (")));
    QCOMPARE(finished.position, 0.0);
    QVERIFY(!finished.convertEnabled);
    QVERIFY(form_->KEL_grbutton1->Enabled() && form_->KEL_grbutton2->Enabled());
    QCOMPARE(form_->KEL_grbutton1->cursor().shape(), Qt::ArrowCursor);
}

// A link at the target, even a dangling one, exists as quillet-thumb sees it.
void TestBatchRun::existingTarget_data() {
    QTest::addColumn<bool>("danglingLink"); // else a file
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("tail"); // what follows the "already exists" question
    QTest::addColumn<bool>("firstReplaced");
    QTest::addColumn<bool>("secondConverted");

    QTest::newRow("overwrite") << false << QList<bool>{true}
                               << QStringList({"log: .. Overwriting T1", "log: Thumbnail T1 done.",
                                               "log: Converting file S2..",
                                               "log: Thumbnail T2 done.", "log: Finished (#s)."})
                               << true << true;
    QTest::newRow("skip and go on")
        << false << QList<bool>{false, true}
        << QStringList({"ask: Continue process?", "log: Converting file S2..",
                        "log: Thumbnail T2 done.", "log: Finished (#s)."})
        << false << true;
    QTest::newRow("stop") << false << QList<bool>{false, false}
                          << QStringList({"ask: Continue process?", "log: Process interrupted.",
                                          "info: Process Interrupted!", "log: Finished (#s)."})
                          << false << false;
    QTest::newRow("dangling link, overwrite")
        << true << QList<bool>{true}
        << QStringList({"log: .. Overwriting T1", "log: Thumbnail T1 done.",
                        "log: Converting file S2..", "log: Thumbnail T2 done.",
                        "log: Finished (#s)."})
        << true << true;
    QTest::newRow("dangling link, skip")
        << true << QList<bool>{false, true}
        << QStringList({"ask: Continue process?", "log: Converting file S2..",
                        "log: Thumbnail T2 done.", "log: Finished (#s)."})
        << false << true;
}

void TestBatchRun::existingTarget() {
    QFETCH(bool, danglingLink);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, tail);
    QFETCH(bool, firstReplaced);
    QFETCH(bool, secondConverted);

    const QString s1 = photo(QStringLiteral("one.jpg")), s2 = photo(QStringLiteral("two.jpg"));
    const QString t1 = out(QStringLiteral("one.jpg.thumb.jpg"));
    const QString t2 = out(QStringLiteral("two.jpg.thumb.jpg"));
    if (danglingLink)
        QVERIFY(QFile::link(out(QStringLiteral("gone")), t1));
    else
        writeText(t1, "old");
    add(s1);
    add(s2);
    form_->CheckBox3->setChecked(false);
    prompt_.answers = answers;

    QStringList expected = {QStringLiteral("log: Converting file ") + s1 + "..",
                            QStringLiteral("log: .. File ") + t1 + " already exists.",
                            QStringLiteral("ask: File \"") + t1 +
                                "\" already exists, Overwrite file?"};
    expected << withNames(tail, t1, t2, s2);
    QCOMPARE(run(), expected);
    QCOMPARE(danglingLink ? !QFileInfo(t1).isSymLink() : readAll(t1) != "old", firstReplaced);
    QCOMPARE(QFile::exists(t2), secondConverted);
    QVERIFY(form_->KEL_grbutton1->Enabled() && form_->KEL_grbutton2->Enabled());
    QCOMPARE(form_->KEL_progressbar1->Position(), 0.0);
}

void TestBatchRun::overwriteAllowedAsksNothing() {
    const QString src = photo(QStringLiteral("one.jpg"));
    const QString target = out(QStringLiteral("one.jpg.thumb.jpg"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    add(src);
    QVERIFY(form_->CheckBox3->isChecked());
    QCOMPARE(run(), QStringList({QStringLiteral("log: Converting file ") + src + "..",
                                 QStringLiteral("log: Thumbnail ") + target + " done.",
                                 QStringLiteral("log: Finished (#s).")}));
    QVERIFY(readAll(target).startsWith("\xFF\xD8"));
}

void TestBatchRun::failedFile_data() {
    QTest::addColumn<bool>("interrupt");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("skip") << false
                          << QStringList({"log: Skipped T1.", "log: Converting file S2..",
                                          "log: Thumbnail T2 done.", "log: Finished (#s)."});
    QTest::newRow("interrupt") << true
                               << QStringList({"log: Process interrupted.",
                                               "info: Process Interrupted!",
                                               "log: Finished (#s)."});
}

void TestBatchRun::failedFile() {
    QFETCH(bool, interrupt);
    QFETCH(QStringList, tail);
    const QString s1 = srcDir_->filePath(QStringLiteral("notajpeg.jpg"));
    QFile text(s1);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("just text");
    text.close();
    const QString s2 = photo(QStringLiteral("good.jpg"));
    const QString t1 = out(QStringLiteral("notajpeg.jpg.thumb.jpg"));
    const QString t2 = out(QStringLiteral("good.jpg.thumb.jpg"));
    add(s1);
    add(s2);
    prompt_.answers = {interrupt};

    QStringList expected = {
        QStringLiteral("log: Converting file ") + s1 + "..",
        QStringLiteral("log: Failed to create thumbnail of ") + t1 + ".",
        // In the command line's words ('j', 'u': "just text").
        QStringLiteral(
            "log: .. the photo cannot be decoded: Not a JPEG file: starts with 0x6a 0x75"),
        QStringLiteral("ask: Failed to convert \"") + s1 + "\" to thumbnail, Interrupt process?"};
    expected << withNames(tail, t1, t2, s2);
    QCOMPARE(run(), expected);
    QCOMPARE(QFile::exists(t2), !interrupt);
    QVERIFY(form_->KEL_grbutton1->Enabled() && form_->KEL_grbutton2->Enabled());
}

void TestBatchRun::samePathTwiceAsksTheSecondTime() {
    const QString src = photo(QStringLiteral("twice.jpg"));
    const QString target = out(QStringLiteral("twice.jpg.thumb.jpg"));
    add(src);
    add(src);
    form_->CheckBox3->setChecked(false);
    prompt_.answers = {true};
    QCOMPARE(run(), QStringList({QStringLiteral("log: Converting file ") + src + "..",
                                 QStringLiteral("log: Thumbnail ") + target + " done.",
                                 QStringLiteral("log: Converting file ") + src + "..",
                                 QStringLiteral("log: .. File ") + target + " already exists.",
                                 QStringLiteral("ask: File \"") + target +
                                     "\" already exists, Overwrite file?",
                                 QStringLiteral("log: .. Overwriting ") + target,
                                 QStringLiteral("log: Thumbnail ") + target + " done.",
                                 QStringLiteral("log: Finished (#s).")}));
}

void TestBatchRun::suffixWithASlash() {
    const QString src = photo(QStringLiteral("cut.jpg"));
    add(src);
    form_->KEL_edit6->setText(QStringLiteral("-x/small.jpg"));
    const QString target = out(QStringLiteral("small.jpg"));
    QCOMPARE(run(), QStringList({QStringLiteral("log: Converting file ") + src + "..",
                                 QStringLiteral("log: Thumbnail ") + target + " done.",
                                 QStringLiteral("log: Finished (#s).")}));
    QVERIFY(QFile::exists(target));
}

void TestBatchRun::emptyFolderPutsEachThumbnailBesideItsPhoto() {
    add(photo(QStringLiteral("a.jpg")));
    form_->KEL_edit5->setText(QString());
    const QString thumbnail = srcDir_->filePath(QStringLiteral("a.jpg.thumb.jpg"));
    QCOMPARE(run().filter(QStringLiteral("log: Thumbnail ")),
             QStringList("log: Thumbnail " + thumbnail + " done."));
    QVERIFY(readAll(thumbnail).startsWith("\xFF\xD8"));
}

// One box names every side below a pixel and the run does not start.
void TestBatchRun::emptyBoxIsRefusedBeforeTheRun_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("focused");
    QTest::newRow("width 0") << "0"
                             << "180"
                             << "The output width must be at least 1 pixel."
                             << "KEL_edit3";
    QTest::newRow("width empty") << ""
                                 << "180"
                                 << "The output width must be at least 1 pixel."
                                 << "KEL_edit3";
    QTest::newRow("height 0") << "160"
                              << "0"
                              << "The output height must be at least 1 pixel."
                              << "KEL_edit4";
    QTest::newRow("both 0") << "0"
                            << "0"
                            << "The output width and height must be at least 1 pixel."
                            << "KEL_edit3";
}

void TestBatchRun::emptyBoxIsRefusedBeforeTheRun() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, told);
    add(photo(QStringLiteral("a.jpg")));
    add(photo(QStringLiteral("b.jpg")));
    form_->KEL_edit3->setText(width);
    form_->KEL_edit4->setText(height);
    QCOMPARE(run(), QStringList(QStringLiteral("info: ") + told));
    QTEST(form_->focusWidget() ? form_->focusWidget()->parentWidget()->objectName() : QString(),
          "focused");
    QVERIFY(filesIn(outDir_->qPath()).empty());
    QVERIFY(!form_->Running());
}

void TestBatchRun::closeDuringARunWaitsForItsEnd() {
    const QString src = photo(QStringLiteral("one.jpg"));
    add(src);
    add(src);
    form_->CheckBox3->setChecked(false);
    bool visibleAfterClose = false;
    prompt_.onQuestion = [&] {
        form_->close();
        visibleAfterClose = form_->isVisible();
    };
    prompt_.answers = {true};
    run();
    QVERIFY(visibleAfterClose);
    QVERIFY(!form_->isVisible());
    QVERIFY(prompt_.journal.last().endsWith(QStringLiteral("Finished (#s).")));
}

void TestBatchRun::logKeepsAtMost501Lines() {
    for (int i = 0; i < 600; ++i)
        form_->WriteLog(QString::number(i));
    QTextDocument *log = form_->Memo1->document();
    QCOMPARE(log->blockCount(), 501);
    QCOMPARE(withoutTime(log->firstBlock().text()), QStringLiteral("99"));
    QCOMPARE(withoutTime(log->lastBlock().text()), QStringLiteral("599"));
}

// The same batch with one worker and with four: the same log, questions, progress positions
// and files, byte for byte.
void TestBatchRun::sameResultWithOneOrFourWorkers_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("existing"); // targets that hold "old" before the run
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("suffix"); // empty: "Add this as file extension" unchecked
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<bool>>("answers");

    const QString thumb = QStringLiteral(".thumb.jpg");
    QTest::newRow("failures skipped")
        << QStringList{"photo:big", "bad:t", "photo:a", "gone:g", "fifo:f", "dir:d", "photo:b"}
        << QStringList{} << true << thumb << 160 << QList<bool>{false, false, false, false};
    QTest::newRow("failure interrupts")
        << QStringList{"photo:big", "photo:a", "bad:t", "photo:b", "photo:c"} << QStringList{}
        << true << thumb << 160 << QList<bool>{true};
    QTest::newRow("existing targets") << QStringList{"photo:big", "photo:a", "photo:b", "photo:c"}
                                      << QStringList{"big.jpg.thumb.jpg", "b.jpg.thumb.jpg"}
                                      << false << thumb << 160 << QList<bool>{true, false, true};
    QTest::newRow("same path twice")
        << QStringList{"photo:big", "photo:a", "photo:big", "photo:a", "bad:t"} << QStringList{}
        << false << thumb << 160 << QList<bool>{true, false, true, false};
    QTest::newRow("suffix with a slash")
        << QStringList{"photo:big", "photo:a", "photo:b"} << QStringList{} << false
        << QStringLiteral("-x/small.jpg") << 160 << QList<bool>{true, false, false};
    QTest::newRow("no suffix") << QStringList{"photo:big", "photo:a"} << QStringList{"a.jpg"}
                               << true << QString() << 120 << QList<bool>{};
}

void TestBatchRun::sameResultWithOneOrFourWorkers() {
    QFETCH(QStringList, entries);
    QFETCH(QStringList, existing);
    QFETCH(bool, overwrite);
    QFETCH(QString, suffix);
    QFETCH(int, width);
    QFETCH(QList<bool>, answers);

    for (const QString &kindAndName : entries)
        add(entry(kindAndName));
    form_->CheckBox3->setChecked(overwrite);
    form_->CheckBox4->setChecked(!suffix.isEmpty());
    form_->KEL_edit6->setText(suffix);
    form_->KEL_edit3->setText(QString::number(width));

    struct Outcome {
        QStringList journal;
        QList<double> positions;
        std::map<QString, QByteArray> files;
    };
    Outcome outcomes[2];
    const int workers[2] = {1, 4};
    for (int k = 0; k < 2; ++k) {
        TempFolder folder;
        for (const QString &name : existing)
            writeText(folder.filePath(name), "old");
        form_->KEL_edit5->setText(folder.qPath());
        form_->setBatchWorkers(workers[k]);
        prompt_.journal.clear();
        positions_.clear();
        prompt_.answers = answers;
        run();
        QVERIFY2(prompt_.answers.isEmpty(), qPrintable(prompt_.journal.join(QLatin1Char('\n'))));
        outcomes[k] = {prompt_.journal.replaceInStrings(folder.qPath(), QStringLiteral("OUT")),
                       positions_, filesIn(folder.qPath())};
    }
    QCOMPARE(outcomes[1].journal, outcomes[0].journal);
    QCOMPARE(outcomes[1].positions, outcomes[0].positions);
    QVERIFY(outcomes[1].files == outcomes[0].files);
}

// "No" to "Continue process?" halfway through a long batch: nothing after is written, and
// nothing converted ahead of the run is left anywhere.
void TestBatchRun::stopHalfwayWritesNothingAfter() {
    for (int i = 0; i < 50; ++i)
        add(photo(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    writeText(out(QStringLiteral("p25.jpg.thumb.jpg")), "old");
    form_->CheckBox3->setChecked(false);
    form_->setBatchWorkers(4);
    prompt_.answers = {false, false};
    const QStringList journal = run();
    QCOMPARE(journal.filter(QStringLiteral("log: Converting file ")).size(), 26);
    QCOMPARE(journal.mid(journal.size() - 3),
             QStringList({"log: Process interrupted.", "info: Process Interrupted!",
                          "log: Finished (#s)."}));
    // p00 to p24 written, p25 as it was, and nothing else (names sort in list order).
    const std::map<QString, QByteArray> files = filesIn(outDir_->qPath());
    QCOMPARE(files.size(), std::size_t(26));
    QCOMPARE(files.begin()->first, QStringLiteral("p00.jpg.thumb.jpg"));
    QCOMPARE(files.rbegin()->first, QStringLiteral("p25.jpg.thumb.jpg"));
    QCOMPARE(files.rbegin()->second, QByteArray("old"));
}

// Esc, the close box, or a signal while a question is open end a run after the photo in hand
// (the first, or the one asked about), complete or absent; a close then closes the window.
void TestBatchRun::stopEndsTheRunAfterThePhotoInHand_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "esc";
    QTest::newRow("close box") << "close";
    QTest::newRow("signal while a question is open") << "signal";
}

void TestBatchRun::stopEndsTheRunAfterThePhotoInHand() {
    QFETCH(QString, how);
    for (int i = 0; i < 6; ++i)
        add(photo(QStringLiteral("p%1.jpg").arg(i), QSize(640, 480)));
    const auto stop = [&] {
        if (how == QLatin1String("esc"))
            QTest::keyClick(form_->windowHandle(), Qt::Key_Escape);
        else
            form_->close(); // what the close box and the signal's handler do
    };
    if (how == QLatin1String("signal")) {
        writeText(out(QStringLiteral("p0.jpg.thumb.jpg")), "old");
        form_->CheckBox3->setChecked(false);
        prompt_.answers = {false}; // the closed box's answer to "Overwrite file?"
        prompt_.onQuestion = stop;
    } else {
        connect(form_->Memo1, &QPlainTextEdit::textChanged, form_.get(), [&] {
            if (prompt_.journal.filter(QStringLiteral(" done.")).size() == 1)
                stop();
        });
    }
    const QStringList journal = run();
    QCOMPARE(journal.filter(QStringLiteral(" done.")).size(),
             how == QLatin1String("signal") ? 0 : 1);
    QCOMPARE(journal.filter(QStringLiteral("Process interrupted.")).size(), 1);
    QCOMPARE(journal.last(), QStringLiteral("log: Finished (#s)."));
    QCOMPARE(journal.filter(QRegularExpression(QStringLiteral("Interrupted!|Continue"))).size(), 0);
    QCOMPARE(form_->isVisible(), how == QLatin1String("esc"));
    // p0's thumbnail, whole (or as it was), and nothing half-written beside it.
    const std::map<QString, QByteArray> files = filesIn(outDir_->qPath());
    QCOMPARE(files.size(), std::size_t(1));
    const QByteArray p0 = files.at(QStringLiteral("p0.jpg.thumb.jpg"));
    QVERIFY(how == QLatin1String("signal") ? p0 == "old" : !QImage::fromData(p0).isNull());
}

// A second Convert and a check box clicked while a run holds the window come to nothing, then
// or afterwards; the same clicks work once the run is over.
void TestBatchRun::inputDuringARunIsDropped() {
    for (int i = 0; i < 6; ++i)
        add(photo(QStringLiteral("p%1.jpg").arg(i), QSize(800, 600)));
    form_->setBatchWorkers(1);
    QWindow *window = form_->windowHandle();
    const auto click = [&](QWidget *w) {
        QTest::mouseClick(window, Qt::LeftButton, {}, w->mapTo(form_.get(), w->rect().center()));
    };
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    form_->CheckBox2->setFocus();
    QTimer::singleShot(0, this, [&] {
        QVERIFY(form_->Running());
        QTest::keyClick(window, Qt::Key_Space);
        click(form_->KEL_grbutton1);
        click(form_->CheckBox5);
    });
    run();
    QTest::qWait(100); // anything held back would arrive now
    QCOMPARE(prompt_.journal.filter(QStringLiteral("Finished (")).size(), 1);
    QVERIFY(!form_->CheckBox2->isChecked());
    QVERIFY(!form_->CheckBox5->isChecked());

    click(form_->CheckBox5);
    QVERIFY(form_->CheckBox5->isChecked());
    form_->CheckBox5->setChecked(false);
    click(form_->KEL_grbutton1);
    QCOMPARE(prompt_.journal.filter(QStringLiteral("Finished (")).size(), 2);
}

// The run's own message boxes get the clicks that the window it holds does not.
void TestBatchRun::messageBoxesOfARunTakeClicks() {
    TForm1 form(iniDir_->filePath(QStringLiteral("boxes.ini"))); // real message boxes
    form.KEL_edit5->setText(outDir_->qPath());
    form.CheckBox3->setChecked(false);
    form.KEL_listbox1->AddItem(photo(QStringLiteral("a.jpg")));
    writeText(out(QStringLiteral("a.jpg.thumb.jpg")), "old");
    form.show();
    int clicks = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (++clicks > 10) // the clicks do not arrive: end the question without them
            return box->done(QMessageBox::Yes);
        QAbstractButton *yes = box->button(QMessageBox::Yes);
        QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                          yes->mapTo(box, yes->rect().center()));
    });
    answer.start(50);
    form.KEL_grbutton1->Click();
    QCOMPARE(clicks, 1);
    QVERIFY(readAll(out(QStringLiteral("a.jpg.thumb.jpg"))).startsWith("\xFF\xD8"));
}

// Real question boxes answered by their keys, one key per box that opens; six photos whose
// thumbnails all exist.
void TestBatchRun::existingTargetsAnsweredForTheWholeRun_data() {
    QTest::addColumn<QList<QKeySequence>>("keys");
    QTest::addColumn<int>("replaced");
    QTest::addColumn<int>("skippedInTheLog");
    const QKeySequence yes(Qt::ALT | Qt::Key_Y), noToAll(Qt::ALT | Qt::Key_O),
        yesToAll(Qt::ALT | Qt::Key_A), esc(Qt::Key_Escape);
    QTest::newRow("No to All") << QList<QKeySequence>{noToAll} << 0 << 6;
    QTest::newRow("Yes to All") << QList<QKeySequence>{yesToAll} << 6 << 0;
    QTest::newRow("Yes, then No to All") << QList<QKeySequence>{yes, noToAll} << 1 << 5;
    // Esc is No, and the next question's Esc ends the run.
    QTest::newRow("Esc, Esc") << QList<QKeySequence>{esc, esc} << 0 << 0;
}

void TestBatchRun::existingTargetsAnsweredForTheWholeRun() {
    QFETCH(QList<QKeySequence>, keys);
    QFETCH(int, replaced);
    QFETCH(int, skippedInTheLog);
    TForm1 form(iniDir_->filePath(QStringLiteral("boxes.ini"))); // real message boxes
    form.KEL_edit5->setText(outDir_->qPath());
    form.CheckBox3->setChecked(false);
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        form.KEL_listbox1->AddItem(photo(name));
        writeText(out(name + QStringLiteral(".thumb.jpg")), "old");
    }
    form.show();
    int boxes = 0; // every question that opened, answered by its key or not
    QPointer<QMessageBox> last;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        if (box->icon() != QMessageBox::Question) // "Process Interrupted!"
            return box->done(QMessageBox::Ok);
        if (box != last) {
            last = box;
            ++boxes;
        }
        // An access key reaches a box only once it is the active window.
        if (!box->isActiveWindow())
            return box->activateWindow();
        if (boxes > keys.size()) // more questions than the row expects: end them
            return box->done(QMessageBox::No);
        QTest::keySequence(box->windowHandle(), keys[boxes - 1]);
    });
    answer.start(20);
    form.KEL_grbutton1->Click();
    QCOMPARE(boxes, keys.size());
    int written = 0;
    for (const auto &[name, bytes] : filesIn(outDir_->qPath()))
        written += bytes != "old";
    QCOMPARE(written, replaced);
    QCOMPARE(form.Memo1->toPlainText().count(QStringLiteral("> Skipped ")), skippedInTheLog);
}

// A target that is a photo of the same batch, by its own name, as another source or through a
// link, is never written: the photo counts as failed and the sources stay as they were.
void TestBatchRun::sameBatchFilesAreNeverReplaced_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("failures");
    QTest::newRow("itself") << "itself" << 1;
    QTest::newRow("another source") << "another source" << 2; // and then itself
    QTest::newRow("link to a source") << "link" << 1;
}

void TestBatchRun::sameBatchFilesAreNeverReplaced() {
    QFETCH(QString, how);
    QFETCH(int, failures);
    const QString a = photo(QStringLiteral("a.jpg"));
    const QString b = photo(QStringLiteral("b.jpg"), QSize(80, 60));
    const QString target = how == QStringLiteral("itself") ? a : out(QStringLiteral("a.jpg"));
    if (how == QStringLiteral("itself")) {
        form_->KEL_edit5->setText(srcDir_->qPath());
        add(a);
    } else if (how == QStringLiteral("another source")) {
        QVERIFY(QFile::copy(b, target));
        add(a);
        add(target);
    } else {
        QVERIFY(QFile::link(b, target));
        add(b);
        add(a);
    }
    form_->CheckBox4->setChecked(false);
    prompt_.answers = QList<bool>(failures, false);
    const QByteArray before = readAll(a), other = readAll(b);
    const QStringList journal = run();
    QCOMPARE(
        journal.filter(QStringLiteral("log: Failed to create thumbnail of ") + target + ".").size(),
        failures);
    QCOMPARE(readAll(a), before);
    QCOMPARE(readAll(b), other);
    QCOMPARE(QFileInfo(target).isSymLink(), how == QStringLiteral("link"));
}

// A target that appears, or changes, after the run decided about it and before the thumbnail
// is written is asked about anew.
void TestBatchRun::targetChangedMeanwhileIsAskedAgain_data() {
    QTest::addColumn<bool>("existedBefore");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("written");
    QTest::newRow("appeared, overwritten") << false << QList<bool>{true} << true;
    QTest::newRow("appeared, kept") << false << QList<bool>{false, true} << false;
    QTest::newRow("changed, overwritten") << true << QList<bool>{true, true} << true;
    QTest::newRow("changed, kept") << true << QList<bool>{true, false, true} << false;
}

void TestBatchRun::targetChangedMeanwhileIsAskedAgain() {
    QFETCH(bool, existedBefore);
    QFETCH(QList<bool>, answers);
    QFETCH(bool, written);
    add(photo(QStringLiteral("a.jpg")));
    const QString target = out(QStringLiteral("a.jpg.thumb.jpg"));
    if (existedBefore)
        writeText(target, "old");
    form_->CheckBox3->setChecked(false);
    prompt_.answers = answers;
    // The other file arrives while the run waits for the thumbnail, after the decision.
    bool planted = false;
    const auto plant = [&] {
        if (!planted)
            QTimer::singleShot(0, this, [&] { writeText(target, "other, and longer"); });
        planted = true;
    };
    if (existedBefore)
        prompt_.onQuestion = plant;
    else
        connect(form_->Memo1, &QPlainTextEdit::textChanged, this, plant);
    const QStringList journal = run();
    QCOMPARE(journal.filter(QStringLiteral("already exists, Overwrite file?")).size(),
             existedBefore ? 2 : 1);
    QCOMPARE(readAll(target).startsWith("\xFF\xD8"), written);
    QCOMPARE(readAll(target) == "other, and longer", !written);
}

// A photo that changes while the run waits on a question is converted as it is then, even
// if the workers had read it before.
void TestBatchRun::photoChangedAfterReadingAheadIsReadAgain() {
    add(photo(QStringLiteral("a.jpg")));
    const QString b = photo(QStringLiteral("b.jpg"));
    add(b);
    writeText(out(QStringLiteral("a.jpg.thumb.jpg")), "old");
    form_->CheckBox3->setChecked(false);
    form_->setBatchWorkers(2);
    prompt_.answers = {true};
    prompt_.onQuestion = [&] {
        QTest::qWait(200); // the workers have read b by now
        photo(QStringLiteral("b.jpg"), QSize(90, 70));
    };
    run();
    const ReferenceResult expected =
        ReferenceThumbnail(ReadFile(b.toStdString()), 160, 180, true, clBlack, false);
    QCOMPARE(readAll(out(QStringLiteral("b.jpg.thumb.jpg"))),
             QByteArray::fromStdString(expected.bytes));
}

// However many photos, the workers convert at most twice their number ahead of the run, and
// stop when asked.
void TestBatchRun::batchStaysWithinItsReadAhead() {
    std::vector<BatchJob> jobs;
    for (int i = 0; i < 30; ++i)
        jobs.push_back({photo(QStringLiteral("p%1.jpg").arg(i)).toStdString(), {}, true});
    ThumbnailRequest request;
    request.width = request.height = 16;
    BatchOptions options;
    options.workers = 2;
    options.wake = WakeGuiThread;
    ThumbnailBatch batch(jobs, request, options);
    QCOMPARE(batch.readAhead(), std::size_t(4));
    std::size_t taken = 0;
    const auto converted = [&] {
        std::size_t ready = 0;
        while (taken + ready < jobs.size() && batch.ready(taken + ready))
            ++ready;
        return ready;
    };
    for (; taken < 10; ++taken) {
        KeepPaintingUntil([&] { return batch.ready(taken); });
        QTest::qWait(taken == 0 ? 200 : 0); // time enough to run past the limit, were it open
        QVERIFY(converted() <= batch.readAhead());
        QVERIFY(bool(batch.take(taken).status));
    }
    batch.stop();
    KeepPaintingUntil([&] { return batch.finished(); });
    QCOMPARE(converted(), std::size_t(0));
}

// A tree with one name twice, a loop and a link out of it, added as a folder with "Include
// subfolders": the list shows each photo's path under the folder, and the thumbnails mirror
// the tree (in the target folder, or beside each photo) byte for byte as quillet-thumb -r
// makes them.
void TestBatchRun::subfoldersMirrorTheTree_data() {
    QTest::addColumn<bool>("intoTargetFolder");
    QTest::newRow("into the target folder") << true;
    QTest::newRow("beside the photos") << false;
}

void TestBatchRun::subfoldersMirrorTheTree() {
    QFETCH(bool, intoTargetFolder);
    const QString lib = srcDir_->filePath(QStringLiteral("lib"));
    const QStringList tree{"2024/Rome/IMG_0001.jpg", "2025/IMG_0001.jpg", "top.jpg"};
    for (const QString &name : tree) {
        QVERIFY(QDir(lib).mkpath(QFileInfo(name).path()));
        photo(QStringLiteral("lib/") + name);
    }
    QVERIFY(QFile::link(lib, lib + QStringLiteral("/2025/loop")) &&
            QFile::link(outDir_->qPath(), lib + QStringLiteral("/out")));
    form_->CheckBox10->setChecked(true);
    form_->KEL_edit5->setText(intoTargetFolder ? outDir_->qPath() : QString());
    const std::map<QString, QByteArray> photos = treeOf(lib);
    form_->AddFiles({lib});
    QCOMPARE(form_->KEL_listbox1->Items(), tree);
    QCOMPARE(form_->PhotoPath(1), lib + QStringLiteral("/2025/IMG_0001.jpg"));
    // A screen reader hears the row as shown, then the whole path.
    QAccessibleInterface *row =
        QAccessible::queryAccessibleInterface(form_->KEL_listbox1)->child(1);
    QCOMPARE(row->text(QAccessible::Description), form_->PhotoPath(1));
    // The loop and the link out of the tree.
    QCOMPARE(linesFrom(prompt_.journal, QStringLiteral("log: Skipped folder ")).size(), 2);
    // quillet-thumb -r first, before thumbnails beside the photos join the tree.
    TempFolder cliOut;
    ThumbOptions o;
    o.recursive = true;
    o.outputFolder = cliOut.path();
    o.sources = {lib.toStdString()};
    QCOMPARE(RunThumbBatch(o, {}).converted, 3);
    run();
    std::map<QString, QByteArray> made = treeOf(intoTargetFolder ? outDir_->qPath() : lib);
    for (const auto &[name, bytes] : photos)
        made.erase(name);
    QVERIFY(made == treeOf(cliOut.qPath()));
}

// With "Skip thumbnails that are up to date" a second run makes only what changed since the
// first, and asks nothing about the targets it replaces.
void TestBatchRun::upToDateThumbnailsAreSkipped_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("remade");
    QTest::newRow("nothing changed") << "" << QStringList{};
    QTest::newRow("one photo touched") << "touch b" << QStringList{"b"};
    QTest::newRow("quality changed") << "quality" << QStringList{"a", "b"};
    QTest::newRow("a target not made by a stamped run") << "replace a" << QStringList{"a"};
}

void TestBatchRun::upToDateThumbnailsAreSkipped() {
    QFETCH(QString, change);
    QFETCH(QStringList, remade);
    form_->CheckBox3->setChecked(false);
    form_->CheckBox11->setChecked(true);
    QStringList names;
    for (const char *name : {"a", "b"}) {
        // Taken a minute ago: a thumbnail made now is newer even on a coarse file clock.
        QFile taken(photo(QLatin1String(name) + QStringLiteral(".jpg")));
        QVERIFY(taken.open(QIODevice::ReadWrite) &&
                taken.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                  QFile::FileModificationTime));
        add(taken.fileName());
        names << out(QLatin1String(name) + QStringLiteral(".jpg.thumb.jpg"));
    }
    run();
    for (const QString &name : names)
        QVERIFY(!ReadSettingsStamp(name.toStdString()).empty());
    const QDateTime later = QDateTime::currentDateTime().addSecs(10);
    if (change == QLatin1String("touch b")) {
        QFile b(srcDir_->filePath(QStringLiteral("b.jpg")));
        QVERIFY(b.open(QIODevice::ReadWrite) && b.setFileTime(later, QFile::FileModificationTime));
    } else if (change == QLatin1String("quality")) {
        form_->SpinBox1->setValue(80);
    } else if (change == QLatin1String("replace a")) {
        writeText(names[0], "not a thumbnail");
    }
    prompt_.journal.clear();
    const QStringList journal = run();
    QStringList made, skipped;
    for (const QString &name : names) {
        const QString letter = QFileInfo(name).fileName().left(1);
        if (journal.contains(QStringLiteral("log: Thumbnail ") + name + QStringLiteral(" done.")))
            made << letter;
        if (journal.contains(QStringLiteral("log: Skipped ") + name +
                             QStringLiteral(", up to date.")))
            skipped << letter;
    }
    QCOMPARE(made, remade);
    QCOMPARE(made.size() + skipped.size(), 2);
    QVERIFY(linesFrom(journal, QStringLiteral("ask: ")).isEmpty());
}

QTEST_MAIN(TestBatchRun)
#include "test_batchrun.moc"
