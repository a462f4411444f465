#include "commandline.h"

#include "filenames.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cstdio>

const char *const kQuilletUsage =
    "Usage: quillet [options] [PHOTO|FOLDER]...\n"
    "Turns a batch of JPEG photos into JPEG thumbnails. Opens the Quillet window with the\n"
    "given photos in its list; a folder adds the JPEG files inside it (*.jpg, *.jpeg),\n"
    "sorted by name. A path that does not exist is skipped with a message.\n"
    "\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "The settings are kept in Quillet.ini beside the program when that folder can be\n"
    "written or already holds the file, otherwise in\n"
    "$XDG_CONFIG_HOME/Quillet/Quillet.ini (by default ~/.config/Quillet/Quillet.ini).\n"
    "Qt's own options (-platform, -style, ...) are understood as well.\n"
    "Use quillet-thumb to make thumbnails from a shell.\n";

TCommandLine ParseCommandLine(const QStringList &arguments) {
    TCommandLine line;
    bool options = true;
    for (const QString &argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            line.action = TStartAction::Help;
            return line;
        } else if (options && argument == QLatin1String("--version")) {
            line.action = TStartAction::Version;
            return line;
        } else if (options && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
            line.unknownOptions << argument;
        } else {
            line.paths << argument;
        }
    }
    return line;
}

namespace {

bool isJpegName(const QString &name) {
    return name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

QStringList jpegFilesIn(const QString &folder) {
    const QString prefix = AbsoluteName(folder) + QLatin1Char('/');
    QStringList names;
    for (const QString &name : NamesInFolder(folder))
        if (isJpegName(name) && !name.startsWith(QLatin1Char('.')) &&
            KindOf(prefix + name) == NameKind::File)
            names << name;
    // As a file manager lists them: letters without regard to case, numbers by value
    // (img9 before img10); names equal that way keep a fixed order. The C locale compares
    // code points only, so it borrows English rules.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    QStringList files;
    for (const QString &name : names)
        files << prefix + name;
    return files;
}

} // namespace

QStringList ExpandStartPaths(const QStringList &paths, QStringList &problems) {
    QStringList files;
    for (const QString &path : paths) {
        const NameKind kind = KindOf(path);
        if (kind == NameKind::Folder)
            files << jpegFilesIn(path);
        else if (kind == NameKind::File)
            files << AbsoluteName(path);
        else if (kind == NameKind::Other)
            problems << QStringLiteral("%1: not a file or folder, skipped").arg(path);
        else
            problems << QStringLiteral("%1: no such file or folder, skipped").arg(path);
    }
    return files;
}

namespace {

// How many arguments one of Qt's own options takes up where `argument` stands (the option
// and its value: "-style fusion", "--style=fusion"), 0 when it is none of them. The
// application object takes these out; before it exists, they are passed over.
int qtOptionLength(const QString &argument) {
    struct QtOption {
        const char *name;
        bool takesValue;
    };
    static constexpr QtOption qtOptions[] = {
        {"platform", true},
        {"platformpluginpath", true},
        {"platformtheme", true},
        {"plugin", true},
        {"qwindowgeometry", true},
        {"qwindowicon", true},
        {"qwindowtitle", true},
        {"session", true},
        {"style", true},
        {"stylesheet", true},
        {"display", true},
        {"geometry", true},
        {"name", true},
        {"title", true},
        {"visual", true},
        {"reverse", false},
        {"widgetcount", false},
        {"nograb", false},
        {"dograb", false},
        {"sync", false},
        {"qmljsdebugger", false},
    };
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--"))
        return 0;
    const QString bare = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const QString name = bare.section(QLatin1Char('='), 0, 0);
    for (const QtOption &option : qtOptions)
        if (name == QLatin1String(option.name))
            return option.takesValue && !bare.contains(QLatin1Char('=')) ? 2 : 1;
    return 0;
}

} // namespace

std::optional<int> AnswerInfoRequest(int argc, char **argv, const char *version) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--")) {
            for (; i < argc; ++i)
                arguments << QString::fromLocal8Bit(argv[i]);
            break;
        }
        const int qt = qtOptionLength(argument);
        if (qt == 0)
            arguments << argument;
        else
            i += qt - 1;
    }
    const TCommandLine line = ParseCommandLine(arguments);
    if (line.action == TStartAction::Run && !line.unknownOptions.isEmpty()) {
        std::fprintf(stderr, "quillet: unknown option %s\n",
                     qPrintable(line.unknownOptions.first()));
        std::fputs(kQuilletUsage, stderr);
        return 2;
    }
    switch (line.action) {
    case TStartAction::Help:
        std::fputs(kQuilletUsage, stdout);
        return 0;
    case TStartAction::Version:
        std::printf("quillet %s\n", version);
        return 0;
    case TStartAction::Run:
        break;
    }
    return std::nullopt;
}

QStringList StartFiles(const QStringList &arguments) {
    const TCommandLine line = ParseCommandLine(arguments.mid(1));
    QStringList problems;
    for (const QString &option : line.unknownOptions)
        problems << QStringLiteral("unknown option %1, ignored").arg(option);
    const QStringList files = ExpandStartPaths(line.paths, problems);
    for (const QString &problem : problems)
        std::fprintf(stderr, "quillet: %s\n", qPrintable(problem));
    return files;
}
