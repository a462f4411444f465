// File names as bytes: every byte sequence comes back exactly, valid UTF-8 reads as text, and
// a name a dialog decoded with replacement characters finds its file again.
#include "filenames.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestFileNames : public QObject {
    Q_OBJECT
private slots:
    void bytesComeBackExactly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        const auto stray = [](std::initializer_list<char16_t> bytes) {
            QString s;
            for (char16_t b : bytes)
                s += QChar(char16_t(0xDC00 + b));
            return s;
        };
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9.jpg") << QStringLiteral("café.jpg");
        QTest::newRow("four-byte sequence")
            << QByteArray("\xf0\x9f\x93\xb7") << QString::fromUcs4(U"\U0001F4F7", 1);
        QTest::newRow("Latin-1 byte")
            << QByteArray("caf\xe9.jpg") << "caf" + stray({0xE9}) + ".jpg";
        QTest::newRow("cut-off sequence") << QByteArray("a\xe2\x82") << "a" + stray({0xE2, 0x82});
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << stray({0xC0, 0xAF});
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << stray({0xED, 0xA0, 0x80});
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << stray({0xF4, 0x90, 0x80, 0x80});
        QTest::newRow("stray before valid")
            << QByteArray("\xff\xc3\xa9") << stray({0xFF}) + QStringLiteral("é");
    }
    void bytesComeBackExactly() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QCOMPARE(NameFromBytes(bytes), name);
        QCOMPARE(BytesOfName(name), bytes);
    }

    void filesAreFoundByTheirBytes() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray root = QFile::encodeName(dir.path());
        QCOMPARE(::mkdir(root + "/old\xe9", 0755), 0);
        const QByteArray photo = root + "/old\xe9/caf\xe9.jpg";
        const int fd = ::open(photo.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        const QString name = NameFromBytes(photo);
        QCOMPARE(KindOf(name), NameKind::File);
        QCOMPARE(KindOf(NameFromBytes(root + "/old\xe9")), NameKind::Folder);
        QCOMPARE(KindOf(QString::fromUtf8(photo)), NameKind::Missing);
        QCOMPARE(NamesInFolder(NameFromBytes(root + "/old\xe9")),
                 QStringList(NameFromBytes("caf\xe9.jpg")));
        // As a Qt dialog returns it: each stray byte replaced.
        QCOMPARE(RecoverName(QString::fromUtf8(photo)), name);
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(AbsoluteName(NameFromBytes("./old\xe9/../x")), dir.path() + "/x");
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
