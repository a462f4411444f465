// File names as bytes: every byte sequence comes back exactly, valid UTF-8 reads as text, and
// a path a dialog decoded with replacement characters finds its file again.
#include "filenames.h"
#include "tempfolder.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestFileNames : public QObject {
    Q_OBJECT
private slots:
    void bytesComeBackExactly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name"); // U+DCxx: the stray byte xx
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << QStringLiteral(u"café");
        QTest::newRow("cut off") << QByteArray("\xe2\x82") << QStringLiteral(u"\xdce2\xdc82");
        QTest::newRow("surrogate")
            << QByteArray("\xed\xa0\x80") << QStringLiteral(u"\xdced\xdca0\xdc80");
        QTest::newRow("overlong, then valid")
            << QByteArray("\xc0\xaf\xf0\x9f\x93\xb7") << QStringLiteral(u"\xdcc0\xdcaf\U0001F4F7");
    }
    void bytesComeBackExactly() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QCOMPARE(NameFromBytes(bytes), name);
        QCOMPARE(BytesOfName(name), bytes);
    }

    void dialogPathFindsItsFile() {
        TempFolder dir;
        const QByteArray folder = QByteArray::fromStdString(dir.file("old\xe9"));
        QCOMPARE(::mkdir(folder, 0755), 0);
        QVERIFY(::close(::open(folder + "/caf\xe9.jpg", O_CREAT | O_WRONLY, 0644)) == 0);
        QCOMPARE(RecoverName(QString::fromUtf8(folder + "/caf\xe9.jpg")),
                 NameFromBytes(folder + "/caf\xe9.jpg"));
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
