// The Convert button's batch run on real JPEG files, with the questions answered by script.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "logtext.h"
#include "scriptedprompt.h"
#include "umain.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <memory>

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

// The data rows name the files T1, T2 and S2; the test knows their real paths.
QStringList withNames(QStringList lines, const QString &t1, const QString &t2, const QString &s2) {
    for (QString &line : lines)
        line.replace(QStringLiteral("T1"), t1)
            .replace(QStringLiteral("T2"), t2)
            .replace(QStringLiteral("S2"), s2);
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
    void withoutSuffixKeepsTheName();
    void zeroWidthFailsEveryFile();
    void closeDuringARunWaitsForItsEnd();
    void logKeepsAtMost501Lines();

private:
    QString photo(const QString &name, QSize size = QSize(64, 48));
    void add(const QString &path) { form_->KEL_listbox1->AddItem(path); }
    QString out(const QString &name) const { return outDir_->filePath(name); }
    QStringList run();

    std::unique_ptr<QTemporaryDir> srcDir_;
    std::unique_ptr<QTemporaryDir> outDir_;
    std::unique_ptr<QTemporaryDir> iniDir_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TForm1> form_;
};

void TestBatchRun::init() {
    srcDir_ = std::make_unique<QTemporaryDir>();
    outDir_ = std::make_unique<QTemporaryDir>();
    iniDir_ = std::make_unique<QTemporaryDir>();
    prompt_ = ScriptedPrompt();
    form_ = std::make_unique<TForm1>(iniDir_->filePath(QStringLiteral("Quillet.ini")), &prompt_);
    form_->KEL_edit5->setText(outDir_->path());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    // Every log line goes to the journal the prompt also writes to.
    connect(form_->Memo1, &QPlainTextEdit::textChanged, this, [this] {
        const QString last = form_->Memo1->document()->lastBlock().text();
        if (!last.isEmpty())
            prompt_.journal << QStringLiteral("log: ") + maskSeconds(withoutTime(last));
    });
}

void TestBatchRun::cleanup() {
    form_.reset();
    QVERIFY(prompt_.answers.isEmpty());
}

QString TestBatchRun::photo(const QString &name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 10));
    const QString path = srcDir_->filePath(name);
    if (!image.save(path, "JPEG"))
        qFatal("cannot write the test photo");
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
    QImageReader reader(target);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), QSize(160, 180));
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

void TestBatchRun::existingTarget_data() {
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("tail"); // what follows the "already exists" question
    QTest::addColumn<bool>("firstReplaced");
    QTest::addColumn<bool>("secondConverted");

    QTest::newRow("overwrite") << QList<bool>{true}
                               << QStringList({"log: .. Overwriting T1", "log: Thumbnail T1 done.",
                                               "log: Converting file S2..",
                                               "log: Thumbnail T2 done.", "log: Finished (#s)."})
                               << true << true;
    QTest::newRow("skip and go on")
        << QList<bool>{false, true}
        << QStringList({"ask: Continue process?", "log: Converting file S2..",
                        "log: Thumbnail T2 done.", "log: Finished (#s)."})
        << false << true;
    QTest::newRow("stop") << QList<bool>{false, false}
                          << QStringList({"ask: Continue process?", "log: Process interrupted.",
                                          "info: Process Interrupted!", "log: Finished (#s)."})
                          << false << false;
}

void TestBatchRun::existingTarget() {
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, tail);
    QFETCH(bool, firstReplaced);
    QFETCH(bool, secondConverted);

    const QString s1 = photo(QStringLiteral("one.jpg")), s2 = photo(QStringLiteral("two.jpg"));
    const QString t1 = out(QStringLiteral("one.jpg.thumb.jpg"));
    const QString t2 = out(QStringLiteral("two.jpg.thumb.jpg"));
    QFile old(t1);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
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
    QCOMPARE(readAll(t1) != "old", firstReplaced);
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

    QStringList expected = {QStringLiteral("log: Converting file ") + s1 + "..",
                            QStringLiteral("log: Failed to create thumbnail of ") + t1 + ".",
                            QStringLiteral("ask: Failed to convert \"") + s1 +
                                "\" to thumbnail, Interrupt process?"};
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

void TestBatchRun::withoutSuffixKeepsTheName() {
    const QString src = photo(QStringLiteral("plain.jpg"));
    add(src);
    form_->CheckBox4->setChecked(false);
    run();
    QCOMPARE(QImageReader(out(QStringLiteral("plain.jpg"))).size(), QSize(160, 180));
}

void TestBatchRun::zeroWidthFailsEveryFile() {
    add(photo(QStringLiteral("a.jpg")));
    add(photo(QStringLiteral("b.jpg")));
    form_->KEL_edit3->setText(QString());
    prompt_.answers = {false, false};
    const QStringList journal = run();
    QCOMPARE(journal.filter(QStringLiteral("log: Skipped ")).size(), 2);
    QCOMPARE(journal.filter(QStringLiteral("log: Thumbnail ")).size(), 0);
    QCOMPARE(QFileInfo(out(QStringLiteral("a.jpg.thumb.jpg"))).size(), 0);
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

QTEST_MAIN(TestBatchRun)
#include "test_batchrun.moc"
