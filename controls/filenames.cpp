#include "filenames.h"

#include <QDir>

#include <climits>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` (1 to 4), or 0 when the byte there does not
// start one: a stray continuation byte, a cut-off sequence, an overlong form, a surrogate or
// a code point beyond U+10FFFF.
int sequenceLength(const unsigned char *p, qsizetype left) {
    const unsigned char b = p[0];
    if (b < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (!isContinuation(p[i]))
            return 0;
    return length;
}

bool isEscape(QStringView name, qsizetype i) {
    const char16_t c = name[i].unicode();
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF &&
           (i == 0 || !name[i - 1].isHighSurrogate());
}

} // namespace

QString NameFromBytes(QByteArrayView bytes) {
    QString name;
    name.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        qsizetype run = i;
        while (run < size) {
            const int length = sequenceLength(p + run, size - run);
            if (length == 0)
                break;
            run += length;
        }
        name += QString::fromUtf8(bytes.sliced(i, run - i));
        if (run < size)
            name += QChar(char16_t(escapeBase + p[run++]));
        i = run;
    }
    return name;
}

QByteArray BytesOfName(QStringView name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        qsizetype run = i;
        while (run < name.size() && !isEscape(name, run))
            ++run;
        bytes += name.sliced(i, run - i).toUtf8();
        if (run < name.size())
            bytes += char(name[run++].unicode() - escapeBase);
        i = run;
    }
    return bytes;
}

QStringList NamesOfArguments(int argc, char **argv) {
    QStringList names;
    for (int i = 0; i < argc; ++i)
        names << NameFromBytes(argv[i]);
    return names;
}

QStringList NamesInFolder(const QString &folder) {
    QStringList names;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(BytesOfName(folder).constData()),
                                                   ::closedir);
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            names << NameFromBytes(name);
    }
    return names;
}

QString RecoverName(const QString &decoded) {
    if (!decoded.contains(QChar::ReplacementCharacter))
        return decoded;
    const qsizetype slash = decoded.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return decoded;
    const QString folder = slash == 0 ? QStringLiteral("/") : RecoverName(decoded.left(slash));
    const QString base = decoded.mid(slash + 1);
    for (const QString &entry : NamesInFolder(folder)) {
        // Qt's own decoding of the entry's bytes is what the dialog showed.
        if (QString::fromUtf8(BytesOfName(entry)) == base)
            return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + entry;
    }
    return folder + decoded.mid(slash);
}

NameKind KindOf(const QString &name) {
    struct stat st {};
    const QByteArray bytes = BytesOfName(name);
    if (::stat(bytes.constData(), &st) != 0) {
        struct stat link {};
        return ::lstat(bytes.constData(), &link) == 0 ? NameKind::Other : NameKind::Missing;
    }
    if (S_ISREG(st.st_mode))
        return NameKind::File;
    return S_ISDIR(st.st_mode) ? NameKind::Folder : NameKind::Other;
}

QString AbsoluteName(const QString &name) {
    if (name.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(name);
    char here[PATH_MAX];
    if (::getcwd(here, sizeof here) == nullptr)
        return QDir::cleanPath(name);
    return QDir::cleanPath(NameFromBytes(here) + QLatin1Char('/') + name);
}
