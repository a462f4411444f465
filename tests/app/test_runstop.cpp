// Esc, the close box, or a signal while a question is open end a run after the photo in hand,
// which is complete or absent; a close then closes the window.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "scriptedprompt.h"
#include "tempfolder.h"
#include "umain.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QPlainTextEdit>
#include <QtTest>

class TestRunStop : public QObject {
    Q_OBJECT
private slots:
    void stopsAfterThePhotoInHand_data();
    void stopsAfterThePhotoInHand();
};

void TestRunStop::stopsAfterThePhotoInHand_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("done"); // thumbnails written before the stop
    QTest::addColumn<bool>("closes");
    QTest::newRow("Esc after the first photo") << "esc" << 1 << false;
    QTest::newRow("close box after the first photo") << "close" << 1 << true;
    QTest::newRow("signal while a question is open") << "signal" << 0 << true;
}

void TestRunStop::stopsAfterThePhotoInHand() {
    QFETCH(QString, how);
    QFETCH(int, done);
    QFETCH(bool, closes);
    TempFolder photos, thumbs;
    QStringList sources;
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    for (int i = 0; i < 6; ++i)
        QVERIFY(image.save((sources << photos.filePath(QStringLiteral("p%1.jpg").arg(i))).last(),
                           "JPEG"));
    ScriptedPrompt prompt;
    TForm1 form(thumbs.filePath(QStringLiteral("Quillet.ini")), &prompt);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.AddFiles(sources);
    form.KEL_edit5->setText(thumbs.qPath());
    const auto stop = [&] {
        if (how == QLatin1String("esc"))
            QTest::keyClick(form.windowHandle(), Qt::Key_Escape);
        else
            form.close(); // what the close box and the signal's handler do
    };
    if (how == QLatin1String("signal")) {
        QFile existing(thumbs.filePath(QStringLiteral("p0.jpg.thumb.jpg")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        form.CheckBox3->setChecked(false);
        prompt.answers = {false}; // the closed box's answer to "Overwrite file?"
        prompt.onQuestion = stop;
    } else {
        QObject::connect(form.Memo1, &QPlainTextEdit::textChanged, &form, [&] {
            if (form.Memo1->toPlainText().count(QStringLiteral(" done.")) == 1)
                stop();
        });
    }
    form.KEL_grbutton1->Click();

    const QString log = form.Memo1->toPlainText();
    QCOMPARE(log.count(QStringLiteral(" done.")), done);
    QCOMPARE(log.count(QStringLiteral("Process interrupted.")), 1);
    QVERIFY(log.trimmed().section(QLatin1Char('\n'), -1).contains(QStringLiteral("Finished (")));
    QVERIFY(!prompt.journal.contains(QStringLiteral("info: Process Interrupted!")));
    QVERIFY(!prompt.journal.contains(QStringLiteral("ask: Continue process?")));
    QCOMPARE(form.isVisible(), !closes);
    // Every thumbnail there is whole; nothing half-written is left.
    const QStringList written = QDir(thumbs.qPath()).entryList({QStringLiteral("*.thumb.jpg")});
    QCOMPARE(written.size(), how == QLatin1String("signal") ? 1 : done);
    for (const QString &name : written)
        if (QFileInfo(thumbs.filePath(name)).size() > 0)
            QVERIFY(!QImage(thumbs.filePath(name)).isNull());
    QCOMPARE(QDir(thumbs.qPath()).entryList(QDir::Files | QDir::Hidden).size(), written.size());
}

QTEST_MAIN(TestRunStop)
#include "test_runstop.moc"
