#pragma once
// File names are bytes, not text. Qt decodes them as UTF-8 and turns every byte that is not
// part of valid UTF-8 into U+FFFD (a photo "caf\xe9.jpg" from an old camera card), after
// which no file has that name. So names travel through the program as QStrings that carry
// such bytes as the lone surrogates U+DC80..U+DCFF, which decoding valid UTF-8 never yields,
// and reach the system through the functions below, never through Qt's file classes.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

// Valid UTF-8 decodes as usual; each other byte becomes U+DC00 + the byte.
QString NameFromBytes(QByteArrayView bytes);
// The exact inverse for whatever NameFromBytes gives; other text is encoded as UTF-8.
QByteArray BytesOfName(QStringView name);
inline std::string NativeName(QStringView name) {
    return BytesOfName(name).toStdString();
}

// The arguments, program name first, as QCoreApplication::arguments() lists them but with
// every byte kept; give it the argc and argv the application object has taken its options out of.
QStringList NamesOfArguments(int argc, char **argv);

// A path that a Qt dialog decoded (U+FFFD for each stray byte) turned back into the name of
// the file it lists, folder by folder; unchanged where no entry fits.
QString RecoverName(const QString &decoded);

enum class NameKind { Missing, File, Folder, Other };
// What the name stands for, links followed; Other for a FIFO, device, socket or dangling link.
NameKind KindOf(const QString &name);

// The name made absolute against the working folder and cleaned of "." and "..".
QString AbsoluteName(const QString &name);

// The names in a folder, without "." and ".."; empty when it cannot be read.
QStringList NamesInFolder(const QString &folder);
